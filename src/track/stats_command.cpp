/*
 * stats_command.cpp - the statistics of a track, printed without a window.
 *
 * The conversion and the load say what they do on standard output, as
 * they do for the viewer; here that is held back in a temporary file, so
 * that the block is the whole output, and only a failure's line is
 * passed on.
 *
 * Entry points: run_stats_command().
 */
#include "stats_command.h"

#include "gps_file.h"
#include "load.h"
#include "statistics.h"
#include "track_file.h"

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

/* Standard output while it is held back. */
struct HeldOutput {
    int saved;   /* the real standard output, or -1 when nothing is held */
    FILE* store; /* what was said meanwhile; null when it goes to /dev/null */
};

static HeldOutput hold_output()
{
    HeldOutput held = {-1, nullptr};
    fflush(stdout);
    held.store = tmpfile();
    int into = held.store != nullptr ? fileno(held.store) : open("/dev/null", O_WRONLY);
    held.saved = into >= 0 ? dup(STDOUT_FILENO) : -1;
    if (held.saved >= 0)
        dup2(into, STDOUT_FILENO);
    if (held.store == nullptr && into >= 0)
        close(into);
    return held;
}

/* Gives standard output back; what was said meanwhile. */
static std::string release_output(HeldOutput* held)
{
    fflush(stdout);
    if (held->saved >= 0) {
        dup2(held->saved, STDOUT_FILENO);
        close(held->saved);
    }
    std::string said;
    if (held->store != nullptr) {
        rewind(held->store);
        char chunk[4096];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, held->store)) > 0)
            said.append(chunk, got);
        fclose(held->store);
    }
    held->saved = -1;
    held->store = nullptr;
    return said;
}

int run_stats_command(const char* path, const char* format)
{
    HeldOutput held = hold_output();
    GpsFile file = {path, false};
    if (!open_gps_file(path, format, &file)) {
        /* Its one line says which file and why. */
        std::string said = release_output(&held);
        if (said.empty())
            printf("kestrim: cannot open %s\n", path);
        fputs(said.c_str(), stdout);
        fflush(stdout);
        return 1;
    }
    load_track_named(file.read_path, path);
    forget_gps_file(&file); /* read: nothing of the conversion is left */
    release_output(&held);
    const char* problem = track_file_problem();
    if (problem != nullptr) {
        printf("kestrim: cannot open %s: %s\n", path, problem);
        fflush(stdout);
        return 1;
    }
    fputs(statistics_text(), stdout);
    fflush(stdout);
    return 0;
}
