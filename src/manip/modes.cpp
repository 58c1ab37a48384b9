/*
 * modes.cpp - the manipulation modes.
 *
 * Entry points: see modes.h.
 */
#include "modes.h"

float look_x_saved = 0, look_y_saved = 0;
float zoom_x = 0, zoom_y = 0;
float zoom_x_saved = 0, zoom_y_saved = 0;
float pan_x_saved = 0, pan_y_saved = 0;
float scale_base = 1.0f;
float scale_press_radius = 1.0f;
float light0_x = 1.0f, light0_y = 1.0f;
float light0_x_saved = 1.0f, light0_y_saved = 1.0f;

void apply_view_mode()
{
}

void trackball_step()
{
}

void reset_mode_state()
{
    look_x_saved = look_y_saved = 0;
    zoom_x = zoom_y = zoom_x_saved = zoom_y_saved = 0;
    pan_x_saved = pan_y_saved = 0;
    scale_base = scale_press_radius = 1.0f;
    light0_x = light0_y = light0_x_saved = light0_y_saved = 1.0f;
}
