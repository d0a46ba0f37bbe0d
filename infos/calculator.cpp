#include "calculator.h"

#include <string.h>

#include "common/key_codes.h"
#include "common/settings.h"
#include "osd/key_help.h"

calc_state calculator_state;

namespace {

enum { LAST_ROW = 7 }; // expressions go on rows 1, 3, 5, 7, results below them

osd_window* calc_win;

char typed_char(dword key) {
    switch (key & ~KEY_TAP_MARK) {
    case KEY_INFO:
        return '.';
    case KEY_RIGHT:
        return '+';
    case KEY_LEFT:
        return '-';
    case KEY_UP:
        return '*';
    case KEY_DOWN:
        return '/';
    case KEY_OK:
        return '=';
    case KEY_RECALL:
        return '\b';
    default:
        return static_cast<char>('0' + ((key & ~KEY_TAP_MARK) - KEY_0));
    }
}

void print_row(const char* text, int row) {
    osd_goto(calc_win, 0, row * osd_line_height());
    osd_text(calc_win, text, 0);
}

int type_key(dword key) {
    calc_state& s = calculator_state;
    const calc_typed typed = calc_type(&s, typed_char(key));
    if (typed == CALC_IGNORED) return KEY_DONE;
    osd_window* win = calc_win;
    if (s.row == 0) {
        // The help gives way to the calculations below the title line.
        const int top = osd_line_height() + 1;
        TAP_Osd_FillBox(win->region, win->margin_x, win->margin_y + top, win->width,
                        win->height - top, COLOR_DEFAULT_BG);
        s.row = 1;
    }
    print_row(s.line, s.row);
    if (typed == CALC_RESULT) {
        print_row(s.result, s.row + 1);
        calc_next(&s, LAST_ROW);
    }
    osd_finish(win);
    return KEY_DONE;
}

// The help lines as the window shows them; the last row ends the text with a line break.
constexpr key_row calculator_rows[] = {
    on(KEY_0, type_key).help("0 .. 9: Digits", "0 .. 9: Ziffern"),
    on(KEY_1, type_key),
    on(KEY_2, type_key),
    on(KEY_3, type_key),
    on(KEY_4, type_key),
    on(KEY_5, type_key),
    on(KEY_6, type_key),
    on(KEY_7, type_key),
    on(KEY_8, type_key),
    on(KEY_9, type_key),
    on(KEY_INFO, type_key).help("Info: Dec.pt./Exponent", "Info: Komma/Exponent"),
    on(KEY_RECALL, type_key).help("Recall: Backspace", "Recall: Backspace"),
    on(KEY_RIGHT, type_key).help("Cursor: + - * /", "Cursor: + - * /"),
    on(KEY_LEFT, type_key),
    on(KEY_UP, type_key),
    on(KEY_DOWN, type_key),
    on(KEY_OK, type_key).help("Ok: Result", "Ok: Ergebnis"),
    named(KEY_EXIT, "Exit: Finished", "Exit: Beenden"),
    heading("", ""),
};

} // namespace

const key_table calculator_keys = key_table_of(calculator_rows, nullptr, nullptr, false);

void calculator(osd_window* win, dword key) {
    calc_win = win;
    if (key != 0) {
        key_dispatch(calculator_keys, key);
        return;
    }
    osd_frame(win, 253, 9, ui_text("Calculator", "Rechner"), nullptr, 0);
    osd_text(win, " ", 0);
    win->cursor_x = 9;
    char help[256];
    key_help_text(calculator_keys, 1, ui_english(), help, sizeof help);
    osd_key_text(win, help, 0);
    calc_open(&calculator_state);
    osd_finish(win);
}
