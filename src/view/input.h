/*
 * input.h - keyboard, mouse, motion and menu callbacks.
 *
 * The handlers only change the view state, call the curve and view steps,
 * and ask for redraws; drawing happens in the display cycle.
 *
 * Entry points: keyboard(), special_key(), mouse(), motion(), right_button_menu(),
 * mode_menu(), build_menus(), reset_view(), set_material(), Material,
 * material_red, material_grey, redisplay_requests.
 */
#ifndef KESTRIM_INPUT_H
#define KESTRIM_INPUT_H

/* A front-face material: ambient, diffuse and specular RGBA, shininess. */
struct Material {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float shininess;
};

extern const Material material_red;
extern const Material material_grey;

extern int redisplay_requests; /* redraws the input handlers have asked for */

/* GLUT keyboard callback; the pointer position is not used. */
void keyboard(unsigned char key, int x, int y);

/* GLUT special-key callback: F1 shows and hides the help panel. */
void special_key(int key, int x, int y);

/* GLUT mouse callback: left press and release. */
void mouse(int button, int state, int x, int y);

/* GLUT motion callback: pointer moves with a button held. */
void motion(int x, int y);

/* Callback of the menu on the right button. */
void right_button_menu(int value);

/* Callback of the Move/Scale/Rotate menu on the middle button. */
void mode_menu(int value);

/* Build both pop-up menus and attach them to their buttons. */
void build_menus();

/* Back to the start view; keeps window size, material, curve switches,
   curve index and threshold. Rebuilds the projection. */
void reset_view();

/* Make material the front faces' material. */
void set_material(Material material);

#endif
