/*
 * test_startup.cpp - the real kestrim in a real window: its start-up
 * transcript with no argument, a missing file and a small track, and its
 * window; its options, which end it before any window.
 */
#include "support/kestrim_run.h"

#include "track/clock.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

const char EMPTY_LOAD_TAIL[] = "calculate center of gravity\n"
                               "no frames: division by zero, centre of gravity left at 0\n"
                               "double: X = 0.000000 Y = 0.000000 Z = 0.000000\n"
                               "openGL: X = 0.000000 Y = 0.000000 Z = 0.000000\n"
                               "fill in all curve fitting stuff\n"
                               "checking if any frames do not have curves\n"
                               "CubicFrames size = 0\n"
                               "LinearFrames size = 0\n"
                               "BesselFrames size = 0\n"
                               "heights: none in the file, 1.0 m\n"
                               "fixes: 0 (0 skipped)\n"
                               "start: none\n";

void expect_trevan_window(KestrimRun* run)
{
    EXPECT_EQ(e2e_window_name(run->display.d, run->window), "Trevan");
    E2eGeometry g;
    ASSERT_TRUE(e2e_window_geometry(run->display.d, run->window, &g));
    EXPECT_EQ(g.width, 600);
    EXPECT_EQ(g.height, 600);
    EXPECT_EQ(g.x, 200);
    EXPECT_EQ(g.y, 200);
}

TEST(Startup, WithoutAnArgumentPrintsTheUsageAndRunsEmpty)
{
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {})) << run.viewer.p.out;
    EXPECT_EQ(run.viewer.p.out, std::string("format is: dravelin filename\n"
                                            "file parsed\n"
                                            "size of Frames = 0\n"
                                            "Reading coordinates from \n"
                                            "Could not open file \n") +
                                    EMPTY_LOAD_TAIL);
    expect_trevan_window(&run);
    e2e_kill(&run.viewer.p);
    expect_no_sanitizer_report(run);
}

TEST(Startup, WithAMissingFileReportsItAndRunsEmpty)
{
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {"/nonexistent/ride.track"})) << run.viewer.p.out;
    EXPECT_EQ(run.viewer.p.out, std::string("file /nonexistent/ride.track\n"
                                            "file parsed\n"
                                            "size of Frames = 0\n"
                                            "Reading coordinates from /nonexistent/ride.track\n"
                                            "Could not open file /nonexistent/ride.track\n") +
                                    EMPTY_LOAD_TAIL);
    expect_trevan_window(&run);
    e2e_kill(&run.viewer.p);
    expect_no_sanitizer_report(run);
}

TEST(Startup, LoadsATrackAndPrintsItsCentres)
{
    std::string track = source_path("tests/fixtures/three-fixes.track");
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {track})) << run.viewer.p.out;

    /* The fixes' positions from PROJ's cs2cs at height 1 m; display units
       count from the ten-kilometre blocks of the first fix. */
    const double ecef[3][3] = {{4321090.258902, 1097417.123259, 4545902.086406},
                               {4320639.157186, 1097929.714516, 4546205.032680},
                               {4320187.975804, 1098442.198016, 4546507.957957}};
    const double block[3] = {4320000.0, 1090000.0, 4540000.0};
    double mean[3], scaled[3];
    for (int axis = 0; axis < 3; ++axis) {
        mean[axis] = (ecef[0][axis] + ecef[1][axis] + ecef[2][axis]) / 3;
        scaled[axis] = (mean[axis] - block[axis]) * 0.001;
    }

    const std::string& out = run.viewer.p.out;
    std::string head = "file " + track +
                       "\nfile parsed\nsize of Frames = 0\n"
                       "Reading coordinates from " +
                       track + "\ncalculate center of gravity\n";
    ASSERT_EQ(out.substr(0, head.size()), head) << out;
    double raw_read[3], scaled_read[3];
    ASSERT_EQ(sscanf(out.c_str() + head.size(),
                     "double: X = %lf Y = %lf Z = %lf\nopenGL: X = %lf Y = %lf Z = %lf\n",
                     &raw_read[0], &raw_read[1], &raw_read[2], &scaled_read[0], &scaled_read[1],
                     &scaled_read[2]),
              6)
        << out;
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(raw_read[axis], mean[axis], 0.002) << axis;
        EXPECT_NEAR(scaled_read[axis], scaled[axis], 0.000002) << axis;
    }
    EXPECT_EQ(out.substr(out.find("fill in all curve fitting stuff\n")),
              "fill in all curve fitting stuff\n"
              "checking if any frames do not have curves\n"
              "Frame #0 is empty \nFrame #2 is empty \n"
              "CubicFrames size = 1\nLinearFrames size = 1\nBesselFrames size = 0\n"
              "heights: none in the file, 1.0 m\n"
              /* The statistics: the distance is geod's (test_statistics.cpp). */
              "fixes: 3 (0 skipped)\n"
              "start: 2010-08-05 14:23:59 UTC\n"
              "elapsed: 0:00:20\n"
              "distance: 1.494 km\n"
              "end: 2010-08-05 14:24:19 UTC\n"
              "moving time: 0:00:20\n"
              "moving speed: 268.9 km/h\n"
              "max speed: 268.9 km/h\n"
              "recorded speed: 2.4 to 5.6 km/h\n");
    expect_trevan_window(&run);
    e2e_kill(&run.viewer.p);
    expect_no_sanitizer_report(run);
}

