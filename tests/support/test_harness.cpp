/*
 * test_harness.cpp - the end-to-end harness itself, checked against stock
 * tools only: Xvfb, /bin/sh, ImageMagick's convert, and xev (x11-utils, the
 * same package as xwininfo) as a stand-in window that prints every event it
 * receives.
 */

#include "harness.h"

#include "track/clock.h"

#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

/* A zombie still answers kill(pid, 0), and orphans here may never be reaped,
   so "alive" is read from /proc. */
static bool alive(pid_t pid)
{
    std::string stat;
    FILE* f = fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!f)
        return false;
    char buf[512];
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    stat.assign(buf, n);
    size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
}

static bool wait_dead(pid_t pid, double timeout_s)
{
    double deadline = monotonic_seconds() + timeout_s;
    while (alive(pid)) {
        if (monotonic_seconds() >= deadline)
            return false;
        e2e_sleep(0.02);
    }
    return true;
}

static int count_of(const std::string& hay, const std::string& needle)
{
    int n = 0;
    for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1))
        n++;
    return n;
}

/* ---------------------------------------------------------------- displays */

TEST(E2eDisplay, EachTestGetsItsOwnServerAndStopEndsIt)
{
    E2eDisplayGuard a, b;
    ASSERT_TRUE(e2e_start_display(&a.d));
    ASSERT_TRUE(e2e_start_display(&b.d));
    EXPECT_NE(a.d.number, b.d.number);
    for (E2eDisplay* d : {&a.d, &b.d}) {
        std::string info;
        ASSERT_TRUE(e2e_run(d, {"xdpyinfo"}, 10, &info)) << e2e_display_name(*d);
        EXPECT_NE(info.find("dimensions:    1280x1024 pixels"), std::string::npos) << info;
        EXPECT_NE(info.find("depth of root window:    24 planes"), std::string::npos);
    }

    E2eDisplay stopped = a.d;
    e2e_stop_display(&a.d);
    EXPECT_EQ(a.d.pid, -1);
    EXPECT_FALSE(alive(stopped.pid));
    /* Its number may be taken at once by a display of a test running in
       parallel, so only the process is checked. */
    EXPECT_TRUE(e2e_run(&b.d, {"xdpyinfo"}, 10)) << "stopping one display hit the other";

    pid_t guarded;
    {
        E2eDisplayGuard g;
        ASSERT_TRUE(e2e_start_display(&g.d));
        guarded = g.d.pid;
    }
    EXPECT_FALSE(alive(guarded));
}

/* ---------------------------------------------------------------- processes */

class E2eProc : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(e2e_start_display(&disp.d));
    }
    E2eDisplayGuard disp;
};

TEST_F(E2eProc, StdoutArrivesAsItIsWrittenAndInFull)
{
    E2eProcessGuard g;
    ASSERT_TRUE(e2e_spawn(disp.d, {"/bin/sh", "-c", "echo hi; sleep 0.2; echo there"}, &g.p));
    ASSERT_TRUE(e2e_wait_output(&g.p, "hi", 5));
    EXPECT_EQ(g.p.out.find("there"), std::string::npos)
        << "wait_output should return on the first line, not at exit";
    ASSERT_TRUE(e2e_wait_output(&g.p, "there", 5));
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&g.p, 5, &code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g.p.out, "hi\nthere\n");
    EXPECT_FALSE(e2e_wait_output(&g.p, "more", 0.1)) << "after EOF nothing more can come";
}

/* The child must see a blocking stdout: with O_NONBLOCK leaking to its end
   of the pipe, writes into a full pipe fail and output is lost. */
