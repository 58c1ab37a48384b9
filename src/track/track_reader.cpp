/*
 * track_reader.cpp - the fix-line parser and the bounds.
 *
 * The line reader (line_reader.h) hands each line's first 255 characters,
 * leading white space skipped, to the parser.  The parser scans a fix line
 * (fix_scanner.h), converts its position to Earth-centred and display
 * coordinates, widens the bounds and appends the record to frames, and
 * what the record does not keep of the fix to frame_fixes (frame_fixes.h).
 *
 * Diagnostics name the source and the line; after the first
 * MAX_REPORTED_LINES of one read, the rest are only counted, and said in
 * one line at its end, so that a file of noise cannot flood the output.
 *
 * Entry points: read_track_stream(), parse_fix_line(), reset_bounds(),
 * start_fix_diagnostics(), finish_fix_diagnostics().
 */
#include "track_reader.h"

#include "display_mapping.h"
#include "frame_fixes.h"
#include "geodesy.h"
#include "heights.h"
#include "line_reader.h"
#include "load_progress.h"
#include "prefault.h"
#include "text_format.h"
#include "track_point.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <exception>

static const float BOUND_START_MAX = -999999.0f;
static const float BOUND_START_MIN = 999999.0f;

float bound_max_x = BOUND_START_MAX;
float bound_max_y = BOUND_START_MAX;
float bound_max_z = BOUND_START_MAX;
float bound_min_x = BOUND_START_MIN;
float bound_min_y = BOUND_START_MIN;
float bound_min_z = BOUND_START_MIN;
long long fix_count = 0;
int sample_interval = 1;

enum { MAX_REPORTED_LINES = 20 };      /* of one read; the rest are counted */
static long long reported_lines = 0;   /* of the read under way */
static long long unreported_lines = 0; /* past MAX_REPORTED_LINES */

static const size_t FIRST_FRAME_ROOM = 4096; /* frame pointers; the room doubles when full */

static const double LATITUDE_LIMIT = 90.0;

void reset_bounds()
{
    bound_max_x = bound_max_y = bound_max_z = BOUND_START_MAX;
    bound_min_x = bound_min_y = bound_min_z = BOUND_START_MIN;
}

void start_fix_diagnostics()
{
    reported_lines = unreported_lines = 0;
}

void finish_fix_diagnostics()
{
    char count[THOUSANDS_BYTES];
    if (unreported_lines > 0) {
        before_load_message();
        printf("\u2026 and %s more lines skipped\n", with_thousands(unreported_lines, count));
    }
    reported_lines = unreported_lines = 0;
}

/* One line's diagnostic, unless the read has said enough of them. */
static void report_line(const char* source, long long line_number, const char* format, ...)
{
    if (reported_lines >= MAX_REPORTED_LINES) {
        ++unreported_lines;
        return;
    }
    ++reported_lines;
    before_load_message();
    printf("track_reader.cpp: %s:%lld: ", source, line_number);
    va_list arguments;
    va_start(arguments, format);
    vprintf(format, arguments);
    va_end(arguments);
    printf(", skipped\n");
}

static void parse_line_of(const char* line, long long line_number, void* source)
{
    parse_fix_line(line, static_cast<const char*>(source), line_number);
}

void read_track_stream(std::istream& in, const char* source)
{
    /* The file buffer throws when the system's read fails (a directory, a
       device error): keep the fixes read so far and say so. */
    start_fix_diagnostics();
    try {
        read_lines(in, parse_line_of, const_cast<char*>(source));
    } catch (const std::exception& failure) {
        before_load_message();
        printf("Could not read file %s: %s\n", source, failure.what());
    }
    finish_fix_diagnostics();
}

/* The field of a scanned fix that is no number or no place on Earth, or
   null when all are sound. */
static const char* wrong_field(const FixFields& fix)
{
    if (!std::isfinite(fix.seconds))
        return "no finite seconds";
    if (!std::isfinite(fix.latitude))
        return "no finite latitude";
    if (!std::isfinite(fix.longitude))
        return "no finite longitude";
    if (!std::isfinite(fix.speed))
        return "no finite speed";
    if (fabs(fix.latitude) > LATITUDE_LIMIT)
        return "a latitude beyond 90 degrees";
    return nullptr;
}

