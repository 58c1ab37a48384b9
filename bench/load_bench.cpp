/*
 * load_bench.cpp - the load of one track, step by step, against its floors.
 *
 * Floors, each the best of three runs on the same file:
 *   io_floor     a plain read() of the file, nothing else;
 *   parse_floor  the viewer's line reader and the fix-line template with
 *                sscanf, into locals, nothing else;
 *   parse        the viewer's line reader and its fix-line scanner, the
 *                same way (read and parse, without conversion or records).
 * Then one load_track(), the viewer's own, timed by its steps, with the
 * memory it leaves resident and the peak; then one doubling of the height
 * exaggeration, which converts and fits the whole track again.
 *
 * Entry point: run_load_bench().
 */
#include "bench_common.h"

#include "curves/curve_lists.h"
#include "track/line_reader.h"
#include "track/load.h"
#include "track/track_point.h"
#include "track/track_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

enum { READ_CHUNK_BYTES = 1 << 20, FLOOR_RUNS = 3 };

static long read_whole_file(const char* path)
{
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        return -1;
    static std::vector<char> chunk(READ_CHUNK_BYTES);
    long total = 0;
    ssize_t got;
    while ((got = read(fd, chunk.data(), chunk.size())) > 0)
        total += got + chunk[0]; /* touch what was read */
    close(fd);
    return total;
}

struct ScanSink {
    long lines;
    double sum; /* keeps the scanned values alive */
};

static void scan_with_sscanf(const char* line, long long, void* context)
{
    ScanSink* sink = static_cast<ScanSink*>(context);
    int year, month, day, hour, minute;
    float seconds, latitude, longitude, speed;
    int fields = sscanf(line, FIX_LINE_TEMPLATE, &year, &month, &day, &hour, &minute, &seconds,
                        &latitude, &longitude, &speed);
    if (fields == 9)
        sink->sum += latitude + longitude;
    ++sink->lines;
}

static void scan_with_fast_path(const char* line, long long, void* context)
{
    ScanSink* sink = static_cast<ScanSink*>(context);
    FixFields fix;
    if (scan_fix_line(line, &fix) == FIX_FIELD_COUNT)
        sink->sum += fix.latitude + fix.longitude;
    ++sink->lines;
}

static double time_line_loop(const char* path, LineHandler handle)
{
    ScanSink sink = {0, 0.0};
    double start = monotonic_seconds();
    std::ifstream in(path);
    read_lines(in, handle, &sink);
    double elapsed = monotonic_seconds() - start;
    if (sink.lines == 0)
        fprintf(stderr, "%s: no lines read\n", path);
    return elapsed;
}

static double best_of(double (*run)(const char*, LineHandler), const char* path, LineHandler handle)
{
    double best = 1e30;
    for (int i = 0; i < FLOOR_RUNS; ++i)
        best = std::min(best, run(path, handle));
    return best;
}

static double time_plain_read(const char* path, LineHandler)
{
    double start = monotonic_seconds();
    long total = read_whole_file(path);
    double elapsed = monotonic_seconds() - start;
    if (total < 0)
        perror(path);
    return elapsed;
}

static void report_memory(size_t before_load)
{
    double fixes = frames.empty() ? 1.0 : static_cast<double>(frames.size());
    size_t records = frames.size() * sizeof(TrackPoint);
    size_t pointers = frames.capacity() * sizeof(TrackPoint*);
    size_t lists = (CubicFrames.capacity() + LinearFrames.capacity() + BesselFrames.capacity()) *
                   sizeof(CurveList::value_type);
    size_t resident = resident_bytes() - before_load;
    report("frames", static_cast<double>(frames.size()));
    report("mem_records_mb", records / 1e6);
    report("mem_frame_pointers_mb", pointers / 1e6);
    report("mem_curve_lists_mb", lists / 1e6);
    report("curve_sample_bytes", static_cast<double>(sizeof(CurveList::value_type)));
    report("mem_load_resident_mb", resident / 1e6);
    report("mem_peak_mb", peak_resident_bytes() / 1e6);
    report("bytes_per_fix", resident / fixes);
}

int run_load_bench(const char* path)
{
    report("io_floor", best_of(time_plain_read, path, nullptr));
    report("parse_floor", best_of(time_line_loop, path, scan_with_sscanf));
    report("parse", best_of(time_line_loop, path, scan_with_fast_path));

    size_t before_load = resident_bytes();
    double start = monotonic_seconds();
    load_track(path);
    double whole = monotonic_seconds() - start;
    report("load_read", last_load_timing.read);
    report("load_centre", last_load_timing.centre);
    report("load_fit", last_load_timing.fit);
    report("load_sample", last_load_timing.sample);
    report("load_whole", whole);
    report_memory(before_load);
    /* Doubling the relief converts, fits and samples the whole track again. */
    exaggerate_heights(2);
    report("exaggerate", last_exaggeration_seconds);
    return frames.empty() ? 1 : 0;
}
