/*
 * track_reader.cpp - the fix-line parser and the bounds.
 *
 * The line reader (line_reader.h) hands each line's first 255 characters,
 * leading white space skipped, to the parser.  The parser scans a fix line
 * (fix_scanner.h), converts its position to Earth-centred and display
 * coordinates, widens the bounds and appends the record to frames.
 *
 * Entry points: open_file(), read_track_stream(), parse_fix_line(),
 * reset_bounds().
 */
#include "track_reader.h"

#include "display_mapping.h"
#include "geodesy.h"
#include "line_reader.h"
#include "prefault.h"
#include "track_point.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <fstream>

static const float BOUND_START_MAX = -999999.0f;
static const float BOUND_START_MIN = 999999.0f;

float bound_max_x = BOUND_START_MAX;
float bound_max_y = BOUND_START_MAX;
float bound_max_z = BOUND_START_MAX;
float bound_min_x = BOUND_START_MIN;
float bound_min_y = BOUND_START_MIN;
float bound_min_z = BOUND_START_MIN;
int fix_count = 0;
int sample_interval = 1;

enum { FILE_BUFFER_BYTES = 64 * 1024 }; /* the file stream's buffer: fewer, larger reads */

static const size_t FIRST_FRAME_ROOM = 4096; /* frame pointers; the room doubles when full */

static const double FIX_HEIGHT_METRES = 1.0;
static const double LATITUDE_LIMIT = 90.0;

void reset_bounds()
{
    bound_max_x = bound_max_y = bound_max_z = BOUND_START_MAX;
    bound_min_x = bound_min_y = bound_min_z = BOUND_START_MIN;
}

void open_file(const char* path)
{
    printf("Reading coordinates from %s\n", path);
    static char file_buffer[FILE_BUFFER_BYTES];
    std::ifstream in;
    in.rdbuf()->pubsetbuf(file_buffer, sizeof file_buffer); /* fewer, larger reads */
    in.open(path);
    if (!in.is_open()) {
        printf("Could not open file %s\n", path);
        return;
    }
    read_track_stream(in, path);
}

static void parse_line_of(const char* line, int line_number, void* source)
{
    parse_fix_line(line, static_cast<const char*>(source), line_number);
}

void read_track_stream(std::istream& in, const char* source)
{
    /* The file buffer throws when the system's read fails (a directory, a
       device error): keep the fixes read so far and say so. */
    try {
        read_lines(in, parse_line_of, const_cast<char*>(source));
    } catch (const std::exception& failure) {
        printf("Could not read file %s: %s\n", source, failure.what());
    }
}

static bool fix_is_finite(float seconds, float latitude, float longitude, float speed)
{
    return std::isfinite(seconds) && std::isfinite(latitude) && std::isfinite(longitude) &&
           std::isfinite(speed) && fabs(latitude) <= LATITUDE_LIMIT;
}

static void widen_bounds(const TrackPoint* point)
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

static void report_short_line(const char* source, int line_number, int fields)
{
    printf("track_reader.cpp: %s:%d: fix line does not match \"%s\" (%d of %d fields), skipped\n",
           source, line_number, FIX_LINE_TEMPLATE, fields < 0 ? 0 : fields, FIX_FIELD_COUNT);
}

static void report_unusable_fix(const char* source, int line_number)
{
    printf("track_reader.cpp: %s:%d: fix has no finite position, skipped\n", source, line_number);
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

void parse_fix_line(const char* line, const char* source, int line_number)
{
    if (line[0] != 'D')
        return;
    FixFields fix;
    int fields = scan_fix_line(line, &fix);
    if (fields != FIX_FIELD_COUNT) {
        report_short_line(source, line_number, fields);
        ++fix_count;
        return;
    }
    bool finite = fix_is_finite(fix.seconds, fix.latitude, fix.longitude, fix.speed);
    double x = 0, y = 0, z = 0;
    if (finite)
        geodetic_to_ecef(fix.latitude, fix.longitude, FIX_HEIGHT_METRES, &x, &y, &z);
    if (!finite || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        report_unusable_fix(source, line_number);
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
    point->ecef_x = x;
    point->ecef_y = y;
    point->ecef_z = z;
    if (!display_anchor_is_set())
        set_display_anchor(x, y, z);
    point->view_x = to_display_x(x);
    point->view_y = to_display_y(y);
    point->view_z = to_display_z(z);
    widen_bounds(point);

    if (fix_count % sample_interval == 0)
        append_frame(point);
    ++fix_count;
}
