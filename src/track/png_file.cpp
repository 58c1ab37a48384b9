/*
 * png_file.cpp - an RGB image to a PNG file with libpng.
 *
 * libpng reports an error by a long jump back into write_png(); the
 * message is kept in a plain buffer on the way, and nothing with a
 * destructor lives between the setjmp and the jump.
 *
 * Entry points: write_png().
 */
#include "png_file.h"

#include <cerrno>
#include <cstring>
#include <png.h>

enum { REASON_BYTES = 200 };

/* What libpng said, for the error callback to fill. */
struct PngReason {
    char text[REASON_BYTES];
};

static void on_png_error(png_structp png, png_const_charp message)
{
    PngReason* reason = static_cast<PngReason*>(png_get_error_ptr(png));
    snprintf(reason->text, sizeof reason->text, "%s", message);
    png_longjmp(png, 1);
}

/* Warnings (such as a chunk libpng thinks odd) do not stop the picture. */
static void on_png_warning(png_structp, png_const_charp) {}

/* The rows through libpng; false with reason filled when it gave up. */
static bool png_rows_out(FILE* file, int width, int height, const unsigned char* rgb,
                         PngReason* reason)
{
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, reason, on_png_error, on_png_warning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        snprintf(reason->text, sizeof reason->text, "libpng could not start");
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    size_t row_bytes = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        png_write_row(png, rgb + row_bytes * y);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool write_png(FILE* file, int width, int height, const unsigned char* rgb, std::string* why)
{
    PngReason reason = {""};
    /* libpng takes the size apart in IHDR, but a negative one would come
       to it as a huge unsigned number. */
    if (width <= 0 || height <= 0) {
        *why = "an image of no pixels";
        return false;
    }
    errno = 0;
    if (!png_rows_out(file, width, height, rgb, &reason)) {
        *why = reason.text;
        /* libpng's own "Write Error" says less than the system does. */
        if (ferror(file) && errno != 0)
            *why = strerror(errno);
        return false;
    }
    if (fflush(file) != 0 || ferror(file)) {
        *why = strerror(errno);
        return false;
    }
    return true;
}
