/*
 * test_statistics.cpp - the figures of a track and their block of text,
 * from small tracks read through the real reader and load: times across
 * midnights, days, month and year ends; distances against PROJ's geod;
 * standing still, one fix, none, skipped lines; the top speed beside a
 * jump of the receiver; climbs beside noise; imperial units.
 */
#include "support/track_state.h"

#include "track/load.h"
#include "track/statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

/* Loads text as a track in units; the statistics block. */
std::string statistics_of(const std::string& text, StatisticsUnits units = UNITS_METRIC)
{
    reset_track_state();
    set_statistics_units(units);
    std::istringstream in(text);
    testing::internal::CaptureStdout();
    load_track_stream(in, "statistics.track");
    testing::internal::GetCapturedStdout();
    set_statistics_units(UNITS_METRIC);
    return statistics_text();
}

/* A fix line at a time ("2010-08-05T14:23:59"), a place, a speed in mph and
   after the speed what is given (",A=540"). */
std::string fix(const std::string& time, double latitude, double longitude, double mph = 0.0,
                const std::string& after_speed = "")
{
    char line[192];
    snprintf(line, sizeof line, "D=%s,P=%.9f %.9f,V=%.3f%s\n", time.c_str(), latitude, longitude,
             mph, after_speed.c_str());
    return line;
}

/* "2010-08-05T14:MM:SS" for a count of seconds past 14:00:00. */
std::string at_second(int seconds)
{
    char time[32];
    snprintf(time, sizeof time, "2010-08-05T%02d:%02d:%02d", 14 + seconds / 3600, seconds / 60 % 60,
             seconds % 60);
    return time;
}

/* Metres north along the meridian 10 E from the equator, in degrees:
   near the equator a float latitude is good to a micrometre, and a
   degree of latitude is 110,574.4 m. */
double north(double metres)
{
    return metres / 110574.4;
}

struct TimeCase {
    const char* name;
    const char* first;
    const char* last;
    const char* start;   /* the start line */
    const char* elapsed; /* the elapsed line */
    const char* end;     /* the end line */
};

TEST(Statistics, TimesAreRightOverMidnightDaysAndTheEndsOfMonthsAndYears)
{
    const TimeCase cases[] = {
        {"over midnight", "2010-08-05T23:59:30", "2010-08-06T00:00:30", "2010-08-05 23:59:30 UTC",
         "0:01:00", "2010-08-06 00:00:30 UTC"},
        {"several days, hours not folded", "2010-08-05T14:00:00", "2010-08-08T15:30:15",
         "2010-08-05 14:00:00 UTC", "73:30:15", "2010-08-08 15:30:15 UTC"},
        {"a month end", "2010-08-31T23:30:00", "2010-09-01T00:30:00", "2010-08-31 23:30:00 UTC",
         "1:00:00", "2010-09-01 00:30:00 UTC"},
        {"a month of 30 days, into the next", "2010-04-30T12:00:00", "2010-05-02T12:00:00",
         "2010-04-30 12:00:00 UTC", "48:00:00", "2010-05-02 12:00:00 UTC"},
        {"a year end", "2010-12-31T23:59:59", "2011-01-01T00:00:01", "2010-12-31 23:59:59 UTC",
         "0:00:02", "2011-01-01 00:00:01 UTC"},
        {"a leap day", "2012-02-28T12:00:00", "2012-03-01T12:00:00", "2012-02-28 12:00:00 UTC",
         "48:00:00", "2012-03-01 12:00:00 UTC"},
        {"no leap day in 2100", "2100-02-28T12:00:00", "2100-03-01T12:00:00",
         "2100-02-28 12:00:00 UTC", "24:00:00", "2100-03-01 12:00:00 UTC"},
        {"a leap day in 2000", "2000-02-28T12:00:00", "2000-03-01T12:00:00",
         "2000-02-28 12:00:00 UTC", "48:00:00", "2000-03-01 12:00:00 UTC"},
        {"parts of a second, shown and rounded", "2010-02-01T12:31:38.545", "2010-02-01T13:30:40",
         "2010-02-01 12:31:38.545 UTC", "0:59:01", "2010-02-01 13:30:40 UTC"},
        {"a clock that went back", "2010-08-05T14:01:00", "2010-08-05T14:00:00",
         "2010-08-05 14:01:00 UTC", "-0:01:00", "2010-08-05 14:00:00 UTC"},
    };
    for (const TimeCase& c : cases) {
        std::string block =
            statistics_of(fix(c.first, 45.77, 14.36) + fix(c.last, 45.78, 14.37, 2.0));
        EXPECT_EQ(e2e_labelled(block, "start"), c.start) << c.name << "\n" << block;
        EXPECT_EQ(e2e_labelled(block, "elapsed"), c.elapsed) << c.name << "\n" << block;
        EXPECT_EQ(e2e_labelled(block, "end"), c.end) << c.name << "\n" << block;
    }
}

