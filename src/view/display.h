/*
 * display.h - the display cycle: camera, mode step, scene, overlay,
 * projection, and the frames-per-second counter.
 *
 * Entry points: display(), reshape(), idle(), draw_scene(),
 * apply_scene_transform(), draw_overlay(), draw_text(), count_frames(),
 * count_frames_at(), start_frame_clock(), camera_eye().
 */
#ifndef KESTRIM_DISPLAY_H
#define KESTRIM_DISPLAY_H

/* GLUT display callback: draws one frame. */
void display();

/* camera_matrix from the track's centre and the pan, as the next display
   builds it: for what turns the track before then. */
void build_camera_matrix();

/* GLUT reshape callback: stores the size, rebuilds the projection, redraws. */
void reshape(int width, int height);

/* GLUT idle callback: asks for the next frame. */
void idle();

/* The track and its curves under the model transformation. */
void draw_scene();

/* Multiplies the modelview by the model transformation the scene is drawn
   under: scale and rotation about the track's centre, the track's extent. */
void apply_scene_transform();

/* The overlay text, black. */
void draw_overlay();

/* text as bitmap characters of font from the raster position (x, y, z). */
void draw_text(float x, float y, float z, void* font, const char* text);

/* Counts one frame: the overlay's frames per second once a second has
   passed, the --fps line every 5 s, the benchmark's first picture. */
void count_frames();

/* count_frames() at a given time in seconds, for a clock of one's own. */
void count_frames_at(float now);

/* Where the camera stands, looking at the track's centre. */
void camera_eye(double centre_x, double centre_y, double centre_z, double eye[3]);

/* The frame counter's clock counts from now. */
void start_frame_clock();

#endif
