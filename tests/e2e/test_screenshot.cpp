/*
 * test_screenshot.cpp - the window's picture as a PNG: key p in the real
 * viewer's window, judged against a screenshot of that window and by the
 * names it picks in its folder; and "kestrim --screenshot" without a
 * display, judged by the picture, by what it leaves behind and by its
 * failures.  PNG files are read back with ImageMagick, a reader of its own.
 */
#include "support/kestrim_run.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const double SAY_SECONDS = 20.0;
const double SETTLE_SECONDS = 1.0;
const double RUN_SECONDS = 120.0; /* a load and a picture under ASan */
const int WINDOW_SIZE = 600;

std::string sample_track()
{
    return source_path("data/walk-short.track");
}

void write_text(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

/* ------------------------------------------------------------ key p */

/* Presses p and waits for the line it prints, returned without its end. */
std::string press_p(KestrimRun* run)
{
    size_t before = run->viewer.p.out.size();
    EXPECT_TRUE(e2e_key(run->display.d, run->window, "p"));
    if (!e2e_wait_new_output(&run->viewer.p, before, "\n", SAY_SECONDS))
        return "";
    size_t end = run->viewer.p.out.find('\n', before);
    return run->viewer.p.out.substr(before, end - before);
}

/* The pixels of picture that the window showed both before and after it
   was taken must be the picture's.  Only the frames per second change by
   themselves, once a second, so a few pixels may differ between the two
   screenshots; those are not judged. */
void expect_the_windows_pixels(const E2eImage& picture, const E2eImage& before,
                               const E2eImage& after, const std::string& label)
{
    ASSERT_EQ(picture.width, after.width) << label;
    ASSERT_EQ(picture.height, after.height) << label;
    ASSERT_EQ(before.rgb.size(), after.rgb.size()) << label;
    int changing = e2e_pixels_differing(before, after), wrong = 0, first_wrong = -1;
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        bool steady = std::equal(&before.rgb[i], &before.rgb[i] + 3, &after.rgb[i]);
        if (steady && !std::equal(&picture.rgb[i], &picture.rgb[i] + 3, &after.rgb[i])) {
            if (wrong++ == 0)
                first_wrong = static_cast<int>(i / 3);
        }
    }
    EXPECT_LT(changing, picture.width * 40) << label << ": more than the frame count changed";
    EXPECT_EQ(wrong, 0) << label << ": first at x " << first_wrong % picture.width << ", y "
                        << first_wrong / picture.width;
    EXPECT_GT(e2e_count_red(picture), 100) << label << ": the track is drawn";
}

TEST(KeyP, WritesTheWindowsPixelsUnderTheFirstFreeNameAndOverwritesNothing)
{
    E2eTempDir dir("kestrim-pictures");
    ASSERT_FALSE(dir.path.empty());
    /* Someone's file where the second picture would go. */
    std::string theirs = dir.path + "/kestrim-walk-short-2.png";
    write_text(theirs, "not a picture of ours");
    KestrimRun run;
    ASSERT_TRUE(
        start_kestrim(&run, {sample_track()}, KESTRIM_START_SECONDS, {"env", "-C", dir.path}))
        << run.viewer.p.out;
    e2e_sleep(SETTLE_SECONDS); /* past the first frames */
    const char* expected_names[] = {"kestrim-walk-short-1.png", "kestrim-walk-short-3.png",
                                    "kestrim-walk-short-4.png"};
    for (const char* name : expected_names) {
        E2eImage before, after, picture;
        ASSERT_TRUE(e2e_screenshot(run.display.d, run.window, &before));
        EXPECT_EQ(press_p(&run), std::string("picture written to ") + name);
        ASSERT_TRUE(e2e_screenshot(run.display.d, run.window, &after));
        ASSERT_TRUE(e2e_read_png(dir.path + "/" + name, &picture)) << name;
        expect_the_windows_pixels(picture, before, after, name);
    }
    EXPECT_EQ(e2e_read_file(theirs), "not a picture of ours");
    EXPECT_EQ(e2e_entries(dir.path),
              (std::vector<std::string>{"kestrim-walk-short-1.png", "kestrim-walk-short-2.png",
                                        "kestrim-walk-short-3.png", "kestrim-walk-short-4.png"}));
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "q"));
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&run.viewer.p, 20, &code));
    EXPECT_EQ(code, 0);
    expect_no_sanitizer_report(run);
}