TEST(Statistics, TheSharedWalkOpensWithItsFourLines)
{
    std::string walk = std::string(KESTRIM_SOURCE_DIR) + "/data/walk-short.track";
    const struct {
        StatisticsUnits units;
        const char* head;
    } cases[] = {
        {UNITS_METRIC, "fixes: 296 (0 skipped)\n"
                       "start: 2010-08-05 14:23:59 UTC\n"
                       "elapsed: 1:59:50\n"
                       "distance: 13.676 km\n"},
        {UNITS_IMPERIAL, "fixes: 296 (0 skipped)\n"
                         "start: 2010-08-05 14:23:59 UTC\n"
                         "elapsed: 1:59:50\n"
                         "distance: 8.498 mi\n"},
    };
    for (const auto& c : cases) {
        reset_track_state();
        set_statistics_units(c.units);
        testing::internal::CaptureStdout();
        load_track(walk.c_str());
        testing::internal::GetCapturedStdout();
        set_statistics_units(UNITS_METRIC);
        std::string block = statistics_text();
        EXPECT_EQ(block.substr(0, strlen(c.head)), c.head) << block;
        /* The V= field is miles an hour as recorded, jump and all. */
        EXPECT_EQ(e2e_labelled(block, "recorded speed"),
                  c.units == UNITS_IMPERIAL ? "0.0 to 205.7 mph" : "0.0 to 331.0 km/h");
    }
}

TEST(Statistics, DistanceSumsTheGeodesicsFromFixToFix)
{
    /* The references from PROJ: geod -I +ellps=WGS84 -f %.6f on each pair. */
    const struct {
        const char* name;
        std::vector<std::pair<double, double>> places;
        const char* metric;
        const char* imperial;
    } cases[] = {
        {"a degree of the equator and back", {{0, 0}, {0, 1}, {0, 0}}, "222.639 km", "138.341 mi"},
        {"a degree of meridian from the equator", {{0, 0}, {1, 0}}, "110.574 km", "68.708 mi"},
        {"three fixes near Cerknica",
         {{45.75, 14.25}, {45.75390625, 14.2578125}, {45.7578125, 14.265625}},
         "1.494 km",
         "0.928 mi"},
        {"over the antimeridian", {{-16.5, 179.75}, {-16.5, -179.75}}, "53.382 km", "33.170 mi"},
    };
    for (const auto& c : cases) {
        std::string text;
        for (size_t i = 0; i < c.places.size(); ++i)
            text += fix(at_second(static_cast<int>(i) * 60), c.places[i].first, c.places[i].second);
        EXPECT_EQ(e2e_labelled(statistics_of(text), "distance"), c.metric) << c.name;
        EXPECT_EQ(e2e_labelled(statistics_of(text, UNITS_IMPERIAL), "distance"), c.imperial)
            << c.name;
    }
}

TEST(Statistics, StandingStillAndPausesAddNoMovingTime)
{
    std::string still;
    for (int i = 0; i < 10; ++i)
        still += fix(at_second(60 * i), 45.77, 14.36);
    std::string block = statistics_of(still);
    EXPECT_EQ(e2e_labelled(block, "elapsed"), "0:09:00") << block;
    EXPECT_EQ(e2e_labelled(block, "distance"), "0.000 km") << block;
    EXPECT_EQ(e2e_labelled(block, "moving time"), "0:00:00") << block;
    EXPECT_EQ(e2e_labelled(block, "moving speed"), "none") << block;
    EXPECT_EQ(e2e_labelled(block, "max speed"), "0.0 km/h") << block;

    /* A walk at 1.5 m/s, fixes 10 s apart: a minute on, a minute standing
       with the receiver wandering by half a metre a fix, a minute on. */
    std::string walk;
    double metres = 0.0;
    int second = 0;
    for (int i = 0; i <= 6; ++i, second += 10, metres += 15.0)
        walk += fix(at_second(second), north(metres), 10.0);
    metres -= 15.0;
    for (int i = 1; i <= 6; ++i, second += 10)
        walk += fix(at_second(second), north(metres + (i % 2) * 0.5), 10.0);
    for (int i = 1; i <= 6; ++i, second += 10)
        walk += fix(at_second(second), north(metres + 15.0 * i), 10.0);
    block = statistics_of(walk);
    EXPECT_EQ(e2e_labelled(block, "elapsed"), "0:03:00") << block;
    EXPECT_EQ(e2e_labelled(block, "moving time"), "0:02:00") << block;
    EXPECT_EQ(e2e_labelled(block, "moving speed"), "5.4 km/h") << block;
}

