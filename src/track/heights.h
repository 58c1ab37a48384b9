/*
 * heights.h - the height of each fix: its altitude above mean sea level
 * from the A= field, turned into a height above the ellipsoid with the
 * geoid, and stretched by the vertical exaggeration.
 *
 * A fix without an altitude, in a track that has none, is converted at
 * 1.0 m as ever.  In a track where some fixes have one, a fix without it
 * takes the altitude of the fix before it (the first ones, of the first
 * fix that has one), so that a lost reading is no spike to the ellipsoid.
 *
 * Entry points: FIX_HEIGHT_METRES, MAX_HEIGHT_EXAGGERATION,
 * height_exaggeration, HeightCount, height_count, fix_height(),
 * settle_heights(), report_heights(), exaggerate_heights_of_frames().
 */
#ifndef KESTRIM_HEIGHTS_H
#define KESTRIM_HEIGHTS_H

#include "track_point.h"

static const double FIX_HEIGHT_METRES = 1.0; /* of a fix in a track without altitudes */
enum { MAX_HEIGHT_EXAGGERATION = 64 };

extern int height_exaggeration; /* 1, 2, 4 ... 64: how many times the relief is drawn */

/* What the last load found. */
struct HeightCount {
    long long with_altitude; /* fixes whose line had an A= field */
    long long fixes;         /* fixes kept */
    double lowest;           /* metres above mean sea level, of those with one */
};
extern HeightCount height_count;

/* The height above the ellipsoid a fix is converted at, in metres. */
double fix_height(const TrackPoint* point);

/* After a read: counts the altitudes, fills in the missing ones and
   converts those fixes again.  True when any position changed. */
bool settle_heights();

/* "heights: from A= on N of M fixes, geoid EGM96", or "heights: none in
   the file, 1.0 m". */
void report_heights();

/* Converts every frame again at h_min + factor * (h - h_min) of its
   altitude: true when the track has altitudes, so that anything moved. */
bool exaggerate_heights_of_frames(int factor);

#endif
