/*
 * png_file.h - writing an image as a PNG file: rows of RGB in, file out.
 *
 * It knows no GL: whoever reads pixels from a window turns its rows the
 * right way up first.
 *
 * Entry points: write_png().
 */
#ifndef KESTRIM_PNG_FILE_H
#define KESTRIM_PNG_FILE_H

#include <cstdio>
#include <string>

/* Writes width x height pixels, 3 bytes (red, green, blue) each, rows from
   the top and packed without padding, to file as an 8-bit RGB PNG and
   flushes it; false with libpng's or the system's reason in *why when it
   cannot (a zero size, a write that failed).  The caller closes file. */
bool write_png(FILE* file, int width, int height, const unsigned char* rgb, std::string* why);

#endif
