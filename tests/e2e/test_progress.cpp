/*
 * test_progress.cpp - a long load in the real kestrim: its bar in the
 * window, q, Q or the close button during it ending the viewer at once
 * with status 0 while no other key acts, the progress line on a terminal
 * (a pty of script) erased before every message so that the transcript
 * reads as in a pipe, where no progress line is written at all; and the
 * time of a long conversion on the terminal line, the viewer's and
 * kestrim-import's.
 */
#include "support/kestrim_run.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

const double LONG_SECONDS = 300;  /* a debug build under ASan loads slowly */
const E2eRgb BAR = {26, 77, 153}; /* the share read, steel blue */

/* count fixes a second apart, a thousand lines a write. */
bool write_fixes(const std::string& path, int count)
{
    std::ofstream out(path, std::ios::binary);
    for (int block = 0; block < count / 1000; ++block) {
        std::string text;
        for (int i = block * 1000; i < (block + 1) * 1000; ++i) {
            char line[96];
            snprintf(line, sizeof line, "D=2010-08-05T%02d:%02d:%02d,P=%.7f 14.2500000,V=5.000\n",
                     i / 3600 % 24, i / 60 % 60, i % 60, 45.0 + (i % 100000) * 1e-6);
            text += line;
        }
        out << text;
    }
    return static_cast<bool>(out);
}

/* The close button: the window manager's WM_DELETE_WINDOW message. */
bool send_close(const E2eDisplay& d, const std::string& window)
{
    Display* x = XOpenDisplay(e2e_display_name(d).c_str());
    if (x == nullptr)
        return false;
    Window id = std::stoul(window);
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = id;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    Status sent = XSendEvent(x, id, False, NoEventMask, &event);
    XFlush(x);
    XCloseDisplay(x);
    return sent != 0;
}

/* True once the window shows the load's bar with some of the file read. */
bool wait_for_bar(KestrimRun* run, double timeout_s)
{
    for (double waited = 0; waited < timeout_s; waited += 0.1) {
        E2eImage shot;
        if (e2e_screenshot(run->display.d, run->window, &shot) &&
            e2e_count_near(shot, BAR, 12) > 50)
            return true;
        if (run->viewer.p.out.find(LOAD_END) != std::string::npos)
            return false; /* over before it could be seen */
        e2e_wait_output(&run->viewer.p, LOAD_END, 0.1);
    }
    return false;
}

class LongLoad : public testing::Test {
  protected:
    static E2eTempDir* dir;
    static std::string track; /* big enough to load for seconds */

    static void SetUpTestSuite()
    {
        dir = new E2eTempDir("kestrim-progress");
        track = dir->path + "/long.track";
        if (!write_fixes(track, 2500000))
            track.clear();
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }
};
E2eTempDir* LongLoad::dir = nullptr;
std::string LongLoad::track;

struct Ending {
    const char* name;
    const char* key; /* null: the close button */
};

class EndDuringLoad : public LongLoad, public testing::WithParamInterface<Ending> {};

TEST_P(EndDuringLoad, EndsTheViewerAtOnceWithStatusZeroAndNoOtherKeyActs)
{
    ASSERT_FALSE(track.empty());
    KestrimRun run;
    ASSERT_TRUE(e2e_start_display(&run.display.d));
    ASSERT_TRUE(e2e_spawn(run.display.d, {KESTRIM_BINARY, track}, &run.viewer.p));
    run.window = e2e_find_window(run.display.d, "Trevan", LONG_SECONDS);
    ASSERT_FALSE(run.window.empty());
    ASSERT_TRUE(wait_for_bar(&run, LONG_SECONDS)) << "the window shows the load";
    /* Keys that would print or change the track: none may act now. */
    for (const char* key : {"h", "x", "k", "i", "r"})
        ASSERT_TRUE(e2e_key(run.display.d, run.window, key));
    ASSERT_TRUE(e2e_button_down(run.display.d, 1));
    ASSERT_TRUE(e2e_button_up(run.display.d, 1));
    if (GetParam().key != nullptr)
        ASSERT_TRUE(e2e_key(run.display.d, run.window, GetParam().key));
    else
        ASSERT_TRUE(send_close(run.display.d, run.window));
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&run.viewer.p, LONG_SECONDS, &code)) << run.viewer.p.out;
    EXPECT_EQ(code, 0);
    const std::string& out = run.viewer.p.out;
    EXPECT_EQ(out.find(LOAD_END), std::string::npos) << "it ended before the load did\n" << out;
    for (const char* said : {"F - draw", "height exaggeration", "colouring", "mouse clicked"})
        EXPECT_EQ(out.find(said), std::string::npos) << said << "\n" << out;
    expect_no_sanitizer_report(run);
}

INSTANTIATE_TEST_SUITE_P(Table, EndDuringLoad,
                         testing::Values(Ending{"q", "q"}, Ending{"Q", "Q"},
                                         Ending{"CloseButton", nullptr}),
                         [](const testing::TestParamInfo<Ending>& info) {
                             return std::string(info.param.name);
                         });

const char ERASE[] = "\r\033[K";

/* The transcript as a reader of the terminal sees it once every progress
   line is erased: the line ends of the pty as in a pipe, and every text
   written between two erasures dropped.  A progress line that a message
   was appended to, or that was left standing, stays in it. */
