/*
 * track_generator.cpp - realistic long tracks for the benchmark.
 *
 * One fix a second along a random walk: legs of walking, cycling and
 * driving speed with a slowly turning heading, and pauses in which the
 * position stands still, as a receiver left on at a stop records them.
 * The start is a random place between 60 S and 70 N.  The altitude climbs
 * and falls by a slowly changing grade, as roads and paths do, and stays
 * between the sea and 3,000 m.  Lines are written in the viewer's track
 * format, with the precision gpsbabel's style writes, or as GPX 1.1 with
 * elevations and times but no speeds, as receivers write it.
 *
 * Entry point: generate_track().
 */
#include "bench_common.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>

static const double METRES_PER_DEGREE = 111320.0;
static const double MPH_PER_METRE_PER_SECOND = 2.2369363;
static const double PI = 3.14159265358979323846;
static const double LATITUDE_TURN_BACK = 80.0; /* the walk turns back before the poles */
static const time_t START_TIME = 1280000000;   /* July 2010, UTC */
static const double MAX_GRADE = 0.12;          /* a steep road */
static const double LOWEST_METRES = 0.0, HIGHEST_METRES = 3000.0;

struct Leg {
    double speed; /* metres a second; 0 for a pause */
    long seconds; /* how long it lasts */
};

/* Next leg: mostly moving at one of three paces, sometimes a pause. */
static Leg next_leg(std::mt19937& random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    double kind = unit(random);
    Leg leg;
    if (kind < 0.15) {
        leg.speed = 0.0;
        leg.seconds = 10 + static_cast<long>(unit(random) * 290);
    } else if (kind < 0.45) {
        leg.speed = 1.0 + unit(random) * 1.0; /* walking */
        leg.seconds = 60 + static_cast<long>(unit(random) * 1200);
    } else if (kind < 0.7) {
        leg.speed = 4.0 + unit(random) * 4.0; /* cycling */
        leg.seconds = 60 + static_cast<long>(unit(random) * 1800);
    } else {
        leg.speed = 10.0 + unit(random) * 22.0; /* driving */
        leg.seconds = 60 + static_cast<long>(unit(random) * 2400);
    }
    return leg;
}

static void write_fix(FILE* out, bool gpx, time_t when, double latitude, double longitude,
                      double speed, double altitude)
{
    tm utc;
    gmtime_r(&when, &utc);
    if (gpx) /* as receivers write it: no speed */
        fprintf(out,
                "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>%.1f</ele>"
                "<time>%04d-%02d-%02dT%02d:%02d:%02dZ</time></trkpt>\n",
                latitude, longitude, altitude, utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                utc.tm_hour, utc.tm_min, utc.tm_sec);
    else
        fprintf(out, "D=%04d-%02d-%02dT%02d:%02d:%02d,P=%.7f %.7f,V=%.3f,A=%.1f\n",
                utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                utc.tm_sec, latitude, longitude, speed * MPH_PER_METRE_PER_SECOND, altitude);
}

/* The next grade: it drifts, no steeper than MAX_GRADE, and turns back
   before the sea or the peaks. */
static double next_grade(double grade, double altitude, std::mt19937& random)
{
    std::normal_distribution<double> drift(0.0, 0.002);
    grade = std::max(-MAX_GRADE, std::min(MAX_GRADE, grade + drift(random)));
    if ((altitude > HIGHEST_METRES && grade > 0) || (altitude < LOWEST_METRES && grade < 0))
        grade = -grade;
    return grade;
}

int generate_track(const char* path, long count, unsigned seed, bool gpx)
{
    FILE* out = fopen(path, "w");
    if (out == nullptr) {
        perror(path);
        return 1;
    }
    if (gpx)
        fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<gpx version=\"1.1\" creator=\"kestrim_bench\" "
              "xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk><trkseg>\n",
              out);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> turn(0.0, 0.05);
    double latitude = -60.0 + unit(random) * 130.0;
    double longitude = -180.0 + unit(random) * 360.0;
    double heading = unit(random) * 2 * PI;
    double altitude = 200.0 + unit(random) * 800.0, grade = 0.0;
    Leg leg = next_leg(random);
    for (long i = 0; i < count; ++i) {
        if (leg.seconds-- <= 0)
            leg = next_leg(random);
        double speed = leg.speed > 0 ? leg.speed * (0.9 + 0.2 * unit(random)) : 0.0;
        heading += turn(random);
        if (fabs(latitude) > LATITUDE_TURN_BACK && cos(heading) * latitude > 0)
            heading += PI;
        latitude += speed * cos(heading) / METRES_PER_DEGREE;
        longitude += speed * sin(heading) / (METRES_PER_DEGREE * cos(latitude * PI / 180));
        if (longitude > 180)
            longitude -= 360;
        if (longitude < -180)
            longitude += 360;
        grade = next_grade(grade, altitude, random);
        altitude += grade * speed;
        write_fix(out, gpx, START_TIME + i, latitude, longitude, speed, altitude);
    }
    if (gpx)
        fputs("</trkseg></trk>\n</gpx>\n", out);
    if (fclose(out) != 0) {
        perror(path);
        return 1;
    }
    return 0;
}
