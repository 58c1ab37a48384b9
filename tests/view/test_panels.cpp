/*
 * test_panels.cpp - what is drawn over the track, found by colour in a
 * real window: the frames per second for every track and window shape,
 * moved by the orbit; the legend and its numbers; the scale bar; the north
 * arrow, which points where north is and turns with the trackball; the
 * colourings of k; and the statistics and help panels.
 */
#include "support/viewer_fixture.h"

#include "curves/colouring.h"
#include "curves/curve_controls.h"
#include "track/load.h"
#include "view/input.h"
#include "view/panels.h"

#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int SIZE = 600;

/* A straight 3 km line to the north-east of (lat, lon), a fix every 10
   seconds, its speed and altitude growing, so that every colouring has a
   range to show. */
void load_line_at(double lat, double lon)
{
    load_track_text(SIZE, straight_track(lat, lon, 3000, 45, 61, 10, 2.0, 0.5, 100.0, 5.0));
    init_viewer_state();
    curves_shown = false;
    colouring = COLOURING_SPACING;
    threshold = 10.0f;
    info_panel_shown = help_panel_shown = false;
}

struct Region {
    int left, bottom, width, height;
};

/* The picture of the window as drawn now, bottom row first. */
struct Picture {
    int width, height;
    std::vector<unsigned char> px;

    const unsigned char* at(int x, int y) const
    {
        return &px[(static_cast<size_t>(y) * width + x) * 3];
    }
};

Picture draw(int width = SIZE, int height = SIZE)
{
    reshape(width, height);
    display();
    return {width, height, read_pixels(GL_BACK, width, height)};
}

bool is_black(const unsigned char* p)
{
    return p[0] < 60 && p[1] < 60 && p[2] < 60;
}

bool is_arrow_blue(const unsigned char* p)
{
    return std::abs(p[0] - 26) < 20 && std::abs(p[1] - 77) < 20 && std::abs(p[2] - 153) < 20;
}

/* Saturated and not grey: a colour of the bands. */
bool is_band_colour(const unsigned char* p)
{
    int high = std::max(p[0], std::max(p[1], p[2])), low = std::min(p[0], std::min(p[1], p[2]));
    return high > 200 && low < 60;
}

template <class Test>
int count_in(const Picture& picture, Region r, Test test)
{
    int count = 0;
    for (int y = r.bottom; y < r.bottom + r.height && y < picture.height; ++y)
        for (int x = r.left; x < r.left + r.width && x < picture.width; ++x)
            if (x >= 0 && y >= 0 && test(picture.at(x, y)))
                ++count;
    return count;
}

/* The mean place of the pixels that pass test, in r. */
template <class Test>
bool centroid_in(const Picture& picture, Region r, Test test, double* cx, double* cy)
{
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = r.bottom; y < r.bottom + r.height; ++y)
        for (int x = r.left; x < r.left + r.width; ++x)
            if (test(picture.at(x, y))) {
                sx += x;
                sy += y;
                ++n;
            }
    if (n == 0)
        return false;
    *cx = sx / n;
    *cy = sy / n;
    return true;
}

std::string region_bytes(const Picture& picture, Region r)
{
    std::string bytes;
    for (int y = r.bottom; y < r.bottom + r.height; ++y)
        bytes.append(reinterpret_cast<const char*>(picture.at(r.left, y)), r.width * 3);
    return bytes;
}

int edge_pixels(const Picture& picture)
{
    int count = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if ((x == 0 || y == 0 || x == picture.width - 1 || y == picture.height - 1) &&
                !(picture.at(x, y)[0] == 255 && picture.at(x, y)[1] == 255 &&
                  picture.at(x, y)[2] == 255))
                ++count;
    return count;
}

const char FPS[] = "Current Frames Per Second: 42";

TEST(Panels, TheFramesPerSecondAreReadableTopLeftForEveryPlaceAndWindowShape)
{
    const double places[][2] = {{45.77, 14.36}, {-37.85, 144.97}, {40.78, -73.97},
                                {0.5, 0.5},     {64.1, -21.9},    {-54.8, -68.3}};
    const int shapes[][2] = {{600, 600}, {600, 300}, {300, 600}, {420, 200}};
    for (const auto& place : places) {
        load_line_at(place[0], place[1]);
        for (const auto& shape : shapes) {
            snprintf(overlay_text, sizeof overlay_text, "%s", FPS);
            Picture picture = draw(shape[0], shape[1]);
            int w = shape[0], h = shape[1];
            /* The text: black on its backing in the upper half (along the
               top where the window is not taller than wide), on the left. */
            int top = w >= h ? 40 : h / 2;
            int ink = count_in(picture, {0, h - top, std::min(w, 300), top}, is_black);
            EXPECT_GT(ink, 150) << place[0] << " " << place[1] << ", " << w << "x" << h;
            EXPECT_EQ(edge_pixels(picture), 0) << "not cut by the edge: " << w << "x" << h;
        }
    }
    overlay_text[0] = '\0';
    Picture none = draw();
    EXPECT_EQ(count_in(none, {0, SIZE - 40, 280, 40}, is_black), 0)
        << "nothing before the first report";
}

