/*
 * test_modes.cpp - the manipulation modes and the trackball, as plain
 * arithmetic over the view state, without a window.
 */
#include "support/viewer_fixture.h"

#include "manip/mode_step.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

void start(int width = 600, int height = 600)
{
    start_viewer_state(width, height);
}

/* A pointer move since the last step, in pixels counted from the bottom. */
void pointer(int from_x, int from_y, int to_x, int to_y)
{
    press_x = from_x;
    press_y = from_y;
    cur_x = to_x;
    cur_y = to_y;
}

void hold_button(bool held)
{
    left_button_down = held;
    left_button_up = !held;
}

TEST(PointerNormalisation, MapsTheWindowToAboutMinusOneToOneStretchedByTheAspect)
{
    start(600, 600);
    EXPECT_NEAR(normalized_pointer_y(0), -1.0f, 0.004);
    EXPECT_NEAR(normalized_pointer_y(599), 1.0f, 0.004);
    EXPECT_FLOAT_EQ(normalized_pointer_y(300), 1.0f / 600);
    EXPECT_NEAR(normalized_pointer_x(0), -1.0f, 0.004);
    start(800, 400);
    EXPECT_NEAR(normalized_pointer_x(0), -2.0f, 0.006);
    EXPECT_NEAR(normalized_pointer_x(799), 2.0f, 0.006);
    EXPECT_NEAR(normalized_pointer_y(399), 1.0f, 0.006);
    start(0, 0); /* before the first reshape: finite */
    EXPECT_TRUE(std::isfinite(normalized_pointer_x(10)));
    EXPECT_TRUE(std::isfinite(normalized_pointer_y(10)));
}

struct StillCase {
    int mode;
    const char* name;
};

TEST(Modes, WithoutPointerMotionNothingChanges)
{
    const StillCase cases[] = {{MODE_ZOOM, "zoom"}, {MODE_MOVE, "move"}, {MODE_ORBIT, "orbit"}};
    for (const StillCase& c : cases) {
        start();
        view_mode = c.mode;
        pointer(120, 340, 120, 340);
        pan_x = 0.25f;
        zoom_x = 1.5f;
        eye_z = 6.0f - 1.5f;
        orbit_step(); /* brings eye_z to the orbit's value at the start angles */
        float before[] = {pan_x, pan_y, zoom_x,        zoom_y,         eye_x,
                          eye_y, eye_z, orbit_azimuth, orbit_elevation};
        for (int step = 0; step < 5; ++step)
            apply_view_mode();
        if (c.mode == MODE_ZOOM)
            before[6] = 6.0f - 1.5f; /* zoom sets eye_z from the kept zoom */
        float after[] = {pan_x, pan_y, zoom_x,        zoom_y,         eye_x,
                         eye_y, eye_z, orbit_azimuth, orbit_elevation};
        for (size_t i = 0; i < sizeof before / sizeof before[0]; ++i)
            EXPECT_EQ(after[i], before[i]) << c.name << " value " << i;
    }
}

TEST(LookMode, KeepsDriftingByTheLookOffsetAndPrintsTheEye)
{
    start();
    pointer(100, 100, 100, 100);
    hold_button(true);
    look_x = 0.5f;
    look_y = -0.25f;
    testing::internal::CaptureStdout();
    look_step();
    look_step();
    std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(eye_x, -1.0f);
    EXPECT_EQ(eye_y, 0.5f);
    EXPECT_EQ(said, "ex = -0.500000, ey = 0.250000\nex = -1.000000, ey = 0.500000\n");
}

TEST(MoveMode, PutsBackEachAxisThatWouldLeaveTheRangeOnItsOwn)
{
    start();
    hold_button(true);
    pan_x = 99.9f;
    pan_y = 5.0f;
    pointer(300, 300, 330, 330); /* 0.1 each way, doubled: pan_x would pass 100 */
    move_step();
    EXPECT_EQ(pan_x, 99.9f);
    EXPECT_NEAR(pan_y, 5.2f, 1e-5);
    EXPECT_EQ(press_x, 330);

    /* Released: the step is undone. */
    hold_button(false);
    pointer(300, 300, 360, 360);
    move_step();
    EXPECT_NEAR(pan_y, 5.2f, 1e-5);
}

