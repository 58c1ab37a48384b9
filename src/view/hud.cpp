/*
 * hud.cpp - text, boxes and lines in window pixels.
 *
 * The panels use GLUT's fixed 8x13 bitmap font, whose columns line up
 * figures; every box is clamped into the window, so that no text is cut
 * by its edge unless the window is smaller than the box.
 *
 * Entry points: see hud.h.
 */
#include "hud.h"

#include "viewer_state.h"

#include <GL/glut.h>
#include <GL/freeglut_ext.h> /* glutBitmapHeight */

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

static void* const BLOCK_FONT = GLUT_BITMAP_8_BY_13;
/* A neutral light grey, unlike the white clear and any colour of the bands. */
static const float BACKING_RGB[3] = {0.92f, 0.92f, 0.92f};
static const float BORDER_RGB[3] = {0.3f, 0.3f, 0.3f};
enum {
    PADDING = 5,      /* between the border and the text */
    EDGE = 4,         /* kept clear between a box and the window's edge */
    DESCENT = 3,      /* of the block font, below its baseline */
    TEXT_BYTES = 160, /* the longest line measured or drawn */
    BLOCKS_KEPT = 4   /* blocks kept as pixels: the panels that can be on at once */
};

void begin_window_drawing()
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_POLYGON_BIT | GL_LINE_BIT | GL_POINT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, std::max(window_width, 1), 0, std::max(window_height, 1), -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void end_window_drawing()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

/* Calls line(text, length, index) for each line of text. */
template <class Each>
static void each_line(const char* text, Each line)
{
    int index = 0;
    while (*text != '\0') {
        const char* end = strchr(text, '\n');
        int length = end ? static_cast<int>(end - text) : static_cast<int>(strlen(text));
        line(text, std::min(length, TEXT_BYTES - 1), index++);
        text += length + (end ? 1 : 0);
    }
}

static int width_of(void* font, const char* text, int length)
{
    int width = 0;
    for (int i = 0; i < length; ++i)
        width += glutBitmapWidth(font, static_cast<unsigned char>(text[i]));
    return width;
}

void text_block_size(const char* text, int* width, int* height)
{
    int widest = 0, lines = 0;
    each_line(text, [&](const char* line, int length, int) {
        widest = std::max(widest, width_of(BLOCK_FONT, line, length));
        ++lines;
    });
    *width = widest + 2 * PADDING;
    *height = lines * HUD_LINE_PIXELS + 2 * PADDING;
}

/* The box moved inside the window, EDGE pixels clear of its border where
   it fits; a box larger than the window keeps its top-left corner in it,
   where the first lines are. */
static PixelBox clamped(PixelBox box)
{
    int edge = box.width + 2 * EDGE <= window_width ? EDGE : 0;
    box.left = std::max(edge, std::min(box.left, window_width - box.width - edge));
    edge = box.height + 2 * EDGE <= window_height ? EDGE : 0;
    box.bottom = std::min(window_height - box.height - edge, std::max(box.bottom, edge));
    return box;
}

PixelBox place_in_corner(Corner corner, int width, int height, int above)
{
    bool right = corner == CORNER_TOP_RIGHT || corner == CORNER_BOTTOM_RIGHT;
    bool top = corner == CORNER_TOP_LEFT || corner == CORNER_TOP_RIGHT;
    PixelBox box = {HUD_MARGIN_PIXELS, HUD_MARGIN_PIXELS + above, width, height};
    if (right)
        box.left = window_width - HUD_MARGIN_PIXELS - width;
    if (top)
        box.bottom = window_height - HUD_MARGIN_PIXELS - above - height;
    return clamped(box);
}

void fill_box(PixelBox box, const float rgb[3])
{
    glColor3fv(rgb);
    glRecti(box.left, box.bottom, box.left + box.width, box.bottom + box.height);
}

