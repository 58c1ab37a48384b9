/*
 * heights.cpp - altitudes, the geoid and the vertical exaggeration.
 *
 * A fix keeps its altitude above mean sea level and the geoid's undulation
 * where it stands, so that a new exaggeration converts it again without
 * asking the geoid grid a second time.
 *
 * Entry points: see heights.h.
 */
#include "heights.h"

#include "display_mapping.h"
#include "geodesy.h"
#include "load_progress.h"
#include "text_format.h"

#include <cmath>
#include <cstdio>

int height_exaggeration = 1;
HeightCount height_count = {0, 0, 0.0};

static bool has_altitude(const TrackPoint* point)
{
    return !std::isnan(point->altitude);
}

double fix_height(const TrackPoint* point)
{
    if (!has_altitude(point))
        return FIX_HEIGHT_METRES;
    double lowest = height_count.lowest;
    return lowest + height_exaggeration * (point->altitude - lowest) + point->geoid_undulation;
}

/* Earth-centred and display coordinates from latitude, longitude and height. */
static void convert(TrackPoint* point)
{
    geodetic_to_ecef(point->latitude, point->longitude, fix_height(point), &point->ecef_x,
                     &point->ecef_y, &point->ecef_z);
    point->view_x = to_display_x(point->ecef_x);
    point->view_y = to_display_y(point->ecef_y);
    point->view_z = to_display_z(point->ecef_z);
}

static void count_altitudes()
{
    height_count.with_altitude = 0;
    height_count.fixes = static_cast<long long>(frames.size());
    height_count.lowest = 0.0;
    for (const TrackPoint* point : frames) {
        if (!has_altitude(point))
            continue;
        if (height_count.with_altitude == 0 || point->altitude < height_count.lowest)
            height_count.lowest = point->altitude;
        ++height_count.with_altitude;
    }
}

/* A fix without altitude takes it from the fix before, or the first one
   that has it. */
static void fill_missing_altitudes()
{
    const TrackPoint* known = nullptr;
    for (const TrackPoint* point : frames)
        if (has_altitude(point)) {
            known = point;
            break;
        }
    for (TrackPoint* point : frames) {
        if (has_altitude(point)) {
            known = point;
            continue;
        }
        point->altitude = known->altitude;
        point->geoid_undulation =
            static_cast<float>(geoid_undulation(point->latitude, point->longitude));
        convert(point);
    }
}

bool settle_heights()
{
    height_exaggeration = 1;
    count_altitudes();
    if (height_count.with_altitude == 0 || height_count.with_altitude == height_count.fixes)
        return false;
    fill_missing_altitudes();
    return true;
}

void report_heights()
{
    char with[THOUSANDS_BYTES], of[THOUSANDS_BYTES];
    before_load_message();
    if (height_count.with_altitude == 0)
        printf("heights: none in the file, %.1f m\n", FIX_HEIGHT_METRES);
    else
        printf("heights: from A= on %s of %s fixes, geoid %s\n",
               with_thousands(height_count.with_altitude, with),
               with_thousands(height_count.fixes, of),
               geoid_grid_found() ? GEOID_NAME : "not found (undulation 0)");
    fflush(stdout);
}

bool exaggerate_heights_of_frames(int factor)
{
    height_exaggeration = factor;
    if (height_count.with_altitude == 0)
        return false;
    for (TrackPoint* point : frames)
        convert(point);
    return true;
}
