/*
 * test_track_in_view.cpp - every track, of any size and anywhere on Earth,
 * is wholly in the window at start, in perspective and orthographic
 * projection: real recorded tracks and synthetic ones of 50 m, 2 km and
 * 40 km at places whose display centres lie near 0, 10 and 17 units from
 * the origin.
 */
#include "support/viewer_fixture.h"

#include "track/geodesy.h"
#include "track/load.h"
#include "view/display.h"
#include "view/viewer_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int SIZE = 600;

struct Picture {
    int drawn = 0;   /* pixels that are not white */
    int on_edge = 0; /* of those, on the window's outermost rows and columns */
};

Picture look_at_window()
{
    /* The window is never mapped (no main loop runs), so its front buffer
       holds nothing; Mesa's software swap copies and keeps the back buffer. */
    std::vector<unsigned char> px = read_pixels(GL_BACK, SIZE, SIZE);
    Picture picture;
    for (int y = 0; y < SIZE; ++y)
        for (int x = 0; x < SIZE; ++x) {
            const unsigned char* p = &px[(static_cast<size_t>(y) * SIZE + x) * 3];
            if (p[0] == 255 && p[1] == 255 && p[2] == 255)
                continue;
            ++picture.drawn;
            if (x == 0 || y == 0 || x == SIZE - 1 || y == SIZE - 1)
                ++picture.on_edge;
        }
    return picture;
}

/* Loads the track file and checks the start picture in both projections. */
void expect_in_view(const std::string& path, const std::string& name)
{
    start_viewer_window(SIZE);
    testing::internal::CaptureStdout();
    load_track(path.c_str());
    testing::internal::GetCapturedStdout();
    ASSERT_GT(frames.size(), 1u) << name;
    double centre_distance =
        std::sqrt(centre_x * centre_x + centre_y * centre_y + centre_z * centre_z);
    for (bool perspective : {true, false}) {
        init_viewer_state();
        perspective_on = perspective;
        reshape(SIZE, SIZE);
        display();
        Picture picture = look_at_window();
        const char* projection = perspective ? "perspective" : "orthographic";
        EXPECT_GT(picture.drawn, 20)
            << name << ", " << projection << ", |centre| " << centre_distance;
        EXPECT_EQ(picture.on_edge, 0)
            << name << ", " << projection << ", |centre| " << centre_distance;
    }
    printf("%s: %zu frames, |centre| %.2f, view_range %.3f\n", name.c_str(), frames.size(),
           centre_distance, view_range);
}

std::string shared_tracks_dir()
{
    return std::string(KESTRIM_SOURCE_DIR) + "/../shared/data/tracks";
}

TEST(TrackInView, EveryRealTrack)
{
    const char* names[] = {"walk-short", "drive-medium", "ride-melbourne-south",
                           "ride-newyork-west"};
    std::string style = std::string(KESTRIM_SOURCE_DIR) + "/data/kestrim.style";
    for (const char* name : names) {
        std::string gpx = shared_tracks_dir() + "/" + name + ".gpx";
        if (access(gpx.c_str(), R_OK) != 0)
            GTEST_SKIP() << "the shared recorded tracks are not beside this checkout";
        std::string track = write_temp_file("");
        std::string err;
        ASSERT_TRUE(e2e_run(nullptr,
                            {"gpsbabel", "-t", "-i", "gpx", "-f", gpx, "-x", "track,speed", "-o",
                             "xcsv,style=" + style, "-F", track},
                            60, nullptr, &err))
            << err;
        expect_in_view(track, name);
        remove(track.c_str());
    }
}

double remainder_km(double metres)
{
    return scale_coordinate(metres);
}

/* A place near (base_lat, base_lon) whose three display remainders are all
   about `target` kilometres in magnitude. */
void find_place(double target, double base_lat, double base_lon, double* lat, double* lon)
{
    double best = 1e9;
    for (double la = base_lat; la < base_lat + 4; la += 0.005)
        for (double lo = base_lon; lo < base_lon + 4; lo += 0.005) {
            double x, y, z;
            geodetic_to_ecef(la, lo, 1.0, &x, &y, &z);
            double miss = std::fabs(std::fabs(remainder_km(x)) - target) +
                          std::fabs(std::fabs(remainder_km(y)) - target) +
                          std::fabs(std::fabs(remainder_km(z)) - target);
            if (miss < best) {
                best = miss;
                *lat = la;
                *lon = lo;
            }
        }
}

/* A loop of `diameter_km` starting at (lat, lon), with a wiggle so that it is not flat. */
std::string loop_track(double lat, double lon, double diameter_km)
{
    const int FIXES = 240;
    std::string text;
    double radius_deg = diameter_km / 2 / 111.2;
    for (int i = 0; i < FIXES; ++i) {
        double a = 2 * M_PI * i / FIXES;
        double wiggle = 1 + 0.2 * std::sin(5 * a);
        double la = lat + radius_deg * wiggle * (1 - std::cos(a));
        double lo = lon + radius_deg * wiggle * std::sin(a) / std::cos(lat * M_PI / 180);
        char line[128];
        snprintf(line, sizeof line, "D=2024-06-01T10:%02d:%02d,P=%.7f %.7f,V=%.2f\n", i / 60 % 60,
                 i % 60, la, lo, 3.0 + i % 17);
        text += line;
    }
    return text;
}

TEST(TrackInView, SyntheticTracksOfEverySizeAtPlacesNearAndFarFromTheOrigin)
{
    /* Remainders near 0, near 5.8 (|centre| about 10) and near 9.8 (about 17). */
    const struct {
        double remainder;
        double base_lat, base_lon;
    } places[] = {{0.2, 45.0, 10.0}, {5.8, -38.0, 140.0}, {9.8, 40.0, -75.0}};
    for (const auto& place : places) {
        double lat = 0, lon = 0;
        find_place(place.remainder, place.base_lat, place.base_lon, &lat, &lon);
        for (double diameter_km : {0.05, 2.0, 40.0}) {
            std::string path = write_temp_file(loop_track(lat, lon, diameter_km));
            char name[96];
            snprintf(name, sizeof name, "%.2f km loop at %.3f %.3f", diameter_km, lat, lon);
            expect_in_view(path, name);
            remove(path.c_str());
        }
    }
}

} // namespace
