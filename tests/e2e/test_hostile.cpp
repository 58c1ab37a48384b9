/*
 * test_hostile.cpp - hostile track files and paths given to the real kestrim
 * in a real window under Xvfb: empty, degenerate, huge, random and malformed
 * files, impossible places, numbers and dates, and paths that cannot be read.
 * Whatever it is given, the viewer must start, report exactly what it kept
 * and skipped, draw a sane picture, keep answering keys and quit cleanly.
 */
#include "support/kestrim_run.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace std::string_literals; /* "..."s keeps embedded NUL bytes */

namespace {

const double START_SECONDS = KESTRIM_START_SECONDS;
const double BIG_START_SECONDS = 120.0; /* a million fixes under ASan */
const double SETTLE_SECONDS = 0.6;      /* the display cycle runs continuously */
const double EXIT_SECONDS = 30.0;

/* ------------------------------------------------------------ expectations */

/* Why a fix line was skipped: it does not match, or the field named is no
   finite number, or the latitude lies beyond a pole. */
enum Skip { DOES_NOT_MATCH, NO_SECONDS, NO_LATITUDE, NO_LONGITUDE, NO_SPEED, BEYOND_POLE };

/* After this many, the reader only counts the lines it skips. */
const size_t MAX_REPORTED_LINES = 20;

struct Diagnostic {
    int line;
    Skip kind;
};

struct Expected {
    int kept = 0;                      /* fixes that must reach the frame list */
    std::vector<Diagnostic> skipped;   /* every skipped line, in file order */
    bool spread = false;               /* kept fixes lie at more than one place */
    bool unreadable = false;           /* the path cannot be read as a track */
    bool says_utf16 = false;           /* the reader says the file looks like UTF-16 */
    bool has_centre = false;           /* centre_ecef is known */
    double centre_ecef[3] = {0, 0, 0}; /* metres */
    double centre_tolerance = 0.01;
};

/* WGS 84 geodetic to Earth-centred, worked out here rather than by the
   program's library, at the 1 m height the reader gives every fix. */
void ecef_of(double latitude, double longitude, double out[3])
{
    const double a = 6378137.0, f = 1 / 298.257223563, e2 = f * (2 - f), h = 1.0;
    double phi = latitude * M_PI / 180, lambda = longitude * M_PI / 180;
    double n = a / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
    out[0] = (n + h) * std::cos(phi) * std::cos(lambda);
    out[1] = (n + h) * std::cos(phi) * std::sin(lambda);
    out[2] = (n * (1 - e2) + h) * std::sin(phi);
}

void expect_centre(Expected* e, const std::vector<std::pair<double, double>>& fixes)
{
    e->has_centre = true;
    for (double& axis : e->centre_ecef)
        axis = 0;
    for (const auto& fix : fixes) {
        double xyz[3];
        ecef_of(fix.first, fix.second, xyz);
        for (int axis = 0; axis < 3; ++axis)
            e->centre_ecef[axis] += xyz[axis] / fixes.size();
    }
}

/* A fix line; the numbers are kept as text so a case can put anything there. */
std::string fix(const std::string& latitude, const std::string& longitude,
                const std::string& seconds = "08", const std::string& speed = "0.385")
{
    return "D=2010-08-05T14:25:" + seconds + ",P=" + latitude + " " + longitude + ",V=" + speed;
}

/* ------------------------------------------------------------ running it */

bool write_bytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

/* What the viewer said, and how it ended if it has. */
std::string transcript_of(KestrimRun* run)
{
    E2eProcess* p = &run->viewer.p;
    std::string ending;
    int code = -1;
    if (p->pid > 0 && p->eof && e2e_wait_exit(p, 2.0, &code))
        ending =
            "\nexit code " + std::to_string(code) + (code > 128 ? " (killed by a signal)" : "");
    return "stdout:\n" + p->out + "\nstderr:\n" + e2e_stderr(*p) + ending;
}

/* A reader diagnostic as "LINE: kind", or the line itself when it is none. */
std::string diagnostic_summary(const std::string& line, const std::string& path)
{
    if (line == "no line begins with D; the file " + path + " looks like UTF-16")
        return "looks like UTF-16";
    std::string head = "track_reader.cpp: " + path + ":";
    if (line.compare(0, head.size(), head) != 0)
        return line;
    const char* rest = line.c_str() + head.size();
    char* after = nullptr;
    long number = strtol(rest, &after, 10);
    std::string tail = after;
    std::string n = std::to_string(number);
    if (tail.compare(0, 26, ": fix line does not match ") == 0 && tail.size() >= 9 &&
        tail.compare(tail.size() - 9, 9, ", skipped") == 0)
        return n + ": does not match";
    const std::string fix_has = ": fix has ", skipped = ", skipped";
    if (tail.compare(0, fix_has.size(), fix_has) == 0 && tail.size() > skipped.size() &&
        tail.compare(tail.size() - skipped.size(), skipped.size(), skipped) == 0)
        return n + ": " +
               tail.substr(fix_has.size(), tail.size() - fix_has.size() - skipped.size());
    return line;
}

std::string expected_summary(const Diagnostic& d)
{
    static const char* const said[] = {"does not match",     "no finite seconds",
                                       "no finite latitude", "no finite longitude",
                                       "no finite speed",    "a latitude beyond 90 degrees"};
    return std::to_string(d.line) + ": " + said[d.kind];
}

/* "123456" as "123,456". */
std::string with_commas(const std::string& digits)
{
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

/* The first twenty skipped lines, then how many more there were. */
std::vector<std::string> expected_reports(const std::vector<Diagnostic>& skipped)
{
    std::vector<std::string> wanted;
    for (size_t i = 0; i < skipped.size() && i < MAX_REPORTED_LINES; ++i)
        wanted.push_back(expected_summary(skipped[i]));
    if (skipped.size() > MAX_REPORTED_LINES)
        wanted.push_back("\u2026 and " +
                         with_commas(std::to_string(skipped.size() - MAX_REPORTED_LINES)) +
                         " more lines skipped");
    return wanted;
}

void expect_transcript(const std::string& out, const std::string& path, const Expected& e)
{
    std::string head = "file " + path +
                       "\nfile parsed\nsize of Frames = 0\n"
                       "Reading coordinates from " +
                       path + "\n";
    ASSERT_EQ(out.compare(0, head.size(), head), 0) << out;
    const std::string centre_mark = "calculate center of gravity\n";
    size_t centre_at = out.find(centre_mark, head.size());
    ASSERT_NE(centre_at, std::string::npos) << out;

    std::vector<std::string> reports = e2e_lines(out.substr(head.size(), centre_at - head.size()));
    if (e.unreadable) {
        /* How it words it is its own affair; that it names the path is not. */
        EXPECT_FALSE(reports.empty()) << "nothing said about a path it could not read\n" << out;
        for (const std::string& line : reports)
            EXPECT_NE(line.find(path), std::string::npos) << line;
    } else {
        std::vector<std::string> seen;
        for (const std::string& line : reports)
            seen.push_back(diagnostic_summary(line, path));
        std::vector<std::string> wanted = expected_reports(e.skipped);
        if (e.says_utf16)
            wanted.push_back("looks like UTF-16");
        EXPECT_EQ(seen, wanted);
    }

    std::string rest = out.substr(centre_at + centre_mark.size());
    const std::string fit_mark = "fill in all curve fitting stuff\n";
    size_t fit_at = rest.find(fit_mark);
    ASSERT_NE(fit_at, std::string::npos) << out;
    std::string centre = rest.substr(0, fit_at);
    if (e.kept == 0) {
        EXPECT_EQ(centre, "no frames: division by zero, centre of gravity left at 0\n"
                          "double: X = 0.000000 Y = 0.000000 Z = 0.000000\n"
                          "openGL: X = 0.000000 Y = 0.000000 Z = 0.000000\n");
    } else {
        double raw[3], shown[3];
        ASSERT_EQ(sscanf(centre.c_str(),
                         "double: X = %lf Y = %lf Z = %lf\nopenGL: X = %lf Y = %lf Z = %lf\n",
                         &raw[0], &raw[1], &raw[2], &shown[0], &shown[1], &shown[2]),
                  6)
            << centre;
        double norm = std::sqrt(raw[0] * raw[0] + raw[1] * raw[1] + raw[2] * raw[2]);
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_TRUE(std::isfinite(raw[axis])) << centre;
            EXPECT_TRUE(std::isfinite(shown[axis])) << centre;
            if (e.has_centre) {
                EXPECT_NEAR(raw[axis], e.centre_ecef[axis], e.centre_tolerance) << axis;
            }
        }
        /* The mean of points on the surface lies inside the Earth. */
        EXPECT_LE(norm, 6378137.0 + 2.0) << centre;
    }

    /* No inner frame lacks a segment; the two ends never have one. */
    std::string frames_tail = "checking if any frames do not have curves\n";
    if (e.kept >= 1)
        frames_tail += "Frame #0 is empty \n";
    if (e.kept >= 2)
        frames_tail += "Frame #" + std::to_string(e.kept - 1) + " is empty \n";
    int cubic = e.kept >= 3 ? e.kept - 2 : 0;
    int bessel = e.kept >= 4 ? e.kept - 3 : 0;
    frames_tail += "CubicFrames size = " + std::to_string(cubic) + "\n";
    frames_tail += "LinearFrames size = " + std::to_string(cubic) + "\n";
    frames_tail += "BesselFrames size = " + std::to_string(bessel) + "\n";
    frames_tail += "heights: none in the file, 1.0 m\n"; /* no case has an A= field */
    std::string tail = rest.substr(fit_at + fit_mark.size());
    EXPECT_EQ(tail.substr(0, frames_tail.size()), frames_tail);

    /* Then the statistics, of what was kept and skipped. */
    std::string statistics = tail.substr(std::min(frames_tail.size(), tail.size()));
    std::string fixes = "fixes: " + std::to_string(e.kept) + " (" +
                        std::to_string(e.skipped.size()) + " skipped)\n";
    EXPECT_EQ(statistics.compare(0, fixes.size(), fixes), 0) << statistics;
    if (e.kept == 0)
        EXPECT_EQ(statistics, fixes + "start: none\n");
    else
        EXPECT_NE(statistics.find("\nrecorded speed: "), std::string::npos) << statistics;
}

const E2eRgb LOAD_BAR = {26, 77, 153}; /* the share read of a long load */
const int LOAD_BAR_PIXELS = 2000;      /* at least, of a bar full at the load's end */

struct Picture {
    int white = 0, red = 0, blue = 0, total = 0;
};

/* The window once a frame has been drawn in it: until then it is black,
   or shows the bar of a long load, and the first frame of a million
   points takes a while to come. */
Picture look(KestrimRun* run, double first_frame_s)
{
    Picture p;
    for (int shots = 0; shots * SETTLE_SECONDS < first_frame_s; ++shots) {
        e2e_sleep(SETTLE_SECONDS);
        E2eImage image;
        EXPECT_TRUE(e2e_screenshot(run->display.d, run->window, &image));
        p.total = image.width * image.height;
        p.white = e2e_count_near(image, {255, 255, 255}, 8);
        p.red = e2e_count_red(image);
        p.blue = e2e_count_pixels(
            image, [](const E2eRgb& c) { return c.b > 200 && c.r < 80 && c.g < 80; });
        bool load_bar = e2e_count_near(image, LOAD_BAR, 12) > LOAD_BAR_PIXELS;
        if (p.white > 0 && !load_bar)
            break;
    }
    return p;
}

/* A drawn frame on the white ground, with the blue centre of gravity, which
   vanishes as soon as the camera or the centre is not finite. */
void expect_sane_picture(const Picture& p, const char* when)
{
    EXPECT_GT(p.total, 0) << when;
    EXPECT_GT(p.white, p.total * 9 / 10) << when << ": not the white ground";
    EXPECT_GT(p.blue, 0) << when << ": no centre of gravity";
}

/* Starts the viewer on path and puts it through everything a user would. */
void check_viewer(const std::string& path, const Expected& e, double start_s = START_SECONDS,
                  const std::vector<std::string>& prefix = {})
{
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {path}, start_s, prefix)) << transcript_of(&run);
    expect_transcript(run.viewer.p.out, path, e);

    EXPECT_EQ(e2e_window_name(run.display.d, run.window), "Trevan");
    E2eGeometry g;
    ASSERT_TRUE(e2e_window_geometry(run.display.d, run.window, &g));
    EXPECT_EQ(g.width, 600);
    EXPECT_EQ(g.height, 600);

    Picture raw = look(&run, start_s);
    expect_sane_picture(raw, "the raw fixes");
    /* Fixes at a single place lie under the centre, which is drawn first
       and wins the depth test. */
    if (e.spread) {
        EXPECT_GT(raw.red, 0) << "no fix drawn";
    }

    size_t before = run.viewer.p.out.size();
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "b"));
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "2"));
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "period"));
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "plus"));
    /* It steps up only onto a frame with a cubic segment, 1 .. kept-2. */
    std::string index = e.kept >= 4 ? "curve index: 2\n" : "curve index: 1\n";
    EXPECT_TRUE(e2e_wait_new_output(&run.viewer.p, before, index + "threshold: 11\n", start_s))
        << transcript_of(&run);
    expect_sane_picture(look(&run, start_s), "the cubic curve");

    ASSERT_TRUE(e2e_key(run.display.d, run.window, "q"));
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&run.viewer.p, EXIT_SECONDS, &code)) << transcript_of(&run);
    EXPECT_EQ(code, 0) << transcript_of(&run);
    expect_no_sanitizer_report(run);
}

