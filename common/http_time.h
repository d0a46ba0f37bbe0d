// Dates of web servers' answers and of TAP headers as seconds (libc's mktime, the receiver's
// local time).
#pragma once

#include <stdint.h>

// "18 Mar 2016 23:28:16 GMT" (day, month name, year, time; the usual web form behind its
// weekday and comma) or "Mar 18 2016 23:28:16" (month name, day, year, time; a TAP's build
// date). Leading blanks are skipped; month names are compared without case. 0 when the text
// is neither.
uint32_t atot(const char* text);