TEST(Panels, TheOrbitMovesTheFramesPerSecond)
{
    load_line_at(45.77, 14.36);
    snprintf(overlay_text, sizeof overlay_text, "%s", FPS);
    auto text_place = [](double* x, double* y) {
        Picture picture = draw();
        return centroid_in(picture, {0, SIZE / 2, SIZE, SIZE / 2}, is_black, x, y);
    };
    double x0, y0, x1, y1;
    ASSERT_TRUE(text_place(&x0, &y0));
    /* Drag in the orbit mode, as the left button does at start. */
    view_mode = MODE_ORBIT;
    bool moved = false;
    for (int step = 1; step <= 12 && !moved; ++step) {
        press_x = 300;
        press_y = 300;
        cur_x = 300 + 40;
        cur_y = 300;
        left_button_down = false;
        left_button_up = false;
        ASSERT_TRUE(text_place(&x1, &y1));
        moved = std::abs(x1 - x0) + std::abs(y1 - y0) > 20;
    }
    EXPECT_TRUE(moved) << "the orbit left the text where it was";
    overlay_text[0] = '\0';
}

const Region LEGEND = {0, 0, 300, 80};

TEST(Panels, TheLegendShowsTheBandsOfTheCurvesAndItsNumbersFollowTheThreshold)
{
    load_line_at(45.77, 14.36);
    overlay_text[0] = '\0';
    EXPECT_EQ(count_in(draw(), LEGEND, is_band_colour), 0) << "red raw fixes: no scale";
    keyboard('b', 0, 0);
    Picture at_10 = draw();
    EXPECT_GT(count_in(at_10, LEGEND, is_band_colour), 1000) << "the colour bar";
    keyboard('+', 0, 0);
    Picture at_11 = draw();
    Region numbers = {0, 0, 300, 22};
    EXPECT_NE(region_bytes(at_10, numbers), region_bytes(at_11, numbers));
    keyboard('-', 0, 0);
    EXPECT_EQ(region_bytes(draw(), numbers), region_bytes(at_10, numbers));
}

TEST(Panels, KColoursThePointsBySpeedRecordedSpeedAndHeight)
{
    load_line_at(45.77, 14.36);
    overlay_text[0] = '\0';
    Region track = {100, 100, 400, 400};
    auto pure_red = [](const unsigned char* p) { return p[0] > 200 && p[1] < 40 && p[2] < 40; };
    Picture spacing = draw();
    int red = count_in(spacing, track, pure_red);
    ASSERT_GT(red, 50) << "the raw fixes in red";
    std::vector<std::string> pictures = {region_bytes(spacing, track)};
    testing::internal::CaptureStdout();
    for (int i = 0; i < 3; ++i) {
        keyboard('k', 0, 0);
        Picture p = draw();
        EXPECT_LT(count_in(p, track, pure_red), red / 2) << "coloured by value, " << colouring;
        for (const std::string& before : pictures)
            EXPECT_NE(region_bytes(p, track), before) << "colouring " << colouring;
        pictures.push_back(region_bytes(p, track));
    }
    keyboard('k', 0, 0);
    std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(said, "colouring: speed\ncolouring: recorded speed\ncolouring: height\n"
                    "colouring: spacing\n");
    EXPECT_EQ(region_bytes(draw(), track), pictures[0]) << "back to the start";
}

const Region SCALE_BAR = {SIZE - 200, 0, 200, 45};

