/*
 * test_display.cpp - viewer state, reset, the display cycle, the
 * projection and the frame counter, in a real GL window.
 */
#include "support/viewer_fixture.h"

#include "curves/curve_controls.h"
#include "manip/modes.h"
#include "track/load.h"
#include "view/display.h"
#include "view/input.h"
#include "view/viewer_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

const int SIZE = 600;
const float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void start()
{
    start_viewer_window(SIZE);
}

/* m (column-major) times (x, y, z, 1). */
void transform(const float m[16], const double in[3], double out[4])
{
    for (int row = 0; row < 4; ++row)
        out[row] = m[row] * in[0] + m[4 + row] * in[1] + m[8 + row] * in[2] + m[12 + row];
}

bool is_identity(const float m[16])
{
    for (int i = 0; i < 16; ++i)
        if (std::fabs(m[i] - IDENTITY[i]) > 1e-6f)
            return false;
    return true;
}

TEST(ResetView, SetsTheStartViewAndKeepsTheUsersSwitches)
{
    start();
    /* Change everything that reset sets, and everything it keeps. */
    view_mode = 3;
    model_matrix[1] = 0.5f;
    pan_x = 4;
    look_y = 2;
    scale_factor = 3;
    zoom_x = 7;
    scale_base = 2;
    light0_x = -4;
    orbit_azimuth = 1;
    eye_x = 9;
    trackball_angle = 12;
    lighting_on = false;
    polygon_mode = 2;
    perspective_on = false;
    cartoon_rendering = false;
    smooth_shading = false;
    left_button_down = true;
    left_button_up = false;
    press_x = cur_y = 40;
    material_counter = 3;
    alt_track_drawing = true;
    curves_shown = true;
    curve_family = 2;
    curve_index = 4;
    threshold = 13;
    centre_z = 7.25;

    reset_view();

    EXPECT_EQ(view_mode, MODE_ORBIT);
    EXPECT_TRUE(is_identity(model_matrix));
    EXPECT_EQ(pan_x, 0);
    EXPECT_EQ(look_y, 0);
    EXPECT_EQ(scale_factor, 1);
    EXPECT_EQ(zoom_x, 0);
    EXPECT_EQ(scale_base, 1);
    EXPECT_EQ(light0_x, 1);
    EXPECT_EQ(orbit_azimuth, 90.0f);
    EXPECT_EQ(eye_x, 0);
    EXPECT_FLOAT_EQ(eye_z, 6.0f * sinf(90.0f));
    EXPECT_NEAR(eye_z, 5.36398, 1e-5);
    EXPECT_EQ(look_z, 7.25f);
    EXPECT_EQ(trackball_angle, 0);
    EXPECT_TRUE(lighting_on);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(polygon_mode, 9);
    EXPECT_TRUE(perspective_on);
    EXPECT_TRUE(cartoon_rendering);
    EXPECT_TRUE(smooth_shading);
    EXPECT_FALSE(left_button_down);
    EXPECT_TRUE(left_button_up);
    EXPECT_EQ(press_x, 0);
    EXPECT_EQ(cur_y, 0);
    EXPECT_TRUE(skip_mode_once);

    EXPECT_EQ(material_counter, 3);
    EXPECT_TRUE(alt_track_drawing);
    EXPECT_TRUE(curves_shown);
    EXPECT_EQ(curve_family, 2);
    EXPECT_EQ(curve_index, 4);
    EXPECT_EQ(threshold, 13);
    EXPECT_EQ(window_width, SIZE);

    curve_index = 1;
    threshold = 10;
    alt_track_drawing = curves_shown = false;
    curve_family = 0;
    centre_z = 0;
}

TEST(Display, SkipsTheModeStepOnceWhenAsked)
{
    start();
    view_mode = MODE_ROTATE; /* its step copies the pointer into the press point */
    cur_x = 10;
    cur_y = 20;
    skip_mode_once = true;
    display();
    EXPECT_FALSE(skip_mode_once);
    EXPECT_EQ(press_x, 0);
    display();
    EXPECT_EQ(press_x, 10);
    EXPECT_EQ(press_y, 20);
    init_viewer_state();
}

TEST(Display, TheRotateStepTurnsTheModelOnceAndDoesNotDrift)
{
    start();
    view_mode = MODE_ROTATE;
    press_x = press_y = cur_y = 300;
    cur_x = 390; /* a drag to the right: a turn about +y */
    display();
    EXPECT_EQ(trackball_angle, 0);
    EXPECT_EQ(press_x, 390);
    double turn = 2 * std::asin(0.3); /* to a float's precision of the pointer */
    EXPECT_NEAR(model_matrix[0], std::cos(turn), 2e-3);
    EXPECT_NEAR(model_matrix[8], std::sin(turn), 2e-3);
    EXPECT_NEAR(model_matrix[5], 1, 1e-6);
    float after_first[16];
    memcpy(after_first, model_matrix, sizeof after_first);
    display();
    EXPECT_EQ(memcmp(after_first, model_matrix, sizeof after_first), 0);
    init_viewer_state();
    memcpy(model_matrix, IDENTITY, sizeof IDENTITY);
}

