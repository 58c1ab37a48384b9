/*
 * load_progress.cpp - how far the load of a track has come.
 *
 * Entry points: load_progress, start_load_progress().
 */
#include "load_progress.h"

#include <cstdio>
#include <unistd.h>

LoadProgress load_progress = {0, 0, 0}; /* written by the reader */

/* The program's address space now, from /proc; 0 where it cannot be read. */
static long long address_space_bytes()
{
    FILE* statm = fopen("/proc/self/statm", "r");
    long long pages = 0;
    if (statm != nullptr) {
        if (fscanf(statm, "%lld", &pages) != 1)
            pages = 0;
        fclose(statm);
    }
    return pages * sysconf(_SC_PAGESIZE);
}

void start_load_progress(long long bytes_total)
{
    load_progress.bytes_total = bytes_total;
    load_progress.bytes_read = 0;
    load_progress.bytes_before = address_space_bytes();
}
