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

/* --screenshot OUT with the one file, and the keys of --keys before it. */
TEST(CommandLine, ReadsTheScreenshotAndTheKeysPressedBeforeIt)
{
    CommandLine shot = parse({"--screenshot", "out.png", "ride.track"});
    EXPECT_EQ(shot.action, COMMAND_VIEW);
    EXPECT_STREQ(shot.screenshot, "out.png");
    EXPECT_STREQ(shot.path, "ride.track");
    EXPECT_EQ(shot.key_count, 0);
    EXPECT_EQ(parse({"ride.track"}).screenshot, nullptr);

    const struct {
        const char* list;
        std::string pressed; /* characters, Fn for a function key, #n for a named key */
    } lists[] = {
        {"b 2 k i", "b 2 k i"},
        {"  x\tX  ", "x X"},
        {"F1 F12 + ?", "F1 F12 + ?"},
        {"PgUp PgDn Home Left Right Up Down", "#5 #6 #7 #1 #2 #3 #4"},
        {"", ""},
    };
    for (const auto& l : lists) {
        CommandLine command = parse({"--keys", l.list, "--screenshot", "o.png", "t.track"});
        ASSERT_EQ(command.action, COMMAND_VIEW) << l.list << ": " << command.problem;
        std::string pressed;
        for (int i = 0; i < command.key_count; ++i) {
            const KeyPress& key = command.keys[i];
            pressed += pressed.empty() ? "" : " ";
            if (key.character != 0)
                pressed += static_cast<char>(key.character);
            else if (key.named != KEY_NONE)
                pressed += "#" + std::to_string(key.named);
            else
                pressed += "F" + std::to_string(key.function_key);
        }
        EXPECT_EQ(pressed, l.pressed) << l.list;
    }

    std::string many;
    for (int i = 0; i <= MAX_KEYS; ++i)
        many += "b ";
    const ArgumentCase refused[] = {
        {{"--screenshot"}, COMMAND_BAD_USAGE, nullptr, "--screenshot"},
        {{"--screenshot", "", "t.track"}, COMMAND_BAD_USAGE, nullptr, "--screenshot"},
        {{"--screenshot", "o.png"}, COMMAND_BAD_USAGE, nullptr, "--screenshot"},
        {{"--stats", "--screenshot", "o.png", "t.track"},
         COMMAND_BAD_USAGE,
         nullptr,
         "--screenshot"},
        {{"--keys", "b", "t.track"}, COMMAND_BAD_USAGE, nullptr, "--keys"},
        {{"--screenshot", "o.png", "t.track", "--keys"}, COMMAND_BAD_USAGE, nullptr, "--keys"},
        /* q would quit before the picture, p write another. */
        {{"--keys", "b q", "--screenshot", "o.png", "t"}, COMMAND_BAD_USAGE, nullptr, "q"},
        {{"--keys", "Q", "--screenshot", "o.png", "t"}, COMMAND_BAD_USAGE, nullptr, "Q"},
        {{"--keys", "p", "--screenshot", "o.png", "t"}, COMMAND_BAD_USAGE, nullptr, "p"},
        {{"--keys", "bk", "--screenshot", "o.png", "t"}, COMMAND_BAD_USAGE, nullptr, "bk"},
        {{"--keys", "F0", "--screenshot", "o.png", "t"}, COMMAND_BAD_USAGE, nullptr, "F0"},
        {{"--keys", "F13", "--screenshot", "o.png", "t"}, COMMAND_BAD_USAGE, nullptr, "F13"},
        {{"--keys", "F1x", "--screenshot", "o.png", "t"}, COMMAND_BAD_USAGE, nullptr, "F1x"},
        {{"--keys", "PgUpx", "--screenshot", "o.png", "t"}, COMMAND_BAD_USAGE, nullptr, "PgUpx"},
        {{"--keys", "pgup", "--screenshot", "o.png", "t"}, COMMAND_BAD_USAGE, nullptr, "pgup"},
        {{"--keys", "\x01", "--screenshot", "o.png", "t"}, COMMAND_BAD_USAGE, nullptr, "\x01"},
        {{"--keys", many, "--screenshot", "o.png", "t"}, COMMAND_BAD_USAGE, nullptr, nullptr},
    };
    for (const ArgumentCase& c : refused) {
        std::string name;
        for (const std::string& a : c.args)
            name += " " + a;
        CommandLine command = parse(c.args);
        EXPECT_EQ(command.action, COMMAND_BAD_USAGE) << name;
        if (c.wrong != nullptr) {
            EXPECT_STREQ(command.wrong_argument, c.wrong) << name;
        }
    }
}

} // namespace
