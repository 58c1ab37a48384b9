/*
 * track_reader.cpp - the line reader and the fix-line parser.
 *
 * The reader hands each line's first 255 characters, leading white space
 * skipped, to the parser.  The parser scans a fix line (fix_scanner.h),
 * converts its position to Earth-centred and display coordinates, widens
 * the bounds and appends the record to frames.
 *
 * Entry points: open_file(), read_track_stream(), read_lines(),
 * parse_fix_line(), reset_bounds().
 */
#include "track_reader.h"

#include "display_mapping.h"
#include "geodesy.h"
#include "prefault.h"
#include "track_point.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
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

enum {
    LINE_BUFFER_BYTES = 256,      /* at most 255 characters of a line are parsed */
    READ_CHUNK_BYTES = 64 * 1024, /* read from the stream at a time */
};

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
    static char file_buffer[READ_CHUNK_BYTES];
    std::ifstream in;
    in.rdbuf()->pubsetbuf(file_buffer, sizeof file_buffer); /* fewer, larger reads */
    in.open(path);
    if (!in.is_open()) {
        printf("Could not open file %s\n", path);
        return;
    }
    read_track_stream(in, path);
}

/* A line being gathered across the reader's chunks. */
struct LineState {
    char line[LINE_BUFFER_BYTES];
    int kept;         /* bytes of the line kept so far */
    int line_number;  /* of the line being gathered, from 1 */
    bool in_line;     /* false while skipping the white space before a line */
};

/* Skips white space, counting the newlines passed; returns where it stopped. */
static const char* skip_white_space(const char* p, const char* end, LineState* state)
{
    while (p < end && isspace(static_cast<unsigned char>(*p))) {
        if (*p == '\n')
            ++state->line_number;
        ++p;
    }
    return p;
}

/* Keeps bytes up to the newline or the chunk's end, at most
   LINE_BUFFER_BYTES - 1 of them: the whole rest of a line is dropped,
   however long, so that no piece of an overlong line is ever taken for a
   line of its own.  Returns where it stopped. */
static const char* gather_line(const char* p, const char* end, LineState* state)
{
    const char* newline = static_cast<const char*>(memchr(p, '\n', end - p));
    const char* stop = newline != nullptr ? newline : end;
    size_t room = LINE_BUFFER_BYTES - 1 - state->kept;
    size_t take = static_cast<size_t>(stop - p) < room ? static_cast<size_t>(stop - p) : room;
    memcpy(state->line + state->kept, p, take);
    state->kept += static_cast<int>(take);
    return stop;
}

static void finish_line(LineState* state, LineHandler handle, void* context)
{
    state->line[state->kept] = '\0';
    handle(state->line, state->line_number, context);
    state->kept = 0;
    state->in_line = false;
}

static void read_chunk(const char* p, const char* end, LineState* state, LineHandler handle,
                       void* context)
{
    while (p < end) {
        if (!state->in_line) {
            p = skip_white_space(p, end, state);
            state->in_line = p < end;
            continue;
        }
        p = gather_line(p, end, state);
        if (p < end) { /* at the newline */
            finish_line(state, handle, context);
            ++state->line_number;
            ++p;
        }
    }
}

/* The next bytes the stream's buffer holds, at most size of them: 0 at the
   end.  Each call reads from the system at most once, so that when a read
   fails, every byte before it has already been handed on. */
static std::streamsize next_chunk(std::streambuf* buffer, char* chunk, std::streamsize size)
{
    if (buffer->sgetc() == EOF)
        return 0;
    std::streamsize waiting = buffer->in_avail();
    if (waiting <= 0) /* a buffer that shows one byte at a time */
        waiting = 1;
    return buffer->sgetn(chunk, waiting < size ? waiting : size);
}

void read_lines(std::istream& in, LineHandler handle, void* context)
{
    static char chunk[READ_CHUNK_BYTES]; /* one reader at a time, as the viewer has */
    std::streambuf* buffer = in.rdbuf();
    LineState state;
    state.kept = 0;
    state.line_number = 1;
    state.in_line = false;
    std::streamsize got;
    while ((got = next_chunk(buffer, chunk, sizeof chunk)) > 0)
        read_chunk(chunk, chunk + got, &state, handle, context);
    if (state.in_line) /* the last line has no newline */
        finish_line(&state, handle, context);
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
    if (bound_max_x < point->view_x) bound_max_x = point->view_x;
    if (bound_max_y < point->view_y) bound_max_y = point->view_y;
    if (bound_max_z < point->view_z) bound_max_z = point->view_z;
    if (bound_min_x > point->view_x) bound_min_x = point->view_x;
    if (bound_min_y > point->view_y) bound_min_y = point->view_y;
    if (bound_min_z > point->view_z) bound_min_z = point->view_z;
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
