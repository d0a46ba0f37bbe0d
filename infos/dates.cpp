#include "dates.h"

namespace {

// Days the month falls behind 31-day months at its first day ("003344555667", month 1..12),
// and each month's length - 29 (" 202121221212"; February counts 28 or 29 days apart).
constexpr char month_correction[] = "003344555667";
constexpr char month_length[] = " 202121221212";

bool leap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Division rounding down, for negative numerators too.
long floor_div(long a, long b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

int month_days(int year, int month) {
    if (month < 1 || month > 12) return 0;
    if (month == 2) return leap(year) ? 29 : 28;
    return 29 + (month_length[month] - '0');
}

long month_first_jdn(int year, int month) {
    const long y = year;
    const int after_feb = month > 2;
    long j = 365 * y + 31 * month + 1719849 - (month_correction[month - 1] - '0') - 10 +
             floor_div(after_feb + y + 4715, 4);
    const long centuries = after_feb + y + 4715 - 6416;
    if (centuries >= 0) j -= (3 * (centuries / 100) + 6) / 4;
    return j;
}

int month_first_weekday(int year, int month) {
    const long j = month_first_jdn(year, month);
    return static_cast<int>(((j % 7) + 7) % 7);
}

void easter_date(int year, int* month, int* day) {
    const int y = year;
    const int x = (3 * (y / 100) + 3) / 4 - 12;
    int e = (11 * (y % 19) + (8 * (y / 100) + 13) / 25 - x + 26) % 30;
    if (e < 0) e += 30;
    int n = (e == 24 || (e == 25 && y % 19 > 10)) ? 43 - e : 44 - e;
    if (n < 21) n += 30;
    n = n + 7 - ((5 * y / 4 - x - 10 + n) % 7);
    // n is a day of March; beyond 31 it runs on into April.
    *month = n > 31 ? 4 : 3;
    *day = n > 31 ? n - 31 : n;
}

void pentecost_date(int year, int* month, int* day) {
    int m, d;
    easter_date(year, &m, &d);
    const int march_day = m == 4 ? d + 31 : d;
    const int may_day = march_day - 12; // 49 days later, counted in May
    *month = may_day <= 31 ? 5 : 6;
    *day = may_day <= 31 ? may_day : may_day - 31;
}

void calendar_normalise(int* year, int* month) {
    if (*month <= 0) {
        *month += 12;
        --*year;
    } else if (*month > 12) {
        *month -= 12;
        ++*year;
    }
    if (*year < CALENDAR_FIRST_YEAR) {
        *year = CALENDAR_FIRST_YEAR;
        *month = 1;
    } else if (*year > CALENDAR_LAST_YEAR) {
        *year = CALENDAR_LAST_YEAR;
        *month = 12;
    }
}
