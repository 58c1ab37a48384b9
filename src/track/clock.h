/*
 * clock.h - the one monotonic clock of the program, its benchmark and its
 * tests.
 *
 * Entry points: monotonic_seconds().
 */
#ifndef KESTRIM_CLOCK_H
#define KESTRIM_CLOCK_H

/* Seconds from a clock that never goes back; only differences mean anything. */
double monotonic_seconds();

#endif
