/*
 * statistics.cpp - the figures of the loaded track and their text.
 *
 * A step is the way from one frame to the next: its length is the
 * geodesic between their places as the lines write them (geodesy.h,
 * frame_fixes.h), its time the difference of their UTC times.  The rules
 * a GPS user reads the figures by:
 *   - moving: a step of time whose speed is above MOVING_KMH; standing
 *     still, or a pause however long, adds nothing to the moving time;
 *   - top speed: the highest median of the speeds of MAX_SPEED_STEPS
 *     consecutive steps of time, so that one jump of the receiver is never
 *     the top speed: it spoils one step (a fix thrown ahead), two (a fix
 *     thrown off and back) or three in a row (a receiver catching up after
 *     a lag);
 *   - ascent and descent: a climb counts from its lowest to its highest
 *     point once the height has turned back by CLIMB_FILTER_METRES or more
 *     (or the track ended), so that noise below that adds nothing.
 * A step without time (two fixes of one timestamp) adds to the distance
 * only.
 *
 * Entry points: see statistics.h.
 */
#include "statistics.h"

#include "frame_fixes.h"
#include "geodesy.h"
#include "track_point.h"
#include "track_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

TrackStatistics track_statistics = {};                  /* all zero before a load */
static StatisticsUnits statistics_units = UNITS_METRIC; /* of the text */
static std::string statistics_block;                    /* the text, empty before a load */

static const double METRES_PER_KM = 1000.0;
static const double METRES_PER_FOOT = 0.3048;
static const double SECONDS_PER_HOUR = 3600.0;
static const double LONGEST_SECONDS = 1e15; /* a duration's text is kept to 30 million years */

bool statistics_units_named(const char* name, StatisticsUnits* units)
{
    const struct {
        const char* name;
        StatisticsUnits units;
    } names[] = {{"metric", UNITS_METRIC}, {"imperial", UNITS_IMPERIAL}};
    for (const auto& n : names)
        if (std::string(name) == n.name) {
            *units = n.units;
            return true;
        }
    return false;
}

void set_statistics_units(StatisticsUnits units)
{
    statistics_units = units;
}

/* The median of the speeds of each run of MAX_SPEED_STEPS, the highest;
   a track of fewer steps has the median of them all.  Of an even count
   the lower middle, so that half the steps thrown off still do no harm. */
static double top_speed_of(const std::vector<double>& speeds)
{
    if (speeds.empty())
        return NAN;
    size_t run = std::min(speeds.size(), static_cast<size_t>(MAX_SPEED_STEPS));
    double top = 0.0;
    double window[MAX_SPEED_STEPS];
    for (size_t first = 0; first + run <= speeds.size(); ++first) {
        std::copy(speeds.begin() + first, speeds.begin() + first + run, window);
        std::nth_element(window, window + (run - 1) / 2, window + run);
        top = std::max(top, window[(run - 1) / 2]);
    }
    return top;
}

/* Ascent and descent with hysteresis: until the height has moved by the
   filter the trend is unknown; then the extreme of the trend is followed,
   and a turn back by the filter closes the climb or fall at it. */
struct ClimbFilter {
    int trend;        /* +1 climbing, -1 falling, 0 not yet known */
    double base;      /* where the climb or fall under way began */
    double extreme;   /* its highest (climbing) or lowest (falling) point so far */
    double low, high; /* while the trend is unknown */
};

static void start_climbs(ClimbFilter* f, double height)
{
    f->trend = 0;
    f->base = f->extreme = f->low = f->high = height;
}

static void climb_to(ClimbFilter* f, double height, TrackStatistics* s)
{
    if (f->trend == 0) {
        f->low = std::min(f->low, height);
        f->high = std::max(f->high, height);
        if (height - f->low >= CLIMB_FILTER_METRES) {
            f->trend = 1;
            f->base = f->low;
            f->extreme = height;
        } else if (f->high - height >= CLIMB_FILTER_METRES) {
            f->trend = -1;
            f->base = f->high;
            f->extreme = height;
        }
    } else if (f->trend * (height - f->extreme) > 0) {
        f->extreme = height;
    } else if (fabs(height - f->extreme) >= CLIMB_FILTER_METRES) {
        if (f->trend > 0)
            s->ascent += f->extreme - f->base;
        else
            s->descent += f->base - f->extreme;
        f->trend = -f->trend;
        f->base = f->extreme;
        f->extreme = height;
    }
}

