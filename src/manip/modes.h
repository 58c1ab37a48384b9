/*
 * modes.h - the manipulation modes that turn pointer travel into changes of
 * the view, one step per redraw.
 *
 * The steps are plain arithmetic over the viewer state; mode_step.h runs
 * the current one, with the GL work that follows it.
 *
 * Entry points: the per-mode steps, trackball_step(), normalized_pointer_x(),
 * normalized_pointer_y(), lift_to_sphere(), reset_mode_state(), the
 * mode-private state.
 */
#ifndef KESTRIM_MODES_H
#define KESTRIM_MODES_H

extern float look_x_saved, look_y_saved; /* look mode: values before the step */
extern float zoom_x, zoom_y;             /* zoom mode: accumulated drag */
extern float zoom_x_saved, zoom_y_saved;
extern float pan_x_saved, pan_y_saved; /* move mode: values before the step */
extern float scale_base;               /* scale mode: factor at the last release */
extern float scale_press_radius;       /* scale mode: press distance from the centre */
extern float light0_x, light0_y;       /* light mode: light 0's x and y */
extern float light0_x_saved, light0_y_saved;
extern float light0_position[4]; /* light 0's position; x and y follow the light mode */

/* The steps of the single modes. */
void look_step();
void zoom_step();
void move_step();
void scale_step();
void light_step(); /* moves light 0's position; the lights are set up after it */
void orbit_step();

/* The trackball's axis and angle from the press point to the pointer. */
void trackball_step();

/* A pixel column or row to about -1 .. +1; x is stretched by the aspect. */
float normalized_pointer_x(int x);
float normalized_pointer_y(int y);

/* A normalised point lifted onto the unit sphere, or onto its rim. */
void lift_to_sphere(float x, float y, float out[3]);

/* Mode-private state back to its start values. */
void reset_mode_state();

#endif
