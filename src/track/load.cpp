/*
 * load.cpp - the load driver.
 *
 * Empties the lists, reads the track file, sizes and centres the track for
 * display, reports each step on standard output and computes the track's
 * statistics (statistics.h), which the caller prints.  It knows nothing of
 * drawing: the drawing side sees a new track by track_generation.
 *
 * Entry points: load_track(), load_track_stream(), compute_view_range(),
 * compute_centre(), track_generation.
 */
#include "load.h"

#include "../curves/curve_fitting.h"
#include "../curves/curve_lists.h"
#include "clock.h"
#include "display_mapping.h"
#include "frame_fixes.h"
#include "heights.h"
#include "load_progress.h"
#include "statistics.h"
#include "track_file.h"
#include "track_point.h"
#include "track_reader.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <future>

static const float NO_EXTENT_RANGE = 1.0f;

float view_range = NO_EXTENT_RANGE;
double raw_centre_x = 0.0, raw_centre_y = 0.0, raw_centre_z = 0.0;
double centre_x = 0.0, centre_y = 0.0, centre_z = 0.0;
float centre_copy_x = 0.0f, centre_copy_y = 0.0f, centre_copy_z = 0.0f;
LoadTiming last_load_timing = {0, 0, 0, 0, 0}; /* filled by each load */
long track_generation = 0;                     /* bumped by each load and each move of the fixes */
double last_exaggeration_seconds = 0;          /* of the last exaggerate_heights() */

void compute_view_range()
{
    float range = bound_max_x - bound_min_x;
    if (bound_max_y - bound_min_y > range)
        range = bound_max_y - bound_min_y;
    if (bound_max_z - bound_min_z > range)
        range = bound_max_z - bound_min_z;
    /* No fix, one fix, or a receiver that never moved: nothing to fit to. */
    view_range = range > 0.0f ? range : NO_EXTENT_RANGE;
}

void compute_centre()
{
    raw_centre_x = raw_centre_y = raw_centre_z = 0.0;
    centre_x = centre_y = centre_z = 0.0;
    if (frames.empty()) {
        printf("no frames: division by zero, centre of gravity left at 0\n");
        return;
    }
    double sum_x = 0.0, sum_y = 0.0, sum_z = 0.0;
    for (const TrackPoint* point : frames) {
        sum_x += point->ecef_x;
        sum_y += point->ecef_y;
        sum_z += point->ecef_z;
    }
    double count = static_cast<double>(frames.size());
    raw_centre_x = sum_x / count;
    raw_centre_y = sum_y / count;
    raw_centre_z = sum_z / count;
    centre_x = to_display_x(raw_centre_x);
    centre_y = to_display_y(raw_centre_y);
    centre_z = to_display_z(raw_centre_z);
}

static void copy_centre()
{
    centre_copy_x = static_cast<float>(centre_x);
    centre_copy_y = static_cast<float>(centre_y);
    centre_copy_z = static_cast<float>(centre_z);
}

/* Seconds since *mark, and moves the mark to now. */
static double lap(double* mark)
{
    double now = monotonic_seconds();
    double elapsed = now - *mark;
    *mark = now;
    return elapsed;
}

/* Below this many frames the statistics take less time than a thread
   costs to start. */
static const size_t FRAMES_WORTH_A_THREAD = 20000;

enum { WAIT_REPORT_MS = 50 }; /* between two reports while waiting for another thread */

/* The statistics read the fixes' times, places, altitudes and speeds,
   which fitting and a height change leave alone: on a long track they are
   computed on another thread meanwhile (a million geodesics take 0.4 s). */
static std::future<void> start_computing_statistics()
{
    if (frames.size() >= FRAMES_WORTH_A_THREAD) {
        try {
            return std::async(std::launch::async, compute_statistics);
        } catch (const std::exception&) {
        }
    }
    compute_statistics();
    return std::future<void>();
}

static void finish_computing_statistics(std::future<void>* computed)
{
    if (computed->valid())
        computed->get();
}

/* Waits for work on another thread, telling the progress's listeners
   meanwhile, so that a window stays answering. */
static void wait_reporting(std::future<void>* work)
{
    if (!work->valid())
        return;
    while (work->wait_for(std::chrono::milliseconds(WAIT_REPORT_MS)) != std::future_status::ready)
        report_load_work();
    work->get();
}

/* The bounds of the frames as they stand now. */
static void widen_bounds_over_frames()
{
    reset_bounds();
    for (const TrackPoint* point : frames)
        widen_bounds(point);
}

/* Every list empty, ready for the reader. */
static void begin_load(double* mark)
{
    *mark = monotonic_seconds();
    start_load_progress(0); /* the reader tells the size, when it has a file */
    frames.clear();
    start_frame_fixes();
    clear_curve_lists();
    clear_display_anchor();
}

/* Extent, centre and curves of the frames just read, with their messages. */
static void finish_load(double* mark)
{
    if (settle_heights())
        widen_bounds_over_frames();
    last_load_timing.read = lap(mark);
    std::future<void> statistics = start_computing_statistics();

    enter_load_step(LOAD_CENTRING);
    compute_view_range();
    printf("calculate center of gravity\n");
    compute_centre();
    copy_centre();
    printf("double: X = %f Y = %f Z = %f\n", raw_centre_x, raw_centre_y, raw_centre_z);
    printf("openGL: X = %f Y = %f Z = %f\n", centre_x, centre_y, centre_z);
    last_load_timing.centre = lap(mark);

    enter_load_step(LOAD_FITTING);
    printf("fill in all curve fitting stuff\n");
    fit_frame_curves();
    last_load_timing.fit = lap(mark);
    enter_load_step(LOAD_SAMPLING);
    sample_curve_lists();
    ++track_generation;
    report_heights();
    last_load_timing.sample = lap(mark);
    enter_load_step(LOAD_STATISTICS);
    wait_reporting(&statistics);
    last_load_timing.statistics = lap(mark);
    finish_load_progress();
}

void exaggerate_heights(int factor)
{
    if (factor < 1)
        factor = 1;
    if (factor > MAX_HEIGHT_EXAGGERATION)
        factor = MAX_HEIGHT_EXAGGERATION;
    double start = monotonic_seconds();
    /* Without altitudes nothing moves, and the figures stand. */
    std::future<void> statistics;
    if (height_count.with_altitude > 0)
        statistics = start_computing_statistics();
    if (exaggerate_heights_of_frames(factor)) {
        /* The extent stays, so that the track is not drawn smaller as its
           relief grows; the centre follows the moved fixes. */
        compute_centre();
        copy_centre();
        fit_frame_segments();
        resample_curve_lists();
        ++track_generation;
    }
    finish_computing_statistics(&statistics);
    last_exaggeration_seconds = monotonic_seconds() - start;
    printf("height exaggeration: %dx\n", factor);
    fflush(stdout);
}

void load_track(const char* path)
{
    load_track_named(path, path);
}

void load_track_named(const char* path, const char* name)
{
    double mark;
    begin_load(&mark);
    open_file_named(path != nullptr ? path : "", name != nullptr ? name : "");
    finish_load(&mark);
}

void load_track_stream(std::istream& in, const char* source)
{
    double mark;
    begin_load(&mark);
    read_track_stream(in, source);
    finish_load(&mark);
}
