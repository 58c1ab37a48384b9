/*
 * point_buffers.cpp - the GL side of the levels of detail.
 *
 * Each level's points are copied into one buffer after another, so a
 * level is drawn with an offset into the same buffer, and neighbouring
 * chunks of one level with one call.
 *
 * Entry points: see point_buffers.h.
 */
#define GL_GLEXT_PROTOTYPES 1
#include "point_buffers.h"

#include "../track/out_of_memory.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

enum { POSITION_FLOATS = 3, COLOUR_BYTES = 4 };

/* Every point of every level. */
static size_t buffered_points(const PointBuffers& buffers)
{
    const PointLevels& levels = buffers.levels;
    size_t total = 0;
    for (size_t k = 0; k < levels.levels.size(); ++k)
        total += level_point_count(levels, static_cast<int>(k));
    return total;
}

/* A GL buffer of bytes bytes, its contents to come; the program ends when
   the GL has no room for it. */
static unsigned new_buffer(size_t bytes)
{
    GLuint name = 0;
    glGenBuffers(1, &name);
    glBindBuffer(GL_ARRAY_BUFFER, name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STATIC_DRAW);
    if (glGetError() == GL_OUT_OF_MEMORY)
        out_of_memory();
    return name;
}

/* Items of size bytes each, level by level: level 0 as given, the others
   gathered from it by their kept numbers, into the bound buffer. */
static void upload_levels(const PointBuffers& buffers, const unsigned char* items, size_t size)
{
    const PointLevels& levels = buffers.levels;
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(levels.count * size), items);
    std::vector<unsigned char> gathered;
    for (size_t k = 1; k < levels.levels.size(); ++k) {
        const std::vector<unsigned>& kept = levels.levels[k].kept;
        gathered.resize(kept.size() * size);
        for (size_t i = 0; i < kept.size(); ++i)
            memcpy(&gathered[i * size], items + static_cast<size_t>(kept[i]) * size, size);
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(buffers.level_offset[k] * size),
                        static_cast<GLsizeiptr>(gathered.size()), gathered.data());
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void free_point_buffers(PointBuffers* buffers)
{
    GLuint names[2] = {buffers->position_buffer, buffers->colour_buffer};
    for (GLuint name : names)
        if (name != 0)
            glDeleteBuffers(1, &name);
    buffers->position_buffer = buffers->colour_buffer = 0;
    buffers->levels = PointLevels();
    buffers->level_offset.clear();
}

void fill_point_buffers(PointBuffers* buffers, const float* xyz, size_t count, double coarsest)
{
    free_point_buffers(buffers);
    build_point_levels(xyz, count, coarsest, &buffers->levels);
    size_t offset = 0;
    for (size_t k = 0; k < buffers->levels.levels.size(); ++k) {
        buffers->level_offset.push_back(offset);
        offset += level_point_count(buffers->levels, static_cast<int>(k));
    }
    if (count == 0)
        return;
    size_t size = POSITION_FLOATS * sizeof(float);
    buffers->position_buffer = new_buffer(offset * size);
    upload_levels(*buffers, reinterpret_cast<const unsigned char*>(xyz), size);
}

void colour_point_buffers(PointBuffers* buffers, const unsigned char* rgba)
{
    if (buffers->levels.count == 0)
        return;
    if (buffers->colour_buffer == 0)
        buffers->colour_buffer = new_buffer(buffered_points(*buffers) * COLOUR_BYTES);
    else
        glBindBuffer(GL_ARRAY_BUFFER, buffers->colour_buffer);
    upload_levels(*buffers, rgba, COLOUR_BYTES);
}

/* The view the current matrices and viewport give. */
static void current_view(DetailView* view)
{
    double projection[16], modelview[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += projection[k * 4 + r] * modelview[c * 4 + k];
            view->clip[c * 4 + r] = sum;
        }
    view->width = viewport[2];
    view->height = viewport[3];
    /* In perspective w is the eye distance, at least the near plane's,
       which the projection's third row gives; in an orthographic one w is 1. */
    bool perspective = projection[11] != 0;
    double near_plane = perspective ? projection[14] / (projection[10] - 1) : 1;
    view->nearest = near_plane > 0 ? near_plane : 0;
}

static void draw_range(const PointBuffers& buffers, int level, size_t first, size_t count)
{
    if (count > 0)
        glDrawArrays(GL_POINTS, static_cast<GLint>(buffers.level_offset[level] + first),
                     static_cast<GLsizei>(count));
}

void draw_point_buffers(const PointBuffers& buffers, bool coloured, double pixels)
{
    if (buffers.position_buffer == 0)
        return;
    coloured = coloured && buffers.colour_buffer != 0;
    glEnableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, buffers.position_buffer);
    glVertexPointer(POSITION_FLOATS, GL_FLOAT, 0, nullptr);
    if (coloured) {
        glEnableClientState(GL_COLOR_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, buffers.colour_buffer);
        glColorPointer(COLOUR_BYTES, GL_UNSIGNED_BYTE, 0, nullptr);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (pixels > 0) {
        DetailView view;
        current_view(&view);
        static std::vector<DetailRun> runs; /* kept from frame to frame: no allocation each */
        detail_runs(buffers.levels, view, pixels, &runs);
        for (const DetailRun& run : runs)
            draw_range(buffers, run.level, run.first, run.count);
    } else {
        draw_range(buffers, 0, 0, buffers.levels.count);
    }
    if (coloured)
        glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}
