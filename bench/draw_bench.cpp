/*
 * draw_bench.cpp - frame rates of the display cycle in the viewer's window.
 *
 * The window, callbacks and start state are the viewer's own; the track is
 * loaded by load_track().  For the raw frames and for each curve list it
 * times the real display() (with the swap), then the renderer's floor: the
 * same points, colours, point size and transformation drawn by one
 * glDrawArrays from a buffer object already on the GL side, after a clear,
 * with nothing else.  glFinish() ends every timed frame of both.  The two
 * are timed in alternating rounds, and the medians reported, so that a
 * machine whose speed drifts (a shared virtual machine does) affects both
 * alike.
 *
 * Entry point: run_draw_bench().
 */
#define GL_GLEXT_PROTOTYPES 1
#include "bench_common.h"

#include "curves/curve_controls.h"
#include "curves/curve_fitting.h"
#include "curves/curve_lists.h"
#include "track/load.h"
#include "track/track_point.h"
#include "view/display.h"
#include "view/startup.h"
#include "view/viewer_state.h"

#include <GL/freeglut.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <vector>

static const float POINT_SIZE = 2.0f; /* as the viewer draws the track and its curves */

enum { FIRST_FRAMES = 2, EVENT_ROUNDS = 50, ROUNDS = 9 };

struct Drawn {
    const char* name;
    bool curves_shown;
    int curve_family;
};

static const Drawn DRAWN[] = {
    {"raw", false, FAMILY_LINEAR},
    {"linear", true, FAMILY_LINEAR},
    {"cubic", true, FAMILY_CUBIC},
    {"bessel", true, FAMILY_BESSEL},
};

/* Lets the window be mapped and sized before anything is timed. */
static void settle_window()
{
    for (int i = 0; i < EVENT_ROUNDS; ++i)
        glutMainLoopEvent();
}

static double frames_per_second(void (*one_frame)(), double seconds)
{
    for (int i = 0; i < FIRST_FRAMES; ++i)
        one_frame();
    int count = 0;
    double start = monotonic_seconds();
    double elapsed = 0;
    do {
        one_frame();
        ++count;
        elapsed = monotonic_seconds() - start;
    } while (elapsed < seconds || count < 3);
    return count / elapsed;
}

static void display_frame()
{
    display();
    glFinish();
}

/* The floor's arrays, on the GL side. */
static GLuint floor_vertices, floor_colours;
static GLsizei floor_count;
static bool floor_coloured;

static void upload(GLuint* buffer, const std::vector<float>& data)
{
    glGenBuffers(1, buffer);
    glBindBuffer(GL_ARRAY_BUFFER, *buffer);
    glBufferData(GL_ARRAY_BUFFER, data.size() * sizeof(float), data.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

template <class Point>
static void push_position(std::vector<float>* xyz, const Point& p)
{
    xyz->push_back(static_cast<float>(p.view_x));
    xyz->push_back(static_cast<float>(p.view_y));
    xyz->push_back(static_cast<float>(p.view_z));
}

static void build_floor(const Drawn& drawn)
{
    std::vector<float> xyz, rgb;
    if (!drawn.curves_shown) {
        for (const TrackPoint* frame : frames)
            push_position(&xyz, *frame);
    } else {
        const CurveList& list = curve_list_of(drawn.curve_family);
        for (const auto& sample : list) {
            push_position(&xyz, sample);
            float colour[3];
            band_colour(sample.frame_distance * samples_per_segment, threshold, colour);
            rgb.insert(rgb.end(), colour, colour + 3);
        }
    }
    floor_count = static_cast<GLsizei>(xyz.size() / 3);
    floor_coloured = drawn.curves_shown;
    upload(&floor_vertices, xyz);
    if (floor_coloured)
        upload(&floor_colours, rgb);
}

static void drop_floor()
{
    glDeleteBuffers(1, &floor_vertices);
    if (floor_coloured)
        glDeleteBuffers(1, &floor_colours);
}

/* The modelview the scene is drawn under, as the display cycle leaves it. */
static void load_scene_transformation()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMultMatrixf(camera_matrix);
    apply_scene_transform();
}

static void floor_frame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDrawArrays(GL_POINTS, 0, floor_count);
    glFinish();
}

static double floor_frames_per_second(double seconds)
{
    glPushMatrix();
    load_scene_transformation();
    glPointSize(POINT_SIZE);
    glColor3f(1, 0, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, floor_vertices);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    if (floor_coloured) {
        glEnableClientState(GL_COLOR_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, floor_colours);
        glColorPointer(3, GL_FLOAT, 0, nullptr);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    double fps = frames_per_second(floor_frame, seconds);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopMatrix();
    return fps;
}

static double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

static void report_named(const char* what, const char* name, double value)
{
    char key[64];
    snprintf(key, sizeof key, "%s_%s", what, name);
    report(key, value);
}

static void panels_on(bool on)
{
    panels_shown = info_panel_shown = help_panel_shown = on;
}

/* The cubic curve with every panel on (statistics, help, legend, scale
   bar, north arrow), beside all of them off, in alternating rounds. */
static void time_panels(double seconds)
{
    curves_shown = true;
    curve_family = FAMILY_CUBIC;
    std::vector<double> on, off, ratio;
    for (int round = 0; round < ROUNDS; ++round) {
        panels_on(true);
        on.push_back(frames_per_second(display_frame, seconds / ROUNDS));
        panels_on(false);
        off.push_back(frames_per_second(display_frame, seconds / ROUNDS));
        ratio.push_back(on.back() / off.back());
    }
    report("fps_panels_on", median(on));
    report("fps_panels_off", median(off));
    report("fps_panels_ratio", median(ratio));
}

int run_draw_bench(const char* path, double seconds)
{
    int argc = 1;
    char program[] = "kestrim_bench";
    char* argv[] = {program, nullptr};
    open_window(&argc, argv);
    register_callbacks();
    set_start_state();
    settle_window();

    double start = monotonic_seconds();
    load_track(path);
    report("load_in_window", monotonic_seconds() - start);
    display_frame();
    report("first_picture", monotonic_seconds() - start);
    printf("# renderer %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    report("resident_mb_after_first_picture", resident_bytes() / 1e6);

    for (const Drawn& drawn : DRAWN) {
        curves_shown = drawn.curves_shown;
        curve_family = drawn.curve_family;
        double first = monotonic_seconds();
        display_frame();
        report_named("first_display", drawn.name, monotonic_seconds() - first);
        build_floor(drawn);
        std::vector<double> shown, floor, ratio;
        for (int round = 0; round < ROUNDS; ++round) {
            shown.push_back(frames_per_second(display_frame, seconds / ROUNDS));
            floor.push_back(floor_frames_per_second(seconds / ROUNDS));
            ratio.push_back(shown.back() / floor.back());
        }
        drop_floor();
        report_named("fps", drawn.name, median(shown));
        report_named("fps_floor", drawn.name, median(floor));
        report_named("fps_ratio", drawn.name, median(ratio));
        report_named("mem_resident_mb_after", drawn.name, resident_bytes() / 1e6);
    }
    time_panels(seconds);
    return 0;
}
