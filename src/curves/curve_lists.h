/*
 * curve_lists.h - the points sampled on the curves fitted through a track.
 *
 * Entry points: CubicFrames, LinearFrames, BesselFrames, clear_curve_lists().
 */
#ifndef KESTRIM_CURVE_LISTS_H
#define KESTRIM_CURVE_LISTS_H

#include "../track/track_point.h"

#include <vector>

typedef std::vector<TrackPoint> CurveList;

extern CurveList CubicFrames;  /* samples of each frame's cubic segment */
extern CurveList LinearFrames; /* samples of each frame's linear segment */
extern CurveList BesselFrames; /* samples of each frame's Bessel interpolation */

/* Empty all three lists before a track is loaded. */
void clear_curve_lists();

#endif
