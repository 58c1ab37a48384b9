/*
 * test_navigation.cpp - the wheel, the keys and the window's shape, in a
 * real window: a wheel step keeps the point under the pointer; a short
 * walk can fill the window; the arrows turn the track and a full turn
 * gives it back; u puts north up as maps do; a click without a drag moves
 * nothing in any mode; and tracks of every size and place are wholly in
 * view in wide, tall and square windows.
 */
#include "support/viewer_fixture.h"

#include "manip/zoom.h"
#include "track/load.h"
#include "view/input.h"

#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int SIZE = 600;

/* A straight line of `metres` from (lat, lon) at `bearing` degrees from
   north, a fix every second, drawn alone. */
void load_line(double lat, double lon, double metres, double bearing)
{
    load_track_text(SIZE, straight_track(lat, lon, metres, bearing, 61, 1, 3.0, 0.0));
    overlay_text[0] = '\0';
    panels_shown = false; /* the picture alone */
    reset_view();
}

struct Points {
    int count = 0;
    double mean_x = 0, mean_y = 0;
    int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
    int edge = 0; /* pixels not white on the window's outermost rows and columns */
    std::vector<std::pair<int, int>> at;
};

/* The pixels of one colour (red: the fixes; blue: the centre) as drawn now
   in a width x height window. */
Points look(bool blue, int width = SIZE, int height = SIZE)
{
    display();
    std::vector<unsigned char> px = read_pixels(GL_BACK, width, height);
    Points p;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* c = &px[(static_cast<size_t>(y) * width + x) * 3];
            bool white = c[0] == 255 && c[1] == 255 && c[2] == 255;
            if (!white && (x == 0 || y == 0 || x == width - 1 || y == height - 1))
                ++p.edge;
            bool wanted = blue ? (c[2] > 200 && c[0] < 40 && c[1] < 40)
                               : (c[0] > 200 && c[1] < 40 && c[2] < 40);
            if (!wanted)
                continue;
            ++p.count;
            p.mean_x += x;
            p.mean_y += y;
            p.left = std::min(p.left, x);
            p.right = std::max(p.right, x);
            p.bottom = std::min(p.bottom, y);
            p.top = std::max(p.top, y);
            p.at.push_back({x, y});
        }
    if (p.count > 0) {
        p.mean_x /= p.count;
        p.mean_y /= p.count;
    }
    return p;
}

/* A wheel step at a pixel counted from the bottom, as GLUT reports it. */
void wheel(bool in, int x, int y_from_bottom)
{
    mouse(in ? 3 : 4, GLUT_DOWN, x, SIZE - 1 - y_from_bottom);
    mouse(in ? 3 : 4, GLUT_UP, x, SIZE - 1 - y_from_bottom);
}

TEST(Navigation, AWheelStepKeepsThePointUnderThePointer)
{
    load_line(45.77, 14.36, 2000, 45);
    Points centre = look(true);
    ASSERT_GT(centre.count, 0);
    const int pointers[][2] = {{300, 300}, {420, 210}, {150, 480}};
    for (const auto& q : pointers) {
        reset_view();
        Points start = look(true);
        double k = 1;
        for (int step = 0; step < 4; ++step) {
            wheel(true, q[0], q[1]);
            k *= 1.25;
            Points now = look(true);
            double expect_x = q[0] + 0.5 + k * (start.mean_x - q[0] - 0.5);
            double expect_y = q[1] + 0.5 + k * (start.mean_y - q[1] - 0.5);
            if (expect_x < 0 || expect_x >= SIZE || expect_y < 0 || expect_y >= SIZE)
                break; /* the centre has left the window */
            EXPECT_NEAR(now.mean_x, expect_x, 2.0) << q[0] << "," << q[1] << " step " << step;
            EXPECT_NEAR(now.mean_y, expect_y, 2.0) << q[0] << "," << q[1] << " step " << step;
        }
        for (double zoomed = k; zoomed > 1.0001; zoomed /= 1.25)
            wheel(false, q[0], q[1]);
        Points back = look(true);
        EXPECT_NEAR(back.mean_x, start.mean_x, 1.0);
        EXPECT_NEAR(back.mean_y, start.mean_y, 1.0);
    }
}

/* Zooming in about the middle of a short walk until it spans the window. */
int extent(const Points& p)
{
    return p.count == 0 ? 0 : std::max(p.right - p.left, p.top - p.bottom);
}

TEST(Navigation, AFiftyMetreWalkCanFillTheWindow)
{
    load_line(45.77, 14.36, 50, 90);
    Points now = look(false);
    ASSERT_GT(now.count, 10);
    int steps = 0;
    while (extent(now) < SIZE * 0.9 && steps < 60) {
        wheel(true, (now.left + now.right) / 2, (now.bottom + now.top) / 2);
        now = look(false);
        ++steps;
    }
    EXPECT_GE(extent(now), SIZE * 0.9) << steps << " steps";
    EXPECT_GT(now.count, 50) << "the whole walk in the window";
    /* Page Up zooms about the middle as a wheel step does there. */
    reset_view();
    special_key(GLUT_KEY_PAGE_UP, 0, 0);
    EXPECT_DOUBLE_EQ(zoom_scale, ZOOM_STEP);
    special_key(GLUT_KEY_HOME, 0, 0);
    EXPECT_DOUBLE_EQ(zoom_scale, 1.0);
}

