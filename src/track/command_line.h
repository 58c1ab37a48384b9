/*
 * command_line.h - what the viewer was asked to do by its arguments.
 *
 *   kestrim [OPTION]... [--] [FILE]
 *
 * The one file is the argument that is not an option; a second one is
 * refused, for the viewer shows one track at a time.  "--" ends the
 * options, so that a file named "-x.track" can be given.  No argument is
 * passed on to GLUT, so that a file name can never be taken for one of
 * its options.  "--screenshot OUT FILE" opens the window only to draw
 * FILE's start view into OUT (after the keys of --keys).
 *
 * Entry points: CommandLine, CommandAction, KeyPress, parse_command_line(),
 * print_usage(), print_version().
 */
#ifndef KESTRIM_COMMAND_LINE_H
#define KESTRIM_COMMAND_LINE_H

#include "statistics.h"

enum { MAX_KEYS = 32 }; /* keys --keys may press */

/* The keys --keys names that are neither characters nor F1 to F12. */
enum NamedKey {
    KEY_NONE = 0,
    KEY_LEFT,
    KEY_RIGHT,
    KEY_UP,
    KEY_DOWN,
    KEY_PAGE_UP,
    KEY_PAGE_DOWN,
    KEY_HOME,
};

/* A key for --keys to press: a character, a function key F1 to F12, or a
   key of the arrows and pages. */
struct KeyPress {
    unsigned char character; /* 0 for any other key */
    int function_key;        /* 1 to 12 for F1 to F12; else 0 */
    NamedKey named;          /* Left, PgUp, ...; KEY_NONE for the others */
};

/* What start-up does next. */
enum CommandAction {
    COMMAND_VIEW,      /* open the window on path (or on nothing) */
    COMMAND_STATS,     /* print the statistics of path, without a window */
    COMMAND_HELP,      /* print the usage and exit 0 */
    COMMAND_VERSION,   /* print the version and exit 0 */
    COMMAND_BAD_USAGE, /* say what is wrong, print the usage, exit 2 */
};

struct CommandLine {
    CommandAction action;
    const char* path;           /* the file to show; null when none was given */
    const char* format;         /* --format NAME: the gpsbabel format of path; null: found out */
    StatisticsUnits units;      /* --units NAME: of the statistics; metric by default */
    const char* wrong_argument; /* with COMMAND_BAD_USAGE: the argument at fault */
    const char* problem;        /* with COMMAND_BAD_USAGE: what is wrong with it */
    const char* screenshot;     /* --screenshot OUT: the start view into OUT, then exit; or null */
    int key_count;              /* --keys "b 2 F1": pressed before the screenshot */
    bool fps_report;            /* --fps: the frame rate on standard output every 5 s */
    bool no_lod;                /* --no-lod: every point drawn, whatever the zoom */
    KeyPress keys[MAX_KEYS];
};

/* Reads argv[1 .. argc-1]. */
CommandLine parse_command_line(int argc, char** argv);

/* The short usage: what the file is, the main keys, where the manual is. */
void print_usage();

/* "kestrim VERSION". */
void print_version();

#endif
