/*
 * gps_file.cpp - GPS files converted by kestrim-import, in a private folder.
 *
 * A file is read as a track as it is when a line near its start begins
 * with D=, when it is named .track, or when it is no regular file (the
 * reader then says what it is).  Any other file goes to
 * "kestrim-import --porcelain", which tells its kind from its content or
 * its name and converts it; when it cannot tell the kind (status 3) the
 * file is read as a track, as the viewer always has.  The converter runs
 * in a process group of its own, with a time limit that grows with the
 * file, and a signal to the viewer meanwhile ends it and removes the
 * folder before the viewer ends.
 *
 * Entry points: open_gps_file(), forget_gps_file().
 */
#include "gps_file.h"

#include "clock.h"
#include "terminal_progress.h"
#include "text_format.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

static const char TRACK_EXTENSION[] = ".track";
static const char CONVERTER[] = "kestrim-import";
static const double BASE_SECONDS = 30.0;  /* the conversion's time limit ... */
static const double SECONDS_PER_MB = 2.0; /* ... and what each megabyte adds to it */
static const double GRACE_SECONDS = 2.0;  /* between TERM and KILL */
enum { SNIFF_BYTES = 4096, UNKNOWN_KIND_STATUS = 3 };

static std::string private_folder;             /* of the conversion; empty when none */
static std::string converted_track;            /* the track written there */
static volatile sig_atomic_t interruption = 0; /* a signal that came during the conversion */

static bool named_as_track(const char* path)
{
    size_t length = strlen(path), extension = sizeof TRACK_EXTENSION - 1;
    return length >= extension && strcasecmp(path + length - extension, TRACK_EXTENSION) == 0;
}

/* True when a line among the first bytes of the file begins with D=. */
static bool starts_like_a_track(const char* bytes, ssize_t size)
{
    bool line_start = true;
    for (ssize_t i = 0; i + 1 < size; ++i) {
        char c = bytes[i];
        if (c == '\n' || c == '\r') {
            line_start = true;
        } else if (line_start && (c == ' ' || c == '\t')) {
            continue;
        } else {
            if (line_start && c == 'D' && bytes[i + 1] == '=')
                return true;
            line_start = false;
        }
    }
    return false;
}

enum Reading { READ_AS_TRACK, ASK_THE_CONVERTER };

/* Whether the file is read as a track without asking the converter. */
static Reading how_to_read(const char* path)
{
    struct stat file;
    if (stat(path, &file) != 0)
        return named_as_track(path) ? READ_AS_TRACK : ASK_THE_CONVERTER;
    if (!S_ISREG(file.st_mode))
        return READ_AS_TRACK; /* the reader refuses it, saying what it is */
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return named_as_track(path) ? READ_AS_TRACK : ASK_THE_CONVERTER;
    char start[SNIFF_BYTES];
    ssize_t got = read(fd, start, sizeof start);
    close(fd);
    if (got < 0)
        return READ_AS_TRACK; /* the reader reports the failed read */
    if (starts_like_a_track(start, got) || named_as_track(path))
        return READ_AS_TRACK;
    return ASK_THE_CONVERTER;
}

/* kestrim-import beside the running viewer, as it is installed; else on PATH. */
static std::string converter_path()
{
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        self[length] = '\0';
        std::string beside = self;
        beside = beside.substr(0, beside.rfind('/') + 1) + CONVERTER;
        if (access(beside.c_str(), X_OK) == 0)
            return beside;
    }
    return CONVERTER;
}

static void remember_interruption(int signal_number)
{
    interruption = signal_number;
}

static void catch_interruptions(void (*handler)(int))
{
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal_number, &action, nullptr);
}

/* The folder and all in it: the converter keeps its own temporary files
   there too (it is given the folder as TMPDIR), even when it is killed. */
static void remove_private_folder()
{
    if (private_folder.empty())
        return;
    DIR* folder = opendir(private_folder.c_str());
    while (folder != nullptr) {
        dirent* entry = readdir(folder);
        if (entry == nullptr)
            break;
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            unlink((private_folder + "/" + entry->d_name).c_str());
    }
    if (folder != nullptr)
        closedir(folder);
    rmdir(private_folder.c_str());
    private_folder.clear();
    converted_track.clear();
}

static bool make_private_folder()
{
    const char* tmp = getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/kestrim-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr)
        return false;
    private_folder = pattern;
    converted_track = private_folder + "/converted.track";
    return true;
}

/* Starts the converter in a process group of its own, its output and its
   errors into files of the private folder. */
