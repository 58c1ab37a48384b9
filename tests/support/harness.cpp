/*
 * harness.cpp - the end-to-end test harness: private Xvfb servers, child
 * processes with their stdout piped back, X tools (xdotool, xwininfo, xwd,
 * convert) run with a time limit, and screenshot parsing. See harness.h for
 * the entry points and for the X/freeglut behaviour the helpers were
 * measured against.
 *
 * Children are started with fork/execve rather than posix_spawn because only
 * fork lets the child ask for PR_SET_PDEATHSIG: a test binary that crashes
 * must not leave Xvfb servers or programs behind. Everything the child needs
 * is prepared before fork, so the child only makes async-signal-safe calls.
 */

#include "harness.h"

#include "track/clock.h"

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

/* ---------------------------------------------------------------- plumbing */

void e2e_sleep(double seconds)
{
    if (seconds <= 0)
        return;
    struct timespec ts;
    ts.tv_sec = (time_t)seconds;
    ts.tv_nsec = (long)((seconds - ts.tv_sec) * 1e9);
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

/* A time limit that does not count the moments the whole machine stood
   still. This VM's two CPUs have been seen to stop for over 30 s at once
   (the kernel logged a workqueue lockup); the children stood still too, so
   that time was never theirs. Every loop below looks at its limit at least
   every second, so a longer gap between two looks is such a stall, and the
   limit moves on by it. */
struct Deadline {
    double end, last;
    explicit Deadline(double seconds)
    {
        last = monotonic_seconds();
        end = last + seconds;
    }
    double left()
    {
        double now = monotonic_seconds();
        if (now - last > STALL_SECONDS)
            end += now - last;
        last = now;
        return end - now;
    }
    bool passed()
    {
        return left() <= 0;
    }
    static constexpr double STALL_SECONDS = 2.0;
};

static int ms_left(Deadline* deadline, int cap_ms)
{
    double left = deadline->left();
    if (left <= 0)
        return 0;
    int ms = (int)(left * 1000) + 1;
    return ms < cap_ms ? ms : cap_ms;
}

static int code_from_status(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

static std::string find_in_path(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return name;
    const char* path = getenv("PATH");
    std::string p = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find(':', start);
        if (end == std::string::npos)
            end = p.size();
        std::string dir = p.substr(start, end - start);
        if (dir.empty())
            dir = ".";
        std::string full = dir + "/" + name;
        struct stat st;
        if (stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(full.c_str(), X_OK) == 0)
            return full;
        start = end + 1;
    }
    return "";
}

static bool read_file(const std::string& path, std::string* data);
static bool write_file(const std::string& path, const std::string& data);
static std::string read_text(const std::string& path);

/* The Debian package that gives a program, from the one list of them:
   lines of a package and the programs it gives. */
static std::string package_of(const std::string& program)
{
    if (program.empty() || program.find('/') != std::string::npos)
        return "";
    std::istringstream list(read_text(std::string(KESTRIM_SOURCE_DIR) + "/scripts/packages.txt"));
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string package, word;
        words >> package;
        while (words >> word)
            if (word == program)
                return package;
    }
    return "";
}

std::string e2e_missing_program_message(const std::string& program)
{
    std::string package = package_of(program);
    if (package.empty())
        return "cannot execute " + program;
    return program + " is not installed (Debian package " + package +
           "): run scripts/install-deps.sh";
}

static std::vector<std::string> make_env(const std::vector<std::string>& overrides)
{
    std::vector<std::string> env;
    for (char** e = environ; e && *e; e++) {
        std::string s = *e;
        std::string name = s.substr(0, s.find('='));
        bool replaced = false;
        for (const std::string& o : overrides)
            if (o.substr(0, o.find('=')) == name)
                replaced = true;
        if (!replaced)
            env.push_back(s);
    }
    for (const std::string& o : overrides)
        env.push_back(o);
    return env;
}

static std::vector<char*> c_array(std::vector<std::string>& v)
{
    std::vector<char*> a;
    for (std::string& s : v)
        a.push_back(&s[0]);
    a.push_back(nullptr);
    return a;
}

