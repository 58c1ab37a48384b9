/*
 * test_interaction.cpp - the real kestrim driven as a user would: keys,
 * left drags, both pop-up menus, sent with xdotool to its window under
 * Xvfb, and judged by the transcript and by what the window shows.
 */
#include "support/kestrim_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

const double SETTLE_SECONDS = 0.6; /* the display cycle runs continuously */
const double SAY_SECONDS = 10.0;

/* A real recorded track in the track format: the Central Park ride
   converted with the project's style, or the bundled sample. */
std::string real_track()
{
    static std::string path;
    if (!path.empty())
        return path;
    std::string gpx = source_path("../shared/data/tracks/ride-newyork-west.gpx");
    static E2eTempDir dir("kestrim-ride"); /* removed at exit */
    std::string track = dir.path + "/ride-newyork-west.track";
    if (access(gpx.c_str(), R_OK) == 0 &&
        e2e_run(nullptr,
                {"gpsbabel", "-t", "-i", "gpx", "-f", gpx, "-x", "track,speed", "-o",
                 "xcsv,style=" + source_path("data/kestrim.style"), "-F", track},
                60)) {
        path = track;
    } else {
        path = source_path("data/walk-short.track");
    }
    return path;
}

/* Where the track's red points are. */
struct TrackPixels {
    int count = 0;
    double mean_x = 0, mean_y = 0;
    E2eGeometry box;
    int band_coloured = 0; /* pixels of the speed bands other than red and blue */
};

TrackPixels look(KestrimRun* run)
{
    e2e_sleep(SETTLE_SECONDS);
    E2eImage image;
    TrackPixels t;
    EXPECT_TRUE(e2e_screenshot(run->display.d, run->window, &image));
    int min_x = image.width, min_y = image.height, max_x = -1, max_y = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            E2eRgb p = e2e_pixel(image, x, y);
            if (p.g > 100 && !(p.r > 200 && p.b > 200))
                ++t.band_coloured; /* yellow, green, cyan: no raw frame is drawn so */
            if (!e2e_is_red(p))
                continue;
            ++t.count;
            t.mean_x += x;
            t.mean_y += y;
            min_x = std::min(min_x, x);
            max_x = std::max(max_x, x);
            min_y = std::min(min_y, y);
            max_y = std::max(max_y, y);
        }
    if (t.count > 0) {
        t.mean_x /= t.count;
        t.mean_y /= t.count;
        t.box = {min_x, min_y, max_x - min_x + 1, max_y - min_y + 1};
    }
    return t;
}

void choose(KestrimRun* run, int button, int entry)
{
    E2eOffset offset = e2e_menu_entry_offset(entry);
    ASSERT_TRUE(
        e2e_menu_choose(run->display.d, run->window, button, 300, 300, offset.dx, offset.dy));
}

void drag(KestrimRun* run, int x0, int y0, int x1, int y1)
{
    ASSERT_TRUE(e2e_drag(run->display.d, run->window, 1, x0, y0, x1, y1, 12));
}

void expect_exit_zero(KestrimRun* run)
{
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&run->viewer.p, 20, &code));
    EXPECT_EQ(code, 0);
    expect_no_sanitizer_report(*run);
}

