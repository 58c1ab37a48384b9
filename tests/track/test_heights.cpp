/*
 * test_heights.cpp - the altitude field, the geoid and the vertical
 * exaggeration: positions with heights against PROJ's cs2cs, what may
 * follow the speed on a fix line, missing altitudes, and the stretch.
 */
#include "support/track_state.h"

#include "curves/curve_fitting.h"
#include "track/geodesy.h"
#include "track/heights.h"
#include "track/load.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

/* Loads text as a track; returns what the load printed. */
std::string load_text(const std::string& text)
{
    reset_track_state();
    std::istringstream in(text);
    testing::internal::CaptureStdout();
    load_track_stream(in, "heights.track");
    return testing::internal::GetCapturedStdout();
}

std::string fix_line(double latitude, double longitude, const std::string& after_speed)
{
    char line[160];
    snprintf(line, sizeof line, "D=2010-08-05T14:25:08,P=%.7f %.7f,V=0.385%s\n", latitude,
             longitude, after_speed.c_str());
    return line;
}

struct Place {
    const char* name;
    double latitude, longitude, altitude;
};

/* Where the geoid is low and high, both hemispheres, the poles' edges. */
const Place PLACES[] = {
    {"Cerknica, Slovenia", 45.7720898, 14.3575674, 551.0},
    {"south of India, the geoid's low", 4.7, 78.8, 0.0},
    {"New Guinea, the geoid's high", -8.4, 147.3, 2000.0},
    {"Melbourne", -37.72, 144.95, 30.0},
    {"Central Park", 40.78, -73.97, 40.0},
    {"Everest", 27.988, 86.925, 8848.0},
    {"Dead Sea shore", 31.5, 35.5, -430.0},
    {"Svalbard", 78.22, 15.65, 10.0},
    {"McMurdo", -77.85, 166.67, 20.0},
    {"near the north pole", 89.9, 45.0, 0.0},
};

TEST(Geoid, EarthCentredPositionsWithHeightsMatchCs2csToAFewCentimetres)
{
    std::string input;
    for (const Place& p : PLACES) {
        char line[96];
        snprintf(line, sizeof line, "%.7f %.7f %.3f\n", p.longitude, p.latitude, p.altitude);
        input += line;
    }
    std::string places = e2e_temp_file(input), out, err;
    ASSERT_TRUE(e2e_run(nullptr,
                        {"cs2cs", "+proj=longlat", "+datum=WGS84", "+geoidgrids=egm96_15.gtx",
                         "+to", "+proj=geocent", "+datum=WGS84", "-f", "%.4f", places},
                        30, &out, &err))
        << err;
    remove(places.c_str());
    std::istringstream lines(out);
    ASSERT_TRUE(geoid_grid_found());
    for (const Place& p : PLACES) {
        double want[3];
        ASSERT_TRUE(static_cast<bool>(lines >> want[0] >> want[1] >> want[2])) << out;
        double got[3];
        double undulation = geoid_undulation(p.latitude, p.longitude);
        geodetic_to_ecef(p.latitude, p.longitude, p.altitude + undulation, &got[0], &got[1],
                         &got[2]);
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_NEAR(got[axis], want[axis], 0.03) << p.name << ", axis " << axis;
    }
    /* The geoid's extremes are where they should be. */
    EXPECT_NEAR(geoid_undulation(4.7, 78.8), -107, 2);
    EXPECT_NEAR(geoid_undulation(-8.4, 147.3), 85, 2);
}

struct AltitudeCase {
    const char* name;
    std::string after_speed; /* what follows V=0.385 on the line */
    bool kept;
    bool has_altitude;
    double altitude;
    const char* said; /* a piece of the diagnostic, "" for none */
};

TEST(AltitudeField, WhatMayFollowTheSpeed)
{
    const AltitudeCase cases[] = {
        {"absent", "", true, false, 0, ""},
        {"present", ",A=551.0", true, true, 551.0, ""},
        {"white space before it", " \t,A=551.5", true, true, 551.5, ""},
        {"white space after A=", ",A= 12", true, true, 12.0, ""},
        {"negative", ",A=-412.25", true, true, -412.25, ""},
        {"at the lowest", ",A=-1000", true, true, -1000.0, ""},
        {"at the highest", ",A=100000", true, true, 100000.0, ""},
        {"below the lowest", ",A=-1000.5", false, false, 0, "fix has an altitude beyond"},
        {"above the highest", ",A=1e6", false, false, 0, "fix has an altitude beyond"},
        {"nan", ",A=nan", false, false, 0, "fix has no finite altitude, skipped"},
        {"inf", ",A=-inf", false, false, 0, "fix has no finite altitude, skipped"},
        {"junk after the number", ",A=551.0 metres", true, true, 551.0, ""},
        {"the line ends after A=", ",A=", false, false, 0, "fix has no finite altitude"},
        {"no number after A=", ",A=high", false, false, 0, "fix has no finite altitude"},
        {"another field, ignored as ever", ",B=3", true, false, 0, ""},
        {"the empty field gpsbabel writes", ",", true, false, 0, ""},
        {"lower case, no field", ",a=551", true, false, 0, ""},
    };
    for (const AltitudeCase& c : cases) {
        std::string said = load_text(fix_line(45.77, 14.36, c.after_speed));
        ASSERT_EQ(frames.size(), c.kept ? 1u : 0u) << c.name << ": " << said;
        EXPECT_EQ(fix_count, 1) << c.name;
        if (c.said[0] != '\0') {
            EXPECT_NE(said.find(c.said), std::string::npos) << c.name << ": " << said;
            EXPECT_NE(said.find("heights.track:1: "), std::string::npos) << c.name;
        }
        if (!c.kept)
            continue;
        const TrackPoint* p = frames[0];
        EXPECT_EQ(std::isnan(p->altitude), !c.has_altitude) << c.name;
        double height = c.has_altitude ? c.altitude + geoid_undulation(p->latitude, p->longitude)
                                       : FIX_HEIGHT_METRES;
        double x, y, z;
        geodetic_to_ecef(p->latitude, p->longitude, height, &x, &y, &z);
        EXPECT_NEAR(p->ecef_x, x, 1e-6) << c.name;
        EXPECT_NEAR(p->ecef_y, y, 1e-6) << c.name;
        EXPECT_NEAR(p->ecef_z, z, 1e-6) << c.name;
        if (c.has_altitude) {
            EXPECT_EQ(p->altitude, c.altitude) << c.name;
        }
    }
}

