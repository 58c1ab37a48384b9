/*
 * modes.cpp - the manipulation modes and the trackball, as arithmetic.
 *
 * Every step reads the pointer travel since the last step (since the press
 * in the scale mode), changes the view state, and puts a value back when it
 * would leave its range.  Nothing here touches GL; mode_step.cpp runs the
 * current mode's step and does the GL work that follows two of them.
 *
 * Entry points: see modes.h.
 */
#include "modes.h"

#include "../view/viewer_state.h"

#include <cmath>
#include <cstdio>

static const float PAN_LIMIT = 100.0f;  /* look, zoom and move modes */
static const float LIGHT_LIMIT = 10.0f; /* light mode */
static const float SCALE_MAX = 4.0f;
static const float SCALE_MIN = 0.2f;
static const float ZOOM_EYE_Z = 6.0f;
static const double PI = 3.141592653589793;

float look_x_saved = 0, look_y_saved = 0;
float zoom_x = 0, zoom_y = 0;
float zoom_x_saved = 0, zoom_y_saved = 0;
float pan_x_saved = 0, pan_y_saved = 0;
float scale_base = 1.0f;
float scale_press_radius = 1.0f;
float light0_x = 1.0f, light0_y = 1.0f;
float light0_x_saved = 1.0f, light0_y_saved = 1.0f;
float light0_position[4] = {1.0f, 1.0f, 1.5f, 1.0f};

void reset_mode_state()
{
    look_x_saved = look_y_saved = 0;
    zoom_x = zoom_y = zoom_x_saved = zoom_y_saved = 0;
    pan_x_saved = pan_y_saved = 0;
    scale_base = scale_press_radius = 1.0f;
    light0_x = light0_y = light0_x_saved = light0_y_saved = 1.0f;
}

float normalized_pointer_y(int y)
{
    int h = window_height > 0 ? window_height : 1;
    return static_cast<float>((y - (h - 1.0) / 2.0) * 2 / h);
}

float normalized_pointer_x(int x)
{
    int w = window_width > 0 ? window_width : 1;
    int h = window_height > 0 ? window_height : 1;
    float t = static_cast<float>((x - (w - 1.0) / 2.0) * 2 / w);
    return static_cast<float>(w) / h * t;
}

static bool out_of(float value, float limit)
{
    return value > limit || value < -limit;
}

/* Travel since the press point, with the pixels doubled first. */
static void doubled_delta(float* dx, float* dy)
{
    *dx = normalized_pointer_x(2 * cur_x) - normalized_pointer_x(2 * press_x);
    *dy = normalized_pointer_y(2 * cur_y) - normalized_pointer_y(2 * press_y);
}

static void plain_delta(float* dx, float* dy)
{
    *dx = normalized_pointer_x(cur_x) - normalized_pointer_x(press_x);
    *dy = normalized_pointer_y(cur_y) - normalized_pointer_y(press_y);
}

static void press_at_pointer()
{
    press_x = cur_x;
    press_y = cur_y;
}

/* Adds a step to a pair of values, each put back on its own when it would
   leave +-limit, and both when the button is up. */
static void step_pair(float* x, float* y, float* x_saved, float* y_saved, float dx, float dy,
                      float limit)
{
    *x_saved = *x;
    *y_saved = *y;
    *x += dx;
    *y += dy;
    if (out_of(*x, limit))
        *x = *x_saved;
    if (out_of(*y, limit))
        *y = *y_saved;
    if (left_button_up) {
        *x = *x_saved;
        *y = *y_saved;
    }
}

void look_step()
{
    float dx, dy;
    doubled_delta(&dx, &dy);
    step_pair(&look_x, &look_y, &look_x_saved, &look_y_saved, dx, dy, PAN_LIMIT);
    eye_x -= look_x;
    eye_y -= look_y;
    press_at_pointer();
    printf("ex = %f, ey = %f\n", eye_x, eye_y);
}

