/*
 * load_screen.cpp - the progress of a long load, drawn in the window.
 *
 * The listener is told on the loading thread, which is GLUT's; it pumps
 * the window's events with glutMainLoopEvent() at every report (every
 * megabyte read, every few thousand frames fitted), so that a q or a
 * close is seen at once, and draws the screen itself.  While it holds the
 * window, the display callback draws the screen and every input but q is
 * ignored: nothing touches the track half read.  The window's size still
 * goes to the viewer's own reshape(), which keeps it for after the load.
 *
 * Entry points: begin_load_screen(), end_load_screen().
 */
#include "load_screen.h"

#include "../track/load_progress.h"
#include "display.h"
#include "hud.h"
#include "startup.h"
#include "viewer_state.h"

#include <GL/glut.h>
#include <GL/freeglut_ext.h> /* glutMainLoopEvent, glutCloseFunc */

#include <algorithm>
#include <cstdio>

static const double SHOW_AFTER_SECONDS = 0.5; /* of a load before the window shows it */
static const double REDRAW_SECONDS = 0.1;     /* at least, between two drawings */
static const double BYTES_PER_MB = 1e6;
static const float BAR_RGB[3] = {0.1f, 0.3f, 0.6f}; /* the share read, steel blue */
static const float TRACK_RGB[3] = {1, 1, 1};        /* the share still to read */
enum {
    BAR_WIDTH = 360, /* at most; less in a narrow window */
    BAR_HEIGHT = 18,
    BAR_MARGIN = 20, /* kept clear each side of the bar in a narrow window */
    TEXT_GAP = 8,    /* between the bar and the text above it */
    PADDING = 10,    /* inside the backing */
    TEXT_BYTES = 96,
};

static void (*end_program_now)() = nullptr; /* for q and the close button; null: no screen */
static bool window_taken = false;           /* the load-time callbacks are in */
static double drawn_at = -1.0;              /* when the screen was last drawn; -1: not yet */
static LoadProgress shown = {0, 0, 0, LOAD_IDLE, 0, 0}; /* what the screen shows */

/* "reading 45% of 557 MB", or the step alone. */
static void describe(char* text, size_t size)
{
    if (shown.step == LOAD_READING && shown.bytes_total > 0)
        snprintf(text, size, "loading: reading %.0f%% of %.0f MB",
                 100.0 * shown.bytes_read / shown.bytes_total, shown.bytes_total / BYTES_PER_MB);
    else if (shown.step == LOAD_IDLE)
        snprintf(text, size, "loaded: drawing the track");
    else
        snprintf(text, size, "loading: %s", load_step_name(shown.step));
}

/* The share of the file read: all of it once reading is over. */
static double share_read()
{
    if (shown.step != LOAD_READING)
        return 1.0;
    if (shown.bytes_total <= 0)
        return 0.0;
    return std::min(1.0, static_cast<double>(shown.bytes_read) / shown.bytes_total);
}

/* The bar and its text, on a backing in the middle of the window. */
static void draw_load_screen()
{
    if (window_width <= 0 || window_height <= 0)
        reshape(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    begin_window_drawing();
    char text[TEXT_BYTES];
    describe(text, sizeof text);
    int width = std::max(1, std::min(static_cast<int>(BAR_WIDTH), window_width - 2 * BAR_MARGIN));
    PixelBox bar = {(window_width - width) / 2, window_height / 2 - BAR_HEIGHT / 2, width,
                    BAR_HEIGHT};
    PixelBox backing = {bar.left - PADDING, bar.bottom - PADDING, width + 2 * PADDING,
                        BAR_HEIGHT + TEXT_GAP + HUD_LINE_PIXELS + 2 * PADDING};
    draw_backing(backing);
    fill_box(bar, TRACK_RGB);
    PixelBox done = bar;
    done.width = static_cast<int>(bar.width * share_read() + 0.5);
    fill_box(done, BAR_RGB);
    draw_ink(bar.left, bar.bottom + BAR_HEIGHT + TEXT_GAP + 3, text);
    end_window_drawing();
    glutSwapBuffers();
}

static void load_key(unsigned char key, int, int)
{
    if (key == 'q' || key == 'Q')
        end_program_now();
}

static void load_close()
{
    end_program_now();
}

/* The load-time callbacks in: every input but q and close ignored. */
static void take_window()
{
    glutDisplayFunc(draw_load_screen);
    glutKeyboardFunc(load_key);
    glutSpecialFunc(nullptr);
    glutMouseFunc(nullptr);
    glutMotionFunc(nullptr);
    glutCloseFunc(load_close);
    window_taken = true;
}

static void on_load_progress(const LoadProgress& progress, ProgressEvent event)
{
    /* A message may come from a helper thread (memory ran out): no GL. */
    if (event == PROGRESS_MESSAGE || event == PROGRESS_DONE)
        return;
    if (progress.now - progress.started < SHOW_AFTER_SECONDS)
        return;
    shown = progress;
    if (!window_taken)
        take_window();
    glutMainLoopEvent();
    if (drawn_at < 0 || progress.now - drawn_at >= REDRAW_SECONDS) {
        draw_load_screen();
        drawn_at = progress.now;
    }
}

void begin_load_screen(void (*end_program)())
{
    end_program_now = end_program;
    drawn_at = -1.0;
    add_progress_listener(on_load_progress);
}

void end_load_screen()
{
    remove_progress_listener(on_load_progress);
    end_program_now = nullptr;
    if (!window_taken)
        return;
    /* The first frame of a long track takes a while too. */
    shown.step = LOAD_IDLE;
    draw_load_screen();
    window_taken = false;
    set_viewer_callbacks();
    glutCloseFunc(nullptr);
    glutPostRedisplay();
}
