/*
 * track_point.cpp - the frame list and the allocation of its records.
 *
 * Records are never freed, so they are cut in turn from large zeroed
 * blocks taken straight from the system, with huge pages asked for: a
 * million-fix track is 632 MB of records, and page faults on small pages
 * were most of the cost of storing them.  Sanitizer builds give each record
 * an allocation of its own instead, so that an overrun of one is caught.
 *
 * Entry points: frames, new_track_point().
 */
#include "track_point.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define KESTRIM_RECORD_PER_ALLOCATION 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRIM_RECORD_PER_ALLOCATION 1
#endif
#endif

TrackList frames; /* filled by the track reader, read by curve fitting and drawing */

enum { RECORDS_PER_BLOCK = 16384 }; /* about 10 MB */

static char* block_next = nullptr; /* next free record in the current block */
static char* block_end = nullptr;  /* end of the current block */

static void out_of_memory()
{
    printf("out of memory for a track point\n");
    fflush(stdout);
    abort();
}

#ifdef KESTRIM_RECORD_PER_ALLOCATION
TrackPoint* new_track_point()
{
    void* point = calloc(1, TRACK_POINT_BYTES);
    if (point == nullptr)
        out_of_memory();
    return static_cast<TrackPoint*>(point);
}
#else
static void take_block()
{
    size_t bytes = static_cast<size_t>(RECORDS_PER_BLOCK) * TRACK_POINT_BYTES;
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        out_of_memory();
    madvise(block, bytes, MADV_HUGEPAGE); /* only advice: small pages work too */
    block_next = static_cast<char*>(block);
    block_end = block_next + bytes;
}

TrackPoint* new_track_point()
{
    if (block_next == block_end)
        take_block();
    TrackPoint* point = reinterpret_cast<TrackPoint*>(block_next); /* zero, as mmap gives it */
    block_next += TRACK_POINT_BYTES;
    return point;
}
#endif
