// The astronomy and calendar arithmetic of Infos & Tools against independent computations: our
// math functions against the C library's, Easter against the anonymous Gregorian algorithm,
// the weekday and month lengths against a day count of their own, sunrise and sunset against
// the NOAA solar calculator's method evaluated at the event itself, and the moon's phases
// against published times of eclipses (which fall on new and full moons).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/tmath.h"
#include "infos/astro.h"
#include "infos/dates.h"
#include "sun_reference.h"

namespace {

using sun_reference::julian_day;
using sun_reference::mjd_of;

// ---- math ----

TEST(InfosMath, TrigonometryMatchesTheCLibrary) {
    for (double x = -50.0; x <= 50.0; x += 0.0137) {
        EXPECT_NEAR(m_sin(x), std::sin(x), 2e-15) << x;
        EXPECT_NEAR(m_cos(x), std::cos(x), 2e-15) << x;
    }
    for (double x : {0.0, M_PI / 4, M_PI / 2, M_PI, 1e4, -1e4, 123456.789})
        EXPECT_NEAR(m_sin(x), std::sin(x), 1e-11) << x;
    for (double x = -30.0; x <= 30.0; x += 0.0091)
        EXPECT_NEAR(m_atan(x), std::atan(x), 1e-15) << x;
    for (double x = -1.0; x <= 1.0; x += 0.00173) {
        EXPECT_NEAR(m_asin(x), std::asin(x), 4e-15) << x;
        EXPECT_NEAR(m_acos(x), std::acos(x), 4e-15) << x;
    }
    EXPECT_DOUBLE_EQ(m_asin(1.5), M_PI / 2) << "beyond 1: the value at 1";
    EXPECT_DOUBLE_EQ(m_acos(-2.0), M_PI);
}

TEST(InfosMath, Atan2CoversEveryQuadrant) {
    struct Case {
        double y, x;
    } cases[] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}, {0, -1}, {2, 0}, {-2, 0}, {0, 3}, {1e-9, -5}};
    for (const Case& c : cases)
        EXPECT_NEAR(m_atan2(c.y, c.x), std::atan2(c.y, c.x), 1e-15) << c.y << ", " << c.x;
    EXPECT_EQ(m_atan2(0, 0), 0.0);
}

TEST(InfosMath, SquareRootFloorAndFraction) {
    for (double x : {1e-300, 1e-5, 0.25, 2.0, 3.0, 1e10, 7.5e200})
        EXPECT_NEAR(m_sqrt(x), std::sqrt(x), std::sqrt(x) * 1e-15) << x;
    EXPECT_EQ(m_sqrt(-4.0), 0.0);
    for (double x : {-2.5, -2.0, -0.1, 0.0, 0.1, 2.0, 2.999, 1e15 + 0.5, -1e15 - 0.5, 2451545.25})
        EXPECT_EQ(m_floor(x), std::floor(x)) << x;
    EXPECT_DOUBLE_EQ(m_frac(-0.25), 0.75);
    const double f = m_frac(-1e-17);
    EXPECT_TRUE(f >= 0 && f < 1) << f;
    EXPECT_NEAR(m_mod_2pi(-0.5), 2 * M_PI - 0.5, 1e-15);
}

// ---- calendar ----

// The anonymous Gregorian algorithm (Meeus/Jones/Butcher).
void anonymous_easter(int y, int* month, int* day) {
    const int a = y % 19, b = y / 100, c = y % 100, d = b / 4, e = b % 4, f = (b + 8) / 25,
              g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30, i = c / 4, k = c % 4,
              l = (32 + 2 * e + 2 * i - h - k) % 7, m = (a + 11 * h + 22 * l) / 451;
    *month = (h + l - 7 * m + 114) / 31;
    *day = (h + l - 7 * m + 114) % 31 + 1;
}

TEST(InfosCalendar, EasterOfEveryYearAgreesWithTheAnonymousAlgorithm) {
    for (int y = CALENDAR_FIRST_YEAR; y <= CALENDAR_LAST_YEAR; ++y) {
        int m, d, rm, rd;
        easter_date(y, &m, &d);
        anonymous_easter(y, &rm, &rd);
        ASSERT_EQ(m * 100 + d, rm * 100 + rd) << y;
    }
}

