/*
 * test_curve_fitting.cpp - tangents, segments, Bessel tables and the curve
 * lists, on tracks whose geometry can be checked by hand.
 */
#include "support/track_state.h"

#include "curves/curve_controls.h"
#include "curves/curve_fitting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

TrackPoint* frame_at(double x, double y, double z)
{
    TrackPoint* p = new_track_point();
    p->ecef_x = x;
    p->ecef_y = y;
    p->ecef_z = z;
    if (!display_anchor_is_set())
        set_display_anchor(x, y, z);
    p->view_x = to_display_x(x);
    p->view_y = to_display_y(y);
    p->view_z = to_display_z(z);
    return p;
}

/* n frames from `start`, `step` metres apart along a straight line. */
void straight_track(int n, const double start[3], const double step[3])
{
    reset_track_state();
    for (int i = 0; i < n; ++i)
        frames.push_back(
            frame_at(start[0] + i * step[0], start[1] + i * step[1], start[2] + i * step[2]));
}

std::string fit_and_capture()
{
    testing::internal::CaptureStdout();
    fit_track_curves();
    return testing::internal::GetCapturedStdout();
}

template <class Point>
bool finite_record(const Point& p)
{
    const double values[] = {p.ecef_x, p.ecef_y,         p.ecef_z,     p.view_x,     p.view_y,
                             p.view_z, p.frame_distance, p.tangent[0], p.tangent[1], p.tangent[2]};
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

const double START[3] = {4321090.0, 1097417.0, 4545902.0};
const double STEP[3] = {3.0, -4.0, 12.0}; /* 13 m */

TEST(CurveFitting, AStraightEvenTrackHasTheLinesDirectionAndItsSpacing)
{
    straight_track(6, START, STEP);
    fit_and_capture();
    for (size_t i = 1; i + 1 < frames.size(); ++i) {
        const TrackPoint* p = frames[i];
        EXPECT_FLOAT_EQ(p->frame_distance, 26.0f) << i;
        EXPECT_FLOAT_EQ(p->tangent[0], 3.0f / 13) << i;
        EXPECT_FLOAT_EQ(p->tangent[1], -4.0f / 13) << i;
        EXPECT_FLOAT_EQ(p->tangent[2], 12.0f / 13) << i;
        EXPECT_FLOAT_EQ(p->chord[2], 24.0f) << i;
    }
    /* Each segment ends on the next frame (to a float's precision at 4,500 km). */
    for (size_t i = 1; i + 2 < frames.size(); ++i) {
        double cubic[3], linear[3];
        cubic_at(frames[i], 1.0f, cubic);
        linear_at(frames[i], 1.0f, linear);
        const double next[3] = {frames[i + 1]->ecef_x, frames[i + 1]->ecef_y,
                                frames[i + 1]->ecef_z};
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(cubic[axis], next[axis], 1.0) << i << " axis " << axis;
            EXPECT_NEAR(linear[axis], next[axis], 1.0) << i << " axis " << axis;
        }
        /* The control point lies a share control_scale of the frame distance ahead. */
        EXPECT_NEAR(frames[i]->control_point[0] - frames[i]->ecef_x, 26.0 * 3 / 13 * control_scale,
                    1e-4);
    }
}

/* f(k) = a k^3 + b k^2 + c k + d per axis. */
double cubic_poly(const double abcd[4], double k)
{
    return ((abcd[0] * k + abcd[1]) * k + abcd[2]) * k + abcd[3];
}

TEST(BesselTable, ReproducesACubicAtAnyParameter)
{
    const double poly[3][4] = {
        {2.5, -3.0, 40.0, 4321090.0}, {-1.25, 7.0, -12.0, 1097417.0}, {0.5, 0.0, 30.0, 4545902.0}};
    reset_track_state();
    TrackPoint* p[4];
    for (int k = -1; k <= 2; ++k)
        p[k + 1] = frame_at(cubic_poly(poly[0], k), cubic_poly(poly[1], k), cubic_poly(poly[2], k));
    build_bessel_table(p[0], p[1], p[2], p[3]);
    for (float t : {0.0f, 0.125f, 0.25f, 0.5f, 0.75f, 0.9f}) {
        double xyz[3];
        bessel_at(p[1], t, xyz);
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_NEAR(xyz[axis], cubic_poly(poly[axis], t), 1e-6)
                << "t " << t << " axis " << axis;
    }
}

TEST(CurveLists, SampleManyPointsOfEachSegmentWhenAsked)
{
    const double poly[3][4] = {
        {2.5, -3.0, 40.0, 4321090.0}, {-1.25, 7.0, -12.0, 1097417.0}, {0.5, 0.0, 30.0, 4545902.0}};
    reset_track_state();
    for (int k = 0; k < 6; ++k)
        frames.push_back(
            frame_at(cubic_poly(poly[0], k), cubic_poly(poly[1], k), cubic_poly(poly[2], k)));
    samples_per_segment = 4.0f;
    fit_and_capture();
    samples_per_segment = 1.0f;
    ASSERT_EQ(BesselFrames.size(), 3u * 4);
    ASSERT_EQ(CubicFrames.size(), 4u * 4);
    for (size_t i = 0; i < BesselFrames.size(); ++i) {
        double k = 1 + i / 4 + (i % 4) * 0.25;
        EXPECT_NEAR(BesselFrames[i].ecef_x, cubic_poly(poly[0], k), 1e-6) << i;
        EXPECT_NEAR(BesselFrames[i].view_y, to_display_y(cubic_poly(poly[1], k)), 1e-9) << i;
    }
}

