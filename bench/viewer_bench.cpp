/*
 * viewer_bench.cpp - the real kestrim binary as a user waits for it: the
 * time from its start to its first picture, its frame rates as --fps
 * prints them, and its memory.
 *
 * Both runs start the viewer with fork and exec, under the DISPLAY of the
 * environment (scripts/bench.sh gives a private Xvfb), with
 * KESTRIM_BENCH_FIRST_PICTURE set to the monotonic clock's reading just
 * before the fork, so that the viewer's "first picture after X s" counts
 * the exec, the libraries, the window, the load and the first frame.
 *
 *   first picture  the time to the first picture and the memory then;
 *   viewer         with --fps (and --no-lod if asked): the frame rate at
 *                  rest in the start view, at rest zoomed in by wheel
 *                  steps at the window's centre, while a drag with the
 *                  left button goes round a circle in the start mode
 *                  (orbit: it moves the overlay's camera, the track
 *                  stays) and in the Rotate mode of the middle button's
 *                  menu (the track turns); each the first whole 5 s
 *                  window after the change; then the curve lists drawn
 *                  one after the other (keys b, 2, 3) and the memory.
 * Input goes through xdotool, as a user's would through the X server.
 *
 * Entry points: run_first_picture_bench(), run_viewer_bench().
 */
#include "bench_common.h"

#include "view/first_picture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

static const double START_SECONDS = 900.0; /* a 10-million-fix load on a slow day */
static const double LINE_SECONDS = 120.0;  /* an --fps line, however slow the frames */
static const int WINDOW_SIZE = 600;        /* the viewer's window at start */
static const int ZOOM_STEPS = 8;           /* wheel steps in: 1.25^8, about 6 times */
static const int DRAG_RADIUS = 100;        /* pixels: the drag goes round a circle */
static const int DRAG_STEPS_PER_RUN = 10;  /* pointer moves per xdotool run */
static const char DRAG_STEP_SECONDS[] = "0.02";
/* The middle button's menu, its third entry (Rotate): 25 pixels an entry,
   the first centred 14 below the menu's top, which is at the pointer. */
static const int MENU_ENTRY_DX = 10, ROTATE_ENTRY_DY = 14 + 25 * 2;

/* The viewer started, its standard output as far as read. */
struct Viewer {
    pid_t pid = -1;
    int out = -1;
    std::string pending; /* read, not yet taken as lines */
    long fixes = 0;
};

static Viewer start_viewer(const char* kestrim, const std::vector<std::string>& args)
{
    Viewer v;
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) {
        perror("pipe");
        exit(1);
    }
    char start[64];
    snprintf(start, sizeof start, "%.9f", monotonic_seconds());
    v.pid = fork();
    if (v.pid == 0) {
        setenv(FIRST_PICTURE_VARIABLE, start, 1);
        dup2(pipe_ends[1], 1);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 2); /* Mesa's and freeglut's warnings are no results */
        close(pipe_ends[0]);
        std::vector<char*> argv = {const_cast<char*>(kestrim)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(kestrim, argv.data());
        _exit(127);
    }
    close(pipe_ends[1]);
    v.out = pipe_ends[0];
    return v;
}

/* The next line of the viewer's output without its end; false at its end
   or when timeout seconds pass first (0: only what is there now). */
static bool next_line(Viewer* v, double timeout, std::string* line)
{
    double deadline = monotonic_seconds() + timeout;
    for (;;) {
        size_t end = v->pending.find('\n');
        if (end != std::string::npos) {
            *line = v->pending.substr(0, end);
            v->pending.erase(0, end + 1);
            return true;
        }
        double left = std::max(0.0, deadline - monotonic_seconds());
        pollfd fd = {v->out, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(std::ceil(left * 1000))) > 0) {
            char chunk[4096];
            ssize_t got = read(v->out, chunk, sizeof chunk);
            if (got <= 0)
                return false;
            v->pending.append(chunk, static_cast<size_t>(got));
        } else if (left <= 0) {
            return false;
        }
    }
}