void widen_bounds(const TrackPoint* point)
{
    if (bound_max_x < point->view_x)
        bound_max_x = point->view_x;
    if (bound_max_y < point->view_y)
        bound_max_y = point->view_y;
    if (bound_max_z < point->view_z)
        bound_max_z = point->view_z;
    if (bound_min_x > point->view_x)
        bound_min_x = point->view_x;
    if (bound_min_y > point->view_y)
        bound_min_y = point->view_y;
    if (bound_min_z > point->view_z)
        bound_min_z = point->view_z;
}

static void report_short_line(const char* source, long long line_number, int fields)
{
    report_line(source, line_number, "fix line does not match \"%s\" (%d of %d fields)",
                FIX_LINE_TEMPLATE, fields < 0 ? 0 : fields, FIX_FIELD_COUNT);
}

/* Grows frames as push_back would, by doubling, but into storage faulted
   in ahead. */
static void append_frame(TrackPoint* point)
{
    if (frames.size() == frames.capacity()) {
        size_t room = frames.empty() ? FIRST_FRAME_ROOM : 2 * frames.capacity();
        reserve_faulted_in(&frames, room);
    }
    frames.push_back(point);
}

/* The fix's full time, and its place as the line writes it where that is
   what the floats were read from. */
static FrameFix full_fix(const char* line, const FixFields& fix)
{
    FrameFix full = {utc_seconds(fix.year, fix.month, fix.day, fix.hour, fix.minute, fix.seconds),
                     fix.latitude, fix.longitude};
    double latitude = 0, longitude = 0;
    if (scan_place_digits(line, &latitude, &longitude) &&
        static_cast<float>(latitude) == fix.latitude &&
        static_cast<float>(longitude) == fix.longitude) {
        full.latitude = latitude;
        full.longitude = longitude;
    }
    return full;
}

void parse_fix_line(const char* line, const char* source, long long line_number)
{
    if (line[0] != 'D')
        return;
    FixFields fix;
    int speed_end = -1;
    int fields = scan_fix_line(line, &fix, &speed_end);
    if (fields != FIX_FIELD_COUNT) {
        report_short_line(source, line_number, fields);
        ++fix_count;
        return;
    }
    const char* wrong = wrong_field(fix);
    double altitude = NAN;
    AltitudeField altitude_field =
        speed_end >= 0 ? scan_altitude(line + speed_end, &altitude) : ALTITUDE_ABSENT;
    if (wrong == nullptr && altitude_field == ALTITUDE_NOT_FINITE)
        wrong = "no finite altitude";
    if (wrong == nullptr && altitude_field == ALTITUDE_OUT_OF_RANGE)
        wrong = "an altitude beyond -1,000 to 100,000 m";
    double undulation = 0, height = FIX_HEIGHT_METRES;
    if (wrong == nullptr && altitude_field == ALTITUDE_FOUND) {
        undulation = geoid_undulation(fix.latitude, fix.longitude);
        height = altitude + undulation;
    }
    double x = 0, y = 0, z = 0;
    if (wrong == nullptr) {
        geodetic_to_ecef(fix.latitude, fix.longitude, height, &x, &y, &z);
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
            wrong = "no finite position";
    }
    if (wrong != nullptr) {
        report_line(source, line_number, "fix has %s", wrong);
        ++fix_count;
        return;
    }

    TrackPoint* point = new_track_point();
    point->day = fix.day;
    point->hour = fix.hour;
    point->minute = fix.minute;
    point->seconds = fix.seconds;
    point->time_of_period =
        fix.minute * 60.0f + fix.seconds + fix.hour * 3600.0f + fix.day * 86400.0f;
    point->latitude = fix.latitude;
    point->longitude = fix.longitude;
    point->speed_mph = fix.speed;
    point->altitude = altitude_field == ALTITUDE_FOUND ? altitude : NAN;
    point->geoid_undulation = static_cast<float>(undulation);
    point->ecef_x = x;
    point->ecef_y = y;
    point->ecef_z = z;
    if (!display_anchor_is_set())
        set_display_anchor(x, y, z);
    point->view_x = to_display_x(x);
    point->view_y = to_display_y(y);
    point->view_z = to_display_z(z);
    widen_bounds(point);

    if (fix_count % sample_interval == 0) {
        note_frame_fix(full_fix(line, fix));
        append_frame(point);
    }
    ++fix_count;
}
