// Reading the platform's event and timer records, whose texts come from the broadcast: every
// text is taken from its fixed field without reading past it, terminated or not, and the
// packed time words are turned into minutes.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/tap_api.h"

// A record's text field as a terminated text in out (at most field_size characters; out must
// hold field_size + 1 bytes).
void field_text(const char* field, size_t field_size, char* out);
template <size_t N> void field_text(const char (&field)[N], char (&out)[N + 1]) {
    field_text(field, N, out);
}

// A time word (MJD << 16 | hour << 8 | minute) as minutes since MJD 0; hour and minute beyond
// the day's count as they stand.
inline int64_t time_word_minutes(dword t) {
    return static_cast<int64_t>(t >> 16) * 1440 + ((t >> 8) & 0xFF) * 60 + (t & 0xFF);
}
// The receiver's local time now as a time word.
dword time_word_now(void);

// The index of the first event whose end lies at or after `at` (a time word compared as
// minutes); the last index when none does; -1 for an empty list.
int event_at_or_after(const TYPE_TapEvent* events, int count, dword at);

// Whether a timer (start word, duration in minutes, carried over at most one day) covers the
// span from start to end.
bool timer_covers(dword timer_start, int duration, dword start, dword end);
