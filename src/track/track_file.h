/*
 * track_file.h - reading a track file from disk into the frame list.
 *
 * Only a regular file is read, and only the bytes it held when it was
 * opened: a FIFO, a device or a socket would block the load or never end
 * it, and a file that grows while it is read would never be done.
 *
 * Entry points: open_file(), open_file_named(), track_file_problem().
 */
#ifndef KESTRIM_TRACK_FILE_H
#define KESTRIM_TRACK_FILE_H

/* Read the whole track file at path into frames; reports when it cannot. */
void open_file(const char* path);

/* The same, naming the file name in every message instead of path: the
   file the user gave, when path is its conversion. */
void open_file_named(const char* path, const char* name);

/* Why the last open_file() could not read its whole file ("No such file
   or directory", "it is a directory, not a track file"); null when it did. */
const char* track_file_problem();

#endif