TEST_F(E2eProc, LargeOutputIsNotLost)
{
    const char* script =
        "i=0; while [ $i -lt 3000 ]; do "
        "echo 0123456789012345678901234567890123456789012345678901234567890123456789"
        "01234567890123456789012345678; i=$((i+1)); done";
    const size_t total = 3000 * 100;
    E2eProcessGuard g;
    ASSERT_TRUE(e2e_spawn(disp.d, {"/bin/sh", "-c", script}, &g.p));
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&g.p, 30, &code));
    EXPECT_EQ(code, 0) << e2e_stderr(g.p);
    EXPECT_EQ(g.p.out.size(), total);

    std::string out, err;
    EXPECT_TRUE(e2e_run(nullptr, {"/bin/sh", "-c", script}, 30, &out, &err)) << err;
    EXPECT_EQ(out.size(), total);
}

TEST_F(E2eProc, EnvironmentIsInheritedWithDisplayAndExtrasReplaced)
{
    setenv("E2E_SELFTEST_KEEP", "parent", 1);
    setenv("E2E_SELFTEST_OVER", "parent", 1);
    std::string saved_display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
    setenv("DISPLAY", ":4242", 1);
    E2eProcessGuard g;
    bool spawned = e2e_spawn(
        disp.d,
        {"/bin/sh", "-c",
         "echo \"d=$DISPLAY k=$E2E_SELFTEST_KEEP o=$E2E_SELFTEST_OVER n=$E2E_SELFTEST_NEW\";"
         "echo oops >&2; exit 3"},
        &g.p, {"E2E_SELFTEST_OVER=child", "E2E_SELFTEST_NEW=new"});
    if (saved_display.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", saved_display.c_str(), 1);
    unsetenv("E2E_SELFTEST_KEEP");
    unsetenv("E2E_SELFTEST_OVER");
    ASSERT_TRUE(spawned);
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&g.p, 5, &code));
    EXPECT_EQ(code, 3);
    EXPECT_EQ(g.p.out, "d=" + e2e_display_name(disp.d) + " k=parent o=child n=new\n");
    EXPECT_EQ(e2e_stderr(g.p), "oops\n");
}

TEST_F(E2eProc, ExitCodesAndSignals)
{
    struct {
        const char* script;
        int code;
    } cases[] = {
        {"exit 0", 0},
        {"exit 7", 7},
        {"kill -SEGV $$", 128 + SIGSEGV},
        {"kill -ABRT $$", 128 + SIGABRT},
    };
    for (const auto& c : cases) {
        E2eProcessGuard g;
        ASSERT_TRUE(e2e_spawn(disp.d, {"/bin/sh", "-c", c.script}, &g.p));
        int code = -1;
        ASSERT_TRUE(e2e_wait_exit(&g.p, 5, &code)) << c.script;
        EXPECT_EQ(code, c.code) << c.script;
    }
}

TEST_F(E2eProc, MissingProgramIsReportedNotSpawned)
{
    for (const char* prog : {"/nonexistent/e2e-prog", "e2e-no-such-program", "/etc/hostname"}) {
        E2eProcessGuard g;
        EXPECT_FALSE(e2e_spawn(disp.d, {prog}, &g.p)) << prog;
        EXPECT_EQ(g.p.pid, -1);
        std::string err;
        EXPECT_FALSE(e2e_run(&disp.d, {prog}, 5, nullptr, &err)) << prog;
        EXPECT_EQ(err, std::string("cannot execute ") + prog);
    }
    /* A program of the package list names the package to install. */
    EXPECT_EQ(e2e_missing_program_message("valgrind"),
              "valgrind is not installed (Debian package valgrind): run scripts/install-deps.sh");
    EXPECT_EQ(e2e_missing_program_message("Xvfb"),
              "Xvfb is not installed (Debian package xvfb): run scripts/install-deps.sh");
}

