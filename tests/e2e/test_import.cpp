/*
 * test_import.cpp - kestrim-import on real recorded tracks and NMEA logs,
 * opened in the real kestrim; the altitudes and speeds it writes; the
 * bundled sample; its errors; the files it must not replace and
 * the folder it writes into; the command it prints, pasted into a shell;
 * signals while gpsbabel runs; and the manual page.
 */
#include "support/kestrim_run.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string importer()
{
    return source_path("tools/kestrim-import");
}

int count_of(const std::string& text, const std::string& what)
{
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

int entries_in(const std::string& dir)
{
    int count = 0;
    DIR* d = opendir(dir.c_str());
    if (!d)
        return -1;
    while (dirent* e = readdir(d))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
            ++count;
    closedir(d);
    return count;
}

/* Every entry under dir (sub-folders too), by path relative to dir: its
   kind, mode and, for a file, size and a hash of its bytes; for a symlink,
   where it points. Two equal snapshots mean nothing was added, removed,
   rewritten or chmod-ed. */
using Snapshot = std::map<std::string, std::string>;

void snapshot_into(const std::string& dir, const std::string& prefix, Snapshot* shot)
{
    DIR* d = opendir(dir.c_str());
    if (!d) {
        (*shot)[prefix + "?"] = "cannot open";
        return;
    }
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        std::string path = dir + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            continue;
        char mode[16];
        snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        std::string what;
        if (S_ISDIR(st.st_mode)) {
            what = std::string("folder ") + mode;
            snapshot_into(path, prefix + name + "/", shot);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            ssize_t n = readlink(path.c_str(), target, sizeof target);
            what = "symlink to " + std::string(target, n > 0 ? static_cast<size_t>(n) : 0);
        } else {
            std::string bytes = e2e_read_file(path);
            what = std::string("file ") + mode + ", " + std::to_string(bytes.size()) +
                   " bytes, hash " + std::to_string(std::hash<std::string>()(bytes));
        }
        (*shot)[prefix + name] = what;
    }
    closedir(d);
}

Snapshot snapshot(const std::string& dir)
{
    Snapshot shot;
    snapshot_into(dir, "", &shot);
    return shot;
}

