/*
 * curve_controls.h - which Bessel segment is drawn alone, the width of the
 * speed-colour bands, and the colour of a band.
 *
 * Entry points: curve_index, threshold, curve_index_up(), curve_index_down(),
 * threshold_up(), threshold_down(), band_colour().
 */
#ifndef KESTRIM_CURVE_CONTROLS_H
#define KESTRIM_CURVE_CONTROLS_H

extern float threshold; /* width of one speed-colour band */
extern int curve_index; /* frame whose Bessel segment is drawn alone */

/* One step of the curve index or the threshold; each prints the new value. */
void curve_index_up();
void curve_index_down();
void threshold_up();
void threshold_down();

/* Colour of a sample of speed s in bands of width band_width. */
void band_colour(float s, float band_width, float rgb[3]);

#endif