TEST(E2eTemp, EverythingGoesUnderTmpdirAndAFolderGoesWithItsContents)
{
    std::string root = e2e_temp_root();
    std::string path;
    {
        E2eTempDir dir("e2e-selftest");
        ASSERT_FALSE(dir.path.empty());
        EXPECT_EQ(dir.path.compare(0, root.size() + 1, root + "/"), 0) << dir.path;
        path = dir.path;
        ASSERT_EQ(mkdir((path + "/inner").c_str(), 0700), 0);
        FILE* f = fopen((path + "/inner/file").c_str(), "w");
        ASSERT_NE(f, nullptr);
        fclose(f);
    }
    EXPECT_NE(access(path.c_str(), F_OK), 0) << path << " is still there";
    std::string file = e2e_temp_file("text");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.compare(0, root.size() + 1, root + "/"), 0) << file;
    unlink(file.c_str());
}

TEST_F(E2eProc, WaitsGiveUpOnTimeAndKillEndsTheProcess)
{
    E2eProcessGuard g;
    ASSERT_TRUE(e2e_spawn(disp.d, {"sleep", "30"}, &g.p));
    double t0 = monotonic_seconds();
    EXPECT_FALSE(e2e_wait_output(&g.p, "never", 0.3));
    EXPECT_FALSE(e2e_wait_exit(&g.p, 0.3, nullptr));
    double waited = monotonic_seconds() - t0;
    EXPECT_GE(waited, 0.55);
    EXPECT_LT(waited, 1.5);
    EXPECT_TRUE(alive(g.p.pid));
    e2e_kill(&g.p);
    EXPECT_TRUE(g.p.reaped);
    EXPECT_EQ(g.p.exit_code, 128 + SIGTERM);
    EXPECT_LT(monotonic_seconds() - t0, 2.0)
        << "a process that obeys SIGTERM must not wait for SIGKILL";
}

TEST_F(E2eProc, KillEscalatesToSigkillAndTakesTheWholeGroup)
{
    pid_t leader, grandchild;
    {
        E2eProcessGuard g;
        /* SIG_IGN survives exec, so the background sleep ignores TERM too. */
        ASSERT_TRUE(e2e_spawn(
            disp.d, {"/bin/sh", "-c", "trap '' TERM; sleep 30 & echo pid=$!; wait"}, &g.p));
        ASSERT_TRUE(e2e_wait_output(&g.p, "\n", 5));
        grandchild = atoi(g.p.out.c_str() + g.p.out.find('=') + 1);
        ASSERT_GT(grandchild, 0);
        leader = g.p.pid;
        double t0 = monotonic_seconds();
        e2e_kill(&g.p);
        double took = monotonic_seconds() - t0;
        EXPECT_GE(took, 1.8);
        EXPECT_LT(took, 4.0);
        EXPECT_EQ(g.p.exit_code, 128 + SIGKILL);
    }
    EXPECT_FALSE(alive(leader));
    EXPECT_TRUE(wait_dead(grandchild, 2.0)) << "the background child outlived the kill";

    pid_t guarded;
    {
        E2eProcessGuard g;
        ASSERT_TRUE(e2e_spawn(disp.d, {"sleep", "30"}, &g.p));
        guarded = g.p.pid;
    }
    EXPECT_FALSE(alive(guarded)) << "the guard must kill a process left running";
}

/* The machine can stand still for tens of seconds; a time limit must not
   count that against a tool. Here the tool stops the test itself for 3 s,
   a stall longer than the tool's whole limit. */
TEST(E2eRun, ATimeLimitDoesNotCountAStallOfTheWholeProcess)
{
    std::string self = std::to_string(getpid());
    std::string script =
        "kill -STOP " + self + "; sleep 3; kill -CONT " + self + "; sleep 1; echo done";
    std::string out;
    EXPECT_TRUE(e2e_run(nullptr, {"/bin/sh", "-c", script}, 2.5, &out)) << out;
    EXPECT_EQ(out, "done\n");
}

