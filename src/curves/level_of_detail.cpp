/*
 * level_of_detail.cpp - the levels of a run of points, and which to draw.
 *
 * Each level is thinned from the one below it, so building all of them
 * costs about two passes over the points.  A thinning that would keep
 * most of its points is not worth a level of its own: the spacing doubles
 * again from the same points.
 *
 * Entry points: see level_of_detail.h.
 */
#include "level_of_detail.h"

#include <cmath>
#include <limits>

/* The first spacing tried, in steps of the points' mean step: about
   every other point goes. */
static const double FIRST_SPACING_STEPS = 2.0;
/* A level that keeps more than this share of the points below it saves
   too little drawing for its memory. */
static const double MOST_KEPT_SHARE = 0.6;
static const int MAX_LEVELS = 24;

static size_t chunk_count(size_t count)
{
    return (count + DETAIL_CHUNK_POINTS - 1) / DETAIL_CHUNK_POINTS;
}

static double distance(const float* a, const float* b)
{
    double dx = static_cast<double>(a[0]) - b[0];
    double dy = static_cast<double>(a[1]) - b[1];
    double dz = static_cast<double>(a[2]) - b[2];
    return sqrt(dx * dx + dy * dy + dz * dz);
}

static void bound_chunk(const float* xyz, size_t first, size_t end, DetailBox* box)
{
    for (int k = 0; k < 3; ++k) {
        box->min[k] = std::numeric_limits<float>::infinity();
        box->max[k] = -std::numeric_limits<float>::infinity();
    }
    for (size_t i = first; i < end; ++i) {
        const float* p = xyz + 3 * i;
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            continue;
        for (int k = 0; k < 3; ++k) {
            box->min[k] = p[k] < box->min[k] ? p[k] : box->min[k];
            box->max[k] = p[k] > box->max[k] ? p[k] : box->max[k];
        }
    }
}

/* Level 0 and the chunks' boxes. */
static void build_base(const float* xyz, size_t count, PointLevels* levels)
{
    size_t chunks = chunk_count(count);
    levels->count = count;
    levels->boxes.assign(chunks, DetailBox());
    levels->levels.assign(1, DetailLevel());
    DetailLevel* base = &levels->levels[0];
    base->radius = 0;
    base->chunk_first.resize(chunks + 1);
    for (size_t c = 0; c < chunks; ++c) {
        size_t first = c * DETAIL_CHUNK_POINTS;
        size_t end = first + DETAIL_CHUNK_POINTS < count ? first + DETAIL_CHUNK_POINTS : count;
        base->chunk_first[c] = first;
        bound_chunk(xyz, first, end, &levels->boxes[c]);
    }
    base->chunk_first[chunks] = count;
}

/* The mean distance from one point to the next, over finite steps. */
static double mean_step(const float* xyz, size_t count)
{
    double sum = 0;
    size_t steps = 0;
    for (size_t i = 1; i < count; ++i) {
        double d = distance(xyz + 3 * (i - 1), xyz + 3 * i);
        if (std::isfinite(d)) {
            sum += d;
            ++steps;
        }
    }
    return steps > 0 ? sum / static_cast<double>(steps) : 0;
}

/* Number of the k-th point of source in chunk c. */
static unsigned source_point(const DetailLevel& source, size_t k)
{
    return source.kept.empty() ? static_cast<unsigned>(k) : source.kept[k];
}

/* The points of source at least spacing from the last one kept, chunk by
   chunk; the first point of every chunk is kept. */
static void thin(const float* xyz, const DetailLevel& source, double spacing, DetailLevel* out)
{
    size_t chunks = source.chunk_first.size() - 1;
    out->radius = source.radius + spacing;
    out->kept.clear();
    out->chunk_first.resize(chunks + 1);
    for (size_t c = 0; c < chunks; ++c) {
        out->chunk_first[c] = out->kept.size();
        const float* last = nullptr;
        for (size_t k = source.chunk_first[c]; k < source.chunk_first[c + 1]; ++k) {
            unsigned point = source_point(source, k);
            const float* p = xyz + 3 * static_cast<size_t>(point);
            /* Not closer than spacing, NaN included: kept. */
            if (last == nullptr || !(distance(last, p) < spacing)) {
                out->kept.push_back(point);
                last = p;
            }
        }
    }
    out->chunk_first[chunks] = out->kept.size();
}

