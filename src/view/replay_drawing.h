/*
 * replay_drawing.h - the replay's marker in the window: a magenta point
 * with a trail of the last minute, and its time beside it when the
 * information panel is off; the panel's lines for it; the centre the
 * view keeps while it follows the marker.
 *
 * Entry points: step_replay(), replay_focus(), draw_replay_marker(),
 * draw_replay_caption(), replay_panel_text().
 */
#ifndef KESTRIM_REPLAY_DRAWING_H
#define KESTRIM_REPLAY_DRAWING_H

/* Once a frame, at now (monotonic seconds): the marker moved on by the
   time since the last frame (a quarter of a second at most) while it
   plays; nothing while it stands. */
void step_replay(double now);

/* The point of the scene (display units) the view is turned and scaled
   about, and looked at: the marker while it is followed, else the centre. */
void replay_focus(float focus[3]);

/* The marker and its trail, in display units under the scene's matrices. */
void draw_replay_marker();

/* The marker's time beside it, in window pixels, where the scene's
   matrices put it; only when the information panel is off. */
void draw_replay_caption(const double scene_modelview[16], const double scene_projection[16]);

/* The lines the information panel adds for the marker; "" before the
   replay has started. */
const char* replay_panel_text();

#endif
