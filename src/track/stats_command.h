/*
 * stats_command.h - "kestrim --stats FILE": the statistics of a track on
 * standard output, without a window.
 *
 * Entry points: run_stats_command().
 */
#ifndef KESTRIM_STATS_COMMAND_H
#define KESTRIM_STATS_COMMAND_H

/* Converts path as the viewer does (format as --format gives it, or
   null), loads it with its messages held back and prints the statistics
   block alone: the exit status, 0; or 1 after one line saying why the
   file cannot be opened. */
int run_stats_command(const char* path, const char* format);

#endif