/* ------------------------------------------------------------ file cases */

struct FileCase {
    const char* name;
    std::string bytes; /* the whole file */
    Expected expected;
};

void PrintTo(const FileCase& c, std::ostream* os)
{
    *os << c.name; /* not the bytes: one case is a megabyte of noise */
}

/* Every line whose first byte past leading white space is "D": no line of
   these random bytes holds nine numbers, so each of those is reported and
   none kept. */
std::vector<Diagnostic> lines_beginning_with_d(const std::string& bytes)
{
    std::vector<Diagnostic> found;
    int line = 1;
    size_t start = 0;
    while (start <= bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start); /* LF, CR or CR LF ends a line */
        if (end == std::string::npos)
            end = bytes.size();
        size_t at = start;
        while (at < end && isspace(static_cast<unsigned char>(bytes[at])))
            ++at;
        if (at < end && bytes[at] == 'D')
            found.push_back({line, DOES_NOT_MATCH});
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        ++line;
    }
    return found;
}

FileCase random_bytes()
{
    std::mt19937 generator(20100805);
    std::string bytes(1 << 20, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xff);
    FileCase c{"RandomMegabyte", bytes, {}};
    c.expected.skipped = lines_beginning_with_d(bytes);
    return c;
}

/* Each field of a fix in turn set to each value below. The date and time
   fields are scanned as integers, so none of these but -0 reads as one;
   the others are floats, where only -0 and an underflow to 0 are finite. */
