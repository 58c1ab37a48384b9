/*
 * colouring.cpp - the colourings of the track's points and their values.
 *
 * The speed of a frame comes from the chord between its neighbours (the
 * distance the tangent pass measured) over the time between them; a frame
 * at either end, or one whose neighbours share a time, uses the one
 * neighbour it has.  The values of a colouring are computed once per load
 * and colouring, and again after a height change.
 *
 * Entry points: see colouring.h.
 */
#include "colouring.h"

#include "../track/heights.h"
#include "../track/load.h"
#include "../track/track_point.h"
#include "curve_controls.h"
#include "curve_fitting.h"

#include <cmath>
#include <cstdio>
#include <vector>

static const float KMH_PER_MPH = 1.609344f;
static const float KMH_PER_METRE_PER_SECOND = 3.6f;
static const float HEIGHT_BANDS_PER_THRESHOLD = 10.0f; /* metres a band of height per unit */
static const float HEIGHT_ROUNDING = 10.0f;            /* metres the origin is rounded down to */

int colouring = COLOURING_SPACING;
long colouring_generation = 0;

static std::vector<float> frame_values; /* of the current colouring; NaN for none */
static long values_for_track = -1;      /* track_generation of frame_values */
static int values_for_colouring = -1;   /* colouring of frame_values */

static const char* const NAMES[COLOURING_COUNT] = {"spacing", "speed", "recorded speed", "height"};

const char* colouring_name(int which)
{
    return which >= 0 && which < COLOURING_COUNT ? NAMES[which] : "";
}

const char* colouring_unit(int which)
{
    return which == COLOURING_SPEED || which == COLOURING_RECORDED_SPEED ? "km/h" : "m";
}

float colouring_band(int which)
{
    return which == COLOURING_HEIGHT ? threshold * HEIGHT_BANDS_PER_THRESHOLD : threshold;
}

float colouring_origin(int which)
{
    if (which != COLOURING_HEIGHT || height_count.with_altitude == 0)
        return 0.0f;
    return static_cast<float>(floor(height_count.lowest / HEIGHT_ROUNDING) * HEIGHT_ROUNDING);
}

void next_colouring()
{
    colouring = (colouring + 1) % COLOURING_COUNT;
    if (colouring == COLOURING_HEIGHT && height_count.with_altitude == 0)
        colouring = (colouring + 1) % COLOURING_COUNT;
    ++colouring_generation;
    printf("colouring: %s\n", colouring_name(colouring));
    fflush(stdout);
}

static double seconds_between(const TrackPoint* a, const TrackPoint* b)
{
    return b->time_of_period - a->time_of_period;
}

static double metres_between(const TrackPoint* a, const TrackPoint* b)
{
    double dx = b->ecef_x - a->ecef_x, dy = b->ecef_y - a->ecef_y, dz = b->ecef_z - a->ecef_z;
    return sqrt(dx * dx + dy * dy + dz * dz);
}

/* km/h over the frames around i: both neighbours, else the one there is. */
static float frame_speed(size_t i)
{
    size_t n = frames.size();
    const TrackPoint* before = frames[i > 0 ? i - 1 : i];
    const TrackPoint* after = frames[i + 1 < n ? i + 1 : i];
    double seconds = seconds_between(before, after);
    if (seconds <= 0 && i + 1 < n) {
        before = frames[i];
        seconds = seconds_between(before, after);
    }
    if (seconds <= 0)
        return 0.0f;
    return static_cast<float>(metres_between(before, after) / seconds * KMH_PER_METRE_PER_SECOND);
}

static float value_of_frame(size_t i)
{
    const TrackPoint* frame = frames[i];
    switch (colouring) {
    case COLOURING_SPEED: return frame_speed(i);
    case COLOURING_RECORDED_SPEED: return frame->speed_mph * KMH_PER_MPH;
    case COLOURING_HEIGHT: return static_cast<float>(frame->altitude);
    default: return NAN;
    }
}

/* frame_values for the current track and colouring. */
static void settle_values()
{
    if (values_for_track == track_generation && values_for_colouring == colouring)
        return;
    frame_values.resize(frames.size());
    for (size_t i = 0; i < frames.size(); ++i)
        frame_values[i] = value_of_frame(i);
    values_for_track = track_generation;
    values_for_colouring = colouring;
}

bool frame_colour_value(size_t i, float* value)
{
    settle_values();
    if (i >= frame_values.size() || !std::isfinite(frame_values[i]))
        return false;
    *value = frame_values[i];
    return true;
}

void value_colour(float value, float rgb[3])
{
    band_colour(value - colouring_origin(colouring), colouring_band(colouring), rgb);
}