void zoom_step()
{
    zoom_x_saved = zoom_x;
    zoom_y_saved = zoom_y;
    float dx, dy;
    doubled_delta(&dx, &dy);
    zoom_x += dx;
    zoom_y += dy;
    if (out_of(zoom_x + zoom_y, PAN_LIMIT)) {
        zoom_x = zoom_x_saved;
        zoom_y = zoom_y_saved;
    }
    eye_z = ZOOM_EYE_Z - (zoom_y + zoom_x);
    press_at_pointer();
}

void move_step()
{
    float dx, dy;
    plain_delta(&dx, &dy);
    step_pair(&pan_x, &pan_y, &pan_x_saved, &pan_y_saved, 2.0f * dx, 2.0f * dy, PAN_LIMIT);
    press_at_pointer();
}

/* A pointer position relative to the centre of scaling and turning. */
static void pointer_from_centre(int x, int y, float* px, float* py)
{
    *px = normalized_pointer_x(x) - pan_x / 2.0f - look_x / 2.0f;
    *py = normalized_pointer_y(y) - pan_y / 2.0f - look_y / 2.0f;
}

static float distance_from_centre(int x, int y)
{
    float px, py;
    pointer_from_centre(x, y, &px, &py);
    return sqrtf(px * px + py * py);
}

void scale_step()
{
    if (left_button_down)
        scale_factor = scale_base;
    float r0 = distance_from_centre(press_x, press_y);
    if (left_button_down)
        scale_press_radius = r0;
    float r1 = distance_from_centre(cur_x, cur_y);
    /* A press right on the centre gives no ratio: the factor stays. */
    if (scale_press_radius > 0) {
        float s = scale_factor * (r1 / scale_press_radius);
        if (s > SCALE_MAX)
            s = SCALE_MAX;
        if (s < SCALE_MIN)
            s = SCALE_MIN;
        if (!left_button_up)
            scale_factor = s;
    }
    if (left_button_up)
        scale_base = scale_factor;
}

void light_step()
{
    float dx, dy;
    doubled_delta(&dx, &dy);
    step_pair(&light0_x, &light0_y, &light0_x_saved, &light0_y_saved, dx, dy, LIGHT_LIMIT);
    light0_position[0] = light0_x;
    light0_position[1] = light0_y;
    press_at_pointer();
}

void orbit_step()
{
    float dx, dy;
    plain_delta(&dx, &dy);
    orbit_azimuth += dx;
    orbit_elevation -= dy;
    float x, y;
    orbit_eye(orbit_azimuth, orbit_elevation, &x, &y, &eye_z);
    orbit_eye_x = x - look_x;
    orbit_eye_y = y - look_y;
    press_at_pointer();
}

void lift_to_sphere(float x, float y, float out[3])
{
    float d = 1 - (x * x + y * y);
    if (d > 0) {
        out[0] = x;
        out[1] = y;
        out[2] = sqrtf(d);
        return;
    }
    float length = sqrtf(x * x + y * y);
    out[0] = x / length;
    out[1] = y / length;
    out[2] = 0;
}

static void trackball_point(int x, int y, float out[3])
{
    float px, py;
    pointer_from_centre(x, y, &px, &py);
    lift_to_sphere(px, py, out);
}

static void cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

static float dot(const float a[3], const float b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

static float length_of(const float a[3])
{
    return sqrtf(dot(a, a));
}

void trackball_step()
{
    float p[3], c[3], axis[3];
    trackball_point(press_x, press_y, p);
    trackball_point(cur_x, cur_y, c);
    cross(p, c, axis);
    trackball_axis_x = axis[0];
    trackball_axis_y = axis[1];
    trackball_axis_z = axis[2];
    float cosine = dot(p, c) / (length_of(c) * length_of(p));
    /* No axis, or a cosine rounded past 1: nothing to turn, and no NaN. */
    if (length_of(axis) == 0 || !(cosine >= -1 && cosine <= 1)) {
        trackball_angle = 0;
        return;
    }
    float angle = acosf(cosine);
    trackball_angle = static_cast<float>(360.0 * angle / PI);
}