TEST(E2eRun, CapturesBothStreamsAndBoundsHungTools)
{
    std::string out, err;
    int code = -1;
    EXPECT_FALSE(e2e_run(nullptr, {"/bin/sh", "-c", "echo out; echo err >&2; exit 2"}, 5, &out,
                         &err, &code));
    EXPECT_EQ(out, "out\n");
    EXPECT_EQ(err, "err\n");
    EXPECT_EQ(code, 2);

    double t0 = monotonic_seconds();
    EXPECT_FALSE(e2e_run(nullptr, {"sleep", "30"}, 0.5, nullptr, nullptr, &code));
    EXPECT_EQ(code, -1);
    EXPECT_LT(monotonic_seconds() - t0, 2.0);

    /* A tool that leaves a child holding its stdout must not keep us
       waiting for that child, and the child is cleaned up. */
    t0 = monotonic_seconds();
    out.clear();
    EXPECT_TRUE(e2e_run(nullptr, {"/bin/sh", "-c", "sleep 30 & echo $!"}, 10, &out));
    EXPECT_LT(monotonic_seconds() - t0, 2.0);
    pid_t left = atoi(out.c_str());
    ASSERT_GT(left, 0);
    EXPECT_TRUE(wait_dead(left, 2.0));
}

/* ---------------------------------------------------------------- images */

static std::string bytes(std::initializer_list<int> v)
{
    std::string s;
    for (int b : v)
        s += (char)b;
    return s;
}

TEST(E2ePpm, ParsesHeaderVariantsAndRejectsBrokenFiles)
{
    struct {
        const char* name;
        std::string data;
        bool ok;
        std::vector<unsigned char> rgb; /* when ok; width 2, height 1 */
    } cases[] = {
        {"plain",
         "P6\n2 1\n255\n" + bytes({1, 2, 3, 250, 251, 252}),
         true,
         {1, 2, 3, 250, 251, 252}},
        {"comments and odd whitespace",
         "P6 # made by hand\n#second\n 2\t1 # size\n255\n" + bytes({9, 8, 7, 6, 5, 4}),
         true,
         {9, 8, 7, 6, 5, 4}},
        {"first data byte is a newline",
         "P6\n2 1\n255\n" + bytes({10, 32, 9, 13, 0, 255}),
         true,
         {10, 32, 9, 13, 0, 255}},
        {"16-bit",
         "P6\n2 1\n65535\n" + bytes({255, 255, 0, 0, 128, 0, 0, 255, 255, 255, 0, 0}),
         true,
         {255, 0, 128, 1, 255, 0}}, /* big-endian: 0x00ff is 1, not 255 */
        {"maxval 15",
         "P6\n2 1\n15\n" + bytes({15, 0, 5, 10, 1, 15}),
         true,
         {255, 0, 85, 170, 17, 255}},
        {"trailing bytes ignored",
         "P6\n2 1\n255\n" + bytes({1, 1, 1, 2, 2, 2, 99}),
         true,
         {1, 1, 1, 2, 2, 2}},
        {"ascii ppm", "P3\n2 1\n255\n1 2 3 4 5 6\n", false, {}},
        {"truncated data", "P6\n2 1\n255\n" + bytes({1, 2, 3, 4, 5}), false, {}},
        {"truncated header", "P6\n2 1\n", false, {}},
        {"zero width", "P6\n0 1\n255\n", false, {}},
        {"zero maxval", "P6\n2 1\n0\n" + bytes({0, 0, 0, 0, 0, 0}), false, {}},
        {"maxval too big", "P6\n2 1\n65536\n" + std::string(12, '\0'), false, {}},
        {"no space after maxval", "P6\n2 1\n255" + bytes({1, 2, 3, 4, 5, 6}), false, {}},
        {"negative size", "P6\n-2 1\n255\n" + std::string(6, '\0'), false, {}},
        {"empty", "", false, {}},
    };
    for (const auto& c : cases) {
        E2eImage img;
        bool ok = e2e_parse_ppm(c.data, &img);
        EXPECT_EQ(ok, c.ok) << c.name;
        if (!ok || !c.ok)
            continue;
        EXPECT_EQ(img.width, 2) << c.name;
        EXPECT_EQ(img.height, 1) << c.name;
        EXPECT_EQ(img.rgb, c.rgb) << c.name;
    }
}

