/*
 * replay.h - the ride played again: a moment of the track that travels
 * by the fixes' times.
 *
 * The replay counts play seconds: the time from the first fix, with every
 * step of time that is a pause in the recording (a jump far beyond the
 * track's usual step) or goes back (a clock set back) counted as none, so
 * that such a step is crossed at once and fixes are played in file order.
 * A moment between two fixes lies on the fitted cubic between them, at
 * the share of its length that the share of the step's time gives; its
 * time, distance from the start, speed and height are interpolated so.
 *
 * State and numbers only: the view draws the marker (replay_drawing.h)
 * and the keys change the state.
 *
 * Entry points: ReplayMoment, the replay state, REPLAY_*_RATE,
 * REPLAY_TRAIL_SECONDS, prepare_replay(), replay_duration(), replay_moment(),
 * toggle_replay(), replay_faster(), replay_slower(), replay_to_start(),
 * replay_to_end(), advance_replay(), replay_out_of_order().
 */
#ifndef KESTRIM_REPLAY_H
#define KESTRIM_REPLAY_H

static const double REPLAY_START_RATE = 60.0;     /* play seconds a second at start */
static const double REPLAY_SLOWEST_RATE = 1.0;    /* real time */
static const double REPLAY_FASTEST_RATE = 3600.0; /* an hour a second */
static const double REPLAY_TRAIL_SECONDS = 60.0;  /* the trail behind the marker */

/* Where and when the marker is. */
struct ReplayMoment {
    double ecef[3]; /* Earth-centred WGS 84, metres */
    double utc;     /* UTC seconds since 1970 (frame_fixes.h); NaN without times */
    double metres;  /* along the track from the first fix, fix to fix */
    double speed;   /* metres a second, as recorded */
    double height;  /* metres above mean sea level; NaN where the fixes have none */
};

extern bool replay_started;   /* the marker has been shown since the load */
extern bool replay_playing;   /* it moves; else it stands */
extern bool replay_following; /* the view keeps it at its centre (key g) */
extern double replay_rate;    /* play seconds a second */
extern double replay_time;    /* play seconds from the first fix */

/* The table of play seconds of the frames as they stand, made when the
   frames have changed since it was last made; prints once a load how
   many fixes were out of time order. */
void prepare_replay();

/* Play seconds from the first fix to the last: 0 without times. */
double replay_duration();

/* The moment at play seconds t (within 0 .. replay_duration()); false
   without frames. */
bool replay_moment(double t, ReplayMoment* moment);

/* Space: plays from where the marker stands (from the start at the end),
   or pauses; says which. */
void toggle_replay();

/* ] and [: twice or half the rate, within the slowest and fastest; says the rate. */
void replay_faster();
void replay_slower();

/* { and }: the marker to the first or the last fix. */
void replay_to_start();
void replay_to_end();

/* Moves the marker on by the play seconds of real_seconds at the rate,
   while it plays; stops it at the last fix. */
void advance_replay(double real_seconds);

/* Fixes of the last prepared table earlier than the fix before them. */
long long replay_out_of_order();

#endif
