/*
 * load.h - the load driver: a track file to frames, extent and centre.
 *
 * Entry points: load_track(), load_track_named(), load_track_stream(),
 * compute_view_range(),
 * compute_centre(), exaggerate_heights(), view_range, the raw and scaled
 * centre, the centre copies, track_generation, last_load_timing,
 * last_exaggeration_seconds.
 */
#ifndef KESTRIM_LOAD_H
#define KESTRIM_LOAD_H

#include <istream>

extern float view_range; /* largest extent of the track in display units */
extern double raw_centre_x, raw_centre_y, raw_centre_z;   /* mean Earth-centred position */
extern double centre_x, centre_y, centre_z;               /* that mean in display units */
extern float centre_copy_x, centre_copy_y, centre_copy_z; /* the display centre, as floats */

/* Wall-clock seconds of each step of the last load, for the benchmark. */
struct LoadTiming {
    double read;       /* reading, parsing and converting the file into frames */
    double centre;     /* extent and centre of gravity */
    double fit;        /* tangents, segments and Bessel tables of the frames */
    double sample;     /* the curve lists' sizes: each is filled when first drawn */
    double statistics; /* what is left to wait of the figures, computed beside the fitting */
};
extern LoadTiming last_load_timing;

/* Goes up by one whenever the frames and curve lists have been made anew,
   so that whatever is built from them can tell it is out of date. */
extern long track_generation;

/* Seconds the last exaggerate_heights() took, for the benchmark. */
extern double last_exaggeration_seconds;

/* Draws the relief factor times as high (1 to 64): converts the fixes
   again, fits their curves again, centres the view on them and computes
   the statistics again; prints "height exaggeration: 4x". */
void exaggerate_heights(int factor);

/* Empty every list, read the file at path (none if null), fit its curves
   and compute its statistics (statistics.h) without printing them. */
void load_track(const char* path);

/* The same, naming the file name in every message: the file the user gave,
   when path is its conversion. */
void load_track_named(const char* path, const char* name);

/* The same, reading the track from a stream that source names in messages. */
void load_track_stream(std::istream& in, const char* source);

/* view_range from the bounds: the largest extent, 1.0 for none. */
void compute_view_range();

/* The mean position of frames, raw and in display units; 0 for no frames. */
void compute_centre();

#endif