TEST(Statistics, OneFixAndNoFixes)
{
    EXPECT_EQ(statistics_of(fix("2010-08-05T14:23:59", 45.77, 14.36, 1.5)),
              "fixes: 1 (0 skipped)\n"
              "start: 2010-08-05 14:23:59 UTC\n"
              "elapsed: 0:00:00\n"
              "distance: 0.000 km\n"
              "end: 2010-08-05 14:23:59 UTC\n"
              "moving time: 0:00:00\n"
              "moving speed: none\n"
              "max speed: none\n"
              "recorded speed: 2.4 to 2.4 km/h\n");
    EXPECT_EQ(statistics_of(""), "fixes: 0 (0 skipped)\nstart: none\n");
    EXPECT_EQ(statistics_of("# no fix\nP=45 14\n"), "fixes: 0 (0 skipped)\nstart: none\n");
    EXPECT_EQ(statistics_of("D=2010-08-05\nD=2010-08-05T14:23:59,P=95 14,V=1\n"),
              "fixes: 0 (2 skipped)\nstart: none\n");
}

TEST(Statistics, SkippedCountsTheDLinesOfThisLoadNotTaken)
{
    std::string good = fix("2010-08-05T14:23:59", 45.77, 14.36);
    std::string text = "# a comment is no fix line\n" + good + "D=2010-08-05T14:24:00,P=45.7\n" +
                       good + "D=2010-08-05T14:24:09,P=45.77 14.36,V=nan\n" +
                       "D=2010-08-05T14:24:09,P=45.77 14.36,V=1,A=200000\n" + good + "Dx\n";
    EXPECT_EQ(e2e_labelled(statistics_of(text), "fixes"), "3 (4 skipped)");
    /* The reader's count of fix lines runs on from load to load. */
    reset_track_state();
    testing::internal::CaptureStdout();
    std::istringstream first(text), second(good + good);
    load_track_stream(first, "first.track");
    load_track_stream(second, "second.track");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(e2e_labelled(statistics_text(), "fixes"), "2 (0 skipped)");
}

/* A drive north at 10 m/s, a fix a second, with the receiver's position
   changed at fix jump by change(metres along): the top speed. */
std::string top_speed_with(int fixes, int jump, double (*change)(int i, int jump))
{
    std::string text;
    for (int i = 0; i < fixes; ++i)
        text += fix(at_second(i), north(10.0 * i + change(i, jump)), 10.0, 22.4);
    return e2e_labelled(statistics_of(text), "max speed");
}

TEST(Statistics, TheTopSpeedIsNotOneJumpOfTheReceiver)
{
    auto none = [](int, int) { return 0.0; };
    auto thrown_off_and_back = [](int i, int jump) { return i == jump ? 184.0 : 0.0; };
    auto thrown_on = [](int i, int jump) { return i >= jump ? 184.0 : 0.0; };
    auto catching_up = [](int i, int jump) {
        return i < jump ? 0.0 : std::min(i - jump + 1, 3) * 61.0;
    };
    EXPECT_EQ(top_speed_with(60, 30, none), "36.0 km/h");
    EXPECT_EQ(top_speed_with(60, 30, thrown_off_and_back), "36.0 km/h");
    EXPECT_EQ(top_speed_with(60, 30, thrown_on), "36.0 km/h");
    EXPECT_EQ(top_speed_with(60, 30, catching_up), "36.0 km/h");
    /* Twice the speed for eight seconds is no jump: it is the top speed. */
    auto sprint = [](int i, int jump) { return std::min(std::max(i - jump, 0), 8) * 10.0; };
    EXPECT_EQ(top_speed_with(60, 30, sprint), "72.0 km/h");
    /* At either end of the track, and in a track too short for a full run. */
    EXPECT_EQ(top_speed_with(60, 0, thrown_off_and_back), "36.0 km/h");
    EXPECT_EQ(top_speed_with(60, 59, thrown_on), "36.0 km/h");
    EXPECT_EQ(top_speed_with(3, 2, thrown_on), "36.0 km/h");
    EXPECT_EQ(top_speed_with(5, 2, thrown_off_and_back), "36.0 km/h");
}

/* A track of the altitudes, a fix a minute. */
std::string with_altitudes(const std::vector<double>& altitudes, StatisticsUnits units)
{
    std::string text;
    for (size_t i = 0; i < altitudes.size(); ++i)
        text += fix(at_second(60 * static_cast<int>(i)), 45.77 + 0.001 * i, 14.36, 3.0,
                    ",A=" + std::to_string(altitudes[i]));
    return statistics_of(text, units);
}

