/*
 * geodesy.h - geodetic to Earth-centred coordinates on WGS 84.
 *
 * The one place that knows which geodesy library converts.
 *
 * Entry points: geodetic_to_ecef().
 */
#ifndef KESTRIM_GEODESY_H
#define KESTRIM_GEODESY_H

/* Latitude and longitude in degrees, height in metres, to X, Y, Z in metres. */
void geodetic_to_ecef(double latitude, double longitude, double height, double* x, double* y,
                      double* z);

#endif
