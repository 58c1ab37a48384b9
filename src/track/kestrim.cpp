/*
 * kestrim.cpp - the entry point: window, callbacks, menus, then the load.
 *
 * Usage: kestrim [OPTION]... [--] TRACKFILE (command_line.h)
 *
 * Start-up reads the options, prints the file it was given, converts a GPS
 * file of another kind (gps_file.h), opens the "Trevan" window, registers
 * the callbacks, loads the track (a long load shows its progress in the
 * window, load_screen.h, and on the terminal, terminal_progress.h), builds
 * the menus, prints its statistics
 * (statistics.h) and runs the GLUT main loop, which never returns.
 * "--stats" prints the statistics alone and ends, without a window
 * (stats_command.h); "--screenshot" draws the start view into a PNG file
 * and ends, in a display of its own where none opens (screenshot_command.h).
 */
#include "command_line.h"
#include "gps_file.h"
#include "load.h"
#include "out_of_memory.h"
#include "statistics.h"
#include "stats_command.h"
#include "terminal_progress.h"
#include "track_point.h"
#include "track_reader.h"

#include "../view/input.h"
#include "../view/load_screen.h"
#include "../view/screenshot.h"
#include "../view/screenshot_command.h"
#include "../view/startup.h"
#include "../view/viewer_state.h"

#include <GL/glut.h>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

static GpsFile file_shown = {nullptr, false}; /* the file the user gave, and how it is read */

/* The track's path, or null when none was given. */
static const char* take_path(const CommandLine& command)
{
    if (command.path == nullptr) {
        printf("format is: dravelin filename\n");
        return nullptr;
    }
    printf("file %s\n", command.path);
    return command.path;
}

/* Help, version, the statistics and a wrong command line end here,
   without a window. */
static void act_on_options(const CommandLine& command)
{
    switch (command.action) {
    case COMMAND_HELP: print_usage(); exit(0);
    case COMMAND_VERSION: print_version(); exit(0);
    case COMMAND_STATS: exit(run_stats_command(command.path, command.format));
    case COMMAND_BAD_USAGE:
        printf("kestrim: %s %s\n", command.problem, command.wrong_argument);
        print_usage();
        exit(2);
    case COMMAND_VIEW: break;
    }
}

/* q or the window's close button during the load: the conversion removed,
   the progress line erased, and the end at once, with _exit(): the load's
   helper threads may still be running, and nothing needs tearing down. */
static void end_during_load()
{
    erase_terminal_line();
    forget_gps_file(&file_shown);
    fflush(stdout);
    _exit(0);
}

int main(int argc, char** argv)
{
    /* Line-buffered, so that whoever reads the transcript sees each message at once. */
    setvbuf(stdout, nullptr, _IOLBF, 0);
    end_on_out_of_memory();
    CommandLine command = parse_command_line(argc, argv);
    set_statistics_units(command.units);
    show_load_progress_on_terminal();
    act_on_options(command);
    const char* path = take_path(command);
    if (command.screenshot != nullptr && !begin_screenshot_command(command))
        exit(1);
    /* A GPS file of another kind is converted before any window opens, so
       that a file that cannot be shown opens none. */
    file_shown.read_path = path;
    if (path != nullptr && !open_gps_file(path, command.format, &file_shown))
        exit(1);
    /* GLUT gets the program's name alone: no track file name can be taken
       for one of its options. */
    int glut_argc = 1;
    char* glut_argv[] = {argv[0], nullptr};
    open_window(&glut_argc, glut_argv);
    register_callbacks();
    set_start_state();
    fps_printing = command.fps_report;
    level_of_detail_on = !command.no_lod;
    printf("file parsed\n");
    printf("size of Frames = %d\n", static_cast<int>(frames.size()));
    begin_load_screen(end_during_load);
    load_track_named(file_shown.read_path, path);
    end_load_screen();
    forget_gps_file(&file_shown); /* read: nothing of the conversion is left */
    /* After the load, so that no menu entry acts while it runs. */
    build_menus();
    fputs(statistics_text(), stdout);
    fflush(stdout);
    name_pictures_after(path);
    if (command.screenshot != nullptr)
        take_screenshot_when_drawn(path);
    glutPostRedisplay();
    glutMainLoop();
    return 0;
}
