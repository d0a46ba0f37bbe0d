#include "line_edit.h"

#include "common/key_codes.h"
#include <stdio.h>
#include <string.h>

#include "common/file_io.h"
#include "common/memory.h"
#include "common/paths.h"
#include "common/settings.h"
#include "common/version.h"
#include "icons.h"
#include "key_table.h"
#include "window.h"
#include "window_state.h"

namespace {

// Not a key: from the idle duty, commit a pending character.
constexpr dword K_COMMIT = 1;

// Styles of the text line: each part on the same line, the cursor moving on; the character
// under the cursor yellow on dark red.
constexpr uint32_t ST_EDIT_TEXT = ST_SAME_LINE | ST_ADVANCE | ST_PRESET;
constexpr uint32_t ST_EDIT_CURSOR = ST_EDIT_TEXT | PAL_YELLOW_ON_RED;
constexpr uint32_t ST_EDIT_END = ST_SAME_LINE | ST_ADVANCE | ST_MEASURE | PAL_YELLOW_ON_RED;

// The editor's window: a box of 600 (large font) x 9 rows, the text line at this height.
enum { EDIT_WIDTH = 600, EDIT_ROWS = 9, EDIT_TEXT_Y_LARGE = 39, EDIT_TEXT_Y_SMALL = 33 };

enum tap_mode_value { MODE_LOWER = 0, MODE_UPPER_1X = 1, MODE_DIGITS = 2, MODE_UPPER = 3, MODES };

// Digit -> characters in the columns lower, upper, digits/symbols (Latin-1).
const char* const multitap[10][3] = {
    {".,?!0:;\"'", ".,?!0:;\"'", "0.,:&\xB1"},
    {" -_+1(/)*", " -_+1(/)*", "1 +-*/"},
    {"abc2\xE4\xE1", "ABC2\xC4", "2%#\xB0\xA7@"},
    {"def3\xE9\xE8", "DEF3", "3\xBC\xBD\xBE"},
    {"ghi4\xED\xEC", "GHI4", "4<=>"},
    {"jkl5", "JKL5", "5[\\]"},
    {"mno6\xF6\xF1", "MNO6\xD6", "6{|}"},
    {"pqrs7\xDF", "PQRS7", "7^~`"},
    {"tuv8\xFC", "TUV8\xDC", "8$\xA2"},
    {"wxyz9", "WXYZ9", "9\xA3\xA4"},
};

// Latin-1 texts: \xC4 Ä, \xDC Ü, \xDF ß, \xE4 ä, \xF6 ö, \xFC ü (split behind each escape).
const char* const mode_names[4][2] = {
    {"Lower", "Klein"}, {"Upper 1x", "Gro\xDF 1x"}, {"Digits", "Ziffern"}, {"Upper", "Gro\xDF"}};

// Kind 4 opened without a text: the user fills in the host name.
const char url_template[] = "http://www..de/";

const char history_name[] = "TovakRC.his"; // in the settings folder

// The history rings: owned strings, the index of each ring's newest entry (-1: none) and the
// position of the history steps (^ / v) while the editor is open.
char* ring[EDIT_KINDS][EDIT_HISTORY];
int ring_newest[EDIT_KINDS] = {-1, -1, -1, -1, -1, -1, -1, -1};
int ring_pos[EDIT_KINDS];
char* results[EDIT_KINDS];
edit_return_fn returns[EDIT_KINDS];

struct editor_state {
    char text[EDIT_BUFFER];    // Latin-1
    char initial[EDIT_BUFFER]; // for Reset
    char title_de[64], title_en[64];
    int cursor;
    int kind;
    int tap_mode;
    int tap_digit;
    int tap_count;
    dword tap_tick; // 0: no character pending
    bool replace;   // replace instead of insert
    bool latin1;    // hand the result back as Latin-1 instead of UTF-8
    osd_window* caller;
};
editor_state ed;
osd_window edit_window;

void copy_text(char* out, size_t size, const char* text) {
    snprintf(out, size, "%s", text ? text : "");
}

bool slot_empty(const char* entry) {
    return !entry || !*entry;
}

void ring_store(int kind, int slot, const char* text) {
    mem_free(ring[kind][slot]);
    ring[kind][slot] = str_dup(text);
}

// The text being edited stands in the ring's newest slot.
void store_newest() {
    if (ring_newest[ed.kind] >= 0) ring_store(ed.kind, ring_newest[ed.kind], ed.text);
}

int column() {
    return ed.tap_mode == MODE_UPPER ? 1 : ed.tap_mode;
}

int text_length() {
    return static_cast<int>(strlen(ed.text));
}

bool word_char(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c >= 0xC0;
}

dword tick_now() {
    dword t = TAP_GetTick();
    return t ? t : 1; // 0 means "nothing pending"
}

void commit_pending() {
    ed.tap_tick = 0;
    if (ed.cursor < text_length()) ++ed.cursor;
    if (ed.tap_mode == MODE_UPPER_1X) ed.tap_mode = MODE_LOWER;
}

void digit_key(int digit) {
    const char* chars = multitap[digit][column()];
    if (ed.tap_tick && digit == ed.tap_digit) {
        ed.tap_count = (ed.tap_count + 1) % static_cast<int>(strlen(chars));
        ed.text[ed.cursor] = chars[ed.tap_count];
        ed.tap_tick = tick_now();
        store_newest();
        return;
    }
    ed.tap_digit = digit;
    int len = text_length();
    if (len >= EDIT_MAX_CHARS) return;
    if (!ed.replace || ed.cursor == len)
        memmove(ed.text + ed.cursor + 1, ed.text + ed.cursor,
                static_cast<size_t>(len - ed.cursor) + 1);
    ed.text[ed.cursor] = chars[0];
    ed.tap_count = 0;
    ed.tap_tick = tick_now();
    store_newest();
}

void delete_key() {
    int len = text_length();
    if (ed.replace) {
        if (ed.cursor > 0) ed.text[--ed.cursor] = ' ';
    } else if (ed.cursor > 0) {
        memmove(ed.text + ed.cursor - 1, ed.text + ed.cursor,
                static_cast<size_t>(len - ed.cursor) + 1);
        --ed.cursor;
    } else if (len > 0) {
        memmove(ed.text, ed.text + 1, static_cast<size_t>(len));
    }
    store_newest();
}

void word_left() {
    int i = ed.cursor;
    while (i > 0 && !word_char(static_cast<unsigned char>(ed.text[i - 1])))
        --i;
    while (i > 0 && word_char(static_cast<unsigned char>(ed.text[i - 1])))
        --i;
    ed.cursor = i;
}

void word_right() {
    int len = text_length(), i = ed.cursor;
    while (i < len && word_char(static_cast<unsigned char>(ed.text[i])))
        ++i;
    while (i < len && !word_char(static_cast<unsigned char>(ed.text[i])))
        ++i;
    ed.cursor = i;
}

void close_editor() {
    ed.tap_tick = 0;
    window_flags &= ~WS_EDITOR;
    osd_close(&edit_window);
    osd_release(ed.caller);
}

void accept(dword key) {
    const int kind = ed.kind;
    store_newest();
    const char* out = ed.text;
    if (!ed.latin1) {
        latin1_to_utf8(ed.text, line_buffer + 1, sizeof line_buffer - 1);
        out = line_buffer + 1;
    }
    mem_free(results[kind]);
    results[kind] = str_dup(out);
    // The same text twice in a row is kept once: the fresh slot is given up again.
    int newest = ring_newest[kind];
    int prev = (newest + EDIT_HISTORY - 1) % EDIT_HISTORY;
    if (newest >= 0 && ring[kind][prev] && strcmp(ring[kind][prev], ring[kind][newest]) == 0) {
        mem_free(ring[kind][newest]);
        ring[kind][newest] = nullptr;
        ring_newest[kind] = prev;
    }
    history_save();
    close_editor();
    if (returns[kind]) returns[kind](key);
}

struct panel_item {
    const TYPE_GrData* icon; // null: not shown
    const char* label;
};

// The panel label of a key of the editor's table.
const char* label(dword key) {
    const key_row* row = key_row_of(editor_keys, key);
    return row ? key_panel_label(*row) : nullptr;
}

// The room osd_icon_label takes for an icon and its label in a row that does not start at 0.
int panel_width(const TYPE_GrData* icon, const char* label) {
    int w = 8 + icon->width;
    if (!label || !*label) return w - 6;
    char copy[64];
    const size_t n = strlen(label);
    snprintf(copy, sizeof copy, "%s%s", label,
             static_cast<unsigned char>(label[n - 1]) >= 0x80 ? " " : "");
    return w + 2 + osd_text_width(copy);
}

// Draws the text line: whole when it fits, else a part around the cursor.
void draw_text_line(osd_window* win, int y) {
    const int len = text_length();
    int widths[EDIT_BUFFER];
    int total = 0;
    char one[2] = {0, 0};
    for (int i = 0; i < len; ++i) {
        one[0] = ed.text[i];
        widths[i] = osd_text_width(one);
        total += widths[i];
    }
    const int blank = osd_text_width(" ");
    int from = 0, to = len;
    const int room = win->width - 18; // 8 pixels left, 10 right
    if (total + blank >= win->width - 10) {
        // About half the room on each side of the cursor.
        int w = ed.cursor < len ? widths[ed.cursor] : blank;
        from = ed.cursor;
        while (from > 0 && w + widths[from - 1] <= room / 2)
            w += widths[--from];
        to = ed.cursor < len ? ed.cursor + 1 : len;
        while (to < len && w + widths[to] <= room)
            w += widths[to++];
        // At the end of the text the room left over goes to the part before the cursor.
        while (to == len && from > 0 && w + widths[from - 1] <= room)
            w += widths[--from];
    }
    osd_goto(win, 8, y);
    char part[EDIT_BUFFER];
    auto segment = [&](int a, int b, uint32_t style) {
        if (b <= a) return;
        memcpy(part, ed.text + a, static_cast<size_t>(b - a));
        part[b - a] = 0;
        int w = 0;
        for (int i = a; i < b; ++i)
            w += widths[i];
        osd_preset_width = w;
        osd_text(win, part, style);
    };
    segment(from, ed.cursor, ST_EDIT_TEXT);
    if (ed.cursor < len) {
        segment(ed.cursor, ed.cursor + 1, ST_EDIT_CURSOR);
        segment(ed.cursor + 1, to, ST_EDIT_TEXT);
    } else {
        osd_text(win, " ", ST_EDIT_END);
    }
}

void draw() {
    osd_window* win = &edit_window;
    const bool en = ui_english();
    const int line = osd_line_height();
    osd_frame(win, EDIT_WIDTH, EDIT_ROWS, en ? ed.title_en : ed.title_de, TOVAK_VERSION, 0);
    draw_text_line(win, ui_large_font() ? EDIT_TEXT_Y_LARGE : EDIT_TEXT_Y_SMALL);

    // The key panel: six rows at the bottom, under a yellow double line. Rows 0-3 have a left
    // part (digits; Delete, 0, input mode) and a right column (cursor keys, history); rows 4 and
    // 5 the active modes and the closing keys.
    const int top = win->height - 6 * line - 2;
    osd_hline(win, 0, top - 5, win->width, COLOR_YELLOW);
    osd_hline(win, 0, top - 3, win->width, COLOR_YELLOW);
    const int left = 1;
    const bool lookup = ed.kind == EDIT_LOOKUP;
    const panel_item reset = {key_icon(KEY_RECORD), label(KEY_RECORD)};
    const panel_item clear = {key_icon(KEY_STOP), label(KEY_STOP)};
    const panel_item closing[] = {
        {key_icon(KEY_OK), lookup ? "Wikipedia" : label(KEY_OK)},
        {lookup ? key_icon(KEY_GUIDE) : nullptr, label(KEY_GUIDE)},
        {key_icon(KEY_EXIT), label(KEY_EXIT)},
    };
    const panel_item row3[] = {
        {key_icon(KEY_RECALL), label(KEY_RECALL)},
        {key_icon(KEY_0), multitap_chars(0, column())},
        {key_icon(KEY_INFO), mode_names[ed.tap_mode][en ? 0 : 1]},
    };
    struct pair_row {
        const TYPE_GrData *a, *b;
        const char* label;
    } pairs[] = {
        {key_icon(KEY_LEFT), key_icon(KEY_RIGHT), label(KEY_RIGHT)},
        {key_icon(KEY_REWIND), key_icon(KEY_FORWARD), label(KEY_FORWARD)},
        {key_icon(KEY_JUMP_START), key_icon(KEY_JUMP_END), label(KEY_JUMP_END)},
        {key_icon(KEY_UP), key_icon(KEY_DOWN), label(KEY_DOWN)},
    };

    const char* modes_text = en ? " Active modes: " : " Aktive Modi: ";
    const panel_item modes[] = {
        {key_icon(KEY_PLAY),
         ed.replace ? (en ? "Replace" : "Ersetzen") : (en ? "Insert" : "Einf\xFCgen")},
        {key_icon(KEY_SUBTITLE), ed.latin1 ? "Latin-1" : "UTF-8"},
        {key_icon(KEY_PAUSE), label(KEY_PAUSE)},
    };

    // Reset and Clear belong to the last row. Where the room is short (the lookup kind, German)
    // they move up behind the input mode (row 3) or behind the modes (row 4), and at the last
    // the caption of the modes is left out: the first arrangement that fits is taken.
    int digits_w = 0, row3_w = left, pairs_w = 0, modes_w = left, closing_w = left;
    for (int row = 0; row < 3; ++row) {
        int w = left;
        for (int d = 1; d <= 3; ++d)
            w += panel_width(key_icon(KEY_0 + row * 3 + d), multitap_chars(row * 3 + d, column()));
        if (w > digits_w) digits_w = w;
    }
    for (const panel_item& item : row3)
        row3_w += panel_width(item.icon, item.label);
    for (const pair_row& p : pairs) {
        const int w = panel_width(p.a, nullptr) + panel_width(p.b, p.label);
        if (w > pairs_w) pairs_w = w;
    }
    for (const panel_item& item : modes)
        modes_w += panel_width(item.icon, item.label);
    for (const panel_item& item : closing)
        if (item.icon) closing_w += panel_width(item.icon, item.label);
    const int caption_w = osd_text_width(modes_text);
    const int reset_w = panel_width(reset.icon, reset.label);
    const int clear_w = panel_width(clear.icon, clear.label);
    const int room = win->width - 4;
    int reset_row = 5, clear_row = 5;
    bool caption = true;
    bool found = false;
    for (int c = 1; c >= 0 && !found; --c)
        for (int moves = 0; moves <= 2 && !found; ++moves)
            for (int r = 5; r >= 3 && !found; --r)
                for (int k = 5; k >= 3 && !found; --k) {
                    if ((r != 5) + (k != 5) != moves) continue;
                    auto extra = [&](int row) {
                        return (r == row ? reset_w : 0) + (k == row ? clear_w : 0);
                    };
                    const int left3 = row3_w + extra(3);
                    const int right_end = (left3 > digits_w ? left3 : digits_w) + 12 + pairs_w;
                    if (right_end <= room && modes_w + (c ? caption_w : 0) + extra(4) <= room &&
                        closing_w + extra(5) <= room) {
                        reset_row = r;
                        clear_row = k;
                        caption = c;
                        found = true;
                    }
                }
    if (!found) { // nothing fits: the widest rows lose the least
        reset_row = 4;
        clear_row = 3;
        caption = false;
    }
    auto moved_keys = [&](int row) {
        if (reset_row == row) osd_icon_label(win, reset.icon, reset.label, 0);
        if (clear_row == row) osd_icon_label(win, clear.icon, clear.label, 0);
    };

    int right_x = 0;
    for (int row = 0; row < 3; ++row) {
        osd_goto(win, left, top + row * line);
        for (int d = 1; d <= 3; ++d)
            osd_digit_label(win, row * 3 + d, ed.tap_mode);
        if (win->cursor_x > right_x) right_x = win->cursor_x;
    }
    osd_goto(win, left, top + 3 * line);
    osd_icon_label(win, row3[0].icon, row3[0].label, 0);
    osd_digit_label(win, 0, ed.tap_mode);
    osd_icon_label(win, row3[2].icon, row3[2].label, PAL_YELLOW);
    moved_keys(3);
    if (win->cursor_x > right_x) right_x = win->cursor_x;
    right_x += 12;
    for (int row = 0; row < 4; ++row) {
        osd_goto(win, right_x, top + row * line);
        osd_icon_label(win, pairs[row].a, nullptr, 0);
        osd_icon_label(win, pairs[row].b, pairs[row].label, 0);
    }

    osd_goto(win, left, top + 4 * line);
    if (caption) osd_text(win, modes_text, ST_PANEL_LABEL);
    osd_icon_label(win, modes[0].icon, modes[0].label, PAL_YELLOW);
    osd_icon_label(win, modes[1].icon, modes[1].label, PAL_YELLOW);
    osd_icon_label(win, modes[2].icon, modes[2].label, 0);
    moved_keys(4);

    osd_goto(win, left, top + 5 * line);
    moved_keys(5);
    for (const panel_item& item : closing)
        if (item.icon) osd_icon_label(win, item.icon, item.label, 0);
    osd_finish(win);
}

void open_editor(int kind, const char* title_de, const char* title_en, const char* initial) {
    window_flags |= WS_EDITOR;
    ed.kind = kind;
    copy_text(ed.title_de, sizeof ed.title_de, title_de);
    copy_text(ed.title_en, sizeof ed.title_en, title_en);
    ed.caller = active_window;
    osd_save(ed.caller);
    if (!initial) initial = history_newest(kind);
    if (kind == EDIT_URL && (!initial || !*initial)) initial = url_template;
    copy_text(ed.initial, sizeof ed.initial, initial); // at most 199 bytes
    utf8_to_latin1(ed.initial);
    memcpy(ed.text, ed.initial, sizeof ed.text);
    // A fresh slot of the ring holds the text from now on.
    ring_newest[kind] = (ring_newest[kind] + 1) % EDIT_HISTORY;
    ring_pos[kind] = ring_newest[kind];
    store_newest();
    ed.cursor = 0;
    ed.tap_mode = MODE_LOWER;
    ed.tap_tick = 0;
    ed.replace = false;
    draw();
}

// The reader of "TovakRC.his": lines of up to 199 characters; an empty line ends a group.
struct history_reader {
    int group = 0, count = 0, len = 0;
    bool done = false;
    char line[EDIT_BUFFER];

