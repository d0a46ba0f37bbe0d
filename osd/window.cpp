#include "window.h"

#include <stdio.h>
#include <string.h>

#include "common/memory.h"
#include "common/settings.h"
#include "icons.h"
#include "line_edit.h"
#include "window_state.h"

char line_buffer[LINE_BUFFER_SIZE] = " ";
osd_window* active_window;
dword title_tick;
dword step_ticks;
dword max_ticks;
int osd_preset_width;
dword window_flags;
dword key_press_interval;

namespace {

struct palette_entry {
    dword fg, bg; // bg 0: the default background
};

// Codes 0..19 and 33..39; every other code is white on the default background.
constexpr palette_entry palette_low[20] = {
    {0xFFFFFFFF, 0},          {0xFF808080, 0},          {0xFFFF0000, 0},
    {0xFF00FF00, 0},          {0xFF0000FF, 0},          {0xFFFFFF00, 0},
    {0xFF00FFFF, 0},          {0xFFFF00FF, 0},          {0xFFFFFFFF, 0xFF000080},
    {0xFFFFFFFF, 0xFF3C0050}, {0xFFFFFFFF, 0xFF004600}, {0xFFFFFFFF, 0xFF800000},
    {0xFFFFFFFF, 0xFF003C50}, {0xFFFFFF00, 0xFF800000}, {0xFFFFFFFF, 0xFF0000FF},
    {0xFFFFFFFF, 0xFF800080}, {0xFFFFFFFF, 0xFF008000}, {0xFF800000, 0xFF808000},
    {0xFFFFFFFF, 0xFF800000}, {0xFF101010, 0xFFFFFFFF},
};
constexpr dword palette_dark[7] = {0xFF404040, 0xFF800000, 0xFF008000, 0xFF000080,
                                   0xFF808000, 0xFF008080, 0xFF800080};

dword tick_start;
bool screen_is_taken;

int region_w(const osd_window* win) {
    return win->width + 2 * win->margin_x;
}
int region_h(const osd_window* win) {
    return win->height + 2 * win->margin_y;
}

} // namespace

int osd_line_height(void) {
    return ui_large_font() ? LINE_LARGE : LINE_SMALL;
}

byte osd_font_size(void) {
    return ui_large_font() ? 2 : 1;
}

int osd_text_width(const char* text, uint32_t style) {
    if (!text) return 0;
    byte size = (style & ST_SMALL) ? 1 : osd_font_size();
    return static_cast<int>(TAP_Osd_GetW(text, 0, size));
}

void osd_colors(uint32_t style, dword* fg_out, dword* bg_out) {
    const dword default_bg = (style & ST_LIGHT) ? COLOR_WHITE : COLOR_DEFAULT_BG;
    dword fg = COLOR_WHITE, bg = default_bg;
    if (style & ST_DIRECT) {
        dword level = (style & 0x0F) * 16;
        fg = 0xFF000000;
        if (style & 0x10) fg |= level << 16;
        if (style & 0x20) fg |= level << 8;
        if (style & 0x40) fg |= level;
        bg = 0; // transparent
    } else {
        unsigned code = style & ST_COLOR_MASK;
        if (style & ST_LIGHT) code |= 0x20;
        if (code < 20) {
            fg = palette_low[code].fg;
            if (palette_low[code].bg) bg = palette_low[code].bg;
        } else if (code >= 33 && code <= 39) {
            fg = palette_dark[code - 33];
        }
    }
    if (fg == bg) {
        fg = COLOR_WHITE;
        bg = COLOR_DEFAULT_BG;
    }
    if (style & ST_LIGHTEN) fg |= 0x1F1F1F;
    if (style & ST_DARKEN) {
        dword r = ((bg >> 16) & 0xFF) * 2 / 3, g = ((bg >> 8) & 0xFF) * 2 / 3,
              b = (bg & 0xFF) * 2 / 3;
        bg = 0xFF000000 | r << 16 | g << 8 | b;
    }
    if (style & ST_SWAP) {
        dword t = fg;
        fg = bg;
        bg = t;
    }
    *fg_out = fg;
    *bg_out = bg;
}

