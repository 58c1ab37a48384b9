/*
 * test_geodesy.cpp - Earth-centred coordinates against an independent
 * source.  The reference values come from PROJ, at height 1 m:
 *   echo "LON LAT 1" | cs2cs +proj=longlat +datum=WGS84 +to +proj=geocent +datum=WGS84 -f %.6f
 */
#include "track/geodesy.h"

#include <gtest/gtest.h>

namespace {

struct GeocentricCase {
    const char* place;
    double latitude, longitude;
    double x, y, z;
};

const double MILLIMETRE = 0.001;

TEST(GeodeticToEcef, MatchesProjToAMillimetre)
{
    const GeocentricCase cases[] = {
        {"Cerknica, Slovenia", 45.75, 14.25, 4321090.258902, 1097417.123259, 4545902.086406},
        {"Central Park, New York", 40.78125, -73.96875, 1335653.958004, -4648408.728444,
         4144059.632037},
        {"Melbourne, Australia", -37.71875, 144.9375, -4134856.155659, 2901984.439397,
         -3880798.168099},
        {"equator, prime meridian", 0.0, 0.0, 6378138.000000, 0.0, 0.0},
        {"north pole", 90.0, 0.0, 0.0, 0.0, 6356753.314245},
        {"south pole", -90.0, 0.0, 0.0, 0.0, -6356753.314245},
        {"antimeridian east", 0.0, 180.0, -6378138.000000, 0.0, 0.0},
        {"antimeridian west", 0.0, -180.0, -6378138.000000, 0.0, 0.0},
        {"equator, 90 east", 0.0, 90.0, 0.0, 6378138.000000, 0.0},
        {"Southern Ocean", -60.25, -45.5, 2223952.047037, -2263110.044680, -5514352.132856},
        {"near the north pole", 89.5, 100.125, -9817.567454, 54976.557179, 6356509.637385},
    };
    for (const GeocentricCase& c : cases) {
        double x, y, z;
        geodetic_to_ecef(c.latitude, c.longitude, 1.0, &x, &y, &z);
        EXPECT_NEAR(x, c.x, MILLIMETRE) << c.place;
        EXPECT_NEAR(y, c.y, MILLIMETRE) << c.place;
        EXPECT_NEAR(z, c.z, MILLIMETRE) << c.place;
    }
}

} // namespace
