/*
 * test_replay.cpp - the replay in the real viewer's window: two pictures
 * a second apart while it plays show the magenta marker moved by what the
 * rate, the speed and the picture's scale make, and none while paused.
 */
#include "support/kestrim_run.h"

#include "track/clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

const double SAY_SECONDS = 20.0;
const double METRES = 20000, SPEED = 10; /* north, a fix a second */
const double RATE = 240;                 /* 60x, twice doubled */

std::string write_ride(const std::string& dir)
{
    std::string path = dir + "/north.track";
    FILE* out = fopen(path.c_str(), "w");
    if (out == nullptr)
        return "";
    int fixes = static_cast<int>(METRES / SPEED) + 1;
    for (int i = 0; i < fixes; ++i)
        fputs(track_line(1280000000 + i, 46.0 + i * SPEED / 111132.0, 14.5, 22.369, NAN).c_str(),
              out);
    fclose(out);
    return path;
}

struct Shot {
    double at = 0, spread = 0; /* the middle of the capture, half its length */
    int marker = 0;            /* magenta pixels */
    double x = 0, y = 0;       /* their centre */
    double track_pixels = 0;   /* the red line's length */
};

Shot shoot(KestrimRun* run)
{
    Shot s;
    E2eImage image;
    double before = monotonic_seconds();
    EXPECT_TRUE(e2e_screenshot(run->display.d, run->window, &image));
    double after = monotonic_seconds();
    s.at = (before + after) / 2;
    s.spread = (after - before) / 2;
    int left = image.width, right = -1, bottom = image.height, top = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            E2eRgb p = e2e_pixel(image, x, y);
            if (p.r > 200 && p.g < 60 && p.b > 200) {
                ++s.marker;
                s.x += x;
                s.y += y;
            } else if (e2e_is_red(p)) {
                left = std::min(left, x);
                right = std::max(right, x);
                bottom = std::min(bottom, y);
                top = std::max(top, y);
            }
        }
    if (s.marker > 0) {
        s.x /= s.marker;
        s.y /= s.marker;
    }
    if (right >= 0)
        s.track_pixels = std::hypot(right - left, top - bottom);
    return s;
}

/* Two pictures a second apart, after settle seconds. */
void shoot_twice(KestrimRun* run, double settle, Shot* first, Shot* second)
{
    e2e_sleep(settle);
    *first = shoot(run);
    e2e_sleep(1.0);
    *second = shoot(run);
}

TEST(Replay, PlayingTheMarkerMovesAsTheRateSaysAndPausedItStands)
{
    E2eTempDir dir("kestrim-replay");
    std::string track = write_ride(dir.path);
    ASSERT_FALSE(track.empty());
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {track})) << run.viewer.p.out;
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "o")); /* the picture alone */
    ASSERT_TRUE(key_said(&run, "space", "replay: playing at 60x\n", SAY_SECONDS))
        << run.viewer.p.out;
    ASSERT_TRUE(key_said(&run, "bracketright", "replay rate: 120x\n", SAY_SECONDS));
    ASSERT_TRUE(key_said(&run, "bracketright", "replay rate: 240x\n", SAY_SECONDS));
    Shot first, second;
    shoot_twice(&run, 0.5, &first, &second);
    ASSERT_GT(first.marker, 40);
    ASSERT_GT(second.marker, 40);
    ASSERT_GT(first.track_pixels, 100);
    /* The line is drawn METRES long in track_pixels; the marker rides
       RATE * SPEED metres a second. */
    double pixels_a_second = first.track_pixels / METRES * RATE * SPEED;
    double expected = pixels_a_second * (second.at - first.at);
    double slack = pixels_a_second * (first.spread + second.spread) + 0.25 * expected + 3;
    double moved = std::hypot(second.x - first.x, second.y - first.y);
    EXPECT_NEAR(moved, expected, slack) << "in " << second.at - first.at << " s";

    ASSERT_TRUE(key_said(&run, "space", "replay: paused\n", SAY_SECONDS));
    Shot third, fourth;
    shoot_twice(&run, 0.3, &third, &fourth);
    EXPECT_GT(third.marker, 40);
    EXPECT_EQ(third.marker, fourth.marker);
    EXPECT_NEAR(third.x, fourth.x, 0.01) << "paused, the marker stands";
    EXPECT_NEAR(third.y, fourth.y, 0.01);
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "q"));
    int code = -1;
    EXPECT_TRUE(e2e_wait_exit(&run.viewer.p, SAY_SECONDS, &code));
    EXPECT_EQ(code, 0);
    expect_no_sanitizer_report(run);
}

} // namespace