void osd_open(osd_window* win, int width, int height) {
    if (width > FULL_W) width = FULL_W;
    if (height > FULL_H) height = FULL_H;
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    if (width != win->width || height != win->height) osd_close(win);
    win->width = width;
    win->height = height;
    if (width == FULL_W) {
        win->screen_x = 0;
        win->margin_x = FULL_MARGIN_X;
    } else {
        win->screen_x = (SCREEN_W - width) / 2;
        win->margin_x = 0;
    }
    if (height == FULL_H) {
        win->screen_y = 0;
        win->margin_y = FULL_MARGIN_Y;
    } else {
        win->screen_y = (SCREEN_H - height) / 2;
        win->margin_y = 0;
    }
    win->cursor_x = 0;
    win->cursor_y = 0;
    if (!(win->flags & WIN_HAS_REGION)) {
        // A refused region (-1) leaves a number no region has; drawing into it does nothing.
        const int region =
            TAP_Osd_Create(win->screen_x, win->screen_y, region_w(win), region_h(win), 0, 0);
        win->region = static_cast<word>(region < 0 ? 0xFFFF : region);
        win->flags |= WIN_HAS_REGION;
    }
    TAP_Osd_FillBox(win->region, 0, 0, region_w(win), region_h(win), COLOR_DEFAULT_BG);
}

void osd_close(osd_window* win) {
    if (!(win->flags & WIN_HAS_REGION)) return;
    TAP_Osd_Delete(win->region);
    TAP_Osd_Sync();
    win->flags &= ~WIN_HAS_REGION;
    active_window = nullptr;
}

void osd_save(osd_window* win) {
    if (!win) return;
    if (win->saved) {
        mem_raw_free(win->saved);
        win->saved = nullptr;
    }
    if (!(win->flags & WIN_HAS_REGION)) return;
    win->saved = TAP_Osd_SaveBox(win->region, 0, 0, region_w(win), region_h(win));
    if (win->saved) mem_raw_alloc(0); // the platform's block, counted as ours
}

void osd_restore(osd_window* win) {
    if (!win || !win->saved || !(win->flags & WIN_HAS_REGION)) return;
    TAP_Osd_RestoreBox(win->region, 0, 0, region_w(win), region_h(win), win->saved);
    TAP_Osd_Sync();
    active_window = win;
}

void osd_release(osd_window* win) {
    if (!win) return;
    osd_restore(win);
    if (win->saved) {
        mem_raw_free(win->saved);
        win->saved = nullptr;
    }
}

void osd_goto(osd_window* win, int x, int y) {
    win->cursor_x = x;
    win->cursor_y = y;
}

void osd_hline(osd_window* win, int x, int y, int length, dword color) {
    for (int i = 0; i < length; ++i)
        TAP_Osd_PutPixel(win->region, win->margin_x + x + i, win->margin_y + y, color);
}

void osd_vline(osd_window* win, int x, int y, int length, dword color) {
    for (int i = 0; i < length; ++i)
        TAP_Osd_PutPixel(win->region, win->margin_x + x, win->margin_y + y + i, color);
}

void osd_text(osd_window* win, const char* text, uint32_t style) {
    if (!text) text = "";
    dword fg, bg;
    osd_colors(style, &fg, &bg);
    if ((style & ST_SKIP_FIRST) && *text) ++text;
    byte size = (ui_large_font() && !(style & ST_SMALL)) ? 2 : 1;
    int w = 0, right = win->width;
    if (style & ST_WIDTH_ANY) {
        w = (style & ST_PRESET) ? osd_preset_width : static_cast<int>(TAP_Osd_GetW(text, 0, size));
        if (win->cursor_x + w < right) right = win->cursor_x + w;
    }
    int x = (style & ST_RIGHT) ? win->cursor_x - w : win->cursor_x;
    if (x < 0) x = 0; // a text wider than the room left of the cursor starts at the edge
    if (right > x)
        TAP_Osd_PutS(win->region, win->margin_x + x, win->margin_y + win->cursor_y,
                     win->margin_x + right, text, fg, bg, 0, size, 0, 0);
    if (style & ST_ADVANCE) win->cursor_x += w;
    if (!(style & ST_SAME_LINE)) win->cursor_y += size == 2 ? LINE_LARGE : LINE_SMALL;
}

void osd_icon(osd_window* win, const TYPE_GrData* icon, int x, int y) {
    if (!icon) return;
    // The firmware only reads the descriptor.
    TAP_Osd_PutGd(win->region, win->margin_x + x, win->margin_y + y, const_cast<TYPE_GrData*>(icon),
                  1);
}