static pid_t start_converter(const std::string& program, const char* path, const char* format)
{
    std::string said = private_folder + "/said", errors = private_folder + "/errors";
    std::string output = converted_track;
    pid_t child = fork();
    if (child != 0)
        return child;
    setpgid(0, 0);
    setenv("TMPDIR", private_folder.c_str(), 1);
    int out = open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int none = open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || none < 0 || dup2(none, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
        _exit(127);
    const char* argv[12];
    int argc = 0;
    argv[argc++] = program.c_str();
    argv[argc++] = "--porcelain";
    if (format != nullptr) {
        argv[argc++] = "-f";
        argv[argc++] = format;
    }
    argv[argc++] = "-o";
    argv[argc++] = output.c_str();
    argv[argc++] = "--";
    argv[argc++] = path;
    argv[argc] = nullptr;
    execvp(argv[0], const_cast<char* const*>(argv));
    dprintf(2, "%s: %s\n", CONVERTER, strerror(errno));
    _exit(127);
}

/* Ends the converter's whole group: TERM, then KILL after a grace. */
static int end_converter(pid_t child)
{
    kill(-child, SIGTERM);
    int status = 0;
    double deadline = monotonic_seconds() + GRACE_SECONDS;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (monotonic_seconds() > deadline) {
            kill(-child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        usleep(20000);
    }
    kill(-child, SIGKILL); /* whatever it started and left */
    return status;
}

enum Outcome { CONVERTED, FAILED, TIMED_OUT };

/* "converting walk.gpx with gpsbabel: 3.4 s" on the terminal, once the
   conversion has lasted long enough for anyone to wonder. */
static void show_conversion_time(const char* path, double started, double now)
{
    if (now - started < TERMINAL_LINE_AFTER_SECONDS)
        return;
    const char* name = strrchr(path, '/');
    name = name != nullptr ? name + 1 : path;
    char text[80];
    snprintf(text, sizeof text, "converting %.40s with gpsbabel: %.1f s", name, now - started);
    show_terminal_line(text, now);
}

/* Waits for the converter within the time limit, showing the time so far
   on the terminal; a signal to the viewer meanwhile ends it, removes the
   folder, and ends the viewer by that signal. */
static Outcome wait_for_converter(pid_t child, const char* path, double limit, int* status)
{
    double started = monotonic_seconds();
    double deadline = started + limit;
    for (;;) {
        pid_t done = waitpid(child, status, WNOHANG);
        if (done == child)
            break;
        double now = monotonic_seconds();
        show_conversion_time(path, started, now);
        if (interruption != 0) {
            int signal_number = interruption;
            erase_terminal_line();
            end_converter(child);
            remove_private_folder();
            signal(signal_number, SIG_DFL);
            raise(signal_number);
            _exit(128 + signal_number);
        }
        if (now > deadline) {
            erase_terminal_line();
            *status = end_converter(child);
            return TIMED_OUT;
        }
        usleep(20000);
    }
    erase_terminal_line();
    kill(-child, SIGKILL); /* nothing of the conversion outlives it */
    return WIFEXITED(*status) && WEXITSTATUS(*status) == 0 ? CONVERTED : FAILED;
}

static std::string first_line_of(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "r");
    char line[1024] = "";
    if (file != nullptr) {
        if (fgets(line, sizeof line, file) == nullptr)
            line[0] = '\0';
        fclose(file);
    }
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

/* The converter's reason, without its own name in front. */
static std::string reason_given()
{
    std::string reason = first_line_of(private_folder + "/errors");
    std::string prefix = std::string(CONVERTER) + ": ";
    if (reason.compare(0, prefix.size(), prefix) == 0)
        reason = reason.substr(prefix.size());
    return reason;
}

static bool fail(const char* path, const std::string& reason)
{
    printf("kestrim: cannot open %s: %s\n", path, reason.c_str());
    fflush(stdout);
    remove_private_folder();
    return false;
}

/* The converter's limit: half a minute, and two seconds a megabyte of
   input (gpsbabel converts a 100 MB GPX in about 80 s on a slow machine). */
static double time_limit_for(const char* path)
{
    struct stat file;
    double megabytes = stat(path, &file) == 0 ? file.st_size / 1e6 : 0.0;
    return BASE_SECONDS + SECONDS_PER_MB * megabytes;
}

bool open_gps_file(const char* path, const char* format, GpsFile* file)
{
    file->read_path = path;
    file->converted = false;
    if (format == nullptr && how_to_read(path) == READ_AS_TRACK)
        return true;
    if (!make_private_folder())
        return fail(path, std::string("no private folder for the conversion: ") + strerror(errno));
    std::string program = converter_path();
    interruption = 0;
    catch_interruptions(remember_interruption);
    double limit = time_limit_for(path);
    pid_t child = start_converter(program, path, format);
    int status = 0;
    Outcome outcome = child < 0 ? FAILED : wait_for_converter(child, path, limit, &status);
    catch_interruptions(SIG_DFL);
    if (child < 0)
        return fail(path, std::string("cannot start ") + CONVERTER + ": " + strerror(errno));
    if (outcome == TIMED_OUT) {
        char seconds[32];
        snprintf(seconds, sizeof seconds, "%.0f", limit);
        return fail(path, std::string("the conversion did not end within ") + seconds +
                              " s, and was stopped");
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == UNKNOWN_KIND_STATUS && format == nullptr) {
        remove_private_folder(); /* no GPS file it knows: read as a track, as ever */
        return true;
    }
    if (outcome == FAILED) {
        if (WIFSIGNALED(status))
            return fail(path,
                        "the conversion was ended by signal " + std::to_string(WTERMSIG(status)));
        if (WIFEXITED(status) && WEXITSTATUS(status) == 127 && reason_given().empty())
            return fail(path, std::string(CONVERTER) + ", which converts GPS files, was not "
                                                       "found beside kestrim nor on PATH");
        return fail(path, reason_given());
    }
    char gpsbabel_format[64] = "", kind[64] = "";
    long long fixes = 0;
    std::string said = first_line_of(private_folder + "/said");
    if (sscanf(said.c_str(), "%63s %63s %lld", gpsbabel_format, kind, &fixes) != 3)
        return fail(path, CONVERTER + std::string(" said no more than \"") + said + "\"");
    char count[THOUSANDS_BYTES];
    printf("converted %s (%s) with gpsbabel: %s fixes\n", path, kind, with_thousands(fixes, count));
    fflush(stdout);
    file->read_path = converted_track.c_str();
    file->converted = true;
    return true;
}

void forget_gps_file(GpsFile* file)
{
    if (!file->converted)
        return;
    remove_private_folder();
    file->converted = false;
}