/* The rest of the first line that begins with start; the viewer's end is
   the bench's. */
static std::string wait_for(Viewer* v, const char* start, double timeout)
{
    std::string line;
    while (next_line(v, timeout, &line))
        if (line.compare(0, strlen(start), start) == 0)
            return line.substr(strlen(start));
    fprintf(stderr, "kestrim_bench: no line \"%s...\" from the viewer\n", start);
    kill(v->pid, SIGKILL);
    exit(1);
}

/* "kB" figures of /proc/PID/status, in bytes. */
static double status_bytes(pid_t pid, const char* field)
{
    char path[64], line[256];
    snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
    FILE* status = fopen(path, "r");
    double bytes = NAN;
    size_t length = strlen(field);
    while (status != nullptr && fgets(line, sizeof line, status) != nullptr)
        if (strncmp(line, field, length) == 0 && line[length] == ':')
            bytes = atof(line + length + 1) * 1024;
    if (status != nullptr)
        fclose(status);
    return bytes;
}

static void stop_viewer(Viewer* v)
{
    kill(v->pid, SIGTERM);
    waitpid(v->pid, nullptr, 0);
    close(v->out);
}

/* Up to the first picture: the fix count from the statistics, the time. */
static double wait_for_first_picture(Viewer* v)
{
    v->fixes = atol(wait_for(v, "fixes: ", START_SECONDS).c_str());
    return atof(wait_for(v, "first picture after ", START_SECONDS).c_str());
}

static void report_memory(const Viewer& v, const char* when)
{
    char key[96];
    double resident = status_bytes(v.pid, "VmRSS");
    snprintf(key, sizeof key, "viewer_resident_mb_%s", when);
    report(key, resident / 1e6);
    snprintf(key, sizeof key, "viewer_bytes_per_fix_%s", when);
    report(key, resident / std::max(1L, v.fixes));
}

int run_first_picture_bench(const char* kestrim, const char* track)
{
    Viewer v = start_viewer(kestrim, {track});
    report("viewer_first_picture", wait_for_first_picture(&v));
    report_memory(v, "first_picture");
    report("viewer_peak_mb_first_picture", status_bytes(v.pid, "VmHWM") / 1e6);
    stop_viewer(&v);
    return 0;
}

