/*
 * fix_scanner.cpp - a fast path for the fix-line template, with sscanf
 * behind it.
 *
 * The fast path reads the numbers with std::from_chars, which rounds every
 * decimal correctly, as glibc's sscanf does.  It takes a line only when it
 * can say for certain what sscanf would store: the literals in place, plain
 * decimal numbers that convert without overflow or underflow, and nothing
 * after a number that sscanf might read as part of it.  Everything else
 * (white space before a number, a plus sign, nan, inf, hexadecimal, a
 * number out of range, a missing field) is handed to sscanf, so that both
 * agree on every line by construction; the differential test checks it.
 *
 * The altitude after the speed is read by strtod: it is optional, and
 * nothing but this reader has ever read it.  So is the place again, as
 * doubles, for the statistics (from_chars, strtod where the number is not
 * plain).
 *
 * Entry points: FIX_LINE_TEMPLATE, scan_fix_line(), scan_place_digits(),
 * scan_altitude().
 */
#include "fix_scanner.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

const char FIX_LINE_TEMPLATE[] = FIX_LINE_FORMAT;

/* The template, then where its last conversion ended. */
static const char TEMPLATE_WITH_END[] = FIX_LINE_FORMAT "%n";

static const char ALTITUDE_MARK[] = ",A=";

static bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

/* True when s starts a number from_chars reads as sscanf would: an optional
   minus, then a digit or a point. */
static bool plain_number_at(const char* s)
{
    if (*s == '-')
        ++s;
    return is_digit(*s) || (*s == '.' && is_digit(s[1]));
}

/* An integer as %d reads it, when from_chars reads it the same way. */
static bool take_int(const char** p, const char* end, int* value)
{
    if (!plain_number_at(*p) || **p == '.')
        return false;
    std::from_chars_result got = std::from_chars(*p, end, *value);
    if (got.ec != std::errc())
        return false; /* out of an int's range: sscanf's own business */
    *p = got.ptr;
    return true;
}

/* A decimal number as %f reads it, when from_chars reads it the same way. */
static bool take_float(const char** p, const char* end, float* value)
{
    if (!plain_number_at(*p))
        return false;
    std::from_chars_result got = std::from_chars(*p, end, *value, std::chars_format::general);
    if (got.ec != std::errc())
        return false; /* overflow or underflow: sscanf stores inf or a tiny value */
    /* sscanf might read on into any of these (a second point, hexadecimal,
       an exponent without digits). */
    char next = *got.ptr;
    if (next == '.' || next == 'x' || next == 'X' || next == 'e' || next == 'E')
        return false;
    *p = got.ptr;
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

static bool scan_fast(const char* line, FixFields* f, const char** speed_end)
{
    const char* p = line;
    const char* e = line + strlen(line); /* from_chars wants an end */
    bool whole = take_literal(&p, "D=") && take_int(&p, e, &f->year) && take_literal(&p, "-") &&
                 take_int(&p, e, &f->month) && take_literal(&p, "-") && take_int(&p, e, &f->day) &&
                 take_literal(&p, "T") && take_int(&p, e, &f->hour) && take_literal(&p, ":") &&
                 take_int(&p, e, &f->minute) && take_literal(&p, ":") &&
                 take_float(&p, e, &f->seconds) && take_literal(&p, ",P=") &&
                 take_float(&p, e, &f->latitude) &&
                 (skip_blanks(&p), take_float(&p, e, &f->longitude)) && take_literal(&p, ",V=") &&
                 take_float(&p, e, &f->speed);
    *speed_end = p;
    return whole;
}

int scan_fix_line(const char* line, FixFields* fields, int* speed_end)
{
    FixFields fast;
    const char* end = line;
    if (scan_fast(line, &fast, &end)) {
        *fields = fast;
        if (speed_end != nullptr)
            *speed_end = static_cast<int>(end - line);
        return FIX_FIELD_COUNT;
    }
    int ended = -1;
    int count = sscanf(line, TEMPLATE_WITH_END, &fields->year, &fields->month, &fields->day,
                       &fields->hour, &fields->minute, &fields->seconds, &fields->latitude,
                       &fields->longitude, &fields->speed, &ended);
    if (speed_end != nullptr)
        *speed_end = ended;
    return count;
}

/* A number as strtod reads it, from_chars where it is plain. */
static bool take_double(const char** p, const char* end, double* value)
{
    if (plain_number_at(*p)) {
        std::from_chars_result got = std::from_chars(*p, end, *value, std::chars_format::general);
        if (got.ec == std::errc()) {
            *p = got.ptr;
            return true;
        }
    }
    char* after = nullptr;
    *value = strtod(*p, &after);
    if (after == *p)
        return false;
    *p = after;
    return true;
}

bool scan_place_digits(const char* line, double* latitude, double* longitude)
{
    const char* p = strstr(line, ",P=");
    if (p == nullptr)
        return false;
    p += 3;
    const char* end = p + strlen(p);
    return take_double(&p, end, latitude) && (skip_blanks(&p), take_double(&p, end, longitude));
}

AltitudeField scan_altitude(const char* rest, double* metres)
{
    while (isspace(static_cast<unsigned char>(*rest)))
        ++rest;
    if (strncmp(rest, ALTITUDE_MARK, sizeof ALTITUDE_MARK - 1) != 0)
        return ALTITUDE_ABSENT;
    const char* number = rest + sizeof ALTITUDE_MARK - 1;
    char* after = nullptr;
    double value = strtod(number, &after);
    if (after == number || !std::isfinite(value))
        return ALTITUDE_NOT_FINITE;
    *metres = value;
    if (value < ALTITUDE_LOWEST || value > ALTITUDE_HIGHEST)
        return ALTITUDE_OUT_OF_RANGE;
    return ALTITUDE_FOUND;
}
