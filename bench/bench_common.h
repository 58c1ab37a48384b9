/*
 * bench_common.h - what the benchmark's parts share: memory readings and
 * the result line format.
 *
 * Every result is printed as one "key value" line on standard output, so
 * that scripts/bench.sh can gather them into the table.
 *
 * Entry points: resident_bytes(), peak_resident_bytes(), report(),
 * generate_track(), run_load_bench(), run_draw_bench(),
 * run_first_picture_bench(), run_viewer_bench(); the clock is the
 * program's own (track/clock.h).
 */
#ifndef KESTRIM_BENCH_COMMON_H
#define KESTRIM_BENCH_COMMON_H

#include "track/clock.h"

#include <cstddef>

/* Resident memory of this process now, and at its peak, in bytes. */
size_t resident_bytes();
size_t peak_resident_bytes();

/* One result line: "key value". */
void report(const char* key, double value);

/* Writes a random-walk track of count fixes to path, as a track file or as
   GPX; the same seed gives the same walk. */
int generate_track(const char* path, long count, unsigned seed, bool gpx);

/* The load figures of the track at path, and their floors. */
int run_load_bench(const char* path);

/* Frames per second of the display cycle and of the renderer's floor, in a window. */
int run_draw_bench(const char* path, double seconds_per_figure);

/* The real viewer at kestrim, started on track: the time from its start to
   its first picture, and its memory then. */
int run_first_picture_bench(const char* kestrim, const char* track);

/* The real viewer with --fps (and --no-lod): its frame rates at rest, zoomed
   in and while dragging, and its memory after drawing every curve list. */
int run_viewer_bench(const char* kestrim, const char* track, bool no_lod);

#endif