FileCase odd_numbers_in_every_field()
{
    const std::vector<std::string> good = {"2010", "08",    "05",    "14",   "25",
                                           "08",   "45.75", "14.25", "0.385"};
    const std::vector<std::string> odd = {"nan",  "-nan",    "inf", "INF",  "infinity",
                                          "1e39", "0x1p200", "-0",  "1e-50"};
    FileCase c{"NanInfHugeAndMinusZeroInEveryField", "", {}};
    int line = 0;
    for (size_t field = 0; field < good.size(); ++field)
        for (const std::string& value : odd) {
            std::vector<std::string> v = good;
            v[field] = value;
            c.bytes += "D=" + v[0] + "-" + v[1] + "-" + v[2] + "T" + v[3] + ":" + v[4] + ":" +
                       v[5] + ",P=" + v[6] + " " + v[7] + ",V=" + v[8] + "\n";
            ++line;
            bool finite = value == "-0" || (field >= 5 && value == "1e-50");
            if (finite)
                ++c.expected.kept;
            else
                c.expected.skipped.push_back(
                    {line, field < 5 ? DOES_NOT_MATCH : static_cast<Skip>(NO_SECONDS + field - 5)});
        }
    c.expected.spread = true; /* a latitude or longitude of 0 moves those fixes */
    return c;
}

