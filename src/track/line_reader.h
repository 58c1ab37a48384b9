/*
 * line_reader.h - the lines of a text stream, read in chunks.
 *
 * Each line's first 255 characters are handed on, leading white space
 * skipped; blank lines are not handed on; the rest of a longer line is
 * dropped, however long.
 *
 * Entry points: LineHandler, LINE_BUFFER_BYTES, read_lines().
 */
#ifndef KESTRIM_LINE_READER_H
#define KESTRIM_LINE_READER_H

#include <istream>

enum { LINE_BUFFER_BYTES = 256 }; /* a line handed on holds at most 255 characters */

/* Called with each line's first 255 characters, leading white space skipped,
   and the line's number in the file (from 1). */
typedef void (*LineHandler)(const char* line, int line_number, void* context);

/* Hand every non-blank line of a stream to handle; throws what the stream's
   buffer throws. */
void read_lines(std::istream& in, LineHandler handle, void* context);

#endif
