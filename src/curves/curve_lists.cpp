/*
 * curve_lists.cpp - storage of the three sampled curve lists.
 *
 * Entry points: CubicFrames, LinearFrames, BesselFrames, clear_curve_lists().
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