TEST(InfosCalendar, EasterAndPentecostExamples) {
    struct Case {
        int year, easter_m, easter_d, pentecost_m, pentecost_d;
    } cases[] = {
        {2025, 4, 20, 6, 8},  {2024, 3, 31, 5, 19}, {2019, 4, 21, 6, 9},
        {1818, 3, 22, 5, 10}, {2038, 4, 25, 6, 13}, // the earliest and the latest Easter
    };
    for (const Case& c : cases) {
        int m, d;
        easter_date(c.year, &m, &d);
        EXPECT_EQ(m * 100 + d, c.easter_m * 100 + c.easter_d) << c.year;
        pentecost_date(c.year, &m, &d);
        EXPECT_EQ(m * 100 + d, c.pentecost_m * 100 + c.pentecost_d) << c.year;
        // Pentecost lies 49 days after Easter.
        EXPECT_EQ(julian_day(c.year, m, d) - julian_day(c.year, c.easter_m, c.easter_d), 49)
            << c.year;
    }
}

TEST(InfosCalendar, FirstDaysAndMonthLengthsFollowTheDayCount) {
    EXPECT_EQ(month_first_jdn(2000, 1), 2451545);
    EXPECT_EQ(month_first_weekday(2000, 1), 5) << "1 January 2000 was a Saturday";
    for (int y = CALENDAR_FIRST_YEAR; y <= CALENDAR_LAST_YEAR; ++y)
        for (int m = 1; m <= 12; ++m) {
            ASSERT_EQ(month_first_jdn(y, m), julian_day(y, m, 1)) << y << "-" << m;
            const int next_y = m == 12 ? y + 1 : y, next_m = m == 12 ? 1 : m + 1;
            ASSERT_EQ(month_days(y, m), julian_day(next_y, next_m, 1) - julian_day(y, m, 1))
                << y << "-" << m;
        }
    EXPECT_EQ(month_days(2000, 2), 29);
    EXPECT_EQ(month_days(2100, 2), 28);
    EXPECT_EQ(month_days(2024, 2), 29);
    EXPECT_EQ(month_days(2023, 2), 28);
}

TEST(InfosCalendar, NormalisationKeepsTheShownRange) {
    struct Case {
        int year, month, want_year, want_month;
    } cases[] = {
        {2026, 0, 2025, 12}, {2026, -2, 2025, 10}, {2026, 13, 2027, 1},  {2026, 16, 2027, 4},
        {1580, 6, 1583, 1},  {1583, 0, 1583, 1},   {3000, 13, 3000, 12}, {3010, 1, 3000, 12},
        {1583, 1, 1583, 1},  {3000, 12, 3000, 12},
    };
    for (const Case& c : cases) {
        int y = c.year, m = c.month;
        calendar_normalise(&y, &m);
        EXPECT_EQ(y * 100 + m, c.want_year * 100 + c.want_month) << c.year << "/" << c.month;
    }
}

// ---- sun ----

TEST(InfosSun, RiseAndSetWithinThreeMinutesOfTheReference) {
    struct City {
        const char* name;
        double lat, lon;
    } cities[] = {
        {"Berlin", 52.52, 13.40},      {"Madrid", 40.42, -3.70},     {"Reykjavik", 64.15, -21.94},
        {"Helsinki", 60.17, 24.94},    {"New York", 40.71, -74.01},  {"Anchorage", 61.22, -149.90},
        {"Fairbanks", 64.84, -147.72}, {"Sydney", -33.87, 151.21},   {"Tokyo", 35.68, 139.69},
        {"Quito", -0.18, -78.47},      {"Cape Town", -33.92, 18.42}, {"Ushuaia", -54.80, -68.30},
        {"Auckland", -36.85, 174.76},  {"Honolulu", 21.31, -157.86}, {"Nuuk", 64.18, -51.72},
    };
    struct Day {
        int y, m, d;
    } days[] = {{2026, 3, 20}, {2026, 6, 21}, {2026, 9, 23}, {2026, 12, 21},
                {2025, 2, 10}, {2024, 5, 5},  {2030, 8, 1},  {1999, 11, 15}};
    double worst = 0;
    int compared = 0;
    for (const City& c : cities)
        for (const Day& day : days) {
            const long mjd = mjd_of(day.y, day.m, day.d);
            const sun_reference::Times ref =
                sun_reference::times(static_cast<int>(mjd), c.lat, c.lon);
            if (ref.polar) continue; // polar day and night are left out
            uint32_t rise, set;
            sun_times(static_cast<uint16_t>(mjd), c.lat, c.lon, &rise, &set);
            const double day0 = (static_cast<double>(mjd) - 40587) * 86400;
            const double rise_min = (static_cast<int64_t>(rise) - day0) / 60;
            const double set_min = (static_cast<int64_t>(set) - day0) / 60;
            const std::string what = std::string(c.name) + " " + std::to_string(day.y) + "-" +
                                     std::to_string(day.m) + "-" + std::to_string(day.d);
            EXPECT_NEAR(rise_min, ref.rise_min, 3.0) << "sunrise " << what;
            EXPECT_NEAR(set_min, ref.set_min, 3.0) << "sunset " << what;
            worst = std::max(
                {worst, std::fabs(rise_min - ref.rise_min), std::fabs(set_min - ref.set_min)});
            ++compared;
        }
    EXPECT_GT(compared, 100);
    RecordProperty("worst_minutes", std::to_string(worst));
}

