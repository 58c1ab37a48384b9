/*
 * display.cpp - the display cycle.
 *
 * Entry points: display(), reshape(), idle().
 */
#include "display.h"

#include <GL/glut.h>

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

void reshape(int width, int height)
{
    glViewport(0, 0, width, height);
    glutPostRedisplay();
}

void idle()
{
    glutPostRedisplay();
}