struct FdMap {
    int from, to;
};

/* Starts argv in a new process group. maps lists the fds the child gets
   (from = parent fd, to = child fd); all other harness fds are O_CLOEXEC.
   Returns the pid, or -1 if the program could not be executed. */
static pid_t start_child(const std::vector<std::string>& argv_in,
                         const std::vector<std::string>& env_overrides,
                         const std::vector<FdMap>& maps)
{
    if (argv_in.empty())
        return -1;
    std::string exe = find_in_path(argv_in[0]);
    if (exe.empty()) {
        /* Said at once, rather than found out later as a timeout. */
        fprintf(stderr, "e2e: %s\n", e2e_missing_program_message(argv_in[0]).c_str());
        return -1;
    }
    std::vector<std::string> argv = argv_in;
    std::vector<std::string> env = make_env(env_overrides);
    std::vector<char*> cargv = c_array(argv);
    std::vector<char*> cenv = c_array(env);

    /* The child reports an exec failure through this pipe; a successful exec
       closes it (O_CLOEXEC), so the parent's read sees EOF. */
    int errpipe[2];
    if (pipe2(errpipe, O_CLOEXEC) != 0)
        return -1;
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        close(errpipe[0]);
        close(errpipe[1]);
        return -1;
    }
    if (pid == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127); /* parent already gone */
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction dfl;
        memset(&dfl, 0, sizeof dfl);
        dfl.sa_handler = SIG_DFL;
        sigaction(SIGPIPE, &dfl, nullptr);
        /* Park the sources above every target first, so that a source fd
           that happens to equal a target number is not clobbered by dup2. */
        int parked[16];
        size_t n = maps.size() < 16 ? maps.size() : 16;
        for (size_t i = 0; i < n; i++)
            parked[i] = fcntl(maps[i].from, F_DUPFD, 64);
        for (size_t i = 0; i < n; i++) {
            if (parked[i] < 0 || dup2(parked[i], maps[i].to) < 0) {
                int e = errno;
                (void)!write(errpipe[1], &e, sizeof e);
                _exit(127);
            }
        }
        for (size_t i = 0; i < n; i++)
            close(parked[i]);
        execve(exe.c_str(), cargv.data(), cenv.data());
        int e = errno;
        (void)!write(errpipe[1], &e, sizeof e);
        _exit(127);
    }
    setpgid(pid, pid); /* also from here, so kill(-pid) works at once */
    close(errpipe[1]);
    int child_errno = 0;
    ssize_t r;
    do {
        r = read(errpipe[0], &child_errno, sizeof child_errno);
    } while (r < 0 && errno == EINTR);
    close(errpipe[0]);
    if (r > 0) {
        int st;
        waitpid(pid, &st, 0);
        errno = child_errno;
        return -1;
    }
    return pid;
}

