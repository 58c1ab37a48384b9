/*
 * test_zoom.cpp - the zoom's arithmetic: the point zoomed about stays, the
 * limits hold, and nonsense changes nothing.
 */
#include "manip/zoom.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

/* Where the zoom draws a point of the unzoomed picture. */
void zoomed(double x, double y, double* zx, double* zy)
{
    *zx = zoom_scale * x + zoom_offset_x;
    *zy = zoom_scale * y + zoom_offset_y;
}

TEST(Zoom, ThePointZoomedAboutStaysWhereItIs)
{
    reset_zoom();
    const double steps[][3] = {
        {1.25, 0.3, -0.2}, {1.25, -0.7, 0.5}, {0.8, 0.1, 0.9}, {2.0, 0.0, 0.0}, {0.5, -1.0, -1.0}};
    for (const auto& s : steps) {
        /* The picture's point now under (s[1], s[2]) ... */
        double ux = (s[1] - zoom_offset_x) / zoom_scale, uy = (s[2] - zoom_offset_y) / zoom_scale;
        zoom_about(s[0], s[1], s[2]);
        double x, y;
        zoomed(ux, uy, &x, &y);
        EXPECT_NEAR(x, s[1], 1e-12); /* ... is still there */
        EXPECT_NEAR(y, s[2], 1e-12);
    }
}

TEST(Zoom, StaysWithinItsLimitsAndIgnoresNonsense)
{
    reset_zoom();
    for (int i = 0; i < 200; ++i)
        zoom_about(1.25, 0.4, 0.4);
    EXPECT_DOUBLE_EQ(zoom_scale, ZOOM_NEAREST);
    double x, y;
    zoomed(0.4, 0.4, &x, &y);
    EXPECT_NEAR(x, 0.4, 1e-9) << "the last, clamped step kept the point too";
    for (int i = 0; i < 400; ++i)
        zoom_about(0.8, -0.3, 0.2);
    EXPECT_DOUBLE_EQ(zoom_scale, ZOOM_FARTHEST);
    double before = zoom_scale, ox = zoom_offset_x;
    for (double bad : {0.0, -2.0, double(NAN), double(INFINITY)}) {
        zoom_about(bad, 0.1, 0.1);
        zoom_about(1.25, bad, 0.1);
    }
    zoom_about(1.25, NAN, 0.0);
    EXPECT_LE(zoom_scale, ZOOM_NEAREST);
    EXPECT_TRUE(std::isfinite(zoom_offset_x) && std::isfinite(zoom_offset_y));
    (void)before;
    (void)ox;
    reset_zoom();
    EXPECT_EQ(zoom_scale, 1.0);
    EXPECT_EQ(zoom_offset_x, 0.0);
}

TEST(Zoom, WindowPixelsToNormalisedUnits)
{
    double x, y;
    window_to_ndc(0, 0, 600, 400, &x, &y);
    EXPECT_DOUBLE_EQ(x, -1.0);
    EXPECT_DOUBLE_EQ(y, -1.0);
    window_to_ndc(300, 200, 600, 400, &x, &y);
    EXPECT_DOUBLE_EQ(x, 0.0);
    EXPECT_DOUBLE_EQ(y, 0.0);
    window_to_ndc(600, 400, 600, 400, &x, &y);
    EXPECT_DOUBLE_EQ(x, 1.0);
    EXPECT_DOUBLE_EQ(y, 1.0);
    window_to_ndc(5, 5, 0, 0, &x, &y);
    EXPECT_EQ(x, 0.0);
}

} // namespace
