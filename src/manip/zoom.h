/*
 * zoom.h - the wheel's zoom: the picture scaled about a point of the
 * window, which stays where it is.
 *
 * The zoom acts on the picture, after the projection, so that whatever is
 * under the pointer stays under it, in perspective and orthographic
 * projection alike, and the scene's depth range is untouched.  It is kept
 * apart from the Scale mode and its limits.
 *
 * Entry points: ZOOM_STEP, zoom_scale, zoom_offset_x, zoom_offset_y,
 * reset_zoom(), zoom_about(), window_to_ndc(), zoom_matrix().
 */
#ifndef KESTRIM_ZOOM_H
#define KESTRIM_ZOOM_H

static const double ZOOM_STEP = 1.25;    /* one wheel step or Page Up / Page Down */
static const double ZOOM_FARTHEST = 0.2; /* five times the start view across */
static const double ZOOM_NEAREST = 1e6;  /* metres of a long drive across the window */

extern double zoom_scale;                   /* the picture's scale; 1 at start */
extern double zoom_offset_x, zoom_offset_y; /* its shift, in normalised device units */

/* The start view: scale 1, no shift. */
void reset_zoom();

/* Scales the picture by factor about the point (x, y) in normalised device
   units, within ZOOM_FARTHEST .. ZOOM_NEAREST; the point stays put. */
void zoom_about(double factor, double x, double y);

/* A window pixel (rows counted from the bottom) in normalised device units
   of a width x height viewport. */
void window_to_ndc(double pixel_x, double pixel_y, int width, int height, double* x, double* y);

/* The zoom as a column-major matrix to put before the projection. */
void zoom_matrix(double m[16]);

#endif
