/*
 * fps_report.cpp - the --fps line: frames counted over windows of at least
 * 5 seconds, each window printed once it has passed.
 *
 * A window starts at a swap and ends at the first swap 5 seconds or more
 * later, which starts the next one; the frames of a window are the swaps
 * after its start up to and including its end, so that N frames over S
 * seconds are N frame times.  The seconds are printed as measured: a
 * window that a slow frame or a stall stretches says so.
 *
 * Entry points: see fps_report.h.
 */
#include "fps_report.h"

#include "viewer_state.h"

#include <cstdio>

static double fps_window_start = -1.0; /* swap that started the window; -1: none yet */
static long fps_window_frames = 0;     /* swaps since then */

void restart_fps_report()
{
    fps_window_start = -1.0;
    fps_window_frames = 0;
}

void report_fps_at(double now)
{
    if (!fps_printing)
        return;
    if (fps_window_start < 0) {
        fps_window_start = now;
        return;
    }
    ++fps_window_frames;
    double seconds = now - fps_window_start;
    if (seconds < FPS_REPORT_WINDOW_SECONDS)
        return;
    printf("%ld frames in %.1f seconds = %.1f FPS\n", fps_window_frames, seconds,
           fps_window_frames / seconds);
    fflush(stdout);
    fps_window_start = now;
    fps_window_frames = 0;
}