TEST(KeyP, AFolderThatCannotBeWrittenIsSaidAndTheViewerGoesOn)
{
    E2eTempDir dir("kestrim-pictures");
    ASSERT_FALSE(dir.path.empty());
    ASSERT_EQ(chmod(dir.path.c_str(), 0555), 0);
    /* Root writes anywhere; without CAP_DAC_OVERRIDE the mode holds for it too. */
    std::vector<std::string> prefix;
    if (geteuid() == 0)
        prefix = {"setpriv", "--bounding-set", "-dac_override,-dac_read_search", "--"};
    prefix.insert(prefix.end(), {"env", "-C", dir.path});
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {sample_track()}, KESTRIM_START_SECONDS, prefix))
        << run.viewer.p.out;
    std::string said = press_p(&run);
    EXPECT_EQ(said, "picture not written: kestrim-walk-short-1.png in " + dir.path +
                        ": Permission denied");
    EXPECT_TRUE(e2e_entries(dir.path).empty());
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "q"));
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&run.viewer.p, 20, &code));
    EXPECT_EQ(code, 0);
    expect_no_sanitizer_report(run);
    chmod(dir.path.c_str(), 0755);
}

/* ------------------------------------------------------------ --screenshot */

struct CommandRun {
    int code = -1;
    std::string out, err;
    std::vector<std::string> left; /* processes it started that still run */
};

/* The processes whose environment holds entry: whatever the run started
   and left running.  They are killed, so that a failure leaves nothing
   either. */
std::vector<std::string> processes_left_with(const std::string& entry)
{
    std::vector<std::string> found;
    for (const std::string& pid : e2e_entries("/proc")) {
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string environment = '\0' + e2e_read_file("/proc/" + pid + "/environ");
        if (environment.find('\0' + entry + '\0') != std::string::npos) {
            found.push_back(pid + " " + e2e_read_file("/proc/" + pid + "/cmdline"));
            kill(std::stoi(pid), SIGKILL);
        }
    }
    return found;
}

/* The X server's files in /tmp: sockets and lock files. */
std::vector<std::string> x_files_in_tmp()
{
    std::vector<std::string> files = e2e_entries("/tmp/.X11-unix");
    for (const std::string& name : e2e_entries("/tmp"))
        if (name.compare(0, 2, ".X") == 0 && name != ".X11-unix")
            files.push_back(name);
    return files;
}

/* kestrim with args, display_env in front of it ("-u DISPLAY" or
   "DISPLAY=..."), its own TMPDIR, and a mark in its environment that
   whatever it starts inherits, to find what it left running.  It runs in
   a session of its own: the harness ends what is left in the group of
   what it ran, which would hide an X server left behind. */
