/*
 * startup.h - the viewer's window and start-up state, shared by the entry
 * point and the benchmark so that both draw in the same window the same way.
 *
 * Entry points: open_window(), register_callbacks(), set_viewer_callbacks(),
 * set_start_state().
 */
#ifndef KESTRIM_STARTUP_H
#define KESTRIM_STARTUP_H

/* Initialises GLUT and opens the 600x600 "Trevan" window at 200,200. */
void open_window(int* argc, char** argv);

/* The GLUT callbacks and the start GL state: clear colour, depth test, projection. */
void register_callbacks();

/* The viewer's display, reshape and input callbacks, as register_callbacks() sets them. */
void set_viewer_callbacks();

/* Bounds, centre copies and viewer state to their start values; starts the frame clock. */
void set_start_state();

#endif
