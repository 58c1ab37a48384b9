/*
 * fix_scanner.h - scanning one fix line into its nine fields.
 *
 * scan_fix_line() gives exactly what sscanf() with FIX_LINE_TEMPLATE gives:
 * the same count of fields and the same values, bit for bit.  Lines in the
 * usual shape are scanned with std::from_chars, many times faster; any line
 * it is not sure of goes to sscanf itself.
 *
 * Entry points: FixFields, FIX_LINE_TEMPLATE, scan_fix_line().
 */
#ifndef KESTRIM_FIX_SCANNER_H
#define KESTRIM_FIX_SCANNER_H

/* The fields of a fix line, in the template's order. */
struct FixFields {
    int year, month, day, hour, minute;
    float seconds;
    float latitude, longitude; /* degrees */
    float speed;               /* mph */
};

enum { FIX_FIELD_COUNT = 9 };

/* The scan template of a fix line: year, month, day, hour, minute, seconds,
   latitude, longitude, speed. */
extern const char FIX_LINE_TEMPLATE[];

/* As sscanf(line, FIX_LINE_TEMPLATE, ...) into fields: the number of fields
   stored, or EOF when the line ends before the first. */
int scan_fix_line(const char* line, FixFields* fields);

#endif
