// The settings menu (TAP key + Menu, or the control message 0x0B00 with 2): 34 lines of
// settings, the save line, the city line and the actions. Changes act on the settings record at
// once; Exit puts back the copy taken at the opening, "Save & Exit" stores them. Its keys stand
// in menu_keys, which also give its key panel and its help lines.
#pragma once

#include <stddef.h>

#include "osd/key_table.h"
#include "platform/tap_api.h"

enum {
    MENU_LINES = 34,
    MENU_SAVE_LINE = 19,
    MENU_CITY_LINE = 27,
    MENU_FIRST_SELECTED = 29, // the line selected at the first opening of a run
};

// The actions of the Ok key that show their output in the menu's window (the sub-mode).
enum menu_sub_mode {
    MENU_LIST = 0,
    MENU_UPDATE = 29,
    MENU_DESCRIPTION = 30,
    MENU_SYSTEM = 31,
    MENU_HARDDISK = 32,
    MENU_KEY_CODES = 33,
};

extern const key_table menu_keys;

// Key 0 opens the menu (or draws it again while it is open); afterwards the dispatcher passes
// every key while the menu's bit is set. Returns 0.
dword settings_menu(dword key);

// What the menu shows, for tests and the dispatcher.
struct menu_facts {
    int line;     // selected line, 1 ... 34
    int top;      // the first line shown
    int step;     // the last step of a change key
    int sub_mode; // menu_sub_mode
};
menu_facts menu_facts_now(void);

// The text of a line as the menu shows it: its label ("> Sprache = ") and its value ("Deutsch",
// "" for a line without one), in the language shown.
void menu_line_text(int line, char* label, size_t label_size, char* value, size_t value_size);
// The hint lines of a line (null when it has none).
const char* menu_hint(int line);
const char* menu_second_hint(int line);