/* One xdotool run; its end is waited for. */
static void xdotool(const std::vector<std::string>& args)
{
    std::vector<char*> argv = {const_cast<char*>("xdotool")};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    int status = 0;
    if (posix_spawnp(&pid, "xdotool", nullptr, nullptr, argv.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fprintf(stderr, "kestrim_bench: xdotool %s failed\n", args[0].c_str());
}

static std::string window_of_viewer()
{
    std::vector<char*> argv = {const_cast<char*>("xdotool"),  const_cast<char*>("search"),
                               const_cast<char*>("--sync"),   const_cast<char*>("--name"),
                               const_cast<char*>("^Trevan$"), nullptr};
    int ends[2];
    if (pipe(ends) != 0)
        return "";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    pid_t pid;
    std::string id;
    if (posix_spawnp(&pid, "xdotool", &actions, nullptr, argv.data(), environ) == 0) {
        close(ends[1]);
        char chunk[256];
        ssize_t got;
        while ((got = read(ends[0], chunk, sizeof chunk)) > 0)
            id.append(chunk, static_cast<size_t>(got));
        waitpid(pid, nullptr, 0);
    } else {
        close(ends[1]);
    }
    close(ends[0]);
    posix_spawn_file_actions_destroy(&actions);
    return id.substr(0, id.find('\n'));
}

/* The frames per second of an --fps line ("N frames in S seconds = F
   FPS"), from N and S; NaN for another line. */
static double rate_of(const std::string& line)
{
    long frames = 0;
    double seconds = 0;
    if (sscanf(line.c_str(), "%ld frames in %lf seconds", &frames, &seconds) != 2 || seconds <= 0)
        return NAN;
    return frames / seconds;
}

static double next_rate(Viewer* v)
{
    double rate = NAN;
    while (std::isnan(rate))
        rate = rate_of(wait_for(v, "", LINE_SECONDS));
    return rate;
}

/* The window in which something changed is passed over; the next is
   whole. */
static double next_whole_rate(Viewer* v)
{
    next_rate(v);
    return next_rate(v);
}

/* Moves round the circle until two --fps lines have come: the one whose
   window the press began in, and a whole one. */
static double rate_while_dragging(Viewer* v, const std::string& window)
{
    int centre = WINDOW_SIZE / 2, step = 0;
    xdotool({"mousemove", "--window", window, std::to_string(centre + DRAG_RADIUS),
             std::to_string(centre)});
    xdotool({"mousedown", "1"});
    double rate = NAN;
    for (int lines = 0; lines < 2;) {
        std::vector<std::string> moves;
        for (int i = 0; i < DRAG_STEPS_PER_RUN; ++i, ++step) {
            double angle = step * M_PI / 30; /* a turn every 60 steps */
            moves.insert(moves.end(), {"mousemove", "--window", window,
                                       std::to_string(centre + lround(DRAG_RADIUS * cos(angle))),
                                       std::to_string(centre + lround(DRAG_RADIUS * sin(angle))),
                                       "sleep", DRAG_STEP_SECONDS});
        }
        xdotool(moves);
        std::string line;
        while (next_line(v, 0, &line)) {
            double line_rate = rate_of(line);
            if (!std::isnan(line_rate)) {
                rate = line_rate;
                ++lines;
            }
        }
    }
    xdotool({"mouseup", "1"});
    return rate;
}

/* A key to the viewer's window, which takes the focus first. */
static void press_key(const std::string& window, const char* key)
{
    xdotool({"windowfocus", "--sync", window, "key", key});
}

/* Time for a few frames at rate, so that what a key changed has been drawn. */
static void let_frames_pass(double rate)
{
    double seconds = std::max(0.5, 4 / rate);
    usleep(static_cast<useconds_t>(seconds * 1e6));
}

int run_viewer_bench(const char* kestrim, const char* track, bool no_lod)
{
    std::vector<std::string> args = {"--fps"};
    if (no_lod)
        args.push_back("--no-lod");
    args.push_back(track);
    Viewer v = start_viewer(kestrim, args);
    report("viewer_first_picture", wait_for_first_picture(&v));
    report_memory(v, "first_picture");
    std::string window = window_of_viewer();
    std::string centre = std::to_string(WINDOW_SIZE / 2);
    xdotool({"mousemove", "--window", window, centre, centre});

    double rest = next_whole_rate(&v);
    report("fps_rest", rest);
    xdotool({"click", "--repeat", std::to_string(ZOOM_STEPS), "--delay", "50", "4"});
    report("fps_zoomed", next_whole_rate(&v));
    press_key(window, "r"); /* the start view again */
    report("fps_drag", rate_while_dragging(&v, window));
    xdotool({"mousemove", "--window", window, centre, centre, "click", "2", "sleep", "0.3",
             "mousemove", "--window", window, std::to_string(WINDOW_SIZE / 2 + MENU_ENTRY_DX),
             std::to_string(WINDOW_SIZE / 2 + ROTATE_ENTRY_DY), "sleep", "0.2", "click", "1"});
    report("fps_drag_rotate", rate_while_dragging(&v, window));

    /* Each curve list drawn, the linear first (b), then the cubic and the
       Bessel; the raw frames were drawn from the start. */
    for (const char* key : {"b", "2", "3"}) {
        press_key(window, key);
        let_frames_pass(rest);
    }
    report_memory(v, "every_list");
    report("viewer_peak_mb", status_bytes(v.pid, "VmHWM") / 1e6);
    stop_viewer(&v);
    return 0;
}
