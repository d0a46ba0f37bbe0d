// The "Infos & Tools" window: its main page (usage, location, time zone, sun and moon, the load
// monitor's starting point) and the sub-pages its keys open (calendar, calculator, system and
// harddisk infos, key infos, TAP list, About, forum infos, and in the diagnostic mode the
// diagnostics page and the test grid). Its keys stand in infos_keys, which also give its help
// page.
#pragma once

#include "osd/key_help.h"
#include "osd/key_table.h"
#include "platform/tap_api.h"

extern const key_table infos_keys;
extern const help_page infos_help;

// What the window shows: the main page or one of its sub-pages.
enum infos_state {
    INFOS_MAIN = 0,
    INFOS_CALENDAR = 10,
    INFOS_CALCULATOR = 11,
    INFOS_STATIC = 12, // system infos, About, TAP list, diagnostics
    INFOS_HARDDISK = 13,
    INFOS_KEYS = 14,
    INFOS_TEST_GRID = 15,
    INFOS_BOX = -1, // a result in an info box (forum infos, a message)
};
extern int infos_state;

// Key 0 opens the window (taking the screen), 1 draws the main page again; afterwards the
// dispatcher passes every key while the Infos & Tools bit is set. Returns 0.
dword infos_window(dword key);

// The lines of the main page's location: city, region and country as shown for a location
// mode (see the main page), into out.
void location_text(unsigned mode, const char* city, const char* region, const char* region_code,
                   const char* country, const char* country_code, char* out, unsigned size);