    void end_group() {
        ring_newest[group] = count - 1;
        count = 0;
        if (++group == EDIT_KINDS) done = true;
    }
    void end_line() {
        if (len > 0 && line[len - 1] == '\r') --len;
        line[len] = 0;
        if (len == 0) {
            end_group();
        } else if (count < EDIT_HISTORY) {
            ring[group][count++] = str_dup(line);
        }
        len = 0;
    }
    void feed(const char* data, size_t size) {
        for (size_t i = 0; i < size && !done; ++i) {
            char c = data[i];
            if (c == '\n')
                end_line();
            else if (c && len < EDIT_MAX_CHARS) // a longer line keeps its first 199 characters
                line[len++] = c;
        }
    }
    void finish() {
        if (done) return;
        if (len > 0) end_line();
        if (!done && count > 0) ring_newest[group] = count - 1;
    }
};

void clear_rings() {
    for (int k = 0; k < EDIT_KINDS; ++k) {
        for (int i = 0; i < EDIT_HISTORY; ++i) {
            mem_free(ring[k][i]);
            ring[k][i] = nullptr;
        }
        ring_newest[k] = -1;
        ring_pos[k] = 0;
    }
}

// ---- Key handlers (rows of editor_keys) ----

int key_digit(dword key) {
    digit_key(static_cast<int>(key - KEY_0));
    return KEY_REDRAW;
}
// < > one character, << >> a word, |< >| the start or the end of the text.
int key_cursor(dword key) {
    switch (key) {
    case KEY_LEFT:
        if (ed.cursor > 0) --ed.cursor;
        break;
    case KEY_RIGHT:
        if (ed.cursor < text_length()) ++ed.cursor;
        break;
    case KEY_REWIND:
        word_left();
        break;
    case KEY_FORWARD:
        word_right();
        break;
    case KEY_JUMP_START:
        ed.cursor = 0;
        break;
    default:
        ed.cursor = text_length();
        break;
    }
    return KEY_REDRAW;
}
int key_delete(dword) {
    delete_key();
    return KEY_REDRAW;
}
int key_history(dword key) {
    if (history_step(ed.kind, ed.text, key == KEY_UP ? -1 : 1) == 0) ed.cursor = 0;
    return KEY_REDRAW;
}
int key_mode(dword) {
    ed.tap_mode = (ed.tap_mode + 1) % MODES;
    return KEY_REDRAW;
}
int key_insert(dword) {
    ed.replace = !ed.replace;
    return KEY_REDRAW;
}
int key_latin1(dword) {
    ed.latin1 = !ed.latin1;
    return KEY_REDRAW;
}
int key_reset(dword) {
    memcpy(ed.text, ed.initial, sizeof ed.text);
    ed.cursor = 0;
    ed.tap_mode = MODE_LOWER;
    store_newest();
    return KEY_REDRAW;
}
int key_clear(dword) {
    ed.text[ed.cursor] = 0;
    store_newest();
    return KEY_REDRAW;
}
int key_accept(dword key) {
    accept(key);
    return KEY_CLOSED;
}
// Guide accepts for the search-engine lookup (the lookup kind only).
int key_lookup(dword key) {
    if (ed.kind != EDIT_LOOKUP) return KEY_REDRAW;
    accept(key);
    return KEY_CLOSED;
}
int key_save_cancel(dword) {
    history_save();
    close_editor();
    return KEY_CLOSED;
}
int key_cancel(dword) {
    close_editor();
    return KEY_CLOSED;
}

// Latin-1 texts: \xDC Ü, \xF6 ö (strings are split behind each escape). Panel lines: 1-3 the
// digits with the cursor keys beside them, 4 Delete, 0 and the input mode with the history
// keys beside them, 5 the active modes, 6 the closing keys; the labels of Info, Play and
// Subtitle name the mode in force and are worked out when drawing.
constexpr key_row editor_rows[] = {
    on(KEY_1, key_digit).in_panel(1, 0),
    on(KEY_2, key_digit).in_panel(1, 1),
    on(KEY_3, key_digit).in_panel(1, 2),
    on(KEY_4, key_digit).in_panel(2, 0),
    on(KEY_5, key_digit).in_panel(2, 1),
    on(KEY_6, key_digit).in_panel(2, 2),
    on(KEY_7, key_digit).in_panel(3, 0),
    on(KEY_8, key_digit).in_panel(3, 1),
    on(KEY_9, key_digit).in_panel(3, 2),
    on(KEY_RECALL, key_delete).in_panel(4, 0, "Delete", "Entf."),
    on(KEY_0, key_digit).in_panel(4, 1),
    on(KEY_INFO, key_mode).in_panel(4, 2),
    on(KEY_LEFT, key_cursor).in_panel(1, 8),
    on(KEY_RIGHT, key_cursor).in_panel(1, 9, "Position"),
    on(KEY_REWIND, key_cursor).in_panel(2, 8),
    on(KEY_FORWARD, key_cursor).in_panel(2, 9, "by word", "wortweise"),
    on(KEY_JUMP_START, key_cursor).in_panel(3, 8),
    on(KEY_JUMP_END, key_cursor).in_panel(3, 9, "Begin/End", "Anfang/Ende"),
    on(KEY_UP, key_history).in_panel(4, 8),
    on(KEY_DOWN, key_history).in_panel(4, 9, "History", "Historie"),
    on(KEY_PLAY, key_insert).in_panel(5, 0),
    on(KEY_SUBTITLE, key_latin1).in_panel(5, 1),
    on(KEY_PAUSE, key_save_cancel).in_panel(5, 2, "Save & Cancel", "Merken & Abbr."),
    on(KEY_RECORD, key_reset).in_panel(6, 0, "Reset"),
    on(KEY_STOP, key_clear).in_panel(6, 1, "Clear", "L\xF6schen"),
    on(KEY_OK, key_accept)
        .in_panel(6, 2, "Accept",
                  "\xDC"
                  "bernehmen"),
    on(KEY_GUIDE, key_lookup).in_panel(6, 3, "Startpage"),
    on(KEY_EXIT, key_cancel).in_panel(6, 4, "Cancel", "Abbrechen"),
};

} // namespace