TEST(Navigation, ArrowsTurnTheTrackAndAFullTurnGivesItBack)
{
    load_line(45.77, 14.36, 2000, 45);
    Points start = look(false);
    for (int key : {GLUT_KEY_LEFT, GLUT_KEY_RIGHT, GLUT_KEY_UP, GLUT_KEY_DOWN}) {
        reset_view();
        special_key(key, 0, 0);
        Points turned = look(false);
        EXPECT_GT(std::abs(turned.right - turned.left - (start.right - start.left)) +
                      std::abs(turned.top - turned.bottom - (start.top - start.bottom)),
                  4)
            << key;
        for (int i = 1; i < 36; ++i)
            special_key(key, 0, 0);
        Points round = look(false);
        EXPECT_NEAR(round.mean_x, start.mean_x, 1.0) << key;
        EXPECT_NEAR(round.mean_y, start.mean_y, 1.0) << key;
    }
}

/* The direction of the red pixels' long axis, degrees from the window's
   right, counter-clockwise, in -90 .. 90. */
double line_angle(const Points& p)
{
    double sxx = 0, syy = 0, sxy = 0;
    for (const auto& xy : p.at) {
        double dx = xy.first - p.mean_x, dy = xy.second - p.mean_y;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    return 0.5 * atan2(2 * sxy, sxx - syy) * 180 / M_PI;
}

/* A line running north-east is drawn at 45 degrees with north up, one
   running north straight up, one running east across; seen from above,
   the line keeps its length in both. */
TEST(Navigation, UPutsNorthUpAsMapsDo)
{
    const struct {
        double lat, lon, bearing, degrees;
    } cases[] = {{45.77, 14.36, 45, 45}, {-37.85, 144.97, 45, 45}, {40.78, -73.97, 0, 90},
                 {0.5, 0.5, 90, 0},      {64.1, -21.9, 135, -45},  {-54.8, -68.3, 90, 0}};
    for (const auto& c : cases) {
        load_line(c.lat, c.lon, 2000, c.bearing);
        keyboard('u', 0, 0);
        Points p = look(false);
        ASSERT_GT(p.count, 20) << c.lat << " " << c.lon;
        double angle = line_angle(p), wanted = c.degrees;
        double off = std::fmod(std::abs(angle - wanted) + 180, 180);
        off = std::min(off, 180 - off);
        EXPECT_LT(off, 3.0) << c.lat << " " << c.lon << ": " << angle;
    }
}

/* A drag, then a press somewhere else without motion: nothing moves. */
TEST(Navigation, AClickWithoutADragChangesNothingInAnyMode)
{
    for (int mode : {MODE_ORBIT, MODE_MOVE, MODE_SCALE, MODE_ROTATE}) {
        load_line(45.77, 14.36, 2000, 45);
        view_mode = mode;
        mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 300, 300);
        display();
        for (int x = 310; x <= 350; x += 10) {
            motion(x, 300);
            display();
        }
        mouse(GLUT_LEFT_BUTTON, GLUT_UP, 350, 300);
        Points before = look(false);
        mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 500);
        Points pressed = look(false);
        mouse(GLUT_LEFT_BUTTON, GLUT_UP, 100, 500);
        Points after = look(false);
        for (const Points* p : {&pressed, &after}) {
            EXPECT_NEAR(p->mean_x, before.mean_x, 0.5) << "mode " << mode;
            EXPECT_NEAR(p->mean_y, before.mean_y, 0.5) << "mode " << mode;
            EXPECT_EQ(p->right - p->left, before.right - before.left) << "mode " << mode;
        }
    }
}

/* Tracks of every size and place, wholly in the window at start and after
   a reset, whatever its shape. */
TEST(Navigation, EveryTrackIsWhollyInViewInWideTallAndSquareWindows)
{
    const struct {
        const char* name;
        double lat, lon, metres, bearing;
    } tracks[] = {{"a 50 m walk", 45.77, 14.36, 50, 30},
                  {"a 40 km drive", 52.0, 4.36, 40000, 60},
                  {"near the north pole", 89.7, 20.0, 3000, 120},
                  {"across the antimeridian", -16.5, 179.98, 6000, 90},
                  {"a north-south line", 40.78, -73.97, 8000, 0}};
    const int shapes[][2] = {{600, 600}, {300, 600}, {200, 600}, {600, 300}, {200, 200}};
    for (const auto& t : tracks)
        for (const auto& shape : shapes)
            for (bool perspective : {true, false}) {
                load_line(t.lat, t.lon, t.metres, t.bearing);
                perspective_on = perspective;
                reshape(shape[0], shape[1]);
                Points start = look(false, shape[0], shape[1]);
                reset_view();
                Points reset = look(false, shape[0], shape[1]);
                for (const Points* p : {&start, &reset}) {
                    EXPECT_GT(p->count, 10) << t.name << " " << shape[0] << "x" << shape[1];
                    EXPECT_EQ(p->edge, 0) << t.name << " " << shape[0] << "x" << shape[1]
                                          << (perspective ? " perspective" : " orthographic");
                }
                perspective_on = true;
            }
}

} // namespace