/* The end of the track closes the climb or fall under way. */
static void finish_climbs(const ClimbFilter* f, TrackStatistics* s)
{
    if (f->trend > 0)
        s->ascent += f->extreme - f->base;
    else if (f->trend < 0)
        s->descent += f->base - f->extreme;
}

static void measure_heights(TrackStatistics* s)
{
    ClimbFilter climbs = {0, 0.0, 0.0, 0.0, 0.0};
    for (const TrackPoint* point : frames) {
        double height = point->altitude;
        if (std::isnan(height))
            continue;
        if (!s->has_heights) {
            s->has_heights = true;
            s->lowest = s->highest = height;
            start_climbs(&climbs, height);
            continue;
        }
        s->lowest = std::min(s->lowest, height);
        s->highest = std::max(s->highest, height);
        climb_to(&climbs, height, s);
    }
    if (s->has_heights)
        finish_climbs(&climbs, s);
}

/* Distance, moving time and top speed from the steps of frames. */
static void measure_steps(TrackStatistics* s)
{
    std::vector<double> speeds; /* metres a second of each step of time */
    speeds.reserve(frames.size());
    FrameFix from = frame_fix(0);
    for (size_t i = 1; i < frames.size(); ++i) {
        FrameFix to = frame_fix(i);
        double metres = geodesic_distance(from.latitude, from.longitude, to.latitude, to.longitude);
        double seconds = to.time - from.time;
        from = to;
        s->metres += metres;
        if (!(seconds > 0.0) || !std::isfinite(seconds))
            continue;
        double speed = metres / seconds;
        speeds.push_back(speed);
        if (speed * SECONDS_PER_HOUR / METRES_PER_KM > MOVING_KMH) {
            s->moving_seconds += seconds;
            s->moving_metres += metres;
        }
    }
    s->top_speed = top_speed_of(speeds);
}

void compute_statistics()
{
    TrackStatistics s = {};
    s.fixes = static_cast<long long>(frames.size());
    s.skipped = std::max(0ll, fix_count - fixes_before_load - s.fixes);
    s.start = s.end = s.top_speed = NAN;
    if (!frames.empty()) {
        s.start = frame_fix(0).time;
        s.end = frame_fix(frames.size() - 1).time;
        s.lowest_mph = s.highest_mph = frames[0]->speed_mph;
        for (const TrackPoint* point : frames) {
            s.lowest_mph = std::min(s.lowest_mph, static_cast<double>(point->speed_mph));
            s.highest_mph = std::max(s.highest_mph, static_cast<double>(point->speed_mph));
        }
        measure_steps(&s);
        measure_heights(&s);
    }
    track_statistics = s;
    statistics_block = format_statistics(s, statistics_units);
}

const char* statistics_text()
{
    return statistics_block.c_str();
}

/* ------------------------------------------------------------ the text */

/* The names and sizes of one system of units. */
struct UnitNames {
    const char* distance;
    double metres_per_distance;
    const char* speed;
    double metres_per_speed_distance; /* a speed is this many metres an hour */
    const char* height;
    double metres_per_height;
};

static const UnitNames UNIT_NAMES[] = {
    {"km", METRES_PER_KM, "km/h", METRES_PER_KM, "m", 1.0},
    {"mi", METRES_PER_MILE, "mph", METRES_PER_MILE, "ft", METRES_PER_FOOT},
};