/* Reads what is there without blocking. Returns false on EOF or error. */
static bool drain(int fd, std::string* out)
{
    char buf[65536];
    for (;;) {
        ssize_t r = read(fd, buf, sizeof buf);
        if (r > 0) {
            out->append(buf, (size_t)r);
            continue;
        }
        if (r == 0)
            return false;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

/* Only our read end is non-blocking: a non-blocking write end would make the
   child's writes fail with EAGAIN whenever the pipe is full, losing output. */
static bool reader_pipe(int fds[2])
{
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    return true;
}

static int open_null(int flags)
{
    return open("/dev/null", flags | O_CLOEXEC);
}

/* SIGTERM to the group, SIGKILL after grace_s, reap. fd (may be -1) is read
   meanwhile so a child blocked on a full pipe can still act on SIGTERM. */
static int terminate_group(pid_t pid, double grace_s, int fd, std::string* out)
{
    int status = 0;
    kill(-pid, SIGTERM);
    Deadline deadline(grace_s);
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            break;
        if (r < 0 && errno != EINTR)
            return -1;
        if (deadline.passed()) {
            kill(-pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        if (fd >= 0 && out)
            drain(fd, out);
        e2e_sleep(0.01);
    }
    /* Members of the group that outlived the leader (sh's children, a
       process that ignores SIGTERM) go too. */
    kill(-pid, SIGKILL);
    if (fd >= 0 && out)
        drain(fd, out);
    return code_from_status(status);
}

std::string e2e_temp_root()
{
    const char* dir = getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

E2eTempDir::E2eTempDir(const std::string& tag)
{
    std::string tmpl = e2e_temp_root() + "/" + tag + "-XXXXXX";
    if (mkdtemp(&tmpl[0]) != nullptr)
        path = tmpl;
}

E2eTempDir::~E2eTempDir()
{
    std::error_code ignored;
    if (!path.empty())
        std::filesystem::remove_all(path, ignored);
}

std::string e2e_temp_file(const std::string& text)
{
    std::string path = e2e_temp_root() + "/kestrim-test-XXXXXX";
    int fd = mkostemp(&path[0], O_CLOEXEC);
    if (fd < 0)
        return "";
    close(fd);
    return write_file(path, text) ? path : "";
}

static std::string temp_file(const char* tag, int* fd_out)
{
    std::string tmpl = e2e_temp_root() + "/e2e-" + tag + "-XXXXXX";
    int fd = mkostemp(&tmpl[0], O_CLOEXEC);
    if (fd < 0)
        return "";
    if (fd_out)
        *fd_out = fd;
    else
        close(fd);
    return tmpl;
}

static std::string read_text(const std::string& path)
{
    std::string text;
    read_file(path, &text);
    return text;
}

static bool read_file(const std::string& path, std::string* data)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buf[65536];
    ssize_t r;
    while ((r = read(fd, buf, sizeof buf)) != 0) {
        if (r < 0) {
            if (errno == EINTR)
                continue;
            close(fd);
            return false;
        }
        data->append(buf, (size_t)r);
    }
    close(fd);
    return true;
}

static bool write_file(const std::string& path, const std::string& data)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t off = 0;
    while (off < data.size()) {
        ssize_t w = write(fd, data.data() + off, data.size() - off);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            close(fd);
            return false;
        }
        off += (size_t)w;
    }
    return close(fd) == 0;
}

std::string e2e_display_name(const E2eDisplay& d)
{
    return ":" + std::to_string(d.number);
}

static std::vector<std::string> display_env(const E2eDisplay* d)
{
    if (!d)
        return {};
    return {"DISPLAY=" + e2e_display_name(*d)};
}

/* ---------------------------------------------------------------- e2e_run */

bool e2e_run(const E2eDisplay* d, const std::vector<std::string>& argv, double timeout_s,
             std::string* out, std::string* err, int* code)
{
    std::string o, e;
    if (code)
        *code = -1;
    int po[2], pe[2];
    if (!reader_pipe(po))
        return false;
    if (!reader_pipe(pe)) {
        close(po[0]);
        close(po[1]);
        return false;
    }
    int in = open_null(O_RDONLY);
    pid_t pid = start_child(argv, display_env(d), {{in, 0}, {po[1], 1}, {pe[1], 2}});
    close(in);
    close(po[1]);
    close(pe[1]);
    if (pid < 0) {
        close(po[0]);
        close(pe[0]);
        if (err)
            *err = argv.empty() ? "cannot execute ?" : e2e_missing_program_message(argv[0]);
        return false;
    }
    Deadline deadline(timeout_s);
    bool o_open = true, e_open = true, reaped = false, timed_out = false;
    int status = 0;
    for (;;) {
        if (!reaped) {
            pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid)
                reaped = true;
        }
        if (reaped) {
            /* Whatever the tool wrote is in the pipes by now; a grandchild
               that kept them open must not make us wait for it. */
            if (o_open)
                drain(po[0], &o);
            if (e_open)
                drain(pe[0], &e);
            kill(-pid, SIGKILL); /* a tool's leftovers are not wanted */
            break;
        }
        if (deadline.passed()) {
            timed_out = true;
            kill(-pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        struct pollfd fds[2];
        int n = 0;
        if (o_open)
            fds[n++] = {po[0], POLLIN, 0};
        if (e_open)
            fds[n++] = {pe[0], POLLIN, 0};
        if (n == 0) {
            e2e_sleep(0.002);
            continue;
        }
        poll(fds, n, ms_left(&deadline, 50));
        if (o_open)
            o_open = drain(po[0], &o);
        if (e_open)
            e_open = drain(pe[0], &e);
    }
    close(po[0]);
    close(pe[0]);
    if (out)
        *out = o;
    if (err)
        *err = timed_out ? e + "\n[e2e: killed after timeout]" : e;
    if (timed_out)
        return false;
    int c = code_from_status(status);
    if (code)
        *code = c;
    return c == 0;
}

/* ---------------------------------------------------------------- displays */

bool e2e_start_display(E2eDisplay* d)
{
    d->number = -1;
    d->pid = -1;
    int logfd = -1;
    d->log_path = temp_file("xvfb", &logfd);
    if (d->log_path.empty())
        return false;
    int pfd[2];
    if (pipe2(pfd, O_CLOEXEC) != 0) {
        close(logfd);
        return false;
    }
    int in = open_null(O_RDONLY);
    /* -noreset: the server must not reset (dropping state) when the last
       client of a test disconnects between two program runs.
       -nolock -nolisten unix: no lock file and no socket file in /tmp, only
       the abstract socket, so a server that is killed leaves nothing behind. */
    pid_t pid = start_child({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten",
                             "tcp", "-nolisten", "unix", "-nolock", "-noreset"},
                            {}, {{in, 0}, {logfd, 1}, {logfd, 2}, {pfd[1], 3}});
    close(in);
    close(logfd);
    close(pfd[1]);
    if (pid < 0) {
        close(pfd[0]);
        return false;
    }
    d->pid = pid;
    /* Xvfb writes "N\n" once it accepts connections; EOF means it died. */
    std::string line;
    Deadline deadline(20);
    while (line.find('\n') == std::string::npos) {
        struct pollfd p = {pfd[0], POLLIN, 0};
        int left = ms_left(&deadline, 1000);
        if (left == 0)
            break;
        if (poll(&p, 1, left) <= 0)
            continue;
        char buf[32];
        ssize_t r = read(pfd[0], buf, sizeof buf);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        line.append(buf, (size_t)r);
    }
    close(pfd[0]);
    char* end = nullptr;
    long n = strtol(line.c_str(), &end, 10);
    if (line.find('\n') == std::string::npos || end == line.c_str() || n < 0) {
        e2e_stop_display(d);
        return false;
    }
    d->number = (int)n;
    return true;
}

void e2e_stop_display(E2eDisplay* d)
{
    if (d->pid > 0)
        terminate_group(d->pid, 2.0, -1, nullptr);
    d->pid = -1;
    d->number = -1;
    if (!d->log_path.empty())
        unlink(d->log_path.c_str());
    d->log_path.clear();
}

/* ---------------------------------------------------------------- processes */

bool e2e_spawn(const E2eDisplay& d, const std::vector<std::string>& argv, E2eProcess* p,
               const std::vector<std::string>& extra_env)
{
    *p = E2eProcess();
    int errfd = -1;
    p->stderr_path = temp_file("stderr", &errfd);
    if (p->stderr_path.empty())
        return false;
    int po[2];
    if (!reader_pipe(po)) {
        close(errfd);
        return false;
    }
    std::vector<std::string> env = display_env(&d);
    for (const std::string& e : extra_env)
        env.push_back(e);
    int in = open_null(O_RDONLY);
    pid_t pid = start_child(argv, env, {{in, 0}, {po[1], 1}, {errfd, 2}});
    close(in);
    close(errfd);
    close(po[1]);
    if (pid < 0) {
        close(po[0]);
        unlink(p->stderr_path.c_str());
        p->stderr_path.clear();
        return false;
    }
    p->pid = pid;
    p->stdout_fd = po[0];
    return true;
}

static void reap_if_done(E2eProcess* p)
{
    if (p->pid <= 0 || p->reaped)
        return;
    int status;
    pid_t r = waitpid(p->pid, &status, WNOHANG);
    if (r == p->pid) {
        p->reaped = true;
        p->exit_code = code_from_status(status);
    }
}

bool e2e_wait_output(E2eProcess* p, const std::string& text, double timeout_s)
{
    return e2e_wait_new_output(p, 0, text, timeout_s);
}

bool e2e_wait_new_output(E2eProcess* p, size_t from, const std::string& text, double timeout_s)
{
    Deadline deadline(timeout_s);
    for (;;) {
        if (p->out.find(text, from) != std::string::npos)
            return true;
        if (p->stdout_fd < 0 || p->eof)
            return false;
        struct pollfd fd = {p->stdout_fd, POLLIN, 0};
        int left = ms_left(&deadline, 100);
        if (left > 0)
            poll(&fd, 1, left);
        if (!drain(p->stdout_fd, &p->out))
            p->eof = true;
        if (left == 0)
            return p->out.find(text, from) != std::string::npos;
    }
}

bool e2e_wait_exit(E2eProcess* p, double timeout_s, int* code)
{
    Deadline deadline(timeout_s);
    for (;;) {
        if (p->stdout_fd >= 0 && !p->eof && !drain(p->stdout_fd, &p->out))
            p->eof = true;
        reap_if_done(p);
        if (p->reaped || p->pid <= 0) {
            if (p->stdout_fd >= 0 && !p->eof && !drain(p->stdout_fd, &p->out))
                p->eof = true;
            if (code)
                *code = p->exit_code;
            return p->pid > 0;
        }
        int left = ms_left(&deadline, 20);
        if (left == 0)
            return false;
        if (p->stdout_fd >= 0 && !p->eof) {
            struct pollfd fd = {p->stdout_fd, POLLIN, 0};
            poll(&fd, 1, left);
        } else {
            e2e_sleep(left / 1000.0);
        }
    }
}

void e2e_kill(E2eProcess* p)
{
    if (p->pid <= 0 || p->reaped)
        return;
    p->exit_code = terminate_group(p->pid, 2.0, p->stdout_fd, &p->out);
    p->reaped = true;
}

std::string e2e_stderr(const E2eProcess& p)
{
    std::string s;
    if (!p.stderr_path.empty())
        read_file(p.stderr_path, &s);
    return s;
}

void e2e_release(E2eProcess* p)
{
    e2e_kill(p);
    if (p->stdout_fd >= 0)
        close(p->stdout_fd);
    p->stdout_fd = -1;
    if (!p->stderr_path.empty())
        unlink(p->stderr_path.c_str());
    p->stderr_path.clear();
}

/* ---------------------------------------------------------------- windows */

static const double kToolTimeout = 10.0;

static bool xdo(const E2eDisplay& d, const std::vector<std::string>& args,
                std::string* out = nullptr, double timeout_s = kToolTimeout)
{
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return e2e_run(&d, argv, timeout_s, out);
}

static std::string regex_exact(const std::string& s)
{
    std::string r = "^";
    for (char c : s) {
        if (strchr(".[]{}()*+?^$|\\", c))
            r += '\\';
        r += c;
    }
    return r + "$";
}

static std::string trim_newline(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

/* xdotool matches names case-insensitively, so candidates are re-checked. */
static std::string find_visible(const E2eDisplay& d, const std::string& title)
{
    std::string out;
    xdo(d, {"search", "--onlyvisible", "--name", regex_exact(title)}, &out);
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos)
            end = out.size();
        std::string id = out.substr(start, end - start);
        if (!id.empty() && e2e_window_name(d, id) == title)
            return id;
        start = end + 1;
    }
    return "";
}

std::string e2e_find_window(const E2eDisplay& d, const std::string& title, double timeout_s)
{
    Deadline deadline(timeout_s);
    for (;;) {
        std::string id = find_visible(d, title);
        if (!id.empty() || deadline.passed())
            return id;
        e2e_sleep(0.05);
    }
}

bool e2e_window_geometry(const E2eDisplay& d, const std::string& id, E2eGeometry* g)
{
    std::string out;
    if (!e2e_run(&d, {"xwininfo", "-id", id}, kToolTimeout, &out))
        return false;
    struct Field {
        const char* label;
        int* value;
        bool seen;
    } fields[] = {{"Absolute upper-left X:", &g->x, false},
                  {"Absolute upper-left Y:", &g->y, false},
                  {"Width:", &g->width, false},
                  {"Height:", &g->height, false}};
    for (Field& f : fields) {
        size_t at = out.find(f.label);
        if (at == std::string::npos)
            continue;
        f.seen = sscanf(out.c_str() + at + strlen(f.label), "%d", f.value) == 1;
    }
    for (const Field& f : fields)
        if (!f.seen)
            return false;
    /* xwininfo gives the corner of the border; window coordinates (and
       xwd -nobdrs) start inside it. freeglut's windows have no border, X
       programs like xev do. */
    int border = 0;
    size_t at = out.find("Border width:");
    if (at != std::string::npos)
        sscanf(out.c_str() + at + 13, "%d", &border);
    g->x += border;
    g->y += border;
    return true;
}

std::string e2e_window_name(const E2eDisplay& d, const std::string& id)
{
    std::string out;
    if (!xdo(d, {"getwindowname", id}, &out))
        return "";
    return trim_newline(out);
}

/* ---------------------------------------------------------------- input */

bool e2e_key(const E2eDisplay& d, const std::string& id, const std::string& keysym)
{
    return xdo(d, {"windowfocus", "--sync", id, "key", keysym});
}

bool e2e_key_down(const E2eDisplay& d, const std::string& id, const std::string& keysym)
{
    return xdo(d, {"windowfocus", "--sync", id, "keydown", keysym});
}

bool e2e_key_up(const E2eDisplay& d, const std::string& keysym)
{
    return xdo(d, {"keyup", keysym});
}

bool e2e_move(const E2eDisplay& d, const std::string& id, int x, int y)
{
    return xdo(d, {"mousemove", "--window", id, "--sync", std::to_string(x), std::to_string(y)});
}

bool e2e_button_down(const E2eDisplay& d, int button)
{
    return xdo(d, {"mousedown", std::to_string(button)});
}

bool e2e_button_up(const E2eDisplay& d, int button)
{
    return xdo(d, {"mouseup", std::to_string(button)});
}

bool e2e_click(const E2eDisplay& d, int button)
{
    return xdo(d, {"click", std::to_string(button)});
}

bool e2e_drag(const E2eDisplay& d, const std::string& id, int button, int x0, int y0, int x1,
              int y1, int steps)
{
    if (steps < 1)
        steps = 1;
    /* One xdotool run for the whole gesture keeps the spacing between
       motion events even; the sleeps let the program see each one. */
    std::string b = std::to_string(button);
    std::vector<std::string> a = {"mousemove",        "--window",  id, "--sync", std::to_string(x0),
                                  std::to_string(y0), "mousedown", b,  "sleep",  "0.02"};
    for (int i = 1; i <= steps; i++) {
        int x = x0 + (int)((long)(x1 - x0) * i / steps);
        int y = y0 + (int)((long)(y1 - y0) * i / steps);
        a.insert(a.end(), {"mousemove", "--window", id, std::to_string(x), std::to_string(y),
                           "sleep", "0.02"});
    }
    a.insert(a.end(), {"mouseup", b});
    return xdo(d, a, nullptr, kToolTimeout + steps * 0.1);
}

E2eOffset e2e_menu_entry_offset(int k)
{
    return {10, 14 + 25 * k};
}

static const char kMenuTitle[] = "freeglut menu";

bool e2e_menu_choose(const E2eDisplay& d, const std::string& id, int menu_button, int x, int y,
                     int entry_dx, int entry_dy)
{
    if (!e2e_move(d, id, x, y) || !e2e_click(d, menu_button))
        return false;
    std::string menu = e2e_find_window(d, kMenuTitle, 3.0);
    if (menu.empty())
        return false;
    /* Aim from where the menu really is: freeglut shifts it when it would
       cross the screen edge. */
    E2eGeometry g;
    if (!e2e_window_geometry(d, menu, &g))
        return false;
    if (!xdo(d, {"mousemove", "--sync", std::to_string(g.x + entry_dx),
                 std::to_string(g.y + entry_dy), "sleep", "0.05", "click", "1"}))
        return false;
    Deadline deadline(3.0);
    while (!find_visible(d, kMenuTitle).empty()) {
        if (deadline.passed())
            return false;
        e2e_sleep(0.05);
    }
    return true;
}

/* ---------------------------------------------------------------- images */

bool e2e_parse_ppm(const std::string& s, E2eImage* img)
{
    size_t i = 0;
    if (s.size() < 2 || s[0] != 'P' || s[1] != '6')
        return false;
    i = 2;
    long v[3];
    for (int k = 0; k < 3; k++) {
        for (;;) { /* whitespace and comments may come between any two fields */
            while (i < s.size() && isspace((unsigned char)s[i]))
                i++;
            if (i < s.size() && s[i] == '#') {
                while (i < s.size() && s[i] != '\n')
                    i++;
                continue;
            }
            break;
        }
        if (i >= s.size() || !isdigit((unsigned char)s[i]))
            return false;
        long n = 0;
        while (i < s.size() && isdigit((unsigned char)s[i])) {
            n = n * 10 + (s[i] - '0');
            if (n > 1000000)
                return false;
            i++;
        }
        v[k] = n;
    }
    /* Exactly one whitespace byte ends the header: the data may start with
       a byte that looks like whitespace. */
    if (i >= s.size() || !isspace((unsigned char)s[i]))
        return false;
    i++;
    long w = v[0], h = v[1], maxval = v[2];
    if (w <= 0 || h <= 0 || maxval <= 0 || maxval > 65535)
        return false;
    if (w * h > (1L << 26))
        return false;
    size_t bpc = maxval > 255 ? 2 : 1;
    size_t need = (size_t)(w * h * 3) * bpc;
    if (s.size() - i < need)
        return false;
    img->width = (int)w;
    img->height = (int)h;
    img->rgb.resize((size_t)(w * h * 3));
    const unsigned char* p = (const unsigned char*)s.data() + i;
    for (size_t k = 0; k < img->rgb.size(); k++) {
        long c = bpc == 2 ? (p[2 * k] << 8 | p[2 * k + 1]) : p[k];
        if (c > maxval)
            c = maxval;
        img->rgb[k] = (unsigned char)((c * 255 + maxval / 2) / maxval);
    }
    return true;
}

std::string e2e_image_to_ppm(const E2eImage& img)
{
    std::string s =
        "P6\n" + std::to_string(img.width) + " " + std::to_string(img.height) + "\n255\n";
    s.append((const char*)img.rgb.data(), img.rgb.size());
    return s;
}

/* convert runs one thread: its OpenMP threads spin at their barriers, and
   on two busy cores (two viewers, their servers and their tests) two
   converts side by side were seen to take more than 30 s instead of 0.1. */
bool e2e_screenshot(const E2eDisplay& d, const std::string& id, E2eImage* img)
{
    /* Through a temp file rather than a shell pipe: no shell quoting, and
       each step has its own time limit. */
    std::string path = temp_file("shot", nullptr);
    if (path.empty())
        return false;
    std::string ppm, err;
    int code = -1;
    double start = monotonic_seconds();
    const char* failed = nullptr;
    if (!e2e_run(&d, {"xwd", "-silent", "-nobdrs", "-id", id, "-out", path}, kToolTimeout, nullptr,
                 &err, &code))
        failed = "xwd";
    else if (!e2e_run(nullptr,
                      {"convert", "-limit", "thread", "1", "xwd:" + path, "-depth", "8", "ppm:-"},
                      30.0, &ppm, &err, &code))
        failed = "convert";
    else if (!e2e_parse_ppm(ppm, img))
        failed = "the PPM parser";
    unlink(path.c_str());
    if (failed != nullptr)
        fprintf(stderr,
                "e2e: screenshot of window %s on %s failed in %s after %.1f s (exit %d): %s\n",
                id.c_str(), e2e_display_name(d).c_str(), failed, monotonic_seconds() - start, code,
                err.c_str());
    return failed == nullptr;
}

bool e2e_save_png(const E2eImage& img, const std::string& path)
{
    std::string tmp = temp_file("png", nullptr);
    if (tmp.empty())
        return false;
    bool ok =
        write_file(tmp, e2e_image_to_ppm(img)) &&
        e2e_run(nullptr, {"convert", "-limit", "thread", "1", "ppm:" + tmp, "png:" + path}, 30.0);
    unlink(tmp.c_str());
    return ok;
}

bool e2e_read_png(const std::string& path, E2eImage* img)
{
    std::string ppm;
    return e2e_read_file(path).compare(0, 8, "\x89PNG\r\n\x1a\n") == 0 &&
           e2e_run(nullptr,
                   {"convert", "-limit", "thread", "1", "png:" + path, "-depth", "8", "ppm:-"},
                   30.0, &ppm) &&
           e2e_parse_ppm(ppm, img);
}

int e2e_pixels_differing(const E2eImage& a, const E2eImage& b)
{
    int count = 0;
    for (size_t i = 0; i + 2 < a.rgb.size() && i + 2 < b.rgb.size(); i += 3)
        count +=
            a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] || a.rgb[i + 2] != b.rgb[i + 2];
    return count;
}

