/*
 * test_heights_drawn.cpp - the relief in a real window: a straight climb
 * turned edge-on shows its slope, steeper when exaggerated; a track
 * without heights does not move.
 */
#include "support/viewer_fixture.h"

#include "track/heights.h"
#include "track/load.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int SIZE = 600;

/* A straight 2 km line to the north-east near Cerknica, climbing 300 m
   evenly when with_heights, else at no height of its own. */
void load_climb(bool with_heights)
{
    std::string text;
    const int fixes = 41;
    for (int i = 0; i < fixes; ++i) {
        double along = 2000.0 * i / (fixes - 1); /* metres */
        double lat = 45.75 + along * 0.7071 / 111200;
        double lon = 14.25 + along * 0.7071 / (111200 * std::cos(45.75 * M_PI / 180));
        char line[128];
        snprintf(line, sizeof line, "D=2010-08-05T14:%02d:00,P=%.7f %.7f,V=5", i, lat, lon);
        text += line;
        if (with_heights) {
            snprintf(line, sizeof line, ",A=%.1f", 100 + 300.0 * i / (fixes - 1));
            text += line;
        }
        text += "\n";
    }
    reset_track_state();
    std::istringstream in(text);
    testing::internal::CaptureStdout();
    load_track_stream(in, "climb.track");
    testing::internal::GetCapturedStdout();
}

struct Point {
    double x, y;
};

std::vector<Point> red_pixels()
{
    display();
    std::vector<unsigned char> px = read_pixels(GL_BACK, SIZE, SIZE);
    std::vector<Point> red;
    for (int y = 0; y < SIZE; ++y)
        for (int x = 0; x < SIZE; ++x) {
            const unsigned char* p = &px[(static_cast<size_t>(y) * SIZE + x) * 3];
            if (p[0] > 200 && p[1] < 60 && p[2] < 60)
                red.push_back({static_cast<double>(x), static_cast<double>(y)});
        }
    return red;
}

/* How far the points rise across their run, along a direction and its
   normal: the slope of the least-squares line in that frame. */
double slope_along(const std::vector<Point>& points, Point along)
{
    double su = 0, sv = 0, suu = 0, suv = 0, n = static_cast<double>(points.size());
    for (const Point& p : points) {
        double u = p.x * along.x + p.y * along.y;
        double v = -p.x * along.y + p.y * along.x;
        su += u;
        sv += v;
        suu += u * u;
        suv += u * v;
    }
    return std::fabs((n * suv - su * sv) / (n * suu - su * su));
}

/* Turns the model so that the camera sees the track from the side: its
   horizontal run along the screen's x, the local vertical up the screen's
   y.  The model matrix M turns the world before the camera's turn C, so
   M = C^T Q^T, where Q holds the run, the vertical and their cross
   product as columns. */
void turn_edge_on()
{
    const TrackPoint* first = frames.front();
    const TrackPoint* last = frames.back();
    double up[3] = {raw_centre_x, raw_centre_y, raw_centre_z}; /* the radial, near enough */
    double run[3] = {last->view_x - first->view_x, last->view_y - first->view_y,
                     last->view_z - first->view_z};
    double up_length = std::sqrt(up[0] * up[0] + up[1] * up[1] + up[2] * up[2]);
    for (double& v : up)
        v /= up_length;
    double climb = run[0] * up[0] + run[1] * up[1] + run[2] * up[2];
    for (int i = 0; i < 3; ++i)
        run[i] -= climb * up[i];
    double run_length = std::sqrt(run[0] * run[0] + run[1] * run[1] + run[2] * run[2]);
    for (double& v : run)
        v /= run_length;
    double across[3] = {run[1] * up[2] - run[2] * up[1], run[2] * up[0] - run[0] * up[2],
                        run[0] * up[1] - run[1] * up[0]};
    const double* q[3] = {run, up, across}; /* columns of Q */
    const float* c = camera_matrix;         /* column-major: C(i, j) = c[j * 4 + i] */
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double m = 0;
            for (int k = 0; k < 3; ++k)
                m += c[i * 4 + k] * q[k][j]; /* C(k, i) Q(j, k) */
            model_matrix[j * 4 + i] = static_cast<float>(m);
        }
}

void restore_view()
{
    start_viewer_state(SIZE, SIZE);
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        model_matrix[i] = identity[i];
    view_mode = 0; /* no mode step: the picture moves only as the test says */
}

TEST(HeightsDrawn, AClimbEdgeOnShowsItsSlopeAndExaggerationSteepensIt)
{
    start_viewer_window(SIZE);
    load_climb(true);
    restore_view();
    red_pixels(); /* the camera of the start view */
    turn_edge_on();
    const Point along = {1, 0};
    std::vector<Point> edge_on = red_pixels();
    ASSERT_GT(edge_on.size(), 30u);
    double slope_1x = slope_along(edge_on, along);
    EXPECT_NEAR(slope_1x, 300.0 / 2000, 0.04) << "300 m up over 2 km";

    testing::internal::CaptureStdout();
    exaggerate_heights(8);
    testing::internal::GetCapturedStdout();
    double slope_8x = slope_along(red_pixels(), along);
    EXPECT_NEAR(slope_8x, 8 * 300.0 / 2000, 0.25) << "eight times as steep";
    printf("the climb edge-on: slope %.3f at 1x, %.3f at 8x\n", slope_1x, slope_8x);
    exaggerate_heights(1);
    restore_view();
}

TEST(HeightsDrawn, ATrackWithoutHeightsIsTheSamePictureAtAnyExaggeration)
{
    start_viewer_window(SIZE);
    load_climb(false);
    restore_view();
    red_pixels();
    turn_edge_on();
    std::vector<unsigned char> before = (display(), read_pixels(GL_BACK, SIZE, SIZE));
    testing::internal::CaptureStdout();
    exaggerate_heights(8);
    testing::internal::GetCapturedStdout();
    std::vector<unsigned char> after = (display(), read_pixels(GL_BACK, SIZE, SIZE));
    EXPECT_TRUE(before == after);
    EXPECT_LT(slope_along(red_pixels(), {1, 0}), 0.01) << "a flat line, edge-on";
    exaggerate_heights(1);
    restore_view();
}

} // namespace