/* "H:MM:SS", hours not folded into days; whole seconds, rounded. */
static std::string duration_text(double seconds)
{
    if (!std::isfinite(seconds))
        return "unknown";
    seconds = std::max(-LONGEST_SECONDS, std::min(LONGEST_SECONDS, seconds));
    long long whole = llround(fabs(seconds));
    char text[64];
    snprintf(text, sizeof text, "%s%lld:%02lld:%02lld", seconds < 0 && whole > 0 ? "-" : "",
             whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

/* "2010-08-05 14:23:59 UTC", with milliseconds where the fix has them. */
static std::string time_text(double seconds)
{
    if (!std::isfinite(seconds))
        return "unknown";
    double milliseconds = round(seconds * 1000.0);
    double whole = floor(milliseconds / 1000.0);
    UtcDate date = utc_date(whole);
    char text[96];
    int length = snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02.0f", date.year,
                          date.month, date.day, date.hour, date.minute, floor(date.seconds));
    double part = milliseconds - whole * 1000.0;
    if (part >= 1.0 && part < 1000.0)
        snprintf(text + length, sizeof text - length, ".%03.0f", part);
    return std::string(text) + " UTC";
}

/* One line of the block, formatted as printf does. */
static void add_line(std::string* block, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
static void add_line(std::string* block, const char* format, ...)
{
    char line[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    *block += line;
    *block += '\n';
}

/* A speed in metres a second in the units' speed, to a tenth. */
static std::string speed_number(double metres_per_second, const UnitNames& units)
{
    char text[64];
    snprintf(text, sizeof text, "%.1f",
             metres_per_second * SECONDS_PER_HOUR / units.metres_per_speed_distance);
    return text;
}

/* "6.1 km/h", or "none" without a speed. */
static std::string speed_text(double metres_per_second, const UnitNames& units)
{
    if (!std::isfinite(metres_per_second))
        return "none";
    return speed_number(metres_per_second, units) + " " + units.speed;
}

std::string format_statistics(const TrackStatistics& s, StatisticsUnits which)
{
    const UnitNames& units = UNIT_NAMES[which == UNITS_IMPERIAL ? 1 : 0];
    std::string block;
    /* Plain digits, for the scripts that read the block. */
    add_line(&block, "fixes: %lld (%lld skipped)", s.fixes, s.skipped);
    if (s.fixes == 0) {
        add_line(&block, "start: none");
        return block;
    }
    add_line(&block, "start: %s", time_text(s.start).c_str());
    add_line(&block, "elapsed: %s", duration_text(s.end - s.start).c_str());
    add_line(&block, "distance: %.3f %s", s.metres / units.metres_per_distance, units.distance);
    add_line(&block, "end: %s", time_text(s.end).c_str());
    add_line(&block, "moving time: %s", duration_text(s.moving_seconds).c_str());
    double moving_speed = s.moving_seconds > 0 ? s.moving_metres / s.moving_seconds : NAN;
    add_line(&block, "moving speed: %s", speed_text(moving_speed, units).c_str());
    add_line(&block, "max speed: %s", speed_text(s.top_speed, units).c_str());
    double metres_per_mile_an_hour = METRES_PER_MILE / SECONDS_PER_HOUR;
    add_line(&block, "recorded speed: %s to %s %s",
             speed_number(s.lowest_mph * metres_per_mile_an_hour, units).c_str(),
             speed_number(s.highest_mph * metres_per_mile_an_hour, units).c_str(), units.speed);
    if (!s.has_heights)
        return block;
    add_line(&block, "lowest: %.0f %s", s.lowest / units.metres_per_height, units.height);
    add_line(&block, "highest: %.0f %s", s.highest / units.metres_per_height, units.height);
    add_line(&block, "ascent: %.0f %s", s.ascent / units.metres_per_height, units.height);
    add_line(&block, "descent: %.0f %s", s.descent / units.metres_per_height, units.height);
    return block;
}

std::string format_moment(const MomentFigures& m)
{
    const UnitNames& units = UNIT_NAMES[statistics_units == UNITS_IMPERIAL ? 1 : 0];
    std::string block;
    add_line(&block, "time: %s", time_text(m.utc).c_str());
    add_line(&block, "from start: %.3f %s", m.metres / units.metres_per_distance, units.distance);
    add_line(&block, "speed: %s", speed_text(m.speed, units).c_str());
    if (std::isfinite(m.height))
        add_line(&block, "height: %.0f %s", m.height / units.metres_per_height, units.height);
    return block;
}