CommandRun run_screenshot(const std::vector<std::string>& display_env, const std::string& tmpdir,
                          const std::vector<std::string>& args, const E2eDisplay* display = nullptr)
{
    static int runs = 0;
    std::string mark =
        "KESTRIM_SCREENSHOT_TEST=" + std::to_string(getpid()) + "-" + std::to_string(++runs);
    std::vector<std::string> argv = {"setsid", "--wait", "/usr/bin/env"};
    argv.insert(argv.end(), display_env.begin(), display_env.end());
    argv.insert(argv.end(), {"TMPDIR=" + tmpdir, mark, KESTRIM_BINARY});
    argv.insert(argv.end(), args.begin(), args.end());
    CommandRun run;
    e2e_run(display, argv, RUN_SECONDS, &run.out, &run.err, &run.code);
    run.left = processes_left_with(mark);
    EXPECT_EQ(run.err.find("AddressSanitizer"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("runtime error:"), std::string::npos) << run.err;
    return run;
}

std::string last_line(const std::string& text)
{
    std::vector<std::string> lines = e2e_lines(text);
    return lines.empty() ? "" : lines.back();
}

TEST(ScreenshotCommand, DrawsTheSameStartViewWithOrWithoutADisplayAndLeavesNothing)
{
    E2eDisplayGuard shared;
    ASSERT_TRUE(e2e_start_display(&shared.d));
    const struct {
        const char* label;
        std::vector<std::string> display_env;
        const E2eDisplay* display;
    } cases[] = {
        {"no DISPLAY", {"-u", "DISPLAY"}, nullptr},
        {"a DISPLAY that does not open", {"DISPLAY=:64999"}, nullptr},
        {"a display that opens", {}, &shared.d},
    };
    std::vector<std::string> x_files = x_files_in_tmp();
    E2eImage first;
    for (const auto& c : cases) {
        E2eTempDir dir("kestrim-shot"), tmp("kestrim-shot-tmp");
        std::string out = dir.path + "/start.png";
        /* Asked for by name, a file there is replaced. */
        write_text(out, "an older picture");
        CommandRun run = run_screenshot(c.display_env, tmp.path,
                                        {"--screenshot", out, sample_track()}, c.display);
        EXPECT_EQ(run.code, 0) << c.label << "\n" << run.out << run.err;
        EXPECT_EQ(last_line(run.out), "picture written to " + out) << c.label;
        E2eImage picture;
        ASSERT_TRUE(e2e_read_png(out, &picture)) << c.label;
        EXPECT_EQ(picture.width, WINDOW_SIZE) << c.label;
        EXPECT_EQ(picture.height, WINDOW_SIZE) << c.label;
        EXPECT_GT(e2e_count_red(picture), 100) << c.label << ": the track is drawn";
        /* No frames per second at the top left: nothing but white there. */
        E2eGeometry corner = {0, 0, 300, 45};
        EXPECT_EQ(e2e_count_near(picture, {255, 255, 255}, 0, &corner), 300 * 45) << c.label;
        if (first.rgb.empty())
            first = picture;
        else
            EXPECT_EQ(e2e_pixels_differing(first, picture), 0)
                << c.label << ": not the same picture";
        EXPECT_EQ(e2e_entries(dir.path), std::vector<std::string>{"start.png"}) << c.label;
        EXPECT_TRUE(e2e_entries(tmp.path).empty()) << c.label;
        EXPECT_EQ(run.left, std::vector<std::string>{}) << c.label;
    }
    EXPECT_EQ(x_files_in_tmp(), x_files);
}

TEST(ScreenshotCommand, PressesItsKeysBeforeThePicture)
{
    E2eTempDir dir("kestrim-shot"), tmp("kestrim-shot-tmp");
    std::string plain = dir.path + "/plain.png", keyed = dir.path + "/keyed.png";
    CommandRun first =
        run_screenshot({"-u", "DISPLAY"}, tmp.path, {"--screenshot", plain, sample_track()});
    CommandRun second = run_screenshot({"-u", "DISPLAY"}, tmp.path,
                                       {"--keys", "i k", "--screenshot", keyed, sample_track()});
    EXPECT_EQ(first.code, 0) << first.out;
    EXPECT_EQ(second.code, 0) << second.out;
    EXPECT_EQ(first.left, std::vector<std::string>{});
    EXPECT_EQ(second.left, std::vector<std::string>{});
    EXPECT_NE(second.out.find("colouring: speed\npicture written to " + keyed + "\n"),
              std::string::npos)
        << second.out;
    E2eImage without, with;
    ASSERT_TRUE(e2e_read_png(plain, &without));
    ASSERT_TRUE(e2e_read_png(keyed, &with));
    /* The statistics panel (i), top right, and the track in speed colours
       (k): yellow, green and cyan, which the fixes are never drawn in. */
    E2eGeometry panel = {WINDOW_SIZE / 2, 0, WINDOW_SIZE / 2, 200};
    int white = WINDOW_SIZE / 2 * 200;
    EXPECT_EQ(e2e_count_near(without, {255, 255, 255}, 0, &panel), white);
    EXPECT_LT(e2e_count_near(with, {255, 255, 255}, 0, &panel), white / 2);
    E2eGeometry track = {0, 215, WINDOW_SIZE, 300}; /* between the panel and the legend */
    auto banded = [](const E2eRgb& p) { return p.g > 100 && !(p.r > 200 && p.b > 200); };
    EXPECT_EQ(e2e_count_pixels(without, banded, &track), 0);
    EXPECT_GT(e2e_count_pixels(with, banded, &track), 20);
}

TEST(ScreenshotCommand, WhatCannotBeDoneIsSaidInALineAndExits1)
{
    E2eTempDir dir("kestrim-shot"), tmp("kestrim-shot-tmp");
    std::string a_file = dir.path + "/a-file";
    write_text(a_file, "x");
    std::string missing_track = dir.path + "/missing.track";
    const struct {
        const char* label;
        std::string out, track, said;
    } cases[] = {
        {"no such folder", dir.path + "/none/out.png", sample_track(),
         "kestrim: cannot write " + dir.path + "/none/out.png: No such file or directory"},
        {"a path through a file", a_file + "/out.png", sample_track(),
         "kestrim: cannot write " + a_file + "/out.png: Not a directory"},
        {"a folder", dir.path, sample_track(),
         "kestrim: cannot write " + dir.path + ": it is a folder"},
        {"no such track", dir.path + "/out.png", missing_track,
         "kestrim: cannot open " + missing_track + ": No such file or directory"},
    };
    for (const auto& c : cases) {
        CommandRun run =
            run_screenshot({"-u", "DISPLAY"}, tmp.path, {"--screenshot", c.out, c.track});
        EXPECT_EQ(run.code, 1) << c.label << "\n" << run.out;
        EXPECT_EQ(last_line(run.out), c.said) << c.label;
        EXPECT_EQ(run.out.find("picture written"), std::string::npos) << c.label;
        /* Neither the picture nor a part of it. */
        EXPECT_EQ(e2e_entries(dir.path), std::vector<std::string>{"a-file"}) << c.label;
        EXPECT_TRUE(e2e_entries(tmp.path).empty()) << c.label;
        EXPECT_EQ(run.left, std::vector<std::string>{}) << c.label;
    }
}

} // namespace
