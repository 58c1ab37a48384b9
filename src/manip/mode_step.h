/*
 * mode_step.h - the one place that runs the current manipulation mode.
 *
 * Entry points: apply_view_mode().
 */
#ifndef KESTRIM_MODE_STEP_H
#define KESTRIM_MODE_STEP_H

/* One step of view_mode, with the GL work that follows two of them: the
   trackball's turn is folded into the model matrix, and the light mode's
   step is followed by the light set-up.  Any other mode number does nothing. */
void apply_view_mode();

#endif