TEST(InfosSun, PolarDayAndNightGiveTheTransitAndTwelveHoursAround) {
    const long mjd = mjd_of(2026, 6, 21);
    uint32_t rise, set;
    sun_times(static_cast<uint16_t>(mjd), 78.22, 15.65, &rise, &set); // Longyearbyen, midsummer
    // The transit moves by seconds from one day to the next.
    EXPECT_NEAR(static_cast<double>(set - rise), 86400.0, 60.0) << "the sun does not set";
    sun_times(static_cast<uint16_t>(mjd_of(2026, 12, 21)), 78.22, 15.65, &rise, &set);
    EXPECT_EQ(set, rise) << "the sun does not rise";
}

// ---- moon ----

// Published times (UT) of eclipses: a solar eclipse falls on a new moon, a lunar one on a full
// moon.
struct Phase {
    int y, m, d, hour, minute;
    int type;
};

TEST(InfosMoon, PhasesWithinMinutesOfPublishedTimes) {
    const Phase phases[] = {
        {1999, 8, 11, 11, 8, MOON_NEW},   {2017, 8, 21, 18, 30, MOON_NEW},
        {2020, 12, 14, 16, 17, MOON_NEW}, {2023, 4, 20, 4, 12, MOON_NEW},
        {2024, 4, 8, 18, 21, MOON_NEW},   {2024, 10, 2, 18, 49, MOON_NEW},
        {2025, 3, 29, 10, 58, MOON_NEW},  {2000, 1, 21, 4, 40, MOON_FULL},
        {2018, 7, 27, 20, 20, MOON_FULL}, {2019, 1, 21, 5, 16, MOON_FULL},
        {2021, 5, 26, 11, 14, MOON_FULL}, {2022, 11, 8, 11, 2, MOON_FULL},
        {2024, 9, 18, 2, 34, MOON_FULL},  {2025, 3, 14, 6, 55, MOON_FULL},
    };
    for (const Phase& p : phases) {
        const double published =
            julian_day(p.y, p.m, p.d) - 0.5 + (p.hour * 60 + p.minute) / 1440.0;
        // The search from a week before finds it.
        const double found = moonphase(published - 7, p.type);
        EXPECT_NEAR((found - published) * 1440, 0, 10) << p.y << "-" << p.m << "-" << p.d;
    }
}

TEST(InfosMoon, SearchFindsTheFirstPhaseAtOrAfterTheStart) {
    const double start = julian_day(2026, 1, 1) - 0.5;
    double previous = start;
    for (int i = 0; i < 30; ++i) {
        const double next = moonphase(previous, MOON_FULL);
        EXPECT_GE(next, previous);
        if (i > 0) {
            EXPECT_NEAR(next - previous, 29.53, 0.6) << "one lunation to the next";
        }
        previous = next + 0.01;
    }
    // The quarters lie between new and full moon.
    const double new_moon = moonphase(start, MOON_NEW);
    const double first = moonphase(new_moon, MOON_FIRST_QUARTER);
    const double full = moonphase(new_moon, MOON_FULL);
    const double last = moonphase(new_moon, MOON_LAST_QUARTER);
    EXPECT_LT(new_moon, first);
    EXPECT_LT(first, full);
    EXPECT_LT(full, last);
    EXPECT_LT(last - new_moon, 29.6);
}

} // namespace
