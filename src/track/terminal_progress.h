/*
 * terminal_progress.h - one progress line on the terminal, for a long load
 * or conversion.
 *
 * Only when standard output is a terminal: the line is written over
 * itself with a carriage return, at most ten times a second and only once
 * the wait has lasted half a second, and erased when the wait ends or
 * before any other line is printed meanwhile, so that the transcript reads
 * as without it.  Into a file or a pipe nothing of it is written.
 *
 * Entry points: TERMINAL_LINE_AFTER_SECONDS, show_load_progress_on_terminal(),
 * show_terminal_line(), erase_terminal_line().
 */
#ifndef KESTRIM_TERMINAL_PROGRESS_H
#define KESTRIM_TERMINAL_PROGRESS_H

static const double TERMINAL_LINE_AFTER_SECONDS = 0.5; /* of a wait before its line shows */

/* Every load from now on shows its progress on the terminal, when standard
   output is one. */
void show_load_progress_on_terminal();

/* text, on the terminal's progress line, unless it was written less than
   a tenth of a second ago (now: monotonic seconds; a drawing counts even
   when the line was erased since); nothing when standard
   output is no terminal. */
void show_terminal_line(const char* text, double now);

/* The progress line erased, when one is shown. */
void erase_terminal_line();

#endif
