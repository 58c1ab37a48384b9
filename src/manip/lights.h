/*
 * lights.h - the light tables and the light set-up.
 *
 * Entry points: the light tables, setup_lights().  Light 0's position,
 * which the light mode moves, is the mode's (modes.h).
 */
#ifndef KESTRIM_LIGHTS_H
#define KESTRIM_LIGHTS_H

extern const float light0_ambient[4], light0_diffuse[4], light0_specular[4];
extern const float light1_position[4], light1_ambient[4], light1_diffuse[4], light1_specular[4];
extern const float light2_position[4], light2_ambient[4], light2_diffuse[4], light2_specular[4];

/* Light 0, or the two coloured lights when cartoon rendering is on, fixed to
   the eye; flat or smooth shading; normalised normals. Lighting itself is
   switched by the keyboard. */
void setup_lights();

#endif