const key_table editor_keys = key_table_of(editor_rows, &shared_keys, nullptr, true);

const char* multitap_chars(int digit, int col) {
    if (digit < 0 || digit > 9 || col < 0 || col > 2) return "";
    return multitap[digit][col];
}

dword line_edit(dword key, int kind, const char* title_de, const char* title_en,
                const char* initial) {
    if (key == 0) {
        if ((window_flags & WS_EDITOR) || kind < 0 || kind >= EDIT_KINDS) return 0;
        open_editor(kind, title_de, title_en, initial);
        return 0;
    }
    if (!(window_flags & WS_EDITOR) || (key & KEY_RELEASE)) return 0;
    key &= ~(KEY_REPEAT | KEY_TAP_MARK);
    const bool digit = key >= KEY_0 && key <= KEY_9;
    if (ed.tap_tick && !(digit && static_cast<int>(key - KEY_0) == ed.tap_digit)) commit_pending();
    if (key != K_COMMIT && key_dispatch(editor_keys, key) == KEY_CLOSED) return 0;
    draw();
    return 0;
}

int line_edit_idle(void) {
    if (!(window_flags & WS_EDITOR) || !ed.tap_tick) return 0;
    if (TAP_GetTick() - ed.tap_tick < EDIT_COMMIT_TICKS) return 0;
    line_edit(K_COMMIT, 0, nullptr, nullptr, nullptr);
    return 1;
}

