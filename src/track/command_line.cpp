/*
 * command_line.cpp - the viewer's options, its usage and its version.
 *
 * Entry points: parse_command_line(), print_usage(), print_version().
 */
#include "command_line.h"

#include <cstdio>
#include <cstdlib>
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
    "      --screenshot OUT.png\n"
    "                     draw FILE's start view into OUT.png and exit; without\n"
    "                     a display that opens, in a private Xvfb of its own\n"
    "      --keys LIST    keys pressed before that picture, as \"b 2 k i F1 PgUp\"\n"
    "      --fps          print the frames drawn in every 5 seconds\n"
    "      --no-lod       draw every point at every zoom (slower on long tracks)\n"
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
    "  space [ ] { } g  replay the ride: play or pause, slower, faster, from the\n"
    "                 start, at the end; g keeps the marker in the middle\n"
    "\n"
    "The manual: man kestrim (docs/kestrim.1 in the source tree).\n";

static CommandLine bad_usage(const char* argument, const char* problem)
{
    CommandLine command = {};
    command.action = COMMAND_BAD_USAGE;
    command.units = UNITS_METRIC;
    command.wrong_argument = argument;
    command.problem = problem;
    return command;
}

/* A key of a --keys list that cannot be pressed, kept for the message. */
static char refused_key[32];

/* The names of the arrows and pages in a --keys list. */
static const struct {
    const char* name;
    NamedKey key;
} NAMED_KEYS[] = {
    {"Left", KEY_LEFT},    {"Right", KEY_RIGHT},    {"Up", KEY_UP},     {"Down", KEY_DOWN},
    {"PgUp", KEY_PAGE_UP}, {"PgDn", KEY_PAGE_DOWN}, {"Home", KEY_HOME},
};

static bool read_named_key(const char* name, size_t length, KeyPress* key)
{
    for (const auto& named : NAMED_KEYS)
        if (strlen(named.name) == length && strncmp(named.name, name, length) == 0) {
            key->named = named.key;
            return true;
        }
    return false;
}

/* One key of a --keys list: a character, F1 to F12, or an arrow or page
   key by name.  q would end the viewer before its picture, and p write
   another one. */
static bool read_key(const char* name, size_t length, KeyPress* key)
{
    key->character = 0;
    key->function_key = 0;
    key->named = KEY_NONE;
    if (read_named_key(name, length, key))
        return true;
    if (length == 1) {
        unsigned char c = static_cast<unsigned char>(name[0]);
        if (c == 'q' || c == 'Q' || c == 'p' || c < '!' || c > '~')
            return false;
        key->character = c;
        return true;
    }
    if (name[0] != 'F' || length > 3 || name[1] < '1' || name[1] > '9')
        return false;
    char digits[3] = {name[1], length == 3 ? name[2] : '\0', '\0'};
    char* end = nullptr;
    long number = strtol(digits, &end, 10);
    key->function_key = static_cast<int>(number);
    return *end == '\0' && number >= 1 && number <= 12;
}

/* The keys of a --keys list, separated by spaces; null when they can all
   be pressed, else what is wrong, with the argument at fault in *wrong. */
static const char* read_keys(const char* list, CommandLine* command, const char** wrong)
{
    command->key_count = 0;
    const char* at = list;
    while (*at != '\0') {
        if (*at == ' ' || *at == '\t') {
            ++at;
            continue;
        }
        size_t length = strcspn(at, " \t");
        if (command->key_count == MAX_KEYS) {
            *wrong = list;
            return "at most 32 keys, not";
        }
        if (!read_key(at, length, &command->keys[command->key_count])) {
            snprintf(refused_key, sizeof refused_key, "%.*s", static_cast<int>(length), at);
            *wrong = refused_key;
            return "keys are one character but q and p, F1 to F12, or Left Right Up Down "
                   "PgUp PgDn Home, not";
        }
        command->key_count += 1;
        at += length;
    }
    return nullptr;
}

CommandLine parse_command_line(int argc, char** argv)
{
    CommandLine command = {};
    command.action = COMMAND_VIEW;
    command.units = UNITS_METRIC;
    const char* stats_option = nullptr; /* the --stats given, to name when no file follows */
    const char* keys_option = nullptr;  /* the --keys given, to name without --screenshot */
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
        } else if (strcmp(argument, "--screenshot") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return bad_usage(argument, "a PNG file name must follow");
            command.screenshot = argv[++i];
        } else if (strcmp(argument, "--keys") == 0) {
            if (i + 1 >= argc)
                return bad_usage(argument, "a list of keys must follow");
            keys_option = argument;
            const char* wrong = nullptr;
            const char* problem = read_keys(argv[++i], &command, &wrong);
            if (problem != nullptr)
                return bad_usage(wrong, problem);
        } else if (strcmp(argument, "--fps") == 0) {
            command.fps_report = true;
        } else if (strcmp(argument, "--no-lod") == 0) {
            command.no_lod = true;
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
        if (command.screenshot != nullptr)
            return bad_usage("--screenshot", "one of --stats and");
        command.action = COMMAND_STATS;
    }
    if (command.screenshot != nullptr && command.path == nullptr)
        return bad_usage("--screenshot", "a file must be given to");
    if (keys_option != nullptr && command.screenshot == nullptr)
        return bad_usage(keys_option, "--screenshot must be given for");
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
