/*
 * kestrim.cpp - the entry point: window, callbacks, menus, then the load.
 *
 * Usage: kestrim TRACKFILE
 *
 * Start-up prints the file it was given, opens the "Trevan" window,
 * registers the callbacks, builds the menus, loads the track and runs the
 * GLUT main loop, which never returns.
 */
#include "load.h"
#include "track_point.h"
#include "track_reader.h"

#include "../view/input.h"
#include "../view/startup.h"

#include <GL/glut.h>
#include <cstdio>

/* The track's path, or null when none was given. */
static const char* take_path(int argc, char** argv)
{
    if (argc < 2) {
        printf("format is: dravelin filename\n");
        return nullptr;
    }
    printf("file %s\n", argv[1]);
    return argv[1];
}

int main(int argc, char** argv)
{
    /* Line-buffered, so that whoever reads the transcript sees each message at once. */
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const char* path = take_path(argc, argv);
    open_window(&argc, argv);
    register_callbacks();
    set_start_state();
    build_menus();
    printf("file parsed\n");
    printf("size of Frames = %d\n", static_cast<int>(frames.size()));
    load_track(path);
    glutPostRedisplay();
    glutMainLoop();
    return 0;
}
