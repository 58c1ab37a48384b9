/*
 * private_display.h - an X display to draw in where none is at hand: for
 * "kestrim --screenshot", which must work without one.
 *
 * Entry points: find_or_start_display().
 */
#ifndef KESTRIM_PRIVATE_DISPLAY_H
#define KESTRIM_PRIVATE_DISPLAY_H

/* True when DISPLAY names a display that opens.  Else starts an Xvfb of
   this process's own on a free display number, sets DISPLAY to it and
   ends it when the process exits (or dies: it never outlives the
   viewer); false after one line saying why when that fails. */
bool find_or_start_display();

#endif
