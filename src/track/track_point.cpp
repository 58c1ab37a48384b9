/*
 * track_point.cpp - the frame list and the allocation of its records.
 *
 * Records are never freed, so they are cut in turn from large blocks
 * taken straight from the system, zero as it gives them.  A million-fix
 * track is 632 MB of records, and the faulting-in and clearing of that
 * much fresh memory cost more than reading and parsing the file: so each
 * block is faulted in whole, on huge pages where it can be (prefault.h),
 * and once a track has filled its first small blocks, each next block is
 * prepared on another thread while the reader fills the current one.
 * Sanitizer builds give each record an allocation of its own instead, so
 * that an overrun of one is caught.
 *
 * Entry points: frames, new_track_point().
 */
#include "track_point.h"

#include "out_of_memory.h"
#include "prefault.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <future>
#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define KESTRIM_RECORD_PER_ALLOCATION 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRIM_RECORD_PER_ALLOCATION 1
#endif
#endif

TrackList frames; /* filled by the track reader, read by curve fitting and drawing */

/* Whole multiples of 2 MB from the second block on, so that the system
   can back them with huge pages. */
static const size_t FIRST_BLOCK_BYTES = 1 << 20; /* each next block is twice the last */
static const size_t MAX_BLOCK_BYTES = 16 << 20;
enum { FIRST_PREPARED_BLOCK = 2 }; /* blocks 0 and 1 are faulted in as they are taken */

#ifdef KESTRIM_RECORD_PER_ALLOCATION
TrackPoint* new_track_point()
{
    void* point = calloc(1, TRACK_POINT_BYTES);
    if (point == nullptr)
        out_of_memory();
    return static_cast<TrackPoint*>(point);
}
#else
static char* block_next = nullptr; /* next free record in the current block */
static char* block_end = nullptr;  /* end of the current block */
static int blocks_taken = 0;       /* blocks handed out so far */
static std::future<void*>
    prepared_block; /* the next block, faulted in, once one is being prepared */

/* Blocks grow from small to large, so that what is prepared but never used
   stays small beside the track. */
static size_t block_bytes(int block)
{
    size_t bytes = FIRST_BLOCK_BYTES;
    for (int i = 0; i < block && bytes < MAX_BLOCK_BYTES; ++i)
        bytes *= 2;
    return bytes;
}

/* Fresh zero memory, faulted in whole rather than a page at a time as the
   reader writes it. */
static void* map_faulted_in_block(size_t bytes)
{
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    fault_in(block, bytes);
    return block;
}

/* Starts faulting in the next block on a thread of its own; without a
   thread, the next block is faulted in when it is taken. */
static void prepare_block(size_t bytes)
{
    try {
        prepared_block = std::async(std::launch::async, map_faulted_in_block, bytes);
    } catch (const std::exception&) {
        prepared_block = std::future<void*>();
    }
}

static void take_block()
{
    /* A short track fits the first blocks and starts no thread. */
    size_t bytes = block_bytes(blocks_taken);
    void* block = prepared_block.valid() ? prepared_block.get() : map_faulted_in_block(bytes);
    if (block == nullptr)
        out_of_memory();
    if (++blocks_taken >= FIRST_PREPARED_BLOCK)
        prepare_block(block_bytes(blocks_taken));
    block_next = static_cast<char*>(block);
    block_end = block_next + bytes;
}

TrackPoint* new_track_point()
{
    if (static_cast<size_t>(block_end - block_next) < TRACK_POINT_BYTES)
        take_block();
    TrackPoint* point = reinterpret_cast<TrackPoint*>(block_next); /* zero, as mmap gives it */
    block_next += TRACK_POINT_BYTES;
    return point;
}
#endif
