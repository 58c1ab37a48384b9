/*
 * geodesy.cpp - WGS 84 conversion with GeographicLib, the EGM96 geoid with
 * PROJ.
 *
 * The geoid grid is the one Debian's proj-data ships (egm96_15.gtx, a
 * 15-minute grid that PROJ interpolates bilinearly).  It is opened on
 * first use; a PROJ pipeline of one vertical grid shift gives the
 * undulation at about 80 ns a point.
 *
 * Distances between fixes are geodesics on the ellipsoid, as PROJ's geod
 * gives them (GeographicLib's algorithm, good to nanometres).
 *
 * Entry points: geodetic_to_ecef(), geodesic_distance(), geoid_undulation(),
 * geoid_grid_found().
 */
#include "geodesy.h"

#include "load_progress.h"

#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/Geodesic.hpp>
#include <proj.h>

#include <cmath>
#include <cstdio>

const char GEOID_NAME[] = "EGM96";

static const char GEOID_GRID[] = "egm96_15.gtx";
static const double RADIANS_PER_DEGREE = M_PI / 180.0;

static PJ_CONTEXT* geoid_context = nullptr; /* opened on first use */
static PJ* geoid_shift = nullptr;           /* orthometric to ellipsoidal heights */
static bool geoid_looked_for = false;

void geodetic_to_ecef(double latitude, double longitude, double height, double* x, double* y,
                      double* z)
{
    GeographicLib::Geocentric::WGS84().Forward(latitude, longitude, height, *x, *y, *z);
}

double geodesic_distance(double latitude1, double longitude1, double latitude2, double longitude2)
{
    double metres = 0.0;
    GeographicLib::Geodesic::WGS84().Inverse(latitude1, longitude1, latitude2, longitude2, metres);
    return metres;
}

static void find_geoid_grid()
{
    geoid_looked_for = true;
    geoid_context = proj_context_create();
    proj_log_level(geoid_context, PJ_LOG_NONE); /* the one line below says it */
    char definition[96];
    snprintf(definition, sizeof definition, "+proj=vgridshift +grids=%s +multiplier=1", GEOID_GRID);
    geoid_shift = proj_create(geoid_context, definition);
    if (geoid_shift == nullptr) {
        before_load_message();
        printf("geoid grid %s not found (Debian package proj-data): altitudes are taken as "
               "heights above the ellipsoid\n",
               GEOID_GRID);
        fflush(stdout);
    }
}

bool geoid_grid_found()
{
    if (!geoid_looked_for)
        find_geoid_grid();
    return geoid_shift != nullptr;
}

double geoid_undulation(double latitude, double longitude)
{
    if (!geoid_grid_found())
        return 0.0;
    PJ_COORD place =
        proj_coord(longitude * RADIANS_PER_DEGREE, latitude * RADIANS_PER_DEGREE, 0, 0);
    PJ_COORD shifted = proj_trans(geoid_shift, PJ_FWD, place);
    double undulation = shifted.xyz.z;
    return std::isfinite(undulation) && fabs(undulation) < 1000 ? undulation : 0.0;
}
