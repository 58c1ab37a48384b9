/*
 * replay_drawing.cpp - the GL side of the replay.
 *
 * The marker's moment and its trail are worked out when the replay time
 * has moved, not every frame: a standing marker is drawn from what was
 * kept, and before the replay has started nothing is drawn at all.
 *
 * Entry points: see replay_drawing.h.
 */
#include "replay_drawing.h"

#include "../track/display_mapping.h"
#include "../track/frame_fixes.h"
#include "../track/load.h"
#include "../track/replay.h"
#include "../track/statistics.h"
#include "hud.h"
#include "viewer_state.h"

#include <GL/glut.h>

#include <cmath>
#include <cstdio>
#include <string>

static const float MARKER_RGB[3] = {1, 0, 1}; /* magenta, unlike any band */
static const float MARKER_POINT_SIZE = 9.0f;
static const float TRAIL_LINE_WIDTH = 2.0f;
static const int CAPTION_OFFSET_PIXELS = 10; /* right of and above the marker */
enum { TRAIL_POINTS = 61 };                  /* one a second of the last minute at 1x */
/* A frame that took longer, or the first after a while without any,
   moves the marker no further: it never leaps over a stall. */
static const double LONGEST_STEP_SECONDS = 0.25;

/* What was worked out for the marker, and for which replay time. */
static double drawn_for_time = -1;     /* replay_time of the kept moment; -1: none */
static long drawn_for_generation = -1; /* track_generation of it */
static double drawn_for_rate = -1;     /* the rate its text says, negative while paused */
static ReplayMoment marker;            /* where and when */
static float marker_view[3];           /* its display coordinates */
static float trail[TRAIL_POINTS][3];   /* the last minute, oldest first */
static std::string panel_text;         /* the panel's lines for it */
static double last_step_seconds = -1;  /* the clock at the last step; -1: none */

static void to_view(const double ecef[3], float view[3])
{
    view[0] = static_cast<float>(to_display_x(ecef[0]));
    view[1] = static_cast<float>(to_display_y(ecef[1]));
    view[2] = static_cast<float>(to_display_z(ecef[2]));
}

/* "14:25:08", the time of day of UTC seconds. */
static std::string time_of_day(double utc)
{
    if (!std::isfinite(utc))
        return "no time";
    UtcDate date = utc_date(floor(utc));
    char text[32];
    snprintf(text, sizeof text, "%02d:%02d:%02d", date.hour, date.minute,
             static_cast<int>(date.seconds));
    return text;
}

/* The moment, trail and text of the replay time, when it has moved. */
static void work_out_marker()
{
    double rate = replay_playing ? replay_rate : -replay_rate;
    if (drawn_for_time == replay_time && drawn_for_generation == track_generation &&
        drawn_for_rate == rate)
        return;
    if (!replay_moment(replay_time, &marker))
        return;
    to_view(marker.ecef, marker_view);
    for (int k = 0; k < TRAIL_POINTS; ++k) {
        ReplayMoment then;
        double t = replay_time - REPLAY_TRAIL_SECONDS * (TRAIL_POINTS - 1 - k) / (TRAIL_POINTS - 1);
        replay_moment(t, &then);
        to_view(then.ecef, trail[k]);
    }
    MomentFigures figures = {marker.utc, marker.metres, marker.speed, marker.height};
    panel_text = "replay at " + std::to_string(static_cast<long>(replay_rate)) + "x" +
                 (replay_playing ? "" : ", paused") + "\n" + format_moment(figures);
    drawn_for_time = replay_time;
    drawn_for_generation = track_generation;
    drawn_for_rate = rate;
}

void step_replay(double now)
{
    double since = last_step_seconds < 0 ? 0 : now - last_step_seconds;
    since = since < LONGEST_STEP_SECONDS ? since : LONGEST_STEP_SECONDS;
    last_step_seconds = now;
    if (!replay_playing)
        return;
    advance_replay(since);
}

void replay_focus(float focus[3])
{
    focus[0] = centre_copy_x;
    focus[1] = centre_copy_y;
    focus[2] = centre_copy_z;
    if (!replay_following || !replay_started)
        return;
    work_out_marker();
    for (int k = 0; k < 3; ++k)
        focus[k] = marker_view[k];
}

void draw_replay_marker()
{
    if (!replay_started)
        return;
    work_out_marker();
    glColor3fv(MARKER_RGB);
    glLineWidth(TRAIL_LINE_WIDTH);
    glBegin(GL_LINE_STRIP);
    for (const float* p : trail)
        glVertex3fv(p);
    glEnd();
    glLineWidth(1.0f);
    glPointSize(MARKER_POINT_SIZE);
    glBegin(GL_POINTS);
    glVertex3fv(marker_view);
    glEnd();
}

void draw_replay_caption(const double scene_modelview[16], const double scene_projection[16])
{
    if (!replay_started || (info_panel_shown && panels_shown))
        return;
    work_out_marker();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    double x, y, z;
    if (gluProject(marker_view[0], marker_view[1], marker_view[2], scene_modelview,
                   scene_projection, viewport, &x, &y, &z) != GL_TRUE ||
        !(z >= 0 && z <= 1))
        return;
    begin_window_drawing();
    draw_label(static_cast<int>(x) + CAPTION_OFFSET_PIXELS,
               static_cast<int>(y) + CAPTION_OFFSET_PIXELS, GLUT_BITMAP_HELVETICA_12,
               time_of_day(marker.utc).c_str());
    end_window_drawing();
}

const char* replay_panel_text()
{
    if (!replay_started)
        return "";
    work_out_marker();
    return panel_text.c_str();
}
