/*
 * track_reader.h - reading a track file into the frame list.
 *
 * A track file is text, one fix a line:
 *     D=2010-08-05T14:23:59,P=45.7721750 14.3576592,V=0.000
 * (date and UTC time, latitude and longitude in degrees, speed in mph).
 * Lines that do not begin with "D" are skipped.
 *
 * Entry points: read_track_stream(), parse_fix_line(), reset_bounds(), widen_bounds(),
 * start_fix_diagnostics(), finish_fix_diagnostics(), the bounds, fix_count,
 * sample_interval.  Files on disk are read by open_file() (track_file.h).
 */
#ifndef KESTRIM_TRACK_READER_H
#define KESTRIM_TRACK_READER_H

#include "fix_scanner.h"
#include "track_point.h"

#include <istream>

extern float bound_max_x, bound_max_y, bound_max_z; /* largest display coordinate seen */
extern float bound_min_x, bound_min_y, bound_min_z; /* smallest display coordinate seen */
extern long long fix_count;                         /* every "D" line read, kept or not */
extern int sample_interval; /* every sample_interval-th fix is pushed onto frames */

/* Bounds back to their start values, ready for the next track. */
void reset_bounds();

/* Takes a record's display position into the bounds. */
void widen_bounds(const TrackPoint* point);

/* Read every line of a stream; source names it in diagnostics. */
void read_track_stream(std::istream& in, const char* source);

/* Handle one line: a fix line is parsed, converted and pushed onto frames.
   source and line_number only name the line in diagnostics. */
void parse_fix_line(const char* line, const char* source, long long line_number);

/* The diagnostics of one read: counted from the start, and the ones past
   the first twenty said in one line at the finish. */
void start_fix_diagnostics();
void finish_fix_diagnostics();

#endif
