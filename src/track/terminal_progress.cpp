/*
 * terminal_progress.cpp - the progress line on the terminal.
 *
 * The line is written with stdio, as every other message is, so that the
 * two never cross: "\r", the text and "erase to the end of the line", and
 * to take it down "\r" and the erase alone.  Its text stays short, so that
 * it does not wrap on a terminal of 80 columns.
 *
 * Entry points: show_load_progress_on_terminal(), show_terminal_line(),
 * erase_terminal_line().
 */
#include "terminal_progress.h"

#include "load_progress.h"

#include <cstdio>
#include <unistd.h>

static const double REDRAW_SECONDS = 0.1; /* at least, between two drawings of the line */
static const double BYTES_PER_MB = 1e6;
static const char ERASE[] = "\r\033[K"; /* to the line's start, then clear it */

static bool line_shown = false;     /* the line is on the terminal now */
static double line_drawn_at = -1.0; /* when it was last written; -1: never */

void show_terminal_line(const char* text, double now)
{
    if (!isatty(STDOUT_FILENO))
        return;
    if (line_drawn_at >= 0 && now - line_drawn_at < REDRAW_SECONDS)
        return;
    fputs(ERASE, stdout);
    fputs(text, stdout);
    fflush(stdout);
    line_shown = true;
    line_drawn_at = now;
}

void erase_terminal_line()
{
    if (!line_shown)
        return;
    fputs(ERASE, stdout);
    fflush(stdout);
    line_shown = false;
}

/* "reading 45% (250 of 557 MB), 3.2 s", or the step and the time. */
static void describe(const LoadProgress& progress, char* text, size_t size)
{
    double seconds = progress.now - progress.started;
    if (progress.step == LOAD_READING && progress.bytes_total > 0)
        snprintf(text, size, "loading: reading %.0f%% (%.0f of %.0f MB), %.1f s",
                 100.0 * progress.bytes_read / progress.bytes_total,
                 progress.bytes_read / BYTES_PER_MB, progress.bytes_total / BYTES_PER_MB, seconds);
    else
        snprintf(text, size, "loading: %s, %.1f s", load_step_name(progress.step), seconds);
}

static void on_load_progress(const LoadProgress& progress, ProgressEvent event)
{
    /* A step's messages follow right after it begins: its line shows at
       its first report of work. */
    if (event != PROGRESS_MOVED) {
        erase_terminal_line();
        return;
    }
    if (progress.now - progress.started < TERMINAL_LINE_AFTER_SECONDS)
        return;
    char text[96];
    describe(progress, text, sizeof text);
    show_terminal_line(text, progress.now);
}

void show_load_progress_on_terminal()
{
    if (isatty(STDOUT_FILENO))
        add_progress_listener(on_load_progress);
}
