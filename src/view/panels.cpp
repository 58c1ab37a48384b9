/*
 * panels.cpp - the panels, the legend, the scale bar and the north arrow.
 *
 * The legend is shown where the colours say something: over the curves,
 * or in a colouring other than the spacing (where the raw fixes are red).
 * The scale bar and the arrow are measured at the track's centre with the
 * very transformation the track was drawn with, so that they stay right
 * as the view is moved, scaled and turned.  Layout: frames per second top
 * left, statistics top right, legend bottom left, scale bar bottom right
 * with the arrow above it, help at the top in the middle.
 *
 * Entry points: see panels.h.
 */
#include "panels.h"

#include "../curves/colouring.h"
#include "../curves/curve_controls.h"
#include "../track/load.h"
#include "../track/statistics.h"
#include "../track/track_point.h"
#include "hud.h"
#include "replay_drawing.h"
#include "map_scale.h"
#include "viewer_state.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <string>

#include <cmath>
#include <cstdio>

const char HELP_TEXT[] = "Kestrim: keys and mouse (F1 hides this)\n"
                         "left drag     act in the mode: at start orbit the text\n"
                         "              overlay; Move, Scale, Rotate from the menus\n"
                         "middle button menu: Move, Scale, Rotate (trackball)\n"
                         "right button  menu: Move, Scale, Reset, Exit\n"
                         "b B / ?       raw fixes or the sampled curves\n"
                         "1 2 3         curves: linear, cubic, Bessel\n"
                         "v V           tangent lines or one Bessel segment\n"
                         ". > , <       that segment: next, previous frame\n"
                         "+ = - _       colour bands wider, narrower\n"
                         "k             colouring: spacing, speed, recorded\n"
                         "              speed, height\n"
                         "x X           relief twice as high, half as high\n"
                         "i             the track's statistics\n"
                         "o             hide or show all drawn over the track\n"
                         "wheel         zoom about the pointer\n"
                         "PgUp PgDn     zoom about the middle of the window\n"
                         "arrows        turn about the screen's axes\n"
                         "u             north up, seen from straight above\n"
                         "space         replay the ride by its times, or pause\n"
                         "[ ]           replay half or twice as fast\n"
                         "{ }           replay from the start, or at the end\n"
                         "g             keep the replay's marker in the middle\n"
                         "Home          reset the view, as r\n"
                         "l             lighting: points in the material's colour\n"
                         "m             material: red, grey (with lighting)\n"
                         "s c           smooth shading, cartoon lights\n"
                         "f             polygon mode (no polygons are drawn)\n"
                         "n N           draw again\n"
                         "r             reset the view\n"
                         "h             this help on standard output\n"
                         "p             the window as a PNG in this folder\n"
                         "q Q           quit";

static const float ARROW_RGB[3] = {0.1f, 0.3f, 0.6f}; /* steel blue, unlike any band */
static const float INK_RGB[3] = {0, 0, 0};
enum {
    LEGEND_BAR_PIXELS = 200, /* the colour bar's length */
    LEGEND_BAR_HEIGHT = 12,
    LEGEND_BANDS = 5,
    SCALE_BAR_MOST = 120, /* pixels the scale bar may take */
    SCALE_BAR_HEIGHT = 6,
    ARROW_BOX = 48, /* the north arrow's square */
    ARROW_LENGTH = 17,
    PAD = 6,
    TEXT_BYTES = 64,
};

/* ------------------------------------------------------------ panels */

static void draw_info_panel()
{
    std::string text = statistics_text();
    if (text.empty())
        text = "no track loaded";
    const char* replay = replay_panel_text();
    if (replay[0] != '\0')
        text = text + "\n" + replay;
    int width, height;
    text_block_size(text.c_str(), &width, &height);
    PixelBox box = place_in_corner(CORNER_TOP_RIGHT, width, height, 0);
    draw_text_block(box.left, box.bottom + box.height, text.c_str());
}

static void draw_help_panel()
{
    int width, height;
    text_block_size(HELP_TEXT, &width, &height);
    draw_text_block((window_width - width) / 2, window_height - HUD_MARGIN_PIXELS, HELP_TEXT);
}

/* ------------------------------------------------------------ legend */

static bool colours_mean_something()
{
    return curves_shown || colouring != COLOURING_SPACING;
}

