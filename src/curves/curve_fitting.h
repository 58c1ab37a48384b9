/*
 * curve_fitting.h - tangents, cubic and linear segments and Bessel tables
 * fitted through the frames, and the curve lists sampled from them.
 *
 * Entry points: fit_track_curves(), fit_frame_curves(), sample_curve_lists(),
 * sampled_curve_list(), sample_all_curve_lists(), curve_list_size(),
 * compute_tangent(), fit_cubic(),
 * build_bessel_table(), the sampling functions, cubic_coefficient(), the
 * axis and coefficient numbers, and the fitting globals.
 */
#ifndef KESTRIM_CURVE_FITTING_H
#define KESTRIM_CURVE_FITTING_H

#include "curve_lists.h"

#include <cstddef>

/* The axes of a position, and the slots of a cubic's coefficients per axis
   in cubic_coeffs: a, b, c, d of a*t^3 + b*t^2 + c*t + d. */
enum { AXIS_X, AXIS_Y, AXIS_Z, AXES };
enum { CUBIC_A, CUBIC_B, CUBIC_C, CUBIC_D, COEFFS_PER_AXIS };

extern float samples_per_segment; /* samples per segment: t = i / samples_per_segment */
extern int frame_interval;        /* fixes per frame; divides frame_distance */
extern float control_scale;       /* Bezier handle length, as a share of frame_distance */

/* All load-time passes over frames in their order, with their messages,
   and every curve list filled: fit_frame_curves(), sample_curve_lists(),
   sample_all_curve_lists(). */
void fit_track_curves();

/* Tangents, segments and Bessel tables of the frames, and the empty-frame report. */
void fit_frame_curves();

/* The same without the report, when the frames have moved. */
void fit_frame_segments();

/* Reports the sizes of the three curve lists and leaves them empty: each
   is sampled from the frames' segments when first asked for. */
void sample_curve_lists();

/* The same without the report, when the frames have moved. */
void resample_curve_lists();

/* The samples a family's list has once filled, from the frame count. */
size_t curve_list_size(int family);

/* The list of a family, sampled from the frames' segments with its own
   tangents when it is not yet (BesselFrames for a number past the others). */
const CurveList& sampled_curve_list(int family);

/* Every list filled, as when each has been drawn. */
void sample_all_curve_lists();

/* Tangent and frame distance of current from its neighbours. */
void compute_tangent(const TrackPoint* previous, TrackPoint* current, const TrackPoint* next);

/* Tangents of every inner record of a list of pointers or of records. */
void compute_tangents(TrackList& list);
void compute_tangents(CurveList& list);

/* Cubic Bezier and linear segment from current to next. */
void fit_cubic(TrackPoint* current, const TrackPoint* next);

/* Bessel difference table of current from four consecutive frames. */
void build_bessel_table(const TrackPoint* previous, TrackPoint* current, const TrackPoint* next,
                        const TrackPoint* next_but_one);

/* Points of a frame's segments at parameter t in [0, 1): X, Y, Z in metres. */
void cubic_at(const TrackPoint* frame, float t, double xyz[3]);
void linear_at(const TrackPoint* frame, float t, double xyz[3]);
void bessel_at(const TrackPoint* frame, float t, double xyz[3]);

/* The parameters at which a segment is sampled: i / samples_per_segment. */
int sample_count();
float sample_parameter(int i);

/* Coefficient k (CUBIC_A .. CUBIC_D) of the frame's cubic on one axis. */
float cubic_coefficient(const TrackPoint* frame, int axis, int k);

/* True when the frame has a fitted cubic (every frame but the first and last). */
bool frame_has_cubic(const TrackPoint* frame);

#endif
