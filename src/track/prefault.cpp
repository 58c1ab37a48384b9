/*
 * prefault.cpp - faulting in fresh memory ahead, on huge pages where granted.
 *
 * Entry points: fault_in().
 */
#include "prefault.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 /* Linux 5.14 on; older systems refuse it, harmlessly */
#endif

#ifndef MADV_HUGEPAGE
#define MADV_HUGEPAGE 14
#endif

/* Ranges smaller than this are left to fault in as they are written. */
static const size_t SMALLEST_FAULTED_IN = 256 * 1024;

void fault_in(void* start, size_t bytes)
{
    if (bytes < SMALLEST_FAULTED_IN)
        return;
    /* Every page the range touches belongs to its allocation, so the range
       may be widened to whole pages. */
    uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    uintptr_t first = reinterpret_cast<uintptr_t>(start) & ~(page - 1);
    uintptr_t end = reinterpret_cast<uintptr_t>(start) + bytes;
    void* range = reinterpret_cast<void*>(first);
    /* Huge pages, where the system grants them, cut the faults and the
       address-translation misses of a first pass over the range by 512. */
    madvise(range, end - first, MADV_HUGEPAGE);
    madvise(range, end - first, MADV_POPULATE_WRITE);
}
