/*
 * fix_scanner.h - scanning one fix line into its nine fields.
 *
 * scan_fix_line() gives exactly what sscanf() with FIX_LINE_TEMPLATE gives:
 * the same count of fields and the same values, bit for bit.  Lines in the
 * usual shape are scanned with std::from_chars, many times faster; any line
 * it is not sure of goes to sscanf itself.
 *
 * Entry points: FixFields, FIX_LINE_TEMPLATE, scan_fix_line(),
 * scan_place_digits(), AltitudeField, scan_altitude().
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
#define FIX_LINE_FORMAT "D=%d-%d-%dT%d:%d:%f,P=%f %f,V=%f"
extern const char FIX_LINE_TEMPLATE[];

/* As sscanf(line, FIX_LINE_TEMPLATE, ...) into fields: the number of fields
   stored, or EOF when the line ends before the first.  With all nine, and
   speed_end given, *speed_end is the offset of what follows the speed. */
int scan_fix_line(const char* line, FixFields* fields, int* speed_end = nullptr);

/* The latitude and longitude of a fix line to all its digits, as doubles,
   where the floats of scan_fix_line() are rounded: false when the line
   holds no place after ",P=". */
bool scan_place_digits(const char* line, double* latitude, double* longitude);

/* The optional altitude after the speed: optional white space, ",A=" and
   one number, metres above mean sea level; anything else after the speed
   is no altitude field, and anything after the number is ignored. */
enum AltitudeField {
    ALTITUDE_ABSENT,       /* no ",A=" after the speed */
    ALTITUDE_FOUND,        /* *metres holds it */
    ALTITUDE_NOT_FINITE,   /* ",A=" with no finite number after it */
    ALTITUDE_OUT_OF_RANGE, /* a number below ALTITUDE_LOWEST or above ALTITUDE_HIGHEST */
};
static const double ALTITUDE_LOWEST = -1000.0;   /* metres: below the Dead Sea's shore */
static const double ALTITUDE_HIGHEST = 100000.0; /* metres: the edge of space */

/* Reads the altitude field from rest, the text after the speed. */
AltitudeField scan_altitude(const char* rest, double* metres);

#endif
