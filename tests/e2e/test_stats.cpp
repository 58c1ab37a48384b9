/*
 * test_stats.cpp - "kestrim --stats" of the real binary without a display:
 * each shared GPX track and its import against PROJ's geod, summing the
 * geodesics between the fixes as the import writes them; the units; and the
 * files and command lines it refuses.
 */
#include "support/kestrim_run.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const double RUN_SECONDS = 120.0; /* a conversion under ASan */

std::string shared_tracks()
{
    return source_path("../shared/data/tracks");
}

/* The GPX files of the shared folder; none where it is absent. */
std::vector<std::string> shared_gpx_files()
{
    std::vector<std::string> files;
    DIR* d = opendir(shared_tracks().c_str());
    while (d != nullptr) {
        dirent* e = readdir(d);
        if (e == nullptr)
            break;
        std::string name = e->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".gpx") == 0)
            files.push_back(shared_tracks() + "/" + name);
    }
    if (d != nullptr)
        closedir(d);
    std::sort(files.begin(), files.end());
    return files;
}

struct StatsRun {
    int code = -1;
    std::string out, err;
};

/* kestrim with args and no DISPLAY at all: a window could not open. */
StatsRun run_kestrim(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {"/usr/bin/env", "-u", "DISPLAY", KESTRIM_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    StatsRun run;
    e2e_run(nullptr, argv, RUN_SECONDS, &run.out, &run.err, &run.code);
    EXPECT_EQ(run.err.find("AddressSanitizer"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("runtime error:"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("failed to open display"), std::string::npos)
        << "no window: " << run.err;
    return run;
}

struct Place {
    std::string latitude, longitude; /* degrees, as the line writes them */
};

/* The places of a track file's fix lines, to all the digits the viewer
   reads (its record keeps floats; its statistics, these). */
std::vector<Place> places_of(const std::string& track)
{
    std::vector<Place> places;
    std::ifstream in(track);
    for (std::string line; std::getline(in, line);) {
        size_t at = line.find(",P=");
        if (line.compare(0, 2, "D=") != 0 || at == std::string::npos)
            continue;
        std::istringstream place(line.substr(at + 3, line.find(",V=") - at - 3));
        Place p;
        place >> p.latitude >> p.longitude;
        places.push_back(p);
    }
    return places;
}

/* The sum in metres of geod's geodesics between consecutive places. */
double geod_metres(const std::vector<Place>& places, const std::string& folder)
{
    std::string pairs = folder + "/pairs";
    {
        std::ofstream out(pairs);
        for (size_t i = 1; i < places.size(); ++i)
            out << places[i - 1].latitude << " " << places[i - 1].longitude << " "
                << places[i].latitude << " " << places[i].longitude << "\n";
    }
    std::string out, err;
    EXPECT_TRUE(
        e2e_run(nullptr, {"geod", "-I", "+ellps=WGS84", "-f", "%.6f", pairs}, 60, &out, &err))
        << err << e2e_missing_program_message("geod");
    std::istringstream lines(out);
    double sum = 0.0;
    size_t count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        double forward, back, metres;
        EXPECT_EQ(sscanf(line.c_str(), "%lf %lf %lf", &forward, &back, &metres), 3) << line;
        sum += metres;
    }
    EXPECT_EQ(count + 1, places.size());
    return sum;
}

TEST(Stats, EverySharedTrackAndItsImportAgreeWithGeod)
{
    std::vector<std::string> tracks = shared_gpx_files();
    if (tracks.empty())
        GTEST_SKIP() << "the shared recorded tracks are not beside this checkout";
    E2eTempDir dir("kestrim-stats");
    for (const std::string& gpx : tracks) {
        std::string name = gpx.substr(gpx.rfind('/') + 1);
        std::string track = dir.path + "/" + name.substr(0, name.size() - 4) + ".track", err;
        ASSERT_TRUE(e2e_run(nullptr, {source_path("tools/kestrim-import"), gpx, "-o", track},
                            RUN_SECONDS, nullptr, &err))
            << err;
        StatsRun direct = run_kestrim({"--stats", gpx});
        StatsRun imported = run_kestrim({"--stats", track});
        EXPECT_EQ(direct.code, 0) << name << "\n" << direct.out;
        EXPECT_EQ(imported.code, 0) << name << "\n" << imported.out;
        EXPECT_EQ(direct.out, imported.out) << name << ": the block alone, the same for both";
        EXPECT_EQ(imported.out.compare(0, 7, "fixes: "), 0) << imported.out;

        std::vector<Place> places = places_of(track);
        std::string fixes = e2e_labelled(imported.out, "fixes");
        EXPECT_EQ(fixes, std::to_string(places.size()) + " (0 skipped)")
            << name << ": digits alone";
        EXPECT_NE(fixes.find(" (0 skipped)"), std::string::npos) << name << ": " << fixes;

        double metres = geod_metres(places, dir.path);
        double km = 0;
        ASSERT_EQ(sscanf(e2e_labelled(imported.out, "distance").c_str(), "%lf km", &km), 1)
            << imported.out;
        EXPECT_NEAR(km * 1000.0, metres, 1.0) << name;

        StatsRun imperial = run_kestrim({"--units", "imperial", "--stats", track});
        double miles = 0;
        ASSERT_EQ(sscanf(e2e_labelled(imperial.out, "distance").c_str(), "%lf mi", &miles), 1)
            << imperial.out;
        EXPECT_NEAR(miles * 1609.344, metres, 1.0 + 0.0005 * 1609.344) << name;
        EXPECT_NE(e2e_labelled(imperial.out, "max speed").find(" mph"), std::string::npos)
            << imperial.out;
    }
}

TEST(Stats, AFileThatCannotBeReadSaysWhyInOneLine)
{
    E2eTempDir dir("kestrim-stats");
    std::string waypoints = dir.path + "/waypoints.gpx";
    std::ofstream(waypoints) << "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\">\n"
                                "<wpt lat=\"45.7\" lon=\"14.3\"><name>A</name></wpt>\n</gpx>\n";
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir.path + "/missing.track", "No such file or directory"},
        {dir.path, "it is a directory, not a track file"},
        {dir.path + "/missing.gpx", "cannot read"},
        {waypoints, "no track points"},
    };
    for (const auto& c : cases) {
        StatsRun run = run_kestrim({"--stats", c.path});
        EXPECT_EQ(run.code, 1) << c.path << "\n" << run.out;
        std::string head = "kestrim: cannot open " + c.path + ": ";
        EXPECT_EQ(run.out.compare(0, head.size(), head), 0) << run.out;
        EXPECT_NE(run.out.find(c.reason), std::string::npos) << run.out;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    }
}

TEST(Stats, ATrackWithoutFixesAndTheCommandLinesRefused)
{
    E2eTempDir dir("kestrim-stats");
    std::string empty = dir.path + "/empty.track";
    std::ofstream(empty) << "D=2010-08-05T14:23:59\n# nothing else\n";
    StatsRun run = run_kestrim({"--stats", empty});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "fixes: 0 (1 skipped)\nstart: none\n");

    const struct {
        std::vector<std::string> args;
        const char* said;
    } refused[] = {
        {{"--stats"}, "kestrim: a file must be given to --stats\n"},
        {{"--units", "furlongs", "--stats", empty},
         "kestrim: units are metric or imperial, not "
         "furlongs\n"},
        {{"--stats", empty, "--units"}, "kestrim: metric or imperial must follow --units\n"},
    };
    for (const auto& r : refused) {
        StatsRun bad = run_kestrim(r.args);
        EXPECT_EQ(bad.code, 2) << bad.out;
        EXPECT_EQ(bad.out.compare(0, strlen(r.said), r.said), 0) << bad.out;
        EXPECT_NE(bad.out.find("usage: kestrim "), std::string::npos) << bad.out;
    }
}

} // namespace
