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

#include "../view/display.h"
#include "../view/input.h"
#include "../view/viewer_state.h"

#include <GL/glut.h>
#include <cstdio>

enum {
    WINDOW_SIZE = 600,
    WINDOW_POSITION = 200,
    START_VIEWPORT = 300,
};

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

static void open_window(int* argc, char** argv)
{
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutIdleFunc(idle);
    glutInitWindowSize(WINDOW_SIZE, WINDOW_SIZE);
    glutInitWindowPosition(WINDOW_POSITION, WINDOW_POSITION);
    glutCreateWindow("Trevan");
}

static void register_callbacks()
{
    glClearColor(1, 1, 1, 1);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, 1, 15);
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, START_VIEWPORT, START_VIEWPORT);
}

static void set_start_state()
{
    reset_bounds();
    centre_copy_x = centre_copy_y = centre_copy_z = 0.0f;
    init_viewer_state();
    monotonic_seconds(); /* the frame clock counts from start-up */
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
