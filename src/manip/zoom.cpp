/*
 * zoom.cpp - the zoom's state and arithmetic.
 *
 * A point p of the picture (in normalised device units) is drawn at
 * zoom_scale * p + offset.  Zooming by k about q keeps q: the new scale is
 * k times the old, and the new offset k * offset + (1 - k) * q.
 *
 * Entry points: see zoom.h.
 */
#include "zoom.h"

#include <cmath>

double zoom_scale = 1.0;
double zoom_offset_x = 0.0, zoom_offset_y = 0.0;

void reset_zoom()
{
    zoom_scale = 1.0;
    zoom_offset_x = zoom_offset_y = 0.0;
}

void zoom_about(double factor, double x, double y)
{
    if (!(factor > 0) || !std::isfinite(factor) || !std::isfinite(x) || !std::isfinite(y))
        return;
    double scale = std::fmin(std::fmax(zoom_scale * factor, ZOOM_FARTHEST), ZOOM_NEAREST);
    double k = scale / zoom_scale; /* what the limits leave of the factor */
    zoom_offset_x = k * zoom_offset_x + (1 - k) * x;
    zoom_offset_y = k * zoom_offset_y + (1 - k) * y;
    zoom_scale = scale;
}

void window_to_ndc(double pixel_x, double pixel_y, int width, int height, double* x, double* y)
{
    *x = width > 0 ? 2.0 * pixel_x / width - 1.0 : 0.0;
    *y = height > 0 ? 2.0 * pixel_y / height - 1.0 : 0.0;
}

void zoom_matrix(double m[16])
{
    for (int i = 0; i < 16; ++i)
        m[i] = 0.0;
    m[0] = m[5] = zoom_scale;
    m[10] = m[15] = 1.0;
    m[12] = zoom_offset_x; /* times w: the shift survives the divide by w */
    m[13] = zoom_offset_y;
}
