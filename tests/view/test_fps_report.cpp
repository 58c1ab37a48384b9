/*
 * test_fps_report.cpp - the --fps line, at swap times given by the test:
 * its text, the windows of at least 5 s it covers and the frames in them.
 */
#include "view/fps_report.h"
#include "view/viewer_state.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Swap {
    double now;
    const char* printed; /* by the swap at now */
};

/* What report_fps_at prints for each swap, with --fps as given. */
void expect_lines(bool printing, const Swap* swaps, size_t count)
{
    fps_printing = printing;
    restart_fps_report();
    for (size_t i = 0; i < count; ++i) {
        testing::internal::CaptureStdout();
        report_fps_at(swaps[i].now);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), swaps[i].printed)
            << "swap at " << swaps[i].now;
    }
    fps_printing = false;
    restart_fps_report();
}

TEST(FpsReport, PrintsTheFramesOfEveryFiveSecondsFromTheFirstSwap)
{
    const Swap swaps[] = {
        {100.0, ""}, /* the first swap starts the window and is not counted */
        {101.0, ""},
        {102.5, ""},
        {104.99, ""},
        {105.0, "4 frames in 5.0 seconds = 0.8 FPS\n"}, /* 5 s exactly end it */
        {105.02, ""}, /* the next window starts at the swap that ended the last */
        {106.0, ""},
        {110.01, "3 frames in 5.0 seconds = 0.6 FPS\n"},
        {112.0, ""},
        {125.6, "2 frames in 15.6 seconds = 0.1 FPS\n"}, /* a stall: one line, as measured */
        {125.7, ""},
    };
    expect_lines(true, swaps, sizeof swaps / sizeof swaps[0]);
}

TEST(FpsReport, CountsEverySwapOfAFastWindow)
{
    fps_printing = true;
    restart_fps_report();
    std::string printed;
    testing::internal::CaptureStdout();
    /* Swaps 1/64 s apart: the first starts the window, the 320th after it
       is the first at 5 s or later and ends it. */
    for (int i = 0; i <= 320 + 10; ++i)
        report_fps_at(i / 64.0);
    printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "320 frames in 5.0 seconds = 64.0 FPS\n");
    fps_printing = false;
    restart_fps_report();
}

TEST(FpsReport, WithoutTheOptionPrintsNothing)
{
    const Swap quiet[] = {{0.0, ""}, {3.0, ""}, {6.0, ""}, {12.0, ""}, {60.0, ""}};
    expect_lines(false, quiet, sizeof quiet / sizeof quiet[0]);
}

} // namespace
