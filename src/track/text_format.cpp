/*
 * text_format.cpp - numbers written for people in messages.
 *
 * Entry points: with_thousands().
 */
#include "text_format.h"

#include <cstdio>
#include <cstring>

const char* with_thousands(long long n, char out[THOUSANDS_BYTES])
{
    char digits[THOUSANDS_BYTES];
    /* The magnitude as unsigned, so that the most negative value has one. */
    unsigned long long magnitude =
        n < 0 ? 0ull - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
    int length = snprintf(digits, sizeof digits, "%llu", magnitude);
    char* p = out;
    if (n < 0)
        *p++ = '-';
    for (int i = 0; i < length; ++i) {
        if (i > 0 && (length - i) % 3 == 0)
            *p++ = ',';
        *p++ = digits[i];
    }
    *p = '\0';
    return out;
}