std::string as_read(const std::string& out, int* progress_lines)
{
    std::string text;
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n')
            continue;
        text += out[i];
    }
    std::string kept;
    size_t at = 0;
    *progress_lines = 0;
    for (;;) {
        size_t erase = text.find(ERASE, at);
        if (erase == std::string::npos) {
            kept += text.substr(at);
            return kept;
        }
        kept += text.substr(at, erase - at);
        size_t start = erase + sizeof ERASE - 1;
        size_t next = text.find(ERASE, start);
        std::string piece =
            text.substr(start, next == std::string::npos ? std::string::npos : next - start);
        if (next != std::string::npos && piece.find('\n') == std::string::npos) {
            *progress_lines += !piece.empty();
            at = next; /* a progress line, erased by what follows */
        } else {
            at = start;
        }
    }
}

/* The viewer's transcript with args, through a pty when on_terminal, to
   its end by q. */
std::string transcript(const std::vector<std::string>& args, bool on_terminal,
                       const std::string& tmp)
{
    KestrimRun run;
    EXPECT_TRUE(e2e_start_display(&run.display.d));
    std::vector<std::string> argv = {KESTRIM_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    if (on_terminal) {
        std::string command;
        for (const std::string& arg : argv)
            command += (command.empty() ? "'" : " '") + arg + "'";
        argv = {"script", "-qec", command, "/dev/null"};
    }
    EXPECT_TRUE(e2e_spawn(run.display.d, argv, &run.viewer.p, {"TMPDIR=" + tmp}));
    /* The statistics follow the load's end, and q is read after them, as
       the whole transcript is, until the viewer ends. */
    EXPECT_TRUE(e2e_wait_output(&run.viewer.p, STATISTICS_START, LONG_SECONDS)) << run.viewer.p.out;
    run.window = e2e_find_window(run.display.d, "Trevan", 30);
    EXPECT_FALSE(run.window.empty());
    EXPECT_TRUE(e2e_key(run.display.d, run.window, "q"));
    int code = -1;
    EXPECT_TRUE(e2e_wait_exit(&run.viewer.p, 30, &code));
    EXPECT_EQ(code, 0);
    std::string out = run.viewer.p.out + e2e_stderr(run.viewer.p);
    EXPECT_EQ(out.find("AddressSanitizer"), std::string::npos) << out;
    EXPECT_EQ(out.find("runtime error:"), std::string::npos) << out;
    return run.viewer.p.out;
}

/* The pipe's transcript has no progress at all; the terminal's reads the
   same once its progress lines, which it did show, are erased. */
void expect_same_but_progress(const std::vector<std::string>& args, const char* progress_word)
{
    E2eTempDir tmp("kestrim-progress-tmp");
    std::string piped = transcript(args, false, tmp.path);
    EXPECT_EQ(piped.find('\r'), std::string::npos) << piped;
    EXPECT_EQ(piped.find('\033'), std::string::npos) << piped;
    EXPECT_EQ(piped.find(progress_word), std::string::npos) << piped;
    std::string shown = transcript(args, true, tmp.path);
    int progress_lines = 0;
    std::string read = as_read(shown, &progress_lines);
    EXPECT_EQ(read, piped) << "on the terminal:\n" << shown;
    EXPECT_GE(progress_lines, 1) << shown;
    EXPECT_NE(shown.find(std::string(ERASE) + progress_word), std::string::npos) << shown;
    EXPECT_TRUE(e2e_entries(tmp.path).empty()) << "nothing of a conversion is left";
}

TEST(LoadOnATerminal, OneLineShowsTheLoadAndIsErasedBeforeEachMessage)
{
    /* 2.5 million fixes load for seconds (reading alone takes more than
       half a second), and two broken lines at the end give their warnings
       while the progress line is shown. */
    E2eTempDir dir("kestrim-progress");
    std::string path = dir.path + "/long.track";
    ASSERT_TRUE(write_fixes(path, 2500000));
    {
        std::ofstream out(path, std::ios::app);
        out << "D=2010-08-05T14:25\nD=2010-08-05T14:26,P=91 14,V=1\n";
    }
    expect_same_but_progress({path}, "loading: ");
}

TEST(LongConversion, OnATerminalTheLineShowsTheTimeSoFarAndIsErasedBeforeTheResult)
{
    E2eTempDir dir("kestrim-progress");
    std::string gpx = dir.path + "/long.gpx";
    {
        /* About two seconds of gpsbabel on this kind of machine. */
        std::ofstream out(gpx);
        out << "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\" "
               "xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>\n";
        for (int i = 0; i < 20000; ++i) {
            char point[160];
            snprintf(point, sizeof point,
                     "<trkpt lat=\"%.6f\" lon=\"14.3\"><ele>300</ele>"
                     "<time>2010-08-05T%02d:%02d:%02dZ</time></trkpt>\n",
                     45.7 + i * 1e-5, i / 3600 % 24, i / 60 % 60, i % 60);
            out << point;
        }
        out << "</trkseg></trk></gpx>\n";
        ASSERT_TRUE(static_cast<bool>(out));
    }
    expect_same_but_progress({gpx}, "converting long.gpx with gpsbabel: ");

    /* kestrim-import, run by a person, the same way. */
    std::string import = source_path("tools/kestrim-import");
    std::string piped, shown;
    ASSERT_TRUE(
        e2e_run(nullptr, {import, "--force", "-o", dir.path + "/a.track", gpx}, 120, &piped));
    ASSERT_TRUE(e2e_run(nullptr,
                        {"script", "-qec",
                         "'" + import + "' --force -o '" + dir.path + "/a.track' '" + gpx + "'",
                         "/dev/null"},
                        120, &shown));
    EXPECT_EQ(piped.find('\r'), std::string::npos) << piped;
    int progress_lines = 0;
    EXPECT_EQ(as_read(shown, &progress_lines), piped) << shown;
    EXPECT_GE(progress_lines, 1) << shown;
}

} // namespace
