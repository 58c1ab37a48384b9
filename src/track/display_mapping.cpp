/*
 * display_mapping.cpp - the one mapping from metres to display units.
 *
 * Inside the anchor's block, to_display_*() gives exactly the value of
 * scale_coordinate(); beyond it the value goes on past 10 or below 0.
 *
 * Entry points: see display_mapping.h.
 */
#include "display_mapping.h"

#include <cmath>

static const double BLOCK_METRES = 10000.0;
static const double PER_BLOCK = 0.0001; /* 1 / BLOCK_METRES, as the mapping multiplies */
static const double KM_PER_METRE = 0.001;

static double anchor_x = 0.0; /* block base of the first fix, per axis */
static double anchor_y = 0.0;
static double anchor_z = 0.0;
static bool anchor_set = false;

double scale_coordinate(double x)
{
    if (x > 0)
        return (x - floor(x * PER_BLOCK) * BLOCK_METRES) * KM_PER_METRE;
    return -((-x) - floor((-x) * PER_BLOCK) * BLOCK_METRES) * KM_PER_METRE;
}

double display_block_base(double x)
{
    if (x > 0)
        return floor(x * PER_BLOCK) * BLOCK_METRES;
    return -floor(-x * PER_BLOCK) * BLOCK_METRES;
}

void set_display_anchor(double x, double y, double z)
{
    anchor_x = display_block_base(x);
    anchor_y = display_block_base(y);
    anchor_z = display_block_base(z);
    anchor_set = true;
}

void clear_display_anchor()
{
    anchor_x = anchor_y = anchor_z = 0.0;
    anchor_set = false;
}

bool display_anchor_is_set()
{
    return anchor_set;
}

double to_display_x(double x)
{
    return (x - anchor_x) * KM_PER_METRE;
}

double to_display_y(double y)
{
    return (y - anchor_y) * KM_PER_METRE;
}

double to_display_z(double z)
{
    return (z - anchor_z) * KM_PER_METRE;
}
