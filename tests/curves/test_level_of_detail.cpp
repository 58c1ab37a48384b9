/*
 * The levels of detail as numbers: what each level keeps, the level a
 * known zoom draws, that no point of the track is further than the
 * tolerance from a drawn one in the window, and that leaving out the
 * chunks outside the view never leaves out a point in it.
 */
#include "curves/level_of_detail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <unordered_map>
#include <vector>

namespace {

/* A walk of count points with steps of about step, turning slowly (so
   that, as on a road, the points lie close together in the window), with
   pauses (runs of one point repeated) and a climb: as a receiver records. */
std::vector<float> walk(size_t count, double step, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<float> xyz;
    double x = 1000, y = -2000, z = 500, heading = 0;
    for (size_t i = 0; i < count; ++i) {
        bool paused = (i / 500) % 7 == 3;
        if (!paused) {
            heading += (unit(random) - 0.5) * 0.02;
            x += step * cos(heading) * (0.5 + unit(random));
            y += step * sin(heading) * (0.5 + unit(random));
            z += step * 0.05 * (unit(random) - 0.5);
        }
        xyz.push_back(static_cast<float>(x));
        xyz.push_back(static_cast<float>(y));
        xyz.push_back(static_cast<float>(z));
    }
    return xyz;
}

/* Column-major 4x4 matrices, as GL keeps them. */
struct Matrix {
    double m[16];
};

Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a.m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = sum;
        }
    return r;
}

Matrix perspective(double fovy_degrees, double aspect, double near_plane, double far_plane)
{
    double f = 1 / tan(fovy_degrees * M_PI / 360);
    Matrix p = {{f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0,
                 (far_plane + near_plane) / (near_plane - far_plane), -1, 0, 0,
                 2 * far_plane * near_plane / (near_plane - far_plane), 0}};
    return p;
}

Matrix orthographic(double half_width, double half_height, double near_plane, double far_plane)
{
    Matrix p = {{1 / half_width, 0, 0, 0, 0, 1 / half_height, 0, 0, 0, 0,
                 -2 / (far_plane - near_plane), 0, 0, 0,
                 -(far_plane + near_plane) / (far_plane - near_plane), 1}};
    return p;
}

/* The zoom of the wheel: the picture scaled about a point, after the projection. */
Matrix zoom(double scale, double offset_x, double offset_y)
{
    Matrix z = {{scale, 0, 0, 0, 0, scale, 0, 0, 0, 0, 1, 0, offset_x, offset_y, 0, 1}};
    return z;
}

/* The points' centre moved in front of the eye, at distance, scaled so
   that extent spans 2 units, tilted about x by tilt degrees. */
Matrix camera(const std::vector<float>& xyz, double distance, double tilt)
{
    double low[3] = {1e300, 1e300, 1e300}, high[3] = {-1e300, -1e300, -1e300};
    for (size_t i = 0; i < xyz.size(); ++i) {
        low[i % 3] = std::min(low[i % 3], static_cast<double>(xyz[i]));
        high[i % 3] = std::max(high[i % 3], static_cast<double>(xyz[i]));
    }
    double extent = std::max(high[0] - low[0], high[1] - low[1]);
    double s = 2 / extent, c = cos(tilt * M_PI / 180), n = sin(tilt * M_PI / 180);
    Matrix scale = {{s, 0, 0, 0, 0, s * c, s * n, 0, 0, -s * n, s * c, 0, 0, 0, 0, 1}};
    Matrix move = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -(low[0] + high[0]) / 2,
                    -(low[1] + high[1]) / 2, -(low[2] + high[2]) / 2, 1}};
    Matrix back = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -distance, 1}};
    return multiply(back, multiply(scale, move));
}

/* The zoom that puts point (a share of the way along the track) at
   (x, y) in normalised device units, scaled by scale. */
Matrix zoom_to(const Matrix& clip, const std::vector<float>& xyz, double share, double scale,
               double x, double y)
{
    size_t i = static_cast<size_t>(share * (xyz.size() / 3 - 1));
    double c[4];
    for (int r = 0; r < 4; ++r)
        c[r] = clip.m[r] * xyz[3 * i] + clip.m[4 + r] * xyz[3 * i + 1] +
               clip.m[8 + r] * xyz[3 * i + 2] + clip.m[12 + r];
    return multiply(zoom(scale, x - scale * c[0] / c[3], y - scale * c[1] / c[3]), clip);
}

