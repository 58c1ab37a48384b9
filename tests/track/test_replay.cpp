/*
 * test_replay.cpp - the replay's moments against the exact answer on a
 * straight line ridden at one speed and on a circle, its rates and jumps,
 * pauses in the recording crossed at once, and fixes out of time order
 * played in file order and reported once.
 */
#include "support/kestrim_run.h"
#include "support/track_state.h"

#include "track/frame_fixes.h"
#include "track/load.h"
#include "track/replay.h"
#include "track/statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

const double START = 1280000000; /* 2010-07-24 19:33:20 UTC */
const double METRES_PER_DEGREE = 111200;

struct Fix {
    double seconds;     /* after START */
    double north, east; /* metres from 45 N 14 E */
    double mph;
};

std::string line_of(const Fix& f)
{
    double lat = 45 + f.north / METRES_PER_DEGREE;
    double lon = 14 + f.east / (METRES_PER_DEGREE * cos(45 * M_PI / 180));
    return track_line(START + f.seconds, lat, lon, f.mph, 300.0);
}

/* Loads the fixes; returns what the load said. */
std::string load_fixes(const std::vector<Fix>& fixes)
{
    std::string text;
    for (const Fix& f : fixes)
        text += line_of(f);
    reset_track_state();
    std::istringstream in(text);
    testing::internal::CaptureStdout();
    load_track_stream(in, "replay.track");
    prepare_replay();
    return testing::internal::GetCapturedStdout();
}

double distance(const double a[3], const double b[3])
{
    return std::sqrt(std::pow(a[0] - b[0], 2) + std::pow(a[1] - b[1], 2) +
                     std::pow(a[2] - b[2], 2));
}

void ecef_of(size_t i, double xyz[3])
{
    xyz[0] = frames[i]->ecef_x;
    xyz[1] = frames[i]->ecef_y;
    xyz[2] = frames[i]->ecef_z;
}

/* A straight line north at 10 m/s, a fix every 2 s. */
std::vector<Fix> straight_line(int fixes)
{
    std::vector<Fix> line;
    for (int i = 0; i < fixes; ++i)
        line.push_back({2.0 * i, 20.0 * i, 0, 22.369});
    return line;
}

TEST(Replay, OnAStraightLineAtOneSpeedTheMarkerIsWhereTheClockSays)
{
    load_fixes(straight_line(50));
    ASSERT_EQ(frames.size(), 50u);
    EXPECT_DOUBLE_EQ(replay_duration(), 98.0);
    for (double t : {0.0, 0.5, 1.0, 13.25, 47.9, 60.0, 97.0, 97.999, 98.0}) {
        ReplayMoment m;
        ASSERT_TRUE(replay_moment(t, &m));
        /* The exact place: t * 10 m along the line, between fixes t / 2 apart. */
        size_t i = std::min(static_cast<size_t>(t / 2), frames.size() - 2);
        double u = t / 2 - i, a[3], b[3], exact[3];
        ecef_of(i, a);
        ecef_of(i + 1, b);
        for (int k = 0; k < 3; ++k)
            exact[k] = a[k] + u * (b[k] - a[k]);
        /* The curve's coefficients are floats: half a metre this far out. */
        EXPECT_LT(distance(m.ecef, exact), 0.6) << t;
        EXPECT_NEAR(m.utc, START + t, 1e-6) << t;
        double along = 0;
        for (size_t k = 0; k < i; ++k) {
            double p[3], q[3];
            ecef_of(k, p);
            ecef_of(k + 1, q);
            along += distance(p, q);
        }
        EXPECT_NEAR(m.metres, along + u * distance(a, b), 1e-6) << t;
        EXPECT_NEAR(m.speed, 10.0, 0.01) << t;
        EXPECT_NEAR(m.height, 300.0, 1e-9) << t;
    }
    ReplayMoment before, after;
    replay_moment(-5, &before);
    replay_moment(500, &after);
    EXPECT_NEAR(before.utc, START, 1e-9) << "clamped to the first fix";
    EXPECT_NEAR(after.utc, START + 98, 1e-9) << "and to the last";
}

