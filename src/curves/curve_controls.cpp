/*
 * curve_controls.cpp - curve index and threshold steps, band colours.
 *
 * Entry points: see curve_controls.h.
 */
#include "curve_controls.h"

#include "../track/track_point.h"

#include <cstdio>

static const float THRESHOLD_FLOOR = 1.0f;

float threshold = 10.0f;
int curve_index = 1;

void curve_index_up()
{
    if (curve_index < static_cast<int>(frames.size()) - 2)
        ++curve_index;
    printf("curve index: %i\n", curve_index);
}

void curve_index_down()
{
    if (curve_index > 0)
        --curve_index;
    printf("curve index: %i\n", curve_index);
}

void threshold_up()
{
    threshold += 1;
    printf("threshold: %i\n", static_cast<int>(threshold));
}

void threshold_down()
{
    if (threshold > THRESHOLD_FLOOR) {
        threshold -= 1;
        printf("threshold: %i\n", static_cast<int>(threshold));
    }
}

static void set_rgb(float rgb[3], float r, float g, float b)
{
    rgb[0] = r;
    rgb[1] = g;
    rgb[2] = b;
}

/* Red through yellow, green, cyan to blue, fading out past five bands. */
void band_colour(float s, float t, float rgb[3])
{
    if (s < t)
        set_rgb(rgb, 1, s / t, 0);
    else if (s < 2 * t)
        set_rgb(rgb, (2 * t - s) / t, 1, 0);
    else if (s < 3 * t)
        set_rgb(rgb, 0, 1, (s - 2 * t) / t);
    else if (s < 4 * t)
        set_rgb(rgb, 0, (4 * t - s) / t, 1);
    else
        set_rgb(rgb, 0, 0, (5 * t - s) / t);
}
