/*
 * curve_fitting.cpp - the load-time curve passes.
 *
 * Every inner frame gets a tangent along the chord from the frame before it
 * to the frame after it; each frame but the last two gets a cubic Bezier
 * segment (kept as power-basis coefficients) and a linear segment to the
 * next frame; frames 1 .. n-3 get a Bessel difference table over four
 * frames.  The three curve lists are sampled from those segments, each
 * when it is first asked for, so that a list never drawn costs nothing.
 *
 * Entry points: see curve_fitting.h.
 */
#include "curve_fitting.h"

#include "../track/display_mapping.h"
#include "../track/load_progress.h"
#include "../track/prefault.h"

#include <cmath>
#include <cstdio>

static const double CONTROL_SCALE_PER_FRAME = 0.314;

float samples_per_segment = 1.0f;
int frame_interval = 1;
float control_scale = static_cast<float>(frame_interval * CONTROL_SCALE_PER_FRAME);

/* Slot numbers of the Bessel difference table. */
enum {
    SLOT_F0 = 1,
    SLOT_F1 = 2,
    SLOT_FIRST_DIFFERENCES = 4,
    SLOT_DELTA_F0 = 5,
    SLOT_SECOND_DIFFERENCES = 7,
    SLOT_DELTA2_FM1 = 7,
    SLOT_DELTA2_F0 = 8,
    SLOT_DELTA3_FM1 = 9,
};

static void position_of(const TrackPoint* p, double xyz[3])
{
    xyz[0] = p->ecef_x;
    xyz[1] = p->ecef_y;
    xyz[2] = p->ecef_z;
}

/* For frames and for curve samples alike: both carry these fields. */
template <class Point>
static void tangent_from(const Point* previous, Point* current, const Point* next)
{
    double d[AXES] = {next->ecef_x - previous->ecef_x, next->ecef_y - previous->ecef_y,
                      next->ecef_z - previous->ecef_z};
    double length = sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    current->frame_distance = static_cast<float>(length / frame_interval);
    for (int axis = 0; axis < AXES; ++axis) {
        current->chord[axis] = static_cast<float>(d[axis]);
        /* A receiver standing still has no direction: its tangent is zero. */
        current->tangent[axis] = length > 0.0 ? static_cast<float>(d[axis] / length) : 0.0f;
    }
}

void compute_tangent(const TrackPoint* previous, TrackPoint* current, const TrackPoint* next)
{
    tangent_from(previous, current, next);
}

void compute_tangents(TrackList& list)
{
    for (size_t i = 0; i + 2 < list.size(); ++i)
        compute_tangent(list[i], list[i + 1], list[i + 2]);
}

void compute_tangents(CurveList& list)
{
    for (size_t i = 0; i + 2 < list.size(); ++i)
        tangent_from(&list[i], &list[i + 1], &list[i + 2]);
}

void fit_cubic(TrackPoint* current, const TrackPoint* next)
{
    double p0[AXES], p3[AXES];
    position_of(current, p0);
    position_of(next, p3);
    for (int axis = 0; axis < AXES; ++axis) {
        double p1 = p0[axis] + current->frame_distance * current->tangent[axis] * control_scale;
        double p2 = p3[axis] - next->frame_distance * next->tangent[axis] * control_scale;
        float* abcd = &current->cubic_coeffs[axis * COEFFS_PER_AXIS];
        abcd[CUBIC_A] = static_cast<float>(p3[axis] - 3 * p2 + 3 * p1 - p0[axis]);
        abcd[CUBIC_B] = static_cast<float>(3 * p2 - 6 * p1 + 3 * p0[axis]);
        abcd[CUBIC_C] = static_cast<float>(3 * p1 - 3 * p0[axis]);
        abcd[CUBIC_D] = static_cast<float>(p0[axis]);
        current->control_point[axis] = p1;
        current->linear_coeffs[axis * 2] = static_cast<float>(p3[axis] - p0[axis]);
        current->linear_coeffs[axis * 2 + 1] = static_cast<float>(p0[axis]);
    }
}

static void copy_position_block(const TrackPoint* from, BesselSlot* slot)
{
    slot->longitude = from->longitude;
    slot->latitude = from->latitude;
    slot->x = from->ecef_x;
    slot->y = from->ecef_y;
    slot->z = from->ecef_z;
}

