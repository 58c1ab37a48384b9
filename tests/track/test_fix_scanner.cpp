/*
 * test_fix_scanner.cpp - the fast fix-line scanner against sscanf with the
 * template, over generated lines and their mutations: the count of fields
 * and every stored field must agree bit for bit.
 */
#include "track/fix_scanner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

namespace {

/* sscanf with the template, as the reader did before the fast path. */
int scan_with_sscanf(const char* line, FixFields* f)
{
    return sscanf(line, FIX_LINE_TEMPLATE, &f->year, &f->month, &f->day, &f->hour, &f->minute,
                  &f->seconds, &f->latitude, &f->longitude, &f->speed);
}

/* Both scanners on one line, from the same garbage start, must leave the
   same count and the same bytes. */
::testing::AssertionResult scanners_agree(const std::string& line)
{
    FixFields fast, slow;
    memset(&fast, 0xA5, sizeof fast);
    memset(&slow, 0xA5, sizeof slow);
    int fast_count = scan_fix_line(line.c_str(), &fast);
    int slow_count = scan_with_sscanf(line.c_str(), &slow);
    if (fast_count != slow_count)
        return ::testing::AssertionFailure()
               << "counts " << fast_count << " and " << slow_count << " for \"" << line << "\"";
    if (memcmp(&fast, &slow, sizeof fast) != 0)
        return ::testing::AssertionFailure()
               << "values differ for \"" << line << "\": latitude " << fast.latitude << " and "
               << slow.latitude << ", longitude " << fast.longitude << " and " << slow.longitude
               << ", seconds " << fast.seconds << " and " << slow.seconds << ", speed "
               << fast.speed << " and " << slow.speed;
    return ::testing::AssertionSuccess();
}

class LineMaker {
  public:
    explicit LineMaker(unsigned seed) : random_(seed) {}

    /* A fix line whose numbers come in many shapes. */
    std::string line()
    {
        return "D=" + integer() + "-" + integer() + "-" + integer() + "T" + integer() + ":" +
               integer() + ":" + decimal() + ",P=" + decimal() + blanks() + decimal() +
               ",V=" + decimal() + tail();
    }

    /* The line with a few random edits: characters put in, taken out or changed. */
    std::string mutate(std::string line)
    {
        int edits = 1 + below(3);
        for (int i = 0; i < edits; ++i) {
            size_t at = line.empty() ? 0 : below(static_cast<int>(line.size()));
            switch (below(4)) {
            case 0: line.insert(at, 1, edit_char()); break;
            case 1:
                if (!line.empty())
                    line.erase(at, 1);
                break;
            case 2:
                if (!line.empty())
                    line[at] = edit_char();
                break;
            default: line = line.substr(0, at); break;
            }
        }
        return line;
    }

    int below(int n)
    {
        return std::uniform_int_distribution<int>(0, n - 1)(random_);
    }

  private:
    std::mt19937 random_;

    bool chance(int percent)
    {
        return below(100) < percent;
    }

    std::string digits(int count)
    {
        std::string s;
        for (int i = 0; i < count; ++i)
            s += static_cast<char>('0' + below(10));
        return s;
    }

    std::string sign()
    {
        int r = below(10);
        return r == 0 ? "-" : r == 1 ? "+" : "";
    }

    std::string integer()
    {
        if (chance(3))
            return sign() + digits(10 + below(12)); /* overflows an int */
        return (chance(10) ? sign() : "") + digits(1 + below(chance(90) ? 4 : 9));
    }

    std::string exponent()
    {
        if (!chance(15))
            return "";
        std::string e = chance(50) ? "e" : "E";
        e += sign();
        return e + digits(below(chance(90) ? 3 : 7));
    }

    std::string decimal()
    {
        int r = below(100);
        if (r < 2)
            return sign() + (chance(50) ? "nan" : "inf");
        if (r < 4)
            return sign() + "0x" + digits(1 + below(3)) + (chance(50) ? "p3" : "");
        if (r < 6)
            return " " + digits(1 + below(3));
        std::string s = sign();
        if (chance(90))
            s += digits(below(chance(80) ? 4 : 30));
        if (chance(85))
            s += "." + digits(below(chance(80) ? 8 : 30));
        return s + exponent();
    }

    std::string blanks()
    {
        static const char* const CHOICES[] = {" ", " ", " ", "", "  ", "\t", " \v\f\r"};
        return CHOICES[below(7)];
    }

    std::string tail()
    {
        static const char* const CHOICES[] = {"",  "",   "",  "\r", " junk", ",H=12",
                                              "e", ".5", "x", "E+", "7",     "\t"};
        return CHOICES[below(12)];
    }