DetailView view_of(const Matrix& clip, double nearest)
{
    DetailView view;
    for (int i = 0; i < 16; ++i)
        view.clip[i] = clip.m[i];
    view.width = view.height = 600;
    view.nearest = nearest;
    return view;
}

/* Window position of a point; false when it is outside the view volume. */
bool to_window(const DetailView& view, const float* p, double* x, double* y)
{
    double c[4];
    for (int r = 0; r < 4; ++r)
        c[r] = view.clip[r] * p[0] + view.clip[4 + r] * p[1] + view.clip[8 + r] * p[2] +
               view.clip[12 + r];
    if (!(c[3] > 0) || fabs(c[0]) > c[3] || fabs(c[1]) > c[3] || fabs(c[2]) > c[3])
        return false;
    *x = (c[0] / c[3] + 1) * view.width / 2;
    *y = (c[1] / c[3] + 1) * view.height / 2;
    return true;
}

size_t kept_point(const PointLevels& levels, int level, size_t k)
{
    return level == 0 ? k : levels.levels[level].kept[k];
}

/* How many points in view lie further than pixels from every drawn point
   (a point itself drawn is at distance 0); in_view counts those in view. */
size_t points_left_far(const std::vector<float>& xyz, const PointLevels& levels,
                       const DetailView& view, double pixels, size_t* in_view)
{
    std::vector<DetailRun> runs;
    detail_runs(levels, view, pixels, &runs);
    /* The drawn points by the window pixel they fall in. */
    std::unordered_map<long long, std::vector<std::pair<double, double>>> cells;
    auto key = [](long long cx, long long cy) { return cx * 1000003LL + cy; };
    for (const DetailRun& run : runs)
        for (size_t k = run.first; k < run.first + run.count; ++k) {
            double x, y;
            /* A drawn point outside the view still counts: GL draws what of it is in. */
            const float* p = &xyz[3 * kept_point(levels, run.level, k)];
            double c[4];
            for (int r = 0; r < 4; ++r)
                c[r] = view.clip[r] * p[0] + view.clip[4 + r] * p[1] + view.clip[8 + r] * p[2] +
                       view.clip[12 + r];
            if (!(c[3] > 0))
                continue;
            x = (c[0] / c[3] + 1) * view.width / 2;
            y = (c[1] / c[3] + 1) * view.height / 2;
            cells[key(static_cast<long long>(floor(x)), static_cast<long long>(floor(y)))]
                .push_back({x, y});
        }
    size_t far = 0;
    *in_view = 0;
    for (size_t i = 0; i < levels.count; ++i) {
        double x, y;
        if (!to_window(view, &xyz[3 * i], &x, &y))
            continue;
        ++*in_view;
        bool near = false;
        long long cx = static_cast<long long>(floor(x)), cy = static_cast<long long>(floor(y));
        for (long long dx = -1; dx <= 1 && !near; ++dx)
            for (long long dy = -1; dy <= 1 && !near; ++dy) {
                auto found = cells.find(key(cx + dx, cy + dy));
                if (found == cells.end())
                    continue;
                for (const auto& q : found->second)
                    if (hypot(q.first - x, q.second - y) <= pixels) {
                        near = true;
                        break;
                    }
            }
        if (!near)
            ++far;
    }
    return far;
}

size_t drawn_count(const PointLevels& levels, const DetailView& view, double pixels)
{
    std::vector<DetailRun> runs;
    detail_runs(levels, view, pixels, &runs);
    size_t drawn = 0;
    for (const DetailRun& run : runs)
        drawn += run.count;
    return drawn;
}

