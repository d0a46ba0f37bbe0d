#include "key_table.h"

#include <string.h>

#include "common/settings.h"
#include "icons.h"
#include "window.h"

namespace {

int toggle_language(dword) {
    settings.flags ^= SET_ENGLISH;
    return KEY_REDRAW;
}

int toggle_font(dword) {
    settings.flags ^= SET_LARGE_FONT;
    return KEY_REDRAW;
}

constexpr key_row shared_rows[] = {
    on(KEY_AUDIO, toggle_language),
    on(KEY_TVRADIO, toggle_font),
};

const key_row* find_handler(const key_table* table, dword plain, key_modifier modifier) {
    for (; table; table = table->then)
        for (size_t i = 0; i < table->count; ++i) {
            const key_row& r = table->rows[i];
            if (r.handler && r.key == plain && r.modifier == modifier) return &r;
        }
    return nullptr;
}

// Appends text to out (size bytes, NUL-terminated) at *used.
void append(char* out, size_t size, size_t* used, const char* text) {
    const size_t n = strlen(text);
    const size_t room = *used + 1 < size ? size - *used - 1 : 0;
    const size_t take = n < room ? n : room;
    memcpy(out + *used, text, take);
    *used += take;
    out[*used] = 0;
}

} // namespace

const key_table shared_keys = key_table_of(shared_rows, nullptr, nullptr, true);

int key_dispatch(const key_table& table, dword key) {
    if (key & (KEY_REPEAT | KEY_RELEASE)) return KEY_UNKNOWN;
    const dword plain = key & ~KEY_TAP_MARK;
    const bool after_tap = key & KEY_TAP_MARK;
    const key_row* row = find_handler(&table, plain, after_tap ? KEY_AFTER_TAP : KEY_ALONE);
    if (!row && after_tap) row = find_handler(&table, plain, KEY_ALONE);
    if (!row) return table.other ? table.other(key) : KEY_UNKNOWN;
    const int outcome = row->handler(key);
    const bool own = row >= table.rows && row < table.rows + table.count;
    if (!own && outcome == KEY_REDRAW && !table.redraw_shared) return KEY_DONE;
    return outcome;
}

size_t key_help_text(const key_table& table, int page, bool english, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    size_t used = 0;
    int at = 1;
    bool first = true;
    for (size_t i = 0; i < table.count; ++i) {
        const key_row& r = table.rows[i];
        if (r.key == KEY_PAGE_BREAK) {
            ++at;
            continue;
        }
        const char* line = english ? r.help_en : r.help_de;
        if (at != page || !line) continue;
        if (!first) append(out, size, &used, "\n");
        first = false;
        if (line[0] == '\r') {
            append(out, size, &used, "\r");
            ++line;
        }
        if (r.modifier == KEY_AFTER_TAP)
            append(out, size, &used, english ? "TAP key + " : "TAP-Taste + ");
        append(out, size, &used, line);
    }
    return used;
}

const key_row* key_row_of(const key_table& table, dword key, key_modifier modifier) {
    for (size_t i = 0; i < table.count; ++i)
        if (table.rows[i].key == key && table.rows[i].modifier == modifier) return &table.rows[i];
    return nullptr;
}

const char* key_panel_label(const key_row& row) {
    return row.panel_en ? ui_text(row.panel_en, row.panel_de) : nullptr;
}

void key_panel_line(osd_window* win, const key_table& table, int line,
                    const char* (*label)(dword key)) {
    // At most 16 places in a line; each is drawn in the order of its position.
    for (int position = 0; position < 16; ++position)
        for (size_t i = 0; i < table.count; ++i) {
            const key_row& r = table.rows[i];
            if (r.panel != line * 16 + position) continue;
            const char* text = label ? label(r.key) : nullptr;
            osd_icon_label(win, key_icon(r.key), text ? text : key_panel_label(r), 0);
        }
}
