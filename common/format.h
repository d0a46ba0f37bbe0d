// Shared text formatters: byte counts, dates with times, weekday and month names. Each result
// lies in a shared buffer of its formatter and stays valid until that formatter runs again.
#pragma once

#include <stdint.h>

#include "platform/tap_api.h"

// A byte count: "%d" below 10^6, then "%.1f M", "%.1f G", "%.1f T", "%.1f P" by powers of
// 1000, and "giant size" from 10^18 on. 20-byte buffer.
const char* size_text(uint64_t bytes);

// "%s %2d.%02d.%4d%c%2d:%02d": weekday, day, month, year, a blank, hour and minute of a
// Modified Julian Day and a minute of the day. A negative minute ends the text after the date.
const char* date_time_text(word mjd, int minute_of_day);

// Two-letter weekday for n = 0 (Monday) ... 6 (Sunday), in the current language.
const char* weekday_name(int n);
// Full month name: n = 1 ... 12 gives January ... December (n mod 12; 0 is December).
const char* month_name(int n);