TEST(Display, TheCameraStandsEightUnitsFromTheCentreOnItsLineOfSight)
{
    start();
    const double centres[][3] = {{7.59, 4.90, 7.40}, {0.2, 0.1, 0.05}, {9.9, 9.9, 9.9}, {0, 0, 0}};
    for (const auto& c : centres) {
        centre_x = c[0];
        centre_y = c[1];
        centre_z = c[2];
        display();
        /* The centre lies straight ahead of the eye, 8 units away. */
        double eye_space[4];
        transform(camera_matrix, c, eye_space);
        EXPECT_NEAR(eye_space[0], 0, 1e-5) << c[0];
        EXPECT_NEAR(eye_space[1], 0, 1e-5) << c[0];
        EXPECT_NEAR(eye_space[2], -8, 1e-5) << c[0];
        /* And the eye on the line from the origin through the centre. */
        double eye[3];
        camera_eye(c[0], c[1], c[2], eye);
        double length = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_NEAR(eye[axis], length > 0 ? c[axis] * (1 + 8 / length) : (axis == 2 ? 8 : 0),
                        1e-9);
    }
    /* Move mode's translation comes before the camera. */
    centre_x = centre_y = centre_z = 0;
    pan_x = 0.5f;
    display();
    const double origin[3] = {0, 0, 0};
    double moved[4];
    transform(camera_matrix, origin, moved);
    EXPECT_NEAR(moved[0], 0.5, 1e-6);
    pan_x = 0;
}

void projection(float m[16])
{
    glGetFloatv(GL_PROJECTION_MATRIX, m);
}

TEST(Reshape, BuildsThePerspectiveOrTheOrthographicProjection)
{
    start();
    float m[16];
    reshape(800, 400);
    projection(m);
    double f = 1 / tan(15.0 * M_PI / 180);
    EXPECT_NEAR(m[0], f / 2, 1e-5); /* aspect 2 */
    EXPECT_NEAR(m[5], f, 1e-5);
    EXPECT_NEAR(m[10], -(15.0 + 1) / (15 - 1), 1e-5);
    EXPECT_NEAR(m[11], -1, 1e-6);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 400);
    EXPECT_EQ(window_width, 800);
    EXPECT_EQ(window_height, 400);

    /* The switch alone changes nothing; the next reshape does. */
    perspective_on = false;
    float before[16];
    projection(before);
    display();
    projection(m);
    EXPECT_EQ(memcmp(before, m, sizeof m), 0);
    reshape(800, 400);
    projection(m);
    EXPECT_NEAR(m[0], 2.0 / 8, 1e-6); /* x from -4 to 4 */
    EXPECT_NEAR(m[5], 2.0 / 4, 1e-6);
    EXPECT_NEAR(m[11], 0, 1e-6);
    perspective_on = true;
}

TEST(Reshape, AWindowOfNoHeightGetsAFiniteProjection)
{
    start();
    for (bool perspective : {true, false}) {
        perspective_on = perspective;
        reshape(600, 0);
        float m[16];
        projection(m);
        for (float v : m)
            EXPECT_TRUE(std::isfinite(v)) << perspective;
        EXPECT_EQ(window_height, 0);
    }
    perspective_on = true;
    reshape(SIZE, SIZE);
}

struct CountStep {
    float now;
    const char* overlay; /* after the call */
};

TEST(CountFrames, ReportsAtMostOnceASecondAndStartsAgainFromZero)
{
    fps_frame_count = 0;
    fps_last_report = 0;
    overlay_text[0] = '\0';
    const CountStep steps[] = {
        {0.2f, ""},
        {0.5f, ""},
        {1.0f, ""}, /* exactly one second is not past it */
        {1.01f, "Current Frames Per Second: 4"},
        {1.5f, "Current Frames Per Second: 4"},
        {2.0f, "Current Frames Per Second: 4"},
        {2.2f, "Current Frames Per Second: 3"},
        {9.0f, "Current Frames Per Second: 1"}, /* after a stall: one report, not several */
        {9.5f, "Current Frames Per Second: 1"},
    };
    for (const CountStep& step : steps) {
        count_frames_at(step.now);
        EXPECT_STREQ(overlay_text, step.overlay) << "at " << step.now;
    }
    EXPECT_EQ(fps_frame_count, 1);
    EXPECT_EQ(fps_last_report, 9.0f);
}

} // namespace
