/*
 * test_curve_drawing.cpp - the track and curve drawings in a real GL
 * window under a private Xvfb, read back pixel by pixel.
 */
#include "support/track_state.h"

#include "curves/curve_controls.h"
#include "curves/curve_drawing.h"
#include "curves/curve_fitting.h"
#include "support/gl_window.h"
#include "track/load.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const int SIZE = 200;

void open_test_window()
{
    open_gl_window(SIZE);
}

/* A track along X whose fixes are `spacing` metres apart, fitted. */
void load_even_track(int n, double spacing)
{
    reset_track_state();
    for (int i = 0; i < n; ++i) {
        TrackPoint* p = new_track_point();
        p->ecef_x = 4321000.0 + i * spacing;
        p->ecef_y = 1097000.0 + i * spacing * 0.5;
        p->ecef_z = 4545000.0;
        if (!display_anchor_is_set())
            set_display_anchor(p->ecef_x, p->ecef_y, p->ecef_z);
        p->view_x = to_display_x(p->ecef_x);
        p->view_y = to_display_y(p->ecef_y);
        p->view_z = to_display_z(p->ecef_z);
        frames.push_back(p);
    }
    testing::internal::CaptureStdout();
    fit_track_curves();
    compute_centre();
    testing::internal::GetCapturedStdout();
    ++track_generation; /* as a load does: the drawing makes its arrays anew */
}

/* Clears to white and looks at the track's display box from straight above. */
void begin_frame()
{
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    double x0 = frames.front()->view_x, x1 = frames.back()->view_x;
    double y0 = frames.front()->view_y, y1 = frames.back()->view_y;
    double margin = 0.1 * (x1 - x0);
    glOrtho(x0 - margin, x1 + margin, y0 - margin - (x1 - x0) / 4, y1 + margin + (x1 - x0) / 4,
            -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

struct Counts {
    int white = 0, other = 0;
    std::vector<int> near; /* per colour asked for */
};

Counts read_back(const std::vector<E2eRgb>& colours, int tolerance = 2)
{
    std::vector<unsigned char> pixels = read_pixels(GL_BACK, SIZE, SIZE);
    Counts counts;
    counts.near.assign(colours.size(), 0);
    for (size_t i = 0; i < pixels.size(); i += 3) {
        unsigned char r = pixels[i], g = pixels[i + 1], b = pixels[i + 2];
        if (r == 255 && g == 255 && b == 255) {
            ++counts.white;
            continue;
        }
        bool matched = false;
        for (size_t c = 0; c < colours.size(); ++c)
            if (abs(r - colours[c].r) <= tolerance && abs(g - colours[c].g) <= tolerance &&
                abs(b - colours[c].b) <= tolerance) {
                ++counts.near[c];
                matched = true;
            }
        if (!matched)
            ++counts.other;
    }
    return counts;
}

const E2eRgb RED = {255, 0, 0}, GREEN = {0, 255, 0}, BLUE = {0, 0, 255}, YELLOW = {255, 255, 0};

TEST(CurveDrawing, RawFramesAreRedPoints)
{
    open_test_window();
    load_even_track(20, 10.0);
    begin_frame();
    draw_raw_frames();
    Counts counts = read_back({RED});
    EXPECT_GE(counts.near[0], 20 * 4 - 8); /* 2x2 pixels a point; the ends may clip */
    EXPECT_EQ(counts.other, 0);
}

TEST(CurveDrawing, ACurveListTakesTheColourOfItsSpeedBandAndFollowsTheThreshold)
{
    open_test_window();
    load_even_track(20, 10.0); /* samples 11.18 m apart: frame distance 22.4 */
    threshold = 15.0f;         /* s in [T, 2T): from yellow towards green */
    begin_frame();
    draw_curve_family(1);
    Counts first = read_back({RED, GREEN, YELLOW});
    /* Only the two end samples, which have no neighbours and so distance 0, are red. */
    EXPECT_EQ(first.near[0], 2 * 4);
    EXPECT_GT(first.other, 16 * 4 - 8); /* (2T - s)/T = 0.51 red, 1 green: no pure colour */

    threshold = 10.0f; /* s in [2T, 3T): green with a little blue */
    begin_frame();
    draw_curve_family(1);
    /* Samples sit on float coordinates, a fraction of a metre off the line,
       so their distances, and with them the blue, vary a little. */
    std::vector<E2eRgb> greenish = {{0, 255, 60}};
    Counts second = read_back(greenish, 30);
    EXPECT_GE(second.near[0], 16 * 4 - 8) << "inner samples in the third band";
}

TEST(CurveDrawing, TheCentreOfGravityIsABluePoint)
{
    open_test_window();
    load_even_track(20, 10.0);
    begin_frame();
    draw_centre_of_gravity();
    Counts counts = read_back({BLUE});
    EXPECT_GE(counts.near[0], 9); /* a point of size 4 */
    EXPECT_EQ(counts.other, 0);
}

TEST(CurveDrawing, TheBesselSegmentIsDrawnOnlyForFramesThatHaveATable)
{
    open_test_window();
    load_even_track(6, 10.0);
    const E2eRgb BLACK = {0, 0, 0};
    const struct {
        int index;
        bool drawn;
    } cases[] = {{0, false}, {1, true}, {3, true}, {4, false}, {5, false}};
    for (const auto& c : cases) {
        curve_index = c.index;
        begin_frame();
        draw_bessel_segment();
        EXPECT_EQ(read_back({BLACK}).near[0] > 0, c.drawn) << "curve index " << c.index;
    }
    curve_index = 1;
}

} // namespace
