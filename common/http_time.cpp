#include "http_time.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <time.h>

namespace {

const char* const month_names[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int month_index(const char* name) {
    for (int i = 0; i < 12; ++i)
        if (strcasecmp(name, month_names[i]) == 0) return i;
    return -1;
}

} // namespace

uint32_t atot(const char* text) {
    if (!text) return 0;
    while (*text == ' ')
        ++text;
    int day, year, hour, minute, second;
    char month[16];
    if (sscanf(text, "%d %15s %d %d:%d:%d", &day, month, &year, &hour, &minute, &second) != 6 &&
        sscanf(text, "%15s %d %d %d:%d:%d", month, &day, &year, &hour, &minute, &second) != 6)
        return 0;
    int m = month_index(month);
    if (m < 0 || year < 1970 || year > 2200) return 0;
    struct tm t;
    memset(&t, 0, sizeof t);
    t.tm_year = year - 1900;
    t.tm_mon = m;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    time_t seconds = mktime(&t);
    if (seconds == static_cast<time_t>(-1) || seconds < 0 ||
        static_cast<uint64_t>(seconds) > UINT32_MAX)
        return 0;
    return static_cast<uint32_t>(seconds);
}
