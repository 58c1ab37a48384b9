/*
 * point_buffers.h - a long run of points in GL buffer objects, with its
 * levels of detail (level_of_detail.h), drawn as GL points.
 *
 * The positions and colours of every level live in the GL's buffers alone:
 * the client keeps only the levels' numbers and the chunks' boxes.
 *
 * Entry points: PointBuffers, fill_point_buffers(), colour_point_buffers(),
 * free_point_buffers(), draw_point_buffers().
 */
#ifndef KESTRIM_POINT_BUFFERS_H
#define KESTRIM_POINT_BUFFERS_H

#include "level_of_detail.h"

#include <cstddef>
#include <vector>

struct PointBuffers {
    PointLevels levels;
    std::vector<size_t> level_offset; /* first point of each level in the buffers */
    unsigned position_buffer;         /* GL buffer of x, y, z floats; 0: none */
    unsigned colour_buffer;           /* GL buffer of r, g, b, a bytes; 0: none */
};

/* The count points xyz (display units) and their levels into new buffers,
   the coarsest level spaced about coarsest apart; the old ones freed. */
void fill_point_buffers(PointBuffers* buffers, const float* xyz, size_t count, double coarsest);

/* The colours of the points, four bytes each in the order of xyz, for
   every level. */
void colour_point_buffers(PointBuffers* buffers, const unsigned char* rgba);

/* The GL buffers given back; the buffers hold nothing. */
void free_point_buffers(PointBuffers* buffers);

/* Draws the points under the current matrices and viewport, in their
   colours when coloured, else in the current colour: with pixels > 0 at
   the coarsest level that leaves no point further than pixels from a drawn
   one, leaving out what is wholly outside the view; with pixels <= 0,
   every point. */
void draw_point_buffers(const PointBuffers& buffers, bool coloured, double pixels);

#endif
