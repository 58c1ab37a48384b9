/*
 * replay.cpp - play seconds, and the moment of the track at each.
 *
 * The table of play seconds and of distances is made when the replay is
 * first asked for, not at load: a track that is never played costs
 * nothing.  Paused, nothing here runs.
 *
 * Entry points: see replay.h.
 */
#include "replay.h"

#include "../curves/curve_fitting.h"
#include "frame_fixes.h"
#include "track_point.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

/* A step of time longer than this many usual steps, and than
   GAP_LEAST_SECONDS, is a pause in the recording: crossed at once. */
static const double GAP_STEPS = 10.0;
static const double GAP_LEAST_SECONDS = 30.0;
static const double SECONDS_PER_HOUR = 3600.0;
enum {
    ARC_STEPS = 16,              /* chords a cubic's length is measured by */
    USUAL_STEP_SAMPLES = 100001, /* steps of time the usual one is the median of */
};

bool replay_started = false;
bool replay_playing = false;
bool replay_following = false;
double replay_rate = REPLAY_START_RATE;
double replay_time = 0;

/* The table, for the frames of one load as they stood when it was made. */
static std::vector<double> play_at;          /* play seconds of each frame */
static std::vector<double> metres_at;        /* fix to fix from the first frame */
static long long out_of_order = 0;           /* frames earlier than the one before them */
static const TrackPoint* table_of = nullptr; /* the first frame the table was made for */
static size_t table_size = 0;                /* and the number of frames */

static double distance(const double a[3], const double b[3])
{
    return sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                (a[2] - b[2]) * (a[2] - b[2]));
}

static void position_of(const TrackPoint* p, double xyz[3])
{
    xyz[0] = p->ecef_x;
    xyz[1] = p->ecef_y;
    xyz[2] = p->ecef_z;
}

/* The median step of time between fixes, over a sample of the steps. */
static double usual_step()
{
    std::vector<double> steps;
    size_t n = frames.size();
    size_t stride = n / USUAL_STEP_SAMPLES + 1;
    for (size_t i = 1; i < n; i += stride) {
        double step = frame_fix(i).time - frame_fix(i - 1).time;
        if (step > 0)
            steps.push_back(step);
    }
    if (steps.empty())
        return 0;
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    return steps[steps.size() / 2];
}

/* The play seconds of a step of time: none for a pause in the recording,
   a step back or a time not known. */
static double played(double step, double gap)
{
    return step > 0 && step <= gap ? step : 0;
}

static void make_table()
{
    size_t n = frames.size();
    double gap = std::max(GAP_STEPS * usual_step(), GAP_LEAST_SECONDS);
    play_at.assign(n, 0);
    metres_at.assign(n, 0);
    out_of_order = 0;
    for (size_t i = 1; i < n; ++i) {
        double step = frame_fix(i).time - frame_fix(i - 1).time;
        out_of_order += step < 0;
        play_at[i] = play_at[i - 1] + played(step, gap);
        double a[3], b[3];
        position_of(frames[i - 1], a);
        position_of(frames[i], b);
        metres_at[i] = metres_at[i - 1] + distance(a, b);
    }
}

void prepare_replay()
{
    const TrackPoint* first = frames.empty() ? nullptr : frames[0];
    if (first == table_of && frames.size() == table_size)
        return;
    /* Another load: the replay starts again. */
    table_of = first;
    table_size = frames.size();
    replay_started = replay_playing = false;
    replay_time = 0;
    make_table();
    if (out_of_order > 0) {
        printf("replay: %lld fixes earlier than the fix before them, played in file order\n",
               out_of_order);
        fflush(stdout);
    }
}

double replay_duration()
{
    return play_at.empty() ? 0 : play_at.back();
}

long long replay_out_of_order()
{
    return out_of_order;
}

/* The point at the share u of the length of the cubic from frame i to the
   next; along the chord where the frame has none (the first frame). */