static E2eImage convert_image(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {"convert"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string ppm, err;
    E2eImage img;
    EXPECT_TRUE(e2e_run(nullptr, argv, 30, &ppm, &err)) << err;
    EXPECT_TRUE(e2e_parse_ppm(ppm, &img)) << "convert output does not parse";
    return img;
}

TEST(E2ePpm, ReadsImageMagickAtEitherDepth)
{
    /* This ImageMagick is Q16: without -depth 8 it writes maxval 65535. */
    for (bool depth8 : {true, false}) {
        std::vector<std::string> args = {"-size", "4x4", "xc:red"};
        if (depth8)
            args.insert(args.end(), {"-depth", "8"});
        args.push_back("ppm:-");
        E2eImage img = convert_image(args);
        ASSERT_EQ(img.width, 4);
        ASSERT_EQ(img.height, 4);
        EXPECT_EQ(e2e_count_near(img, {255, 0, 0}, 0), 16) << "depth8=" << depth8;
    }
}

TEST(E2ePpm, AnalysisHelpersOnADrawnRectangle)
{
    /* Blue 5x4 block, pixels x 3..7, y 2..5, on a 20x10 white canvas. */
    E2eImage img =
        convert_image({"-size", "20x10", "xc:white", "+antialias", "-fill", "rgb(0,0,255)", "-draw",
                       "rectangle 3,2 7,5", "-depth", "8", "ppm:-"});
    ASSERT_EQ(img.width, 20);
    ASSERT_EQ(img.height, 10);
    E2eRgb p = e2e_pixel(img, 3, 2);
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.b, 255);
    p = e2e_pixel(img, 8, 2);
    EXPECT_EQ(p.r, 255);

    E2eGeometry box;
    ASSERT_TRUE(e2e_bbox_non_white(img, 10, &box));
    EXPECT_EQ(box.x, 3);
    EXPECT_EQ(box.y, 2);
    EXPECT_EQ(box.width, 5);
    EXPECT_EQ(box.height, 4);

    struct {
        const char* name;
        E2eRgb colour;
        int tol;
        E2eGeometry region;
        bool whole;
        int count;
    } cases[] = {
        {"blue, whole image", {0, 0, 255}, 0, {}, true, 20},
        {"white, whole image", {255, 255, 255}, 0, {}, true, 180},
        {"near blue within tolerance", {20, 20, 235}, 20, {}, true, 20},
        {"just outside tolerance", {20, 20, 235}, 19, {}, true, 0},
        {"region cuts the block", {0, 0, 255}, 0, {0, 0, 5, 10}, false, 8},
        {"region clipped at the image edge", {255, 255, 255}, 0, {15, 5, 100, 100}, false, 25},
        {"region partly left of the image", {0, 0, 255}, 0, {-10, 3, 14, 1}, false, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(e2e_count_near(img, c.colour, c.tol, c.whole ? nullptr : &c.region), c.count)
            << c.name;

    EXPECT_EQ(e2e_count_pixels(img, [](const E2eRgb& q) { return q.b > q.r; }), 20);

    E2eImage white = convert_image({"-size", "3x3", "xc:white", "-depth", "8", "ppm:-"});
    EXPECT_FALSE(e2e_bbox_non_white(white, 0, &box));

    /* PNG round trip through convert gives back the same pixels. */
    E2eTempDir dir("e2e-selftest");
    ASSERT_FALSE(dir.path.empty());
    std::string png = dir.path + "/rect.png";
    ASSERT_TRUE(e2e_save_png(img, png));
    E2eImage back = convert_image({png, "-depth", "8", "ppm:-"});
    EXPECT_EQ(back.width, img.width);
    EXPECT_EQ(back.rgb, img.rgb);
}

/* ---------------------------------------------------------------- windows and input */

/* xev prints each event it gets, flushed, so it shows what a program would
   receive from the input helpers. */
TEST_F(E2eProc, WindowAndInputHelpersReachARealWindow)
{
    E2eProcessGuard xev;
    ASSERT_TRUE(e2e_spawn(disp.d,
                          {"xev", "-geometry", "300x200+50+60", "-name", "E2e Probe", "-event",
                           "keyboard", "-event", "button", "-event", "mouse"},
                          &xev.p));
    std::string id = e2e_find_window(disp.d, "E2e Probe", 10);
    ASSERT_FALSE(id.empty()) << e2e_stderr(xev.p);
    EXPECT_EQ(e2e_find_window(disp.d, "E2E PROBE", 0.2), "") << "title match must be exact";
    EXPECT_EQ(e2e_find_window(disp.d, "E2e", 0.2), "");
    EXPECT_EQ(e2e_window_name(disp.d, id), "E2e Probe");
    E2eGeometry g;
    ASSERT_TRUE(e2e_window_geometry(disp.d, id, &g));
    /* -geometry places the outer corner; xev's window has a 2-pixel border. */
    EXPECT_EQ(g.x, 52);
    EXPECT_EQ(g.y, 62);
    EXPECT_EQ(g.width, 300);
    EXPECT_EQ(g.height, 200);

    ASSERT_TRUE(e2e_key(disp.d, id, "h"));
    EXPECT_TRUE(e2e_wait_output(&xev.p, "keysym 0x68, h)", 5)) << xev.p.out;
    EXPECT_NE(xev.p.out.find("KeyPress event, serial"), std::string::npos);
    EXPECT_NE(xev.p.out.find("synthetic NO"), std::string::npos);

    ASSERT_TRUE(e2e_move(disp.d, id, 150, 120));
    std::string at =
        "(150,120), root:(" + std::to_string(g.x + 150) + "," + std::to_string(g.y + 120) + ")";
    EXPECT_TRUE(e2e_wait_output(&xev.p, at, 5))
        << "moves and geometry must agree on where the window is\n"
        << xev.p.out;

    /* xev's own child window sits near its top-left corner; stay clear. */
    size_t before = xev.p.out.size();
    ASSERT_TRUE(e2e_drag(disp.d, id, 1, 100, 100, 250, 180, 5));
    ASSERT_TRUE(e2e_wait_output(&xev.p, "ButtonRelease", 5));
    e2e_sleep(0.1);
    e2e_wait_output(&xev.p, "never", 0.1);
    std::string drag = xev.p.out.substr(before);
    size_t press = drag.find("ButtonPress");
    size_t release = drag.find("ButtonRelease");
    ASSERT_NE(press, std::string::npos);
    ASSERT_LT(press, release);
    std::string held = drag.substr(press, release - press);
    EXPECT_GE(count_of(held, "MotionNotify"), 5) << "every step should be its own event\n" << held;
    EXPECT_GE(count_of(held, "state 0x100"), 5) << "motion should carry Button1 held";
    EXPECT_NE(drag.find("(250,180)", release), std::string::npos) << "release at the end point";

    before = xev.p.out.size();
    ASSERT_TRUE(e2e_click(disp.d, 3));
    ASSERT_TRUE(e2e_wait_output(&xev.p, "button 3,", 5));
    EXPECT_NE(xev.p.out.find("ButtonRelease", before), std::string::npos);

    E2eImage shot;
    ASSERT_TRUE(e2e_screenshot(disp.d, id, &shot));
    EXPECT_EQ(shot.width, 300);
    EXPECT_EQ(shot.height, 200);
    EXPECT_GT(e2e_count_near(shot, {255, 255, 255}, 0), 300 * 200 / 2) << "xev's window is white";

    e2e_kill(&xev.p);
    EXPECT_EQ(e2e_find_window(disp.d, "E2e Probe", 0.5), "");
}
