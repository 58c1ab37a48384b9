/*
 * line_reader.h - the lines of a text, handed on as its chunks arrive.
 *
 * Each line's first 255 characters are handed on, leading white space
 * skipped; blank lines are not handed on; the rest of a longer line is
 * dropped, however long.  A line ends at a newline, a carriage return, or
 * both in that order, so that files written with any of the three line
 * endings read alike.
 *
 * Entry points: LineHandler, LineReader, LINE_BUFFER_BYTES,
 * start_lines(), feed_lines(), finish_lines(), read_lines().
 */
#ifndef KESTRIM_LINE_READER_H
#define KESTRIM_LINE_READER_H

#include <cstddef>
#include <istream>

enum { LINE_BUFFER_BYTES = 256 }; /* a line handed on holds at most 255 characters */

/* Called with each line's first 255 characters, leading white space skipped,
   and the line's number in the file (from 1). */
typedef void (*LineHandler)(const char* line, long long line_number, void* context);

/* A line being gathered across the chunks of a text. */
struct LineReader {
    char line[LINE_BUFFER_BYTES];
    int kept;              /* bytes of the line kept so far */
    long long line_number; /* of the line being gathered */
    bool in_line;          /* false while skipping the white space before a line */
    bool after_cr;         /* the last line ended at a carriage return */
};

/* A reader at the start of a text whose first line has number first_line. */
void start_lines(LineReader* reader, long long first_line = 1);

/* Hands on every line that the next size bytes of the text complete. */
void feed_lines(LineReader* reader, const char* bytes, size_t size, LineHandler handle,
                void* context);

/* Hands on the last line when the text does not end with a line end. */
void finish_lines(LineReader* reader, LineHandler handle, void* context);

/* Every line of a stream, from line first_line on; throws what the
   stream's buffer throws. */
void read_lines(std::istream& in, LineHandler handle, void* context, long long first_line = 1);

#endif
