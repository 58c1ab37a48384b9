/*
 * display.h - the GLUT display, reshape and idle callbacks.
 *
 * Entry points: display(), reshape(), idle().
 */
#ifndef KESTRIM_DISPLAY_H
#define KESTRIM_DISPLAY_H

/* GLUT display callback: draws one frame. */
void display();

/* GLUT reshape callback: stores the size and rebuilds the projection. */
void reshape(int width, int height);

/* GLUT idle callback: asks for the next frame. */
void idle();

#endif
