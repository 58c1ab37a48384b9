/*
 * line_reader.cpp - the chunked line reader.
 *
 * Each line is gathered from the chunks it spans, so that the reader costs
 * one copy of each kept byte and a memchr over the rest.
 *
 * Entry points: start_lines(), feed_lines(), finish_lines(), read_lines().
 */
#include "line_reader.h"

#include <cctype>
#include <cstdio>
#include <cstring>

enum { READ_CHUNK_BYTES = 64 * 1024 }; /* read from a stream at a time */

void start_lines(LineReader* reader, long long first_line)
{
    reader->kept = 0;
    reader->line_number = first_line;
    reader->in_line = false;
    reader->after_cr = false;
}

/* A line end moves on to the next line; the newline of a CR LF pair does
   not move on again. */
static void pass_line_end(LineReader* reader, char end)
{
    if (end == '\n' && reader->after_cr) {
        reader->after_cr = false;
        return;
    }
    ++reader->line_number;
    reader->after_cr = end == '\r';
}

/* Skips white space, counting the line ends passed; returns where it stopped. */
static const char* skip_white_space(const char* p, const char* end, LineReader* reader)
{
    while (p < end && isspace(static_cast<unsigned char>(*p))) {
        if (*p == '\n' || *p == '\r')
            pass_line_end(reader, *p);
        else
            reader->after_cr = false;
        ++p;
    }
    return p;
}

/* Keeps bytes up to the line end or the chunk's end, at most
   LINE_BUFFER_BYTES - 1 of them: the whole rest of a line is dropped,
   however long, so that no piece of an overlong line is ever taken for a
   line of its own.  Returns where it stopped. */
static const char* gather_line(const char* p, const char* end, LineReader* reader)
{
    const char* newline = static_cast<const char*>(memchr(p, '\n', end - p));
    const char* stop = newline != nullptr ? newline : end;
    const char* cr = static_cast<const char*>(memchr(p, '\r', stop - p));
    if (cr != nullptr)
        stop = cr;
    size_t room = LINE_BUFFER_BYTES - 1 - reader->kept;
    size_t take = static_cast<size_t>(stop - p) < room ? static_cast<size_t>(stop - p) : room;
    memcpy(reader->line + reader->kept, p, take);
    reader->kept += static_cast<int>(take);
    return stop;
}

static void finish_line(LineReader* reader, LineHandler handle, void* context)
{
    reader->line[reader->kept] = '\0';
    handle(reader->line, reader->line_number, context);
    reader->kept = 0;
    reader->in_line = false;
}

void feed_lines(LineReader* reader, const char* bytes, size_t size, LineHandler handle,
                void* context)
{
    const char* p = bytes;
    const char* end = bytes + size;
    while (p < end) {
        if (!reader->in_line) {
            p = skip_white_space(p, end, reader);
            reader->in_line = p < end;
            if (reader->in_line) /* a line begins: a newline now ends it */
                reader->after_cr = false;
            continue;
        }
        p = gather_line(p, end, reader);
        if (p < end) { /* at the line end */
            finish_line(reader, handle, context);
            pass_line_end(reader, *p);
            ++p;
        }
    }
}

void finish_lines(LineReader* reader, LineHandler handle, void* context)
{
    if (reader->in_line)
        finish_line(reader, handle, context);
}

/* The next bytes the stream's buffer holds, at most size of them: 0 at the
   end.  Each call reads from the system at most once, so that when a read
   fails, every byte before it has already been handed on. */
static std::streamsize next_chunk(std::streambuf* buffer, char* chunk, std::streamsize size)
{
    if (buffer->sgetc() == EOF)
        return 0;
    std::streamsize waiting = buffer->in_avail();
    if (waiting <= 0) /* a buffer that shows one byte at a time */
        waiting = 1;
    return buffer->sgetn(chunk, waiting < size ? waiting : size);
}

void read_lines(std::istream& in, LineHandler handle, void* context, long long first_line)
{
    static char chunk[READ_CHUNK_BYTES]; /* one reader at a time, as the viewer has */
    std::streambuf* buffer = in.rdbuf();
    LineReader reader;
    start_lines(&reader, first_line);
    std::streamsize got;
    while ((got = next_chunk(buffer, chunk, sizeof chunk)) > 0)
        feed_lines(&reader, chunk, static_cast<size_t>(got), handle, context);
    finish_lines(&reader, handle, context);
}