TEST(Interaction, KeysPrintTheirMessagesInOrder)
{
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {real_track()})) << run.viewer.p.out;
    size_t start = run.viewer.p.out.size();
    ASSERT_TRUE(key_said(&run, "h", "right clicking"));
    ASSERT_TRUE(key_said(&run, "l", "lighting disabled\n"));
    ASSERT_TRUE(key_said(&run, "l", "lighting enabled\n"));
    ASSERT_TRUE(key_said(&run, "period", "curve index: 2\n"));
    ASSERT_TRUE(key_said(&run, "period", "curve index: 3\n"));
    ASSERT_TRUE(key_said(&run, "comma", "curve index: 2\n"));
    ASSERT_TRUE(key_said(&run, "plus", "threshold: 11\n"));
    ASSERT_TRUE(key_said(&run, "minus", "threshold: 10\n"));
    ASSERT_TRUE(key_said(&run, "s", "toggling smooth shading\n"));
    ASSERT_TRUE(key_said(&run, "C", ""));
    ASSERT_TRUE(key_said(&run, "b", ""));
    ASSERT_TRUE(key_said(&run, "2", ""));
    ASSERT_TRUE(key_said(&run, "underscore", "threshold: 9\n"));
    ASSERT_TRUE(key_said(&run, "x", "height exaggeration: 2x\n"));
    ASSERT_TRUE(key_said(&run, "x", "height exaggeration: 4x\n"));
    ASSERT_TRUE(key_said(&run, "X", "height exaggeration: 2x\n"));
    ASSERT_TRUE(key_said(&run, "X", "height exaggeration: 1x\n"));
    ASSERT_TRUE(key_said(&run, "X", "height exaggeration: 1x\n")); /* never below */
    EXPECT_EQ(run.viewer.p.out.substr(start),
              "F - draw in polygons\nN - draw in normals\nL - toggle lighting\n"
              "M - toggle material\nV - toggle perspetive\nS - toggle smooth shading\n"
              "C - toggle cartoon rendering\nR - reset model\nQ - quit program\n"
              "\nTranslations and Transformations can accessed by right clicking"
              "lighting disabled\nlighting enabled\n"
              "curve index: 2\ncurve index: 3\ncurve index: 2\n"
              "threshold: 11\nthreshold: 10\ntoggling smooth shading\nthreshold: 9\n"
              "height exaggeration: 2x\nheight exaggeration: 4x\nheight exaggeration: 2x\n"
              "height exaggeration: 1x\nheight exaggeration: 1x\n");
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "q"));
    expect_exit_zero(&run);
}

TEST(Interaction, CurveKeysShowTheSpeedBands)
{
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {real_track()})) << run.viewer.p.out;
    TrackPixels raw = look(&run);
    ASSERT_GT(raw.count, 100);
    EXPECT_EQ(raw.band_coloured, 0);
    ASSERT_TRUE(key_said(&run, "b", ""));
    for (const char* family : {"1", "2", "3"}) {
        ASSERT_TRUE(key_said(&run, family, ""));
        TrackPixels curves = look(&run);
        EXPECT_GT(curves.band_coloured, 50) << "curve family key " << family;
        EXPECT_LT(curves.count, raw.count) << "fewer red points than the raw track";
    }
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "Q"));
    expect_exit_zero(&run);
}

TEST(Interaction, MoveScaleRotateAndResetChangeThePictureAsChosen)
{
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {real_track()})) << run.viewer.p.out;
    TrackPixels start = look(&run);
    ASSERT_GT(start.count, 100);

    /* The default orbit mode moves only the overlay's camera. */
    drag(&run, 300, 300, 360, 340);
    TrackPixels orbited = look(&run);
    EXPECT_NEAR(orbited.mean_x, start.mean_x, 1.0);
    EXPECT_NEAR(orbited.mean_y, start.mean_y, 1.0);
    EXPECT_TRUE(e2e_wait_output(&run.viewer.p, "mouse clicked at 300 299\n", SAY_SECONDS));
    EXPECT_TRUE(e2e_wait_output(&run.viewer.p, "mouse moved at 360, 259\n", SAY_SECONDS));

    choose(&run, 3, 0); /* Move */
    drag(&run, 300, 300, 380, 250);
    TrackPixels moved = look(&run);
    EXPECT_GT(moved.mean_x, start.mean_x + 40) << "moved right";
    EXPECT_LT(moved.mean_y, start.mean_y - 25) << "moved up (rows count down)";

    choose(&run, 3, 2); /* Reset */
    TrackPixels reset = look(&run);
    EXPECT_NEAR(reset.mean_x, start.mean_x, 1.0);
    EXPECT_NEAR(reset.mean_y, start.mean_y, 1.0);
    EXPECT_EQ(reset.box.width, start.box.width);

    choose(&run, 3, 1);             /* Scale */
    drag(&run, 400, 300, 500, 300); /* from 100 to 200 pixels off the centre */
    TrackPixels scaled = look(&run);
    EXPECT_GT(scaled.box.width, start.box.width * 1.6);

    choose(&run, 3, 2); /* Reset */
    choose(&run, 2, 2); /* Rotate, from the middle button's menu */
    drag(&run, 300, 300, 300, 200);
    TrackPixels turned = look(&run);
    double change = std::fabs(turned.box.height - start.box.height) +
                    std::fabs(turned.mean_y - start.mean_y) +
                    std::fabs(turned.box.width - start.box.width);
    EXPECT_GT(change, 10) << "the track turned about the horizontal axis";

    choose(&run, 3, 3); /* Exit */
    expect_exit_zero(&run);
}

