/*
 * startup.cpp - the viewer's window and its start-up state.
 *
 * Entry points: open_window(), register_callbacks(), set_viewer_callbacks(),
 * set_start_state().
 */
#include "startup.h"

#include "../manip/modes.h"
#include "../track/load.h"
#include "../track/track_reader.h"
#include "display.h"
#include "input.h"
#include "viewer_state.h"

#include <GL/glut.h>

enum {
    WINDOW_SIZE = 600,
    WINDOW_POSITION = 200,
    START_VIEWPORT = 300,
};

void open_window(int* argc, char** argv)
{
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutIdleFunc(idle);
    glutInitWindowSize(WINDOW_SIZE, WINDOW_SIZE);
    glutInitWindowPosition(WINDOW_POSITION, WINDOW_POSITION);
    glutCreateWindow("Trevan");
}

void set_viewer_callbacks()
{
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(special_key);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
}

void register_callbacks()
{
    glClearColor(1, 1, 1, 1);
    set_viewer_callbacks();
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, 1, 15);
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, START_VIEWPORT, START_VIEWPORT);
}

void set_start_state()
{
    reset_bounds();
    centre_copy_x = centre_copy_y = centre_copy_z = 0.0f;
    init_viewer_state();
    reset_mode_state();
    start_frame_clock();
}