TEST(Replay, OnACircleTheMarkerKeepsToTheCircleAtTheAngleTheClockSays)
{
    /* 72 fixes 5 degrees apart round a circle of 300 m, 10 s apart. */
    const double radius = 300, step = 5 * M_PI / 180;
    std::vector<Fix> circle;
    for (int i = 0; i <= 72; ++i)
        circle.push_back({10.0 * i, radius * cos(i * step), radius * sin(i * step), 5.86});
    load_fixes(circle);
    ASSERT_EQ(frames.size(), 73u);
    /* The centre and the circle's plane from the fixes themselves. */
    double centre[3] = {0, 0, 0};
    for (size_t i = 0; i < 72; ++i) {
        double p[3];
        ecef_of(i, p);
        for (int k = 0; k < 3; ++k)
            centre[k] += p[k] / 72;
    }
    double e1[3], e2[3], p0[3], p18[3];
    ecef_of(0, p0);
    ecef_of(18, p18);
    for (int k = 0; k < 3; ++k) {
        e1[k] = (p0[k] - centre[k]) / radius;
        e2[k] = (p18[k] - centre[k]) / radius;
    }
    /* The inner frames have cubics; the first segment is a chord. */
    for (double t = 10; t <= 700; t += 3.7) {
        ReplayMoment m;
        ASSERT_TRUE(replay_moment(t, &m));
        double d[3] = {m.ecef[0] - centre[0], m.ecef[1] - centre[1], m.ecef[2] - centre[2]};
        double x = d[0] * e1[0] + d[1] * e1[1] + d[2] * e1[2];
        double y = d[0] * e2[0] + d[1] * e2[1] + d[2] * e2[2];
        double angle = atan2(y, x);
        double want = remainder(t / 10 * step, 2 * M_PI);
        /* The fitted cubic's handles are long enough to bulge some 2 m
           out of a circle of 300 m fixed every 26 m; along it, the marker
           keeps within a metre and a half of the clock's place. */
        EXPECT_NEAR(std::hypot(x, y), radius, 2.5) << t;
        EXPECT_NEAR(remainder(angle - want, 2 * M_PI) * radius, 0, 1.5) << t;
    }
}

TEST(Replay, RatesDoubleAndHalveWithinTheirLimitsAndTheMarkerStopsAtTheEnd)
{
    load_fixes(straight_line(50));
    replay_rate = REPLAY_START_RATE;
    struct Step {
        void (*press)();
        double rate;
    } steps[] = {
        {replay_faster, 120},  {replay_faster, 240},  {replay_faster, 480},
        {replay_faster, 960},  {replay_faster, 1920}, {replay_faster, 3600},
        {replay_faster, 3600}, {replay_slower, 1800}, {replay_slower, 900},
    };
    testing::internal::CaptureStdout();
    for (const Step& s : steps) {
        s.press();
        EXPECT_DOUBLE_EQ(replay_rate, s.rate);
    }
    for (int i = 0; i < 20; ++i)
        replay_slower();
    std::string said = testing::internal::GetCapturedStdout();
    EXPECT_DOUBLE_EQ(replay_rate, REPLAY_SLOWEST_RATE);
    EXPECT_NE(said.find("replay rate: 3600x\n"), std::string::npos) << said;

    replay_rate = 10;
    testing::internal::CaptureStdout();
    advance_replay(1.0);
    EXPECT_DOUBLE_EQ(replay_time, 0) << "standing, it does not move";
    toggle_replay();
    EXPECT_TRUE(replay_playing);
    advance_replay(0.5);
    EXPECT_DOUBLE_EQ(replay_time, 5);
    advance_replay(2.0);
    EXPECT_DOUBLE_EQ(replay_time, 25);
    toggle_replay();
    advance_replay(2.0);
    EXPECT_DOUBLE_EQ(replay_time, 25) << "paused";
    toggle_replay();
    advance_replay(100);
    EXPECT_DOUBLE_EQ(replay_time, 98);
    EXPECT_FALSE(replay_playing) << "at the end it stops";
    toggle_replay();
    EXPECT_DOUBLE_EQ(replay_time, 0) << "played again from the end, it starts over";
    replay_to_end();
    EXPECT_DOUBLE_EQ(replay_time, 98);
    replay_to_start();
    EXPECT_DOUBLE_EQ(replay_time, 0);
    said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(said, "replay: playing at 10x\nreplay: paused\nreplay: playing at 10x\n"
                    "replay: at the end\nreplay: playing at 10x\n");
    replay_playing = false;
    replay_rate = REPLAY_START_RATE;
}

