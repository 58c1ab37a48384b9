/*
 * display.cpp - the display cycle.
 *
 * Each frame: the camera from the track's centre, one step of the current
 * manipulation mode, the scene under the model transformation, the text
 * overlay under its own camera, then the swap and the frame counts: the
 * overlay's once a second, the --fps line's every 5 s (fps_report.h) and
 * the benchmark's first picture (first_picture.h).  The scene is scaled
 * and turned about the track's centre and the camera stands a fixed
 * distance from it, so every track is in view at start.
 *
 * Entry points: see display.h.
 */
#include "display.h"

#include "../curves/curve_drawing.h"
#include "../manip/mode_step.h"
#include "../manip/zoom.h"
#include "../track/clock.h"
#include "../track/load.h"
#include "first_picture.h"
#include "fps_report.h"
#include "hud.h"
#include "panels.h"
#include "replay_drawing.h"
#include "viewer_state.h"

#include <GL/glut.h>

#include <cmath>
#include <cstdio>

static const double CAMERA_DISTANCE = 8.0;
static const double FIELD_OF_VIEW = 30.0;
static const double NEAR_PLANE = 1.0, FAR_PLANE = 15.0;
static const double ORTHO_HALF_HEIGHT = 2.0;
static const float FPS_REPORT_SECONDS = 1.0f;
/* The overlay's text lies in the plane z = 0 of the overlay camera, and
   that camera looks at a point of that plane: the track centre's z belongs
   to the scene's coordinates, where it would put the text out of view or
   behind the eye. */
static const float OVERLAY_PLANE_Z = 0.0f;
static const float OVERLAY_TEXT_X = -1.5f, OVERLAY_TEXT_Y = 1.4f;
/* At rest no point lies further than a quarter of a pixel from a drawn
   one, so the picture is the one every point makes but for a few pixels at
   its edges; in motion, two pixels. */
static const double REST_DETAIL_PIXELS = 0.25, MOVING_DETAIL_PIXELS = 2.0;
static const double REST_AFTER_SECONDS = 0.25; /* a pointer still this long is at rest */

void camera_eye(double cx, double cy, double cz, double eye[3])
{
    double length = sqrt(cx * cx + cy * cy + cz * cz);
    eye[0] = cx;
    eye[1] = cy;
    eye[2] = cz;
    if (length > 0) {
        /* On the line from the origin through the centre, beyond the centre. */
        eye[0] += CAMERA_DISTANCE * cx / length;
        eye[1] += CAMERA_DISTANCE * cy / length;
        eye[2] += CAMERA_DISTANCE * cz / length;
    } else {
        eye[2] += CAMERA_DISTANCE;
    }
}

void build_camera_matrix()
{
    double eye[3];
    camera_eye(centre_x, centre_y, centre_z, eye);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(pan_x, pan_y, 0);
    gluLookAt(eye[0], eye[1], eye[2], centre_x, centre_y, centre_z, up_x, up_y, up_z);
    glGetFloatv(GL_MODELVIEW_MATRIX, camera_matrix);
    glPopMatrix();
}

static void run_mode_step()
{
    if (!skip_mode_once)
        apply_view_mode();
    skip_mode_once = false;
}

/* The wheel's zoom before the projection, for the scene alone: the overlay
   keeps its place.  The projection the scene is drawn with goes to
   projection. */
static void begin_zoom(double projection[16])
{
    double zoom[16], before[16];
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glGetDoublev(GL_PROJECTION_MATRIX, before);
    zoom_matrix(zoom);
    glLoadMatrixd(zoom);
    glMultMatrixd(before);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glMatrixMode(GL_MODELVIEW);
}

static void end_zoom()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

/* The transformation the scene is drawn with: the camera, then the scale
   and turn about the centre. */
static void scene_modelview(double matrix[16])
{
    glPushMatrix();
    glLoadIdentity();
    glMultMatrixf(camera_matrix);
    apply_scene_transform();
    glGetDoublev(GL_MODELVIEW_MATRIX, matrix);
    glPopMatrix();
}

/* The levels of detail for a frame at now: finer once the pointer rests. */
static void choose_detail(double now)
{
    bool moving = now - view_moved_at < REST_AFTER_SECONDS;
    if (!level_of_detail_on)
        set_detail_pixels(0);
    else
        set_detail_pixels(moving ? MOVING_DETAIL_PIXELS : REST_DETAIL_PIXELS);
}