TEST(ZoomMode, PutsBackBothWhenTheirSumWouldLeaveTheRange)
{
    start();
    zoom_x = 60;
    zoom_y = 39.9f;
    pointer(300, 300, 330, 300); /* 0.2 more in x */
    zoom_step();
    EXPECT_EQ(zoom_x, 60);
    EXPECT_EQ(zoom_y, 39.9f);
    EXPECT_FLOAT_EQ(eye_z, 6.0f - 99.9f);
    pointer(300, 300, 270, 300);
    zoom_step();
    EXPECT_NEAR(zoom_x, 59.8f, 1e-4);
    EXPECT_NEAR(eye_z, 6.0f - 99.7f, 1e-4);
}

struct ScaleCase {
    const char* name;
    float base;
    int to_x; /* the press is at x 450 on the middle row; the centre is x 300 */
    float factor;
};

TEST(ScaleMode, FollowsTheDistanceRatioFromThePressWithinItsLimits)
{
    const ScaleCase cases[] = {
        {"twice as far", 1.0f, 600, 2.0f},
        {"three times with base 2 is clamped", 2.0f, 749, 4.0f},
        {"a tenth is clamped", 1.0f, 315, 0.2f},
        {"back to the press", 1.5f, 450, 1.5f},
    };
    for (const ScaleCase& c : cases) {
        start();
        scale_base = c.base;
        scale_factor = c.base;
        hold_button(true);
        pointer(450, 300, c.to_x, 300);
        scale_step();
        EXPECT_NEAR(scale_factor, c.factor, 0.02f) << c.name;
        /* On release the factor becomes the base of the next drag. */
        hold_button(false);
        scale_step();
        EXPECT_EQ(scale_base, scale_factor) << c.name;
    }
}

TEST(ScaleMode, APressRightOnTheCentreKeepsTheFactor)
{
    start();
    window_width = window_height = 601; /* pixel 300 is then exactly the centre */
    scale_base = scale_factor = 1.5f;
    hold_button(true);
    pointer(300, 300, 500, 300);
    scale_step();
    EXPECT_EQ(scale_factor, 1.5f);
    EXPECT_TRUE(std::isfinite(scale_factor));
}

TEST(OrbitMode, StartsFromTheStartAnglesAndFollowsTheDrag)
{
    start();
    pointer(200, 200, 200, 200);
    orbit_step();
    EXPECT_FLOAT_EQ(eye_z, 6.0f * sinf(90.0f));
    EXPECT_FLOAT_EQ(orbit_eye_x, cosf(90.0f) * 6.0f);
    EXPECT_EQ(eye_x, 0); /* the orbit does not feed the eye's x and y */
    pointer(200, 200, 260, 170);
    orbit_step();
    EXPECT_NEAR(orbit_azimuth, 90.2f, 1e-4);
    EXPECT_NEAR(orbit_elevation, 0.1f, 1e-4);
    EXPECT_NEAR(eye_z, sinf(90.2f) * cosf(0.1f) * 6, 1e-5);
    EXPECT_EQ(press_x, 260);
}

TEST(Trackball, LiftsTheCentreToThePoleAndFarPointsOntoTheRim)
{
    float out[3];
    lift_to_sphere(0, 0, out);
    EXPECT_EQ(out[2], 1.0f);
    lift_to_sphere(2, 0, out);
    EXPECT_FLOAT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[2], 0.0f);
    lift_to_sphere(-1.2f, 1.6f, out);
    EXPECT_FLOAT_EQ(out[0], -0.6f);
    EXPECT_FLOAT_EQ(out[1], 0.8f);
    lift_to_sphere(0.6f, 0, out);
    EXPECT_FLOAT_EQ(out[2], 0.8f);
}

TEST(Trackball, ADragTurnsByTwiceTheArcAboutTheAxisAcrossIt)
{
    start(601, 601);                  /* pixel 300 is the centre */
    pointer(300, 300, 300 + 90, 300); /* to x = 180 / 601 */
    trackball_step();
    double expected = 2 * std::asin(180.0 / 601) * 180 / M_PI;
    EXPECT_NEAR(trackball_angle, expected, 1e-3);
    EXPECT_NEAR(trackball_axis_x, 0, 1e-6);
    EXPECT_GT(trackball_axis_y, 0); /* a drag to the right turns about +y */
    EXPECT_NEAR(trackball_axis_z, 0, 1e-6);

    pointer(300, 300, 300, 300 - 150); /* down by 300 / 601 */
    trackball_step();
    EXPECT_NEAR(trackball_angle, 2 * std::asin(300.0 / 601) * 180 / M_PI, 1e-3);
    EXPECT_GT(trackball_axis_x, 0);

    /* No motion: no axis, no angle, no NaN. */
    pointer(123, 456, 123, 456);
    trackball_step();
    EXPECT_EQ(trackball_angle, 0);
    EXPECT_EQ(trackball_axis_x, 0);
}

} // namespace
