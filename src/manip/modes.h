/*
 * modes.h - the manipulation modes that turn pointer travel into changes of
 * the view, one step per redraw.
 *
 * Entry points: apply_view_mode(), trackball_step(), reset_mode_state(),
 * the mode-private state.
 */
#ifndef KESTRIM_MODES_H
#define KESTRIM_MODES_H

extern float look_x_saved, look_y_saved; /* look mode: values before the step */
extern float zoom_x, zoom_y;             /* zoom mode: accumulated drag */
extern float zoom_x_saved, zoom_y_saved;
extern float pan_x_saved, pan_y_saved;   /* move mode: values before the step */
extern float scale_base;                 /* scale mode: factor at the last release */
extern float scale_press_radius;         /* scale mode: press distance from the centre */
extern float light0_x, light0_y;         /* light mode: light 0's x and y */
extern float light0_x_saved, light0_y_saved;

/* One step of the current view mode (all but the rotate mode's fold). */
void apply_view_mode();

/* The trackball's axis and angle from the last pointer travel. */
void trackball_step();

/* Mode-private state back to its start values. */
void reset_mode_state();

#endif
