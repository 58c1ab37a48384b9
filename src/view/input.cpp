/*
 * input.cpp - the input side of the window.
 *
 * Keys switch lighting, shading, material, curve display, curve index and
 * threshold; k cycles the colouring, i shows the statistics and F1 the
 * help panel.  The left button drags in the current mode; the right-button
 * menu chooses Move, Scale, Reset or Exit, and the middle-button menu
 * Move, Scale or Rotate.  Key r and the Reset entry call reset_view(); x
 * and X double and halve the height exaggeration.
 *
 * Entry points: see input.h.
 */
#include "input.h"

#include "../curves/colouring.h"
#include "../curves/curve_controls.h"
#include "../curves/curve_lists.h"
#include "../manip/lights.h"
#include "../manip/modes.h"
#include "../manip/turns.h"
#include "../manip/zoom.h"
#include "../track/clock.h"
#include "../track/heights.h"
#include "../track/load.h"
#include "../track/replay.h"
#include "display.h"
#include "screenshot.h"
#include "viewer_state.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>

enum { WHEEL_UP = 3, WHEEL_DOWN = 4 }; /* freeglut's buttons of the wheel */

enum {
    MENU_MOVE = 1,
    MENU_SCALE = 2,
    MENU_ROTATE = 3,
    MENU_PROJECTION = 4,
    MENU_POLYGON_LINE = 5,
    MENU_POLYGON_FILL = 6,
    MENU_RESET = 8,
    MENU_EXIT = 9,
};

const Material material_red = {{0.3f, 0, 0, 1}, {0.9f, 0, 0, 1}, {0, 0, 0, 1}, 0};
const Material material_grey = {{0.5f, 0.5f, 0.5f, 1}, {1, 1, 1, 1}, {0, 0, 0, 1}, 0};

int redisplay_requests = 0;

static void request_redisplay()
{
    ++redisplay_requests;
    glutPostRedisplay();
}

void set_material(Material material)
{
    glMaterialfv(GL_FRONT, GL_AMBIENT, material.ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, material.specular);
    glMaterialfv(GL_FRONT, GL_SHININESS, &material.shininess);
}

static void print_help()
{
    printf("F - draw in polygons\n");
    printf("N - draw in normals\n");
    printf("L - toggle lighting\n");
    printf("M - toggle material\n");
    printf("V - toggle perspetive\n");
    printf("S - toggle smooth shading\n");
    printf("C - toggle cartoon rendering\n");
    printf("R - reset model\n");
    printf("Q - quit program\n");
    printf("\nTranslations and Transformations can accessed by right clicking");
    fflush(stdout);
}

/* The model matrix back to the identity, as GL makes it. */
static void load_identity_model_matrix()
{
    glPushMatrix();
    glLoadIdentity();
    glGetFloatv(GL_MODELVIEW_MATRIX, model_matrix);
    glPopMatrix();
}

void reset_view()
{
    load_identity_model_matrix();
    reset_zoom();
    init_viewer_state();
    reset_mode_state();
    glDisable(GL_LIGHTING);
    skip_mode_once = true;
    reshape(window_width, window_height);
}

static void quit()
{
    fflush(stdout);
    exit(0);
}

static void toggle_lighting()
{
    lighting_on = !lighting_on;
    if (lighting_on) {
        glEnable(GL_LIGHTING);
        printf("lighting enabled\n");
    } else {
        glDisable(GL_LIGHTING);
        printf("lighting disabled\n");
    }
    skip_mode_once = true;
    request_redisplay();
}

static void toggle_smooth_shading()
{
    printf("toggling smooth shading\n");
    smooth_shading = !smooth_shading;
    skip_mode_once = true;
    request_redisplay();
    setup_lights();
}

static void toggle_cartoon_rendering()
{
    cartoon_rendering = !cartoon_rendering;
    skip_mode_once = true;
    setup_lights();
    request_redisplay();
}

static void next_material()
{
    material_counter += 1;
    if (material_counter % 2 == 0)
        set_material(material_red);
    else
        set_material(material_grey);
    skip_mode_once = true;
    request_redisplay();
}

static void cycle_colouring()
{
    next_colouring();
    request_redisplay();
}

static void toggle_info_panel()
{
    info_panel_shown = !info_panel_shown;
    request_redisplay();
}

static void toggle_all_panels()
{
    panels_shown = !panels_shown;
    request_redisplay();
}

/* Zooms the view by factor about a window pixel (rows from the bottom). */
static void zoom_at(double factor, int x, int y)
{
    double nx, ny;
    window_to_ndc(x + 0.5, y + 0.5, window_width, window_height, &nx, &ny);
    zoom_about(factor, nx, ny);
    request_redisplay();
}

static void turn(ScreenAxis axis, float degrees)
{
    build_camera_matrix();
    turn_about_screen_axis(axis, degrees);
    request_redisplay();
}

static void north_up()
{
    build_camera_matrix();
    turn_north_up(raw_centre_x, raw_centre_y, raw_centre_z);
    request_redisplay();
}

static void toggle_following()
{
    replay_following = !replay_following;
    printf(replay_following ? "replay: the view follows the marker\n" : "replay: the view stays\n");
    fflush(stdout);
}

static void toggle_polygon_mode()
{
    polygon_mode = polygon_mode == POLYGON_MODE_LINE ? POLYGON_MODE_FILL : POLYGON_MODE_LINE;
    skip_mode_once = true;
    request_redisplay();
}

