/*
 * prefault.h - faulting in the pages of fresh memory ahead of its use.
 *
 * A long track fills hundreds of megabytes of fresh memory.  Touching it
 * page by page costs one trap per 4 KB page, which on a virtual machine
 * can cost more than the work done in the page.  Asking the system to
 * back a range with huge pages and fault it in at once does the same
 * work in two calls, and leaves 512 times fewer pages to translate.
 *
 * Entry points: fault_in(), reserve_faulted_in().
 */
#ifndef KESTRIM_PREFAULT_H
#define KESTRIM_PREFAULT_H

#include <cstddef>
#include <vector>

/* Faults in, writable and on huge pages where granted, every page of bytes
   bytes at start; where the system cannot, the pages are faulted in as
   they are written.  Contents are left as they are. */
void fault_in(void* start, size_t bytes);

/* As list->reserve(count), with new storage faulted in before the elements
   move into it. */
template <class T>
void reserve_faulted_in(std::vector<T>* list, size_t count)
{
    if (count <= list->capacity())
        return;
    std::vector<T> bigger;
    bigger.reserve(count);
    fault_in(bigger.data(), count * sizeof(T));
    bigger.insert(bigger.end(), list->begin(), list->end());
    list->swap(bigger);
}

#endif