bool line_edit_open(void) {
    return window_flags & WS_EDITOR;
}

const char* line_edit_text(void) {
    return ed.text;
}

int line_edit_cursor(void) {
    return ed.cursor;
}

void line_edit_set_return(int kind, edit_return_fn fn) {
    if (kind >= 0 && kind < EDIT_KINDS) returns[kind] = fn;
}

const char* line_edit_result(int kind) {
    return kind >= 0 && kind < EDIT_KINDS ? results[kind] : nullptr;
}

int history_step(int kind, char* buffer, int direction) {
    if (kind < 0 || kind >= EDIT_KINDS || ring_newest[kind] < 0) return -1;
    const int newest = ring_newest[kind];
    int pos = ring_pos[kind], next;
    if (direction < 0) {
        next = (pos + EDIT_HISTORY - 1) % EDIT_HISTORY;
        if (next == newest || slot_empty(ring[kind][next])) return -1;
    } else {
        if (pos == newest) return -1;
        next = (pos + 1) % EDIT_HISTORY;
        if (next != newest && slot_empty(ring[kind][next])) return -1;
    }
    copy_text(buffer, EDIT_BUFFER, ring[kind][next]);
    ring_pos[kind] = next;
    return 0;
}

const char* history_newest(int kind) {
    if (kind < 0 || kind >= EDIT_KINDS || ring_newest[kind] < 0) return nullptr;
    return ring[kind][ring_newest[kind]];
}

