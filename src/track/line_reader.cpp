/*
 * line_reader.cpp - the chunked line reader.
 *
 * The stream is read a chunk at a time and each line gathered from the
 * chunks it spans, so that the reader costs one copy of each kept byte
 * and a memchr over the rest.
 *
 * Entry points: read_lines().
 */
#include "line_reader.h"

#include <cctype>
#include <cstdio>
#include <cstring>

enum { READ_CHUNK_BYTES = 64 * 1024 }; /* read from the stream at a time */

/* A line being gathered across the reader's chunks. */
struct LineState {
    char line[LINE_BUFFER_BYTES];
    int kept;        /* bytes of the line kept so far */
    int line_number; /* of the line being gathered, from 1 */
    bool in_line;    /* false while skipping the white space before a line */
};

/* Skips white space, counting the newlines passed; returns where it stopped. */
static const char* skip_white_space(const char* p, const char* end, LineState* state)
{
    while (p < end && isspace(static_cast<unsigned char>(*p))) {
        if (*p == '\n')
            ++state->line_number;
        ++p;
    }
    return p;
}

/* Keeps bytes up to the newline or the chunk's end, at most
   LINE_BUFFER_BYTES - 1 of them: the whole rest of a line is dropped,
   however long, so that no piece of an overlong line is ever taken for a
   line of its own.  Returns where it stopped. */
static const char* gather_line(const char* p, const char* end, LineState* state)
{
    const char* newline = static_cast<const char*>(memchr(p, '\n', end - p));
    const char* stop = newline != nullptr ? newline : end;
    size_t room = LINE_BUFFER_BYTES - 1 - state->kept;
    size_t take = static_cast<size_t>(stop - p) < room ? static_cast<size_t>(stop - p) : room;
    memcpy(state->line + state->kept, p, take);
    state->kept += static_cast<int>(take);
    return stop;
}

static void finish_line(LineState* state, LineHandler handle, void* context)
{
    state->line[state->kept] = '\0';
    handle(state->line, state->line_number, context);
    state->kept = 0;
    state->in_line = false;
}

static void read_chunk(const char* p, const char* end, LineState* state, LineHandler handle,
                       void* context)
{
    while (p < end) {
        if (!state->in_line) {
            p = skip_white_space(p, end, state);
            state->in_line = p < end;
            continue;
        }
        p = gather_line(p, end, state);
        if (p < end) { /* at the newline */
            finish_line(state, handle, context);
            ++state->line_number;
            ++p;
        }
    }
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

void read_lines(std::istream& in, LineHandler handle, void* context)
{
    static char chunk[READ_CHUNK_BYTES]; /* one reader at a time, as the viewer has */
    std::streambuf* buffer = in.rdbuf();
    LineState state;
    state.kept = 0;
    state.line_number = 1;
    state.in_line = false;
    std::streamsize got;
    while ((got = next_chunk(buffer, chunk, sizeof chunk)) > 0)
        read_chunk(chunk, chunk + got, &state, handle, context);
    if (state.in_line) /* the last line has no newline */
        finish_line(&state, handle, context);
}
