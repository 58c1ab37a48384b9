/*
 * lights.cpp - the light tables and setup_lights().
 *
 * Entry points: see lights.h.
 */
#include "lights.h"

#include "../view/viewer_state.h"
#include "modes.h"

#include <GL/glut.h>

const float light0_ambient[4] = {0.6f, 0.6f, 0.6f, 1.0f};
const float light0_diffuse[4] = {0.6f, 0.6f, 0.6f, 1.0f};
const float light0_specular[4] = {0.8f, 0.8f, 0.8f, 1.0f};
const float light1_position[4] = {3.0f, 3.0f, 1.0f, 0.0f}; /* directional */
const float light1_ambient[4] = {0.6f, 0.5f, 0.65f, 1.0f};
const float light1_diffuse[4] = {0.2f, 0.1f, -0.05f, 1.0f};
const float light1_specular[4] = {0, 0, 0, 0};
const float light2_position[4] = {-3.0f, -3.0f, 1.0f, 0.0f}; /* directional */
const float light2_ambient[4] = {0.6f, 0.5f, 0.65f, 1.0f};
const float light2_diffuse[4] = {-0.2f, -0.1f, 0.05f, 1.0f};
const float light2_specular[4] = {0, 0, 0, 0};

static void set_light(GLenum light, const float* position, const float* diffuse,
                      const float* ambient, const float* specular)
{
    glLightfv(light, GL_POSITION, position);
    glLightfv(light, GL_DIFFUSE, diffuse);
    glLightfv(light, GL_AMBIENT, ambient);
    glLightfv(light, GL_SPECULAR, specular);
}

void setup_lights()
{
    if (!cartoon_rendering) {
        glDisable(GL_LIGHT1);
        glDisable(GL_LIGHT2);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        set_light(GL_LIGHT0, light0_position, light0_diffuse, light0_ambient, light0_specular);
    } else {
        glDisable(GL_LIGHT0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        set_light(GL_LIGHT1, light1_position, light1_diffuse, light1_ambient, light1_specular);
        set_light(GL_LIGHT2, light2_position, light2_diffuse, light2_ambient, light2_specular);
    }
    glShadeModel(smooth_shading ? GL_SMOOTH : GL_FLAT);
    glEnable(GL_NORMALIZE);
}
