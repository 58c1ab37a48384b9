/*
 * statistics.h - the figures of the loaded track: how many fixes, when,
 * how long, how far, how fast and how high, and their text.
 *
 * They are computed once a load (and again after a height change), from
 * frames, their full times and places (frame_fixes.h) and the reader's
 * count of fix lines, and written as a block of lines, the first four
 *     fixes: 296 (0 skipped)
 *     start: 2010-08-05 14:23:59 UTC
 *     elapsed: 1:59:50
 *     distance: 13.676 km
 * (a track without fixes has only "fixes: 0 (N skipped)" and "start: none").
 *
 * Entry points: StatisticsUnits, statistics_units_named(),
 * set_statistics_units(), TrackStatistics, track_statistics,
 * compute_statistics(), format_statistics(), statistics_text(), MomentFigures,
 * format_moment(), and the
 * rules' constants MOVING_KMH, MAX_SPEED_STEPS, CLIMB_FILTER_METRES.
 */
#ifndef KESTRIM_STATISTICS_H
#define KESTRIM_STATISTICS_H

#include <string>

enum StatisticsUnits {
    UNITS_METRIC,   /* km, km/h, m */
    UNITS_IMPERIAL, /* mi, mph, ft */
};

static const double MOVING_KMH = 1.0;          /* a step faster than this is moving */
enum { MAX_SPEED_STEPS = 7 };                  /* the top speed is a median of this many steps */
static const double CLIMB_FILTER_METRES = 5.0; /* a climb or fall smaller than this is noise */

struct TrackStatistics {
    long long fixes;        /* accepted: the frames */
    long long skipped;      /* lines beginning with D of the load that were not taken */
    double start, end;      /* UTC seconds (frame_fixes.h) of the first and last frame */
    double metres;          /* the geodesics from each frame to the next, summed */
    double moving_seconds;  /* of the steps faster than MOVING_KMH */
    double moving_metres;   /* their length */
    double top_speed;       /* metres a second; NaN without a step of time */
    double lowest_mph;      /* of the V= field, as recorded */
    double highest_mph;     /* of the V= field, as recorded */
    bool has_heights;       /* some frame has an altitude */
    double lowest, highest; /* metres above mean sea level */
    double ascent, descent; /* metres, with CLIMB_FILTER_METRES of hysteresis */
};

extern TrackStatistics track_statistics; /* of the last compute_statistics() */

/* "metric" or "imperial" into *units; false for any other name. */
bool statistics_units_named(const char* name, StatisticsUnits* units);

/* The units of the text from the next computation on (metric at start). */
void set_statistics_units(StatisticsUnits units);

/* The figures of frames as the last load left them, into track_statistics
   and the text block; prints nothing. */
void compute_statistics();

/* The block of lines of s, each ended by '\n'. */
std::string format_statistics(const TrackStatistics& s, StatisticsUnits units);

/* The block of the last computation; empty before any. */
const char* statistics_text();

/* One moment of the track, as the replay's marker stands at it. */
struct MomentFigures {
    double utc;    /* UTC seconds (frame_fixes.h); NaN without a time */
    double metres; /* from the first fix */
    double speed;  /* metres a second */
    double height; /* metres above mean sea level; NaN without one */
};

/* Its lines in the units of the statistics: "time: 2010-08-05 14:25:08
   UTC", "from start: 3.210 km", "speed: 23.4 km/h", "height: 551 m" (no
   height line without one). */
std::string format_moment(const MomentFigures& m);

#endif
