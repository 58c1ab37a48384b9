/*
 * track_file.cpp - a track file read from disk, safely.
 *
 * The file is opened without blocking (a FIFO without a writer would block
 * in open), checked to be a regular file, and read in chunks up to the
 * size it had at open.  A regular file that says it is empty but is not
 * (a file of /proc) is read up to PSEUDO_FILE_BYTES.  When no line began
 * with D, the first bytes tell whether the file was UTF-16.
 *
 * Entry points: open_file(), open_file_named(), track_file_problem().
 */
#include "track_file.h"

#include "line_reader.h"
#include "load_progress.h"
#include "track_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const long long READ_CHUNK_BYTES = 64 * 1024; /* read from the file at a time */

static const long long PSEUDO_FILE_BYTES = 16ll << 20;

static char problem[128] = "";       /* why the last file was not read whole */
static bool file_read_whole = false; /* by the last open_file() */

/* Notes why the file was not read whole, for track_file_problem(). */
static void note_problem(const char* reason)
{
    snprintf(problem, sizeof problem, "%s", reason);
    file_read_whole = false;
}

const char* track_file_problem()
{
    return file_read_whole ? nullptr : problem;
}

/* What a path names when it is not a regular file, as people call it. */
static const char* kind_of(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

static void parse_line_of(const char* line, long long line_number, void* source)
{
    parse_fix_line(line, static_cast<const char*>(source), line_number);
}

/* UTF-16 text has a byte-order mark, or a zero byte beside every ASCII one. */
static bool looks_like_utf16(const unsigned char* bytes, ssize_t size)
{
    if (size >= 2 &&
        ((bytes[0] == 0xff && bytes[1] == 0xfe) || (bytes[0] == 0xfe && bytes[1] == 0xff)))
        return true;
    int zeros_at_odd = 0, zeros_at_even = 0;
    for (ssize_t i = 0; i + 1 < size; i += 2) {
        zeros_at_even += bytes[i] == 0 && bytes[i + 1] != 0;
        zeros_at_odd += bytes[i + 1] == 0 && bytes[i] != 0;
    }
    ssize_t pairs = size / 2;
    return pairs >= 4 && (zeros_at_odd * 10 >= pairs * 9 || zeros_at_even * 10 >= pairs * 9);
}

/* The lines of the first limit bytes of the file; false after a failed read. */
static bool read_limited(int fd, long long limit, const char* path)
{
    static char chunk[READ_CHUNK_BYTES]; /* one reader at a time, as the viewer has */
    LineReader reader;
    start_lines(&reader);
    while (load_progress.bytes_read < limit) {
        long long left = limit - load_progress.bytes_read;
        ssize_t got = read(fd, chunk, left < READ_CHUNK_BYTES ? left : READ_CHUNK_BYTES);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            /* The fixes read so far are kept. */
            int error = errno;
            finish_lines(&reader, parse_line_of, const_cast<char*>(path));
            before_load_message();
            printf("Could not read file %s: %s\n", path, strerror(error));
            note_problem(strerror(error));
            return false;
        }
        if (got == 0)
            break;
        feed_lines(&reader, chunk, static_cast<size_t>(got), parse_line_of,
                   const_cast<char*>(path));
        count_bytes_read(got);
    }
    finish_lines(&reader, parse_line_of, const_cast<char*>(path));
    return true;
}

static void say_what_was_found(int fd, const char* path, long long fixes_before)
{
    if (fix_count != fixes_before)
        return;
    unsigned char start[512];
    ssize_t got = pread(fd, start, sizeof start, 0);
    if (got > 0 && looks_like_utf16(start, got)) {
        before_load_message();
        printf("no line begins with D; the file %s looks like UTF-16\n", path);
    }
}

void open_file(const char* path)
{
    open_file_named(path, path);
}

void open_file_named(const char* path, const char* name)
{
    printf("Reading coordinates from %s\n", name);
    file_read_whole = true;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        note_problem(strerror(errno));
        printf("Could not open file %s\n", name);
        return;
    }
    struct stat file;
    if (fstat(fd, &file) != 0) {
        note_problem(strerror(errno));
        printf("Could not read file %s: %s\n", name, problem);
        close(fd);
        return;
    }
    if (!S_ISREG(file.st_mode)) {
        char kind[64];
        snprintf(kind, sizeof kind, "it is %s, not a track file", kind_of(file.st_mode));
        note_problem(kind);
        printf("Could not read file %s: %s\n", name, problem);
        close(fd);
        return;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    long long size = static_cast<long long>(file.st_size);
    long long limit = size > 0 ? size : PSEUDO_FILE_BYTES;
    set_load_size(size);
    long long fixes_before = fix_count;
    start_fix_diagnostics();
    bool whole = read_limited(fd, limit, name);
    finish_fix_diagnostics();
    if (whole && size == 0 && load_progress.bytes_read >= limit) {
        before_load_message();
        printf(
            "Could not read file %s: it says it is empty, and only its first %lld MB were read\n",
            name, PSEUDO_FILE_BYTES >> 20);
    }
    say_what_was_found(fd, name, fixes_before);
    close(fd);
}
