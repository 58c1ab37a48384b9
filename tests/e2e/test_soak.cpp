/*
 * test_soak.cpp - the real viewer under random input for a while: keys of
 * the whole table but q, drags in every mode, choices from both menus but
 * Exit.  It must stay alive and answering, with its resident memory flat
 * after a warm-up; then one load under valgrind must show no invalid
 * memory access.
 *
 * The suite runs it for 30 s; scripts/soak.sh runs it for longer.  Set by
 * the environment: KESTRIM_SOAK_SECONDS (30), KESTRIM_SOAK_TRACK (the
 * bundled sample), KESTRIM_SOAK_SEED (1).
 */
#include "support/kestrim_run.h"
#include "track/clock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

const double VALGRIND_START_SECONDS = 600.0;
const double ANSWER_SECONDS = 10.0;
const double EXIT_SECONDS = 30.0;
const long FLAT_SLACK_KB = 4096; /* resident memory may grow by 10% and this */

double setting(const char* name, double otherwise)
{
    const char* value = getenv(name);
    return value != nullptr && *value != '\0' ? atof(value) : otherwise;
}

std::string soak_track()
{
    const char* track = getenv("KESTRIM_SOAK_TRACK");
    return track != nullptr && *track != '\0' ? track : source_path("data/walk-short.track");
}

long resident_kb(pid_t pid)
{
    FILE* status = fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (status == nullptr)
        return -1;
    char line[256];
    long kb = -1;
    while (fgets(line, sizeof line, status) != nullptr)
        if (sscanf(line, "VmRSS: %ld kB", &kb) == 1)
            break;
    fclose(status);
    return kb;
}

bool alive(KestrimRun* run)
{
    int code = -1;
    return !e2e_wait_exit(&run->viewer.p, 0, &code);
}

/* The keys a user may press; q and Q would end the soak. */
const char* const KEYS[] = {
    "h",      "r",    "l",     "s",     "c",          "m",      "f",        "n",
    "N",      "v",    "V",     "b",     "B",          "slash",  "question", "1",
    "exclam", "2",    "at",    "3",     "numbersign", "period", "greater",  "comma",
    "less",   "plus", "equal", "minus", "underscore", "C",      "L",        "M",
    "S",      "R",    "F",     "H",     "x",          "X",
};

/* One random action: a key, a drag, or a menu choice. */
void act(KestrimRun* run, std::mt19937* random)
{
    auto pick = [random](int n) { return static_cast<int>((*random)() % n); };
    switch (pick(4)) {
    case 0:
    case 1: e2e_key(run->display.d, run->window, KEYS[pick(sizeof KEYS / sizeof KEYS[0])]); break;
    case 2:
        e2e_drag(run->display.d, run->window, 1, 100 + pick(400), 100 + pick(400), 100 + pick(400),
                 100 + pick(400), 5);
        break;
    default: {
        /* Right: Move, Scale, Reset (not Exit); middle: Move, Scale, Rotate. */
        int button = pick(2) == 0 ? 3 : 2;
        E2eOffset entry = e2e_menu_entry_offset(pick(3));
        e2e_menu_choose(run->display.d, run->window, button, 300, 300, entry.dx, entry.dy);
        break;
    }
    }
}

TEST(Soak, RandomInputLeavesTheViewerAliveAnsweringAndFlat)
{
    double seconds = setting("KESTRIM_SOAK_SECONDS", 30);
    std::mt19937 random(static_cast<unsigned>(setting("KESTRIM_SOAK_SEED", 1)));
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {soak_track()})) << run.viewer.p.out;

    double begin = monotonic_seconds();
    long baseline = -1, peak = 0;
    int actions = 0;
    while (monotonic_seconds() - begin < seconds) {
        act(&run, &random);
        ++actions;
        ASSERT_TRUE(alive(&run)) << "the viewer died after " << actions << " actions\n"
                                 << e2e_stderr(run.viewer.p);
        if (monotonic_seconds() - begin < seconds / 5)
            continue; /* warm-up: the arrays of every list get made */
        long rss = resident_kb(run.viewer.p.pid);
        if (baseline < 0)
            baseline = rss;
        peak = std::max(peak, rss);
    }

    size_t before = run.viewer.p.out.size();
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "h"));
    EXPECT_TRUE(e2e_wait_new_output(&run.viewer.p, before, "right clicking", ANSWER_SECONDS))
        << "no answer to h";
    long final_rss = resident_kb(run.viewer.p.pid);
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "q"));
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&run.viewer.p, EXIT_SECONDS, &code));
    EXPECT_EQ(code, 0);
    expect_no_sanitizer_report(run);
    printf("soak: %d actions in %.0f s; resident memory %ld kB after warm-up, peak %ld kB, "
           "%ld kB at the end\n",
           actions, seconds, baseline, peak, final_rss);
    ASSERT_GT(baseline, 0);
    EXPECT_LE(peak, baseline + baseline / 10 + FLAT_SLACK_KB) << "resident memory grew";
}

/* valgrind cannot run a sanitizer build; the suite builds this test only
   in the release build. Leaks are by design: records live until exit. */
TEST(Soak, OneLoadUnderValgrindHasNoInvalidAccess)
{
    KestrimRun run;
    ASSERT_TRUE(start_kestrim(&run, {soak_track()}, VALGRIND_START_SECONDS,
                              {"valgrind", "--error-exitcode=3", "--leak-check=no",
                               "--suppressions=" + source_path("scripts/valgrind.supp")}))
        << run.viewer.p.out << e2e_stderr(run.viewer.p);
    e2e_sleep(2); /* a few frames drawn */
    ASSERT_TRUE(e2e_key(run.display.d, run.window, "q"));
    int code = -1;
    ASSERT_TRUE(e2e_wait_exit(&run.viewer.p, VALGRIND_START_SECONDS, &code));
    std::string report = e2e_stderr(run.viewer.p);
    EXPECT_EQ(code, 0) << report;
    EXPECT_EQ(report.find("Invalid read"), std::string::npos) << report;
    EXPECT_EQ(report.find("Invalid write"), std::string::npos) << report;
    EXPECT_EQ(report.find("Invalid free"), std::string::npos) << report;
    EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
}

} // namespace
