/*
 * curve_drawing.h - drawing the track, its curves and its centre of gravity.
 *
 * Each call draws in the current modelview, in display coordinates.  The
 * point buffers are made anew on the first draw after each load.
 *
 * Entry points: draw_centre_of_gravity(), draw_tangent_lines(),
 * draw_bessel_segment(), draw_curve_family(), draw_raw_frames(),
 * set_detail_pixels().
 */
#ifndef KESTRIM_CURVE_DRAWING_H
#define KESTRIM_CURVE_DRAWING_H

/* The centre of gravity as a blue point. */
void draw_centre_of_gravity();

/* Every inner frame's tangent handle, as blue lines. */
void draw_tangent_lines();

/* The Bessel segment of frame curve_index, as black points. */
void draw_bessel_segment();

/* One curve list (a CurveFamily) in speed-band colours. */
void draw_curve_family(int family);

/* The raw frames as red points. */
void draw_raw_frames();

/* The lists and frames from now on drawn with no point further than
   pixels from a drawn one, the rest left out; 0: every point. */
void set_detail_pixels(double pixels);

#endif