static void draw_colour_bar(int left, int bottom)
{
    float band = colouring_band(colouring), origin = colouring_origin(colouring);
    glBegin(GL_QUADS);
    for (int x = 0; x < LEGEND_BAR_PIXELS; ++x) {
        float rgb[3];
        float value = origin + band * LEGEND_BANDS * (x + 0.5f) / LEGEND_BAR_PIXELS;
        value_colour(value, rgb);
        glColor3fv(rgb);
        glVertex2i(left + x, bottom);
        glVertex2i(left + x + 1, bottom);
        glVertex2i(left + x + 1, bottom + LEGEND_BAR_HEIGHT);
        glVertex2i(left + x, bottom + LEGEND_BAR_HEIGHT);
    }
    glEnd();
}

/* "spacing, m", the bar, and its numbers at the bands' edges. */
static PixelBox draw_legend()
{
    char title[TEXT_BYTES];
    float band = colouring_band(colouring), origin = colouring_origin(colouring);
    snprintf(title, sizeof title, "%s, %s", colouring_name(colouring), colouring_unit(colouring));
    int width = LEGEND_BAR_PIXELS + 2 * PAD + 2 * ink_width("0000") / 2;
    if (ink_width(title) + 2 * PAD > width)
        width = ink_width(title) + 2 * PAD;
    int height = 3 * HUD_LINE_PIXELS + 2 * PAD;
    PixelBox box = place_in_corner(CORNER_BOTTOM_LEFT, width, height, 0);
    draw_backing(box);
    int top = box.bottom + box.height - PAD;
    draw_ink(box.left + PAD, top - HUD_LINE_PIXELS + 3, title);
    int bar_left = box.left + PAD + ink_width("00") / 2;
    int bar_bottom = top - HUD_LINE_PIXELS - 2 - LEGEND_BAR_HEIGHT;
    draw_colour_bar(bar_left, bar_bottom);
    for (int k = 0; k <= LEGEND_BANDS; ++k) {
        char number[TEXT_BYTES];
        snprintf(number, sizeof number, "%g", origin + band * k);
        int x = bar_left + k * LEGEND_BAR_PIXELS / LEGEND_BANDS - ink_width(number) / 2;
        draw_ink(x, bar_bottom - HUD_LINE_PIXELS + 2, number);
    }
    return box;
}

/* One line where the raw fixes are red and the colours say nothing. */
static PixelBox draw_red_fixes_note()
{
    const char* note = "fixes: red (b, k: colours)";
    PixelBox box = place_in_corner(CORNER_BOTTOM_LEFT, ink_width(note) + 2 * PAD,
                                   HUD_LINE_PIXELS + 2 * PAD, 0);
    draw_backing(box);
    draw_ink(box.left + PAD, box.bottom + PAD + 3, note);
    return box;
}

/* ------------------------------------------------------------ scale and north */

struct Projection {
    double modelview[16], projection[16];
    int viewport[4];
};

static bool project(const Projection& p, const double at[3], double window[3])
{
    return gluProject(at[0], at[1], at[2], p.modelview, p.projection, p.viewport, &window[0],
                      &window[1], &window[2]) == GL_TRUE &&
           std::isfinite(window[0]) && std::isfinite(window[1]);
}

/* Pixels a kilometre across the view at the track's centre: one display
   unit square to the line of sight, at the centre's depth. */
static double pixels_per_km(const Projection& p)
{
    const double* m = p.modelview;
    double c[3] = {centre_x, centre_y, centre_z}, eye[3];
    for (int r = 0; r < 3; ++r)
        eye[r] = m[r] * c[0] + m[4 + r] * c[1] + m[8 + r] * c[2] + m[12 + r];
    Projection flat = p;
    for (int i = 0; i < 16; ++i)
        flat.modelview[i] = i % 5 == 0 ? 1.0 : 0.0;
    double across[3] = {eye[0] + 1.0, eye[1], eye[2]}, a[3], b[3];
    if (!project(flat, eye, a) || !project(flat, across, b))
        return 0.0;
    return fabs(b[0] - a[0]);
}

