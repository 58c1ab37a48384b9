/*
 * load_screen.h - the window while a long load runs: a bar of the share of
 * the file read and the step under way, and only q, Q and the window's
 * close button answering, each of which ends the program.
 *
 * It listens to the load's progress (load_progress.h): once a load has
 * lasted half a second it takes the window's callbacks, keeps the window's
 * events flowing and draws at most ten times a second; when the load is
 * over the viewer's own callbacks are back.  A shorter load is left alone.
 *
 * Entry points: begin_load_screen(), end_load_screen().
 */
#ifndef KESTRIM_LOAD_SCREEN_H
#define KESTRIM_LOAD_SCREEN_H

/* The loads from now on show in the window; q, Q or the close button
   during one calls end_program, which must not return. */
void begin_load_screen(void (*end_program)());

/* No more loads shown; the viewer's own callbacks back, and a redraw asked. */
void end_load_screen();

#endif
