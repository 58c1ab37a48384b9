/*
 * geodesy.cpp - WGS 84 geodetic to Earth-centred Cartesian conversion.
 *
 * Entry points: geodetic_to_ecef().
 */
#include "geodesy.h"

#include <GeographicLib/Geocentric.hpp>

void geodetic_to_ecef(double latitude, double longitude, double height, double* x, double* y,
                      double* z)
{
    GeographicLib::Geocentric::WGS84().Forward(latitude, longitude, height, *x, *y, *z);
}
