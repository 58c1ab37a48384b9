/*
 * track_point.cpp - the frame list and the allocation of its records.
 *
 * Entry points: frames, new_track_point().
 */
#include "track_point.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

TrackList frames; /* filled by the track reader, read by curve fitting and drawing */

TrackPoint* new_track_point()
{
    TrackPoint* point = static_cast<TrackPoint*>(malloc(TRACK_POINT_BYTES));
    if (point == nullptr) {
        printf("out of memory for a track point\n");
        fflush(stdout);
        abort();
    }
    memset(point, 0, TRACK_POINT_BYTES);
    return point;
}