/* Only the first 255 characters past leading white space are scanned. */
FileCase lines_at_the_length_limit()
{
    std::string start = "D=2010-08-05T14:25:08,P=45.75", end = "14.25,V=7";
    std::string fits = start + std::string(255 - start.size() - end.size(), ' ') + end;
    std::string cut = start + std::string(256 - start.size() - end.size(), ' ') + end;
    FileCase c{"LinesAtTheLengthLimit",
               "   " + fits + "\n" + /* 1: kept */
                   cut + "\n" +      /* 2: its speed is cut off */
                   fix("45.76", "14.26") + std::string(10000, 'D') + "\n" + /* 3: kept */
                   fix("45.77", "14.27") + "\n" +                           /* 4: kept */
                   "D=2010-08-05T14:25\n",                                  /* 5: too short */
               {}};
    c.expected.kept = 3;
    c.expected.skipped = {{2, DOES_NOT_MATCH}, {5, DOES_NOT_MATCH}};
    c.expected.spread = true;
    return c;
}

FileCase antimeridian()
{
    /* Longitudes a float holds exactly, 0.001 to 0.002 degrees apart. */
    const std::vector<std::pair<double, double>> fixes = {{0.5, 179.998046875},
                                                          {0.5, 179.9990234375},
                                                          {0.5, 180.0},
                                                          {0.5, -179.9990234375},
                                                          {0.5, -179.998046875}};
    FileCase c{"TrackCrossingTheAntimeridian", "", {}};
    char line[128];
    for (const auto& f : fixes) {
        snprintf(line, sizeof line, "D=2010-08-05T14:25:08,P=%.10f %.10f,V=3\n", f.first, f.second);
        c.bytes += line;
    }
    c.expected.kept = 5;
    c.expected.spread = true;
    /* Averaged on the globe, not in degrees: near (-6378 km, 0, 55 km). */
    expect_centre(&c.expected, fixes);
    return c;
}

