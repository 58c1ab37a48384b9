/*
 * screenshot.h - the window's picture as a PNG file: key p, and the
 * --screenshot command's picture.
 *
 * Entry points: name_pictures_after(), write_window_picture(),
 * write_picture_here().
 */
#ifndef KESTRIM_SCREENSHOT_H
#define KESTRIM_SCREENSHOT_H

#include <cstdio>
#include <string>

/* Pictures of key p are named after the track at path ("walk-short" for
   data/walk-short.track); none when path is null. */
void name_pictures_after(const char* path);

/* Draws a fresh frame, as the display cycle draws it, and writes it to
   file as a PNG of the window's size; false with the reason in *why. */
bool write_window_picture(FILE* file, std::string* why);

/* Key p: the window's picture in the current folder, under the first free
   name kestrim-TRACK-N.png (kestrim-N.png without a track), never over a
   file that is there; prints "picture written to NAME", or one line
   saying why none was. */
void write_picture_here();

#endif
