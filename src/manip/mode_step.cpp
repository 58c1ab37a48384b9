/*
 * mode_step.cpp - dispatching the manipulation modes.
 *
 * The steps themselves are arithmetic (modes.cpp); what follows here needs
 * GL: the rotate mode's turn is applied with glRotatef and read back as
 * the new model matrix, so that it is exactly the turn GL itself draws.
 *
 * Entry points: apply_view_mode().
 */
#include "mode_step.h"

#include "../view/viewer_state.h"
#include "lights.h"
#include "modes.h"

#include <GL/glut.h>

/* Folds the trackball's rotation into the model matrix, as its left factor. */
static void rotate_step()
{
    trackball_step();
    press_x = cur_x;
    press_y = cur_y;
    glPushMatrix();
    glLoadIdentity();
    bool has_axis = trackball_axis_x != 0 || trackball_axis_y != 0 || trackball_axis_z != 0;
    if (trackball_angle != 0 && has_axis) /* a zero axis would not turn anything anyway */
        glRotatef(trackball_angle, trackball_axis_x, trackball_axis_y, trackball_axis_z);
    trackball_angle = 0;
    glMultMatrixf(model_matrix);
    glGetFloatv(GL_MODELVIEW_MATRIX, model_matrix);
    glPopMatrix();
}

void apply_view_mode()
{
    switch (view_mode) {
    case MODE_LOOK: look_step(); break;
    case MODE_ZOOM: zoom_step(); break;
    case MODE_MOVE: move_step(); break;
    case MODE_SCALE: scale_step(); break;
    case MODE_ROTATE: rotate_step(); break;
    case MODE_LIGHT:
        light_step();
        setup_lights();
        break;
    case MODE_ORBIT: orbit_step(); break;
    default: break;
    }
}