mode_t mode_of(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

void write_file(const std::string& path, const std::string& text, mode_t mode = 0644)
{
    std::ofstream(path, std::ios::binary) << text;
    chmod(path.c_str(), mode);
}

/* Three fixes a second apart and no speeds, so gpsbabel computes them: the
   smallest GPX that goes through both passes of the importer. */
const char SMALL_GPX[] =
    "<?xml version=\"1.0\"?>\n"
    "<gpx version=\"1.0\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/0\">"
    "<trk><trkseg>\n"
    "<trkpt lat=\"45.7721750\" lon=\"14.3576592\"><time>2010-08-05T14:23:59Z</time></trkpt>\n"
    "<trkpt lat=\"45.7722750\" lon=\"14.3577592\"><time>2010-08-05T14:24:00Z</time></trkpt>\n"
    "<trkpt lat=\"45.7723750\" lon=\"14.3578592\"><time>2010-08-05T14:24:01Z</time></trkpt>\n"
    "</trkseg></trk></gpx>\n";

/* Runs the importer with args in folder dir (so that names are as a user
   types them), with env entries added. */
void import_in(const std::string& dir, const std::vector<std::string>& args,
               const std::vector<std::string>& env, std::string* out, std::string* err, int* code)
{
    std::vector<std::string> argv = {"/usr/bin/env", "-C", dir};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back(importer());
    argv.insert(argv.end(), args.begin(), args.end());
    e2e_run(nullptr, argv, 60, out, err, code);
}

/* The number after V= in a track line. */
std::string speed_of(const std::string& line)
{
    size_t at = line.find(",V=");
    if (at == std::string::npos)
        return "(no V=)";
    at += 3;
    return line.substr(at, line.find_first_not_of("-0123456789.", at) - at);
}

/* What a track line has after that number. */
std::string after_speed(const std::string& line)
{
    size_t at = line.find(",V=");
    if (at == std::string::npos)
        return "(no V=)";
    at = line.find_first_not_of("-0123456789.", at + 3);
    return at == std::string::npos ? "" : line.substr(at);
}

/* The <ele> of each <trkpt> of a GPX in order, NAN for a point without. */
std::vector<double> trkpt_elevations(const std::string& gpx)
{
    std::vector<double> elevations;
    for (size_t at = gpx.find("<trkpt "); at != std::string::npos;
         at = gpx.find("<trkpt ", at + 1)) {
        size_t tag_end = gpx.find('>', at);
        size_t end = gpx[tag_end - 1] == '/' ? tag_end : gpx.find("</trkpt>", at);
        size_t ele = gpx.find("<ele>", at);
        elevations.push_back(ele < end ? strtod(gpx.c_str() + ele + 5, nullptr) : NAN);
    }
    return elevations;
}

/* A GPX 1.0 track of fixes a second apart, 0.0001 degree from each other,
   each with the given elements (<ele>, <speed>) beside its time. */
std::string gpx_with(const std::vector<std::string>& inside)
{
    std::string gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.0\" creator=\"test\" "
                      "xmlns=\"http://www.topografix.com/GPX/1/0\"><trk><trkseg>\n";
    char point[256];
    for (size_t i = 0; i < inside.size(); ++i) {
        snprintf(point, sizeof point,
                 "<trkpt lat=\"%.7f\" lon=\"%.7f\">%s<time>2010-08-05T14:24:%02zuZ</time>"
                 "</trkpt>\n",
                 45.7721750 + i * 1e-4, 14.3576592 + i * 1e-4, inside[i].c_str(), i);
        gpx += point;
    }
    return gpx + "</trkseg></trk></gpx>\n";
}

/* Imports text as NAME.gpx in dir: the track's lines. */
std::vector<std::string> import_gpx(const std::string& dir, const std::string& name,
                                    const std::string& text)
{
    write_file(dir + "/" + name + ".gpx", text);
    std::string out, err;
    int code = -1;
    import_in(dir, {name + ".gpx"}, {}, &out, &err, &code);
    EXPECT_EQ(code, 0) << name << ": " << err;
    return e2e_lines(e2e_read_file(dir + "/" + name + ".track"));
}

TEST(Import, EveryRealTrackImportsWholeAndOpensInKestrim)
{
    const char* names[] = {"walk-short", "drive-medium", "ride-melbourne-south",
                           "ride-newyork-west"};
    E2eTempDir temp("kestrim-import-test");
    const std::string& dir = temp.path;
    for (const char* name : names) {
        std::string gpx = source_path(std::string("../shared/data/tracks/") + name + ".gpx");
        if (access(gpx.c_str(), R_OK) != 0)
            GTEST_SKIP() << "the shared recorded tracks are not beside this checkout";
        std::string track = dir + "/" + name + ".track", out, err;
        ASSERT_TRUE(e2e_run(nullptr, {importer(), gpx, "-o", track}, 120, &out, &err)) << err;
        EXPECT_NE(out.find("kestrim " + track + "\n"), std::string::npos) << out;
        int points = count_of(e2e_read_file(gpx), "<trkpt ");
        std::string text = e2e_read_file(track);
        EXPECT_EQ(count_of(text, "D="), points) << name;
        EXPECT_EQ(count_of(text, "\n"), points) << name;

        KestrimRun run;
        ASSERT_TRUE(start_kestrim(&run, {track})) << run.viewer.p.out;
        EXPECT_NE(run.viewer.p.out.find("CubicFrames size = " + std::to_string(points - 2) + "\n"),
                  std::string::npos)
            << name;
        /* Every point of these tracks has an elevation. */
        std::string fixes = std::to_string(points);
        if (points >= 1000)
            fixes.insert(fixes.size() - 3, ",");
        EXPECT_NE(run.viewer.p.out.find("heights: from A= on " + fixes + " of " + fixes +
                                        " fixes, geoid EGM96\n"),
                  std::string::npos)
            << name << ": " << run.viewer.p.out.substr(run.viewer.p.out.rfind("Bessel"));
        e2e_sleep(0.5);
        E2eImage image;
        ASSERT_TRUE(e2e_screenshot(run.display.d, run.window, &image));
        EXPECT_GT(e2e_count_red(image), 100) << name;
        ASSERT_TRUE(e2e_key(run.display.d, run.window, "q"));
        int code = -1;
        EXPECT_TRUE(e2e_wait_exit(&run.viewer.p, 20, &code));
        EXPECT_EQ(code, 0);
    }
}

/* The altitude after the speed: one decimal, as the style writes it. */
const std::regex ALTITUDE(",A=(-?[0-9]+\\.[0-9])");

TEST(Import, EveryRealTrackKeepsTheElevationOfEachPointToATenthOfAMetre)
{
    const char* names[] = {"walk-short", "drive-medium", "ride-melbourne-south",
                           "ride-newyork-west"};
    E2eTempDir temp("kestrim-import-test");
    for (const char* name : names) {
        std::string gpx = source_path(std::string("../shared/data/tracks/") + name + ".gpx");
        if (access(gpx.c_str(), R_OK) != 0)
            GTEST_SKIP() << "the shared recorded tracks are not beside this checkout";
        std::string track = temp.path + "/" + name + ".track", err;
        ASSERT_TRUE(e2e_run(nullptr, {importer(), gpx, "-o", track}, 120, nullptr, &err)) << err;
        std::vector<double> elevations = trkpt_elevations(e2e_read_file(gpx));
        std::string text = e2e_read_file(track);
        std::vector<std::string> lines = e2e_lines(text);
        ASSERT_EQ(lines.size(), elevations.size()) << name;
        int with_elevation = 0, wrong = 0;
        std::string first_wrong;
        for (size_t i = 0; i < lines.size(); ++i) {
            std::string tail = after_speed(lines[i]);
            std::smatch altitude;
            bool right;
            if (std::isnan(elevations[i])) {
                right = tail == ",";
            } else {
                ++with_elevation;
                right = std::regex_match(tail, altitude, ALTITUDE) &&
                        std::fabs(std::stod(altitude[1]) - elevations[i]) <= 0.05 + 1e-9;
            }
            if (!right && wrong++ == 0)
                first_wrong = "line " + std::to_string(i + 1) + " (<ele> " +
                              std::to_string(elevations[i]) + "): " + lines[i];
        }
        EXPECT_GT(with_elevation, 0) << name;
        EXPECT_EQ(count_of(text, "A="), with_elevation) << name;
        EXPECT_EQ(wrong, 0) << name << ": first " << first_wrong;
    }
}

struct AltitudeCase {
    const char* inside; /* beside the point's time */
    const char* after;  /* what the line has after the speed */
};

TEST(Import, APointWithoutElevationHasAnEmptyFieldAfterTheSpeedAndNoAltitude)
{
    const AltitudeCase cases[] = {
        {"<ele>542.320923</ele>", ",A=542.3"},
        {"", ","},
        {"", ","},
        {"<ele>0</ele>", ",A=0.0"}, /* sea level is a height, not "unknown" */
        {"<ele>-430.47</ele>", ",A=-430.5"},
        {"<ele>8848.86</ele>", ",A=8848.9"},
        {"", ","}, /* the last point too */
    };
    std::vector<std::string> inside;
    for (const AltitudeCase& c : cases)
        inside.push_back(c.inside);
    E2eTempDir temp("kestrim-import-test");
    std::vector<std::string> lines = import_gpx(temp.path, "some", gpx_with(inside));
    ASSERT_EQ(lines.size(), inside.size());
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(after_speed(lines[i]), cases[i].after) << "point " << i + 1 << ": " << lines[i];
}

struct SpeedCase {
    const char* name;
    std::vector<std::string> inside; /* of each point, beside its time */
    std::vector<std::string> speeds; /* V= of each line */
};

/* Speeds are computed when every point's speed is 0 (or missing, which
   reads as 0), whatever follows the speed on the line; a file's own speeds
   are kept. Three points 0.0001 degree apart a second apart: 30.361 mph
   computed; 2 m/s in the file is 4.474 mph. */
TEST(Import, ComputesSpeedsOnlyWhereTheFileHasNoneWithOrWithoutElevations)
{
    const std::vector<std::string> computed = {"0.000", "30.361", "30.361"};
    const SpeedCase cases[] = {
        {"neither speeds nor elevations", {"", "", ""}, computed},
        {"elevations, no speeds",
         {"<ele>551.0</ele>", "<ele>552.5</ele>", "<ele>553.9</ele>"},
         computed},
        {"elevations on some points, no speeds",
         {"<ele>551.0</ele>", "", "<ele>0</ele>"},
         computed},
        {"speeds all 0, with elevations",
         {"<ele>551.0</ele><speed>0</speed>", "<ele>552.5</ele><speed>0</speed>",
          "<ele>553.9</ele><speed>0</speed>"},
         computed},
        {"speeds and elevations",
         {"<ele>551.0</ele><speed>0</speed>", "<ele>552.5</ele><speed>2</speed>",
          "<ele>553.9</ele><speed>2</speed>"},
         {"0.000", "4.474", "4.474"}},
        {"speeds, elevations on some points",
         {"<speed>2</speed>", "<ele>552.5</ele><speed>2</speed>", "<speed>0</speed>"},
         {"4.474", "4.474", "0.000"}},
    };
    for (const SpeedCase& c : cases) {
        E2eTempDir temp("kestrim-import-test");
        std::vector<std::string> lines = import_gpx(temp.path, "ride", gpx_with(c.inside));
        std::vector<std::string> speeds;
        for (const std::string& line : lines)
            speeds.push_back(speed_of(line));
        EXPECT_EQ(speeds, c.speeds) << c.name << ": " << e2e_read_file(temp.path + "/ride.track");
    }
}

TEST(Import, TheBundledSampleIsWhatTheImporterMakesOfItsSource)
{
    std::string gpx = source_path("../shared/data/tracks/walk-short.gpx");
    if (access(gpx.c_str(), R_OK) != 0)
        GTEST_SKIP() << "the shared recorded tracks are not beside this checkout";
    E2eTempDir temp("kestrim-import-test");
    std::string track = temp.path + "/walk-short.track", err;
    ASSERT_TRUE(e2e_run(nullptr, {importer(), gpx, "-o", track}, 60, nullptr, &err)) << err;
    std::string sample = e2e_read_file(source_path("data/walk-short.track"));
    EXPECT_TRUE(sample == e2e_read_file(track))
        << "data/walk-short.track is not the import of "
           "walk-short.gpx: remake it as data/README.md says";
    EXPECT_EQ(count_of(sample, ",A="), 296);
}

/* An RMC sentence with its checksum. */
std::string rmc(const std::string& talker, const char* time, char status, const char* lat,
                const char* lon)
{
    char body[128];
    snprintf(body, sizeof body, "%sRMC,%s,%c,%s,N,%s,E,022.4,084.4,230323,003.1,W", talker.c_str(),
             time, status, lat, lon);
    return nmea_sentence(body);
}

/* A GGA sentence: a GPS fix of 8 satellites at altitude alt above mean sea
   level, the geoid 46.9 m above the ellipsoid there. */
std::string gga(const std::string& talker, const char* time, const char* lat, const char* lon,
                const char* alt)
{
    char body[128];
    snprintf(body, sizeof body, "%sGGA,%s,%s,N,%s,E,1,08,0.9,%s,M,46.9,M,,", talker.c_str(), time,
             lat, lon, alt);
    return nmea_sentence(body);
}

TEST(Import, NmeaFromMultiGnssAndGpsReceiversAlikeWithoutInvalidFixes)
{
    E2eTempDir temp("kestrim-import-test");
    const std::string& dir = temp.path;
    std::string tracks[2];
    const char* talkers[] = {"GN", "GP"};
    for (int i = 0; i < 2; ++i) {
        std::string log = dir + "/" + talkers[i] + ".nmea";
        std::ofstream(log) << rmc(talkers[i], "123519", 'A', "4807.038", "01131.000")
                           << rmc(talkers[i], "123520", 'A', "4807.048", "01131.010")
                           << rmc(talkers[i], "123521", 'V', "4807.058", "01131.020")
                           << rmc(talkers[i], "123522", 'A', "4807.068", "01131.030");
        std::string err;
        ASSERT_TRUE(e2e_run(nullptr, {importer(), log}, 60, nullptr, &err)) << err;
        tracks[i] = e2e_read_file(dir + "/" + talkers[i] + ".track");
    }
    EXPECT_EQ(count_of(tracks[0], "D=2023-03-23T12:35:"), 3) << tracks[0];
    EXPECT_EQ(tracks[0].find("12:35:21"), std::string::npos) << "the invalid fix is left out";
    EXPECT_EQ(tracks[0], tracks[1]);
    EXPECT_EQ(count_of(tracks[0], "A="), 0) << "RMC has no altitude: " << tracks[0];
}

/* A receiver that sends each second's GGA before its RMC: gpsbabel puts the
   GGA's altitude above mean sea level (not above the ellipsoid, 46.9 m more)
   into the fix the RMC dates. */
TEST(Import, NmeaWithGgaGivesEachFixItsAltitude)
{
    E2eTempDir temp("kestrim-import-test");
    const std::string& dir = temp.path;
    for (const char* talker : {"GN", "GP"}) {
        std::string log = dir + "/" + talker + ".nmea";
        std::ofstream(log) << gga(talker, "123519", "4807.038", "01131.000", "545.4")
                           << rmc(talker, "123519", 'A', "4807.038", "01131.000")
                           << gga(talker, "123520", "4807.048", "01131.010", "-12.3")
                           << rmc(talker, "123520", 'A', "4807.048", "01131.010")
                           << gga(talker, "123521", "4807.058", "01131.020", "0.0")
                           << rmc(talker, "123521", 'A', "4807.058", "01131.020");
        std::string err;
        ASSERT_TRUE(e2e_run(nullptr, {importer(), log}, 60, nullptr, &err)) << err;
        std::vector<std::string> lines = e2e_lines(e2e_read_file(dir + "/" + talker + ".track"));
        ASSERT_EQ(lines.size(), 3u) << talker;
        const char* expected[][2] = {{"D=2023-03-23T12:35:19,P=48.1173000 11.5166667", ",A=545.4"},
                                     {"D=2023-03-23T12:35:20,P=48.1174667 11.5168333", ",A=-12.3"},
                                     {"D=2023-03-23T12:35:21,P=48.1176333 11.5170000", ",A=0.0"}};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(lines[i].substr(0, lines[i].find(",V=")), expected[i][0]) << talker;
            EXPECT_EQ(after_speed(lines[i]), expected[i][1]) << talker << ": " << lines[i];
        }
    }
}