void draw_backing(PixelBox box)
{
    fill_box(box, BACKING_RGB);
    glColor3fv(BORDER_RGB);
    glLineWidth(1.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(box.left + 0.5f, box.bottom + 0.5f);
    glVertex2f(box.left + box.width - 0.5f, box.bottom + 0.5f);
    glVertex2f(box.left + box.width - 0.5f, box.bottom + box.height - 0.5f);
    glVertex2f(box.left + 0.5f, box.bottom + box.height - 0.5f);
    glEnd();
}

static void draw_characters(int x, int baseline, void* font, const char* text, int length)
{
    glRasterPos2i(x, baseline);
    for (int i = 0; i < length; ++i)
        glutBitmapCharacter(font, static_cast<unsigned char>(text[i]));
}

void draw_ink(int x, int baseline, const char* text)
{
    glColor3f(0, 0, 0);
    draw_characters(x, baseline, BLOCK_FONT, text, static_cast<int>(strlen(text)));
}

int ink_width(const char* text)
{
    return width_of(BLOCK_FONT, text, static_cast<int>(strlen(text)));
}

/* Blocks drawn once are kept as pixels: llvmpipe draws a bitmap character
   in microseconds, and a panel of a thousand of them would take a fifth of
   a frame.  A block is drawn anew only when its text or its place changes. */
struct DrawnBlock {
    std::string text;
    PixelBox box = {0, 0, 0, 0};
    std::vector<unsigned char> rgb;
};
static DrawnBlock drawn_blocks[BLOCKS_KEPT];
static int next_block = 0; /* the entry the next new block replaces */

static DrawnBlock* block_drawn_before(const char* text, PixelBox box)
{
    for (DrawnBlock& block : drawn_blocks)
        if (block.box.left == box.left && block.box.bottom == box.bottom &&
            block.box.width == box.width && block.box.height == box.height && block.text == text)
            return &block;
    return nullptr;
}

static void draw_block_text(PixelBox box, const char* text)
{
    draw_backing(box);
    glColor3f(0, 0, 0);
    int first_top = box.bottom + box.height - PADDING;
    each_line(text, [&](const char* line, int length, int index) {
        int baseline = first_top - (index + 1) * HUD_LINE_PIXELS + DESCENT;
        draw_characters(box.left + PADDING, baseline, BLOCK_FONT, line, length);
    });
}

/* The block's pixels, read back just after it was drawn over its own
   opaque backing. */
static void keep_block(const char* text, PixelBox box)
{
    DrawnBlock& block = drawn_blocks[next_block];
    next_block = (next_block + 1) % BLOCKS_KEPT;
    block.text = text;
    block.box = box;
    block.rgb.resize(static_cast<size_t>(box.width) * box.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(box.left, box.bottom, box.width, box.height, GL_RGB, GL_UNSIGNED_BYTE,
                 block.rgb.data());
}

PixelBox draw_text_block(int left, int top, const char* text)
{
    PixelBox box;
    text_block_size(text, &box.width, &box.height);
    box.left = left;
    box.bottom = top - box.height;
    box = clamped(box);
    if (box.left < 0 || box.bottom < 0 || box.width > window_width || box.height > window_height) {
        draw_block_text(box, text); /* partly outside: nothing to read back */
        return box;
    }
    const DrawnBlock* before = block_drawn_before(text, box);
    if (before == nullptr) {
        draw_block_text(box, text);
        keep_block(text, box);
        return box;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glRasterPos2i(box.left, box.bottom);
    glDrawPixels(box.width, box.height, GL_RGB, GL_UNSIGNED_BYTE, before->rgb.data());
    return box;
}

void draw_label(int x, int baseline, void* font, const char* text)
{
    int length = static_cast<int>(strlen(text));
    int height = glutBitmapHeight(font);
    int descent = height / 4;
    PixelBox box = {x - PADDING, baseline - descent - PADDING,
                    width_of(font, text, length) + 2 * PADDING, height + 2 * PADDING};
    box = clamped(box);
    draw_backing(box);
    glColor3f(0, 0, 0);
    draw_characters(box.left + PADDING, box.bottom + PADDING + descent, font, text, length);
}
