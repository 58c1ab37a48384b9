/*
 * fix_scanner.cpp - a fast path for the fix-line template, with sscanf
 * behind it.
 *
 * The fast path takes a line only when it can say for certain what sscanf
 * would store: the literals in place, integers of at most nine digits,
 * decimals of at most nineteen significant digits whose value a single
 * correctly rounded double operation gives exactly, and nothing after a
 * number that sscanf might read as part of it.  Everything else (white
 * space before a number, nan, inf, hexadecimal, long digit strings, huge
 * exponents, a missing field) is handed to sscanf, so that both agree on
 * every line by construction; the differential test checks it.
 *
 * Entry points: FIX_LINE_TEMPLATE, scan_fix_line().
 */
#include "fix_scanner.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

const char FIX_LINE_TEMPLATE[] = "D=%d-%d-%dT%d:%d:%f,P=%f %f,V=%f";

enum {
    MAX_INT_DIGITS = 9,           /* below INT_MAX whatever the digits */
    MAX_SIGNIFICANT_DIGITS = 19,  /* fit in 64 bits */
    MAX_EXPONENT_DIGITS = 4,
    MAX_EXACT_POWER_OF_TEN = 22,  /* 10^22 is the largest power of ten a double holds exactly */
    FLOAT_DROPPED_BITS = 29,      /* double mantissa bits below a float's */
};

static const uint64_t MAX_EXACT_MANTISSA = 1ull << 53;
static const double SMALLEST_SURE_FLOAT = 1e-37; /* above FLT_MIN: no subnormal rounding */
static const double LARGEST_SURE_FLOAT = 1e38;   /* below FLT_MAX: no overflow */

static const double POWERS_OF_TEN[MAX_EXACT_POWER_OF_TEN + 1] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};

static bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

/* A sign, then one to nine digits; p moves past them. */
static bool take_int(const char** p, int* value)
{
    const char* s = *p;
    bool negative = *s == '-';
    if (*s == '-' || *s == '+')
        ++s;
    int digits = 0;
    int v = 0;
    while (is_digit(*s) && digits < MAX_INT_DIGITS) {
        v = v * 10 + (*s - '0');
        ++s;
        ++digits;
    }
    if (digits == 0 || is_digit(*s)) /* none, or more than an int surely holds */
        return false;
    *value = negative ? -v : v;
    *p = s;
    return true;
}

/* An optional exponent: e or E, a sign, one to four digits. */
static bool take_exponent(const char** p, int* exponent)
{
    const char* s = *p;
    if (*s != 'e' && *s != 'E') {
        *exponent = 0;
        return true;
    }
    ++s;
    bool negative = *s == '-';
    if (*s == '-' || *s == '+')
        ++s;
    int digits = 0;
    int v = 0;
    while (is_digit(*s) && digits < MAX_EXPONENT_DIGITS) {
        v = v * 10 + (*s - '0');
        ++s;
        ++digits;
    }
    if (digits == 0 || is_digit(*s))
        return false;
    *exponent = negative ? -v : v;
    *p = s;
    return true;
}

/* m * 10^exponent rounded to float as strtof would, when one double
   operation gives it for certain. */
static bool exact_float(uint64_t m, int exponent, bool negative, float* value)
{
    if (m > MAX_EXACT_MANTISSA || exponent > MAX_EXACT_POWER_OF_TEN ||
        exponent < -MAX_EXACT_POWER_OF_TEN)
        return false;
    /* Both operands are exact, so the double is the decimal correctly rounded. */
    double d = exponent >= 0 ? static_cast<double>(m) * POWERS_OF_TEN[exponent]
                             : static_cast<double>(m) / POWERS_OF_TEN[-exponent];
    if (d != 0.0 && (d < SMALLEST_SURE_FLOAT || d > LARGEST_SURE_FLOAT))
        return false;
    /* Rounding the double to float gives the decimal's float unless the
       double sits exactly halfway between two floats: then the decimal may
       lie on either side of it. */
    uint64_t bits;
    memcpy(&bits, &d, sizeof bits);
    const uint64_t dropped = (1ull << FLOAT_DROPPED_BITS) - 1;
    if ((bits & dropped) == (1ull << (FLOAT_DROPPED_BITS - 1)))
        return false;
    float f = static_cast<float>(d);
    *value = negative ? -f : f;
    return true;
}

/* A decimal number as %f reads it: a sign, digits with at most one point,
   an optional exponent; p moves past it. */
static bool take_float(const char** p, float* value)
{
    const char* s = *p;
    bool negative = *s == '-';
    if (*s == '-' || *s == '+')
        ++s;
    uint64_t m = 0;
    int significant = 0, digits = 0, scale = 0;
    for (; is_digit(*s); ++s, ++digits) {
        if (m == 0 && *s == '0')
            continue; /* leading zeros carry nothing */
        if (++significant > MAX_SIGNIFICANT_DIGITS)
            return false;
        m = m * 10 + static_cast<uint64_t>(*s - '0');
    }
    if (*s == '.') {
        for (++s; is_digit(*s); ++s, ++digits) {
            --scale;
            if (m == 0 && *s == '0')
                continue;
            if (++significant > MAX_SIGNIFICANT_DIGITS)
                return false;
            m = m * 10 + static_cast<uint64_t>(*s - '0');
        }
    }
    int exponent = 0;
    if (digits == 0 || !take_exponent(&s, &exponent))
        return false;
    /* sscanf might read on into any of these (a second point, hexadecimal). */
    if (*s == '.' || *s == 'x' || *s == 'X' || *s == 'e' || *s == 'E')
        return false;
    if (!exact_float(m, exponent + scale, negative, value))
        return false;
    *p = s;
    return true;
}

static bool take_literal(const char** p, const char* literal)
{
    size_t length = strlen(literal);
    if (strncmp(*p, literal, length) != 0)
        return false;
    *p += length;
    return true;
}

/* A blank in the template matches any run of white space, or none. */
static void skip_blanks(const char** p)
{
    while (**p == ' ' || (**p >= '\t' && **p <= '\r'))
        ++*p;
}

static bool scan_fast(const char* line, FixFields* f)
{
    const char* p = line;
    return take_literal(&p, "D=") && take_int(&p, &f->year) && take_literal(&p, "-") &&
           take_int(&p, &f->month) && take_literal(&p, "-") && take_int(&p, &f->day) &&
           take_literal(&p, "T") && take_int(&p, &f->hour) && take_literal(&p, ":") &&
           take_int(&p, &f->minute) && take_literal(&p, ":") && take_float(&p, &f->seconds) &&
           take_literal(&p, ",P=") && take_float(&p, &f->latitude) &&
           (skip_blanks(&p), take_float(&p, &f->longitude)) && take_literal(&p, ",V=") &&
           take_float(&p, &f->speed);
}

int scan_fix_line(const char* line, FixFields* fields)
{
    FixFields fast;
    if (scan_fast(line, &fast)) {
        *fields = fast;
        return FIX_FIELD_COUNT;
    }
    return sscanf(line, FIX_LINE_TEMPLATE, &fields->year, &fields->month, &fields->day,
                  &fields->hour, &fields->minute, &fields->seconds, &fields->latitude,
                  &fields->longitude, &fields->speed);
}
