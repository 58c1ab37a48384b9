/*
 * curve_drawing.cpp - the GL side of the track and its curves.
 *
 * Each list is drawn as one batch from vertex arrays.  The position arrays
 * are built on the first draw after a load (a new track_generation); the
 * colour arrays are rebuilt only when the threshold or the colouring has
 * changed since they were made.  The raw fixes are red in the spacing
 * colouring, and coloured by their value in the others.
 *
 * Entry points: see curve_drawing.h.
 */
#include "curve_drawing.h"

#include "../track/display_mapping.h"
#include "../track/load.h"
#include "../track/prefault.h"
#include "colouring.h"
#include "curve_controls.h"
#include "curve_fitting.h"

#include <GL/glut.h>

#include <vector>

static const float CENTRE_POINT_SIZE = 4.0f;
static const float BESSEL_POINT_SIZE = 3.0f;
static const float TRACK_POINT_SIZE = 2.0f;
static const float NO_VALUE_RGB[3] = {0.6f, 0.6f, 0.6f}; /* a point the colouring says nothing of */

/* Vertex and colour arrays of one drawn list. */
struct PointBatch {
    std::vector<float> xyz;
    std::vector<float> rgb;
    float coloured_for = -1.0f; /* threshold the colours were made for; -1: none yet */
    int coloured_as = -1;       /* the colouring they were made for */
    long built_for = -1;        /* track_generation the positions were made for */
};

static PointBatch raw_batch;                   /* the frames */
static PointBatch curve_batches[FAMILY_COUNT]; /* LinearFrames, CubicFrames, BesselFrames */

/* True when the batch holds the current track; else it is emptied. */
static bool batch_is_current(PointBatch* batch)
{
    if (batch->built_for == track_generation)
        return true;
    *batch = PointBatch();
    return false;
}

/* For frames and for curve samples alike. */
template <class Point>
static void push_view(std::vector<float>* xyz, const Point* p)
{
    xyz->push_back(static_cast<float>(p->view_x));
    xyz->push_back(static_cast<float>(p->view_y));
    xyz->push_back(static_cast<float>(p->view_z));
}

static void draw_batch(const PointBatch& batch, bool coloured)
{
    if (batch.xyz.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, batch.xyz.data());
    if (coloured) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, 0, batch.rgb.data());
    }
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(batch.xyz.size() / 3));
    if (coloured)
        glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void draw_centre_of_gravity()
{
    glPointSize(CENTRE_POINT_SIZE);
    glColor3f(0, 0, 1);
    glBegin(GL_POINTS);
    glVertex3d(centre_x, centre_y, centre_z);
    glEnd();
}

void draw_tangent_lines()
{
    glColor3f(0, 0, 1);
    glBegin(GL_LINES);
    for (size_t i = 1; i + 1 < frames.size(); ++i) {
        const TrackPoint* p = frames[i];
        glVertex3d(to_display_x(cubic_coefficient(p, AXIS_X, CUBIC_D)),
                   to_display_y(cubic_coefficient(p, AXIS_Y, CUBIC_D)),
                   to_display_z(cubic_coefficient(p, AXIS_Z, CUBIC_D)));
        glVertex3d(to_display_x(p->control_point[0]), to_display_y(p->control_point[1]),
                   to_display_z(p->control_point[2]));
    }
    glEnd();
}

static bool frame_has_bessel_table(int index)
{
    return index >= 1 && index + 2 < static_cast<int>(frames.size());
}

void draw_bessel_segment()
{
    if (!frame_has_bessel_table(curve_index))
        return;
    const TrackPoint* frame = frames[curve_index];
    glPointSize(BESSEL_POINT_SIZE);
    glColor3f(0, 0, 0);
    glBegin(GL_POINTS);
    int count = sample_count();
    for (int i = 0; i < count; ++i) {
        double xyz[3];
        bessel_at(frame, sample_parameter(i), xyz);
        glVertex3d(to_display_x(xyz[0]), to_display_y(xyz[1]), to_display_z(xyz[2]));
    }
    glEnd();
}

static bool colours_are_current(const PointBatch& batch)
{
    return batch.coloured_for == threshold && batch.coloured_as == colouring;
}

/* The colour of frame i by its value, grey where it has none. */
static void frame_colour(size_t i, float rgb[3])
{
    float value = 0;
    if (frame_colour_value(i, &value)) {
        value_colour(value, rgb);
    } else {
        for (int k = 0; k < 3; ++k)
            rgb[k] = NO_VALUE_RGB[k];
    }
}

/* Sample i of a list lies on the segment of frame 1 + i / samples a
   segment: every list starts at frame 1. */
static void colour_curve_batch(PointBatch* batch, const CurveList& list)
{
    reserve_faulted_in(&batch->rgb, list.size() * 3);
    batch->rgb.resize(list.size() * 3);
    size_t per_segment = static_cast<size_t>(sample_count() > 0 ? sample_count() : 1);
    for (size_t i = 0; i < list.size(); ++i) {
        if (colouring == COLOURING_SPACING)
            band_colour(list[i].frame_distance * samples_per_segment, threshold,
                        &batch->rgb[i * 3]);
        else
            frame_colour(1 + i / per_segment, &batch->rgb[i * 3]);
    }
    batch->coloured_for = threshold;
    batch->coloured_as = colouring;
}

static void colour_raw_batch()
{
    reserve_faulted_in(&raw_batch.rgb, frames.size() * 3);
    raw_batch.rgb.resize(frames.size() * 3);
    for (size_t i = 0; i < frames.size(); ++i)
        frame_colour(i, &raw_batch.rgb[i * 3]);
    raw_batch.coloured_for = threshold;
    raw_batch.coloured_as = colouring;
}

void draw_curve_family(int family)
{
    if (family < 0 || family >= FAMILY_COUNT)
        return;
    PointBatch* batch = &curve_batches[family];
    const CurveList& list = curve_list_of(family);
    if (!batch_is_current(batch)) {
        reserve_faulted_in(&batch->xyz, list.size() * 3);
        for (const CurveSample& sample : list)
            push_view(&batch->xyz, &sample);
        batch->built_for = track_generation;
    }
    if (!colours_are_current(*batch))
        colour_curve_batch(batch, list);
    glPointSize(TRACK_POINT_SIZE);
    draw_batch(*batch, true);
}

void draw_raw_frames()
{
    if (!batch_is_current(&raw_batch)) {
        reserve_faulted_in(&raw_batch.xyz, frames.size() * 3);
        for (const TrackPoint* frame : frames)
            push_view(&raw_batch.xyz, frame);
        raw_batch.built_for = track_generation;
    }
    glPointSize(TRACK_POINT_SIZE);
    bool coloured = colouring != COLOURING_SPACING;
    if (coloured && !colours_are_current(raw_batch))
        colour_raw_batch();
    glColor3f(1, 0, 0);
    draw_batch(raw_batch, coloured);
}