/* A press without motion after a drag, with the pointer moved meanwhile
   with no button held (GLUT sees no motion then): it starts a new drag
   where the pointer is, and changes nothing by itself. */
TEST(Interaction, AClickWithoutADragLeavesThePictureWhereItIs)
{
    const struct {
        const char* mode;
        int menu_button, entry; /* 0: the start mode */
    } modes[] = {{"orbit", 0, 0}, {"Move", 3, 0}, {"Scale", 3, 1}, {"Rotate", 2, 2}};
    for (const auto& m : modes) {
        KestrimRun run;
        ASSERT_TRUE(start_kestrim(&run, {real_track()})) << run.viewer.p.out;
        if (m.menu_button != 0)
            choose(&run, m.menu_button, m.entry);
        drag(&run, 300, 300, 350, 300);
        TrackPixels before = look(&run);
        ASSERT_TRUE(e2e_move(run.display.d, run.window, 100, 500));
        ASSERT_TRUE(e2e_click(run.display.d, 1));
        TrackPixels after = look(&run);
        EXPECT_NEAR(after.mean_x, before.mean_x, 1.0) << m.mode;
        EXPECT_NEAR(after.mean_y, before.mean_y, 1.0) << m.mode;
        EXPECT_NEAR(after.box.width, before.box.width, 2) << m.mode;
        EXPECT_NEAR(after.box.height, before.box.height, 2) << m.mode;
        ASSERT_TRUE(e2e_key(run.display.d, run.window, "q"));
        expect_exit_zero(&run);
    }
}

/* The mean place of the pure blue pixels: the centre of gravity's dot. */
bool blue_dot(KestrimRun* run, double* x, double* y)
{
    e2e_sleep(SETTLE_SECONDS);
    E2eImage image;
    if (!e2e_screenshot(run->display.d, run->window, &image))
        return false;
    double sx = 0, sy = 0;
    int n = 0;
    for (int py = 0; py < image.height; ++py)
        for (int px = 0; px < image.width; ++px) {
            E2eRgb p = e2e_pixel(image, px, py);
            if (p.b > 200 && p.r < 40 && p.g < 40) {
                sx += px;
                sy += py;
                ++n;
            }
        }
    if (n == 0)
        return false;
    *x = sx / n;
    *y = sy / n;
    return true;
}

/* Wheel steps about a point of the window: the centre's dot moves away
   from the pointer by the zoom, as far as the steps say, and as many steps
   back bring it home; the track grows. */
TEST(Interaction, TheWheelZoomsAboutThePointer)
{
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {real_track()})) << run.viewer.p.out;
    ASSERT_TRUE(key_said(&run, "o", "")); /* no panel over the track */
    TrackPixels start = look(&run);
    double x0, y0;
    ASSERT_TRUE(blue_dot(&run, &x0, &y0));
    int px = static_cast<int>(x0) + 60, py = static_cast<int>(y0) - 45;
    ASSERT_TRUE(e2e_move(run.display.d, run.window, px, py));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(e2e_click(run.display.d, 4)); /* the wheel up, as X sends it */
    double k = 1.25 * 1.25 * 1.25, x1, y1;
    ASSERT_TRUE(blue_dot(&run, &x1, &y1));
    EXPECT_NEAR(x1, px + 0.5 + k * (x0 - px - 0.5), 2.0);
    EXPECT_NEAR(y1, py + 0.5 + k * (y0 - py - 0.5), 2.0);
    EXPECT_GT(look(&run).box.width, start.box.width * 1.6);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(e2e_click(run.display.d, 5));
    double x2, y2;
    ASSERT_TRUE(blue_dot(&run, &x2, &y2));
    EXPECT_NEAR(x2, x0, 1.0);
    EXPECT_NEAR(y2, y0, 1.0);
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "q"));
    expect_exit_zero(&run);
}

} // namespace