/* What the content of a file tells, and what its name tells when the
   content cannot, as the viewer asks with --porcelain: one line on stdout,
   or one on stderr and status 1, or status 3 for a kind it cannot tell. */
struct KindCase {
    const char* name;
    const char* file;
    std::string content;
    std::vector<std::string> options;
    int code;
    const char* said; /* stdout on success, a piece of stderr on a failure */
};

TEST(Import, TellsTheKindFromTheContentThenTheExtensionForTheViewer)
{
    const std::string rmcs = rmc("GP", "123519", 'A', "4807.038", "01131.000") +
                             rmc("GP", "123520", 'A', "4807.048", "01131.010");
    const KindCase cases[] = {
        {"GPX named .txt", "ride.txt", SMALL_GPX, {}, 0, "gpx GPX 3\n"},
        {"the content wins over the extension", "ride.kml", SMALL_GPX, {}, 0, "gpx GPX 3\n"},
        {"NMEA without an extension", "log", rmcs, {}, 0, "nmea NMEA 2\n"},
        {"NMEA named .gpx", "log.gpx", rmcs, {}, 0, "nmea NMEA 2\n"},
        {"-f over everything", "ride.kml", SMALL_GPX, {"-f", "gpx"}, 0, "gpx GPX 3\n"},
        {"a track file",
         "ride.gpx",
         "D=2010-08-05T14:25:08,P=45.7720898 14.3575674,V=0.385\n",
         {},
         1,
         "already a track file"},
        {"no kind and no extension", "notes", "a shopping list\n", {}, 3, "cannot tell what"},
        {"no kind and an unknown extension",
         "notes.xyz",
         "eggs\n",
         {},
         3,
         "unknown extension '.xyz'"},
        {"a known extension, content of none",
         "ride.gpx",
         "eggs\n",
         {},
         1,
         "gpsbabel could not read"},
        {"a file that is not there, with a known extension",
         "missing.gpx",
         "",
         {},
         1,
         "cannot read"},
        {"a file that is not there, without", "missing", "", {}, 3, "cannot tell what"},
    };
    for (const KindCase& c : cases) {
        E2eTempDir temp("kestrim-import-test");
        if (!c.content.empty())
            write_file(temp.path + "/" + c.file, c.content);
        Snapshot before = snapshot(temp.path);
        std::vector<std::string> args = {"--porcelain"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {"-o", "out.track", "--", c.file});
        std::string out, err;
        int code = -1;
        import_in(temp.path, args, {}, &out, &err, &code);
        EXPECT_EQ(code, c.code) << c.name << ": " << err;
        if (c.code == 0) {
            EXPECT_EQ(out, c.said) << c.name;
            EXPECT_EQ(count_of(e2e_read_file(temp.path + "/out.track"), "D="),
                      atoi(c.said + std::string(c.said).rfind(' ')))
                << c.name;
        } else {
            EXPECT_EQ(out, "") << c.name;
            EXPECT_NE(err.find(c.said), std::string::npos) << c.name << ": " << err;
            EXPECT_EQ(count_of(err, "\n"), 1) << c.name << ": one line: " << err;
            EXPECT_EQ(snapshot(temp.path), before) << c.name;
        }
    }
}

