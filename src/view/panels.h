/*
 * panels.h - what the window shows over the track: the information panel
 * (key i), the help panel (F1), the colour legend, the scale bar and the
 * north arrow.
 *
 * Entry points: draw_panels(), HELP_TEXT.
 */
#ifndef KESTRIM_PANELS_H
#define KESTRIM_PANELS_H

/* Every control of the window and what it does, as the help panel lists it. */
extern const char HELP_TEXT[];

/* Draws the panels that are on, and the legend, the scale bar and the
   north arrow of a loaded track; scene_modelview and scene_projection are
   the transformations the track was drawn with. */
void draw_panels(const double scene_modelview[16], const double scene_projection[16]);

#endif
