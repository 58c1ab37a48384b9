/*
 * colouring.h - what the colours of the track's points say.
 *
 * The start colouring is the spacing between samples, in bands of
 * `threshold` metres; key k cycles on to the speed from time and distance,
 * the recorded speed (the V= field) and the height, each in the same five
 * bands (red, yellow, green, cyan, blue) of its own unit.  In the spacing
 * colouring the raw fixes stay red; in the others they take their colour
 * too.
 *
 * Entry points: Colouring, colouring, next_colouring(), colouring_name(),
 * colouring_unit(), colouring_band(), colouring_origin(),
 * frame_colour_value(), value_colour(), colouring_generation.
 */
#ifndef KESTRIM_COLOURING_H
#define KESTRIM_COLOURING_H

#include <cstddef>

enum Colouring {
    COLOURING_SPACING = 0,        /* metres between the samples around a point */
    COLOURING_SPEED = 1,          /* from the distance and time between fixes */
    COLOURING_RECORDED_SPEED = 2, /* the receiver's own, from V= */
    COLOURING_HEIGHT = 3,         /* metres above mean sea level */
    COLOURING_COUNT = 4,
};

extern int colouring;             /* how the points are coloured; spacing at start */
extern long colouring_generation; /* goes up whenever a colour may have changed */

/* The next colouring (key k), past height when the track has none; prints
   "colouring: recorded speed". */
void next_colouring();

/* "spacing", "speed", "recorded speed", "height". */
const char* colouring_name(int which);

/* "m" or "km/h". */
const char* colouring_unit(int which);

/* The width of one band in that unit: the threshold, ten times it for
   heights. */
float colouring_band(int which);

/* The value where the first band starts: 0, or the lowest height rounded
   down to ten metres. */
float colouring_origin(int which);

/* The value of frame i in the current colouring's unit (not for spacing,
   which is a sample's own); false when it has none. */
bool frame_colour_value(size_t i, float* value);

/* The colour of a value of the current colouring. */
void value_colour(float value, float rgb[3]);

#endif
