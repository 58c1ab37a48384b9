/*
 * level_of_detail.h - coarser copies of a long run of points, and the copy
 * each part of the window needs.
 *
 * The points are cut into chunks of DETAIL_CHUNK_POINTS in their order,
 * each with its bounding box.  Level 0 keeps every point; each coarser
 * level keeps, chunk by chunk, a point of the level below only when it
 * lies at least the level's spacing from the last point it kept, the
 * spacing doubling from level to level.  So every point lies within the
 * level's radius of one it kept.  Each frame a chunk wholly outside the
 * view is left out, and every other chunk is drawn at the coarsest level
 * whose radius the view makes shorter than a given number of pixels.
 *
 * Plain numbers only: the drawing side (point_buffers.h) puts the levels
 * in GL buffers.
 *
 * Entry points: DETAIL_CHUNK_POINTS, DetailLevel, DetailBox, PointLevels,
 * build_point_levels(), DetailView, chunk_level(), DetailRun, detail_runs(),
 * level_point_count().
 */
#ifndef KESTRIM_LEVEL_OF_DETAIL_H
#define KESTRIM_LEVEL_OF_DETAIL_H

#include <cstddef>
#include <vector>

enum { DETAIL_CHUNK_POINTS = 4096 };

struct DetailLevel {
    double radius;              /* every point lies within this distance of a kept one */
    std::vector<unsigned> kept; /* numbers of the kept points, chunk after chunk; level 0: none */
    std::vector<size_t> chunk_first; /* where each chunk's kept points start, then the end */
};

struct DetailBox {
    float min[3], max[3]; /* min > max on an axis: the chunk has no finite point */
};

struct PointLevels {
    size_t count;                    /* points at level 0 */
    std::vector<DetailBox> boxes;    /* of each chunk */
    std::vector<DetailLevel> levels; /* levels[0] keeps every point; coarser after it */
};

/* The levels of count points xyz (x, y, z after one another), the coarsest
   with a spacing of about coarsest (a length of the points' own units). */
void build_point_levels(const float* xyz, size_t count, double coarsest, PointLevels* levels);

/* Points of a level: count at level 0. */
size_t level_point_count(const PointLevels& levels, int level);

/* How the window shows the points. */
struct DetailView {
    double clip[16];      /* projection times modelview, column-major, as GL keeps them */
    double width, height; /* of the viewport, pixels */
    double nearest;       /* the least eye distance (clip w) of a point in view */
};

/* The level chunk is drawn at so that no point is more than pixels from
   a drawn one; -1 when the chunk is wholly outside the view. */
int chunk_level(const PointLevels& levels, size_t chunk, const DetailView& view, double pixels);

/* One draw: count points of a level from its point first. */
struct DetailRun {
    int level;
    size_t first, count;
};

/* The draws of the chunks in view, neighbouring chunks of one level in one. */
void detail_runs(const PointLevels& levels, const DetailView& view, double pixels,
                 std::vector<DetailRun>* runs);

#endif
