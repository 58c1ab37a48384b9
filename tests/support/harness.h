/*
 * harness.h - the end-to-end test harness: drives a real X program (the
 * kestrim binary) under a private Xvfb server, feeds it keys and mouse input
 * through xdotool, and reads back its stdout and screenshots of its window.
 *
 * Entry points:
 *   displays     e2e_start_display / e2e_stop_display       (E2eDisplayGuard)
 *   processes    e2e_spawn, e2e_wait_output, e2e_wait_new_output,
 *                e2e_wait_exit, e2e_kill, e2e_stderr, e2e_release
 *                                                            (E2eProcessGuard)
 *   X tools      e2e_run (any tool, with DISPLAY set and a time limit),
 *                e2e_missing_program_message
 *   temp files   e2e_temp_root, e2e_temp_file, E2eTempDir
 *   windows      e2e_find_window, e2e_window_geometry, e2e_window_name
 *   input        e2e_key, e2e_key_down/up, e2e_move, e2e_button_down/up,
 *                e2e_click, e2e_drag, e2e_menu_choose, e2e_menu_entry_offset
 *   images       e2e_screenshot, e2e_parse_ppm, e2e_image_to_ppm, e2e_save_png,
 *                e2e_pixel, e2e_count_pixels, e2e_count_near, e2e_is_red,
 *                e2e_count_red, e2e_bbox_non_white
 *
 * Facts the helpers rely on (measured under Xvfb 1280x1024x24, freeglut 3,
 * no window manager):
 * - Every test gets its own Xvfb, picked by -displayfd, so tests run in
 *   parallel without sharing a pointer, a focus or a screen. It listens on
 *   the abstract socket only and keeps no lock file: nothing of it is left
 *   in /tmp, however it ends.
 * - Every temporary file and folder goes under $TMPDIR (else /tmp);
 *   scripts/test-all.sh gives each run a folder of its own there.
 * - Every child runs in its own process group and gets SIGKILL when the
 *   thread that spawned it dies, so a crashed test leaves no Xvfb behind.
 *   Spawn from the test's main thread (gtest runs tests there).
 * - Every external tool runs with a time limit and is killed when it is up,
 *   so a hung xdotool or xwd fails the test instead of hanging it.
 * - Keys are sent with XTEST after `xdotool windowfocus --sync`. freeglut
 *   does accept the synthetic events of `xdotool key --window`, but those
 *   carry pointer position (1,1), which would mislead any key handler that
 *   looks at x,y; with XTEST the real pointer position is reported.
 * - Keysyms that need Shift on a US layout ("plus", "question", ...) make
 *   xdotool press Shift_L first, and freeglut reports that as a special key
 *   (GLUT_KEY_SHIFT_L, 112) before the character itself.
 * - freeglut pop-up menus: a click (press and release) of the attached button
 *   opens the menu with its top-left corner at the pointer; the menu window is
 *   an override-redirect window named "freeglut menu". Moving the pointer onto
 *   an entry and clicking button 1 chooses it. Sometimes (1 run in 20 through
 *   e2e_menu_choose, every time when the move and the click are separate
 *   xdotool runs) the window under the menu then also receives the button-1
 *   release with no press before it, so a program must tolerate a stray
 *   button-up after a menu choice, and a test must not count on it either way.
 *   Holding the button down over the menu and releasing on an entry does not
 *   choose it under Xvfb.
 *   Entry k (0-based) is 25 pixels tall and starts 2 pixels below the menu's
 *   top edge (the bevel): its centre is at dy = 14 + 25*k. Menu width follows
 *   the longest label; dx = 10 is inside any entry.
 * - The menu is drawn only once the pointer moves over it, so a screenshot
 *   taken right after opening shows a black rectangle.
 * - ImageMagick here is a Q16 build: `convert ... ppm:-` writes maxval 65535
 *   unless given -depth 8. The screenshot passes -depth 8; the parser accepts
 *   any maxval and scales to 0..255.
 */
#ifndef KESTRIM_TESTS_HARNESS_H
#define KESTRIM_TESTS_HARNESS_H

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

/* ---------------------------------------------------------------- displays */

struct E2eDisplay {
    int number = -1;      /* the N of ":N" */
    pid_t pid = -1;       /* the Xvfb process */
    std::string log_path; /* Xvfb's stdout+stderr, for diagnosing a failed start */
};

/* Starts a private Xvfb (1280x1024x24; smaller screens clamp pointer moves)
   and waits until it accepts connections. Sets no environment variable. */
