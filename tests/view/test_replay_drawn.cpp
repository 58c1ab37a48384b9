/*
 * test_replay_drawn.cpp - the replay's marker in a real window: nothing
 * of it before the replay starts, a magenta marker that stands still and
 * leaves the frame unchanged while paused, that moves toward the end of
 * the track while playing, and that stays at the middle of the window
 * while followed.
 */
#include "support/gl_window.h"
#include "support/viewer_fixture.h"

#include "track/clock.h"
#include "track/replay.h"
#include "view/display.h"
#include "view/input.h"

#include <gtest/gtest.h>

#include <GL/glut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int SIZE = 600;

/* Ten minutes north at 10 m/s, a fix a second, the panels off. */
void load_ride()
{
    load_track_text(SIZE, straight_track(46.0, 14.5, 6000, 0, 601, 1, 22.4, 0.0));
    overlay_text[0] = '\0';
    panels_shown = false;
    reset_view();
    replay_following = false;
    replay_rate = REPLAY_START_RATE;
}

std::string press(unsigned char key)
{
    testing::internal::CaptureStdout();
    keyboard(key, 0, 0);
    return testing::internal::GetCapturedStdout();
}

struct Marker {
    int count = 0;
    double x = 0, y = 0;
    std::vector<unsigned char> pixels;
};

/* The frame as display() draws it now, and its magenta pixels. */
Marker look()
{
    display();
    Marker m;
    m.pixels = read_pixels(GL_BACK, SIZE, SIZE);
    for (int y = 0; y < SIZE; ++y)
        for (int x = 0; x < SIZE; ++x) {
            const unsigned char* c = &m.pixels[(static_cast<size_t>(y) * SIZE + x) * 3];
            if (c[0] > 200 && c[1] < 60 && c[2] > 200) {
                ++m.count;
                m.x += x;
                m.y += y;
            }
        }
    if (m.count > 0) {
        m.x /= m.count;
        m.y /= m.count;
    }
    return m;
}

/* Where the last fix is drawn, in window pixels. */
void last_fix_at(double* x, double* y)
{
    double modelview[16], projection[16], z;
    GLint viewport[4];
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMultMatrixf(camera_matrix);
    apply_scene_transform();
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glPopMatrix();
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const TrackPoint* p = frames.back();
    gluProject(p->view_x, p->view_y, p->view_z, modelview, projection, viewport, x, y, &z);
}

TEST(ReplayDrawn, NothingBeforeItStartsAndAPausedFrameIsTheSameFrame)
{
    load_ride();
    EXPECT_EQ(look().count, 0) << "no marker before the replay has started";
    EXPECT_EQ(press(' '), "replay: playing at 60x\n");
    look();
    e2e_sleep(0.1);
    look();
    EXPECT_EQ(press(' '), "replay: paused\n");
    Marker first = look();
    double paused_at = replay_time;
    EXPECT_GT(paused_at, 0);
    e2e_sleep(0.3);
    Marker second = look();
    EXPECT_GT(first.count, 40) << "a marker of nine pixels across, and its trail";
    EXPECT_EQ(replay_time, paused_at);
    EXPECT_TRUE(first.pixels == second.pixels) << "paused, nothing of the frame changes";
}

TEST(ReplayDrawn, PlayingTheMarkerMovesTowardTheEndByTheRate)
{
    load_ride();
    press(']');
    press(']'); /* 240x: a minute of the ride in a quarter of a second */
    press(' ');
    double outer_start = monotonic_seconds();
    Marker start = look();
    double before = replay_time, inner_start = monotonic_seconds();
    e2e_sleep(0.1);
    double inner_end = monotonic_seconds();
    Marker later = look();
    double outer_end = monotonic_seconds();
    double moved = replay_time - before;
    /* The time between the two frames' steps lies between the inner and
       the outer spans, and a step is a quarter of a second at most. */
    EXPECT_GE(moved, 240 * std::min(inner_end - inner_start, 0.25) * 0.999);
    EXPECT_LE(moved, 240 * std::min(outer_end - outer_start, 0.25) * 1.001);
    double end_x, end_y;
    last_fix_at(&end_x, &end_y);
    ASSERT_GT(start.count, 0);
    ASSERT_GT(later.count, 0);
    EXPECT_LT(std::hypot(later.x - end_x, later.y - end_y),
              std::hypot(start.x - end_x, start.y - end_y))
        << "toward the last fix";
    press(' ');
}

TEST(ReplayDrawn, FollowedTheMarkerStaysInTheMiddleOfTheWindow)
{
    load_ride();
    press('}');
    EXPECT_EQ(press('g'), "replay: the view follows the marker\n");
    for (double share : {0.1, 0.5, 0.9}) {
        replay_time = share * replay_duration();
        Marker m = look();
        ASSERT_GT(m.count, 0) << share;
        EXPECT_NEAR(m.x, SIZE / 2.0, 4) << share;
        EXPECT_NEAR(m.y, SIZE / 2.0, 4) << share;
    }
    EXPECT_EQ(press('g'), "replay: the view stays\n");
    replay_time = 0.1 * replay_duration();
    Marker m = look();
    EXPECT_GT(std::hypot(m.x - SIZE / 2.0, m.y - SIZE / 2.0), 20) << "the track's centre again";
}

} // namespace