/* Generous: the first line comes 5 s after the first picture, later under ASan. */
const double FPS_LINE_SECONDS = 60.0;

/* The output after the statistics block's last line. */
std::string after_statistics(const std::string& out)
{
    size_t at = out.find("\nrecorded speed: ");
    return at == std::string::npos ? "" : out.substr(out.find('\n', at + 1) + 1);
}

TEST(Startup, WithFpsPrintsTheFramesOfEveryFiveSecondsAfterTheStatistics)
{
    KestrimRun run;
    std::string track = source_path("tests/fixtures/three-fixes.track");
    ASSERT_TRUE(start_kestrim(&run, {"--fps", track})) << run.viewer.p.out;
    ASSERT_TRUE(e2e_wait_output(&run.viewer.p, " FPS\n", FPS_LINE_SECONDS)) << run.viewer.p.out;
    std::string line = after_statistics(run.viewer.p.out);
    line = line.substr(0, line.find('\n') + 1);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m,
                                 std::regex("([0-9]+) frames in ([0-9]+\\.[0-9]) seconds = "
                                            "([0-9]+\\.[0-9]) FPS\n")))
        << run.viewer.p.out;
    double frames = std::stod(m[1].str()), seconds = std::stod(m[2].str());
    EXPECT_GE(frames, 1);
    EXPECT_GE(seconds, 5.0);
    /* The rate is the frames over the unrounded seconds. */
    EXPECT_NEAR(std::stod(m[3].str()), frames / seconds, 0.05 + frames / seconds * 0.01) << line;
    EXPECT_EQ(run.viewer.p.out.find("first picture"), std::string::npos) << run.viewer.p.out;
    e2e_kill(&run.viewer.p);
    expect_no_sanitizer_report(run);
}

/* The benchmark's line: once, after the statistics, counted from the
   monotonic clock's reading it was given; nothing for a value that is no
   reading. */
TEST(Startup, TheBenchmarksVariableTellsTheFirstPictureOnce)
{
    const struct {
        std::string value;
        bool printed;
    } cases[] = {{std::to_string(monotonic_seconds()), true}, {"yes", false}};
    for (const auto& c : cases) {
        KestrimRun run;
        std::string track = source_path("tests/fixtures/three-fixes.track");
        ASSERT_TRUE(start_kestrim(&run, {"--fps", track}, KESTRIM_START_SECONDS,
                                  {"env", "KESTRIM_BENCH_FIRST_PICTURE=" + c.value}))
            << run.viewer.p.out;
        /* Frames have been drawn once the --fps line is there. */
        ASSERT_TRUE(e2e_wait_output(&run.viewer.p, " FPS\n", FPS_LINE_SECONDS)) << run.viewer.p.out;
        std::string after = after_statistics(run.viewer.p.out);
        if (!c.printed) {
            EXPECT_EQ(after.find("first picture"), std::string::npos) << after;
        } else {
            double seconds = -1;
            ASSERT_EQ(sscanf(after.c_str(), "first picture after %lf s\n", &seconds), 1) << after;
            EXPECT_TRUE(std::isfinite(seconds) && seconds > 0) << after;
            EXPECT_EQ(after.find("first picture", 1), std::string::npos) << after;
        }
        e2e_kill(&run.viewer.p);
        expect_no_sanitizer_report(run);
    }
}

