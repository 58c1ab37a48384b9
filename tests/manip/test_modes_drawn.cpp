/*
 * test_modes_drawn.cpp - the modes in a real GL window: the light set-up's
 * GL state, the trackball's accumulated rotation, and the drawn track
 * moving, growing and turning after Move, Scale and Rotate steps.
 */
#include "support/viewer_fixture.h"

#include "manip/lights.h"
#include "manip/modes.h"
#include "track/load.h"
#include "view/display.h"
#include "view/viewer_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

const int SIZE = 600;

void start()
{
    start_viewer_window(SIZE);
}

struct Extent {
    int count = 0;
    double mean_x = 0, mean_y = 0;
    int min_x = SIZE, max_x = -1, min_y = SIZE, max_y = -1;
};

Extent red_extent()
{
    std::vector<unsigned char> px = read_pixels(GL_BACK, SIZE, SIZE);
    Extent e;
    for (int y = 0; y < SIZE; ++y)
        for (int x = 0; x < SIZE; ++x) {
            const unsigned char* p = &px[(static_cast<size_t>(y) * SIZE + x) * 3];
            if (!(p[0] > 200 && p[1] < 60 && p[2] < 60))
                continue;
            ++e.count;
            e.mean_x += x;
            e.mean_y += y;
            e.min_x = std::min(e.min_x, x);
            e.max_x = std::max(e.max_x, x);
            e.min_y = std::min(e.min_y, y);
            e.max_y = std::max(e.max_y, y);
        }
    if (e.count > 0) {
        e.mean_x /= e.count;
        e.mean_y /= e.count;
    }
    return e;
}

/* An L-shaped track of 2 km arms near Cerknica, so that a turn shows. */
void load_l_track()
{
    std::string text;
    for (int i = 0; i <= 40; ++i) {
        char line[96];
        double lat = i <= 20 ? 45.75 + i * 0.0009 : 45.75 + 20 * 0.0009;
        double lon = i <= 20 ? 14.25 : 14.25 + (i - 20) * 0.0013;
        snprintf(line, sizeof line, "D=2010-08-05T14:%02d:00,P=%.7f %.7f,V=3\n", i, lat, lon);
        text += line;
    }
    std::string path = write_temp_file(text);
    reset_track_state();
    testing::internal::CaptureStdout();
    load_track(path.c_str());
    testing::internal::GetCapturedStdout();
    remove(path.c_str());
}

Extent draw_after_step(int mode, int from_x, int from_y, int to_x, int to_y)
{
    view_mode = mode;
    left_button_down = true;
    left_button_up = false;
    press_x = from_x;
    press_y = from_y;
    cur_x = to_x;
    cur_y = to_y;
    display();
    /* The camera, and with it Move's translation, is built before the step:
       the next frame shows it. That frame's step sees no further travel. */
    display();
    return red_extent();
}

TEST(ModesDrawn, MoveScaleAndRotateChangeTheDrawnTrackAsExpected)
{
    start();
    load_l_track();
    view_mode = 0; /* no step: the start picture */
    display();
    Extent before = red_extent();
    ASSERT_GT(before.count, 40);

    Extent moved = draw_after_step(MODE_MOVE, 300, 300, 360, 330);
    EXPECT_GT(moved.mean_x, before.mean_x + 20) << "moved right";
    EXPECT_GT(moved.mean_y, before.mean_y + 10) << "moved up";

    start_viewer_state(SIZE, SIZE);
    reshape(SIZE, SIZE);
    Extent scaled = draw_after_step(MODE_SCALE, 400, 300, 500, 300); /* 200 / 100: twice */
    EXPECT_NEAR(scale_factor, 2.0f, 0.02f);
    int width_before = before.max_x - before.min_x, width_after = scaled.max_x - scaled.min_x;
    EXPECT_GT(width_after, width_before * 1.7);

    start_viewer_state(SIZE, SIZE);
    reshape(SIZE, SIZE);
    Extent turned = draw_after_step(MODE_ROTATE, 300, 300, 300, 480); /* about -x */
    EXPECT_GT(std::fabs(turned.mean_y - before.mean_y) + std::fabs(turned.max_y - before.max_y) +
                  std::fabs(turned.min_y - before.min_y),
              10)
        << "the track turned";
    float m[16];
    memcpy(m, model_matrix, sizeof m);
    EXPECT_LT(m[5], 0.99f); /* y no longer maps to y */
}

TEST(ModesDrawn, ManySmallTrackballStepsKeepTheModelMatrixARotation)
{
    start();
    view_mode = MODE_ROTATE;
    for (int i = 0; i < 2000; ++i) {
        press_x = 300 + (i % 7);
        press_y = 300 + (i % 5);
        cur_x = press_x + 3;
        cur_y = press_y + 2 - (i % 3);
        display();
    }
    /* The columns stay of unit length and at right angles. */
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            double d = 0;
            for (int k = 0; k < 3; ++k)
                d += model_matrix[a * 4 + k] * model_matrix[b * 4 + k];
            EXPECT_NEAR(d, a == b ? 1.0 : 0.0, 1e-3) << a << " " << b;
        }
    for (float v : model_matrix)
        EXPECT_TRUE(std::isfinite(v));
}

TEST(LightMode, KeepsABoundOfExactlyTenAndSetsTheLightsUp)
{
    start();
    light0_x = 10.0f - 0.2f;
    press_x = cur_x = 300;
    press_y = cur_y = 300;
    left_button_down = true;
    left_button_up = false;
    cur_x = 315; /* doubled: +0.1 */
    light_step();
    EXPECT_NEAR(light0_x, 9.9f, 1e-5);
    press_x = 300;
    cur_x = 315;
    light0_x = 9.95f;
    light_step();
    EXPECT_EQ(light0_x, 9.95f) << "10.05 is out of range";
    EXPECT_EQ(light0_position[0], 9.95f);

    /* Cartoon rendering: the two coloured lights, light 0 off. */
    glEnable(GL_LIGHT0);
    cartoon_rendering = true;
    smooth_shading = false;
    setup_lights();
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    GLint shade;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_FLAT);
    float v[4];
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, v);
    EXPECT_FLOAT_EQ(v[2], -0.05f);
    glGetLightfv(GL_LIGHT2, GL_POSITION, v); /* under an identity modelview: as given */
    EXPECT_FLOAT_EQ(v[0], -3.0f);
    EXPECT_FLOAT_EQ(v[3], 0.0f);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));

    glEnable(GL_LIGHT1);
    cartoon_rendering = false;
    smooth_shading = true;
    setup_lights();
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT2));
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_SMOOTH);
    glGetLightfv(GL_LIGHT0, GL_SPECULAR, v);
    EXPECT_FLOAT_EQ(v[0], 0.8f);
    glGetLightfv(GL_LIGHT0, GL_POSITION, v);
    EXPECT_FLOAT_EQ(v[0], 9.95f);
    EXPECT_FLOAT_EQ(v[2], 1.5f);
}

} // namespace