void build_point_levels(const float* xyz, size_t count, double coarsest, PointLevels* levels)
{
    build_base(xyz, count, levels);
    /* The numbers of kept points must fit an unsigned. */
    if (count < 2 || count > std::numeric_limits<unsigned>::max() || !(coarsest > 0) ||
        !std::isfinite(coarsest))
        return;
    double spacing = FIRST_SPACING_STEPS * mean_step(xyz, count);
    /* No finer than a level of MAX_LEVELS halvings below the coarsest. */
    if (!(spacing > ldexp(coarsest, -MAX_LEVELS)))
        spacing = ldexp(coarsest, -MAX_LEVELS);
    DetailLevel candidate;
    for (int tries = 0; tries < 2 * MAX_LEVELS; ++tries, spacing *= 2) {
        const DetailLevel& source = levels->levels.back();
        thin(xyz, source, spacing, &candidate);
        size_t from = level_point_count(*levels, static_cast<int>(levels->levels.size()) - 1);
        if (candidate.kept.size() <= MOST_KEPT_SHARE * static_cast<double>(from)) {
            candidate.kept.shrink_to_fit();
            levels->levels.push_back(candidate);
        }
        if (spacing >= coarsest || levels->levels.size() >= static_cast<size_t>(MAX_LEVELS))
            break;
    }
}

size_t level_point_count(const PointLevels& levels, int level)
{
    return level == 0 ? levels.count : levels.levels[level].kept.size();
}

/* Clip coordinates of a point. */
static void to_clip(const double m[16], double x, double y, double z, double clip[4])
{
    for (int r = 0; r < 4; ++r)
        clip[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
}

/* True when every corner of the box lies beyond one plane of the view
   volume: nothing of it can be in view. */
static bool box_outside(const double corners[8][4])
{
    for (int axis = 0; axis < 3; ++axis) {
        for (int side = -1; side <= 1; side += 2) {
            bool all_beyond = true;
            for (int i = 0; i < 8 && all_beyond; ++i)
                all_beyond = side * corners[i][axis] > corners[i][3];
            if (all_beyond)
                return true;
        }
    }
    return false;
}

static double row_length(const double m[16], int row)
{
    return sqrt(m[row] * m[row] + m[4 + row] * m[4 + row] + m[8 + row] * m[8 + row]);
}

/* The most pixels a unit of length inside the box can span in view.  A
   step d moves the window position by (d.row - (x/w) d.w_row) / w, times
   half the viewport, and a point in view has |x/w| <= 1 and w >= nearest. */
static double pixels_per_unit(const DetailView& view, double least_w)
{
    double w = least_w > view.nearest ? least_w : view.nearest;
    double across = row_length(view.clip, 3);
    double x = view.width / 2 * (row_length(view.clip, 0) + across);
    double y = view.height / 2 * (row_length(view.clip, 1) + across);
    return (x > y ? x : y) / w;
}

int chunk_level(const PointLevels& levels, size_t chunk, const DetailView& view, double pixels)
{
    const DetailBox& box = levels.boxes[chunk];
    if (box.min[0] > box.max[0])
        return -1;
    double corners[8][4];
    double least_w = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 8; ++i) {
        to_clip(view.clip, (i & 1) ? box.max[0] : box.min[0], (i & 2) ? box.max[1] : box.min[1],
                (i & 4) ? box.max[2] : box.min[2], corners[i]);
        least_w = corners[i][3] < least_w ? corners[i][3] : least_w;
    }
    if (box_outside(corners))
        return -1;
    double scale = pixels_per_unit(view, least_w);
    for (int level = static_cast<int>(levels.levels.size()) - 1; level > 0; --level)
        if (levels.levels[level].radius * scale <= pixels)
            return level;
    return 0;
}

void detail_runs(const PointLevels& levels, const DetailView& view, double pixels,
                 std::vector<DetailRun>* runs)
{
    runs->clear();
    for (size_t c = 0; c < levels.boxes.size(); ++c) {
        int level = chunk_level(levels, c, view, pixels);
        if (level < 0)
            continue;
        const DetailLevel& at = levels.levels[level];
        size_t first = at.chunk_first[c], end = at.chunk_first[c + 1];
        DetailRun* last = runs->empty() ? nullptr : &runs->back();
        if (last != nullptr && last->level == level && last->first + last->count == first)
            last->count += end - first;
        else
            runs->push_back(DetailRun{level, first, end - first});
    }
}
