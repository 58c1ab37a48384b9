/*
 * text_format.h - numbers written for people in messages.
 *
 * Entry points: with_thousands().
 */
#ifndef KESTRIM_TEXT_FORMAT_H
#define KESTRIM_TEXT_FORMAT_H

enum { THOUSANDS_BYTES = 32 }; /* room for any long long with its commas */

/* n with a comma between each group of three digits, "1,234,567", in out. */
const char* with_thousands(long long n, char out[THOUSANDS_BYTES]);

#endif
