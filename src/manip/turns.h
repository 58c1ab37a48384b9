/*
 * turns.h - turning the track by keys: about the screen's axes through the
 * centre of the view, and north up as maps are.  Arithmetic on the model
 * and camera matrices of the view state; no GL.
 *
 * Entry points: TURN_STEP_DEGREES, turn_about_screen_axis(),
 * turn_north_up().
 */
#ifndef KESTRIM_TURNS_H
#define KESTRIM_TURNS_H

static const float TURN_STEP_DEGREES = 10.0f; /* one arrow key */

enum ScreenAxis { SCREEN_X = 0, SCREEN_Y = 1 };

/* Turns the track by degrees about the screen's x (right) or y (up) axis,
   counter-clockwise looking along it toward the eye's side. */
void turn_about_screen_axis(ScreenAxis axis, float degrees);

/* Turns the track so that the track is seen from straight above at the
   Earth-centred point (x, y, z), local north pointing up the screen. */
void turn_north_up(double x, double y, double z);

#endif