/* A track as Windows tools write "Unicode" text: UTF-16 with a byte-order
   mark, in either byte order. Not a single line then begins with D. */
FileCase utf16(const char* name, bool big_endian)
{
    std::string text = fix("45.75", "14.25") + "\r\n" + fix("45.76", "14.26") + "\r\n";
    std::string bytes = big_endian ? "\xfe\xff" : "\xff\xfe";
    for (char c : text) {
        bytes += big_endian ? '\0' : c;
        bytes += big_endian ? c : '\0';
    }
    FileCase c{name, bytes, {}};
    c.expected.says_utf16 = true;
    return c;
}

/* A thousand fixes with the CR line endings of old Macs: all are read. */
FileCase cr_line_endings()
{
    FileCase c{"CrLineEndings", "", {}};
    char line[96];
    for (int i = 0; i < 1000; ++i) {
        snprintf(line, sizeof line, "D=2010-08-05T14:%02d:%02d,P=%.6f 14.25,V=3\r", i / 60 % 60,
                 i % 60, 45.75 + i * 0.0001);
        c.bytes += line;
    }
    c.expected.kept = 1000;
    c.expected.spread = true;
    return c;
}

std::vector<FileCase> file_cases()
{
    std::vector<FileCase> cases;
    auto add = [&cases](const char* name, const std::string& bytes, int kept,
                        std::vector<Diagnostic> skipped, bool spread) {
        FileCase c{name, bytes, {}};
        c.expected.kept = kept;
        c.expected.skipped = std::move(skipped);
        c.expected.spread = spread;
        cases.push_back(c);
    };
    add("EmptyFile", "", 0, {}, false);
    add("OnlyNewlines", "\n\n\r\n \t\n\v\f\r\n\n\n", 0, {}, false);
    add("NoLineStartsWithD",
        "# D=2010-08-05T14:25:08,P=45.75 14.25,V=1\n"
        "d=2010-08-05T14:25:08,P=45.75 14.25,V=1\n"
        "P=45.75 14.25\n"
        "xD=2010-08-05T14:25:08,P=45.75 14.25,V=1\n"
        "\xef\xbb\xbf"
        "D=2010-08-05T14:25:08,P=45.75 14.25,V=1\n" /* behind a UTF-8 BOM */
        "=D\n",
        0, {}, false);
    add("OneFix", fix("45.75", "14.25") + "\n", 1, {}, false);
    add("TwoFixes", fix("45.75", "14.25") + "\n" + fix("45.76", "14.26", "18"), 2, {}, true);
    add("ThreeFixes",
        fix("45.75", "14.25") + "\n" + fix("45.76", "14.26", "18") + "\n" +
            fix("45.77", "14.27", "28") + "\n",
        3, {}, true);
    add("FourFixes",
        fix("45.75", "14.25") + "\n" + fix("45.76", "14.26", "18") + "\n" +
            fix("45.77", "14.27", "28") + "\n" + fix("45.78", "14.28", "38") + "\n",
        4, {}, true);
    add("NulBytesInFixLines",
        "D=2010-08-05T14:25:08,P=45.75\0 14.25,V=1\n"s     /* 1: cut short by the NUL */
        "D=2010-08-05T14:25:09,P=45.76 14.26,V=1\0junk\n"s /* 2: kept */
        "\0D=2010-08-05T14:25:10,P=45.77 14.27,V=1\n"s     /* 3: starts with NUL, not D */
        "D\0=2010-08-05T14:25:11,P=45.78 14.28,V=1\n"s     /* 4: cut short */
        "D=2010-08-05T14:25:12,P=45.79 14.29,V=1\0\0\0\n"s /* 5: kept */
        "\0\0\0\n"s                                        /* 6: nothing */
        "D=2010-08-05T14:25:13,P=45.80 14.30,V=1\n"s,      /* 7: kept */
        3, {{1, DOES_NOT_MATCH}, {4, DOES_NOT_MATCH}}, true);
    add("LatitudesAtAndBeyondThePoles",
        fix("90", "0") + "\n" + fix("-90", "0") + "\n" + fix("90.0001", "0") + "\n" +
            fix("-90.0001", "0") + "\n" + fix("91", "10") + "\n" + fix("-180", "10") + "\n" +
            fix("1e30", "10") + "\n" + fix("45", "10") + "\n",
        3,
        {{3, BEYOND_POLE}, {4, BEYOND_POLE}, {5, BEYOND_POLE}, {6, BEYOND_POLE}, {7, BEYOND_POLE}},
        true);
    /* A longitude past ±180 names the place a whole number of turns back. */
    add("LongitudesAtAndBeyond180",
        fix("10", "180") + "\n" + fix("10", "-180") + "\n" + fix("10", "180.5") + "\n" +
            fix("10", "-180.5") + "\n" + fix("10", "360") + "\n" + fix("10", "540") + "\n" +
            fix("10", "-720") + "\n",
        7, {}, true);
    cases.push_back(antimeridian());
    cases.push_back(odd_numbers_in_every_field());
    /* Dates and times are not checked; the positions are real, so all are kept. */
    add("ImpossibleDates",
        "D=2010-13-05T14:25:08,P=45.75 14.25,V=1\n"
        "D=2010-08-00T14:25:08,P=45.76 14.26,V=1\n"
        "D=2010-08-05T25:25:08,P=45.77 14.27,V=1\n"
        "D=2010-08-05T14:61:08,P=45.78 14.28,V=1\n"
        "D=2010-08-05T14:25:75.5,P=45.79 14.29,V=1\n"
        "D=-2010--8--5T-14:-25:-8.5,P=45.80 14.30,V=-1\n"
        "D=2010-08-2147483647T2147483647:2147483647:3e38,P=45.81 14.31,V=3e38\n"
        "D=99999999999-99999999999-99999999999T99999999999:99999999999:08,"
        "P=45.82 14.32,V=1\n"
        "D=0-0-0T0:0:0,P=45.83 14.33,V=0\n",
        9, {}, true);
    cases.push_back(lines_at_the_length_limit());
    cases.push_back(utf16("Utf16LittleEndian", false));
    cases.push_back(utf16("Utf16BigEndian", true));
    cases.push_back(cr_line_endings());
    cases.push_back(random_bytes());
    return cases;
}