E2eRgb e2e_pixel(const E2eImage& img, int x, int y)
{
    if (x < 0 || y < 0 || x >= img.width || y >= img.height) {
        /* A test reading outside its screenshot is a bug in the test. */
        fprintf(stderr, "e2e_pixel(%d,%d) outside %dx%d image\n", x, y, img.width, img.height);
        abort();
    }
    const unsigned char* p = &img.rgb[((size_t)y * img.width + x) * 3];
    return {p[0], p[1], p[2]};
}

int e2e_count_pixels(const E2eImage& img, const std::function<bool(const E2eRgb&)>& pred,
                     const E2eGeometry* region)
{
    int x0 = 0, y0 = 0, x1 = img.width, y1 = img.height;
    if (region) {
        x0 = region->x > 0 ? region->x : 0;
        y0 = region->y > 0 ? region->y : 0;
        if (region->x + region->width < x1)
            x1 = region->x + region->width;
        if (region->y + region->height < y1)
            y1 = region->y + region->height;
    }
    int n = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            if (pred(e2e_pixel(img, x, y)))
                n++;
    return n;
}

static bool near(const E2eRgb& a, const E2eRgb& b, int tol)
{
    return abs(a.r - b.r) <= tol && abs(a.g - b.g) <= tol && abs(a.b - b.b) <= tol;
}

