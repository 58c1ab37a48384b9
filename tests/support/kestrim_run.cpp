/*
 * kestrim_run.cpp - starting kestrim under Xvfb for end-to-end tests.
 */
#include "kestrim_run.h"

#include <cmath>
#include <cstdio>
#include <ctime>

const char LOAD_DONE[] = "BesselFrames size = ";
const char LOAD_END[] = "heights: ";
const char STATISTICS_START[] = "fixes: ";
const double KESTRIM_START_SECONDS = 30.0;

std::string source_path(const std::string& relative)
{
    return std::string(KESTRIM_SOURCE_DIR) + "/" + relative;
}

bool start_kestrim(KestrimRun* run, const std::vector<std::string>& args, double timeout_s,
                   const std::vector<std::string>& prefix)
{
    if (!e2e_start_display(&run->display.d))
        return false;
    std::vector<std::string> argv = prefix;
    argv.push_back(KESTRIM_BINARY);
    argv.insert(argv.end(), args.begin(), args.end());
    if (!e2e_spawn(run->display.d, argv, &run->viewer.p))
        return false;
    /* The transcript first: it ends at once if the viewer dies, while the
       window of a long load may take a while. */
    if (!e2e_wait_output(&run->viewer.p, LOAD_END, timeout_s))
        return false;
    run->window = e2e_find_window(run->display.d, "Trevan", timeout_s);
    if (run->window.empty())
        return false;
    /* The rest of that line, and the statistics block, which is printed
       at once, in one write. */
    std::string block = std::string("\n") + STATISTICS_START;
    size_t at = run->viewer.p.out.find(LOAD_END);
    if (!e2e_wait_new_output(&run->viewer.p, at, block, timeout_s))
        return false;
    at = run->viewer.p.out.find(block, at);
    return e2e_wait_new_output(&run->viewer.p, at, "\nstart: ", timeout_s);
}

void expect_no_sanitizer_report(const KestrimRun& run)
{
    std::string err = e2e_stderr(run.viewer.p);
    EXPECT_EQ(err.find("AddressSanitizer"), std::string::npos) << err;
    EXPECT_EQ(err.find("runtime error:"), std::string::npos) << err;
    EXPECT_EQ(err.find("LeakSanitizer"), std::string::npos) << err;
}

std::string nmea_sentence(const std::string& body)
{
    unsigned sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    char checksum[8];
    snprintf(checksum, sizeof checksum, "*%02X\n", sum);
    return "$" + body + checksum;
}

std::string track_line(double utc_seconds, double latitude, double longitude, double mph,
                       double altitude)
{
    time_t when = static_cast<time_t>(utc_seconds);
    tm utc;
    gmtime_r(&when, &utc);
    char line[192];
    int n = snprintf(line, sizeof line, "D=%04d-%02d-%02dT%02d:%02d:%02d,P=%.7f %.7f,V=%.3f",
                     utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                     utc.tm_sec, latitude, longitude, mph);
    if (!std::isnan(altitude))
        snprintf(line + n, sizeof line - n, ",A=%.1f", altitude);
    return std::string(line) + "\n";
}

bool key_said(KestrimRun* run, const std::string& keysym, const std::string& said, double timeout_s)
{
    size_t before = run->viewer.p.out.size();
    if (!e2e_key(run->display.d, run->window, keysym))
        return false;
    return said.empty() || e2e_wait_new_output(&run->viewer.p, before, said, timeout_s);
}