dword osd_frame(osd_window* win, int width, int rows, const char* title, const char* right_text,
                uint32_t style) {
    const bool large = ui_large_font();
    const int line = large ? LINE_LARGE : LINE_SMALL;
    int height;
    if (width == FULL_W) {
        height = FULL_H;
    } else if (large) {
        height = rows * LINE_LARGE;
    } else {
        width = width * 16 / 19;
        height = rows * LINE_SMALL;
    }
    osd_open(win, width, height);
    if (title && title[0] == '/') style |= ST_NO_LOGO;
    int start = 0;
    if (!(style & ST_NO_LOGO)) {
        osd_icon(win, &_tovakGd, 1, large ? 2 : 0);
        start = _tovakGd.width + 1;
    }
    const int top = win->width == FULL_W ? 0 : 1;
    osd_goto(win, start, top);
    if (!(style & ST_COLOR_MASK)) style |= 8;
    snprintf(line_buffer + 1, sizeof line_buffer - 1, (style & ST_NO_LOGO) ? "%s" : "TovakRC %s",
             title ? title : "");
    osd_text(win, line_buffer, style);
    if (right_text) {
        osd_goto(win, win->width - osd_text_width(right_text) - 5, top);
        osd_text(win, right_text, style);
    }
    osd_goto(win, 0, line);
    if (title_tick == 0) title_tick = TAP_GetTick();
    return title_tick;
}

void osd_finish(osd_window* win) {
    const int line = osd_line_height();
    if (settings.flags & SET_DIAGNOSTIC) {
        if (title_tick != 0) title_tick = TAP_GetTick() - title_tick;
        if (title_tick >= 2 || step_ticks >= 2) {
            osd_goto(win, win->width - 3, win->height - line);
            snprintf(line_buffer + 1, sizeof line_buffer - 1, "%.2f%c%.2f", title_tick / 100.0,
                     step_ticks ? ' ' : 0, step_ticks / 100.0);
            osd_text(win, line_buffer, ST_RIGHT);
        }
    }
    // The timing of the next frame starts afresh whether it was shown or not.
    title_tick = 0;
    step_ticks = 0;
    if (win->width == FULL_W) {
        TAP_Osd_DrawRectangle(win->region, win->margin_x, win->margin_y, win->width, line, 1,
                              COLOR_YELLOW);
    } else {
        TAP_Osd_DrawRectangle(win->region, win->margin_x, win->margin_y, win->width, win->height, 2,
                              COLOR_YELLOW);
        osd_hline(win, 0, line, win->width, COLOR_YELLOW);
    }
    TAP_Osd_Sync();
    active_window = win;
}

void osd_icon_label(osd_window* win, const TYPE_GrData* icon, const char* label, uint32_t style) {
    if (win->cursor_x != 0) win->cursor_x += 8;
    int icon_w = icon ? icon->width : 0;
    osd_icon(win, icon, win->cursor_x, win->cursor_y + (ui_large_font() ? 3 : 2));
    win->cursor_x += icon_w;
    if (!label || !*label) {
        win->cursor_x -= 6;
        return;
    }
    win->cursor_x += 2;
    const uint32_t label_style = style ? style | ST_SAME_LINE | ST_ADVANCE : ST_PANEL_LABEL;
    size_t n = strlen(label);
    if (static_cast<unsigned char>(label[n - 1]) >= 0x80) {
        // The width of a trailing character above 0x7F is measured short; a blank behind it
        // keeps the next icon clear.
        char copy[64];
        snprintf(copy, sizeof copy, "%s ", label);
        osd_text(win, copy, label_style);
    } else {
        osd_text(win, label, label_style);
    }
}

void osd_digit_label(osd_window* win, int digit, int mode) {
    if (digit < 0 || digit > 9) return;
    int column = mode == 0 ? 0 : mode == 2 ? 2 : 1;
    osd_icon_label(win, key_icon(KEY_BASE + digit), multitap_chars(digit, column), 0);
}

dword tick_measure(int stop) {
    if (!stop) {
        tick_start = TAP_GetTick();
        return 0;
    }
    step_ticks = TAP_GetTick() - tick_start;
    if (step_ticks > max_ticks) max_ticks = step_ticks;
    return step_ticks;
}

void screen_take(void) {
    if (screen_is_taken) return;
    TAP_ExitNormal();
    screen_is_taken = true;
}

void screen_give_back(void) {
    if (!screen_is_taken) return;
    TAP_EnterNormal();
    screen_is_taken = false;
}

bool screen_taken(void) {
    return screen_is_taken;
}
