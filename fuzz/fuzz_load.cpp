/*
 * fuzz_load.cpp - libFuzzer target over the track loader.
 *
 * Each input is loaded as a track file by the viewer's own load driver,
 * load_track_stream().  The loaded track is then checked, and any broken
 * invariant aborts, so that libFuzzer keeps the input as a crash.  The
 * input's first line is also scanned by the fast fix-line scanner and by
 * sscanf with the template, which must agree.  Built by the fuzz preset and
 * run by scripts/fuzz.sh.
 */
#include "curves/curve_lists.h"
#include "track/display_mapping.h"
#include "track/fix_scanner.h"
#include "track/load.h"
#include "track/track_point.h"
#include "track/track_reader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

/* A tangent is a unit vector or, for a frame that has none, zero; floats
   of a unit vector keep its length this close to 1. */
static const double TANGENT_LENGTH_SLACK = 1e-4;

static void fail(const char* list, size_t index, const char* field, double value)
{
    fprintf(stderr, "fuzz_load: %s[%zu].%s = %.17g breaks the loaded-track invariants\n", list,
            index, field, value);
    fflush(stderr);
    abort();
}

static void require_finite(const char* list, size_t index, const char* field, double value)
{
    if (!std::isfinite(value))
        fail(list, index, field, value);
}

/* Frames and curve samples carry the same checked fields. */
template <class Point>
static void check_record(const char* list, size_t index, const Point* p)
{
    require_finite(list, index, "ecef_x", p->ecef_x);
    require_finite(list, index, "ecef_y", p->ecef_y);
    require_finite(list, index, "ecef_z", p->ecef_z);
    require_finite(list, index, "view_x", p->view_x);
    require_finite(list, index, "view_y", p->view_y);
    require_finite(list, index, "view_z", p->view_z);
    require_finite(list, index, "frame_distance", p->frame_distance);
    if (p->frame_distance < 0.0f)
        fail(list, index, "frame_distance", p->frame_distance);
    require_finite(list, index, "tangent[0]", p->tangent[0]);
    require_finite(list, index, "tangent[1]", p->tangent[1]);
    require_finite(list, index, "tangent[2]", p->tangent[2]);
    double length = sqrt(static_cast<double>(p->tangent[0]) * p->tangent[0] +
                         static_cast<double>(p->tangent[1]) * p->tangent[1] +
                         static_cast<double>(p->tangent[2]) * p->tangent[2]);
    if (length != 0.0 && fabs(length - 1.0) > TANGENT_LENGTH_SLACK)
        fail(list, index, "|tangent|", length);
}

static void check_curve_list(const char* name, const CurveList& list)
{
    for (size_t i = 0; i < list.size(); ++i)
        check_record(name, i, &list[i]);
}

static void check_loaded_track()
{
    for (size_t i = 0; i < frames.size(); ++i)
        check_record("frames", i, frames[i]);
    check_curve_list("CubicFrames", CubicFrames);
    check_curve_list("LinearFrames", LinearFrames);
    check_curve_list("BesselFrames", BesselFrames);

    if (!std::isfinite(view_range) || !(view_range > 0.0f))
        fail("view_range", 0, "value", view_range);
    /* The centre is where the viewer looks; a non-finite one shows nothing. */
    require_finite("centre", 0, "raw_x", raw_centre_x);
    require_finite("centre", 0, "raw_y", raw_centre_y);
    require_finite("centre", 0, "raw_z", raw_centre_z);
    require_finite("centre", 0, "x", centre_x);
    require_finite("centre", 0, "y", centre_y);
    require_finite("centre", 0, "z", centre_z);
    /* Every kept fix was counted, so there can be no more frames than fixes. */
    if (fix_count < 0 || frames.size() > static_cast<size_t>(fix_count))
        fail("frames", frames.size(), "size > fix_count", fix_count);
}

/* The same clean start as each track test gets (tests/track/track_state.h). */
static void reset_track_state()
{
    frames.clear();
    clear_curve_lists();
    clear_display_anchor();
    reset_bounds();
    fix_count = 0;
}

/* The program never frees its records; the fuzzer must, or LeakSanitizer
   would report every input that holds a fix. */
static void free_frames()
{
    for (TrackPoint* point : frames)
        free(point);
    frames.clear();
}

/* The fast scanner must store what sscanf stores, bit for bit. */
static void check_scanner(const uint8_t* data, size_t size)
{
    char line[256];
    size_t length = 0;
    while (length < size && length < sizeof line - 1 && data[length] != '\n') {
        line[length] = static_cast<char>(data[length]);
        ++length;
    }
    line[length] = '\0';
    FixFields fast, slow;
    memset(&fast, 0xA5, sizeof fast);
    memset(&slow, 0xA5, sizeof slow);
    int fast_count = scan_fix_line(line, &fast);
    int slow_count =
        sscanf(line, FIX_LINE_TEMPLATE, &slow.year, &slow.month, &slow.day, &slow.hour,
               &slow.minute, &slow.seconds, &slow.latitude, &slow.longitude, &slow.speed);
    if (fast_count != slow_count || memcmp(&fast, &slow, sizeof fast) != 0) {
        fprintf(stderr, "fix scanner and sscanf disagree on \"%s\": %d and %d fields\n", line,
                fast_count, slow_count);
        abort();
    }
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    (void)argc;
    (void)argv;
    /* The loader reports every line on stdout; libFuzzer reports on stderr. */
    if (freopen("/dev/null", "w", stdout) == nullptr)
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    check_scanner(data, size);
    reset_track_state();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    load_track_stream(in, "fuzz");
    check_loaded_track();
    free_frames();
    return 0;
}