void keyboard(unsigned char key, int, int)
{
    /* One line a key, as the key table reads. */
    /* clang-format off */
    switch (key) {
    case 'h': print_help(); break;
    case 'q': case 'Q': quit(); break;
    case 'r': reset_view(); break;
    case 'l': toggle_lighting(); break;
    case 's': toggle_smooth_shading(); break;
    case 'c': toggle_cartoon_rendering(); break;
    case 'm': next_material(); break;
    case 'f': toggle_polygon_mode(); break;
    case 'n': case 'N': request_redisplay(); break;
    case 'v': case 'V': alt_track_drawing = !alt_track_drawing; break;
    case 'b': case 'B': case '/': case '?': curves_shown = !curves_shown; break;
    case '1': case '!': curve_family = FAMILY_LINEAR; break;
    case '2': case '@': curve_family = FAMILY_CUBIC; break;
    case '3': case '#': curve_family = FAMILY_BESSEL; break;
    case '.': case '>': curve_index_up(); break;
    case ',': case '<': curve_index_down(); break;
    case '+': case '=': threshold_up(); break;
    case '-': case '_': threshold_down(); break;
    case 'x': exaggerate_heights(height_exaggeration * 2); break;
    case 'X': exaggerate_heights(height_exaggeration / 2); break;
    case 'k': cycle_colouring(); break;
    case 'i': toggle_info_panel(); break;
    case 'o': toggle_all_panels(); break;
    case 'p': write_picture_here(); break;
    case 'u': north_up(); break;
    case ' ': toggle_replay(); break;
    case '[': replay_slower(); break;
    case ']': replay_faster(); break;
    case '{': replay_to_start(); break;
    case '}': replay_to_end(); break;
    case 'g': toggle_following(); break;
    default: break;
    }
    /* clang-format on */
}

void special_key(int key, int, int)
{
    int middle_x = window_width / 2, middle_y = window_height / 2;
    switch (key) {
    case GLUT_KEY_F1:
        help_panel_shown = !help_panel_shown;
        request_redisplay();
        break;
    case GLUT_KEY_LEFT: turn(SCREEN_Y, -TURN_STEP_DEGREES); break;
    case GLUT_KEY_RIGHT: turn(SCREEN_Y, TURN_STEP_DEGREES); break;
    case GLUT_KEY_UP: turn(SCREEN_X, -TURN_STEP_DEGREES); break;
    case GLUT_KEY_DOWN: turn(SCREEN_X, TURN_STEP_DEGREES); break;
    case GLUT_KEY_PAGE_UP: zoom_at(ZOOM_STEP, middle_x, middle_y); break;
    case GLUT_KEY_PAGE_DOWN: zoom_at(1.0 / ZOOM_STEP, middle_x, middle_y); break;
    case GLUT_KEY_HOME: reset_view(); break;
    default: break;
    }
}

/* Window rows count down from the top; the view counts up from the bottom. */
static int rows_from_bottom(int y)
{
    return window_height - y - 1;
}

void mouse(int button, int state, int x, int y)
{
    if (button == WHEEL_UP || button == WHEEL_DOWN) {
        if (state == GLUT_DOWN) {
            zoom_at(button == WHEEL_UP ? ZOOM_STEP : 1.0 / ZOOM_STEP, x, rows_from_bottom(y));
            view_moved_at = monotonic_seconds();
        }
        return;
    }
    if (button != GLUT_LEFT_BUTTON)
        return;
    if (state == GLUT_DOWN) {
        printf("mouse clicked at %d %d\n", x, rows_from_bottom(y));
        press_x = x;
        press_y = rows_from_bottom(y);
        /* The drag starts here: the pointer of the last drag is no motion. */
        cur_x = press_x;
        cur_y = press_y;
        left_button_down = true;
        left_button_up = false;
    } else {
        left_button_down = false;
        left_button_up = true;
    }
}

void motion(int x, int y)
{
    printf("mouse moved at %d, %d\n", x, rows_from_bottom(y));
    cur_x = x;
    cur_y = rows_from_bottom(y);
    view_moved_at = monotonic_seconds();
    request_redisplay();
}

void right_button_menu(int value)
{
    switch (value) {
    case MENU_MOVE: view_mode = MODE_MOVE; break;
    case MENU_SCALE: view_mode = MODE_SCALE; break;
    case MENU_ROTATE: view_mode = MODE_ROTATE; break;
    case MENU_PROJECTION:
        perspective_on = !perspective_on;
        skip_mode_once = true;
        reshape(window_width, window_height);
        break;
    case MENU_POLYGON_LINE:
    case MENU_POLYGON_FILL:
        polygon_mode = value == MENU_POLYGON_LINE ? POLYGON_MODE_LINE : POLYGON_MODE_FILL;
        skip_mode_once = true;
        request_redisplay();
        break;
    case MENU_RESET:
        reset_view();
        skip_mode_once = true;
        request_redisplay();
        break;
    case MENU_EXIT: quit(); break;
    default: break;
    }
    skip_mode_once = true;
}

void mode_menu(int value)
{
    if (value == MENU_MOVE)
        view_mode = MODE_MOVE;
    else if (value == MENU_SCALE)
        view_mode = MODE_SCALE;
    else if (value == MENU_ROTATE)
        view_mode = MODE_ROTATE;
    skip_mode_once = true;
}

void build_menus()
{
    /* On the middle button, so that the Rotate mode can be reached at all. */
    glutCreateMenu(mode_menu);
    glutAddMenuEntry("Move", MENU_MOVE);
    glutAddMenuEntry("Scale", MENU_SCALE);
    glutAddMenuEntry("Rotate", MENU_ROTATE);
    glutAttachMenu(GLUT_MIDDLE_BUTTON);

    glutCreateMenu(right_button_menu);
    glutAddMenuEntry("Move", MENU_MOVE);
    glutAddMenuEntry("Scale", MENU_SCALE);
    glutAddMenuEntry("Reset", MENU_RESET);
    glutAddMenuEntry("Exit", MENU_EXIT);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}
