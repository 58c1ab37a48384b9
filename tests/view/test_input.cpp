/*
 * test_input.cpp - the keyboard, mouse, motion and menu handlers driven
 * directly, in a real GL window for the GL state they change.
 */
#include "support/viewer_fixture.h"

#include "curves/curve_controls.h"
#include "view/display.h"
#include "view/input.h"
#include "view/viewer_state.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void start()
{
    start_viewer_window(600);
}

std::string press(unsigned char key)
{
    testing::internal::CaptureStdout();
    keyboard(key, 17, 23);
    return testing::internal::GetCapturedStdout();
}

/* The state a key may change, to compare before and after. */
struct Switches {
    bool lighting, lit, smooth, cartoon, alt, curves, skip;
    int material, polygon, family, index, mode;
    float thresh;
    bool operator==(const Switches& o) const
    {
        return lighting == o.lighting && lit == o.lit && smooth == o.smooth &&
               cartoon == o.cartoon && alt == o.alt && curves == o.curves && skip == o.skip &&
               material == o.material && polygon == o.polygon && family == o.family &&
               index == o.index && mode == o.mode && thresh == o.thresh;
    }
};

Switches switches()
{
    return {lighting_on,       glIsEnabled(GL_LIGHTING) == GL_TRUE,
            smooth_shading,    cartoon_rendering,
            alt_track_drawing, curves_shown,
            skip_mode_once,    material_counter,
            polygon_mode,      curve_family,
            curve_index,       view_mode,
            threshold};
}

TEST(Keyboard, KeysOutsideTheTableAndUpperCaseLettersDoNothing)
{
    start();
    for (unsigned char key :
         {'C', 'L', 'M', 'S', 'R', 'F', 'H', 'y', 'z', '0', '\x1b', '\x7f', '\xe9', '\0'}) {
        Switches before = switches();
        int redraws = redisplay_requests;
        EXPECT_EQ(press(key), "") << int(key);
        EXPECT_TRUE(switches() == before) << int(key);
        EXPECT_EQ(redisplay_requests, redraws) << int(key);
    }
}

TEST(Keyboard, HelpPrintsItsTenLines)
{
    start();
    EXPECT_EQ(press('h'), "F - draw in polygons\n"
                          "N - draw in normals\n"
                          "L - toggle lighting\n"
                          "M - toggle material\n"
                          "V - toggle perspetive\n"
                          "S - toggle smooth shading\n"
                          "C - toggle cartoon rendering\n"
                          "R - reset model\n"
                          "Q - quit program\n"
                          "\nTranslations and Transformations can accessed by right clicking");
}

TEST(Keyboard, LightingTwiceFromStartDisablesThenEnables)
{
    start();
    EXPECT_EQ(press('l'), "lighting disabled\n");
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(skip_mode_once);
    EXPECT_EQ(press('l'), "lighting enabled\n");
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    glDisable(GL_LIGHTING);
}

TEST(Keyboard, MaterialFromStartIsGreyThenRed)
{
    start();
    float diffuse[4];
    press('m');
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_FLOAT_EQ(diffuse[1], 1.0f);
    EXPECT_EQ(material_counter, 1);
    press('m');
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_FLOAT_EQ(diffuse[0], 0.9f);
    EXPECT_FLOAT_EQ(diffuse[1], 0.0f);
    float ambient[4];
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    EXPECT_FLOAT_EQ(ambient[0], 0.3f);
    material_counter = 0;
}

struct KeyCase {
    unsigned char key;
    const char* said;
    bool redraw;
};

