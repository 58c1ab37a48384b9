/*
 * bench_main.cpp - kestrim_bench, the benchmark's one executable.
 *
 *   kestrim_bench generate COUNT PATH [SEED]   write a random-walk track
 *   kestrim_bench generate-gpx COUNT PATH [SEED]  the same walk as GPX
 *   kestrim_bench load PATH                    load figures and their floors
 *   kestrim_bench draw PATH [SECONDS]          frame rates in a window (needs DISPLAY)
 *   kestrim_bench first-picture KESTRIM PATH   the real viewer's start to its first picture
 *   kestrim_bench viewer KESTRIM PATH [--no-lod]  its --fps rates at rest, zoomed, dragging
 *
 * Each run of load or draw is a process of its own, so that its peak
 * memory belongs to one track alone; first-picture and viewer start the
 * kestrim binary given and drive it under the DISPLAY of the environment.
 */
#include "bench_common.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

size_t resident_bytes()
{
    FILE* statm = fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 0;
    unsigned long pages = 0, resident = 0;
    int got = fscanf(statm, "%lu %lu", &pages, &resident);
    fclose(statm);
    return got == 2 ? resident * 4096ul : 0;
}

size_t peak_resident_bytes()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<size_t>(usage.ru_maxrss) * 1024u;
}

void report(const char* key, double value)
{
    /* The viewer's own messages go to stdout too; results are marked. */
    printf("@ %s %.6f\n", key, value);
    fflush(stdout);
}

static int usage()
{
    fprintf(stderr, "usage: kestrim_bench generate COUNT PATH [SEED]\n"
                    "       kestrim_bench generate-gpx COUNT PATH [SEED]\n"
                    "       kestrim_bench load PATH\n"
                    "       kestrim_bench draw PATH [SECONDS]\n"
                    "       kestrim_bench first-picture KESTRIM PATH\n"
                    "       kestrim_bench viewer KESTRIM PATH [--no-lod]\n");
    return 2;
}

int main(int argc, char** argv)
{
    bool gpx = argc >= 2 && strcmp(argv[1], "generate-gpx") == 0;
    if (argc >= 4 && (gpx || strcmp(argv[1], "generate") == 0))
        return generate_track(argv[3], atol(argv[2]), argc >= 5 ? atoi(argv[4]) : 1, gpx);
    if (argc == 3 && strcmp(argv[1], "load") == 0)
        return run_load_bench(argv[2]);
    if (argc >= 3 && strcmp(argv[1], "draw") == 0)
        return run_draw_bench(argv[2], argc >= 4 ? atof(argv[3]) : 2.0);
    if (argc == 4 && strcmp(argv[1], "first-picture") == 0)
        return run_first_picture_bench(argv[2], argv[3]);
    bool no_lod = argc == 5 && strcmp(argv[4], "--no-lod") == 0;
    if ((argc == 4 || no_lod) && strcmp(argv[1], "viewer") == 0)
        return run_viewer_bench(argv[2], argv[3], no_lod);
    return usage();
}