static void segment_point(size_t i, double u, double xyz[3])
{
    double a[3], b[3];
    position_of(frames[i], a);
    position_of(frames[i + 1], b);
    if (!frame_has_cubic(frames[i])) {
        for (int k = 0; k < 3; ++k)
            xyz[k] = a[k] + u * (b[k] - a[k]);
        return;
    }
    double points[ARC_STEPS + 1][3], lengths[ARC_STEPS + 1] = {0};
    for (int s = 0; s <= ARC_STEPS; ++s) {
        cubic_at(frames[i], static_cast<float>(s) / ARC_STEPS, points[s]);
        if (s > 0)
            lengths[s] = lengths[s - 1] + distance(points[s - 1], points[s]);
    }
    double want = u * lengths[ARC_STEPS];
    int s = 0;
    while (s + 1 < ARC_STEPS && lengths[s + 1] < want)
        ++s;
    double chord = lengths[s + 1] - lengths[s];
    double part = chord > 0 ? (want - lengths[s]) / chord : 0;
    part = std::max(0.0, std::min(1.0, part));
    cubic_at(frames[i], static_cast<float>((s + part) / ARC_STEPS), xyz);
}

static double between(double a, double b, double u)
{
    return a + u * (b - a);
}

bool replay_moment(double t, ReplayMoment* moment)
{
    prepare_replay();
    size_t n = frames.size();
    if (n == 0)
        return false;
    t = std::max(0.0, std::min(replay_duration(), t));
    /* The last frame at or before t: a step played as none is never inside. */
    size_t i =
        static_cast<size_t>(std::upper_bound(play_at.begin(), play_at.end(), t) - play_at.begin()) -
        1;
    double u = 0;
    if (i + 1 < n)
        u = (t - play_at[i]) / (play_at[i + 1] - play_at[i]);
    else
        i = n - 1;
    const TrackPoint* p = frames[i];
    const TrackPoint* q = i + 1 < n ? frames[i + 1] : p;
    if (u > 0)
        segment_point(i, u, moment->ecef);
    else
        position_of(p, moment->ecef);
    moment->utc = frame_fix(i).time + (t - play_at[i]);
    moment->metres = i + 1 < n ? between(metres_at[i], metres_at[i + 1], u) : metres_at[i];
    moment->speed = between(p->speed_mph, q->speed_mph, u) * METRES_PER_MILE / SECONDS_PER_HOUR;
    moment->height = between(p->altitude, q->altitude, u);
    return true;
}

void toggle_replay()
{
    prepare_replay();
    if (replay_duration() <= 0) {
        printf("replay: the track has no times to play\n");
        fflush(stdout);
        return;
    }
    replay_started = true;
    replay_playing = !replay_playing;
    if (replay_playing && replay_time >= replay_duration())
        replay_time = 0;
    if (replay_playing)
        printf("replay: playing at %.0fx\n", replay_rate);
    else
        printf("replay: paused\n");
    fflush(stdout);
}

static void set_rate(double rate)
{
    replay_rate = std::max(REPLAY_SLOWEST_RATE, std::min(REPLAY_FASTEST_RATE, rate));
    printf("replay rate: %.0fx\n", replay_rate);
    fflush(stdout);
}

void replay_faster()
{
    set_rate(replay_rate * 2);
}

void replay_slower()
{
    set_rate(replay_rate / 2);
}

static void jump_to(double t)
{
    prepare_replay();
    replay_started = !frames.empty();
    replay_time = t;
}

void replay_to_start()
{
    jump_to(0);
}

void replay_to_end()
{
    jump_to(replay_duration());
}

void advance_replay(double real_seconds)
{
    if (!replay_playing || !(real_seconds > 0))
        return;
    replay_time += real_seconds * replay_rate;
    if (replay_time >= replay_duration()) {
        replay_time = replay_duration();
        replay_playing = false;
        printf("replay: at the end\n");
        fflush(stdout);
    }
}
