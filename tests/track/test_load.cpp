/*
 * test_load.cpp - the load driver: its transcript, the track's extent and
 * its centre of gravity.
 */
#include "support/track_state.h"

#include "curves/curve_fitting.h"
#include "track/load.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string load_text(const std::string& text, std::string* path_out = nullptr)
{
    reset_track_state();
    std::string path = write_temp_file(text);
    testing::internal::CaptureStdout();
    load_track(path.c_str());
    std::string said = testing::internal::GetCapturedStdout();
    remove(path.c_str());
    if (path_out)
        *path_out = path;
    return said;
}

std::string fix_at(double latitude, double longitude)
{
    char line[128];
    snprintf(line, sizeof line, "D=2019-08-18T03:50:17,P=%.7f %.7f,V=5.0\n", latitude, longitude);
    return line;
}

TEST(LoadTrack, PrintsItsStepsAndTheCentres)
{
    std::string path;
    std::string said = load_text("D=2010-08-05T14:23:59,P=45.75 14.25,V=1\n"
                                 "D=2010-08-05T14:24:59,P=40.78125 -73.96875,V=2\n",
                                 &path);
    /* The mean of the two positions, from PROJ's values (see test_geodesy.cpp). */
    const double mean[3] = {(4321090.258902 + 1335653.958004) / 2,
                            (1097417.123259 + -4648408.728444) / 2,
                            (4545902.086406 + 4144059.632037) / 2};
    /* Display units count from the ten-kilometre blocks of the first fix. */
    const double first_block[3] = {4320000.0, 1090000.0, 4540000.0};
    double raw[3], scaled[3];
    char path_read[256];
    int matched = sscanf(said.c_str(),
                         "Reading coordinates from %255s\n"
                         "calculate center of gravity\n"
                         "double: X = %lf Y = %lf Z = %lf\n"
                         "openGL: X = %lf Y = %lf Z = %lf\n",
                         path_read, &raw[0], &raw[1], &raw[2], &scaled[0], &scaled[1], &scaled[2]);
    ASSERT_EQ(matched, 7) << said;
    EXPECT_EQ(path_read, path);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(raw[axis], mean[axis], 0.001) << axis;
        EXPECT_NEAR(scaled[axis], (mean[axis] - first_block[axis]) * 0.001, 1e-6) << axis;
    }
    size_t fitting = said.find("\nfill in all curve fitting stuff\n");
    ASSERT_NE(fitting, std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.begin() + fitting, '\n'), 3);
    /* The centre copies hold the display centre, not the zero they started at. */
    EXPECT_EQ(centre_copy_x, static_cast<float>(centre_x));
    EXPECT_EQ(centre_copy_y, static_cast<float>(centre_y));
    EXPECT_EQ(centre_copy_z, static_cast<float>(centre_z));
}

TEST(LoadTrack, AnEmptyTrackReportsTheDivisionAndKeepsTheCentreAtZero)
{
    std::string said = load_text("no fixes here\n");
    EXPECT_NE(said.find("division by zero"), std::string::npos) << said;
    EXPECT_NE(said.find("double: X = 0.000000 Y = 0.000000 Z = 0.000000\n"), std::string::npos);
    EXPECT_NE(said.find("openGL: X = 0.000000 Y = 0.000000 Z = 0.000000\n"), std::string::npos);
    EXPECT_EQ(view_range, 1.0f);
    EXPECT_TRUE(frames.empty());
}

TEST(LoadTrack, WithoutAPathReportsTheFailureToOpen)
{
    reset_track_state();
    testing::internal::CaptureStdout();
    load_track(nullptr);
    std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(said.find("Reading coordinates from \nCould not open file \n"), 0u) << said;
}

TEST(ViewRange, IsTheLargestExtentOfAnyAxis)
{
    /* Near the equator a north-south track runs mostly along Z. */
    load_text(fix_at(0.10, 30.0) + fix_at(0.11, 30.0));
    float z_extent = bound_max_z - bound_min_z;
    EXPECT_GT(z_extent, bound_max_x - bound_min_x);
    EXPECT_GT(z_extent, bound_max_y - bound_min_y);
    EXPECT_EQ(view_range, z_extent);
    EXPECT_NEAR(view_range, 1.106, 0.01); /* 0.01 degree of latitude, in km */
}

TEST(ViewRange, IsOneWhenTheTrackHasNoExtent)
{
    load_text(fix_at(45.5, 14.5));
    EXPECT_EQ(view_range, 1.0f);
    load_text(fix_at(45.5, 14.5) + fix_at(45.5, 14.5) + fix_at(45.5, 14.5));
    EXPECT_EQ(view_range, 1.0f);
}

TEST(LoadTrack, ATrackAcrossATenKilometreEdgeStaysInOnePiece)
{
    /* Along the equator from longitude 0.085, X = 6378138 cos(lon): stepping the
       longitude by 0.01 degree moves X by about 1 m, Y by about 1.1 km, so
       the Y coordinate crosses 10 km blocks several times along this track. */
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += fix_at(0.0, 0.085 + i * 0.001);
    load_text(text);
    ASSERT_EQ(frames.size(), 40u);
    for (size_t i = 1; i < frames.size(); ++i)
        EXPECT_LT(std::fabs(frames[i]->view_y - frames[i - 1]->view_y), 0.2) << i;
    EXPECT_NEAR(view_range, 39 * 0.1113, 0.01);
    EXPECT_GT(bound_max_y, 10.0f);
}

TEST(LoadTrack, ALongTrackSaysItsCurveListsSizesAndFillsEachOnlyWhenAsked)
{
    /* The load says the sizes the lists will have and fills none of them:
       a list is sampled when first drawn, into exactly its room. */
    const int fixes = 30000;
    std::string text;
    for (int i = 0; i < fixes; ++i)
        text += fix_at(51.5 + i * 1e-5, -0.12 + (i % 7) * 1e-6);
    std::string said = load_text(text);
    for (int family = 0; family < FAMILY_COUNT; ++family) {
        EXPECT_FALSE(curve_list_filled[family]) << family;
        EXPECT_EQ(curve_list_of(family).capacity(), 0u) << family;
    }
    sample_all_curve_lists();

    size_t per_segment = static_cast<size_t>(sample_count());
    struct {
        const char* name;
        const CurveList& list;
        size_t expected;
    } lists[] = {
        {"CubicFrames", CubicFrames, (fixes - 2) * per_segment},
        {"LinearFrames", LinearFrames, (fixes - 2) * per_segment},
        {"BesselFrames", BesselFrames, (fixes - 3) * per_segment},
    };
    for (const auto& l : lists) {
        EXPECT_EQ(l.list.size(), l.expected) << l.name;
        EXPECT_EQ(l.list.capacity(), l.list.size()) << l.name;
        std::string line = std::string(l.name) + " size = " + std::to_string(l.expected) + "\n";
        EXPECT_NE(said.find(line), std::string::npos) << line;
    }
}

} // namespace