TEST(Keyboard, EachKeyChangesItsSwitch)
{
    start();
    curve_index = 1;
    threshold = 10;
    /* A track of five frames, so that the curve index has room. */
    for (int i = 0; i < 5; ++i)
        frames.push_back(new_track_point());

    const KeyCase cases[] = {
        {'f', "", true},
        {'s', "toggling smooth shading\n", true},
        {'c', "", true},
        {'n', "", true},
        {'N', "", true},
        {'v', "", false},
        {'V', "", false},
        {'b', "", false},
        {'?', "", false},
        {'2', "", false},
        {'#', "", false},
        {'!', "", false},
        {'@', "", false},
        {'.', "curve index: 2\n", false},
        {'>', "curve index: 3\n", false},
        {'>', "curve index: 3\n", false},
        {',', "curve index: 2\n", false},
        {'<', "curve index: 1\n", false},
        {'+', "threshold: 11\n", false},
        {'=', "threshold: 12\n", false},
        {'-', "threshold: 11\n", false},
        {'_', "threshold: 10\n", false},
    };
    for (const KeyCase& c : cases) {
        int redraws = redisplay_requests;
        EXPECT_EQ(press(c.key), c.said) << c.key;
        EXPECT_EQ(redisplay_requests > redraws, c.redraw) << c.key;
    }
    EXPECT_EQ(polygon_mode, 2);
    EXPECT_FALSE(smooth_shading);
    EXPECT_FALSE(cartoon_rendering);
    EXPECT_FALSE(alt_track_drawing); /* toggled twice */
    EXPECT_FALSE(curves_shown);
    EXPECT_EQ(curve_family, 1);
    press('f');
    EXPECT_EQ(polygon_mode, 9);
    press('/');
    EXPECT_TRUE(curves_shown);
    press('B');
    EXPECT_FALSE(curves_shown);
    press('B');
    press('3');
    EXPECT_EQ(curve_family, 2);
    press('1');
    EXPECT_EQ(curve_family, 0);

    /* r resets the view and keeps the curve switches. */
    view_mode = MODE_MOVE;
    press('r');
    EXPECT_EQ(view_mode, MODE_ORBIT);
    EXPECT_TRUE(skip_mode_once);
    EXPECT_TRUE(curves_shown);
    curves_shown = false;
    curve_family = 0;
}

TEST(Mouse, CountsRowsFromTheBottomAndTracksTheLeftButtonOnly)
{
    start();
    testing::internal::CaptureStdout();
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 12, 0); /* top row */
    EXPECT_EQ(press_y, 599);
    EXPECT_TRUE(left_button_down);
    EXPECT_FALSE(left_button_up);
    mouse(GLUT_LEFT_BUTTON, GLUT_UP, 12, 0);
    EXPECT_TRUE(left_button_up);
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 34, 599); /* bottom row */
    EXPECT_EQ(press_x, 34);
    EXPECT_EQ(press_y, 0);
    mouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 50, 50);
    mouse(GLUT_RIGHT_BUTTON, GLUT_UP, 50, 50);
    EXPECT_EQ(press_x, 34);
    EXPECT_TRUE(left_button_down);
    int redraws = redisplay_requests;
    motion(100, 200);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "mouse clicked at 12 599\nmouse clicked at 34 0\nmouse moved at 100, 399\n");
    EXPECT_EQ(cur_x, 100);
    EXPECT_EQ(cur_y, 399);
    EXPECT_EQ(redisplay_requests, redraws + 1);
    mouse(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
}

struct MenuCase {
    int value;
    int mode;
};

TEST(Menus, EachValueSetsItsModeAndSkipsTheNextStep)
{
    start();
    const MenuCase right[] = {{1, MODE_MOVE}, {2, MODE_SCALE}, {3, MODE_ROTATE}};
    for (const MenuCase& c : right) {
        view_mode = MODE_ORBIT;
        skip_mode_once = false;
        right_button_menu(c.value);
        EXPECT_EQ(view_mode, c.mode) << c.value;
        EXPECT_TRUE(skip_mode_once) << c.value;
        view_mode = MODE_ORBIT;
        skip_mode_once = false;
        mode_menu(c.value);
        EXPECT_EQ(view_mode, c.mode) << c.value;
        EXPECT_TRUE(skip_mode_once) << c.value;
    }

    right_button_menu(4);
    EXPECT_FALSE(perspective_on);
    float m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[11], 0, 1e-6) << "orthographic at once";
    right_button_menu(4);
    EXPECT_TRUE(perspective_on);

    right_button_menu(5);
    EXPECT_EQ(polygon_mode, 2);
    right_button_menu(6);
    EXPECT_EQ(polygon_mode, 9);

    view_mode = MODE_SCALE;
    scale_factor = 3;
    skip_mode_once = false;
    right_button_menu(8);
    EXPECT_EQ(view_mode, MODE_ORBIT);
    EXPECT_EQ(scale_factor, 1);
    EXPECT_TRUE(skip_mode_once);

    skip_mode_once = false;
    right_button_menu(7); /* no such entry: nothing but the skip */
    EXPECT_EQ(view_mode, MODE_ORBIT);
    EXPECT_TRUE(skip_mode_once);
}

} // namespace