TEST(Replay, APauseInTheRecordingIsCrossedAtOnce)
{
    /* 20 fixes 1 s apart, the receiver off for an hour, 20 more. */
    std::vector<Fix> fixes;
    for (int i = 0; i < 40; ++i)
        fixes.push_back({i + (i >= 20 ? 3600.0 : 0.0), 5.0 * i, 0, 11.18});
    load_fixes(fixes);
    EXPECT_DOUBLE_EQ(replay_duration(), 38.0) << "19 s, the gap as none, 19 s";
    ReplayMoment before, at, after;
    replay_moment(18.99, &before);
    replay_moment(19.0, &at);
    replay_moment(19.5, &after);
    EXPECT_NEAR(before.utc, START + 18.99, 1e-6);
    EXPECT_NEAR(at.utc, START + 3620, 1e-6) << "straight across the hour";
    EXPECT_NEAR(after.utc, START + 3620.5, 1e-6);
    double fix20[3];
    ecef_of(20, fix20);
    EXPECT_LT(distance(at.ecef, fix20), 0.6) << "the jump is to the next fix at once";
}

TEST(Replay, FixesOutOfTimeOrderArePlayedInFileOrderAndReportedOnce)
{
    /* The clock is set back twice: at fix 10 by 5 s, at fix 20 by a minute. */
    std::vector<Fix> fixes;
    for (int i = 0; i < 30; ++i) {
        double t = i - (i >= 10 ? 6 : 0) - (i >= 20 ? 61 : 0);
        fixes.push_back({t, 5.0 * i, 0, 11.18});
    }
    std::string said = load_fixes(fixes);
    EXPECT_EQ(replay_out_of_order(), 2);
    EXPECT_NE(said.find("replay: 2 fixes earlier than the fix before them, played in file order\n"),
              std::string::npos)
        << said;
    testing::internal::CaptureStdout();
    prepare_replay();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "once a load";
    EXPECT_DOUBLE_EQ(replay_duration(), 27.0);
    /* Along the file: each moment further north than the one before. */
    double last_metres = -1;
    for (double t = 0; t <= 27; t += 0.25) {
        ReplayMoment m;
        replay_moment(t, &m);
        EXPECT_GT(m.metres, last_metres) << t;
        last_metres = m.metres;
    }
}

TEST(Replay, ATrackWithoutTimesHasNothingToPlay)
{
    load_fixes(straight_line(5));
    for (size_t i = 0; i < frame_fixes.size(); ++i)
        frame_fixes[i].time = NAN;
    /* One more frame: the table is made again. */
    frames.push_back(frames.back());
    frame_fixes.push_back(frame_fixes.back());
    testing::internal::CaptureStdout();
    toggle_replay();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "replay: the track has no times to play\n");
    EXPECT_FALSE(replay_playing);
    frames.pop_back();
    frame_fixes.pop_back();
}

TEST(Replay, TheMomentsLinesAreInTheStatisticsUnits)
{
    MomentFigures m = {START + 0.5, 3210.0, 6.5, 551.4};
    EXPECT_EQ(format_moment(m), "time: 2010-07-24 19:33:20.500 UTC\nfrom start: 3.210 km\n"
                                "speed: 23.4 km/h\nheight: 551 m\n");
    set_statistics_units(UNITS_IMPERIAL);
    m.height = NAN;
    EXPECT_EQ(format_moment(m), "time: 2010-07-24 19:33:20.500 UTC\nfrom start: 1.995 mi\n"
                                "speed: 14.5 mph\n");
    set_statistics_units(UNITS_METRIC);
}

} // namespace
