#include "key_infos.h"

#include <stdio.h>
#include <stdlib.h>

#include "common/format.h"
#include "common/key_names.h"
#include "common/key_translation.h"
#include "common/records.h"
#include "common/settings.h"
#include "common/version.h"

int key_infos_mode = KEYS_AS_REMOTE;
test_grid_colours test_grid = {8, 7};

namespace {

enum : uint32_t { COUNT_MASK = 0xFFFFFF, INDEX_SHIFT = 24, INDEX_MASK = 0x7F };

uint32_t count_of(uint32_t copy) {
    return copy & COUNT_MASK;
}

int by_count(const void* a, const void* b) {
    const uint32_t x = *static_cast<const uint32_t*>(a), y = *static_cast<const uint32_t*>(b);
    if (count_of(x) != count_of(y)) return count_of(x) > count_of(y) ? -1 : 1;
    const uint32_t ix = x >> INDEX_SHIFT & INDEX_MASK, iy = y >> INDEX_SHIFT & INDEX_MASK;
    return ix < iy ? -1 : ix > iy;
}

int cycle_mode(dword) {
    key_infos_mode = (key_infos_mode + 1) % 3;
    return KEY_REDRAW;
}

int any_key(dword) {
    return KEY_REDRAW;
}

constexpr key_row key_infos_rows[] = {
    on(KEY_FAV, cycle_mode),
};

// Position of the n-th key of the list modes.
void list_place(int n, bool large, int* x, int* y) {
    const int column = n / 15, row = n % 15;
    *x = large ? column * 150 + 70 : (column * 2400 + 1120) / 19;
    *y = large ? 2 * (row * 13 + 39) : 2 * (row * 11 + 33);
}

// Position of a key on the drawn remote control; false when it has none.
bool remote_place(uint32_t code, bool large, int* x, int* y) {
    const key_name_row* row = key_name_find(code);
    if (!row || row->row == 0) return false;
    const int step = large ? 13 : 11;
    *x = large ? row->column * 150 - 80 : (row->column * 2400 - 1280) / 19;
    *y = large ? 2 * (row->row * 13 + 26) : 2 * (row->row * 11 + 22);
    if (row->row < 6) *y -= step;
    if (row->row > 10) *y += step;
    return true;
}

int grid_reset(dword) {
    test_grid = {8, 7};
    return KEY_REDRAW;
}

int grid_background(dword key) {
    int& b = test_grid.background;
    b = (key & ~KEY_TAP_MARK) == KEY_UP ? (b >= 7 ? 1 : b + 1) : (b <= 1 ? 7 : b - 1);
    return KEY_REDRAW;
}

int grid_foreground(dword key) {
    int& f = test_grid.foreground;
    if ((key & ~KEY_TAP_MARK) == KEY_RIGHT) {
        if (f < 12) ++f;
    } else if (f > 2) {
        --f;
    }
    return KEY_REDRAW;
}

int grid_font(dword) {
    settings.flags ^= SET_LARGE_FONT;
    return KEY_REDRAW;
}

constexpr key_row test_grid_rows[] = {
    on(KEY_0, grid_reset),         on(KEY_UP, grid_background),    on(KEY_DOWN, grid_background),
    on(KEY_LEFT, grid_foreground), on(KEY_RIGHT, grid_foreground), on(KEY_TVRADIO, grid_font),
};

void grid_draw(osd_window* win) {
    osd_open(win, FULL_W, FULL_H);
    TAP_Srand(TAP_GetTick());
    const bool large = ui_large_font();
    const int cell = osd_line_height(), into = large ? 22 : 18;
    const uint32_t custom = ST_DIRECT | static_cast<uint32_t>(test_grid.background) << 4 |
                            static_cast<uint32_t>(test_grid.foreground);
    const int columns = win->width / cell, rows = win->height / cell;
    const int mark_x = large ? 338 : 330, mark_y = large ? 260 : 264;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const int x = c * cell, y = r * cell;
            osd_goto(win, x + into, y);
            if (r == 0 && c == 0)
                snprintf(line_buffer + 1, sizeof line_buffer - 1, "%d", test_grid.foreground);
            else if (c == 0)
                snprintf(line_buffer + 1, sizeof line_buffer - 1, "%d", r);
            else if (r == 0)
                snprintf(line_buffer + 1, sizeof line_buffer - 1, "%d", c);
            else
                snprintf(line_buffer + 1, sizeof line_buffer - 1, "%c",
                         'A' + static_cast<int>(TAP_Rand(26) % 26));
            const bool marked =
                x <= mark_x && mark_x < x + cell && y <= mark_y && mark_y < y + cell;
            osd_text(win, line_buffer + 1,
                     ST_RIGHT | ST_SAME_LINE | (marked && r && c ? PAL_YELLOW_ON_RED : custom));
            if (marked && r && c) osd_text(win, "   ", ST_SAME_LINE | ST_MEASURE);
        }
    const int region_w = win->width + 2 * win->margin_x;
    const int region_h = win->height + 2 * win->margin_y;
    for (int y = cell; y < win->height; y += cell)
        TAP_Osd_FillBox(win->region, 0, win->margin_y + y, region_w, 1, COLOR_WHITE);
    for (int x = cell; x < win->width; x += cell)
        TAP_Osd_FillBox(win->region, win->margin_x + x, 0, 1, region_h, COLOR_WHITE);
    TAP_Osd_Sync();
}

} // namespace