bool e2e_start_display(E2eDisplay* d);
void e2e_stop_display(E2eDisplay* d);
std::string e2e_display_name(const E2eDisplay& d); /* ":N" */

/* ---------------------------------------------------------------- processes */

struct E2eProcess {
    pid_t pid = -1;     /* also the process group id */
    int stdout_fd = -1; /* read end of the stdout pipe, non-blocking */
    std::string out;    /* all stdout read so far */
    bool eof = false;   /* stdout closed */
    bool reaped = false;
    int exit_code = -1;      /* exit code, or 128+signal when killed by one */
    std::string stderr_path; /* temp file holding the child's stderr */
};

/* Runs argv (argv[0] looked up in PATH) with DISPLAY set to d, stdin from
   /dev/null, stdout piped to p->out, stderr into a temp file. The rest of the
   environment is inherited (ASAN_OPTIONS etc.); extra_env entries of the form
   "NAME=value" are added or replace inherited ones. Fails if argv[0] cannot
   be executed. */
bool e2e_spawn(const E2eDisplay& d, const std::vector<std::string>& argv, E2eProcess* p,
               const std::vector<std::string>& extra_env = {});

/* Reads stdout until p->out contains text anywhere, stdout closes, or the
   time is up. True if text was seen. */
bool e2e_wait_output(E2eProcess* p, const std::string& text, double timeout_s);

/* The same for text that appears at or after offset from of p->out. */
bool e2e_wait_new_output(E2eProcess* p, size_t from, const std::string& text, double timeout_s);

/* Reads what is left of stdout and reaps the process. *code gets exit_code
   (exit status, or 128+signal number). False if it did not exit in time; the
   process is then left running. */
bool e2e_wait_exit(E2eProcess* p, double timeout_s, int* code);

/* SIGTERM to the process group, SIGKILL after 2 s, then reaps. */
void e2e_kill(E2eProcess* p);

/* The child's stderr so far (sanitizer reports land here). */
std::string e2e_stderr(const E2eProcess& p);

/* Kills if still running, closes the pipe and removes the stderr file. */
void e2e_release(E2eProcess* p);

/* Scope guards so a failed ASSERT never leaves a child or a server running. */
struct E2eDisplayGuard {
    E2eDisplay d;
    E2eDisplayGuard() = default;
    E2eDisplayGuard(const E2eDisplayGuard&) = delete;
    E2eDisplayGuard& operator=(const E2eDisplayGuard&) = delete;
    ~E2eDisplayGuard()
    {
        e2e_stop_display(&d);
    }
};
struct E2eProcessGuard {
    E2eProcess p;
    E2eProcessGuard() = default;
    E2eProcessGuard(const E2eProcessGuard&) = delete;
    E2eProcessGuard& operator=(const E2eProcessGuard&) = delete;
    ~E2eProcessGuard()
    {
        e2e_release(&p);
    }
};

/* Runs a short-lived tool with DISPLAY set to d (d may be null: no DISPLAY
   change), captures its stdout/stderr, kills it when timeout_s is up.
   *code as in e2e_wait_exit (-1 on timeout). True if it exited with 0. */
bool e2e_run(const E2eDisplay* d, const std::vector<std::string>& argv, double timeout_s,
             std::string* out = nullptr, std::string* err = nullptr, int* code = nullptr);

/* What to say of a program that is not on PATH: the package to install
   when scripts/packages.txt names one, else "cannot execute PROGRAM". */
std::string e2e_missing_program_message(const std::string& program);

void e2e_sleep(double seconds);

/* ---------------------------------------------------------------- text */

/* The lines of text, without their line ends. */
std::vector<std::string> e2e_lines(const std::string& text);

/* The whole of a file, bytes as they are; "" when it cannot be read. */
std::string e2e_read_file(const std::string& path);

/* The names in folder but . and .., sorted; none when it cannot be read. */
std::vector<std::string> e2e_entries(const std::string& folder);

/* What follows "name: " on the first line of text that begins so (a line
   of the statistics, "distance: 13.676 km"); "" when none does. */
std::string e2e_labelled(const std::string& text, const std::string& name);

/* ---------------------------------------------------------------- temp files */

/* $TMPDIR, or /tmp. */
std::string e2e_temp_root();

/* A new file under e2e_temp_root() holding text; its path, or "" on failure. */
std::string e2e_temp_file(const std::string& text);

/* A new empty folder under e2e_temp_root(), removed with all it holds at
   the end of its scope. path is "" when it could not be made. */
