/*
 * load_progress.cpp - how far the load of a track has come, and its listeners.
 *
 * The listeners are told from the loading thread only.  No clock is read
 * per line: only when the listeners are told, every PROGRESS_REPORT_BYTES
 * or PROGRESS_REPORT_WORK.
 *
 * Entry points: see load_progress.h.
 */
#include "load_progress.h"

#include "clock.h"

#include <cstdio>
#include <unistd.h>

enum { MAX_LISTENERS = 4 };

LoadProgress load_progress = {0, 0, 0, LOAD_IDLE, 0, 0};    /* written by the reader */
long long load_work_to_report = PROGRESS_REPORT_WORK;       /* before the next report of work */
static long long next_bytes_report = PROGRESS_REPORT_BYTES; /* bytes_read then */
static ProgressListener listeners[MAX_LISTENERS] = {};      /* null where there is none */

const char* load_step_name(LoadStep step)
{
    switch (step) {
    case LOAD_IDLE: return "done";
    case LOAD_READING: return "reading";
    case LOAD_CENTRING: return "centring";
    case LOAD_FITTING: return "fitting";
    case LOAD_SAMPLING: return "sampling";
    case LOAD_STATISTICS: return "statistics";
    }
    return "";
}

static void tell_listeners(ProgressEvent event)
{
    load_progress.now = monotonic_seconds();
    for (ProgressListener listener : listeners)
        if (listener != nullptr)
            listener(load_progress, event);
}

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
    load_progress.started = monotonic_seconds();
    next_bytes_report = PROGRESS_REPORT_BYTES;
    enter_load_step(LOAD_READING);
}

void set_load_size(long long bytes_total)
{
    load_progress.bytes_total = bytes_total;
    load_progress.bytes_read = 0;
    next_bytes_report = PROGRESS_REPORT_BYTES;
}

void count_bytes_read(long long bytes)
{
    load_progress.bytes_read += bytes;
    if (load_progress.bytes_read < next_bytes_report)
        return;
    next_bytes_report = load_progress.bytes_read + PROGRESS_REPORT_BYTES;
    tell_listeners(PROGRESS_MOVED);
}

void enter_load_step(LoadStep step)
{
    load_progress.step = step;
    load_work_to_report = PROGRESS_REPORT_WORK;
    tell_listeners(PROGRESS_STEP);
}

void report_load_work()
{
    load_work_to_report = PROGRESS_REPORT_WORK;
    if (load_progress.step > LOAD_READING)
        tell_listeners(PROGRESS_MOVED);
}

void before_load_message()
{
    if (load_progress.step != LOAD_IDLE)
        tell_listeners(PROGRESS_MESSAGE);
}

void finish_load_progress()
{
    if (load_progress.step == LOAD_IDLE)
        return;
    load_progress.step = LOAD_IDLE;
    tell_listeners(PROGRESS_DONE);
}

void add_progress_listener(ProgressListener listener)
{
    for (ProgressListener& slot : listeners)
        if (slot == listener)
            return;
    for (ProgressListener& slot : listeners)
        if (slot == nullptr) {
            slot = listener;
            return;
        }
}

void remove_progress_listener(ProgressListener listener)
{
    for (ProgressListener& slot : listeners)
        if (slot == listener)
            slot = nullptr;
}
