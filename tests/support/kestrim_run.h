/*
 * kestrim_run.h - starts the real kestrim binary in a window of a private
 * Xvfb display, for the end-to-end tests.
 */
#ifndef KESTRIM_TESTS_KESTRIM_RUN_H
#define KESTRIM_TESTS_KESTRIM_RUN_H

#include "harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

/* A display, the viewer in it and its window. */
struct KestrimRun {
    E2eDisplayGuard display;
    E2eProcessGuard viewer;
    std::string window;
};

/* The start of the last of the load's first messages, the curve lists' sizes. */
extern const char LOAD_DONE[];

/* The start of the last line the load prints: start_kestrim() waits for it. */
extern const char LOAD_END[];

/* The first line of the statistics block the viewer prints after the load. */
extern const char STATISTICS_START[];

/* Generous: the debug build runs under ASan. */
extern const double KESTRIM_START_SECONDS;

/* Starts kestrim with args, behind the command prefix if one is given
   (valgrind, setpriv); true once its window is up, the load has said its
   last line and the statistics block has followed it. */
bool start_kestrim(KestrimRun* run, const std::vector<std::string>& args,
                   double timeout_s = KESTRIM_START_SECONDS,
                   const std::vector<std::string>& prefix = {});

/* A path in the source tree. */
std::string source_path(const std::string& relative);

/* What kestrim wrote on stderr must hold no sanitizer report. */
void expect_no_sanitizer_report(const KestrimRun& run);

/* An NMEA sentence of body: $body*checksum and a line end. */
std::string nmea_sentence(const std::string& body);

/* One fix line of the track format at a moment (UTC seconds since 1970,
   whole), with its line end; no A= field when altitude is NaN. */
std::string track_line(double utc_seconds, double latitude, double longitude, double mph,
                       double altitude);

/* Presses the key in the viewer's window and waits up to timeout_s for the
   viewer to print said after it (said empty: no wait). */
bool key_said(KestrimRun* run, const std::string& keysym, const std::string& said,
              double timeout_s = 10.0);

#endif
