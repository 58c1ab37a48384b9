/*
 * out_of_memory.h - what a track needs in memory, and the one line said
 * when the system will not give it.
 *
 * Running out of memory anywhere in a load, on any thread, ends the
 * program with status 1 and a line such as
 *   not enough memory for 5,000,000 fixes: 4,440 MB needed, 3,221 MB allowed,
 *   634 MB of it taken by the viewer itself
 *
 * Entry points: LOAD_BYTES_PER_FIX, fixes_expected(), out_of_memory(),
 * end_on_out_of_memory().
 */
#ifndef KESTRIM_OUT_OF_MEMORY_H
#define KESTRIM_OUT_OF_MEMORY_H

/* A fix's position as the window draws it: three floats. */
enum { DRAWN_POSITION_BYTES = 3 * 4 };

/* What one fix costs until the first picture: its record, its pointer in
   frames and its full time and place (each twice over while its list
   doubles), and its drawn position (twice while it is copied into the
   GL's buffer).  A curve list costs more when first drawn. */
extern const long long LOAD_BYTES_PER_FIX;

/* The fixes of the file being loaded: those read so far, carried on over
   the part of the file not yet read. */
long long fixes_expected();

/* Says that there is not enough memory for the track and ends the program
   with status 1, from any thread. */
[[noreturn]] void out_of_memory();

/* From now on a failed allocation anywhere ends the program so, instead of
   throwing std::bad_alloc. */
void end_on_out_of_memory();

#endif