struct E2eTempDir {
    std::string path;
    explicit E2eTempDir(const std::string& tag = "kestrim-test");
    ~E2eTempDir();
    E2eTempDir(const E2eTempDir&) = delete;
    E2eTempDir& operator=(const E2eTempDir&) = delete;
};

/* ---------------------------------------------------------------- windows */

struct E2eGeometry {
    /* x,y: on the screen, of the window's inside (past any X border), so that
       window pixel (i,j) is screen pixel (x+i, y+j) and screenshot pixel (i,j). */
    int x = 0, y = 0, width = 0, height = 0;
};

/* Polls until a mapped window whose name is exactly title exists. Returns its
   id as a decimal string, or "" when the time is up. */
std::string e2e_find_window(const E2eDisplay& d, const std::string& title, double timeout_s);
bool e2e_window_geometry(const E2eDisplay& d, const std::string& id, E2eGeometry* g);
std::string e2e_window_name(const E2eDisplay& d, const std::string& id);

/* ---------------------------------------------------------------- input
   Coordinates are window-relative pixels; buttons are X numbers
   (1 left, 2 middle, 3 right, 4/5 wheel up/down). All return false when the
   tool failed or hung. */

/* keysym as xdotool names it: "h", "plus", "Left", "Escape", "ctrl+z". */
bool e2e_key(const E2eDisplay& d, const std::string& id, const std::string& keysym);
bool e2e_key_down(const E2eDisplay& d, const std::string& id, const std::string& keysym);
bool e2e_key_up(const E2eDisplay& d, const std::string& keysym);
bool e2e_move(const E2eDisplay& d, const std::string& id, int x, int y);
bool e2e_button_down(const E2eDisplay& d, int button);
bool e2e_button_up(const E2eDisplay& d, int button);
bool e2e_click(const E2eDisplay& d, int button); /* at the current pointer */
/* Moves to (x0,y0), presses, moves in `steps` equal steps ~20 ms apart so
   each arrives as its own motion event, releases at (x1,y1). */
bool e2e_drag(const E2eDisplay& d, const std::string& id, int button, int x0, int y0, int x1,
              int y1, int steps);

struct E2eOffset {
    int dx, dy;
};
/* Where to click entry k (0-based) of a freeglut menu, relative to the
   menu's top-left corner (= the point where it was opened). */
E2eOffset e2e_menu_entry_offset(int k);
/* Opens the pop-up menu attached to menu_button with a click at (x,y), waits
   for it to be mapped, clicks button 1 at (its corner + entry_dx, entry_dy),
   waits for it to close. True once the menu has closed. */
bool e2e_menu_choose(const E2eDisplay& d, const std::string& id, int menu_button, int x, int y,
                     int entry_dx, int entry_dy);

/* ---------------------------------------------------------------- images */

struct E2eRgb {
    unsigned char r, g, b;
};
struct E2eImage {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb; /* row-major, 3 bytes per pixel */
};

/* Window contents (as on screen, so anything covering it is included). */
bool e2e_screenshot(const E2eDisplay& d, const std::string& id, E2eImage* img);
/* Binary P6 with comments anywhere in the header, maxval 1..65535. */
bool e2e_parse_ppm(const std::string& data, E2eImage* img);
std::string e2e_image_to_ppm(const E2eImage& img);
bool e2e_save_png(const E2eImage& img, const std::string& path);
/* A PNG file's pixels, decoded by ImageMagick (a reader of its own); false
   for a file that is not a PNG. */
bool e2e_read_png(const std::string& path, E2eImage* img);
/* Pixels of a that differ from b's in any channel. */
int e2e_pixels_differing(const E2eImage& a, const E2eImage& b);

E2eRgb e2e_pixel(const E2eImage& img, int x, int y);
/* region null = whole image; a region is clipped to the image. */
int e2e_count_pixels(const E2eImage& img, const std::function<bool(const E2eRgb&)>& pred,
                     const E2eGeometry* region = nullptr);
/* The viewer's raw fixes: red, with a margin for blending. */
bool e2e_is_red(const E2eRgb& p);
int e2e_count_red(const E2eImage& img, const E2eGeometry* region = nullptr);
/* Pixels whose every channel is within tolerance of c. */
int e2e_count_near(const E2eImage& img, E2eRgb c, int tolerance,
                   const E2eGeometry* region = nullptr);
/* Smallest box holding every pixel that is not within tolerance of white.
   False when there is none. */
bool e2e_bbox_non_white(const E2eImage& img, int tolerance, E2eGeometry* box);

#endif
