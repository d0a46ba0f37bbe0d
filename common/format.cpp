#include "format.h"

#include <stdio.h>

#include "settings.h"

namespace {

char size_buffer[20];
char date_time_buffer[32];

const char* const weekdays_en[7] = {"Su", "Mo", "Tu", "We", "Th", "Fr", "Sa"};
const char* const weekdays_de[7] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
const char* const months_en[12] = {"December", "January",   "February", "March",
                                   "April",    "May",       "June",     "July",
                                   "August",   "September", "October",  "November"};
// Latin-1: "M\xE4rz".
const char* const months_de[12] = {"Dezember", "Januar",    "Februar", "M\xE4rz",
                                   "April",    "Mai",       "Juni",    "Juli",
                                   "August",   "September", "Oktober", "November"};

// n mod m for any n (also negative).
unsigned modulo(int n, unsigned m) {
    int r = n % static_cast<int>(m);
    return static_cast<unsigned>(r < 0 ? r + static_cast<int>(m) : r);
}

} // namespace

const char* size_text(uint64_t bytes) {
    struct unit {
        uint64_t below;
        double divisor;
        const char* format;
    };
    static const unit units[] = {
        {1000000000ull, 1e6, "%.1f M"},
        {1000000000000ull, 1e9, "%.1f G"},
        {1000000000000000ull, 1e12, "%.1f T"},
        {1000000000000000000ull, 1e15, "%.1f P"},
    };
    if (bytes < 1000000) {
        snprintf(size_buffer, sizeof size_buffer, "%d", static_cast<int>(bytes));
        return size_buffer;
    }
    for (const unit& u : units)
        if (bytes < u.below) {
            snprintf(size_buffer, sizeof size_buffer, u.format,
                     static_cast<double>(bytes) / u.divisor);
            return size_buffer;
        }
    snprintf(size_buffer, sizeof size_buffer, "%s", "giant size");
    return size_buffer;
}

const char* date_time_text(word mjd, int minute_of_day) {
    word year = 0;
    byte month = 0, day = 0, weekday = 0;
    TAP_ExtractMjd(mjd, &year, &month, &day, &weekday);
    const bool time_shown = minute_of_day >= 0;
    const int minutes = time_shown ? minute_of_day : 0;
    snprintf(date_time_buffer, sizeof date_time_buffer, "%s %2d.%02d.%4d%c%2d:%02d",
             weekday_name(weekday), day, month, year, time_shown ? ' ' : '\0', minutes / 60,
             minutes % 60);
    return date_time_buffer;
}

const char* weekday_name(int n) {
    unsigned i = modulo(n + 1, 7);
    return ui_english() ? weekdays_en[i] : weekdays_de[i];
}

const char* month_name(int n) {
    unsigned i = modulo(n, 12);
    return ui_english() ? months_en[i] : months_de[i];
}
