/*
 * test_display_mapping.cpp - metres to display kilometres, plain and anchored.
 */
#include "track/display_mapping.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct ScaleCase {
    double metres;
    double kilometres;
};

TEST(ScaleCoordinate, KeepsTheSignedMetresBelowTheTenKilometreDigit)
{
    const ScaleCase cases[] = {
        {0.0, 0.0},
        {1.0, 0.001},
        {9999.0, 9.999},
        {10000.0, 0.0},
        {10000.5, 0.0005},
        {19999.5, 9.9995},
        {4321090.258902, 1.090258902},
        {-1.0, -0.001},
        {-9999.0, -9.999},
        {-10000.0, 0.0},
        {-10001.0, -0.001},
        {-4648408.728444, -8.408728444},
        {6378138.0, 8.138},
        {-6378138.0, -8.138},
    };
    for (const ScaleCase& c : cases)
        EXPECT_NEAR(scale_coordinate(c.metres), c.kilometres, 1e-9) << c.metres;
}

TEST(ScaleCoordinate, JustBelowAndAboveABlockEdge)
{
    const double edge = 50000.0, step = 0.001;
    EXPECT_NEAR(scale_coordinate(edge - step), 9.999999, 1e-9);
    EXPECT_NEAR(scale_coordinate(edge + step), 0.000001, 1e-9);
    EXPECT_NEAR(scale_coordinate(-(edge - step)), -9.999999, 1e-9);
    EXPECT_NEAR(scale_coordinate(-(edge + step)), -0.000001, 1e-9);
}

TEST(DisplayMapping, InsideTheAnchorBlockEqualsScaleCoordinateExactly)
{
    const double anchors[][3] = {{4321090.25, 1097417.12, 4545902.08},
                                 {-4134856.15, 2901984.43, -3880798.16},
                                 {0.0, -0.0, 6356753.31}};
    for (const auto& a : anchors) {
        set_display_anchor(a[0], a[1], a[2]);
        for (double offset : {-999.0, -0.25, 0.0, 0.5, 777.0}) {
            double x = a[0] + offset, y = a[1] + offset, z = a[2] + offset;
            if (display_block_base(x) == display_block_base(a[0])) {
                EXPECT_EQ(to_display_x(x), scale_coordinate(x)) << x;
            }
            if (display_block_base(y) == display_block_base(a[1])) {
                EXPECT_EQ(to_display_y(y), scale_coordinate(y)) << y;
            }
            if (display_block_base(z) == display_block_base(a[2])) {
                EXPECT_EQ(to_display_z(z), scale_coordinate(z)) << z;
            }
        }
    }
    clear_display_anchor();
}

TEST(DisplayMapping, StaysContinuousAcrossABlockEdge)
{
    /* A track starting just below 4,330 km in X that runs 30 m past the edge. */
    set_display_anchor(4329990.0, -4329990.0, 10.0);
    EXPECT_NEAR(to_display_x(4329990.0), 9.990, 1e-9);
    EXPECT_NEAR(to_display_x(4330020.0), 10.020, 1e-9); /* plain scaling would give 0.020 */
    EXPECT_NEAR(to_display_y(-4329990.0), -9.990, 1e-9);
    EXPECT_NEAR(to_display_y(-4330020.0), -10.020, 1e-9);
    EXPECT_NEAR(to_display_z(-5.0), -0.005, 1e-9); /* below the block's start: goes negative */
    clear_display_anchor();
    EXPECT_FALSE(display_anchor_is_set());
}

} // namespace
