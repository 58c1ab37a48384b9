/*
 * hud.h - drawing in window pixels over the scene: text on a light
 * backing, boxes and lines, for the overlay, the panels and the map's
 * furniture.  Everything is kept inside the window, whatever its shape.
 *
 * Entry points: PixelBox, Corner, begin_window_drawing(),
 * end_window_drawing(), text_block_size(), place_in_corner(),
 * draw_text_block(), draw_label(), fill_box(), draw_backing(), draw_ink(),
 * ink_width(), HUD_LINE_PIXELS,
 * HUD_MARGIN_PIXELS.
 */
#ifndef KESTRIM_HUD_H
#define KESTRIM_HUD_H

/* A rectangle of the window, in pixels from its bottom-left corner. */
struct PixelBox {
    int left, bottom, width, height;
};

enum Corner { CORNER_TOP_LEFT, CORNER_TOP_RIGHT, CORNER_BOTTOM_LEFT, CORNER_BOTTOM_RIGHT };

enum {
    HUD_LINE_PIXELS = 15,  /* one line of the panels' 13-pixel font */
    HUD_MARGIN_PIXELS = 8, /* between a corner's box and the window's edge */
};

/* A projection of window pixels, no lighting, no depth test, filled
   polygons; end_window_drawing() gives back what was before. */
void begin_window_drawing();
void end_window_drawing();

/* The size of the box draw_text_block() draws for text ('\n' ends a line). */
void text_block_size(const char* text, int* width, int* height);

/* A box of width x height in a corner, lifted by `above` pixels from a
   bottom corner's edge (or lowered from a top one's), kept in the window. */
PixelBox place_in_corner(Corner corner, int width, int height, int above);

/* Lines of text in the panels' font on a light backing with a border, the
   box's top-left corner at (left, top) or as near as the window allows.
   Returns the box drawn. */
PixelBox draw_text_block(int left, int top, const char* text);

/* One line in font (a GLUT bitmap font) on a light backing, its text
   starting at (x, baseline) or as near as the window allows. */
void draw_label(int x, int baseline, void* font, const char* text);

/* A filled rectangle in the colour rgb. */
void fill_box(PixelBox box, const float rgb[3]);

/* The panels' light backing with its border. */
void draw_backing(PixelBox box);

/* Black text in the panels' font from (x, baseline), and its width. */
void draw_ink(int x, int baseline, const char* text);
int ink_width(const char* text);

#endif
