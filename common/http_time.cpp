#include "http_time.h"

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

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A number of at most 9 digits behind optional blanks.
bool read_number(const char** p, int* value) {
    const char* s = *p;
    while (is_space(*s))
        ++s;
    int n = 0, digits = 0;
    for (; *s >= '0' && *s <= '9'; ++s, ++digits) {
        if (digits == 9) return false;
        n = n * 10 + (*s - '0');
    }
    if (!digits) return false;
    *value = n;
    *p = s;
    return true;
}

// A word of at most size - 1 characters behind optional blanks.
bool read_word(const char** p, char* out, size_t size) {
    const char* s = *p;
    while (is_space(*s))
        ++s;
    size_t n = 0;
    for (; *s && !is_space(*s); ++s) {
        if (n + 1 == size) return false;
        out[n++] = *s;
    }
    out[n] = 0;
    *p = s;
    return n > 0;
}

bool read_char(const char** p, char c) {
    if (**p != c) return false;
    ++*p;
    return true;
}

// "hh:mm:ss".
bool read_time(const char** p, int* hour, int* minute, int* second) {
    return read_number(p, hour) && read_char(p, ':') && read_number(p, minute) &&
           read_char(p, ':') && read_number(p, second);
}

} // namespace

uint32_t atot(const char* text) {
    if (!text) return 0;
    int day, year, hour, minute, second;
    char month[16];
    const char* p = text;
    bool ok = read_number(&p, &day) && read_word(&p, month, sizeof month) &&
              read_number(&p, &year) && read_time(&p, &hour, &minute, &second);
    if (!ok) {
        p = text;
        ok = read_word(&p, month, sizeof month) && read_number(&p, &day) &&
             read_number(&p, &year) && read_time(&p, &hour, &minute, &second);
    }
    if (!ok) return 0;
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