void history_parse(const char* data, size_t size) {
    clear_rings();
    history_reader reader;
    reader.feed(data, size);
    reader.finish();
}

int history_load(void) {
    char path[512];
    if (path_libc_into(nullptr, history_name, path, sizeof path) != 0) return -1;
    libc_file f(path, "rb");
    if (!f) return -1;
    clear_rings();
    history_reader reader;
    char chunk[1024];
    size_t n;
    while (!reader.done && (n = fread(chunk, 1, sizeof chunk, f.f)) > 0)
        reader.feed(chunk, n);
    reader.finish();
    return 0;
}

int history_save(void) {
    // Written beside the old file and put in its place when complete: a failed write leaves
    // the old history as it was.
    char path[512], temp[520];
    if (path_libc_into(nullptr, history_name, path, sizeof path) != 0) return -1;
    snprintf(temp, sizeof temp, "%s.new", path);
    libc_file f(temp, "w");
    if (!f) return -1;
    bool ok = true;
    for (int k = 0; k < EDIT_KINDS; ++k) {
        const int newest = ring_newest[k];
        if (newest >= 0) {
            for (int i = 1; i <= EDIT_HISTORY; ++i) {
                const char* entry = ring[k][(newest + i) % EDIT_HISTORY];
                if (slot_empty(entry)) continue;
                // A line break inside an entry would split it into two.
                for (const char* p = entry; *p; ++p)
                    ok = ok && fputc(*p == '\n' || *p == '\r' ? ' ' : *p, f.f) != EOF;
                ok = ok && fputc('\n', f.f) != EOF;
            }
        }
        ok = ok && fputc('\n', f.f) != EOF;
    }
    ok = f.close() == 0 && ok;
    if (!ok || rename(temp, path) != 0) {
        remove(temp);
        return -1;
    }
    file_touch(path);
    return 0;
}

void history_clear(void) {
    clear_rings();
    for (char*& r : results) {
        mem_free(r);
        r = nullptr;
    }
}