TEST(CurveLists, AtOneSamplePerSegmentEachSampleIsTheSegmentStart)
{
    straight_track(7, START, STEP);
    fit_and_capture();
    ASSERT_EQ(CubicFrames.size(), 5u);
    ASSERT_EQ(LinearFrames.size(), 5u);
    ASSERT_EQ(BesselFrames.size(), 4u);
    for (size_t i = 0; i < CubicFrames.size(); ++i) {
        const TrackPoint* frame = frames[i + 1];
        EXPECT_EQ(CubicFrames[i].ecef_x, frame->cubic_coeffs[3]);
        EXPECT_EQ(CubicFrames[i].ecef_z, frame->cubic_coeffs[11]);
        EXPECT_EQ(LinearFrames[i].ecef_y, frame->linear_coeffs[3]);
        EXPECT_EQ(CubicFrames[i].view_x, to_display_x(frame->cubic_coeffs[3]));
    }
    for (size_t i = 0; i < BesselFrames.size(); ++i) {
        EXPECT_EQ(BesselFrames[i].ecef_x, frames[i + 1]->ecef_x);
        EXPECT_EQ(BesselFrames[i].ecef_y, frames[i + 1]->ecef_y);
    }
}

struct SizeCase {
    int frames;
    const char* transcript;
};

TEST(FitTrackCurves, PrintsTheEmptyFramesAndTheListSizes)
{
    const SizeCase cases[] = {
        {0, "checking if any frames do not have curves\n"
            "CubicFrames size = 0\nLinearFrames size = 0\nBesselFrames size = 0\n"},
        {1, "checking if any frames do not have curves\nFrame #0 is empty \n"
            "CubicFrames size = 0\nLinearFrames size = 0\nBesselFrames size = 0\n"},
        {2, "checking if any frames do not have curves\nFrame #0 is empty \nFrame #1 is empty \n"
            "CubicFrames size = 0\nLinearFrames size = 0\nBesselFrames size = 0\n"},
        {3, "checking if any frames do not have curves\nFrame #0 is empty \nFrame #2 is empty \n"
            "CubicFrames size = 1\nLinearFrames size = 1\nBesselFrames size = 0\n"},
        {4, "checking if any frames do not have curves\nFrame #0 is empty \nFrame #3 is empty \n"
            "CubicFrames size = 2\nLinearFrames size = 2\nBesselFrames size = 1\n"},
        {10, "checking if any frames do not have curves\nFrame #0 is empty \nFrame #9 is empty \n"
             "CubicFrames size = 8\nLinearFrames size = 8\nBesselFrames size = 7\n"},
    };
    for (const SizeCase& c : cases) {
        straight_track(c.frames, START, STEP);
        EXPECT_EQ(fit_and_capture(), c.transcript) << c.frames << " frames";
    }
}

TEST(FitTrackCurves, ATrackStandingStillHasNoNaN)
{
    const double still[3] = {0.0, 0.0, 0.0};
    straight_track(8, START, still);
    /* And a receiver that stops for a while in the middle of a walk. */
    frames.push_back(frame_at(START[0] + 5, START[1], START[2]));
    frames.push_back(frame_at(START[0] + 9, START[1], START[2]));
    fit_and_capture();
    for (const TrackPoint* p : frames) {
        EXPECT_TRUE(finite_record(*p));
        for (float c : p->cubic_coeffs)
            EXPECT_TRUE(std::isfinite(c));
    }
    EXPECT_EQ(frames[3]->tangent[0], 0.0f);
    EXPECT_EQ(frames[3]->frame_distance, 0.0f);
    for (const CurveList* list : {&CubicFrames, &LinearFrames, &BesselFrames})
        for (const CurveSample& sample : *list)
            EXPECT_TRUE(finite_record(sample));
}

struct BandCase {
    float s;
    float r, g, b;
};

TEST(BandColour, RunsFromRedThroughGreenToBlueInBandsOfTheThreshold)
{
    const float T = 10.0f;
    const BandCase cases[] = {
        {0, 1, 0, 0},  {5, 1, 0.5f, 0},  {10, 1, 1, 0}, {15, 0.5f, 1, 0},
        {20, 0, 1, 0}, {25, 0, 1, 0.5f}, {30, 0, 1, 1}, {35, 0, 0.5f, 1},
        {40, 0, 0, 1}, {45, 0, 0, 0.5f}, {50, 0, 0, 0}, {60, 0, 0, -1},
    };
    for (const BandCase& c : cases) {
        float rgb[3];
        band_colour(c.s, T, rgb);
        EXPECT_FLOAT_EQ(rgb[0], c.r) << "s " << c.s;
        EXPECT_FLOAT_EQ(rgb[1], c.g) << "s " << c.s;
        EXPECT_FLOAT_EQ(rgb[2], c.b) << "s " << c.s;
    }
}

TEST(CurveControls, ThresholdStopsAtOneAndSaysNothingThere)
{
    threshold = 3.0f;
    testing::internal::CaptureStdout();
    threshold_down();
    threshold_down();
    threshold_down();
    threshold_up();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "threshold: 2\nthreshold: 1\nthreshold: 2\n");
    EXPECT_EQ(threshold, 2.0f);
    threshold = 10.0f;
}

TEST(CurveControls, CurveIndexStaysWithinTheFrames)
{
    straight_track(5, START, STEP);
    curve_index = 1;
    testing::internal::CaptureStdout();
    curve_index_up();
    curve_index_up();
    curve_index_up();
    curve_index_down();
    curve_index_down();
    curve_index_down();
    curve_index_down();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "curve index: 2\ncurve index: 3\ncurve index: 3\n"
              "curve index: 2\ncurve index: 1\ncurve index: 0\ncurve index: 0\n");
    curve_index = 1;
}

} // namespace
