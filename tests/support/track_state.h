/*
 * track_state.h - puts the track globals back to their start values, so
 * that each test loads into a clean state.
 */
#ifndef KESTRIM_TESTS_TRACK_STATE_H
#define KESTRIM_TESTS_TRACK_STATE_H

#include "harness.h"

#include "curves/curve_lists.h"
#include "track/display_mapping.h"
#include "track/frame_fixes.h"
#include "track/track_point.h"
#include "track/track_reader.h"

#include <string>

inline void reset_track_state()
{
    frames.clear();
    clear_curve_lists();
    clear_display_anchor();
    reset_bounds();
    fix_count = 0;
    start_frame_fixes();
}

/* Writes text to a fresh temporary file and returns its path. */
inline std::string write_temp_file(const std::string& text)
{
    return e2e_temp_file(text);
}

#endif
