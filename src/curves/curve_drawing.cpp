/*
 * curve_drawing.cpp - the GL side of the track and its curves.
 *
 * Each list is drawn as one batch from GL buffers, at the levels of detail
 * the view needs (point_buffers.h).  A curve list is sampled, and the
 * positions and levels of a batch built, on its first draw after a load (a
 * new track_generation); the colours are made again only when the
 * threshold or the colouring has changed since they were made.  The raw
 * fixes are red in the spacing colouring, and coloured by their value in
 * the others.
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
#include "point_buffers.h"

#include <GL/glut.h>

#include <vector>

static const float CENTRE_POINT_SIZE = 4.0f;
static const float BESSEL_POINT_SIZE = 3.0f;
static const float TRACK_POINT_SIZE = 2.0f;
static const float NO_VALUE_RGB[3] = {0.6f, 0.6f, 0.6f}; /* a point the colouring says nothing of */
/* The coarsest level's spacing, as a share of the track's extent: finer
   than a pixel of the start view, where the extent spans a few hundred. */
static const double COARSEST_DIVISIONS = 1024.0;

/* One drawn list: its points and levels in GL buffers. */
struct PointBatch {
    PointBuffers buffers;
    float coloured_for = -1.0f; /* threshold the colours were made for; -1: none yet */
    int coloured_as = -1;       /* the colouring they were made for */
    long built_for = -1;        /* track_generation the positions were made for */
};

static PointBatch raw_batch;                   /* the frames */
static PointBatch curve_batches[FAMILY_COUNT]; /* LinearFrames, CubicFrames, BesselFrames */
static double detail_pixels = 0;               /* the levels' tolerance; 0: every point */

void set_detail_pixels(double pixels)
{
    detail_pixels = pixels;
}

/* True when the batch holds the current track; else it is emptied. */
static bool batch_is_current(PointBatch* batch)
{
    if (batch->built_for == track_generation)
        return true;
    free_point_buffers(&batch->buffers);
    batch->coloured_for = -1.0f;
    batch->coloured_as = -1;
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

/* The positions, as floats, and their levels into the batch's buffers. */
static void fill_batch(PointBatch* batch, const std::vector<float>& xyz)
{
    fill_point_buffers(&batch->buffers, xyz.data(), xyz.size() / 3,
                       view_range / COARSEST_DIVISIONS);
    batch->built_for = track_generation;
}

static void draw_batch(const PointBatch& batch, bool coloured)
{
    draw_point_buffers(batch.buffers, coloured, detail_pixels);
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

/* A colour of floats as the buffers keep it: bytes, opaque. */
static void to_bytes(const float rgb[3], unsigned char* rgba)
{
    for (int k = 0; k < 3; ++k) {
        float c = rgb[k] < 0 ? 0 : (rgb[k] > 1 ? 1 : rgb[k]);
        rgba[k] = static_cast<unsigned char>(c * 255.0f + 0.5f);
    }
    rgba[3] = 255;
}

/* The colour of frame i by its value, grey where it has none. */
static void frame_colour(size_t i, unsigned char rgba[4])
{
    float value = 0, rgb[3];
    if (frame_colour_value(i, &value)) {
        value_colour(value, rgb);
    } else {
        for (int k = 0; k < 3; ++k)
            rgb[k] = NO_VALUE_RGB[k];
    }
    to_bytes(rgb, rgba);
}

static void finish_colouring(PointBatch* batch, const std::vector<unsigned char>& rgba)
{
    colour_point_buffers(&batch->buffers, rgba.data());
    batch->coloured_for = threshold;
    batch->coloured_as = colouring;
}

/* Sample i of a list lies on the segment of frame 1 + i / samples a
   segment: every list starts at frame 1. */
static void colour_curve_batch(PointBatch* batch, const CurveList& list)
{
    std::vector<unsigned char> rgba;
    reserve_faulted_in(&rgba, list.size() * 4);
    rgba.resize(list.size() * 4);
    size_t per_segment = static_cast<size_t>(sample_count() > 0 ? sample_count() : 1);
    for (size_t i = 0; i < list.size(); ++i) {
        if (colouring == COLOURING_SPACING) {
            float rgb[3];
            band_colour(list[i].frame_distance * samples_per_segment, threshold, rgb);
            to_bytes(rgb, &rgba[i * 4]);
        } else {
            frame_colour(1 + i / per_segment, &rgba[i * 4]);
        }
    }
    finish_colouring(batch, rgba);
}

static void colour_raw_batch()
{
    std::vector<unsigned char> rgba;
    reserve_faulted_in(&rgba, frames.size() * 4);
    rgba.resize(frames.size() * 4);
    for (size_t i = 0; i < frames.size(); ++i)
        frame_colour(i, &rgba[i * 4]);
    finish_colouring(&raw_batch, rgba);
}

void draw_curve_family(int family)
{
    if (family < 0 || family >= FAMILY_COUNT)
        return;
    PointBatch* batch = &curve_batches[family];
    const CurveList& list = sampled_curve_list(family);
    if (!batch_is_current(batch)) {
        std::vector<float> xyz;
        reserve_faulted_in(&xyz, list.size() * 3);
        for (const CurveSample& sample : list)
            push_view(&xyz, &sample);
        fill_batch(batch, xyz);
    }
    if (!colours_are_current(*batch))
        colour_curve_batch(batch, list);
    glPointSize(TRACK_POINT_SIZE);
    draw_batch(*batch, true);
}

void draw_raw_frames()
{
    if (!batch_is_current(&raw_batch)) {
        std::vector<float> xyz;
        reserve_faulted_in(&xyz, frames.size() * 3);
        for (const TrackPoint* frame : frames)
            push_view(&xyz, frame);
        fill_batch(&raw_batch, xyz);
    }
    glPointSize(TRACK_POINT_SIZE);
    bool coloured = colouring != COLOURING_SPACING;
    if (coloured && !colours_are_current(raw_batch))
        colour_raw_batch();
    glColor3f(1, 0, 0);
    draw_batch(raw_batch, coloured);
}