    char edit_char()
    {
        static const char ALPHABET[] = "0123456789+-.eExXpPnNaAiIfF \t,:=TDPV\x01\x7f\xe9";
        return ALPHABET[below(static_cast<int>(sizeof ALPHABET) - 1)];
    }
};

TEST(FixScanner, AgreesWithSscanfOnGeneratedLinesAndTheirMutations)
{
    LineMaker maker(20261210);
    int failures = 0;
    for (int i = 0; i < 200000 && failures < 10; ++i) {
        std::string line = maker.line();
        EXPECT_TRUE(scanners_agree(line)) << (++failures, "");
        EXPECT_TRUE(scanners_agree(maker.mutate(line))) << (++failures, "");
    }
}

TEST(FixScanner, AgreesWithSscanfOnChosenEdges)
{
    const char* const LINES[] = {
        "D=2010-08-05T14:23:59,P=45.7721750 14.3576592,V=0.000",
        "D=2010-08-05T14:23:59.5,P=-45.7721750 -14.3576592,V=3.25",
        "D=2010-08-05T14:23:59,P=45.7721750-14.3576592,V=0",    /* no blank between */
        "D=2010-08-05T14:23:59,P=45.7721750\t\t14.3576592,V=0", /* tabs */
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=1.5e",           /* exponent with no digits */
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=1.5e+",
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=1.5e-3x",
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=0x1p3", /* hexadecimal */
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=1.2.3",
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=-0", /* negative zero */
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=.5",
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=5.",
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=.",
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=",
        "D=2010-08-05T14:23:59,P=45.77 14.35",
        "D=2010-08-05T14:23:59,P=nan 14.35,V=0",
        "D=2010-08-05T14:23:59,P=45.77 -inf,V=0",
        "D=2010-08-05T14:23:59,P=1e39 14.35,V=0",  /* float overflow */
        "D=2010-08-05T14:23:59,P=1e-46 14.35,V=0", /* float underflow */
        "D=2010-08-05T14:23:59,P=3.4028235e38 14.35,V=0",
        "D=2010-08-05T14:23:59,P=1.17549435e-38 14.35,V=0",
        "D=2147483647-08-05T14:23:59,P=45.77 14.35,V=0",
        "D=2147483648-08-05T14:23:59,P=45.77 14.35,V=0", /* int overflow */
        "D=99999999999999999999-1-1T1:1:1,P=45.77 14.35,V=0",
        "D= 2010-08-05T14:23:59,P= 45.77 14.35,V= 0", /* blanks before numbers */
        "D=+2010-+08-05T-14:23:59,P=+45.77 +14.35,V=+0",
        "D=2010-08-05T14:23:59,P=45.77000000000000000000001 14.35,V=0",
        "D=2010-08-05T14:23:59,P=0.000000000000000000000000000000000001 14.35,V=0",
        "D=2010-08-05T14:23:59,P=16777217 14.35,V=0",           /* halfway between two floats */
        "D=2010-08-05T14:23:59,P=16777217.000000001 14.35,V=0", /* just above halfway */
        "D=2010-08-05T14:23:59,P=16777216.999999999 14.35,V=0", /* just below it */
        "D=2010-08-05T14:23:59,P=33554434 14.35,V=0",
        "D=2010-08-05T14:23:59,P=9007199254740993 14.35,V=0", /* beyond 2^53 */
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=0\r",
        "D=2010-08-05T14:23:59,P=45.77 14.35,V=0 trailing junk",
        "D=2010-08-05",
        "D=",
        "D",
        "",
    };
    for (const char* line : LINES)
        EXPECT_TRUE(scanners_agree(line));
}

TEST(FixScanner, AgreesWithSscanfOnEveryLineOfTheShippedSample)
{
    std::ifstream in(KESTRIM_SOURCE_DIR "/data/walk-short.track");
    ASSERT_TRUE(in.is_open());
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        EXPECT_TRUE(scanners_agree(line));
        ++lines;
    }
    EXPECT_GT(lines, 100);
}

/* Halfway cases are where a hand-made decimal conversion goes wrong: every
   float's midpoints with its neighbours, written out to 9 to 17 digits and
   nudged by one in the last digit. */
TEST(FixScanner, AgreesWithSscanfNextToHalfwayPointsBetweenFloats)
{
    LineMaker maker(7);
    for (int i = 0; i < 50000; ++i) {
        float f = std::ldexp(1.0f + maker.below(1 << 23) / float(1 << 23), maker.below(40) - 20);
        double halfway = (static_cast<double>(f) + std::nextafter(f, 1e30f)) / 2;
        char text[64];
        snprintf(text, sizeof text, "%.*g", 9 + maker.below(9), halfway);
        std::string line = std::string("D=2010-08-05T14:23:59,P=") + text + " 14.35,V=0";
        EXPECT_TRUE(scanners_agree(line)) << text;
    }
}

} // namespace