bool e2e_is_red(const E2eRgb& p)
{
    return p.r > 200 && p.g < 80 && p.b < 80;
}

int e2e_count_red(const E2eImage& img, const E2eGeometry* region)
{
    return e2e_count_pixels(img, e2e_is_red, region);
}

int e2e_count_near(const E2eImage& img, E2eRgb c, int tolerance, const E2eGeometry* region)
{
    return e2e_count_pixels(
        img, [&](const E2eRgb& p) { return near(p, c, tolerance); }, region);
}

bool e2e_bbox_non_white(const E2eImage& img, int tolerance, E2eGeometry* box)
{
    const E2eRgb white = {255, 255, 255};
    int x0 = img.width, y0 = img.height, x1 = -1, y1 = -1;
    for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++) {
            if (near(e2e_pixel(img, x, y), white, tolerance))
                continue;
            if (x < x0)
                x0 = x;
            if (y < y0)
                y0 = y;
            if (x > x1)
                x1 = x;
            if (y > y1)
                y1 = y;
        }
    if (x1 < 0)
        return false;
    *box = {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    return true;
}

std::vector<std::string> e2e_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string e2e_labelled(const std::string& text, const std::string& name)
{
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, name.size() + 2, name + ": ") == 0)
            return line.substr(name.size() + 2);
    return "";
}

std::string e2e_read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::vector<std::string> e2e_entries(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* d = opendir(folder.c_str());
    while (d != nullptr) {
        dirent* e = readdir(d);
        if (e == nullptr)
            break;
        std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    if (d != nullptr)
        closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}
