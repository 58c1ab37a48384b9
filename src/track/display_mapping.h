/*
 * display_mapping.h - Earth-centred metres to display kilometres.
 *
 * A display coordinate is the metres below a coordinate's ten-kilometre
 * digit, in kilometres.  A track is mapped relative to the ten-kilometre
 * block of its first fix, so that a track crossing a block edge stays in
 * one piece instead of wrapping back by 10 km.
 *
 * Entry points: scale_coordinate(), display_block_base(),
 * set_display_anchor(), clear_display_anchor(), display_anchor_is_set(),
 * to_display_x(), to_display_y(), to_display_z().
 */
#ifndef KESTRIM_DISPLAY_MAPPING_H
#define KESTRIM_DISPLAY_MAPPING_H

/* Signed remainder of |x| modulo 10000 m, in kilometres. */
double scale_coordinate(double x);

/* Start of the ten-kilometre block that holds x, on the side of x's sign. */
double display_block_base(double x);

/* Anchor the mapping at the blocks of this Earth-centred position. */
void set_display_anchor(double x, double y, double z);

/* Forget the anchor; the mapping is then relative to the origin. */
void clear_display_anchor();

/* True once a track's first fix has anchored the mapping. */
bool display_anchor_is_set();

/* The track's display coordinate of one Earth-centred coordinate. */
double to_display_x(double x);
double to_display_y(double y);
double to_display_z(double z);

#endif
