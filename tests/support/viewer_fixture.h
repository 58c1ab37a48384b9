/*
 * viewer_fixture.h - the viewer's start state, for tests that drive its
 * rooms directly rather than through the real binary.
 */
#ifndef KESTRIM_TESTS_VIEWER_FIXTURE_H
#define KESTRIM_TESTS_VIEWER_FIXTURE_H

#include "gl_window.h"
#include "track_state.h"

#include "manip/modes.h"
#include "view/display.h"
#include "view/startup.h"
#include "view/viewer_state.h"
#include "track/load.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

/* The view and mode state at their start values, as for a window of this
   size; no GL. */
inline void start_viewer_state(int width, int height)
{
    init_viewer_state();
    reset_mode_state();
    window_width = width;
    window_height = height;
}

/* A real size x size window as start-up leaves it before the load: the
   viewer's GL start state and callbacks, every track and view global at its
   start value, lighting off, and the projection of the first reshape. */
inline void start_viewer_window(int size)
{
    open_gl_window(size);
    register_callbacks();
    set_start_state();
    reset_track_state();
    glDisable(GL_LIGHTING);
    reshape(size, size);
}

/* A straight line of fixes from (lat, lon), `metres` long at `bearing`
   degrees from north, `seconds` apart; the speed grows from mph by
   mph_step a fix, and the altitude, when altitude is not NaN, from it by
   climb a fix. */
inline std::string straight_track(double lat, double lon, double metres, double bearing, int fixes,
                                  int seconds, double mph, double mph_step, double altitude = NAN,
                                  double climb = 0)
{
    std::string text;
    double b = bearing * M_PI / 180;
    for (int i = 0; i < fixes; ++i) {
        double along = metres * i / (fixes - 1);
        double la = lat + along * cos(b) / 111200;
        double lo = lon + along * sin(b) / (111200 * cos(la * M_PI / 180));
        if (lo > 180)
            lo -= 360;
        int t = i * seconds;
        char line[160];
        int n = snprintf(line, sizeof line, "D=2010-08-05T14:%02d:%02d,P=%.7f %.7f,V=%.1f",
                         t / 60 % 60, t % 60, la, lo, mph + i * mph_step);
        if (!std::isnan(altitude))
            snprintf(line + n, sizeof line - n, ",A=%.1f", altitude + i * climb);
        text += line;
        text += "\n";
    }
    return text;
}

/* The window of size as start-up leaves it, with the track of text
   loaded; the load's messages are swallowed. */
inline void load_track_text(int size, const std::string& text)
{
    start_viewer_window(size);
    std::istringstream in(text);
    testing::internal::CaptureStdout();
    load_track_stream(in, "line.track");
    testing::internal::GetCapturedStdout();
}

#endif