/* slot `into` = slot `later` - slot `earlier`, in X, Y and Z only. */
static void difference(BesselSlot* table, int into, int later, int earlier)
{
    table[into].x = table[later].x - table[earlier].x;
    table[into].y = table[later].y - table[earlier].y;
    table[into].z = table[later].z - table[earlier].z;
}

void build_bessel_table(const TrackPoint* previous, TrackPoint* current, const TrackPoint* next,
                        const TrackPoint* next_but_one)
{
    BesselSlot* table = current->bessel_table;
    copy_position_block(previous, &table[0]);
    copy_position_block(current, &table[1]);
    copy_position_block(next, &table[2]);
    copy_position_block(next_but_one, &table[3]);
    for (int k = 0; k < 3; ++k)
        difference(table, SLOT_FIRST_DIFFERENCES + k, k + 1, k);
    for (int k = 0; k < 2; ++k)
        difference(table, SLOT_SECOND_DIFFERENCES + k, SLOT_FIRST_DIFFERENCES + k + 1,
                   SLOT_FIRST_DIFFERENCES + k);
    difference(table, SLOT_DELTA3_FM1, SLOT_DELTA2_F0, SLOT_DELTA2_FM1);
}

void cubic_at(const TrackPoint* frame, float t, double xyz[3])
{
    float t2 = t * t;
    float t3 = t2 * t;
    for (int axis = 0; axis < AXES; ++axis) {
        const float* abcd = &frame->cubic_coeffs[axis * COEFFS_PER_AXIS];
        xyz[axis] = abcd[CUBIC_A] * t3 + abcd[CUBIC_B] * t2 + abcd[CUBIC_C] * t + abcd[CUBIC_D];
    }
}

void linear_at(const TrackPoint* frame, float t, double xyz[3])
{
    for (int axis = 0; axis < AXES; ++axis)
        xyz[axis] = frame->linear_coeffs[axis * 2] * t + frame->linear_coeffs[axis * 2 + 1];
}

static double bessel_axis(double f0, double f1, double delta_f0, double delta2_fm1,
                          double delta2_f0, double delta3_fm1, double p)
{
    return (f0 + f1) * 0.5 + (p - 0.5) * delta_f0 +
           (p * 0.5 * (p - 1) / 2) * (delta2_fm1 + delta2_f0) +
           (p * (p - 0.5) * (p - 1) / 6) * delta3_fm1;
}

void bessel_at(const TrackPoint* frame, float t, double xyz[3])
{
    const BesselSlot* s = frame->bessel_table;
    xyz[0] = bessel_axis(s[SLOT_F0].x, s[SLOT_F1].x, s[SLOT_DELTA_F0].x, s[SLOT_DELTA2_FM1].x,
                         s[SLOT_DELTA2_F0].x, s[SLOT_DELTA3_FM1].x, t);
    xyz[1] = bessel_axis(s[SLOT_F0].y, s[SLOT_F1].y, s[SLOT_DELTA_F0].y, s[SLOT_DELTA2_FM1].y,
                         s[SLOT_DELTA2_F0].y, s[SLOT_DELTA3_FM1].y, t);
    xyz[2] = bessel_axis(s[SLOT_F0].z, s[SLOT_F1].z, s[SLOT_DELTA_F0].z, s[SLOT_DELTA2_FM1].z,
                         s[SLOT_DELTA2_F0].z, s[SLOT_DELTA3_FM1].z, t);
}

int sample_count()
{
    int count = 0;
    for (float i = 0; i < samples_per_segment; i += 1.0f)
        ++count;
    return count;
}

float sample_parameter(int i)
{
    return static_cast<float>(i) / samples_per_segment;
}

float cubic_coefficient(const TrackPoint* frame, int axis, int k)
{
    return frame->cubic_coeffs[axis * COEFFS_PER_AXIS + k];
}

bool frame_has_cubic(const TrackPoint* frame)
{
    /* b of X is left out of the test, as the empty-frame report always has. */
    for (int axis = 0; axis < AXES; ++axis)
        for (int k = 0; k < COEFFS_PER_AXIS; ++k)
            if (!(axis == AXIS_X && k == CUBIC_B) && cubic_coefficient(frame, axis, k) != 0.0f)
                return true;
    return false;
}

typedef void (*SegmentAt)(const TrackPoint* frame, float t, double xyz[3]);

