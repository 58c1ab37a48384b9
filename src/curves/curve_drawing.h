/*
 * curve_drawing.h - drawing the track, its curves and its centre of gravity.
 *
 * Each call draws in the current modelview, in display coordinates.
 *
 * Entry points: draw_centre_of_gravity(), draw_tangent_lines(),
 * draw_bessel_segment(), draw_curve_family(), draw_raw_frames(),
 * forget_drawing_arrays().
 */
#ifndef KESTRIM_CURVE_DRAWING_H
#define KESTRIM_CURVE_DRAWING_H

/* The centre of gravity as a blue point. */
void draw_centre_of_gravity();

/* Every inner frame's tangent handle, as blue lines. */
void draw_tangent_lines();

/* The Bessel segment of frame curve_index, as black points. */
void draw_bessel_segment();

/* One curve list in speed-band colours: 0 linear, 1 cubic, 2 Bessel. */
void draw_curve_family(int family);

/* The raw frames as red points. */
void draw_raw_frames();

/* Drop the vertex arrays, so that the next draw rebuilds them (after a load). */
void forget_drawing_arrays();

#endif
