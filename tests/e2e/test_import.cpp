/*
 * test_import.cpp - kestrim-import on real recorded tracks and NMEA logs,
 * opened in the real kestrim; its errors; and the manual page.
 */
#include "support/kestrim_run.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace {

std::string importer()
{
    return source_path("tools/kestrim-import");
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
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
        int points = count_of(read_file(gpx), "<trkpt ");
        std::string text = read_file(track);
        EXPECT_EQ(count_of(text, "D="), points) << name;
        EXPECT_EQ(count_of(text, "\n"), points) << name;

        KestrimRun run;
        ASSERT_TRUE(start_kestrim(&run, {track})) << run.viewer.p.out;
        EXPECT_NE(run.viewer.p.out.find("CubicFrames size = " + std::to_string(points - 2) + "\n"),
                  std::string::npos)
            << name;
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

/* An RMC sentence with its checksum. */
std::string rmc(const std::string& talker, const char* time, char status, const char* lat,
                const char* lon)
{
    char body[128];
    snprintf(body, sizeof body, "%sRMC,%s,%c,%s,N,%s,E,022.4,084.4,230323,003.1,W", talker.c_str(),
             time, status, lat, lon);
    unsigned sum = 0;
    for (const char* c = body; *c; ++c)
        sum ^= static_cast<unsigned char>(*c);
    char sentence[160];
    snprintf(sentence, sizeof sentence, "$%s*%02X\n", body, sum);
    return sentence;
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
        tracks[i] = read_file(dir + "/" + talkers[i] + ".track");
    }
    EXPECT_EQ(count_of(tracks[0], "D=2023-03-23T12:35:"), 3) << tracks[0];
    EXPECT_EQ(tracks[0].find("12:35:21"), std::string::npos) << "the invalid fix is left out";
    EXPECT_EQ(tracks[0], tracks[1]);
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
