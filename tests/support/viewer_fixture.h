/*
 * viewer_fixture.h - the viewer's start state, for tests that drive its
 * rooms directly rather than through the real binary.
 */
#ifndef KESTRIM_TESTS_VIEWER_FIXTURE_H
#define KESTRIM_TESTS_VIEWER_FIXTURE_H

#include "gl_window.h"
#include "track_state.h"

#include "manip/modes.h"
#include "view/display.h"
#include "view/startup.h"
#include "view/viewer_state.h"

/* The view and mode state at their start values, as for a window of this
   size; no GL. */
inline void start_viewer_state(int width, int height)
{
    init_viewer_state();
    reset_mode_state();
    window_width = width;
    window_height = height;
}

/* A real size x size window as start-up leaves it before the load: the
   viewer's GL start state and callbacks, every track and view global at its
   start value, lighting off, and the projection of the first reshape. */
inline void start_viewer_window(int size)
{
    open_gl_window(size);
    register_callbacks();
    set_start_state();
    reset_track_state();
    glDisable(GL_LIGHTING);
    reshape(size, size);
}

#endif