TEST(LevelsOfDetail, EachLevelKeepsEveryPointWithinItsRadiusAndFewerThanTheOneBelow)
{
    const size_t count = 3 * DETAIL_CHUNK_POINTS + 123; /* the last chunk not full */
    std::vector<float> xyz = walk(count, 5.0, 1);
    PointLevels levels;
    build_point_levels(xyz.data(), count, 2000.0, &levels);
    ASSERT_GE(levels.levels.size(), 3u);
    ASSERT_EQ(levels.boxes.size(), 4u);
    /* The last spacing is under twice the coarsest, and the radius under
       twice the last spacing. */
    EXPECT_LT(levels.levels.back().radius, 4 * 2000.0);
    size_t below = count, total = 0;
    for (size_t k = 1; k < levels.levels.size(); ++k) {
        const DetailLevel& level = levels.levels[k];
        EXPECT_LE(level.kept.size(), below) << k;
        EXPECT_GT(level.radius, levels.levels[k - 1].radius) << k;
        below = level.kept.size();
        total += below;
        for (size_t c = 0; c < levels.boxes.size(); ++c) {
            size_t first = c * DETAIL_CHUNK_POINTS;
            size_t end = std::min(first + DETAIL_CHUNK_POINTS, count);
            ASSERT_LT(level.chunk_first[c], level.chunk_first[c + 1]) << k << " " << c;
            EXPECT_EQ(level.kept[level.chunk_first[c]], first) << "a chunk keeps its first point";
            /* Every point of the chunk is within the radius of the last point
               kept at or before it. */
            size_t j = level.chunk_first[c];
            for (size_t i = first; i < end; ++i) {
                while (j + 1 < level.chunk_first[c + 1] && level.kept[j + 1] <= i)
                    ++j;
                const float* p = &xyz[3 * i];
                const float* q = &xyz[3 * level.kept[j]];
                double d = std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
                ASSERT_LE(d, level.radius * (1 + 1e-6)) << "level " << k << ", point " << i;
            }
        }
    }
    EXPECT_LE(total, count) << "the levels together hold no more points than the track";
}

TEST(LevelsOfDetail, TracksWithNothingToThinHaveOnlyTheFullLevel)
{
    const float nan = std::nanf("");
    struct Case {
        const char* name;
        std::vector<float> xyz;
        double coarsest;
        size_t chunks;
    } cases[] = {
        {"no point", {}, 1.0, 0},
        {"one point", {1, 2, 3}, 1.0, 1},
        {"no extent to thin by", {1, 2, 3, 4, 5, 6}, 0.0, 1},
        {"a spacing that is not a number", {1, 2, 3, 4, 5, 6}, nan, 1},
    };
    for (const Case& c : cases) {
        PointLevels levels;
        build_point_levels(c.xyz.data(), c.xyz.size() / 3, c.coarsest, &levels);
        EXPECT_EQ(levels.levels.size(), 1u) << c.name;
        EXPECT_EQ(levels.count, c.xyz.size() / 3) << c.name;
        EXPECT_EQ(levels.boxes.size(), c.chunks) << c.name;
    }
}

TEST(LevelsOfDetail, APointThatIsNotANumberIsKeptAndLeavesTheOthersThinned)
{
    std::vector<float> xyz = walk(2000, 1.0, 2);
    xyz[3 * 700] = std::nanf("");
    PointLevels levels;
    build_point_levels(xyz.data(), 2000, 100.0, &levels);
    ASSERT_GE(levels.levels.size(), 2u);
    const std::vector<unsigned>& kept = levels.levels.back().kept;
    EXPECT_LT(kept.size(), 200u);
    EXPECT_NE(std::find(kept.begin(), kept.end(), 700u), kept.end());
    for (int k = 0; k < 3; ++k)
        EXPECT_TRUE(std::isfinite(levels.boxes[0].min[k]) && std::isfinite(levels.boxes[0].max[k]));
}

TEST(LevelsOfDetail, TheWheelZoomDrawsFinerLevelsDownToEveryPoint)
{
    /* Orthographic, so that a unit spans the same pixels everywhere:
       300 pixels (half the window) for each unit of half_width. */
    std::vector<float> xyz = walk(20000, 1.0, 3);
    PointLevels levels;
    build_point_levels(xyz.data(), xyz.size() / 3, 100.0, &levels);
    ASSERT_GE(levels.levels.size(), 4u);
    Matrix base = multiply(orthographic(1, 1, 1, 15), camera(xyz, 8, 0));
    /* Zoomed about the first point, which stays in view. */
    double first[3];
    {
        DetailView start = view_of(base, 1.0);
        double x, y;
        ASSERT_TRUE(to_window(start, &xyz[0], &x, &y));
        first[0] = x / 300 - 1;
        first[1] = y / 300 - 1;
    }
    int last_level = static_cast<int>(levels.levels.size());
    size_t last_drawn = 0;
    for (double scale : {1.0, 4.0, 16.0, 64.0, 256.0, 4096.0}) {
        Matrix zoomed = zoom(scale, first[0] * (1 - scale), first[1] * (1 - scale));
        DetailView view = view_of(multiply(zoomed, base), 1.0);
        int level = chunk_level(levels, 0, view, 0.25);
        /* The coarsest whose radius is under a quarter pixel at the
           chunk's most: (300 px per unit) * scale * (the camera's scale). */
        double pixels_per_unit = 300 * scale * std::hypot(base.m[0], base.m[4], base.m[8]);
        int expected = 0;
        for (int k = static_cast<int>(levels.levels.size()) - 1; k > 0 && expected == 0; --k)
            if (levels.levels[k].radius * pixels_per_unit <= 0.25)
                expected = k;
        EXPECT_EQ(level, expected) << "zoom " << scale;
        EXPECT_LE(level, last_level) << "zoom " << scale;
        last_level = level;
        size_t in_view;
        EXPECT_EQ(points_left_far(xyz, levels, view, 0.25, &in_view), 0u) << "zoom " << scale;
        if (scale == 1.0)
            last_drawn = drawn_count(levels, view, 0.25);
    }
    EXPECT_EQ(last_level, 0) << "so near, every point is drawn";
    EXPECT_LT(last_drawn, xyz.size() / 3 / 4) << "the start view draws a share of the points";
}

