/*
 * kestrim_run.cpp - starting kestrim under Xvfb for end-to-end tests.
 */
#include "kestrim_run.h"

const char LOAD_DONE[] = "BesselFrames size = ";

static const double START_SECONDS = 30.0; /* generous: the debug build runs under ASan */

std::string source_path(const std::string& relative)
{
    return std::string(KESTRIM_SOURCE_DIR) + "/" + relative;
}

bool start_kestrim(KestrimRun* run, const std::vector<std::string>& args)
{
    if (!e2e_start_display(&run->display.d))
        return false;
    std::vector<std::string> argv = {KESTRIM_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    if (!e2e_spawn(run->display.d, argv, &run->viewer.p))
        return false;
    run->window = e2e_find_window(run->display.d, "Trevan", START_SECONDS);
    if (run->window.empty())
        return false;
    if (!e2e_wait_output(&run->viewer.p, LOAD_DONE, START_SECONDS))
        return false;
    /* The rest of that line. */
    size_t at = run->viewer.p.out.find(LOAD_DONE);
    while (run->viewer.p.out.find('\n', at) == std::string::npos)
        if (!e2e_wait_output(&run->viewer.p, "\n", 1.0))
            return false;
    return true;
}

void expect_no_sanitizer_report(const KestrimRun& run)
{
    std::string err = e2e_stderr(run.viewer.p);
    EXPECT_EQ(err.find("AddressSanitizer"), std::string::npos) << err;
    EXPECT_EQ(err.find("runtime error:"), std::string::npos) << err;
    EXPECT_EQ(err.find("LeakSanitizer"), std::string::npos) << err;
}
