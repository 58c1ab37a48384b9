/*
 * screenshot_command.h - "kestrim --screenshot OUT.png FILE": the start
 * view of FILE into OUT.png, then exit, with or without a display.
 *
 * Entry points: begin_screenshot_command(), take_screenshot_when_drawn().
 */
#ifndef KESTRIM_SCREENSHOT_COMMAND_H
#define KESTRIM_SCREENSHOT_COMMAND_H

#include "../track/command_line.h"

/* Before the window opens: a partial file beside the picture, so that a
   place that cannot be written is said before anything is loaded, and a
   display to draw in (a private one where none opens).  False after one
   line saying why; at any exit from then on the partial file goes. */
bool begin_screenshot_command(const CommandLine& command);

/* After the load of the file at path: exits 1 after one line when it
   could not be read.  Else, once the window has drawn its first frames,
   presses the command's keys, lets it draw again, writes a fresh frame
   without the frames per second into the picture, which replaces any
   file of its name only once it is whole, prints "picture written to
   OUT.png" and exits 0 (1 after one line saying why it was not). */
void take_screenshot_when_drawn(const char* path);

#endif
