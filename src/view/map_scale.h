/*
 * map_scale.h - the numbers behind the scale bar and the north arrow:
 * plain functions, with no GL.
 *
 * Entry points: round_scale_length(), format_length(), local_north().
 */
#ifndef KESTRIM_MAP_SCALE_H
#define KESTRIM_MAP_SCALE_H

#include <cstddef>

/* The longest round length (1, 2 or 5 times a power of ten metres) not
   longer than most metres; 0 when most is not positive and finite. */
double round_scale_length(double most);

/* "50 m", "1 km", "20 km", "0.5 m": a round length as the bar says it. */
void format_length(double metres, char* text, size_t size);

/* The unit vector of local north at the Earth-centred point (x, y, z): the
   Earth's axis projected into the plane square to the point's direction
   from the centre.  All zero at a pole or the centre, where there is no
   north. */
void local_north(double x, double y, double z, double north[3]);

#endif
