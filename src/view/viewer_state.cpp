/*
 * viewer_state.cpp - the viewer state and its start values.
 *
 * State only: it calls nothing of the rooms that read and change it.
 *
 * Entry points: see viewer_state.h.
 */
#include "viewer_state.h"

#include "../track/load.h"

#include <cmath>

static const float ORBIT_RADIUS = 6.0f;
static const float START_AZIMUTH = 90.0f; /* radians, as stored */
static const float START_ELEVATION = 0.0f;

int view_mode = MODE_ORBIT;
bool skip_mode_once = false;
int window_width = 0, window_height = 0;
bool perspective_on = true;
bool smooth_shading = true;
bool cartoon_rendering = true;
bool lighting_on = true;
int material_counter = 0;
int polygon_mode = POLYGON_MODE_FILL;
bool alt_track_drawing = false;
bool curves_shown = false;
int curve_family = 0;
float model_matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
float camera_matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
float pan_x = 0, pan_y = 0;
float up_x = 0, up_y = 1, up_z = 0;
float eye_x = 0, eye_y = 0, eye_z = 0;
float look_x = 0, look_y = 0;
float look_z = 0;
float orbit_azimuth = START_AZIMUTH, orbit_elevation = START_ELEVATION;
float orbit_eye_x = 0, orbit_eye_y = 0;
float trackball_angle = 0;
float trackball_axis_x = 0, trackball_axis_y = 0, trackball_axis_z = 0;
float scale_factor = 1.0f;
int press_x = 0, press_y = 0;
int cur_x = 0, cur_y = 0;
bool left_button_down = false, left_button_up = true;
char overlay_text[OVERLAY_TEXT_BYTES] = "";
float fps_frame_count = 0, fps_last_report = 0;

/* Drawing options */
bool fps_printing = false;
bool level_of_detail_on = true;
double view_moved_at = -1e9;

/* Panels */
bool info_panel_shown = false;
bool help_panel_shown = false;
bool panels_shown = true;

void orbit_eye(float azimuth, float elevation, float* x, float* y, float* z)
{
    *x = cosf(azimuth) * (cosf(elevation) * ORBIT_RADIUS);
    *y = sinf(elevation) * ORBIT_RADIUS;
    *z = sinf(azimuth) * (cosf(elevation) * ORBIT_RADIUS);
}

void init_viewer_state()
{
    smooth_shading = true;
    view_mode = MODE_ORBIT;
    cur_y = cur_x = press_y = press_x = 0;
    orbit_azimuth = START_AZIMUTH;
    orbit_elevation = START_ELEVATION;
    pan_y = pan_x = 0;
    look_y = look_x = 0;
    scale_factor = 1.0f;
    eye_x = eye_y = eye_z = 0;
    look_z = static_cast<float>(centre_z);
    up_x = 0;
    up_y = 1;
    up_z = 0;
    orbit_eye(orbit_azimuth, orbit_elevation, &orbit_eye_x, &orbit_eye_y, &eye_z);
    trackball_axis_z = trackball_axis_y = trackball_axis_x = trackball_angle = 0;
    left_button_down = false;
    left_button_up = true;
    lighting_on = true;
    polygon_mode = POLYGON_MODE_FILL;
    perspective_on = true;
    cartoon_rendering = true;
    skip_mode_once = false;
}
