// The calendar page of Infos & Tools: four months from a chosen one, today marked, with Easter
// and Pentecost of the last month's year. Its keys stand in calendar_keys.
#pragma once

#include "osd/key_table.h"
#include "osd/window.h"
#include "platform/tap_api.h"

extern const key_table calendar_keys;

// The shown months and today's date, kept between openings.
struct calendar_view {
    int year, month;                        // the first month shown
    int today_year, today_month, today_day; // taken at the first opening and on Reset
    int today_weekday;                      // 0 = Monday
    bool today_taken;
};
extern calendar_view calendar_state;

// Key 0 opens the page in win (taking today's date when none was taken yet); a key of the
// table changes the months and redraws; any other key returns without drawing.
void calendar_page(osd_window* win, dword key);
