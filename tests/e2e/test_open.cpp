/*
 * test_open.cpp - GPS files opened directly in the real kestrim: the shared
 * GPX tracks and files of other formats made from them, against their
 * imports; the files that cannot be shown, each with one line and no
 * window; and nothing left behind, however the viewer ends.
 */
#include "support/kestrim_run.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string shared_track(const std::string& name)
{
    return source_path("../shared/data/tracks/" + name);
}

bool have_shared_tracks()
{
    return access(shared_track("walk-short.gpx").c_str(), R_OK) == 0;
}

/* The load's lines from "Reading coordinates" to the end of the load. */
std::string load_messages(const std::string& out)
{
    size_t from = out.find("Reading coordinates from ");
    size_t to = out.find(LOAD_END);
    if (from == std::string::npos || to == std::string::npos)
        return "";
    return out.substr(from, out.find('\n', to) + 1 - from);
}

/* Starts kestrim on file with TMPDIR set to tmp, quits it with q; its
   whole transcript. */
std::string open_and_quit(const std::string& file, const std::string& tmp,
                          const std::vector<std::string>& options = {})
{
    KestrimRun run;
    std::vector<std::string> args = options;
    args.push_back(file);
    EXPECT_TRUE(e2e_start_display(&run.display.d));
    std::vector<std::string> argv = {KESTRIM_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    EXPECT_TRUE(e2e_spawn(run.display.d, argv, &run.viewer.p, {"TMPDIR=" + tmp}));
    EXPECT_TRUE(e2e_wait_output(&run.viewer.p, LOAD_END, 120)) << run.viewer.p.out;
    e2e_wait_new_output(&run.viewer.p, run.viewer.p.out.find(LOAD_END), "\n", 10);
    run.window = e2e_find_window(run.display.d, "Trevan", 30);
    EXPECT_FALSE(run.window.empty());
    EXPECT_TRUE(e2e_entries(tmp).empty()) << "the conversion is gone once the track is read";
    EXPECT_TRUE(e2e_key(run.display.d, run.window, "q"));
    int code = -1;
    EXPECT_TRUE(e2e_wait_exit(&run.viewer.p, 30, &code));
    EXPECT_EQ(code, 0);
    expect_no_sanitizer_report(run);
    return run.viewer.p.out;
}

TEST(OpenDirectly, EverySharedGpxOpensWithTheFixesAndCentreOfItsImport)
{
    if (!have_shared_tracks())
        GTEST_SKIP() << "the shared recorded tracks are not beside this checkout";
    E2eTempDir dir("kestrim-open"), tmp("kestrim-open-tmp");
    size_t tracks = 0;
    for (const std::string& file : e2e_entries(shared_track(""))) {
        if (file.size() < 4 || file.compare(file.size() - 4, 4, ".gpx") != 0)
            continue;
        ++tracks;
        std::string name = file.substr(0, file.size() - 4);
        std::string gpx = shared_track(file);
        std::string track = dir.path + "/" + name + ".track", err;
        ASSERT_TRUE(e2e_run(nullptr, {source_path("tools/kestrim-import"), gpx, "-o", track}, 120,
                            nullptr, &err))
            << err;
        std::string imported = open_and_quit(track, tmp.path);
        std::string direct = open_and_quit(gpx, tmp.path);
        /* Its own name in every message, and the same figures. */
        std::string expected = load_messages(imported);
        size_t at = expected.find(track);
        while (at != std::string::npos) {
            expected.replace(at, track.size(), gpx);
            at = expected.find(track, at + gpx.size());
        }
        EXPECT_EQ(load_messages(direct), expected) << name;
        EXPECT_EQ(direct.compare(0, 5 + gpx.size() + 1, "file " + gpx + "\n"), 0) << direct;
        size_t converted = direct.find("converted " + gpx + " (GPX) with gpsbabel: ");
        EXPECT_NE(converted, std::string::npos) << direct;
        EXPECT_LT(converted, direct.find("Reading coordinates from")) << "the line comes first";
    }
    EXPECT_GE(tracks, 1u);
    EXPECT_EQ(e2e_entries(dir.path).size(), tracks) << "only the imports";
}

/* Field n (the sentence's name is field 0) of an NMEA body set to value. */
void set_field(std::string* body, int n, const char* value)
{
    size_t from = 0;
    for (int i = 0; i < n; ++i) {
        from = body->find(',', from);
        if (from == std::string::npos)
            return;
        ++from;
    }
    size_t to = body->find(',', from);
    body->replace(from, (to == std::string::npos ? body->size() : to) - from, value);
}

/* gpsbabel writes the fixes of a GPX without <fix> as void (RMC status V,
   GGA quality 0), and its reader skips void fixes: mark them valid, as a
   receiver's log has them. */
void mark_fixes_valid(const std::string& path)
{
    std::ifstream in(path);
    std::string line, valid;
    while (std::getline(in, line)) {
        size_t star = line.rfind('*');
        if (line.size() < 7 || line[0] != '$' || star == std::string::npos)
            continue;
        std::string body = line.substr(1, star - 1), type = body.substr(2, 3);
        if (type == "RMC")
            set_field(&body, 2, "A");
        else if (type == "GGA")
            set_field(&body, 6, "1");
        valid += nmea_sentence(body);
    }
    in.close();
    std::ofstream(path) << valid;
}

TEST(OpenDirectly, OtherFormatsMadeFromATrackOpenToo)
{
    if (!have_shared_tracks())
        GTEST_SKIP() << "the shared recorded tracks are not beside this checkout";
    E2eTempDir dir("kestrim-open"), tmp("kestrim-open-tmp");
    std::string gpx = shared_track("walk-short.gpx");
    const struct {
        const char* format; /* gpsbabel's name */
        const char* file;   /* named to mislead where the content tells */
        const char* kind;
    } formats[] = {
        {"gtrnctr", "walk.tcx", "TCX"},
        {"kml", "walk.kml", "KML"},
        {"garmin_fit", "walk.dat", "FIT"},
        {"nmea", "walk.log", "NMEA"},
        {"igc", "walk", "IGC"},
        {"gpx", "walk.txt", "GPX"},
    };
    for (const auto& f : formats) {
        std::string path = dir.path + "/" + f.file, err;
        ASSERT_TRUE(e2e_run(nullptr,
                            {"gpsbabel", "-t", "-i", "gpx", "-f", gpx, "-o", f.format, "-F", path},
                            60, nullptr, &err))
            << err;
        if (std::string(f.kind) == "NMEA")
            mark_fixes_valid(path);
        std::string out = open_and_quit(path, tmp.path);
        EXPECT_NE(out.find("converted " + path + " (" + f.kind + ") with gpsbabel: "),
                  std::string::npos)
            << out;
        EXPECT_EQ(out.find("BesselFrames size = 0\n"), std::string::npos) << f.kind << ": " << out;
    }
}

struct FailureCase {
    const char* name;
    std::vector<std::string> (*make)(const std::string& dir); /* the arguments */
    std::vector<std::string> env;
    const char* reason; /* a piece of the one line */
};

std::string write_file(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
    return path;
}

const char WAYPOINTS_ONLY[] = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\">\n"
                              "<wpt lat=\"45.7\" lon=\"14.3\"><name>A</name></wpt>\n</gpx>\n";
const char CUT_SHORT[] = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\">\n"
                         "<trk><trkseg><trkpt lat=\"45.7\" lon=\"14.3\"><time>2010-08-0";

/* A folder of links to every program of /usr/bin but gpsbabel, as PATH. */
std::string path_without_gpsbabel(const std::string& dir)
{
    std::string bin = dir + "/bin";
    mkdir(bin.c_str(), 0755);
    for (const std::string& name : e2e_entries("/usr/bin"))
        if (name != "gpsbabel")
            symlink(("/usr/bin/" + name).c_str(), (bin + "/" + name).c_str());
    return bin;
}

TEST(OpenDirectly, AFileThatCannotBeShownSaysWhyInOneLineAndOpensNoWindow)
{
    E2eTempDir programs("kestrim-open-bin");
    const std::string no_gpsbabel = "PATH=" + path_without_gpsbabel(programs.path);
    const FailureCase cases[] = {
        {"gpsbabel missing",
         [](const std::string& d) {
             return std::vector<std::string>{write_file(d + "/ride.gpx", WAYPOINTS_ONLY)};
         },
         {no_gpsbabel},
         "gpsbabel is not installed"},
        {"a file that is not there",
         [](const std::string& d) { return std::vector<std::string>{d + "/missing.gpx"}; },
         {},
         "cannot read"},
        {"a format gpsbabel rejects",
         [](const std::string& d) {
             return std::vector<std::string>{"--format", "nosuchformat",
                                             write_file(d + "/ride.gpx", WAYPOINTS_ONLY)};
         },
         {},
         "nosuchformat"},
        {"only waypoints",
         [](const std::string& d) {
             return std::vector<std::string>{write_file(d + "/ride.gpx", WAYPOINTS_ONLY)};
         },
         {},
         "no track points"},
        {"XML cut short",
         [](const std::string& d) {
             return std::vector<std::string>{write_file(d + "/ride.gpx", CUT_SHORT)};
         },
         {},
         "ride.gpx"},
    };
    for (const FailureCase& c : cases) {
        E2eTempDir dir("kestrim-open"), tmp("kestrim-open-tmp");
        std::vector<std::string> args = c.make(dir.path);
        std::vector<std::string> before = e2e_entries(dir.path);
        std::vector<std::string> argv = {"/usr/bin/env", "-u", "DISPLAY", "TMPDIR=" + tmp.path};
        argv.insert(argv.end(), c.env.begin(), c.env.end());
        argv.push_back(KESTRIM_BINARY);
        argv.insert(argv.end(), args.begin(), args.end());
        std::string out, err;
        int code = -1;
        e2e_run(nullptr, argv, 60, &out, &err, &code);
        EXPECT_EQ(code, 1) << c.name << "\n" << out << err;
        std::string file = args.back();
        std::string head = "file " + file + "\nkestrim: cannot open " + file + ": ";
        EXPECT_EQ(out.compare(0, head.size(), head), 0) << c.name << ": " << out;
        EXPECT_NE(out.find(c.reason, head.size()), std::string::npos) << c.name << ": " << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << c.name << ": " << out;
        EXPECT_EQ(err.find("failed to open display"), std::string::npos) << "no window: " << err;
        EXPECT_EQ(e2e_entries(dir.path), before) << c.name;
        EXPECT_TRUE(e2e_entries(tmp.path).empty()) << c.name;
    }
}

/* A stand-in gpsbabel first on PATH: the real one's place, doing harm. */
std::string stand_in_gpsbabel(const std::string& dir, const std::string& body)
{
    std::string bin = dir + "/bin";
    mkdir(bin.c_str(), 0755);
    std::string path = write_file(bin + "/gpsbabel", "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return bin;
}

TEST(OpenDirectly, AGpsbabelThatCrashesIsReported)
{
    E2eTempDir dir("kestrim-open"), tmp("kestrim-open-tmp");
    std::string bin = stand_in_gpsbabel(dir.path, "kill -SEGV $$");
    std::string gpx = write_file(dir.path + "/ride.gpx", WAYPOINTS_ONLY);
    std::string out, err;
    int code = -1;
    e2e_run(nullptr,
            {"/usr/bin/env", "-u", "DISPLAY", "TMPDIR=" + tmp.path,
             "PATH=" + bin + ":/usr/bin:/bin", KESTRIM_BINARY, gpx},
            60, &out, &err, &code);
    EXPECT_EQ(code, 1) << out << err;
    EXPECT_NE(out.find("kestrim: cannot open " + gpx + ": "), std::string::npos) << out;
    EXPECT_TRUE(e2e_entries(tmp.path).empty());
}

/* True when a process runs whose command line, its arguments joined by
   NULs, is command. */
bool a_process_runs(const std::string& command)
{
    for (const std::string& pid : e2e_entries("/proc")) {
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in("/proc/" + pid + "/cmdline", std::ios::binary);
        std::stringstream line;
        line << in.rdbuf();
        std::string text = line.str();
        if (!text.empty() && text.back() == '\0')
            text.pop_back();
        if (text == command)
            return true;
    }
    return false;
}

/* A gpsbabel that never ends: the viewer gives up on it after its limit,
   and a signal meanwhile ends the viewer at once, leaving nothing. */
TEST(OpenDirectly, AGpsbabelThatHangsIsStoppedAndInterruptingLeavesNothing)
{
    E2eTempDir dir("kestrim-open"), tmp("kestrim-open-tmp");
    std::string bin = stand_in_gpsbabel(dir.path, "exec sleep 987654");
    std::string gpx = write_file(dir.path + "/ride.gpx", WAYPOINTS_ONLY);
    std::vector<std::string> env = {"TMPDIR=" + tmp.path, "PATH=" + bin + ":/usr/bin:/bin"};
    E2eDisplayGuard display;
    ASSERT_TRUE(e2e_start_display(&display.d));
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        E2eProcessGuard viewer;
        ASSERT_TRUE(e2e_spawn(display.d, {KESTRIM_BINARY, gpx}, &viewer.p, env));
        e2e_sleep(1.0); /* into the conversion */
        ASSERT_FALSE(e2e_entries(tmp.path).empty()) << "the conversion is under way";
        kill(viewer.p.pid, signal_number);
        int code = -1;
        ASSERT_TRUE(e2e_wait_exit(&viewer.p, 5, &code)) << "ended at once";
        EXPECT_EQ(code, 128 + signal_number);
        EXPECT_TRUE(e2e_entries(tmp.path).empty()) << signal_number;
        e2e_sleep(0.2);
        EXPECT_FALSE(a_process_runs("sleep\0"
                                    "987654"))
            << "the stand-in outlived the viewer";
    }
    E2eProcessGuard viewer;
    ASSERT_TRUE(e2e_spawn(display.d, {KESTRIM_BINARY, gpx}, &viewer.p, env));
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&viewer.p, 90, &code)) << "not waited on forever";
    EXPECT_EQ(code, 1);
    EXPECT_NE(viewer.p.out.find("the conversion did not end within"), std::string::npos)
        << viewer.p.out;
    EXPECT_TRUE(e2e_entries(tmp.path).empty());
}

TEST(OpenDirectly, MoreThanOneFileIsRefused)
{
    std::string out;
    int code = -1;
    e2e_run(nullptr, {"/usr/bin/env", "-u", "DISPLAY", KESTRIM_BINARY, "a.gpx", "b.track"}, 30,
            &out, nullptr, &code);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(out.compare(0, 40, "kestrim: one file at a time: not also b."), 0) << out;
}

} // namespace
