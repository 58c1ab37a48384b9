/*
 * map_scale.cpp - round lengths and local north.
 *
 * North is taken square to the geocentric direction rather than to the
 * ellipsoid's normal: the two differ by a fifth of a degree at most, far
 * less than an arrow on the screen shows.
 *
 * Entry points: see map_scale.h.
 */
#include "map_scale.h"

#include <cmath>
#include <cstdio>

static const double ROUND_STEPS[] = {5.0, 2.0, 1.0}; /* times a power of ten */
static const double METRES_PER_KM = 1000.0;

double round_scale_length(double most)
{
    if (!(most > 0) || !std::isfinite(most))
        return 0.0;
    double power = pow(10.0, floor(log10(most)));
    for (double step : ROUND_STEPS)
        if (step * power <= most * (1 + 1e-12))
            return step * power;
    return power;
}

void format_length(double metres, char* text, size_t size)
{
    if (metres >= METRES_PER_KM)
        snprintf(text, size, "%g km", metres / METRES_PER_KM);
    else
        snprintf(text, size, "%g m", metres);
}

void local_north(double x, double y, double z, double north[3])
{
    double length = sqrt(x * x + y * y + z * z);
    north[0] = north[1] = north[2] = 0.0;
    if (!(length > 0))
        return;
    double up[3] = {x / length, y / length, z / length};
    /* The axis (0, 0, 1) less its part along up. */
    double n[3] = {-up[2] * up[0], -up[2] * up[1], 1.0 - up[2] * up[2]};
    double n_length = sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (n_length < 1e-12)
        return;
    for (int i = 0; i < 3; ++i)
        north[i] = n[i] / n_length;
}