/* Runs kestrim with no display at all: an option that opened a window
   would fail here. */
int run_without_display(const std::vector<std::string>& args, std::string* out)
{
    std::vector<std::string> argv = {"/usr/bin/env", "-u", "DISPLAY", KESTRIM_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    int code = -1;
    std::string err;
    e2e_run(nullptr, argv, 30, out, &err, &code);
    EXPECT_EQ(err.find("AddressSanitizer"), std::string::npos) << err;
    return code;
}

std::string project_version()
{
    std::ifstream in(source_path("CMakeLists.txt"));
    std::stringstream text;
    text << in.rdbuf();
    std::string all = text.str();
    size_t at = all.find("project(kestrim VERSION ");
    EXPECT_NE(at, std::string::npos);
    at += sizeof "project(kestrim VERSION " - 1;
    return all.substr(at, all.find_first_of(" )", at) - at);
}

TEST(Options, HelpAndVersionPrintAndExitWithoutAWindow)
{
    for (const char* help : {"-h", "--help"}) {
        std::string out;
        EXPECT_EQ(run_without_display({help}, &out), 0) << help;
        EXPECT_EQ(out.compare(0, 15, "usage: kestrim "), 0) << out;
        EXPECT_NE(out.find("kestrim-import"), std::string::npos) << out;
        EXPECT_NE(out.find("man kestrim"), std::string::npos) << out;
    }
    std::string out;
    EXPECT_EQ(run_without_display({"--version"}, &out), 0);
    EXPECT_EQ(out, "kestrim " + project_version() + "\n");
}

TEST(Options, AnUnknownOptionIsNamedWithTheUsageAndStatusTwo)
{
    for (const char* option : {"-x", "--bogus", "-display", "-geometry"}) {
        std::string out;
        EXPECT_EQ(run_without_display({option, "ride.track"}, &out), 2) << option;
        std::string said = std::string("kestrim: unknown option ") + option + "\nusage: kestrim ";
        EXPECT_EQ(out.compare(0, said.size(), said), 0) << out;
    }
}

TEST(Options, AfterTwoDashesAFileMayBeginWithADash)
{
    E2eTempDir dir;
    std::string name = "-geometry"; /* freeglut would take it for its option */
    std::string path = dir.path + "/" + name;
    std::ofstream(path) << "D=2010-08-05T14:25:08,P=45.7720898 14.3575674,V=0.385\n";
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    KestrimRun run;
    bool started = start_kestrim(&run, {"--", name});
    ASSERT_EQ(chdir(KESTRIM_SOURCE_DIR), 0);
    ASSERT_TRUE(started) << run.viewer.p.out << e2e_stderr(run.viewer.p);
    EXPECT_EQ(run.viewer.p.out.compare(0, 16, "file -geometry\nf"), 0) << run.viewer.p.out;
    EXPECT_NE(run.viewer.p.out.find("Reading coordinates from -geometry\n"
                                    "calculate center of gravity\n"),
              std::string::npos)
        << run.viewer.p.out;
    expect_trevan_window(&run);
    e2e_kill(&run.viewer.p);
    expect_no_sanitizer_report(run);
}

TEST(ManualPage, NamesTheVersionOfTheBuild)
{
    std::ifstream in(source_path("docs/kestrim.1"));
    std::string first;
    std::getline(in, first);
    EXPECT_NE(first.find("\"Kestrim " + project_version() + "\""), std::string::npos) << first;
}

} // namespace