TEST(Statistics, AscentAndDescentIgnoreNoiseBelowTheFilter)
{
    const struct {
        const char* name;
        std::vector<double> altitudes;
        StatisticsUnits units;
        const char* lowest;
        const char* highest;
        const char* ascent;
        const char* descent;
    } cases[] = {
        {"noise of 4 m about a level",
         {540, 542, 539, 541, 540, 543, 541, 539},
         UNITS_METRIC,
         "539 m",
         "543 m",
         "0 m",
         "0 m"},
        /* Up 60 m and down 40 m, with wobbles of up to 3 m on the way. */
        {"a climb and a fall with wobbles",
         {500, 502, 501, 505, 503, 510, 520, 518, 540, 560, 557, 559, 540, 530, 532, 520},
         UNITS_METRIC,
         "500 m",
         "560 m",
         "60 m",
         "40 m"},
        {"the same in feet",
         {500, 502, 501, 505, 503, 510, 520, 518, 540, 560, 557, 559, 540, 530, 532, 520},
         UNITS_IMPERIAL,
         "1640 ft",
         "1837 ft",
         "197 ft",
         "131 ft"},
        {"a fall first, then a climb to the end",
         {600, 598, 580, 582, 575, 590, 610},
         UNITS_METRIC,
         "575 m",
         "610 m",
         "35 m",
         "25 m"},
        {"one step of the filter's size counts",
         {100, 105},
         UNITS_METRIC,
         "100 m",
         "105 m",
         "5 m",
         "0 m"},
    };
    for (const auto& c : cases) {
        std::string block = with_altitudes(c.altitudes, c.units);
        EXPECT_EQ(e2e_labelled(block, "lowest"), c.lowest) << c.name << "\n" << block;
        EXPECT_EQ(e2e_labelled(block, "highest"), c.highest) << c.name << "\n" << block;
        EXPECT_EQ(e2e_labelled(block, "ascent"), c.ascent) << c.name << "\n" << block;
        EXPECT_EQ(e2e_labelled(block, "descent"), c.descent) << c.name << "\n" << block;
    }
    /* A track without altitudes has no height lines at all. */
    std::string block =
        statistics_of(fix("2010-08-05T14:00:00", 45.77, 14.36) + fix(at_second(60), 45.78, 14.36));
    EXPECT_EQ(block.find("lowest"), std::string::npos) << block;
    EXPECT_EQ(block.find("ascent"), std::string::npos) << block;
}

TEST(Statistics, ImperialUnitsGiveMilesMilesAnHourAndFeet)
{
    /* 1,609.344 m in 4 minutes, at 15 mph on the V= field. */
    std::string text;
    for (int i = 0; i <= 4; ++i)
        text += fix(at_second(60 * i), north(1609.344 * i / 4), 10.0, 15.0,
                    ",A=" + std::to_string(100 + 0.3048 * 100 * i));
    std::string metric = statistics_of(text), imperial = statistics_of(text, UNITS_IMPERIAL);
    EXPECT_EQ(e2e_labelled(imperial, "distance"), "1.000 mi") << imperial;
    EXPECT_EQ(e2e_labelled(imperial, "moving speed"), "15.0 mph") << imperial;
    EXPECT_EQ(e2e_labelled(imperial, "max speed"), "15.0 mph") << imperial;
    EXPECT_EQ(e2e_labelled(imperial, "recorded speed"), "15.0 to 15.0 mph") << imperial;
    EXPECT_EQ(e2e_labelled(imperial, "ascent"), "400 ft") << imperial;
    EXPECT_EQ(e2e_labelled(metric, "distance"), "1.609 km") << metric;
    EXPECT_EQ(e2e_labelled(metric, "moving speed"), "24.1 km/h") << metric;
    EXPECT_EQ(e2e_labelled(metric, "recorded speed"), "24.1 to 24.1 km/h") << metric;
    EXPECT_EQ(e2e_labelled(metric, "ascent"), "122 m") << metric;
    StatisticsUnits units = UNITS_METRIC;
    EXPECT_TRUE(statistics_units_named("imperial", &units));
    EXPECT_EQ(units, UNITS_IMPERIAL);
    EXPECT_FALSE(statistics_units_named("furlongs", &units));
    EXPECT_FALSE(statistics_units_named("", &units));
}

TEST(Statistics, AHeightChangeComputesTheTextAgainFromTheAltitudes)
{
    std::string block = with_altitudes({500, 520, 510, 530}, UNITS_METRIC);
    EXPECT_EQ(e2e_labelled(block, "ascent"), "40 m") << block;
    /* Units set after the load show in the text only once it is made again. */
    set_statistics_units(UNITS_IMPERIAL);
    testing::internal::CaptureStdout();
    exaggerate_heights(4);
    testing::internal::GetCapturedStdout();
    set_statistics_units(UNITS_METRIC);
    std::string after = statistics_text();
    EXPECT_EQ(e2e_labelled(after, "ascent"), "131 ft") << "the altitudes, not the drawn heights";
    EXPECT_EQ(after, format_statistics(track_statistics, UNITS_IMPERIAL));
    EXPECT_EQ(format_statistics(track_statistics, UNITS_METRIC), block);
}

} // namespace
