/*
 * curve_lists.cpp - storage of the three sampled curve lists.
 *
 * Entry points: CubicFrames, LinearFrames, BesselFrames, curve_list_of(),
 * clear_curve_lists().
 */
#include "curve_lists.h"

CurveList CubicFrames;
CurveList LinearFrames;
CurveList BesselFrames;

void clear_curve_lists()
{
    CubicFrames.clear();
    LinearFrames.clear();
    BesselFrames.clear();
}

const CurveList& curve_list_of(int family)
{
    if (family == FAMILY_LINEAR)
        return LinearFrames;
    if (family == FAMILY_CUBIC)
        return CubicFrames;
    return BesselFrames;
}
