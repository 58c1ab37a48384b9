/*
 * geodesy.h - geodetic to Earth-centred coordinates on WGS 84, and the
 * height of the geoid above the ellipsoid.
 *
 * The one place that knows which geodesy libraries do the work:
 * GeographicLib converts, PROJ reads the EGM96 geoid grid.
 *
 * Entry points: geodetic_to_ecef(), geodesic_distance(), geoid_undulation(),
 * geoid_grid_found(), GEOID_NAME.
 */
#ifndef KESTRIM_GEODESY_H
#define KESTRIM_GEODESY_H

/* The geoid whose heights GPS altitudes are measured from. */
extern const char GEOID_NAME[];

/* Latitude and longitude in degrees, height above the ellipsoid in metres,
   to X, Y, Z in metres. */
void geodetic_to_ecef(double latitude, double longitude, double height, double* x, double* y,
                      double* z);

/* The length in metres of the shortest path on the WGS 84 ellipsoid between
   two places given by latitude and longitude in degrees. */
double geodesic_distance(double latitude1, double longitude1, double latitude2, double longitude2);

/* The geoid's height above the WGS 84 ellipsoid at a place, in metres:
   add it to an altitude above mean sea level to get the height above the
   ellipsoid.  0 where the grid cannot be found; that is said once. */
double geoid_undulation(double latitude, double longitude);

/* True once the geoid grid has been found; looks for it on first call. */
bool geoid_grid_found();

#endif
