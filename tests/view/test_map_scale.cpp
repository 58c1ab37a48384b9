/*
 * test_map_scale.cpp - the round lengths of the scale bar and the
 * direction of local north, without a window.
 */
#include "view/map_scale.h"

#include "track/geodesy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

TEST(MapScale, TheBarTakesTheLongestRoundLengthThatFits)
{
    const struct {
        double most, round;
        const char* text;
    } cases[] = {
        {1.0, 1.0, "1 m"},           {9.99, 5.0, "5 m"},       {10.0, 10.0, "10 m"},
        {19.9, 10.0, "10 m"},        {49.0, 20.0, "20 m"},     {73.0, 50.0, "50 m"},
        {999.0, 500.0, "500 m"},     {1000.0, 1000.0, "1 km"}, {2400.0, 2000.0, "2 km"},
        {87000.0, 50000.0, "50 km"}, {0.7, 0.5, "0.5 m"},      {0.0, 0.0, "0 m"},
        {-3.0, 0.0, "0 m"},          {NAN, 0.0, "0 m"},        {INFINITY, 0.0, "0 m"},
    };
    for (const auto& c : cases) {
        double round = round_scale_length(c.most);
        EXPECT_DOUBLE_EQ(round, c.round) << c.most;
        char text[32];
        format_length(round, text, sizeof text);
        EXPECT_EQ(std::string(text), c.text) << c.most;
    }
}

/* North at a place is square to up there and points toward the pole: a
   step along it raises the latitude and keeps the longitude. */
TEST(MapScale, NorthIsTheWayTheLatitudeGrows)
{
    const double places[][2] = {{45.77, 14.36}, {-37.8, 144.96}, {40.78, -73.97}, {0.0, 0.0},
                                {0.0, 180.0},   {-89.0, 10.0},   {89.0, -100.0},  {27.99, 86.93}};
    for (const auto& place : places) {
        double x, y, z;
        geodetic_to_ecef(place[0], place[1], 0.0, &x, &y, &z);
        double n[3];
        local_north(x, y, z, n);
        EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0, 1e-12);
        double step = 100.0; /* metres */
        double x2 = x + n[0] * step, y2 = y + n[1] * step, z2 = z + n[2] * step;
        double lat2 = atan2(z2, hypot(x2, y2)) * 180 / M_PI;
        double lat1 = atan2(z, hypot(x, y)) * 180 / M_PI;
        double lon1 = atan2(y, x) * 180 / M_PI, lon2 = atan2(y2, x2) * 180 / M_PI;
        EXPECT_GT(lat2, lat1) << place[0] << " " << place[1];
        EXPECT_NEAR(lon2, lon1, 1e-9) << place[0] << " " << place[1];
        double up = (n[0] * x + n[1] * y + n[2] * z) / sqrt(x * x + y * y + z * z);
        EXPECT_NEAR(up, 0.0, 1e-12) << "square to up";
    }
}

TEST(MapScale, ThereIsNoNorthAtAPoleNorAtTheCentre)
{
    double n[3];
    for (const double z : {6356752.0, -6356752.0, 0.0}) {
        local_north(0, 0, z, n);
        EXPECT_EQ(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 0.0) << z;
    }
}

} // namespace