/* The length of the black bar of the scale, in pixels. */
int scale_bar_pixels(const Picture& picture)
{
    int longest = 0;
    for (int y = 8; y < 30; ++y) {
        int run = 0;
        for (int x = SCALE_BAR.left; x < SIZE; ++x) {
            run = is_black(picture.at(x, y)) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

/* The longest distance between two red pixels of the picture. */
double red_extent(const Picture& picture)
{
    std::vector<std::pair<int, int>> red;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const unsigned char* p = picture.at(x, y);
            if (p[0] > 200 && p[1] < 40 && p[2] < 40)
                red.push_back({x, y});
        }
    double longest = 0;
    for (size_t i = 0; i < red.size(); ++i)
        for (size_t j = i + 1; j < red.size(); ++j)
            longest = std::max(
                longest, std::hypot(red[i].first - red[j].first, red[i].second - red[j].second));
    return longest;
}

TEST(Panels, TheScaleBarIsARoundLengthAtTheTracksScaleAndFollowsIt)
{
    load_line_at(45.77, 14.36);
    overlay_text[0] = '\0';
    Picture start = draw();
    int at_start = scale_bar_pixels(start);
    EXPECT_GT(at_start, 20);
    EXPECT_LE(at_start, 120);
    /* The 3 km line lies square to the line of sight: its length on the
       screen gives the pixels a metre, and the bar at that rate must be a
       round length. */
    double line_pixels = red_extent(start);
    double bar_metres = at_start / (line_pixels / 3000.0);
    double round = std::pow(10.0, std::floor(std::log10(bar_metres * 1.05)));
    double step = bar_metres / round;
    EXPECT_TRUE(std::abs(step - 1) < 0.06 || std::abs(step - 2) < 0.12 || std::abs(step - 5) < 0.3)
        << "a bar of " << bar_metres << " m: " << at_start << " px, the line " << line_pixels;
    /* The whole 3 km line spans less than the window: the bar is shorter
       than it, in the same proportion as their lengths. */
    scale_factor = 2.0f;
    int doubled = scale_bar_pixels(draw());
    EXPECT_GT(doubled, 20);
    /* Twice the pixels a metre: either the same round length at twice the
       pixels, or a round length that is 2/5 or 1/2 of it. */
    double ratio = static_cast<double>(doubled) / at_start;
    bool same_length = std::abs(ratio - 2.0) < 0.1;
    bool shorter_length = std::abs(ratio - 1.0) < 0.1 || std::abs(ratio - 0.8) < 0.1;
    EXPECT_TRUE(same_length || shorter_length) << at_start << " -> " << doubled;
}

/* The square of the north arrow, above the scale bar. */
const Region ARROW = {SIZE - 64, 49, 64, 56};

bool is_white(const unsigned char* p)
{
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

/* The arrow's direction, in degrees counter-clockwise from the window's
   right: from the middle of its square toward the mean of its pixels,
   which its head pulls forward. */
bool arrow_angle(const Picture& picture, double* degrees)
{
    int left = SIZE, right = -1, bottom = SIZE, top = -1;
    for (int y = ARROW.bottom; y < ARROW.bottom + ARROW.height; ++y)
        for (int x = ARROW.left; x < ARROW.left + ARROW.width; ++x)
            if (!is_white(picture.at(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                bottom = std::min(bottom, y);
                top = std::max(top, y);
            }
    double cx, cy;
    if (right < 0 || !centroid_in(picture, ARROW, is_arrow_blue, &cx, &cy))
        return false;
    *degrees = atan2(cy - (bottom + top + 1) / 2.0, cx - (left + right + 1) / 2.0) * 180 / M_PI;
    return true;
}

double angle_between(double a, double b)
{
    double d = std::fmod(std::abs(a - b), 360.0);
    return d > 180 ? 360 - d : d;
}

TEST(Panels, TheNorthArrowPointsNorthAndTurnsWithTheTrackball)
{
    /* On the equator the camera looks along the Earth's radius with the
       y axis up: at longitude 0 north (+z) is to the left, at 180 to the
       right. */
    const struct {
        double lon, degrees;
    } places[] = {{0.5, 180.0}, {179.5, 0.0}};
    for (const auto& place : places) {
        load_line_at(0.0, place.lon);
        overlay_text[0] = '\0';
        double angle;
        ASSERT_TRUE(arrow_angle(draw(), &angle)) << place.lon;
        EXPECT_LT(angle_between(angle, place.degrees), 15) << place.lon << ": " << angle;
    }
    load_line_at(45.77, 14.36);
    double before, after;
    ASSERT_TRUE(arrow_angle(draw(), &before));
    /* A quarter turn of the model about the line of sight turns the
       picture, and north with it, by a quarter. */
    double eye[3];
    camera_eye(centre_x, centre_y, centre_z, eye);
    double sight[3] = {eye[0] - centre_x, eye[1] - centre_y, eye[2] - centre_z};
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRotated(90, sight[0], sight[1], sight[2]);
    glGetFloatv(GL_MODELVIEW_MATRIX, model_matrix);
    glPopMatrix();
    ASSERT_TRUE(arrow_angle(draw(), &after));
    EXPECT_LT(angle_between(angle_between(after, before), 90), 15) << before << " -> " << after;
    for (int i = 0; i < 16; ++i)
        model_matrix[i] = i % 5 == 0 ? 1.0f : 0.0f;
}

TEST(Panels, IAndF1ShowAndHideTheirPanels)
{
    load_line_at(45.77, 14.36);
    overlay_text[0] = '\0';
    Region top_right = {SIZE - 250, SIZE - 150, 250, 150};
    Region top_middle = {150, SIZE - 200, 300, 200};
    Picture plain = draw();
    keyboard('i', 0, 0);
    Picture info = draw();
    EXPECT_GT(count_in(info, top_right, is_black), count_in(plain, top_right, is_black) + 200);
    keyboard('i', 0, 0);
    special_key(GLUT_KEY_F1, 0, 0);
    Picture help = draw();
    EXPECT_GT(count_in(help, top_middle, is_black), count_in(plain, top_middle, is_black) + 500);
    special_key(GLUT_KEY_F1, 0, 0);
    EXPECT_EQ(region_bytes(draw(), top_middle), region_bytes(plain, top_middle));
}

} // namespace
