/*
 * first_picture.cpp - the benchmark's "first picture after X s" line.
 *
 * Entry points: see first_picture.h.
 */
#include "first_picture.h"

#include "../track/clock.h"

#include <cstdio>
#include <cstdlib>

static bool picture_noted = false; /* the first swap has been seen */

void note_picture_shown()
{
    if (picture_noted)
        return;
    picture_noted = true;
    const char* start = getenv(FIRST_PICTURE_VARIABLE);
    if (start == nullptr || *start == '\0')
        return;
    char* end = nullptr;
    double from = strtod(start, &end);
    if (end == start || *end != '\0')
        return;
    printf("first picture after %.6f s\n", monotonic_seconds() - from);
    fflush(stdout);
}
