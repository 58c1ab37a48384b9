/*
 * command_line.cpp - the viewer's options, its usage and its version.
 *
 * Entry points: parse_command_line(), print_usage(), print_version().
 */
#include "command_line.h"

#include <cstdio>
#include <cstring>

#ifndef KESTRIM_VERSION
#define KESTRIM_VERSION "unknown"
#endif

static const char USAGE[] =
    "usage: kestrim [OPTION]... [--] FILE\n"
    "Shows a recorded GPS track in 3D in a window. FILE is a GPS file, opened\n"
    "directly (GPX, TCX, FIT, KML, IGC, NMEA: gpsbabel converts it), or a\n"
    "track file, one fix a line:\n"
    "  D=2010-08-05T14:25:08,P=45.7720898 14.3575674,V=0.385,A=551.0\n"
    "(UTC time, latitude and longitude in degrees, speed in mph, altitude in m).\n"
    "kestrim-import converts a GPS file into a track file once, to keep.\n"
    "\n"
    "Options:\n"
    "      --format NAME  FILE is of gpsbabel's format NAME (gpsbabel -h lists them)\n"
    "      --stats        print the track's statistics and exit, without a window\n"
    "      --units NAME   the statistics in metric (km, km/h, m; the default) or\n"
    "                     imperial units (mi, mph, ft)\n"
    "  -h, --help         print this help and exit\n"
    "      --version      print the version and exit\n"
    "      --             end of the options: the next argument is the file\n"
    "\n"
    "In the window:\n"
    "  left drag      act in the current mode (at start: orbit the overlay)\n"
    "  right button   menu: Move, Scale, Reset, Exit; middle button: Move, Scale, Rotate\n"
    "  b  1 2 3       a fitted curve instead of the fixes: linear, cubic, Bessel\n"
    "  +  -           speed-colour bands wider or narrower\n"
    "  x  X           the relief twice or half as high\n"
    "  k  i  F1       colourings, the statistics, every control in a panel\n"
    "  r  h  q        reset the view, help on standard output, quit\n"
    "  p              the window as a PNG in the current folder\n"
    "\n"
    "The manual: man kestrim (docs/kestrim.1 in the source tree).\n";

static CommandLine bad_usage(const char* argument, const char* problem)
{
    CommandLine command = {COMMAND_BAD_USAGE, nullptr, nullptr, UNITS_METRIC, argument, problem};
    return command;
}

CommandLine parse_command_line(int argc, char** argv)
{
    CommandLine command = {COMMAND_VIEW, nullptr, nullptr, UNITS_METRIC, nullptr, nullptr};
    const char* stats_option = nullptr; /* the --stats given, to name when no file follows */
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        bool is_option = !options_ended && argument[0] == '-' && argument[1] != '\0';
        if (!is_option) {
            if (command.path != nullptr)
                return bad_usage(argument, "one file at a time: not also");
            command.path = argument;
        } else if (strcmp(argument, "--") == 0) {
            options_ended = true;
        } else if (strcmp(argument, "-h") == 0 || strcmp(argument, "--help") == 0) {
            command.action = COMMAND_HELP;
            return command;
        } else if (strcmp(argument, "--version") == 0) {
            command.action = COMMAND_VERSION;
            return command;
        } else if (strcmp(argument, "--format") == 0) {
            if (i + 1 >= argc)
                return bad_usage(argument, "a gpsbabel format name must follow");
            command.format = argv[++i];
        } else if (strcmp(argument, "--stats") == 0) {
            stats_option = argument;
        } else if (strcmp(argument, "--units") == 0) {
            if (i + 1 >= argc)
                return bad_usage(argument, "metric or imperial must follow");
            if (!statistics_units_named(argv[++i], &command.units))
                return bad_usage(argv[i], "units are metric or imperial, not");
        } else {
            return bad_usage(argument, "unknown option");
        }
    }
    if (stats_option != nullptr) {
        if (command.path == nullptr)
            return bad_usage(stats_option, "a file must be given to");
        command.action = COMMAND_STATS;
    }
    return command;
}

void print_usage()
{
    fputs(USAGE, stdout);
    fflush(stdout);
}

void print_version()
{
    printf("kestrim %s\n", KESTRIM_VERSION);
    fflush(stdout);
}
