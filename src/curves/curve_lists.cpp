/*
 * curve_lists.cpp - storage of the three sampled curve lists.
 *
 * Entry points: CubicFrames, LinearFrames, BesselFrames, curve_list_filled,
 * curve_list_of(), curve_list_for(), clear_curve_lists().
 */
#include "curve_lists.h"

CurveList CubicFrames;
CurveList LinearFrames;
CurveList BesselFrames;
bool curve_list_filled[FAMILY_COUNT] = {false, false, false};

void clear_curve_lists()
{
    for (int family = 0; family < FAMILY_COUNT; ++family) {
        CurveList().swap(*curve_list_for(family));
        curve_list_filled[family] = false;
    }
}

CurveList* curve_list_for(int family)
{
    if (family == FAMILY_LINEAR)
        return &LinearFrames;
    if (family == FAMILY_CUBIC)
        return &CubicFrames;
    return &BesselFrames;
}

const CurveList& curve_list_of(int family)
{
    return *curve_list_for(family);
}
