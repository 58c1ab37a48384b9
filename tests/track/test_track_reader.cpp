/*
 * test_track_reader.cpp - the line reader and the fix-line parser on small
 * inputs: what is kept, what is stored, what is skipped and what is said.
 */
#include "support/track_state.h"
#include "track/track_file.h"

#include "track/geodesy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

namespace {

const char GOOD_FIX[] = "D=2010-08-05T14:23:59.5,P=45.7721750 14.3576592,V=3.25";

/* Reads text as a track file; returns what the reader printed. */
std::string read_text(const std::string& text)
{
    reset_track_state();
    std::istringstream in(text);
    testing::internal::CaptureStdout();
    read_track_stream(in, "fixture.track");
    return testing::internal::GetCapturedStdout();
}

TEST(ParseFixLine, StoresEveryFieldAsTheTemplateReadsIt)
{
    std::string said = read_text(std::string("   \t") + GOOD_FIX + "\n");
    EXPECT_EQ(said, "");
    ASSERT_EQ(frames.size(), 1u);
    const TrackPoint* p = frames[0];
    EXPECT_EQ(p->day, 5);
    EXPECT_EQ(p->hour, 14);
    EXPECT_EQ(p->minute, 23);
    EXPECT_EQ(p->seconds, 59.5f);
    float minute = 23, hour = 14, day = 5, seconds = 59.5f;
    float summed = minute * 60.0f + seconds + hour * 3600.0f + day * 86400.0f;
    EXPECT_EQ(p->time_of_period, static_cast<double>(summed));
    /* Latitude and longitude are read as floats, then widened. */
    EXPECT_EQ(p->latitude, static_cast<double>(45.7721750f));
    EXPECT_EQ(p->longitude, static_cast<double>(14.3576592f));
    EXPECT_NE(p->latitude, 45.7721750);
    EXPECT_EQ(p->speed_mph, 3.25f);
    double x, y, z;
    geodetic_to_ecef(static_cast<double>(45.7721750f), static_cast<double>(14.3576592f), 1.0, &x,
                     &y, &z);
    EXPECT_EQ(p->ecef_x, x);
    EXPECT_EQ(p->ecef_y, y);
    EXPECT_EQ(p->ecef_z, z);
    EXPECT_EQ(p->view_x, scale_coordinate(x));
    EXPECT_EQ(p->view_y, scale_coordinate(y));
    EXPECT_EQ(p->view_z, scale_coordinate(z));
    for (float slot : p->curve_slots)
        EXPECT_EQ(slot, 0.0f);
    EXPECT_EQ(fix_count, 1);
    EXPECT_FLOAT_EQ(bound_max_x, static_cast<float>(p->view_x));
    EXPECT_FLOAT_EQ(bound_min_y, static_cast<float>(p->view_y));
    EXPECT_FLOAT_EQ(bound_max_z, static_cast<float>(p->view_z));
}

struct ReaderCase {
    const char* name;
    std::string text;
    size_t frames_kept;
    long long fixes_counted;
    const char* said; /* a piece of what the reader must print, "" for silence */
};

TEST(ReadTrackStream, KeepsFixLinesAndSkipsTheRest)
{
    const std::string fix = GOOD_FIX;
    const std::string nul_inside = fix.substr(0, 30) + std::string(1, '\0') + fix.substr(30);
    const std::string nul_tail = fix + std::string(1, '\0') + "junk";
    const ReaderCase cases[] = {
        {"empty file", "", 0, 0, ""},
        {"only newlines", "\n\n\r\n\n", 0, 0, ""},
        {"blank lines and other lines", "\n  \n# comment\nP=1 2\nd=lower case\n" + fix + "\n\n", 1,
         1, ""},
        {"CRLF endings", fix + "\r\n" + fix + "\r\n", 2, 2, ""},
        {"no final newline", fix + "\n" + fix, 2, 2, ""},
        {"binary junk", std::string("\x01\xff\xfe\x80 junk\nD\xff\xfe\x02\n") + fix + "\n", 1, 2,
         "fixture.track:2: fix line does not match"},
        {"NUL cutting the fields", nul_inside + "\n", 0, 1, "(7 of 9 fields)"},
        {"NUL after the last field", nul_tail + "\n", 1, 1, ""},
        {"fewer than nine fields", "D=2010-08-05T14:23:59,P=45.5\n", 0, 1,
         "fixture.track:1: fix line does not match \"D=%d-%d-%dT%d:%d:%f,P=%f %f,V=%f\" "
         "(7 of 9 fields), skipped\n"},
        {"a bare D", "D\n", 0, 1, "(0 of 9 fields)"},
        /* Each unusable fix names the field that is wrong. */
        {"nan latitude", "D=2010-08-05T14:23:59,P=nan 14.5,V=1\n", 0, 1,
         "fixture.track:1: fix has no finite latitude, skipped\n"},
        {"infinite longitude", "D=2010-08-05T14:23:59,P=45.5 inf,V=1\n", 0, 1,
         "fix has no finite longitude, skipped"},
        {"latitude beyond the pole", "D=2010-08-05T14:23:59,P=90.5 14.5,V=1\n", 0, 1,
         "fix has a latitude beyond 90 degrees, skipped"},
        {"latitude overflowing a float", "D=2010-08-05T14:23:59,P=1e39 14.5,V=1\n", 0, 1,
         "fix has no finite latitude, skipped"},
        {"nan speed", "D=2010-08-05T14:23:59,P=45.5 14.5,V=nan\n", 0, 1,
         "fix has no finite speed, skipped"},
        {"speed beyond a float", "D=2010-08-05T14:23:59,P=45.5 14.5,V=1e39\n", 0, 1,
         "fix has no finite speed, skipped"},
        {"seconds beyond a float", "D=2010-08-05T14:23:1e39,P=45.5 14.5,V=1\n", 0, 1,
         "fix has no finite seconds, skipped"},
        /* CR-only line endings, as old Macs wrote them: every line is read. */
        {"CR endings", fix + "\r" + fix + "\r" + fix + "\r", 3, 3, ""},
        {"CR endings, a bad line named by its number", fix + "\rD=1\r" + fix, 2, 3,
         "fixture.track:2: fix line does not match"},
        {"latitude exactly at the poles",
         "D=2010-08-05T14:23:59,P=90 14.5,V=1\n"
         "D=2010-08-05T14:23:59,P=-90 14.5,V=1\n",
         2, 2, ""},
    };
    for (const ReaderCase& c : cases) {
        std::string said = read_text(c.text);
        EXPECT_EQ(frames.size(), c.frames_kept) << c.name;
        EXPECT_EQ(fix_count, c.fixes_counted) << c.name;
        if (c.said[0] == '\0')
            EXPECT_EQ(said, "") << c.name;
        else
            EXPECT_NE(said.find(c.said), std::string::npos) << c.name << ": " << said;
    }
}

TEST(ReadTrackStream, SaysTwentyBadLinesAndThenOnlyHowManyMore)
{
    for (int bad : {20, 21, 123456 + 20}) {
        std::string text;
        for (int i = 0; i < bad; ++i)
            text += "D=junk\n";
        text += GOOD_FIX;
        std::string said = read_text(text);
        int reported = 0;
        for (size_t at = said.find("does not match"); at != std::string::npos;
             at = said.find("does not match", at + 1))
            ++reported;
        EXPECT_EQ(reported, 20) << bad;
        EXPECT_EQ(frames.size(), 1u) << bad;
        EXPECT_EQ(fix_count, bad + 1) << bad;
        std::string summary = bad == 21   ? "\u2026 and 1 more lines skipped\n"
                              : bad == 20 ? ""
                                          : "\u2026 and 123,456 more lines skipped\n";
        if (summary.empty())
            EXPECT_EQ(said.find("more lines skipped"), std::string::npos) << said.substr(0, 200);
        else
            EXPECT_EQ(said.substr(said.size() - summary.size()), summary) << bad;
    }
}

TEST(ReadTrackStream, NamesTheLineNumberOfTheFileInDiagnostics)
{
    std::string text = std::string("\n\n   \n") + GOOD_FIX + "\r\n# note\n\nD=1\n" + GOOD_FIX;
    std::string said = read_text(text);
    EXPECT_EQ(said, "track_reader.cpp: fixture.track:7: fix line does not match "
                    "\"D=%d-%d-%dT%d:%d:%f,P=%f %f,V=%f\" (1 of 9 fields), skipped\n");
    EXPECT_EQ(frames.size(), 2u);
}

TEST(ReadTrackStream, ParsesTheFirst255CharactersOfALongLine)
{
    /* Trailing junk past character 255 is dropped, so the fix still reads. */
    std::string padded = std::string(GOOD_FIX) + std::string(300, '7');
    read_text(padded + "\n" + GOOD_FIX + "\n");
    ASSERT_EQ(frames.size(), 2u);
    /* The speed's digits run on to character 255 of the line. */
    EXPECT_GT(frames[0]->speed_mph, 3.0f);

    /* A fix field cut at character 255 is read as far as it goes. */
    std::string late = "D=2010-08-05T14:23:59,P=45.5 14.5," + std::string(230, ' ') + "V=1";
    read_text(late + "\n");
    EXPECT_EQ(frames.size(), 0u) << "V= lies beyond character 255";
}

TEST(ReadTrackStream, NoPieceOfAnOverlongLineIsTakenForALine)
{
    /* More than 10,254 characters, with what looks like a fix at the end:
       it belongs to the first line, which is not a fix line. */
    std::string overlong = "x" + std::string(10253, 'y') + GOOD_FIX;
    read_text(overlong + "\n" + GOOD_FIX + "\n");
    EXPECT_EQ(frames.size(), 1u);
    EXPECT_EQ(fix_count, 1);

    std::string huge(200000, 'D');
    std::string said = read_text(huge + "\n" + GOOD_FIX);
    EXPECT_EQ(frames.size(), 1u);
    EXPECT_EQ(fix_count, 2);
}

/* Gives its text, then fails as a file buffer does when the read fails. */
struct FailingBuffer : std::streambuf {
    std::string text;
    bool given = false;
    int_type underflow() override
    {
        if (given)
            throw std::ios_base::failure("error reading the file");
        given = true;
        setg(&text[0], &text[0], &text[0] + text.size());
        return traits_type::to_int_type(text[0]);
    }
};

TEST(ReadTrackStream, AFailingReadIsReportedAndKeepsTheFixesBeforeIt)
{
    FailingBuffer buffer;
    buffer.text = std::string(GOOD_FIX) + "\n" + GOOD_FIX + "\n" + "D=2010-08-05T14:2";
    std::istream in(&buffer);
    reset_track_state();
    testing::internal::CaptureStdout();
    read_track_stream(in, "broken.track");
    std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(frames.size(), 2u);
    EXPECT_EQ(said.find("Could not read file broken.track: "), 0u) << said;
}

TEST(OpenFile, ReportsAFileItCannotOpenAndReadsNothing)
{
    reset_track_state();
    testing::internal::CaptureStdout();
    open_file("/nonexistent/ride.track");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Reading coordinates from /nonexistent/ride.track\n"
              "Could not open file /nonexistent/ride.track\n");
    EXPECT_TRUE(frames.empty());
}

TEST(OpenFile, ReadsAFileOnDisk)
{
    reset_track_state();
    std::string path = write_temp_file(std::string(GOOD_FIX) + "\n" + GOOD_FIX + "\n");
    testing::internal::CaptureStdout();
    open_file(path.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Reading coordinates from " + path + "\n");
    EXPECT_EQ(frames.size(), 2u);
    remove(path.c_str());
}

} // namespace
