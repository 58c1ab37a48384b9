/*
 * screenshot.cpp - the window's picture, drawn afresh and read back.
 *
 * display() draws a frame and swaps; its pixels are read from the back
 * buffer at once, before any other frame is drawn.  GL leaves the back
 * buffer undefined after a swap, but Mesa's software rasteriser, which
 * draws this viewer's window, swaps by copying the back buffer into the
 * window and keeps it.  The picture is then the window's very pixels.  A
 * framebuffer object would not do: Mesa rasterises it the other way up
 * from a window, and the last pixel of a line can fall elsewhere there.
 *
 * A picture of key p gets a name no file has yet: each name is created
 * with O_EXCL, so that a file that appears meanwhile is never written over.
 *
 * Entry points: name_pictures_after(), write_window_picture(),
 * write_picture_here().
 */
#include "screenshot.h"

#include "../track/png_file.h"
#include "display.h"
#include "viewer_state.h"

#include <GL/glut.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

enum {
    STEM_BYTES = 100,     /* of the track's name in a picture's name */
    MOST_PICTURES = 9999, /* names tried before giving up */
};

static char picture_stem[STEM_BYTES + 1] = "";

void name_pictures_after(const char* path)
{
    picture_stem[0] = '\0';
    if (path == nullptr)
        return;
    const char* base = strrchr(path, '/');
    base = base != nullptr ? base + 1 : path;
    size_t length = strlen(base);
    const char* dot = strrchr(base, '.');
    if (dot != nullptr && dot != base) /* ".track" alone is a name, not an extension */
        length = static_cast<size_t>(dot - base);
    if (length > STEM_BYTES) {
        length = STEM_BYTES;
        /* Not in the middle of a UTF-8 character. */
        while (length > 0 && (static_cast<unsigned char>(base[length]) & 0xC0) == 0x80)
            --length;
    }
    memcpy(picture_stem, base, length);
    picture_stem[length] = '\0';
}

/* ------------------------------------------------------------ the frame */

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb; /* rows from the top */
};

/* GL rows count from the bottom. */
static void read_rows(Picture* picture)
{
    size_t row_bytes = static_cast<size_t>(picture->width) * 3;
    std::vector<unsigned char> bottom_up(row_bytes * picture->height);
    GLint alignment;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, picture->width, picture->height, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    picture->rgb.resize(bottom_up.size());
    for (int y = 0; y < picture->height; ++y)
        memcpy(&picture->rgb[row_bytes * y], &bottom_up[row_bytes * (picture->height - 1 - y)],
               row_bytes);
}

static bool draw_picture(Picture* picture, std::string* why)
{
    picture->width = window_width;
    picture->height = window_height;
    if (picture->width <= 0 || picture->height <= 0) {
        *why = "the window has no size yet";
        return false;
    }
    display();
    glReadBuffer(GL_BACK);
    read_rows(picture);
    return true;
}

bool write_window_picture(FILE* file, std::string* why)
{
    Picture picture;
    return draw_picture(&picture, why) &&
           write_png(file, picture.width, picture.height, picture.rgb.data(), why);
}

/* ------------------------------------------------------------ key p */

/* The first kestrim-STEM-N.png that no file has, created empty, its name
   in name; -1 with errno set when none can be created. */
static int create_free_name(char* name, size_t size)
{
    for (int n = 1; n <= MOST_PICTURES; ++n) {
        if (picture_stem[0] != '\0')
            snprintf(name, size, "kestrim-%s-%d.png", picture_stem, n);
        else
            snprintf(name, size, "kestrim-%d.png", n);
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

static void say_not_written(const char* what, const char* why)
{
    char folder[PATH_MAX];
    if (getcwd(folder, sizeof folder) == nullptr)
        snprintf(folder, sizeof folder, "the current folder");
    printf("picture not written: %s in %s: %s\n", what, folder, why);
    fflush(stdout);
}

void write_picture_here()
{
    char name[STEM_BYTES + 32];
    int fd = create_free_name(name, sizeof name);
    if (fd < 0) {
        say_not_written(name, strerror(errno));
        return;
    }
    FILE* file = fdopen(fd, "wb");
    std::string why = "cannot write it";
    bool written = file != nullptr && write_window_picture(file, &why);
    if (file != nullptr && fclose(file) != 0 && written) {
        written = false;
        why = strerror(errno);
    }
    if (file == nullptr)
        close(fd);
    if (!written) {
        unlink(name); /* ours: created above */
        say_not_written(name, why.c_str());
        return;
    }
    printf("picture written to %s\n", name);
    fflush(stdout);
}