TEST(LevelsOfDetail, NoPointInViewIsFurtherThanTheToleranceFromADrawnOne)
{
    /* Perspective views as the viewer's: the start view, tilted, zoomed in
       at the centre and off it, and an orthographic one. */
    std::vector<float> xyz = walk(200000, 3.0, 4);
    PointLevels levels;
    build_point_levels(xyz.data(), xyz.size() / 3, 400.0, &levels);
    Matrix eye = camera(xyz, 8, 0), tilted = camera(xyz, 8, 70);
    Matrix lens = perspective(30, 1, 1, 15);
    struct Case {
        const char* name;
        Matrix clip;
        double nearest;
    } cases[] = {
        {"start view", multiply(lens, eye), 1},
        {"tilted", multiply(lens, tilted), 1},
        {"zoomed 30x", zoom_to(multiply(lens, tilted), xyz, 0.5, 30, 0, 0), 1},
        {"zoomed 200x off the centre", zoom_to(multiply(lens, eye), xyz, 0.3, 200, 0.4, -0.3), 1},
        {"orthographic", multiply(orthographic(2, 2, 1, 15), tilted), 1},
    };
    for (const Case& c : cases) {
        DetailView view = view_of(c.clip, c.nearest);
        for (double pixels : {0.25, 0.5, 2.0}) {
            size_t in_view;
            EXPECT_EQ(points_left_far(xyz, levels, view, pixels, &in_view), 0u)
                << c.name << ", " << pixels << " px";
            EXPECT_GT(in_view, 100u) << c.name;
        }
        EXPECT_LT(drawn_count(levels, view, 2.0), drawn_count(levels, view, 0.25) + 1) << c.name;
    }
}

TEST(LevelsOfDetail, LeavingOutChunksOutsideTheViewNeverLeavesOutAPointInIt)
{
    /* Zoomed in 8x and panned so that the track runs off each edge of the
       window in turn, and reaches across the near and far planes. */
    std::vector<float> xyz = walk(100000, 3.0, 5);
    PointLevels levels;
    build_point_levels(xyz.data(), xyz.size() / 3, 400.0, &levels);
    Matrix lens = perspective(30, 1, 1, 15);
    struct Case {
        const char* name;
        double scale, x, y, distance; /* a point of the track zoomed to (x, y) */
    } cases[] = {
        {"left edge", 8, -1, 0, 8},
        {"right edge", 8, 1, 0, 8},
        {"top edge", 8, 0, 1, 8},
        {"bottom edge", 8, 0, -1, 8},
        {"corner", 8, 0.98, -0.98, 8},
        {"across the near plane", 1, 0, 0, 1.2},
        {"across the far plane", 1, 0, 0, 14.8},
    };
    for (const Case& c : cases) {
        Matrix clip =
            zoom_to(multiply(lens, camera(xyz, c.distance, 60)), xyz, 0.5, c.scale, c.x, c.y);
        DetailView view = view_of(clip, 1);
        size_t in_view = 0;
        EXPECT_EQ(points_left_far(xyz, levels, view, 0.25, &in_view), 0u) << c.name;
        EXPECT_GT(in_view, 100u) << c.name;
        EXPECT_LT(in_view, levels.count) << c.name << ": part of the track is out of view";
        EXPECT_LT(drawn_count(levels, view, 0.25), levels.count) << c.name;
    }
}

} // namespace
