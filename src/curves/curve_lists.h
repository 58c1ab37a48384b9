/*
 * curve_lists.h - the points sampled on the curves fitted through a track.
 *
 * Entry points: CurveSample, CurveList, CubicFrames, LinearFrames, BesselFrames,
 * CurveFamily, curve_list_filled, curve_list_of(), curve_list_for(),
 * clear_curve_lists().
 */
#ifndef KESTRIM_CURVE_LISTS_H
#define KESTRIM_CURVE_LISTS_H

#include "../track/track_point.h"

#include <vector>

/* One point sampled on a fitted curve.  It carries only what drawing and
   the tangent pass read and write, under the names of the frame record. */
struct CurveSample {
    double ecef_x, ecef_y, ecef_z; /* Earth-centred WGS 84, metres */
    double view_x, view_y, view_z; /* display coordinates, kilometres */
    float frame_distance;          /* |next - previous| / frame_interval */
    float chord[3];                /* next - previous */
    float tangent[3];              /* chord / |chord|, zero for a zero chord */
};

typedef std::vector<CurveSample> CurveList;

extern CurveList CubicFrames;  /* samples of each frame's cubic segment */
extern CurveList LinearFrames; /* samples of each frame's linear segment */
extern CurveList BesselFrames; /* samples of each frame's Bessel interpolation */

/* The numbers the keys and the drawing give the three lists. */
enum CurveFamily { FAMILY_LINEAR = 0, FAMILY_CUBIC = 1, FAMILY_BESSEL = 2, FAMILY_COUNT = 3 };

/* True for a family whose list holds the samples of the frames as they are. */
extern bool curve_list_filled[FAMILY_COUNT];

/* The list of a family, filled or not; BesselFrames for any number past the others. */
const CurveList& curve_list_of(int family);
CurveList* curve_list_for(int family);

/* Empty all three lists, their memory given back, until they are filled again. */
void clear_curve_lists();

#endif