/* The scale bar in the bottom-right corner, lifted by `above` pixels. */
static PixelBox draw_scale_bar(const Projection& p, int above)
{
    double per_km = pixels_per_km(p);
    double metres = per_km > 0 ? round_scale_length(SCALE_BAR_MOST * 1000.0 / per_km) : 0.0;
    int pixels = static_cast<int>(lround(metres * per_km / 1000.0));
    char label[TEXT_BYTES];
    format_length(metres, label, sizeof label);
    if (metres <= 0 || pixels < 1) {
        snprintf(label, sizeof label, "no scale");
        pixels = 0;
    }
    int width = (pixels > ink_width(label) ? pixels : ink_width(label)) + 2 * PAD;
    PixelBox box = place_in_corner(CORNER_BOTTOM_RIGHT, width,
                                   HUD_LINE_PIXELS + SCALE_BAR_HEIGHT + 3 * PAD, above);
    draw_backing(box);
    draw_ink(box.left + PAD, box.bottom + 2 * PAD + SCALE_BAR_HEIGHT + 3, label);
    PixelBox bar = {box.left + PAD, box.bottom + PAD, pixels, SCALE_BAR_HEIGHT};
    fill_box(bar, INK_RGB);
    return box;
}

/* An arrow from the middle of its square toward north as the view shows
   it, an N in the corner; a dot when north points at or away from the eye. */
static void draw_north_arrow(const Projection& p, const PixelBox& below)
{
    PixelBox box =
        place_in_corner(CORNER_BOTTOM_RIGHT, ARROW_BOX, ARROW_BOX,
                        below.bottom + below.height - HUD_MARGIN_PIXELS + HUD_MARGIN_PIXELS / 2);
    draw_backing(box);
    double north[3], c[3] = {centre_x, centre_y, centre_z}, tip[3], a[3], b[3];
    local_north(raw_centre_x, raw_centre_y, raw_centre_z, north);
    for (int i = 0; i < 3; ++i)
        tip[i] = c[i] + north[i] * view_range * 0.1; /* a tenth of the track's extent */
    double dx = 0, dy = 0;
    if (project(p, c, a) && project(p, tip, b)) {
        dx = b[0] - a[0];
        dy = b[1] - a[1];
    }
    double length = sqrt(dx * dx + dy * dy);
    float mx = box.left + box.width / 2.0f, my = box.bottom + box.height / 2.0f;
    glColor3fv(ARROW_RGB);
    glLineWidth(3.0f);
    if (length < 1e-6) {
        glPointSize(7.0f);
        glBegin(GL_POINTS);
        glVertex2f(mx, my);
        glEnd();
    } else {
        float ux = static_cast<float>(dx / length), uy = static_cast<float>(dy / length);
        float tx = mx + ux * ARROW_LENGTH, ty = my + uy * ARROW_LENGTH;
        glBegin(GL_LINES);
        glVertex2f(mx - ux * ARROW_LENGTH * 0.6f, my - uy * ARROW_LENGTH * 0.6f);
        glVertex2f(tx, ty);
        glEnd();
        glBegin(GL_TRIANGLES); /* the head */
        glVertex2f(tx + ux * 4, ty + uy * 4);
        glVertex2f(tx - ux * 6 - uy * 6, ty - uy * 6 + ux * 6);
        glVertex2f(tx - ux * 6 + uy * 6, ty - uy * 6 - ux * 6);
        glEnd();
    }
    glLineWidth(1.0f);
    draw_ink(box.left + 3, box.bottom + box.height - HUD_LINE_PIXELS + 2, "N");
}

/* ------------------------------------------------------------ all */

void draw_panels(const double scene_modelview[16], const double scene_projection[16])
{
    if (!panels_shown)
        return;
    Projection p;
    for (int i = 0; i < 16; ++i) {
        p.modelview[i] = scene_modelview[i];
        p.projection[i] = scene_projection[i];
    }
    glGetIntegerv(GL_VIEWPORT, p.viewport);
    begin_window_drawing();
    if (!frames.empty()) {
        PixelBox legend = colours_mean_something() ? draw_legend() : draw_red_fixes_note();
        /* In a narrow window the scale and the arrow go above the legend. */
        int beside = legend.left + legend.width + HUD_MARGIN_PIXELS + SCALE_BAR_MOST + 2 * PAD;
        int above =
            beside > window_width - HUD_MARGIN_PIXELS ? legend.height + HUD_MARGIN_PIXELS : 0;
        draw_north_arrow(p, draw_scale_bar(p, above));
    }
    if (info_panel_shown)
        draw_info_panel();
    if (help_panel_shown)
        draw_help_panel();
    end_window_drawing();
}
