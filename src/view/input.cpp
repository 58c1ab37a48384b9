/*
 * input.cpp - the input side of the window.
 *
 * Entry points: keyboard(), mouse(), motion(), right_button_menu(),
 * mode_menu(), build_menus().
 */
#include "input.h"

#include <GL/glut.h>

enum {
    MENU_MOVE = 1,
    MENU_SCALE = 2,
    MENU_ROTATE = 3,
    MENU_RESET = 8,
    MENU_EXIT = 9,
};

void keyboard(unsigned char, int, int)
{
}

void mouse(int, int, int, int)
{
}

void motion(int, int)
{
}

void right_button_menu(int)
{
}

void mode_menu(int)
{
}

void build_menus()
{
    glutCreateMenu(mode_menu);
    glutAddMenuEntry("Move", MENU_MOVE);
    glutAddMenuEntry("Scale", MENU_SCALE);
    glutAddMenuEntry("Rotate", MENU_ROTATE);

    glutCreateMenu(right_button_menu);
    glutAddMenuEntry("Move", MENU_MOVE);
    glutAddMenuEntry("Scale", MENU_SCALE);
    glutAddMenuEntry("Reset", MENU_RESET);
    glutAddMenuEntry("Exit", MENU_EXIT);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}