/* The track filter needs times: a path without them (gpsbabel's KML
   line, a GPX of bare positions) keeps speed 0 and is still written. */
TEST(Import, ATrackWithoutTimesIsWrittenWithSpeedZeroAndAWarning)
{
    E2eTempDir temp("kestrim-import-test");
    write_file(temp.path + "/bare.gpx",
               "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\"><trk><trkseg>"
               "<trkpt lat=\"45.7\" lon=\"14.3\"><ele>12.5</ele></trkpt>"
               "<trkpt lat=\"45.8\" lon=\"14.3\"></trkpt></trkseg></trk></gpx>\n");
    std::string out, err;
    int code = -1;
    import_in(temp.path, {"bare.gpx"}, {}, &out, &err, &code);
    EXPECT_EQ(code, 0) << err;
    EXPECT_NE(err.find("warning: no speeds computed for bare.gpx"), std::string::npos) << err;
    std::vector<std::string> lines = e2e_lines(e2e_read_file(temp.path + "/bare.track"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(speed_of(lines[0]) + after_speed(lines[0]), "0.000,A=12.5");
    EXPECT_EQ(entries_in(temp.path), 2) << "no temporary file left";
}

struct ErrorCase {
    const char* name;
    std::function<std::vector<std::string>(const std::string& dir)> args;
    std::vector<std::string> env;
    const char* said;
    int code;
};

TEST(Import, ErrorsSayWhatIsWrongExitNonZeroAndLeaveNothing)
{
    std::string gpx = source_path("../shared/data/tracks/walk-short.gpx");
    if (access(gpx.c_str(), R_OK) != 0)
        gpx = source_path("tests/fixtures/three-fixes.track"); /* any readable file */
    const ErrorCase cases[] = {
        {"gpsbabel missing",
         [&](const std::string& d) {
             return std::vector<std::string>{"/bin/bash", importer(), gpx, "-o", d + "/a.track"};
         },
         {"PATH=/nonexistent"},
         "gpsbabel is not installed",
         1},
        {"unknown extension",
         [](const std::string& d) {
             std::ofstream(d + "/ride.xyz") << "data\n";
             return std::vector<std::string>{importer(), d + "/ride.xyz"};
         },
         {},
         "unknown extension '.xyz'",
         1},
        {"unreadable input",
         [](const std::string& d) {
             return std::vector<std::string>{importer(), d + "/missing.gpx"};
         },
         {},
         "cannot read",
         1},
        {"empty input",
         [](const std::string& d) {
             std::ofstream(d + "/empty.gpx");
             return std::vector<std::string>{importer(), d + "/empty.gpx"};
         },
         {},
         "is empty",
         1},
        {"no track points",
         [](const std::string& d) {
             std::ofstream(d + "/waypoints.gpx")
                 << "<?xml version=\"1.0\"?><gpx version=\"1.0\"><wpt lat=\"45.7\" "
                    "lon=\"14.3\"><name>A</name></wpt></gpx>\n";
             return std::vector<std::string>{importer(), d + "/waypoints.gpx"};
         },
         {},
         "no track points",
         1},
        {"not the format it claims",
         [](const std::string& d) {
             std::ofstream(d + "/junk.gpx") << "\x01\x02 not xml at all <<<\n";
             return std::vector<std::string>{importer(), d + "/junk.gpx"};
         },
         {},
         "",
         1},
        {"no input",
         [](const std::string&) { return std::vector<std::string>{importer()}; },
         {},
         "usage:",
         2},
    };
    for (const ErrorCase& c : cases) {
        E2eTempDir temp("kestrim-import-test");
        const std::string& dir = temp.path;
        std::vector<std::string> argv = c.args(dir);
        int files_before = entries_in(dir);
        Snapshot before = snapshot(dir);
        std::string err;
        int code = -1;
        if (c.env.empty()) {
            e2e_run(nullptr, argv, 60, nullptr, &err, &code);
        } else {
            /* e2e_run has no environment of its own: go through env(1). */
            std::vector<std::string> with_env = {"/usr/bin/env"};
            with_env.insert(with_env.end(), c.env.begin(), c.env.end());
            with_env.insert(with_env.end(), argv.begin(), argv.end());
            e2e_run(nullptr, with_env, 60, nullptr, &err, &code);
        }
        EXPECT_EQ(code, c.code) << c.name << ": " << err;
        EXPECT_NE(err.find(c.said), std::string::npos) << c.name << ": " << err;
        EXPECT_EQ(entries_in(dir), files_before) << c.name << ": something was left behind";
        EXPECT_EQ(snapshot(dir), before) << c.name << ": a file was changed";
    }
}

struct OutputCase {
    const char* name;
    std::function<void(const std::string& dir)> setup; /* beside ride.gpx */
    std::vector<std::string> args;                     /* run in that folder */
    int code;
    const char* said;    /* in stderr on a failure, in stdout on success */
    const char* written; /* the track made on success, relative to the folder */
    mode_t mode;         /* the mode it must have */
};

void precious(const std::string& path)
{
    write_file(path, "precious\n", 0600);
}

void make_folder(const std::string& path)
{
    mkdir(path.c_str(), 0755);
}

TEST(Import, NeverReplacesItsInputNorAnExistingFileWithoutForceAndWritesIntoAFolder)
{
    const OutputCase cases[] = {
        {"an existing track",
         [](const std::string& d) { precious(d + "/ride.track"); },
         {"ride.gpx"},
         1,
         "ride.track exists: give --force",
         "",
         0},
        {"an existing track with --force keeps its mode",
         [](const std::string& d) { precious(d + "/ride.track"); },
         {"--force", "ride.gpx"},
         0,
         "written to ride.track\n",
         "ride.track",
         0600},
        {"-o naming the input",
         [](const std::string&) {},
         {"-o", "keep.gpx", "keep.gpx"},
         1,
         "keep.gpx is the input itself",
         "",
         0},
        {"-o naming the input by another name, with --force",
         [](const std::string&) {},
         {"--force", "-o", "./keep.gpx", "keep.gpx"},
         1,
         "is the input itself",
         "",
         0},
        {"the default output is the input",
         [](const std::string& d) { write_file(d + "/a.track", SMALL_GPX); },
         {"-f", "gpx", "a.track"},
         1,
         "a.track is the input itself",
         "",
         0},
        {"the default output is the input, with --force",
         [](const std::string& d) { write_file(d + "/a.track", SMALL_GPX); },
         {"--force", "-f", "gpx", "a.track"},
         1,
         "a.track is the input itself",
         "",
         0},
        {"a symlink to the input",
         [](const std::string& d) { (void)!symlink("ride.gpx", (d + "/link.track").c_str()); },
         {"--force", "-o", "link.track", "ride.gpx"},
         1,
         "is the input itself",
         "",
         0},
        {"a hard link to the input",
         [](const std::string& d) {
             (void)!link((d + "/ride.gpx").c_str(), (d + "/hard.track").c_str());
         },
         {"--force", "-o", "hard.track", "ride.gpx"},
         1,
         "is the input itself",
         "",
         0},
        {"a folder as output",
         [](const std::string& d) { make_folder(d + "/adir"); },
         {"-o", "adir", "ride.gpx"},
         0,
         "written to adir/ride.track\n",
         "adir/ride.track",
         0644},
        {"a folder with a slash, the input in another folder with dots",
         [](const std::string& d) {
             make_folder(d + "/adir");
             make_folder(d + "/src");
             write_file(d + "/src/walk.v2.gpx", SMALL_GPX);
         },
         {"-o", "adir/", "src/walk.v2.gpx"},
         0,
         "written to adir/walk.v2.track\n",
         "adir/walk.v2.track",
         0644},
        {"a folder whose track exists",
         [](const std::string& d) {
             make_folder(d + "/adir");
             precious(d + "/adir/ride.track");
         },
         {"-o", "adir", "ride.gpx"},
         1,
         "adir/ride.track exists",
         "",
         0},
        {"a folder holding the input, with --force",
         [](const std::string& d) {
             make_folder(d + "/adir");
             write_file(d + "/adir/x.track", SMALL_GPX);
         },
         {"--force", "-f", "gpx", "-o", "adir", "adir/x.track"},
         1,
         "is the input itself",
         "",
         0},
        {"a folder where the track would go, with --force",
         [](const std::string& d) { make_folder(d + "/ride.track"); },
         {"--force", "ride.gpx"},
         1,
         "ride.track is a folder",
         "",
         0},
        {"a missing folder",
         [](const std::string&) {},
         {"-o", "nodir/", "ride.gpx"},
         1,
         "no such folder: nodir/",
         "",
         0},
        {"a dot in a folder name is no extension",
         [](const std::string& d) {
             make_folder(d + "/my.dir");
             write_file(d + "/my.dir/ride", SMALL_GPX);
         },
         {"-f", "gpx", "my.dir/ride"},
         0,
         "written to my.dir/ride.track\n",
         "my.dir/ride.track",
         0644},
        {"an input beginning with a dash after --",
         [](const std::string& d) { write_file(d + "/-x.gpx", SMALL_GPX); },
         {"--", "-x.gpx"},
         0,
         "written to -x.track\n",
         "-x.track",
         0644},
        {"an input beginning with a dash, without --",
         [](const std::string& d) { write_file(d + "/-x.gpx", SMALL_GPX); },
         {"-x.gpx"},
         2,
         "unknown option -x.gpx",
         "",
         0},
        {"an output beginning with a dash",
         [](const std::string&) {},
         {"-o", "-y.track", "ride.gpx"},
         0,
         "written to -y.track\n",
         "-y.track",
         0644},
        {"two inputs", [](const std::string&) {}, {"ride.gpx", "keep.gpx"}, 2, "usage:", "", 0},
    };
    for (const OutputCase& c : cases) {
        E2eTempDir temp("kestrim-import-test");
        const std::string& dir = temp.path;
        write_file(dir + "/ride.gpx", SMALL_GPX, 0640);
        write_file(dir + "/keep.gpx", SMALL_GPX, 0600);
        c.setup(dir);
        Snapshot before = snapshot(dir);
        std::string out, err;
        int code = -1;
        import_in(dir, c.args, {}, &out, &err, &code);
        EXPECT_EQ(code, c.code) << c.name << ": " << err;
        const std::string& said = c.code == 0 ? out : err;
        EXPECT_NE(said.find(c.said), std::string::npos) << c.name << ": " << out << err;
        Snapshot after = snapshot(dir);
        if (*c.written) {
            std::string track = e2e_read_file(dir + "/" + c.written);
            EXPECT_EQ(count_of(track, "D=2010-08-05T14:"), 3) << c.name << ": " << track;
            EXPECT_EQ(mode_of(dir + "/" + c.written), c.mode) << c.name;
            before.erase(c.written);
            after.erase(c.written);
        }
        EXPECT_EQ(after, before) << c.name << ": other files changed";
    }
}

/* The last line the importer printed, run by bash in dir with a stand-in
   kestrim first on PATH: the arguments the stand-in got. */
std::vector<std::string> pasted_arguments(const std::string& dir, const std::string& bin,
                                          const std::string& line)
{
    std::string out, err;
    e2e_run(nullptr,
            {"/usr/bin/env", "-C", dir, "PATH=" + bin + ":/usr/bin:/bin", "bash", "-c", line}, 30,
            &out, &err);
    std::vector<std::string> args;
    for (size_t from = 0, nul; (nul = out.find('\0', from)) != std::string::npos; from = nul + 1)
        args.push_back(out.substr(from, nul - from));
    return args;
}

TEST(Import, ThePrintedCommandPastedIntoAShellOpensExactlyTheTrack)
{
    E2eTempDir bin("kestrim-import-bin");
    /* NUL after each argument: a name may hold a newline. */
    write_file(bin.path + "/kestrim", "#!/bin/sh\nprintf '%s\\0' \"$@\"\n", 0755);
    const char* names[] = {"my ride",        "it's \"quoted\"", "$(touch pwned)", "`touch pwned`",
                           "semi;colon & x", "tab\tnew\nline",  "star *?",        "-dash"};
    for (const char* name : names) {
        E2eTempDir temp("kestrim-import-test");
        const std::string& dir = temp.path;
        std::string gpx = std::string(name) + ".gpx", track = std::string(name) + ".track";
        write_file(dir + "/" + gpx, SMALL_GPX);
        std::vector<std::string> args = {gpx};
        if (name[0] == '-')
            args.insert(args.begin(), "--");
        std::string out, err;
        int code = -1;
        import_in(dir, args, {}, &out, &err, &code);
        ASSERT_EQ(code, 0) << name << ": " << err;
        ASSERT_FALSE(out.empty());
        size_t start = out.rfind('\n', out.size() - 2);
        std::string line = out.substr(start == std::string::npos ? 0 : start + 1);
        std::vector<std::string> expected = {track};
        if (name[0] == '-')
            expected.insert(expected.begin(), "--");
        EXPECT_EQ(pasted_arguments(dir, bin.path, line), expected) << name << ": " << line;
        Snapshot files = snapshot(dir);
        EXPECT_EQ(files.size(), 2u) << name << ": something was run";
        EXPECT_EQ(files.count(track), 1u) << name;
    }
}

/* Processes whose parent is parent and whose name is comm. */
std::vector<pid_t> children_named(pid_t parent, const std::string& comm)
{
    std::vector<pid_t> found;
    DIR* d = opendir("/proc");
    if (!d)
        return found;
    while (dirent* e = readdir(d)) {
        pid_t pid = atoi(e->d_name);
        if (pid <= 0)
            continue;
        std::string stat = e2e_read_file("/proc/" + std::string(e->d_name) + "/stat");
        size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        int ppid = 0;
        char state = 0;
        if (sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == parent &&
            stat.substr(open + 1, close - open - 1) == comm)
            found.push_back(pid);
    }
    closedir(d);
    return found;
}

/* Running: there, and not a zombie waiting to be reaped. */
bool running(pid_t pid)
{
    std::string stat = e2e_read_file("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

/* True once none of pids runs, false if one still does after timeout_s. */
bool all_ended(const std::vector<pid_t>& pids, double timeout_s)
{
    for (double waited = 0;; waited += 0.05) {
        bool any = false;
        for (pid_t pid : pids)
            any = any || running(pid);
        if (!any)
            return true;
        if (waited >= timeout_s)
            return false;
        e2e_sleep(0.05);
    }
}

/* Whatever a failed test left running is ended at the end of the scope. */
struct KillAtEnd {
    std::vector<pid_t> pids;
    ~KillAtEnd()
    {
        for (pid_t pid : pids)
            if (running(pid))
                kill(pid, SIGKILL);
    }
};

/* Spawns with TERM, HUP and INT at their defaults, as a terminal would give
   them: a test binary started in the background of a script has INT
   ignored, and an ignored signal stays ignored for bash, trap or not. */
bool spawn_catching_signals(const std::vector<std::string>& argv, E2eProcess* p,
                            const std::vector<std::string>& env)
{
    const int signals[] = {SIGTERM, SIGHUP, SIGINT};
    struct sigaction dfl {
    }, old[3];
    dfl.sa_handler = SIG_DFL;
    for (int i = 0; i < 3; ++i)
        sigaction(signals[i], &dfl, &old[i]);
    E2eDisplay no_display;
    bool started = e2e_spawn(no_display, argv, p, env);
    for (int i = 0; i < 3; ++i)
        sigaction(signals[i], &old[i], nullptr);
    return started;
}

/* A GPX of n fixes a second apart and no speeds, about 100 bytes a fix. */
void write_big_gpx(const std::string& path, int n)
{
    std::ofstream gpx(path);
    gpx << "<?xml version=\"1.0\"?>\n<gpx version=\"1.0\" creator=\"test\" "
           "xmlns=\"http://www.topografix.com/GPX/1/0\"><trk><trkseg>\n";
    char point[160];
    for (int i = 0; i < n; ++i) {
        snprintf(point, sizeof point,
                 "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>300.0</ele>"
                 "<time>2020-01-%02dT%02d:%02d:%02dZ</time></trkpt>\n",
                 45 + i * 1e-5, 14 + i * 1e-5, 1 + i / 86400, i / 3600 % 24, i / 60 % 60, i % 60);
        gpx << point;
    }
    gpx << "</trkseg></trk></gpx>\n";
}

struct SignalCase {
    const char* name;
    int signal;
};
const SignalCase SIGNALS[] = {{"TERM", SIGTERM}, {"HUP", SIGHUP}, {"INT", SIGINT}};

/* The folders of one signalled import: the output folder holds a file of
   the user's and must hold just that afterwards, TMPDIR must stay empty. */
struct SignalFolders {
    E2eTempDir input{"kestrim-import-in"}, output{"kestrim-import-out"}, tmp{"kestrim-import-tmp"};
    Snapshot before;
    SignalFolders()
    {
        precious(output.path + "/notes.txt");
        before = snapshot(output.path);
    }
};

TEST(Import, ASignalWhileGpsbabelRunsEndsItAtOnceAndLeavesNothing)
{
    E2eTempDir data("kestrim-import-big");
    std::string big = data.path + "/big.gpx";
    write_big_gpx(big, 100000); /* 10 MB: gpsbabel takes seconds over it */
    for (const SignalCase& s : SIGNALS) {
        SignalFolders folders;
        E2eProcessGuard importer_run;
        E2eProcess* p = &importer_run.p;
        ASSERT_TRUE(spawn_catching_signals({importer(), "-o", folders.output.path, big}, p,
                                           {"TMPDIR=" + folders.tmp.path}));
        KillAtEnd left;
        for (int i = 0; i < 400 && left.pids.empty(); ++i) {
            left.pids = children_named(p->pid, "gpsbabel");
            e2e_sleep(0.025);
        }
        ASSERT_FALSE(left.pids.empty()) << s.name << ": gpsbabel did not start";
        ASSERT_TRUE(running(left.pids[0])) << s.name << ": gpsbabel was done before the signal";
        kill(p->pid, s.signal);
        int code = -1;
        EXPECT_TRUE(e2e_wait_exit(p, 3, &code)) << s.name << ": still running";
        EXPECT_EQ(code, 128 + s.signal) << s.name << ": " << e2e_stderr(*p);
        EXPECT_TRUE(all_ended(left.pids, 1)) << s.name << ": gpsbabel still runs";
        EXPECT_EQ(snapshot(folders.output.path), folders.before) << s.name;
        EXPECT_EQ(snapshot(folders.tmp.path), Snapshot()) << s.name;
    }
}

TEST(Import, ASignalEndsAGpsbabelThatIgnoresItAndWhatItStarted)
{
    /* The stand-in writes a partial track, starts a child, says both pids
       and waits, deaf to the three signals (its child inherits that). */
    E2eTempDir bin("kestrim-import-bin");
    write_file(bin.path + "/gpsbabel",
               "#!/bin/bash\n"
               "trap '' TERM HUP INT\n"
               "while [ $# -gt 0 ]; do [ \"$1\" = -F ] && echo D=partial >\"$2\"; shift; done\n"
               "sleep 60 &\n"
               "echo $$ $! >\"$PIDS.new\" && mv \"$PIDS.new\" \"$PIDS\"\n"
               "wait\n",
               0755);
    std::string path = getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin";
    for (const SignalCase& s : SIGNALS) {
        SignalFolders folders;
        std::string gpx = folders.input.path + "/ride.gpx";
        std::string pids_file = folders.input.path + "/pids";
        write_file(gpx, SMALL_GPX);
        E2eProcessGuard importer_run;
        E2eProcess* p = &importer_run.p;
        ASSERT_TRUE(spawn_catching_signals(
            {importer(), "-o", folders.output.path, gpx}, p,
            {"PATH=" + bin.path + ":" + path, "TMPDIR=" + folders.tmp.path, "PIDS=" + pids_file}));
        KillAtEnd left;
        for (int i = 0; i < 400 && left.pids.empty(); ++i) {
            int babel = 0, child = 0;
            if (sscanf(e2e_read_file(pids_file).c_str(), "%d %d", &babel, &child) == 2)
                left.pids = {babel, child};
            e2e_sleep(0.025);
        }
        ASSERT_EQ(left.pids.size(), 2u) << s.name << ": the stand-in did not start";
        kill(p->pid, s.signal);
        int code = -1;
        EXPECT_TRUE(e2e_wait_exit(p, 3, &code)) << s.name << ": still running";
        EXPECT_EQ(code, 128 + s.signal) << s.name << ": " << e2e_stderr(*p);
        EXPECT_TRUE(all_ended(left.pids, 1)) << s.name << ": the stand-in or its child runs";
        EXPECT_EQ(snapshot(folders.output.path), folders.before) << s.name;
        EXPECT_EQ(snapshot(folders.tmp.path), Snapshot()) << s.name;
    }
}

TEST(ManualPage, RendersWithoutWarnings)
{
    std::string out, err;
    ASSERT_TRUE(e2e_run(
        nullptr,
        {"/usr/bin/env", "MANWIDTH=80", "man", "--warnings", "-l", source_path("docs/kestrim.1")},
        60, &out, &err))
        << err;
    EXPECT_EQ(err, "");
    EXPECT_NE(out.find("kestrim-import"), std::string::npos);
    EXPECT_NE(out.find("MOUSE AND MENUS"), std::string::npos);
}

} // namespace