void display()
{
    double now = monotonic_seconds();
    step_replay(now);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    build_camera_matrix();
    run_mode_step();

    glPushMatrix();
    glLoadIdentity();
    glMultMatrixf(camera_matrix);
    double scene_projection[16];
    begin_zoom(scene_projection);
    choose_detail(now);
    draw_scene();
    end_zoom();
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(eye_x, eye_y, eye_z, -look_x, -look_y, OVERLAY_PLANE_Z, up_x, up_y, up_z);
    draw_overlay();
    glPopMatrix();
    glPopMatrix();
    double scene[16];
    scene_modelview(scene);
    draw_panels(scene, scene_projection);
    draw_replay_caption(scene, scene_projection);

    glutSwapBuffers();
    count_frames();
}

void apply_scene_transform()
{
    /* Scale and turn about the track's centre, which the camera looks at,
       or about the replay's marker, brought there while it is followed. */
    float focus[3];
    replay_focus(focus);
    glTranslatef(centre_copy_x, centre_copy_y, centre_copy_z);
    float s = 2.0f * scale_factor;
    glScalef(s, s, s);
    glMultMatrixf(model_matrix);
    float k = 1.0f / view_range;
    glScalef(k, k, k);
    glTranslatef(-focus[0], -focus[1], -focus[2]);
}

void draw_scene()
{
    glPushMatrix();
    apply_scene_transform();
    draw_centre_of_gravity();
    if (alt_track_drawing)
        draw_tangent_lines();
    else
        draw_bessel_segment();
    if (curves_shown)
        draw_curve_family(curve_family);
    else
        draw_raw_frames();
    draw_replay_marker();
    glPopMatrix();
}

void draw_text(float x, float y, float z, void* font, const char* text)
{
    glRasterPos3f(x, y, z);
    for (const char* c = text; *c != '\0'; ++c)
        glutBitmapCharacter(font, static_cast<unsigned char>(*c));
}

/* Where the overlay camera puts the text's start, in window pixels; the
   top-left corner when it is behind the eye or the camera is degenerate. */
static void overlay_anchor(int* x, int* y)
{
    GLdouble modelview[16], projection[16], wx = 0, wy = 0, wz = -1;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(OVERLAY_TEXT_X, OVERLAY_TEXT_Y, OVERLAY_PLANE_Z, modelview, projection, viewport,
               &wx, &wy, &wz);
    bool seen = std::isfinite(wx) && std::isfinite(wy) && wz >= 0 && wz <= 1;
    *x = seen ? static_cast<int>(wx) : 0;
    *y = seen ? static_cast<int>(wy) : window_height;
}

/* The frames per second, black on a light backing where the overlay camera
   puts them, kept inside the window; nothing before the first report. */
void draw_overlay()
{
    if (overlay_text[0] == '\0')
        return;
    int x, y;
    overlay_anchor(&x, &y);
    begin_window_drawing();
    draw_label(x, y, GLUT_BITMAP_HELVETICA_18, overlay_text);
    end_window_drawing();
}

void reshape(int width, int height)
{
    window_width = width;
    window_height = height;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    /* A window of no height still gets a usable projection. */
    double aspect = static_cast<double>(width) / (height > 0 ? height : 1);
    /* A window taller than wide keeps the view's width rather than its
       height, so that what fits a square window fits it too. */
    double taller = aspect < 1 && aspect > 0 ? 1 / aspect : 1;
    double half_angle = atan(tan(FIELD_OF_VIEW / 2 * M_PI / 180) * taller);
    if (perspective_on)
        gluPerspective(2 * half_angle * 180 / M_PI, aspect, NEAR_PLANE, FAR_PLANE);
    else
        glOrtho(-ORTHO_HALF_HEIGHT * taller * aspect, ORTHO_HALF_HEIGHT * taller * aspect,
                -ORTHO_HALF_HEIGHT * taller, ORTHO_HALF_HEIGHT * taller, NEAR_PLANE, FAR_PLANE);
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, width, height);
    glutPostRedisplay();
    glutPostRedisplay();
}

void idle()
{
    glutPostRedisplay();
}

static double frame_clock_start = -1.0; /* when start-up started the frame clock; -1: not yet */

void start_frame_clock()
{
    frame_clock_start = monotonic_seconds();
}

/* Seconds since start-up, as the frame counters count them. */
static double frame_clock_seconds()
{
    if (frame_clock_start < 0)
        start_frame_clock();
    return monotonic_seconds() - frame_clock_start;
}

void count_frames_at(float now)
{
    fps_frame_count += 1.0f;
    if (now - fps_last_report > FPS_REPORT_SECONDS) {
        fps_last_report = now;
        snprintf(overlay_text, sizeof overlay_text, "Current Frames Per Second: %d",
                 static_cast<int>(fps_frame_count));
        fps_frame_count = 0;
    }
}

void count_frames()
{
    double now = frame_clock_seconds();
    count_frames_at(static_cast<float>(now));
    report_fps_at(now);
    note_picture_shown();
}