TEST(Heights, ATrackWithoutAltitudesIsConvertedAtOneMetreAsBefore)
{
    std::string said = load_text(fix_line(45.77, 14.36, "") + fix_line(45.78, 14.37, "") +
                                 fix_line(45.79, 14.38, ""));
    ASSERT_EQ(frames.size(), 3u);
    for (const TrackPoint* p : frames) {
        double x, y, z;
        geodetic_to_ecef(p->latitude, p->longitude, 1.0, &x, &y, &z);
        EXPECT_EQ(p->ecef_x, x);
        EXPECT_EQ(p->ecef_y, y);
        EXPECT_EQ(p->ecef_z, z);
    }
    /* The heights line comes after every other line of the load. */
    const std::string last = "BesselFrames size = 0\nheights: none in the file, 1.0 m\n";
    EXPECT_EQ(said.substr(said.size() - last.size()), last) << said;
}

TEST(Heights, AFixWithoutAltitudeInATrackWithThemTakesTheOneBefore)
{
    std::string said = load_text(fix_line(45.77, 14.36, "") + fix_line(45.78, 14.37, ",A=300") +
                                 fix_line(45.79, 14.38, "") + fix_line(45.80, 14.39, ",A=320"));
    ASSERT_EQ(frames.size(), 4u);
    const double expected[] = {300, 300, 300, 320}; /* the first takes the first there is */
    for (size_t i = 0; i < 4; ++i) {
        const TrackPoint* p = frames[i];
        EXPECT_EQ(p->altitude, expected[i]) << i;
        double x, y, z;
        geodetic_to_ecef(p->latitude, p->longitude,
                         expected[i] + geoid_undulation(p->latitude, p->longitude), &x, &y, &z);
        EXPECT_NEAR(p->ecef_x, x, 0.001) << i;
        EXPECT_NEAR(p->ecef_z, z, 0.001) << i;
    }
    EXPECT_NE(said.find("heights: from A= on 2 of 4 fixes, geoid EGM96\n"), std::string::npos)
        << said;
}

/* The height of each frame above the ellipsoid, back from its position. */
double height_of(const TrackPoint* p)
{
    double x, y, z;
    geodetic_to_ecef(p->latitude, p->longitude, 0.0, &x, &y, &z);
    double dx = p->ecef_x - x, dy = p->ecef_y - y, dz = p->ecef_z - z;
    return std::sqrt(dx * dx + dy * dy + dz * dz); /* along the normal: all heights here are > 0 */
}

TEST(Heights, ExaggerationStretchesTheReliefAboveTheLowestFix)
{
    load_text(fix_line(45.77, 14.36, ",A=400") + fix_line(45.78, 14.37, ",A=100") +
              fix_line(45.79, 14.38, ",A=250") + fix_line(45.80, 14.39, ",A=1000"));
    ASSERT_EQ(frames.size(), 4u);
    double centre_before = centre_z;
    const struct {
        int asked, given;
    } steps[] = {{2, 2}, {4, 4}, {64, 64}, {128, 64}, {8, 8}, {0, 1}, {1, 1}};
    for (const auto& step : steps) {
        testing::internal::CaptureStdout();
        exaggerate_heights(step.asked);
        std::string said = testing::internal::GetCapturedStdout();
        EXPECT_EQ(said, "height exaggeration: " + std::to_string(step.given) + "x\n");
        EXPECT_EQ(height_exaggeration, step.given);
        for (const TrackPoint* p : frames) {
            double want = 100 + step.given * (p->altitude - 100) +
                          geoid_undulation(p->latitude, p->longitude);
            EXPECT_NEAR(height_of(p), want, 0.01) << step.given << "x, " << p->altitude;
        }
        /* The curves follow: a cubic sample starts at its frame (kept as a
           float, to half a metre this far from the Earth's centre). */
        const CurveList& cubic = sampled_curve_list(FAMILY_CUBIC);
        ASSERT_EQ(cubic.size(), 2u);
        EXPECT_NEAR(cubic[0].ecef_z, frames[1]->ecef_z, 0.5);
    }
    EXPECT_NEAR(centre_z, centre_before, 1e-9) << "back at 1x, the centre is where it was";
}

TEST(Heights, ExaggeratingATrackWithoutAltitudesMovesNothing)
{
    load_text(fix_line(45.77, 14.36, "") + fix_line(45.78, 14.37, "") + fix_line(45.79, 14.38, ""));
    std::vector<double> before;
    for (const TrackPoint* p : frames)
        before.push_back(p->ecef_z);
    long generation = track_generation;
    testing::internal::CaptureStdout();
    exaggerate_heights(8);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "height exaggeration: 8x\n");
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(frames[i]->ecef_z, before[i]);
    EXPECT_EQ(track_generation, generation) << "nothing to draw anew";
    exaggerate_heights(1);
}

} // namespace
