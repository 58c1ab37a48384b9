/*
 * test_load_progress.cpp - what the load tells its progress listeners: the
 * share of a file of known size rising to the whole of it, the steps in
 * their order, reports of work while the curves are fitted,
 * and nothing once the load is over.
 */
#include "support/track_state.h"

#include "track/load.h"
#include "track/load_progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct Heard {
    ProgressEvent event;
    LoadStep step;
    long long bytes_read, bytes_total;
};

std::vector<Heard> heard;

void record(const LoadProgress& progress, ProgressEvent event)
{
    heard.push_back({event, progress.step, progress.bytes_read, progress.bytes_total});
}

/* count fixes a second apart along a meridian, and every bad_every-th line
   a broken one (0: none). */
std::string track_text(int count, int bad_every = 0)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        char line[128];
        snprintf(line, sizeof line, "D=2019-08-18T%02d:%02d:%02d,P=%.7f 14.2500000,V=5.0\n",
                 i / 3600 % 24, i / 60 % 60, i % 60, 45.0 + i * 1e-5);
        text += line;
        if (bad_every > 0 && i % bad_every == bad_every - 1)
            text += "D=2019-08-18T03:50\n";
    }
    return text;
}

/* What the listener heard of loading text from a file, and the file's size. */
std::vector<Heard> hear_load(const std::string& text, long long* size)
{
    reset_track_state();
    std::string path = write_temp_file(text);
    struct stat file;
    EXPECT_EQ(stat(path.c_str(), &file), 0);
    *size = file.st_size;
    heard.clear();
    add_progress_listener(record);
    testing::internal::CaptureStdout();
    load_track(path.c_str());
    testing::internal::GetCapturedStdout();
    remove_progress_listener(record);
    remove(path.c_str());
    return heard;
}

TEST(LoadProgress, TheShareReadRisesToTheWholeFileAndTheStepsComeInOrder)
{
    long long size = 0;
    /* About 4 MB: several reports while reading, and 80,000 frames give
       several while fitting (the curve lists are sampled when first
       drawn, not in the load). */
    std::vector<Heard> told = hear_load(track_text(80000), &size);
    ASSERT_GT(size, 3 * PROGRESS_REPORT_BYTES);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back().event, PROGRESS_DONE);
    EXPECT_EQ(told.back().step, LOAD_IDLE);

    std::vector<LoadStep> steps;
    int reading_reports = 0, fitting_reports = 0;
    long long last_read = -1;
    for (const Heard& h : told) {
        if (h.event == PROGRESS_STEP)
            steps.push_back(h.step);
        if (h.step == LOAD_READING && h.bytes_total == size) {
            EXPECT_GE(h.bytes_read, last_read) << "the share never goes back";
            last_read = h.bytes_read;
        }
        if (h.event != PROGRESS_MOVED)
            continue;
        reading_reports += h.step == LOAD_READING;
        fitting_reports += h.step == LOAD_FITTING;
        EXPECT_LE(h.bytes_read, h.bytes_total);
    }
    std::vector<LoadStep> in_order = {LOAD_READING, LOAD_CENTRING, LOAD_FITTING, LOAD_SAMPLING,
                                      LOAD_STATISTICS};
    EXPECT_EQ(steps, in_order);
    EXPECT_GE(reading_reports, 3);
    EXPECT_GE(fitting_reports, 1) << "a window stays answering while the curves are fitted";
    /* When reading is over, all of the file has been read. */
    for (const Heard& h : told)
        if (h.event == PROGRESS_STEP && h.step == LOAD_CENTRING) {
            EXPECT_EQ(h.bytes_read, size);
            EXPECT_EQ(h.bytes_total, size);
        }
}

TEST(LoadProgress, EveryLineTheLoadPrintsIsAnnouncedAndNothingIsToldAfterIt)
{
    long long size = 0;
    std::vector<Heard> told = hear_load(track_text(3000, 1000), &size);
    int messages_reading = 0, messages_later = 0;
    for (const Heard& h : told) {
        messages_reading += h.event == PROGRESS_MESSAGE && h.step == LOAD_READING;
        messages_later += h.event == PROGRESS_MESSAGE && h.step > LOAD_READING;
    }
    EXPECT_EQ(messages_reading, 3) << "one before each broken line's warning";
    EXPECT_GE(messages_later, 2) << "the curves' and the heights' lines";

    /* Work outside a load (a change of the height exaggeration refits the
       curves) tells nobody. */
    heard.clear();
    add_progress_listener(record);
    testing::internal::CaptureStdout();
    exaggerate_heights(2);
    testing::internal::GetCapturedStdout();
    remove_progress_listener(record);
    EXPECT_TRUE(heard.empty());
}

} // namespace
