#include "calendar.h"

#include <stdio.h>

#include "common/format.h"
#include "common/key_codes.h"
#include "common/settings.h"
#include "common/version.h"
#include "dates.h"

calendar_view calendar_state;

namespace {

osd_window* calendar_win;

void take_today() {
    word mjd = 0;
    byte hour, minute, second;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    word year = 0;
    byte month = 0, day = 0, weekday = 0;
    TAP_ExtractMjd(mjd, &year, &month, &day, &weekday);
    calendar_view& c = calendar_state;
    c.today_year = year;
    c.today_month = month;
    c.today_day = day;
    c.today_weekday = weekday;
    c.today_taken = true;
    c.year = year;
    c.month = month;
}

int step_months(dword key) {
    switch (key & ~KEY_TAP_MARK) {
    case KEY_RIGHT:
        calendar_state.month += 1;
        break;
    case KEY_LEFT:
        calendar_state.month -= 1;
        break;
    case KEY_DOWN:
        calendar_state.month += 4;
        break;
    case KEY_UP:
        calendar_state.month -= 4;
        break;
    }
    return KEY_REDRAW;
}

int step_years(dword key) {
    switch (key & ~KEY_TAP_MARK) {
    case KEY_FORWARD:
        calendar_state.year += 1;
        break;
    case KEY_REWIND:
        calendar_state.year -= 1;
        break;
    case KEY_JUMP_END:
        calendar_state.year += 10;
        break;
    case KEY_JUMP_START:
        calendar_state.year -= 10;
        break;
    }
    return KEY_REDRAW;
}

int reset(dword) {
    take_today();
    return KEY_REDRAW;
}

// The legend below the months: an icon pair shares the label behind it.
constexpr key_row calendar_rows[] = {
    on(KEY_RIGHT, step_months).in_panel(1, 0),
    on(KEY_LEFT, step_months).in_panel(1, 1, "+/- 1 Month", "+/- 1 Monat"),
    on(KEY_DOWN, step_months).in_panel(1, 2),
    on(KEY_UP, step_months).in_panel(1, 3, "+/- 4 Months", "+/- 4 Monate"),
    on(KEY_FORWARD, step_years).in_panel(2, 0),
    on(KEY_REWIND, step_years).in_panel(2, 1, "+/- 1 Year", "+/- 1 Jahr"),
    on(KEY_JUMP_END, step_years).in_panel(2, 2),
    on(KEY_JUMP_START, step_years).in_panel(2, 3, "+/- 10 Years", "+/- 10 Jahre"),
    on(KEY_OK, reset).in_panel(2, 4, "Reset"),
    named(KEY_EXIT, nullptr, nullptr).in_panel(2, 5, "Exit"),
};

struct layout {
    bool large;
    int line;
};

// Right edge of weekday column c (0 = Monday) of a month drawn from x.
int column_right(const layout& l, int x, int c) {
    const int edge = 30 * (c + 1);
    return x + (l.large ? edge : edge * 16 / 19);
}

bool is_today(int year, int month) {
    return year == calendar_state.today_year && month == calendar_state.today_month;
}

void draw_month(osd_window* win, const layout& l, int x, int y, int year, int month) {
    const int width = l.large ? 210 : 176;
    const bool this_month = is_today(year, month);
    osd_goto(win, x, y);
    osd_text(win, month_name(month),
             ST_MEASURE | ST_SAME_LINE | (this_month ? PAL_YELLOW_ON_RED : 0));
    osd_goto(win, x + width + (l.large ? 0 : 1), y);
    snprintf(line_buffer + 1, sizeof line_buffer - 1, "%d", year);
    osd_text(win, line_buffer + 1, ST_RIGHT | ST_SAME_LINE);
    osd_hline(win, x, y + l.line - 1, width, COLOR_WHITE);
    const int header = y + l.line;
    for (int c = 0; c < 7; ++c) {
        osd_goto(win, column_right(l, x, c), header);
        osd_text(win, weekday_name(c), ST_RIGHT | ST_SAME_LINE | (c < 5 ? PAL_CYAN : PAL_GREEN));
    }
    osd_hline(win, x, header + l.line - 1, width, COLOR_WHITE);
    const int first = month_first_weekday(year, month);
    const int days = month_days(year, month);
    for (int day = 1; day <= days; ++day) {
        const int cell = day + first + 6;
        osd_goto(win, column_right(l, x, cell % 7), header + (cell / 7) * l.line);
        snprintf(line_buffer + 1, sizeof line_buffer - 1, "%d", day);
        const bool today = this_month && day == calendar_state.today_day;
        osd_text(win, line_buffer + 1, ST_RIGHT | ST_SAME_LINE | (today ? PAL_YELLOW_ON_RED : 0));
    }
}

void draw_feasts(osd_window* win, const layout& l, int year, int month) {
    if (month < 3 || month > 9) return;
    int easter_m, easter_d, pentecost_m, pentecost_d;
    easter_date(year, &easter_m, &easter_d);
    pentecost_date(year, &pentecost_m, &pentecost_d);
    if ((month == 3 && easter_m == 4) || (month == 9 && pentecost_m == 5)) return;
    osd_goto(win, l.large ? 105 : 88, l.large ? 494 : 418);
    // month_name shares one table; each name goes into the line before the next is asked for.
    char easter_month[24];
    snprintf(easter_month, sizeof easter_month, "%s", month_name(easter_m));
    snprintf(line_buffer + 1, sizeof line_buffer - 1, "%s: %d. %s, %s: %d. %s %d",
             ui_text("Easter", "Ostern"), easter_d, easter_month, ui_text("Pentecost", "Pfingsten"),
             pentecost_d, month_name(pentecost_m), year);
    osd_text(win, line_buffer + 1, ST_SAME_LINE);
}

void draw() {
    osd_window* win = calendar_win;
    const layout l{ui_large_font(), osd_line_height()};
    calendar_normalise(&calendar_state.year, &calendar_state.month);
    osd_frame(win, 600, 23, ui_text("Calendar", "Kalender"), TOVAK_VERSION, 0);
    int year = calendar_state.year, month = calendar_state.month;
    for (int i = 0; i < 4; ++i) {
        const int x = i % 2 ? (l.large ? 330 : 277) : (l.large ? 60 : 50);
        draw_month(win, l, x, (i / 2 ? 11 : 2) * l.line, year, month);
        if (i == 3) break;
        ++month;
        calendar_normalise(&year, &month);
    }
    draw_feasts(win, l, year, month);
    const int text_bottom = (l.large ? 494 : 418) + l.line;
    if (win->height - text_bottom > (l.large ? 51 : 43)) {
        const int top = win->height - 2 * l.line;
        osd_hline(win, 0, top - 2, win->width, COLOR_YELLOW);
        osd_goto(win, 20, top);
        key_panel_line(win, calendar_keys, 1);
        osd_goto(win, 20, top + l.line);
        key_panel_line(win, calendar_keys, 2);
    }
    osd_finish(win);
}

} // namespace

const key_table calendar_keys = key_table_of(calendar_rows, &shared_keys, nullptr, true);

void calendar_page(osd_window* win, dword key) {
    calendar_win = win;
    if (key == 0) {
        if (!calendar_state.today_taken) take_today();
        draw();
        return;
    }
    if (key_dispatch(calendar_keys, key) == KEY_REDRAW) draw();
}
