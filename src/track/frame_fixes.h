/*
 * frame_fixes.h - what the record does not keep of each frame's fix: its
 * full UTC time and its place to the digits of its line.
 *
 * The record keeps only the day of the month and the time of day, and the
 * latitude and longitude as floats (half a metre apart at mid latitudes).
 * A difference of times across months and years, and distances summed
 * over thousands of fixes, need more: it is kept here, one entry for each
 * entry of frames, filled by the reader as it appends a frame.
 *
 * Entry points: FrameFix, frame_fixes, fixes_before_load, UtcDate,
 * utc_seconds(), utc_date(), start_frame_fixes(), note_frame_fix(),
 * frame_fix().
 */
#ifndef KESTRIM_FRAME_FIXES_H
#define KESTRIM_FRAME_FIXES_H

#include <cstddef>
#include <vector>

struct FrameFix {
    double time;      /* UTC seconds since 1970-01-01 00:00; NaN when not known */
    double latitude;  /* degrees, as the line writes them */
    double longitude; /* degrees, as the line writes them */
};

extern std::vector<FrameFix> frame_fixes; /* of each frame, in step with frames */
extern long long fixes_before_load;       /* fix_count when the load began */

/* A moment of the calendar, as the fix line writes it. */
struct UtcDate {
    long long year;
    int month, day, hour, minute;
    double seconds;
};

/* Seconds since 1970-01-01 00:00 UTC of a date and time of the proleptic
   Gregorian calendar; a month or day out of its range counts on from the
   year's or the month's start, as a calendar would. */
double utc_seconds(long long year, int month, int day, int hour, int minute, double seconds);

/* The date and time of seconds since 1970-01-01 00:00 UTC. */
UtcDate utc_date(double seconds);

/* A new load: no fixes, and fix_count noted as the count before it. */
void start_frame_fixes();

/* What the record lacks of the frame about to be appended, frames.size()
   its index. */
void note_frame_fix(const FrameFix& fix);

/* Of frames[index]; for a frame the reader did not append, the record's
   place and no time. */
FrameFix frame_fix(size_t index);

#endif
