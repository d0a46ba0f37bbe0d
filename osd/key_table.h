// Key tables: the keys of a window stand in one constexpr table of rows { key, TAP-key
// modifier, handler, English and German help line, place and label in the key panel }. The
// window's key handling dispatches through it, its help pages are its help lines in order, and
// its key panel shows the keys that have a place there. A table ends by chaining to the keys
// every window shares (AudioTrk switches the language, TvRadio the font size), so those stand
// once.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/tap_api.h"

struct osd_window;

// What a key handler did with its key.
enum key_outcome : int {
    KEY_UNKNOWN = -1, // no row takes the key
    KEY_DONE = 0,     // taken; the window stays as it is drawn
    KEY_REDRAW = 1,   // taken; the window draws itself again
    KEY_CLOSED = 2,   // taken; the window closed (or handed the screen to another one)
};

// A handler gets the key as the window got it (with KEY_TAP_MARK after the TAP key).
typedef int (*key_handler)(dword key);

enum key_modifier : uint8_t {
    KEY_ALONE = 0,     // the key; after the TAP key too, unless a TAP row of the key exists
    KEY_AFTER_TAP = 1, // only TAP key + key; its help line begins "TAP key + "
};

// Rows without a key of their own.
enum : dword {
    KEY_NONE = 0,       // a heading of the help page
    KEY_PAGE_BREAK = 1, // the help lines that follow stand on the next page
};

struct key_row {
    dword key;
    key_modifier modifier;
    key_handler handler;  // null: the row only names the key on the help page or in the panel
    const char* help_en;  // the help line (without "TAP key + "), null: none of its own; a
    const char* help_de;  // leading '\r' draws a separator above it
    uint8_t panel;        // place in the key panel: line * 16 + position; 0: not shown there
    const char* panel_en; // the label behind the key's icon in the panel; null: the icon alone
    const char* panel_de;

    constexpr key_row help(const char* en, const char* de) const {
        key_row r = *this;
        r.help_en = en;
        r.help_de = de;
        return r;
    }
    // Shown in line `line` (1 ...) at `position` (0 ... 15) of the key panel.
    constexpr key_row in_panel(int line, int position, const char* en = nullptr,
                               const char* de = nullptr) const {
        key_row r = *this;
        r.panel = static_cast<uint8_t>(line * 16 + position);
        r.panel_en = en;
        r.panel_de = de ? de : en;
        return r;
    }
};

// A key and its handler.
constexpr key_row on(dword key, key_handler handler) {
    return {key, KEY_ALONE, handler, nullptr, nullptr, 0, nullptr, nullptr};
}
// TAP key + key and its handler.
constexpr key_row on_tap(dword key, key_handler handler) {
    return {key, KEY_AFTER_TAP, handler, nullptr, nullptr, 0, nullptr, nullptr};
}
// A key that another row, the shared keys or the dispatcher handle, named by a help line.
constexpr key_row named(dword key, const char* en, const char* de) {
    return {key, KEY_ALONE, nullptr, en, de, 0, nullptr, nullptr};
}
constexpr key_row heading(const char* en, const char* de) {
    return named(KEY_NONE, en, de);
}
constexpr key_row page_break() {
    return named(KEY_PAGE_BREAK, nullptr, nullptr);
}

struct key_table {
    const key_row* rows;
    size_t count;
    const key_table* then; // the rows tried after these (the shared keys), or null
    key_handler other;     // the keys no row takes, or null
    bool redraw_shared;    // the window draws itself again after a shared key
};

template <size_t N>
constexpr key_table key_table_of(const key_row (&rows)[N], const key_table* then, key_handler other,
                                 bool redraw_shared) {
    return {rows, N, then, other, redraw_shared};
}

// AudioTrk: toggle the language; TvRadio: toggle the font size.
extern const key_table shared_keys;

// Runs the handler of the row that takes the key: a row of the key's own modifier first (TAP
// rows for keys after the TAP key), then a plain row of the key, through the chained tables;
// else the table's `other` handler. Repeats and releases are not keys here (KEY_UNKNOWN).
int key_dispatch(const key_table& table, dword key);

// The help lines of page `page` (1 ...) of the table in one language, each ended by '\n' but
// the last, into out. Returns the length (the text is cut to fit size).
size_t key_help_text(const key_table& table, int page, bool english, char* out, size_t size);

// The first row of the table (not the chained ones) that names the key with the modifier.
const key_row* key_row_of(const key_table& table, dword key, key_modifier modifier = KEY_ALONE);
// A row's panel label in the language shown (null: none).
const char* key_panel_label(const key_row& row);

// Draws line `line` of the key panel at the window's cursor: the keys that have a place in that
// line, in their order, each as its icon and label. `label` may give another label for a key
// (return null to keep the table's).
void key_panel_line(osd_window* win, const key_table& table, int line,
                    const char* (*label)(dword key) = nullptr);
