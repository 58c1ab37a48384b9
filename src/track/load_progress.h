/*
 * load_progress.h - how far the load of a track has come.
 *
 * The reader writes it as it goes; what reports on the load (a message of
 * not enough memory, for one) reads it.
 *
 * Entry points: LoadProgress, load_progress, start_load_progress().
 */
#ifndef KESTRIM_LOAD_PROGRESS_H
#define KESTRIM_LOAD_PROGRESS_H

struct LoadProgress {
    long long bytes_total;  /* of the file being read; 0 when not known */
    long long bytes_read;   /* of it so far */
    long long bytes_before; /* of address space the program took when the load began */
};

extern LoadProgress load_progress;

/* A new load of a file of bytes_total bytes (0: not known). */
void start_load_progress(long long bytes_total);

#endif
