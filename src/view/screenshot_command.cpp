/*
 * screenshot_command.cpp - the --screenshot run.
 *
 * The viewer starts as it always does; only its display callback is
 * wrapped to count the frames.  A few frames after the first its keys are
 * pressed, a few more and the picture is taken, so that whatever a key
 * starts and the next frames finish is in it.  The frames per second are
 * left out: their number differs from run to run and machine to machine.
 *
 * Entry points: begin_screenshot_command(), take_screenshot_when_drawn().
 */
#include "screenshot_command.h"

#include "../track/track_file.h"
#include "display.h"
#include "input.h"
#include "private_display.h"
#include "screenshot.h"
#include "viewer_state.h"

#include <GL/glut.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

enum {
    FRAMES_BEFORE_KEYS = 3,
    FRAMES_AFTER_KEYS = 3,
    FIRST_FRAME_MILLISECONDS = 60000, /* a window that never draws is given up */
};

static CommandLine screenshot_command;
static char partial_path[PATH_MAX] = ""; /* "" once renamed, or before it exists */
static int partial_fd = -1;
static int frames_drawn = 0;

static void remove_partial_file()
{
    if (partial_path[0] != '\0')
        unlink(partial_path);
    partial_path[0] = '\0';
}

[[noreturn]] static void fail(const char* why)
{
    printf("kestrim: cannot write %s: %s\n", screenshot_command.screenshot, why);
    fflush(stdout);
    exit(1);
}

/* OUT.png.PID.partial beside OUT.png, so that the rename stays in one
   file system; -1 with errno when it cannot be created. */
static int create_partial_file(const char* out)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        snprintf(partial_path, sizeof partial_path, "%s.%ld-%d.partial", out,
                 static_cast<long>(getpid()), attempt);
        int fd = open(partial_path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0)
                partial_path[0] = '\0';
            return fd;
        }
    }
    partial_path[0] = '\0';
    return -1;
}

bool begin_screenshot_command(const CommandLine& command)
{
    screenshot_command = command;
    const char* out = command.screenshot;
    struct stat there;
    if (stat(out, &there) == 0 && S_ISDIR(there.st_mode)) {
        printf("kestrim: cannot write %s: it is a folder\n", out);
        fflush(stdout);
        return false;
    }
    if (strlen(out) + 32 > sizeof partial_path) {
        printf("kestrim: cannot write %s: %s\n", out, strerror(ENAMETOOLONG));
        fflush(stdout);
        return false;
    }
    partial_fd = create_partial_file(out);
    if (partial_fd < 0) {
        printf("kestrim: cannot write %s: %s\n", out, strerror(errno));
        fflush(stdout);
        return false;
    }
    atexit(remove_partial_file);
    return find_or_start_display();
}

/* GLUT's number of a key of the arrows and pages. */
static int glut_key_of(NamedKey key)
{
    switch (key) {
    case KEY_LEFT: return GLUT_KEY_LEFT;
    case KEY_RIGHT: return GLUT_KEY_RIGHT;
    case KEY_UP: return GLUT_KEY_UP;
    case KEY_DOWN: return GLUT_KEY_DOWN;
    case KEY_PAGE_UP: return GLUT_KEY_PAGE_UP;
    case KEY_PAGE_DOWN: return GLUT_KEY_PAGE_DOWN;
    case KEY_HOME: return GLUT_KEY_HOME;
    case KEY_NONE: break;
    }
    return 0;
}

static void press_keys()
{
    for (int i = 0; i < screenshot_command.key_count; ++i) {
        const KeyPress& key = screenshot_command.keys[i];
        if (key.character != 0)
            keyboard(key.character, 0, 0);
        else if (key.named != KEY_NONE)
            special_key(glut_key_of(key.named), 0, 0);
        else
            special_key(GLUT_KEY_F1 + key.function_key - 1, 0, 0);
    }
}

[[noreturn]] static void take_picture()
{
    overlay_text[0] = '\0';
    FILE* file = fdopen(partial_fd, "wb");
    if (file == nullptr)
        fail(strerror(errno));
    std::string why;
    bool written = write_window_picture(file, &why);
    if (fclose(file) != 0 && written) {
        written = false;
        why = strerror(errno);
    }
    if (!written)
        fail(why.c_str());
    if (rename(partial_path, screenshot_command.screenshot) != 0)
        fail(strerror(errno));
    partial_path[0] = '\0';
    printf("picture written to %s\n", screenshot_command.screenshot);
    fflush(stdout);
    exit(0);
}

static void counting_display()
{
    display();
    frames_drawn += 1;
    if (frames_drawn == FRAMES_BEFORE_KEYS)
        press_keys();
    else if (frames_drawn == FRAMES_BEFORE_KEYS + FRAMES_AFTER_KEYS)
        take_picture();
}

static void give_up_without_frames(int)
{
    if (frames_drawn < FRAMES_BEFORE_KEYS + FRAMES_AFTER_KEYS)
        fail("the window drew no frames");
}

void take_screenshot_when_drawn(const char* path)
{
    const char* problem = track_file_problem();
    if (problem != nullptr) {
        printf("kestrim: cannot open %s: %s\n", path, problem);
        fflush(stdout);
        exit(1);
    }
    glutDisplayFunc(counting_display);
    glutTimerFunc(FIRST_FRAME_MILLISECONDS, give_up_without_frames, 0);
}
