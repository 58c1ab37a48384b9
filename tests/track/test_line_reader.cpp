/*
 * test_line_reader.cpp - the chunked line reader against a line-at-a-time
 * reference, over large mixed files read through three kinds of stream,
 * and the frame records of a track that fills many allocation blocks.
 */
#include "support/track_state.h"
#include "track/line_reader.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct SeenLine {
    std::string text;
    long long number;
    bool operator==(const SeenLine& other) const
    {
        return text == other.text && number == other.number;
    }
};

void remember_line(const char* line, long long line_number, void* seen)
{
    static_cast<std::vector<SeenLine>*>(seen)->push_back({line, line_number});
}

/* What the reader must hand on, worked out a line at a time: each line's
   first 255 bytes after its leading white space, blank lines left out; a
   line ends at LF, CR, or CR LF. */
std::vector<SeenLine> reference_lines(const std::string& text, long long first_number = 1)
{
    std::vector<SeenLine> lines;
    size_t start = 0;
    for (long long number = first_number; start <= text.size(); ++number) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        size_t first = start;
        while (first < end && isspace(static_cast<unsigned char>(text[first])))
            ++first;
        if (first < end) {
            std::string kept = text.substr(first, std::min<size_t>(end - first, 255));
            lines.push_back({kept.c_str(), number}); /* as a C string: up to a NUL */
        }
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

/* Fix lines, broken lines, blank and white lines, CRLF, NULs and lines far
   longer than the reader keeps, so that every kind meets a chunk's edge. */
std::string mixed_track_text(unsigned seed, int lines)
{
    std::mt19937 random(seed);
    auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    std::string text;
    for (int i = 0; i < lines; ++i) {
        switch (below(10)) {
        case 0: text += std::string(below(5), ' ') + "\t\r\n"; break;
        case 1: text += "\n"; break;
        case 2: text += "D=2010-08-05T14:2" + std::to_string(below(10)) + "\n"; break;
        case 3: text += std::string(300 + below(70000), 'x') + "\n"; break;
        case 4: text += std::string("D=2010-08-05T14:23:59,P=4") + '\0' + "5 14,V=0\n"; break;
        case 5: text += "D=2010-08-05T14:23:59,P=45.1 14.2,V=0\r"; break; /* CR alone */
        case 6: text += "D=2010-08-05T14:2\r\r\n\n \r"; break;
        default:
            text += std::string(below(3), ' ') + "D=2010-08-05T14:23:" + std::to_string(below(60)) +
                    ",P=45." + std::to_string(below(100000)) + " 14." +
                    std::to_string(below(100000)) + ",V=1.5" + (below(2) ? "\r\n" : "\n");
        }
    }
    return text + "D=2010-08-05T14:23:59,P=45.1 14.2,V=0"; /* no final newline */
}

/* Hands its text on one byte at a time, with no buffer to look into. */
struct ByteAtATimeBuffer : std::streambuf {
    std::string text;
    size_t next = 0;
    int_type underflow() override
    {
        return next < text.size() ? traits_type::to_int_type(text[next]) : traits_type::eof();
    }
    int_type uflow() override
    {
        return next < text.size() ? traits_type::to_int_type(text[next++]) : traits_type::eof();
    }
};

std::vector<SeenLine> read_through(std::istream& in)
{
    std::vector<SeenLine> seen;
    read_lines(in, remember_line, &seen);
    return seen;
}

TEST(ReadLines, HandsOnWhatALineAtATimeReaderWouldThroughEveryKindOfStream)
{
    for (unsigned seed = 1; seed <= 3; ++seed) {
        std::string text = mixed_track_text(seed, 4000);
        std::vector<SeenLine> expected = reference_lines(text);
        ASSERT_GT(text.size(), 1000000u); /* many chunks of the reader */

        std::istringstream string_stream(text);
        EXPECT_TRUE(read_through(string_stream) == expected) << "string, seed " << seed;

        std::string path = write_temp_file(text);
        std::ifstream file(path);
        EXPECT_TRUE(read_through(file) == expected) << "file, seed " << seed;
        remove(path.c_str());

        if (seed == 1) { /* slow: a virtual call a byte */
            ByteAtATimeBuffer bytes;
            bytes.text = text;
            std::istream byte_stream(&bytes);
            EXPECT_TRUE(read_through(byte_stream) == expected) << "byte at a time";
        }
    }
}

TEST(ReadLines, CountsLinesPastTwoToTheThirtyFirst)
{
    /* A file of more than 2^31 lines, without writing one: the count starts
       just below the limit of an int. */
    const long long first = 2147483646;
    std::string text = "a\nb\r\n\nc\rd";
    std::istringstream in(text);
    std::vector<SeenLine> seen;
    read_lines(in, remember_line, &seen, first);
    EXPECT_TRUE(seen == reference_lines(text, first));
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen.back().number, 2147483650ll); /* a, b, a blank line, c, d */

    reset_track_state();
    fix_count = 2147483646; /* as after that many fix lines */
    testing::internal::CaptureStdout();
    parse_fix_line("D=2010-08-05T14:23:59,P=45.1 14.2,V=0", "big.track", 3000000000ll);
    parse_fix_line("D=2010-08-05T14:24", "big.track", 3000000001ll);
    parse_fix_line("D=2010-08-05T14:23:59,P=45.2 14.2,V=0", "big.track", 3000000002ll);
    std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(fix_count, 2147483649ll);
    EXPECT_EQ(frames.size(), 2u);
    EXPECT_NE(said.find("big.track:3000000001: fix line does not match"), std::string::npos)
        << said;
}

TEST(FrameRecords, ATrackOfManyAllocationBlocksKeepsEveryRecordWholeAndApart)
{
    reset_track_state();
    const int fixes = 60000; /* several blocks of records */
    std::string text;
    for (int i = 0; i < fixes; ++i)
        text += "D=2010-08-05T14:23:59,P=45." + std::to_string(100000 + i) +
                " 14.5,V=" + std::to_string(i) + "\n";
    std::istringstream in(text);
    read_track_stream(in, "long.track");
    ASSERT_EQ(frames.size(), static_cast<size_t>(fixes));

    std::set<const TrackPoint*> distinct(frames.begin(), frames.end());
    EXPECT_EQ(distinct.size(), frames.size());
    const TrackPoint* previous = nullptr;
    for (const TrackPoint* p : distinct) { /* in address order: no two overlap */
        if (previous != nullptr) {
            ASSERT_GE(reinterpret_cast<const char*>(p) - reinterpret_cast<const char*>(previous),
                      static_cast<long>(TRACK_POINT_BYTES));
        }
        previous = p;
    }
    for (int i = 0; i < fixes; i += 997) {
        const TrackPoint* p = frames[i];
        EXPECT_EQ(p->speed_mph, static_cast<float>(i)) << i;
        EXPECT_EQ(p->latitude, static_cast<double>(std::stof("45." + std::to_string(100000 + i))))
            << i;
        for (float slot : p->curve_slots)
            EXPECT_EQ(slot, 0.0f) << i;
        EXPECT_EQ(p->frame_distance, 0.0f) << i;
        EXPECT_EQ(p->bessel_table[BESSEL_SLOT_COUNT - 1].z, 0.0) << i;
    }
}

} // namespace
