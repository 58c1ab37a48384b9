/*
 * fps_report.h - the frame rate on standard output (--fps): every 5 seconds
 * of drawing, "N frames in S seconds = F FPS", flushed, the way the classic
 * GL demos print it.
 *
 * Entry points: FPS_REPORT_WINDOW_SECONDS, report_fps_at(), restart_fps_report().
 */
#ifndef KESTRIM_FPS_REPORT_H
#define KESTRIM_FPS_REPORT_H

static const double FPS_REPORT_WINDOW_SECONDS = 5.0; /* a line once this much has passed */

/* Counts one frame swapped at now (seconds of any steady clock) and, when
   fps_printing is set, prints the line of the window it ends.  The first
   frame starts the first window. */
void report_fps_at(double now);

/* The next frame starts a new window; nothing counted so far is printed. */
void restart_fps_report();

#endif
