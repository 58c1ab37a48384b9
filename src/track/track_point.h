/*
 * track_point.h - the record of one sampled fix, and the frame list.
 *
 * Every accepted fix line becomes one TrackPoint, never freed; `frames`
 * holds pointers to them in file order.  Curve fitting fills the curve
 * fields; its sampled points are kept in lists of compact samples
 * (curve_lists.h).
 *
 * Entry points: TrackPoint, BesselSlot, TrackList, frames,
 * new_track_point().
 */
#ifndef KESTRIM_TRACK_POINT_H
#define KESTRIM_TRACK_POINT_H

#include <vector>

/* One position block of a Bessel difference table. */
struct BesselSlot {
    double longitude;
    double latitude;
    double x, y, z;
};

static const double METRES_PER_MILE = 1609.344; /* of speed_mph */

enum {
    TRACK_POINT_BYTES = 632, /* the record's size, kept for files and tools that rely on it */
    CURVE_SLOT_COUNT = 12,
    BESSEL_SLOT_COUNT = 10,
};

struct TrackPoint {
    int day; /* day of month of the fix */
    int hour;
    int minute;
    float seconds;                 /* as read */
    double time_of_period;         /* seconds since the start of the month */
    double longitude;              /* degrees, widened from the float read */
    double latitude;               /* degrees, widened from the float read */
    double ecef_x, ecef_y, ecef_z; /* Earth-centred WGS 84, metres */
    float speed_mph;
    float geoid_undulation;        /* metres of the geoid above the ellipsoid; 0 without altitude */
    double view_x, view_y, view_z; /* display coordinates, kilometres */
    union {                        /* cleared by the parser, filled by curve fitting */
        float curve_slots[CURVE_SLOT_COUNT];
        float cubic_coeffs[CURVE_SLOT_COUNT]; /* a,b,c,d of X, then Y, then Z */
    };
    float frame_distance;    /* |next - previous| / frame_interval */
    float chord[3];          /* next - previous */
    float tangent[3];        /* chord / |chord|, zero for a zero chord */
    double control_point[3]; /* first Bezier control point of the segment */
    float linear_coeffs[6];  /* slope, start of X, then Y, then Z */
    BesselSlot bessel_table[BESSEL_SLOT_COUNT];
    double altitude; /* metres above mean sea level, from the A= field; NaN without one */
};

static_assert(sizeof(TrackPoint) == TRACK_POINT_BYTES, "TrackPoint keeps its 632-byte layout");

typedef std::vector<TrackPoint*> TrackList;

extern TrackList frames; /* every accepted fix, in file order */

/* A zeroed record on the heap; records are never freed. */
TrackPoint* new_track_point();

#endif