static void append_samples(const TrackPoint* frame, SegmentAt segment_at, CurveList* list)
{
    int count = sample_count();
    count_load_work();
    for (int i = 0; i < count; ++i) {
        double xyz[AXES];
        segment_at(frame, sample_parameter(i), xyz);
        CurveSample sample = {};
        sample.ecef_x = xyz[0];
        sample.ecef_y = xyz[1];
        sample.ecef_z = xyz[2];
        sample.view_x = to_display_x(xyz[0]);
        sample.view_y = to_display_y(xyz[1]);
        sample.view_z = to_display_z(xyz[2]);
        list->push_back(sample);
    }
}

/* Samples taken from the segments of frames first .. last (inclusive). */
static size_t samples_of(size_t first, size_t last)
{
    return (last - first + 1) * static_cast<size_t>(sample_count());
}

/* Appends samples of the segments of frames first .. last (inclusive) to list. */
static void fill_curve_list(size_t first, size_t last, SegmentAt segment_at, CurveList* list)
{
    for (size_t i = first; i <= last && i < frames.size(); ++i)
        append_samples(frames[i], segment_at, list);
}

static void report_empty_frames()
{
    before_load_message();
    printf("checking if any frames do not have curves\n");
    for (size_t i = 0; i < frames.size(); ++i)
        if (!frame_has_cubic(frames[i]))
            printf("Frame #%d is empty \n", static_cast<int>(i));
}

void fit_frame_segments()
{
    size_t n = frames.size();
    compute_tangents(frames);
    for (size_t i = 1; i + 1 < n; ++i) {
        fit_cubic(frames[i], frames[i + 1]);
        count_load_work();
    }
    for (size_t i = 1; i + 2 < n; ++i) {
        build_bessel_table(frames[i - 1], frames[i], frames[i + 1], frames[i + 2]);
        count_load_work();
    }
}

void fit_frame_curves()
{
    fit_frame_segments();
    report_empty_frames();
}

/* The frames a family samples: 1 .. n-2 for the cubic and linear
   segments, 1 .. n-3 for the Bessel tables; false when there are none. */
static bool sampled_frames(int family, size_t* first, size_t* last)
{
    size_t n = frames.size();
    size_t needed = family == FAMILY_BESSEL ? 4 : 3;
    if (n < needed)
        return false;
    *first = 1;
    *last = n + 1 - needed;
    return true;
}

size_t curve_list_size(int family)
{
    size_t first, last;
    return sampled_frames(family, &first, &last) ? samples_of(first, last) : 0;
}

static SegmentAt segment_of(int family)
{
    if (family == FAMILY_LINEAR)
        return linear_at;
    return family == FAMILY_CUBIC ? cubic_at : bessel_at;
}

/* One list sampled anew from the frames' segments, with its own tangents. */
static void fill_family(int family)
{
    CurveList* list = curve_list_for(family);
    list->clear();
    size_t first, last;
    if (sampled_frames(family, &first, &last)) {
        reserve_faulted_in(list, samples_of(first, last));
        fill_curve_list(first, last, segment_of(family), list);
    }
    compute_tangents(*list);
    curve_list_filled[family] = true;
}

const CurveList& sampled_curve_list(int family)
{
    if (family < 0 || family >= FAMILY_COUNT)
        family = FAMILY_BESSEL;
    if (!curve_list_filled[family])
        fill_family(family);
    return curve_list_of(family);
}

void sample_all_curve_lists()
{
    for (int family = 0; family < FAMILY_COUNT; ++family)
        sampled_curve_list(family);
}

void sample_curve_lists()
{
    /* The sizes the lists will have: each is filled when first drawn. */
    clear_curve_lists();
    const char* names[] = {"CubicFrames", "LinearFrames", "BesselFrames"};
    int families[] = {FAMILY_CUBIC, FAMILY_LINEAR, FAMILY_BESSEL};
    for (int i = 0; i < 3; ++i) {
        before_load_message();
        printf("%s size = %i\n", names[i], static_cast<int>(curve_list_size(families[i])));
    }
    fflush(stdout);
}

void resample_curve_lists()
{
    clear_curve_lists();
}

void fit_track_curves()
{
    fit_frame_curves();
    sample_curve_lists();
    sample_all_curve_lists();
}
