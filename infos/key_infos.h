// Key statistics and key pages: the "Key Infos" page (how often each key was pressed, by code,
// by count, or laid out like the remote control), the key-code display of the settings menu
// and the test grid of the diagnostic mode.
#pragma once

#include "infos/page.h"
#include "osd/key_table.h"
#include "osd/window.h"
#include "platform/tap_api.h"

enum key_infos_mode { KEYS_BY_CODE = 0, KEYS_BY_COUNT = 1, KEYS_AS_REMOTE = 2 };

extern const key_table key_infos_keys;
extern int key_infos_mode; // 2 at every opening

// Works out the page of the key statistics in the current mode.
void key_infos_prepare(text_page* page);
// Key 0 opens (mode 2), Fav cycles the mode; every call works the page out and draws it.
void key_infos(osd_window* win, text_page* page, dword key);

// The key-code display: the code as "0x%x" at the window's cursor, shown at once; when the next
// line would reach the last line of the window, the next column starts 100 pixels further
// right at the top (below the title).
void key_code_print(osd_window* win, dword key);

extern const key_table test_grid_keys;
// Test grid colours: foreground level 2..12, background index 1..7.
struct test_grid_colours {
    int foreground, background;
};
extern test_grid_colours test_grid;
// Key 0 and digit 0 reset the colours; ^ v step the background, < > the foreground, TvRadio the
// font; those keys redraw, others are ignored.
void test_grid_page(osd_window* win, dword key);
