/*
 * input.h - keyboard, mouse, motion and menu callbacks.
 *
 * Entry points: keyboard(), mouse(), motion(), right_button_menu(),
 * mode_menu(), build_menus().
 */
#ifndef KESTRIM_INPUT_H
#define KESTRIM_INPUT_H

/* GLUT keyboard callback. */
void keyboard(unsigned char key, int x, int y);

/* GLUT mouse callback: left press and release. */
void mouse(int button, int state, int x, int y);

/* GLUT motion callback: pointer moves with a button held. */
void motion(int x, int y);

/* Callback of the menu on the right button. */
void right_button_menu(int value);

/* Callback of the Move/Scale/Rotate menu. */
void mode_menu(int value);

/* Build both pop-up menus and attach them to their buttons. */
void build_menus();

#endif
