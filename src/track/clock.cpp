/*
 * clock.cpp - seconds from CLOCK_MONOTONIC.
 *
 * Entry points: monotonic_seconds().
 */
#include "clock.h"

#include <ctime>

double monotonic_seconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
