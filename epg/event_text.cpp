#include "event_text.h"

#include <string.h>

void field_text(const char* field, size_t field_size, char* out) {
    const size_t n = strnlen(field, field_size);
    memcpy(out, field, n);
    out[n] = 0;
}

dword time_word_now(void) {
    word mjd = 0;
    byte hour = 0, minute = 0, second = 0;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    return static_cast<dword>(mjd) << 16 | static_cast<dword>(hour) << 8 | minute;
}

int event_at_or_after(const TYPE_TapEvent* events, int count, dword at) {
    if (!events || count <= 0) return -1;
    const int64_t when = time_word_minutes(at);
    for (int i = 0; i < count; ++i)
        if (time_word_minutes(events[i].endTime) >= when) return i;
    return count - 1;
}

bool timer_covers(dword timer_start, int duration, dword start, dword end) {
    const int64_t from = time_word_minutes(timer_start);
    if (duration > 1440) duration = 1440;
    if (duration < 0) duration = 0;
    return from <= time_word_minutes(start) && from + duration >= time_word_minutes(end);
}
