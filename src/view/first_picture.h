/*
 * first_picture.h - for the benchmark: when the window first shows a
 * picture, measured from a moment the caller gives.
 *
 * With KESTRIM_BENCH_FIRST_PICTURE set to a reading of the monotonic clock
 * in seconds (CLOCK_MONOTONIC, the same for every process; kestrim_bench
 * takes it just before it starts the viewer), the first swap prints "first
 * picture after X s", X counted from that reading, flushed.  Unset, empty
 * or not a number: nothing is printed, ever.
 *
 * Entry points: FIRST_PICTURE_VARIABLE, note_picture_shown().
 */
#ifndef KESTRIM_FIRST_PICTURE_H
#define KESTRIM_FIRST_PICTURE_H

static const char FIRST_PICTURE_VARIABLE[] = "KESTRIM_BENCH_FIRST_PICTURE";

/* Called after every swap: the first call prints the line if asked to. */
void note_picture_shown();

#endif
