/*
 * private_display.cpp - a private Xvfb when DISPLAY does not open.
 *
 * Xvfb picks the free display number itself (-displayfd) and writes it
 * once it accepts connections.  It listens on the abstract socket alone
 * and keeps no lock file (-nolisten unix -nolock), so that however it
 * ends nothing of it is left in /tmp; -noreset keeps it from resetting
 * when a client leaves.  Its screen is larger than the window, which
 * would otherwise be cut.  The child asks for SIGKILL when the viewer
 * dies, and an exit handler ends it on every exit.
 *
 * Entry points: find_or_start_display().
 */
#include "private_display.h"

#include <X11/Xlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

static const char SCREEN[] = "1280x1024x24";
static const int START_MILLISECONDS = 20000; /* Xvfb is up in a fraction of that */
static const int STOP_MILLISECONDS = 2000;   /* from SIGTERM to SIGKILL */

enum {
    DISPLAY_FD = 3, /* where Xvfb writes its display number */
    EXEC_FD = 4,    /* where the child says why Xvfb did not run */
};

static pid_t xvfb_pid = -1;

static bool display_opens()
{
    const char* name = getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0')
        return false;
    Display* display = XOpenDisplay(name);
    if (display == nullptr)
        return false;
    XCloseDisplay(display);
    return true;
}

static void stop_private_display()
{
    if (xvfb_pid <= 0)
        return;
    kill(xvfb_pid, SIGTERM);
    int status;
    for (int waited = 0; waited < STOP_MILLISECONDS; waited += 10) {
        if (waitpid(xvfb_pid, &status, WNOHANG) != 0) {
            xvfb_pid = -1;
            return;
        }
        usleep(10000);
    }
    kill(xvfb_pid, SIGKILL);
    waitpid(xvfb_pid, &status, 0);
    xvfb_pid = -1;
}

/* In the child: Xvfb with nothing of the viewer's but the two pipes. */
[[noreturn]] static void run_xvfb(pid_t parent, int display_pipe, int exec_pipe)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(127); /* the viewer is gone already */
    /* Above the targets first, so that dup2 cannot close a pipe's end. */
    int display_end = fcntl(display_pipe, F_DUPFD, 10);
    int exec_end = fcntl(exec_pipe, F_DUPFD_CLOEXEC, 10);
    int null = open("/dev/null", O_RDWR);
    if (display_end < 0 || exec_end < 0 || null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0 ||
        dup2(null, 2) < 0 || dup2(display_end, DISPLAY_FD) < 0 ||
        dup3(exec_end, EXEC_FD, O_CLOEXEC) < 0)
        _exit(127);
    close_range(EXEC_FD + 1, ~0U, 0);
    signal(SIGPIPE, SIG_DFL);
    execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", SCREEN, "-nolisten", "tcp",
           "-nolisten", "unix", "-nolock", "-noreset", static_cast<char*>(nullptr));
    int error = errno;
    (void)!write(EXEC_FD, &error, sizeof error);
    _exit(127);
}

/* The display number Xvfb writes once it is ready; -1 when it ends or the
   time is up first. */
static long read_display_number(int fd)
{
    char line[32];
    size_t length = 0;
    for (int waited = 0; waited < START_MILLISECONDS && length + 1 < sizeof line;) {
        struct pollfd ready = {fd, POLLIN, 0};
        int got = poll(&ready, 1, 100);
        waited += 100;
        if (got <= 0)
            continue;
        ssize_t n = read(fd, line + length, sizeof line - 1 - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        length += static_cast<size_t>(n);
        line[length] = '\0';
        if (strchr(line, '\n') != nullptr) {
            char* end = nullptr;
            long number = strtol(line, &end, 10);
            return end != line && number >= 0 ? number : -1;
        }
    }
    return -1;
}

/* Why the child could not run Xvfb, as errno; 0 when it ran. */
static int exec_error(int fd)
{
    int error = 0;
    ssize_t n;
    do {
        n = read(fd, &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    return n == sizeof error ? error : 0;
}

static bool start_private_display()
{
    int display_pipe[2], exec_pipe[2];
    if (pipe2(display_pipe, O_CLOEXEC) != 0)
        return false;
    if (pipe2(exec_pipe, O_CLOEXEC) != 0) {
        close(display_pipe[0]);
        close(display_pipe[1]);
        return false;
    }
    fflush(stdout); /* the child must not write the viewer's buffer again */
    pid_t parent = getpid();
    pid_t child = fork();
    if (child == 0)
        run_xvfb(parent, display_pipe[1], exec_pipe[1]);
    close(display_pipe[1]);
    close(exec_pipe[1]);
    if (child < 0) {
        close(display_pipe[0]);
        close(exec_pipe[0]);
        return false;
    }
    xvfb_pid = child;
    atexit(stop_private_display);
    int error = exec_error(exec_pipe[0]);
    close(exec_pipe[0]);
    long number = error == 0 ? read_display_number(display_pipe[0]) : -1;
    close(display_pipe[0]);
    if (number < 0) {
        stop_private_display();
        if (error != 0)
            printf("kestrim: no display, and Xvfb cannot be run: %s (package xvfb)\n",
                   strerror(error));
        else
            printf("kestrim: no display, and Xvfb did not start\n");
        fflush(stdout);
        return false;
    }
    char name[32];
    snprintf(name, sizeof name, ":%ld", number);
    setenv("DISPLAY", name, 1);
    return true;
}

bool find_or_start_display()
{
    return display_opens() || start_private_display();
}
