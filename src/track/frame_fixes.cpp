/*
 * frame_fixes.cpp - the full time and place of each frame, and the calendar.
 *
 * Days are counted in the proleptic Gregorian calendar by eras of 400
 * years (146,097 days), in which the leap years fall alike, so that any
 * year the reader can scan is counted without a table.
 *
 * Entry points: frame_fixes, fixes_before_load, utc_seconds(), utc_date(),
 * start_frame_fixes(), note_frame_fix(), frame_fix().
 */
#include "frame_fixes.h"

#include "prefault.h"
#include "track_point.h"
#include "track_reader.h"

#include <cmath>

std::vector<FrameFix> frame_fixes; /* filled by note_frame_fix() */
long long fixes_before_load = 0;   /* set by start_frame_fixes() */

static const double SECONDS_PER_DAY = 86400.0;
static const long long DAYS_PER_ERA = 146097;     /* 400 Gregorian years */
static const long long DAYS_BEFORE_1970 = 719468; /* from 0000-03-01, the first era's start */
static const double FARTHEST_SECONDS = 1e17;      /* three billion years: any scanned date */
static const size_t FIRST_FIX_ROOM = 4096;        /* entries; the room doubles when full */

/* Days since 1970-01-01 of a day of a month, month 1 to 12. */
static long long days_from_civil(long long year, long long month, long long day)
{
    /* The year counted from March, so that the leap day ends it. */
    year -= month <= 2;
    long long era = (year >= 0 ? year : year - 399) / 400;
    long long year_of_era = year - era * 400;
    long long day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    long long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * DAYS_PER_ERA + day_of_era - DAYS_BEFORE_1970;
}

double utc_seconds(long long year, int month, int day, int hour, int minute, double seconds)
{
    /* Month 13 is January of the next year, month 0 December before. */
    long long months = static_cast<long long>(month) - 1;
    long long years_on = months >= 0 ? months / 12 : (months - 11) / 12;
    long long month_of_year = months - years_on * 12 + 1;
    long long days = days_from_civil(year + years_on, month_of_year, 1) + day - 1;
    return days * SECONDS_PER_DAY + hour * 3600.0 + minute * 60.0 + seconds;
}

UtcDate utc_date(double seconds)
{
    if (!std::isfinite(seconds))
        seconds = 0.0;
    seconds = fmax(-FARTHEST_SECONDS, fmin(FARTHEST_SECONDS, seconds));
    double whole_days = floor(seconds / SECONDS_PER_DAY);
    double of_day = seconds - whole_days * SECONDS_PER_DAY;
    if (of_day >= SECONDS_PER_DAY) { /* a hair below a midnight, rounded up */
        of_day -= SECONDS_PER_DAY;
        whole_days += 1.0;
    }
    if (of_day < 0.0)
        of_day = 0.0;
    long long days = static_cast<long long>(whole_days) + DAYS_BEFORE_1970;
    long long era = (days >= 0 ? days : days - DAYS_PER_ERA + 1) / DAYS_PER_ERA;
    long long day_of_era = days - era * DAYS_PER_ERA;
    long long year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    long long day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    long long march_month = (5 * day_of_year + 2) / 153; /* 0 for March */
    UtcDate date;
    date.day = static_cast<int>(day_of_year - (153 * march_month + 2) / 5 + 1);
    date.month = static_cast<int>(march_month < 10 ? march_month + 3 : march_month - 9);
    date.year = year_of_era + era * 400 + (date.month <= 2);
    date.hour = static_cast<int>(of_day / 3600.0);
    date.minute = static_cast<int>((of_day - date.hour * 3600.0) / 60.0);
    date.seconds = of_day - date.hour * 3600.0 - date.minute * 60.0;
    return date;
}

void start_frame_fixes()
{
    frame_fixes.clear();
    fixes_before_load = fix_count;
}

void note_frame_fix(const FrameFix& fix)
{
    /* frames may have been emptied without them: they start again. */
    if (frame_fixes.size() > frames.size())
        frame_fixes.clear();
    while (frame_fixes.size() < frames.size())
        frame_fixes.push_back(frame_fix(frame_fixes.size()));
    if (frame_fixes.size() == frame_fixes.capacity()) {
        size_t room = frame_fixes.empty() ? FIRST_FIX_ROOM : 2 * frame_fixes.capacity();
        reserve_faulted_in(&frame_fixes, room);
    }
    frame_fixes.push_back(fix);
}

FrameFix frame_fix(size_t index)
{
    if (index < frame_fixes.size())
        return frame_fixes[index];
    FrameFix record = {NAN, frames[index]->latitude, frames[index]->longitude};
    return record;
}