const key_table key_infos_keys = key_table_of(key_infos_rows, nullptr, any_key, false);
const key_table test_grid_keys = key_table_of(test_grid_rows, nullptr, nullptr, false);

void key_infos_prepare(text_page* page) {
    uint32_t copies[KEY_STAT_KEYS];
    uint32_t sum = 0, max = 0;
    for (int i = 0; i < KEY_STAT_KEYS; ++i) {
        const uint32_t count = count_of(key_stats.counters[i]);
        copies[i] = count | static_cast<uint32_t>(i) << INDEX_SHIFT;
        sum += count;
        if (count > max) max = count;
    }
    const uint32_t threshold = max / 4;
    uint32_t above = 0, above_sum = 0;
    for (uint32_t copy : copies)
        if (count_of(copy) > threshold) {
            ++above;
            above_sum += count_of(copy);
        }
    if (key_infos_mode == KEYS_BY_COUNT) qsort(copies, KEY_STAT_KEYS, sizeof copies[0], by_count);

    const bool large = ui_large_font();
    const int top = osd_line_height();
    page_clear(page, top);
    page_at(page, 0, top, ST_ADVANCE, " %s s. %s: %u, max. %u / %d >", ui_text("Keys", "Tasten"),
            date_time_text(key_stats.start_day, -1) + 3, sum, max, 4);
    page_at(page, PAGE_ON, top, ST_ADVANCE | PAL_YELLOW_ON_RED, "%u", threshold);
    page_at(page, PAGE_ON, top, ST_ADVANCE, ": %u %u", above, above_sum);
    int shown = 0;
    for (uint32_t copy : copies) {
        const uint32_t count = count_of(copy);
        const uint32_t plain = KEY_STAT_FIRST + (copy >> INDEX_SHIFT & INDEX_MASK);
        const uint32_t translated = window_key_translation(plain);
        const uint32_t code = translated ? translated : plain;
        int x, y;
        if (key_infos_mode == KEYS_AS_REMOTE) {
            if (!remote_place(code, large, &x, &y)) continue;
        } else {
            if (count == 0) continue;
            list_place(shown++, large, &x, &y);
        }
        page_at(page, x, y, ST_RIGHT | (count > threshold ? PAL_YELLOW_ON_RED : 0), "%u", count);
        const key_name_row* row = key_name_find(code);
        if (row)
            page_at(page, x, y, ST_MEASURE, "%-6s", row->name);
        else
            page_at(page, x, y, ST_MEASURE, "0x%x", static_cast<unsigned>(code));
    }
}

void key_infos(osd_window* win, text_page* page, dword key) {
    if (key == 0)
        key_infos_mode = KEYS_AS_REMOTE;
    else if (key_dispatch(key_infos_keys, key) != KEY_REDRAW)
        return;
    key_infos_prepare(page);
    osd_frame(win, 620, 19, "Key Infos", TOVAK_VERSION, 0);
    page_draw(win, page);
    osd_finish(win);
}

void key_code_print(osd_window* win, dword key) {
    const int line = osd_line_height();
    snprintf(line_buffer + 1, sizeof line_buffer - 1, "0x%x", static_cast<unsigned>(key));
    osd_text(win, line_buffer + 1, ST_MEASURE);
    TAP_Osd_Sync();
    if (win->cursor_y + line > win->height - line) {
        win->cursor_y = line;
        win->cursor_x += 100;
    }
}

void test_grid_page(osd_window* win, dword key) {
    if (key != 0 && key_dispatch(test_grid_keys, key) != KEY_REDRAW) return;
    if (key == 0) test_grid = {8, 7};
    grid_draw(win);
}
