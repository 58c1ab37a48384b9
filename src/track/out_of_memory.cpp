/*
 * out_of_memory.cpp - the message and the end when memory runs out.
 *
 * The handler of operator new catches every failed allocation of the
 * standard containers, on the reader's thread and on the helpers that
 * fault memory in; the record allocator calls out_of_memory() itself.
 * It ends with _exit(), not exit(): other threads may still be running,
 * and nothing needs tearing down, as records are never freed anyway.
 *
 * Entry points: LOAD_BYTES_PER_FIX, fixes_expected(), out_of_memory(),
 * end_on_out_of_memory().
 */
#include "out_of_memory.h"

#include "frame_fixes.h"
#include "load_progress.h"
#include "text_format.h"
#include "track_point.h"
#include "track_reader.h"

#include <cstdio>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

const long long LOAD_BYTES_PER_FIX =
    sizeof(TrackPoint) + 2 * sizeof(TrackPoint*) + 2 * sizeof(FrameFix) + 2 * DRAWN_POSITION_BYTES;

static const long long BYTES_PER_MB = 1000 * 1000;

long long fixes_expected()
{
    long long seen = fix_count > static_cast<long long>(frames.size())
                         ? fix_count
                         : static_cast<long long>(frames.size());
    const LoadProgress& p = load_progress;
    if (p.bytes_read > 0 && p.bytes_total > p.bytes_read)
        return static_cast<long long>(static_cast<double>(seen) * p.bytes_total / p.bytes_read);
    return seen;
}

/* How much there is to be had: the address-space limit where one is set,
   else the memory the system has available; -1 when neither is known. */
static long long megabytes_to_be_had(bool* limited)
{
    rlimit limit;
    *limited = getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
    if (*limited)
        return static_cast<long long>(limit.rlim_cur) / BYTES_PER_MB;
    FILE* meminfo = fopen("/proc/meminfo", "r");
    long long kb = -1;
    char line[128];
    while (meminfo != nullptr && fgets(line, sizeof line, meminfo) != nullptr)
        if (sscanf(line, "MemAvailable: %lld kB", &kb) == 1)
            break;
    if (meminfo != nullptr)
        fclose(meminfo);
    return kb < 0 ? -1 : kb * 1024 / BYTES_PER_MB;
}

void out_of_memory()
{
    /* The numbers are written into buffers on the stack; only reading
       /proc/meminfo allocates, and when that fails the line says less. */
    long long fixes = fixes_expected();
    char count[THOUSANDS_BYTES], needed[THOUSANDS_BYTES], had[THOUSANDS_BYTES];
    bool limited = false;
    long long megabytes = megabytes_to_be_had(&limited);
    before_load_message();
    printf("not enough memory for %s fixes: %s MB needed", with_thousands(fixes, count),
           with_thousands(fixes * LOAD_BYTES_PER_FIX / BYTES_PER_MB, needed));
    if (megabytes >= 0)
        printf(", %s MB %s", with_thousands(megabytes, had), limited ? "allowed" : "available");
    if (limited && load_progress.bytes_before > 0)
        printf(", %s MB of it taken by the viewer itself",
               with_thousands(load_progress.bytes_before / BYTES_PER_MB, had));
    printf("\n");
    fflush(stdout);
    _exit(1);
}

static void out_of_memory_for_new()
{
    out_of_memory();
}

void end_on_out_of_memory()
{
    std::set_new_handler(out_of_memory_for_new);
}
