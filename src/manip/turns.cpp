/*
 * turns.cpp - the key turns, as matrix arithmetic.
 *
 * The model matrix turns the track about its centre before the camera
 * (camera * model), so a turn about an axis of the screen is a turn about
 * that axis carried back into the scene by the camera's rotation: the
 * camera matrix's rows are the screen's axes in the scene.  North up sets
 * the model matrix to camera^T * ENU, where the rows of ENU are local east,
 * north and up: the camera then sees east to the right, north up the
 * screen and up toward the eye.
 *
 * Entry points: see turns.h.
 */
#include "turns.h"

#include "../view/map_scale.h"
#include "../view/viewer_state.h"

#include <cmath>

static const double PI = 3.141592653589793;

/* Row r of the camera's rotation: screen axis r in scene coordinates. */
static void screen_axis(int r, double axis[3])
{
    for (int c = 0; c < 3; ++c)
        axis[c] = camera_matrix[c * 4 + r];
}

/* Column-major rotation by degrees about the unit axis a. */
static void rotation(const double a[3], double degrees, double m[16])
{
    double t = degrees * PI / 180.0, c = cos(t), s = sin(t), v = 1 - c;
    double r[3][3] = {
        {c + a[0] * a[0] * v, a[0] * a[1] * v - a[2] * s, a[0] * a[2] * v + a[1] * s},
        {a[1] * a[0] * v + a[2] * s, c + a[1] * a[1] * v, a[1] * a[2] * v - a[0] * s},
        {a[2] * a[0] * v - a[1] * s, a[2] * a[1] * v + a[0] * s, c + a[2] * a[2] * v}};
    for (int i = 0; i < 16; ++i)
        m[i] = i % 5 == 0 ? 1.0 : 0.0;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            m[col * 4 + row] = r[row][col];
}

/* model_matrix = left * model_matrix. */
static void turn_model(const double left[16])
{
    float result[16];
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += left[k * 4 + row] * model_matrix[col * 4 + k];
            result[col * 4 + row] = static_cast<float>(sum);
        }
    for (int i = 0; i < 16; ++i)
        model_matrix[i] = result[i];
}

void turn_about_screen_axis(ScreenAxis axis, float degrees)
{
    double a[3], m[16];
    screen_axis(axis == SCREEN_X ? 0 : 1, a);
    double length = sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    if (!(length > 0))
        return;
    for (double& v : a)
        v /= length;
    rotation(a, degrees, m);
    turn_model(m);
}

void turn_north_up(double x, double y, double z)
{
    double length = sqrt(x * x + y * y + z * z), north[3];
    local_north(x, y, z, north);
    if (!(length > 0) || north[0] * north[0] + north[1] * north[1] + north[2] * north[2] == 0)
        return; /* no north at a pole: leave the view as it is */
    double up[3] = {x / length, y / length, z / length};
    double east[3] = {north[1] * up[2] - north[2] * up[1], north[2] * up[0] - north[0] * up[2],
                      north[0] * up[1] - north[1] * up[0]};
    const double* enu[3] = {east, north, up};
    double camera[3][3];
    for (int r = 0; r < 3; ++r)
        screen_axis(r, camera[r]);
    /* model = camera^T * ENU: element (row, col) = sum_k camera[k][row] * enu[k][col]. */
    for (int i = 0; i < 16; ++i)
        model_matrix[i] = i % 5 == 0 ? 1.0f : 0.0f;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            double sum = 0;
            for (int k = 0; k < 3; ++k)
                sum += camera[k][row] * enu[k][col];
            model_matrix[col * 4 + row] = static_cast<float>(sum);
        }
}