class HostileFile : public testing::TestWithParam<FileCase> {};

TEST_P(HostileFile, StartsReportsDrawsAnswersAndQuits)
{
    const FileCase& c = GetParam();
    E2eTempDir dir("kestrim-hostile");
    ASSERT_FALSE(dir.path.empty());
    std::string path = dir.path + "/hostile.track";
    ASSERT_TRUE(write_bytes(path, c.bytes));
    check_viewer(path, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, HostileFile, testing::ValuesIn(file_cases()),
                         [](const testing::TestParamInfo<FileCase>& info) {
                             return std::string(info.param.name);
                         });

/* ------------------------------------------------------------ path cases */

/* Tests run as root, whom mode 000 does not stop: each case finds its own
   way to a path that cannot be read even so. */
struct PathCase {
    const char* name;
    std::string (*make)(const std::string& dir); /* the path, made under dir */
    bool without_dac_override;                   /* run as root without the read override */
};

void PrintTo(const PathCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string make_directory(const std::string& dir)
{
    std::string path = dir + "/a-directory.track";
    mkdir(path.c_str(), 0755);
    return path;
}

std::string make_path_through_a_file(const std::string& dir)
{
    write_bytes(dir + "/file.txt", fix("45.75", "14.25") + "\n");
    return dir + "/file.txt/x";
}

std::string make_symlink_loop(const std::string& dir)
{
    std::string path = dir + "/loop.track";
    symlink(path.c_str(), path.c_str());
    return path;
}

std::string make_overlong_name(const std::string& dir)
{
    return dir + "/" + std::string(300, 'x') + ".track";
}

std::string make_socket(const std::string& dir)
{
    std::string path = dir + "/socket.track";
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    close(fd); /* the socket file stays; opening it fails with ENXIO */
    return path;
}

std::string make_mode_000_file(const std::string& dir)
{
    std::string path = dir + "/locked.track";
    write_bytes(path, fix("45.75", "14.25") + "\n");
    chmod(path.c_str(), 0);
    return path;
}

/* Opens, but its first read fails with EIO: no mapping at address 0. */
std::string make_unreadable_after_open(const std::string&)
{
    return "/proc/self/mem";
}

/* A FIFO with no writer: opening it for reading would block for good. */
std::string make_fifo(const std::string& dir)
{
    std::string path = dir + "/fifo.track";
    mkfifo(path.c_str(), 0644);
    return path;
}

/* Devices that never end, or never stop pouring out noise. */
std::string name_dev_zero(const std::string&)
{
    return "/dev/zero";
}

std::string name_dev_urandom(const std::string&)
{
    return "/dev/urandom";
}

const PathCase PATH_CASES[] = {
    {"AFifoWithoutAWriter", make_fifo, false},
    {"DevZero", name_dev_zero, false},
    {"DevUrandom", name_dev_urandom, false},
    {"ADirectory", make_directory, false},
    {"APathThroughAFile", make_path_through_a_file, false},
    {"ASymlinkLoop", make_symlink_loop, false},
    {"ANameTooLong", make_overlong_name, false},
    {"AUnixSocket", make_socket, false},
    /* For root, setpriv drops CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH from
       the bounding set, so the exec'd viewer is root without them and mode
       000 holds for it; anyone else is stopped by the mode alone. */
    {"AMode000FileForRootWithoutOverride", make_mode_000_file, true},
    {"AFileWhoseReadFails", make_unreadable_after_open, false},
};

class HostilePath : public testing::TestWithParam<PathCase> {};

TEST_P(HostilePath, IsReportedAndTheViewerRunsEmpty)
{
    const PathCase& c = GetParam();
    E2eTempDir dir("kestrim-hostile");
    ASSERT_FALSE(dir.path.empty());
    std::string path = c.make(dir.path);
    std::vector<std::string> prefix;
    if (c.without_dac_override && geteuid() == 0)
        prefix = {"setpriv", "--bounding-set", "-dac_override,-dac_read_search", "--"};
    Expected e;
    e.unreadable = true;
    check_viewer(path, e, START_SECONDS, prefix);
}

INSTANTIATE_TEST_SUITE_P(Table, HostilePath, testing::ValuesIn(PATH_CASES),
                         [](const testing::TestParamInfo<PathCase>& info) {
                             return std::string(info.param.name);
                         });

/* ------------------------------------------------------------ big files */

/* count copies of one fix, a thousand a write. */
bool write_identical_fixes(const std::string& path, int count)
{
    std::string line = fix("45.75", "14.25") + "\n";
    std::string block;
    for (int i = 0; i < 1000; ++i)
        block += line;
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < count / 1000; ++i)
        out << block;
    return static_cast<bool>(out);
}

TEST(HostileBig, AMillionIdenticalFixes)
{
    const int count = 1000000;
    E2eTempDir dir("kestrim-hostile");
    ASSERT_FALSE(dir.path.empty());
    std::string path = dir.path + "/million.track";
    ASSERT_TRUE(write_identical_fixes(path, count));
    Expected e;
    e.kept = count;
    /* The mean of a million copies of one point is that point; summing in
       double keeps it to well under a metre, where float would not. */
    expect_centre(&e, {{45.75, 14.25}});
    e.centre_tolerance = 0.5;
    check_viewer(path, e, BIG_START_SECONDS);
}

TEST(HostileBig, OneLineOf100MegabytesThenFixes)
{
    E2eTempDir dir("kestrim-hostile");
    ASSERT_FALSE(dir.path.empty());
    std::string path = dir.path + "/long-line.track";
    {
        std::ofstream out(path, std::ios::binary);
        out << fix("45.75", "14.25");
        /* Fix text without a newline: any piece of it taken for a line of
           its own would add a fix. */
        std::string piece = "\t" + fix("10", "10");
        std::string block;
        while (block.size() < (1 << 20))
            block += piece;
        for (int i = 0; i < 100; ++i)
            out << block;
        out << "\n"
            << fix("45.76", "14.26") << "\n"
            << fix("45.77", "14.27") << "\n"
            << fix("45.78", "14.28") << "\n"
            << "D=2010-08-05T14:25\n";
        ASSERT_TRUE(static_cast<bool>(out));
    }
    Expected e;
    e.kept = 4;
    e.skipped = {{5, DOES_NOT_MATCH}}; /* its line number counts the long line as one */
    e.spread = true;
    check_viewer(path, e, BIG_START_SECONDS);
}

/* The address-space limits of a million-fix load (about 1.7 GB with the
   viewer's own 0.6 GB): one runs out while the file is read, one while
   the curves are fitted and sampled. */
TEST(HostileBig, RunningOutOfMemoryEndsWithOneLineAndStatusOne)
{
#ifdef KESTRIM_SANITIZED
    GTEST_SKIP() << "AddressSanitizer reserves its shadow memory beyond any address-space limit";
#endif
    const int count = 1000000;
    E2eTempDir dir("kestrim-hostile");
    ASSERT_FALSE(dir.path.empty());
    std::string path = dir.path + "/million.track";
    ASSERT_TRUE(write_identical_fixes(path, count));
    for (long megabytes : {800, 1300}) {
        E2eDisplayGuard display;
        ASSERT_TRUE(e2e_start_display(&display.d));
        E2eProcessGuard viewer;
        std::string limit = std::to_string(megabytes * 1000000 / 1024);
        ASSERT_TRUE(e2e_spawn(display.d,
                              {"/bin/sh", "-c", "ulimit -v " + limit + " && exec \"$0\" \"$1\"",
                               KESTRIM_BINARY, path},
                              &viewer.p));
        int code = -1;
        ASSERT_TRUE(e2e_wait_exit(&viewer.p, BIG_START_SECONDS, &code)) << megabytes;
        std::string err = e2e_stderr(viewer.p);
        EXPECT_EQ(code, 1) << megabytes << " MB\n" << viewer.p.out << err;
        EXPECT_EQ(err.find("terminate called"), std::string::npos) << err;
        EXPECT_EQ(err.find("bad_alloc"), std::string::npos) << err;
        std::vector<std::string> said;
        for (const std::string& line : e2e_lines(viewer.p.out))
            if (line.find("memory") != std::string::npos)
                said.push_back(line);
        ASSERT_EQ(said.size(), 1u) << viewer.p.out;
        long long fixes = 0, needed = 0, allowed = 0;
        ASSERT_EQ(sscanf(said[0].c_str(), "not enough memory for %lld", &fixes), 1) << said[0];
        std::string digits;
        for (char c : said[0])
            if (isdigit(static_cast<unsigned char>(c)) || c == ' ')
                digits += c; /* the commas of the thousands out */
        ASSERT_EQ(sscanf(digits.c_str(), "%lld %lld %lld", &fixes, &needed, &allowed), 3)
            << said[0];
        EXPECT_NEAR(fixes, count, count / 50) << said[0];
        EXPECT_NEAR(allowed, megabytes, 2) << said[0];
        EXPECT_GT(needed, 700) << said[0]; /* about 720 bytes a fix until the lists are drawn */
        EXPECT_NE(said[0].find("MB of it taken by the viewer itself"), std::string::npos)
            << said[0];
    }
}

/* A file that another program keeps appending to faster than the viewer
   reads it: only what it held at the start is read, and the load ends. */
TEST(HostileBig, AFileThatKeepsGrowingIsReadAsItWasAtTheStart)
{
    E2eTempDir dir("kestrim-hostile");
    ASSERT_FALSE(dir.path.empty());
    std::string path = dir.path + "/growing.track", block = dir.path + "/block";
    ASSERT_TRUE(write_identical_fixes(block, 20000));
    ASSERT_TRUE(write_identical_fixes(path, 100000));
    E2eDisplayGuard writer_display;
    ASSERT_TRUE(e2e_start_display(&writer_display.d));
    E2eProcessGuard writer;
    ASSERT_TRUE(e2e_spawn(writer_display.d,
                          {"/bin/sh", "-c", "while cat \"$0\" >>\"$1\"; do :; done", block, path},
                          &writer.p));
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {path}, BIG_START_SECONDS)) << transcript_of(&run);
    struct stat grown;
    ASSERT_EQ(stat(path.c_str(), &grown), 0);
    EXPECT_GT(grown.st_size, 100000 * 56) << "the file did grow";
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "q"));
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&run.viewer.p, EXIT_SECONDS, &code));
    EXPECT_EQ(code, 0);
    expect_no_sanitizer_report(run);
}

} // namespace
