/*
 * test_level_of_detail.cpp - the picture the levels of detail draw at rest
 * against the one every point draws (--no-lod), in the real viewer's
 * --screenshot: on the recorded tracks, the sample and a generated track
 * of a million fixes, with the panels off so that only the track is judged.
 */
#include "support/kestrim_run.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

const double RUN_SECONDS = 240.0; /* a million fixes under ASan */
const double MOST_DIFFERING_SHARE = 0.01;

/* A random walk of count fixes a second apart, at walking, cycling and
   driving paces with pauses, as a year of logging records them. */
bool write_walk(const std::string& path, long count)
{
    FILE* out = fopen(path.c_str(), "w");
    if (out == nullptr)
        return false;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0, 1);
    double lat = 47.3, lon = 8.5, heading = 0, speed = 5, altitude = 400;
    for (long i = 0; i < count; ++i) {
        if (i % 600 == 0) /* a new leg every ten minutes */
            speed = unit(random) < 0.2 ? 0 : 1 + unit(random) * 25;
        heading += (unit(random) - 0.5) * 0.1;
        lat += speed * cos(heading) / 111200;
        lon += speed * sin(heading) / (111200 * cos(lat * M_PI / 180));
        altitude += (unit(random) - 0.5) * 0.5;
        fputs(track_line(1300000000.0 + i, lat, lon, speed * 2.2369, altitude).c_str(), out);
    }
    return fclose(out) == 0;
}

/* The start view of track, after keys, as the viewer draws it. */
bool picture_of(const std::string& track, const std::string& keys, bool every_point,
                const std::string& png, E2eImage* picture, std::string* said)
{
    std::vector<std::string> argv = {"env",          "-u", "DISPLAY", KESTRIM_BINARY,
                                     "--screenshot", png,  "--keys",  keys};
    if (every_point)
        argv.push_back("--no-lod");
    argv.push_back(track);
    return e2e_run(nullptr, argv, RUN_SECONDS, said) && e2e_read_png(png, picture);
}

int coloured_pixels(const E2eImage& picture)
{
    return e2e_count_pixels(picture,
                            [](const E2eRgb& p) { return p.r != 255 || p.g != 255 || p.b != 255; });
}

/* The share of the track's pixels that differ between the two pictures. */
void expect_alike(const std::string& track, const std::string& keys, const std::string& label,
                  const std::string& dir)
{
    E2eImage thinned, whole;
    std::string said;
    ASSERT_TRUE(picture_of(track, keys, false, dir + "/lod.png", &thinned, &said)) << label << said;
    ASSERT_TRUE(picture_of(track, keys, true, dir + "/all.png", &whole, &said)) << label << said;
    int coloured = coloured_pixels(whole);
    ASSERT_GT(coloured, 50) << label << ": the track is drawn";
    int differing = e2e_pixels_differing(thinned, whole);
    EXPECT_LE(differing, MOST_DIFFERING_SHARE * coloured)
        << label << " (" << keys << "): " << differing << " of " << coloured << " pixels differ";
}

TEST(LevelOfDetail, AtRestTheRecordedTracksLookAsWithEveryPoint)
{
    E2eTempDir dir("kestrim-lod");
    expect_alike(source_path("data/walk-short.track"), "o", "the sample", dir.path);
    const char* names[] = {"walk-short", "drive-medium", "ride-melbourne-south",
                           "ride-newyork-west"};
    for (const char* name : names) {
        std::string gpx = source_path(std::string("../shared/data/tracks/") + name + ".gpx");
        if (access(gpx.c_str(), R_OK) != 0)
            GTEST_SKIP() << "the shared recorded tracks are not beside this checkout";
        expect_alike(gpx, "o", name, dir.path);
        expect_alike(gpx, "o b 2", name, dir.path);
    }
}

TEST(LevelOfDetail, AtRestAMillionFixesLookAsWithEveryPoint)
{
    E2eTempDir dir("kestrim-lod-million");
    std::string track = dir.path + "/million.track";
    ASSERT_TRUE(write_walk(track, 1000000));
    expect_alike(track, "o", "a million fixes", dir.path);
    expect_alike(track, "o PgUp PgUp PgUp PgUp PgUp PgUp", "a million fixes zoomed in", dir.path);
}

} // namespace
