/*
 * test_command_line.cpp - what the viewer makes of its arguments.
 */
#include "track/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ArgumentCase {
    std::vector<std::string> args; /* after the program's name */
    CommandAction action;
    const char* path;  /* expected, or null */
    const char* wrong; /* expected, or null */
};

CommandLine parse(std::vector<std::string> args)
{
    static std::vector<std::string> kept;
    kept = args;
    kept.insert(kept.begin(), "kestrim");
    static std::vector<char*> argv;
    argv.clear();
    for (std::string& a : kept)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return parse_command_line(static_cast<int>(kept.size()), argv.data());
}

TEST(CommandLine, ReadsTheFileTheOptionsAndTheEndOfOptions)
{
    const ArgumentCase cases[] = {
        {{}, COMMAND_VIEW, nullptr, nullptr},
        {{"ride.track"}, COMMAND_VIEW, "ride.track", nullptr},
        {{"-h"}, COMMAND_HELP, nullptr, nullptr},
        {{"--help"}, COMMAND_HELP, nullptr, nullptr},
        {{"ride.track", "--help"}, COMMAND_HELP, nullptr, nullptr},
        {{"--version"}, COMMAND_VERSION, nullptr, nullptr},
        {{"-x"}, COMMAND_BAD_USAGE, nullptr, "-x"},
        {{"--bogus", "ride.track"}, COMMAND_BAD_USAGE, nullptr, "--bogus"},
        /* GLUT's own options are not taken: they are unknown here. */
        {{"-display", ":0", "ride.track"}, COMMAND_BAD_USAGE, nullptr, "-display"},
        {{"-geometry"}, COMMAND_BAD_USAGE, nullptr, "-geometry"},
        {{"--", "-x.track"}, COMMAND_VIEW, "-x.track", nullptr},
        {{"--", "--help"}, COMMAND_VIEW, "--help", nullptr},
        {{"--", "--"}, COMMAND_VIEW, "--", nullptr},
        {{"-"}, COMMAND_VIEW, "-", nullptr}, /* a file named "-" */
        /* One track at a time. */
        {{"a.gpx", "b.track"}, COMMAND_BAD_USAGE, nullptr, "b.track"},
        {{"a.gpx", "--", "b.track"}, COMMAND_BAD_USAGE, nullptr, "b.track"},
        {{"--format", "gpx", "ride.txt"}, COMMAND_VIEW, "ride.txt", nullptr},
        {{"ride.txt", "--format", "nmea"}, COMMAND_VIEW, "ride.txt", nullptr},
        {{"ride.txt", "--format"}, COMMAND_BAD_USAGE, nullptr, "--format"},
        /* The statistics alone, of the one file, wherever the option stands. */
        {{"--stats", "ride.track"}, COMMAND_STATS, "ride.track", nullptr},
        {{"ride.gpx", "--stats", "--format", "gpx"}, COMMAND_STATS, "ride.gpx", nullptr},
        {{"--stats"}, COMMAND_BAD_USAGE, nullptr, "--stats"},
        {{"--stats", "--help"}, COMMAND_HELP, nullptr, nullptr},
        {{"--", "--stats"}, COMMAND_VIEW, "--stats", nullptr},
        {{"--stats", "a.track", "b.track"}, COMMAND_BAD_USAGE, nullptr, "b.track"},
        {{"--units", "imperial", "ride.track"}, COMMAND_VIEW, "ride.track", nullptr},
        {{"--stats", "x", "--units", "metric"}, COMMAND_STATS, "x", nullptr},
        {{"--units", "furlongs", "--stats", "x"}, COMMAND_BAD_USAGE, nullptr, "furlongs"},
        {{"--units", "Imperial", "x"}, COMMAND_BAD_USAGE, nullptr, "Imperial"},
        {{"x", "--units"}, COMMAND_BAD_USAGE, nullptr, "--units"},
    };
    for (const ArgumentCase& c : cases) {
        std::string name;
        for (const std::string& a : c.args)
            name += " " + a;
        CommandLine command = parse(c.args);
        EXPECT_EQ(command.action, c.action) << name;
        if (c.action == COMMAND_VIEW || c.action == COMMAND_STATS) {
            EXPECT_STREQ(command.path, c.path) << name;
        }
        if (c.wrong != nullptr) {
            EXPECT_STREQ(command.wrong_argument, c.wrong) << name;
        }
    }
    EXPECT_STREQ(parse({"--format", "garmin_fit", "x"}).format, "garmin_fit");
    EXPECT_EQ(parse({"x"}).format, nullptr);
    EXPECT_STREQ(parse({"a", "b"}).problem, "one file at a time: not also");
    EXPECT_STREQ(parse({"-q"}).problem, "unknown option");
    EXPECT_EQ(parse({"x"}).units, UNITS_METRIC);
    EXPECT_EQ(parse({"--units", "imperial", "x"}).units, UNITS_IMPERIAL);
    EXPECT_EQ(parse({"--units", "imperial", "--units", "metric", "x"}).units, UNITS_METRIC);
}

} // namespace
