// The window toolkit every window draws through: the window record (one OSD region and a text
// cursor), the two geometries (full screen or a centred box), text in the fixed palette with the
// style word, the title bar with the logo, the frame, saving and restoring what lies under a
// window, and the tick helpers.
#pragma once

#include <stdint.h>

#include "platform/tap_api.h"

// Geometry of the OSD plane and of the full-screen window.
enum {
    SCREEN_W = 720,
    SCREEN_H = 576,
    FULL_W = 690, // a content width of exactly 690 means full screen
    FULL_H = 552,
    FULL_MARGIN_X = 15,
    FULL_MARGIN_Y = 12,
    LINE_SMALL = 22, // text line heights
    LINE_LARGE = 26,
};

constexpr dword COLOR_DEFAULT_BG = 0xFF101010; // near-black window background
constexpr dword COLOR_WHITE = 0xFFFFFFFF;
constexpr dword COLOR_YELLOW = 0xFFFFFF00;

// Bits of the text style word taken by osd_text.
enum : uint32_t {
    ST_COLOR_MASK = 0xFF,
    ST_DIRECT = 0x80,      // low 4 bits a level, 0x10/0x20/0x40 select red/green/blue
    ST_LIGHT = 0x100,      // white default background, dark colour variants
    ST_SWAP = 0x200,       // foreground and background swapped (selection bar)
    ST_LIGHTEN = 0x400,    // foreground channels ORed with 0x1F
    ST_DARKEN = 0x800,     // background channels to two thirds
    ST_MEASURE = 0x1000,   // the drawn area ends behind the text
    ST_PRESET = 0x2000,    // width from osd_preset_width instead of measuring
    ST_RIGHT = 0x4000,     // the text ends at cursor_x
    ST_ADVANCE = 0x8000,   // cursor_x moves behind the text
    ST_WIDTH_ANY = 0xF000, // any of these: the text is measured
    ST_SKIP_FIRST = 0x10000,
    ST_SMALL = 0x20000,     // always the small font
    ST_SAME_LINE = 0x40000, // the cursor stays on the line
    ST_NO_LOGO = 0x100000,  // osd_frame: no logo, no program name
};

// Colour codes of the palette (the low byte of a style word).
constexpr uint32_t PAL_WHITE = 0;
constexpr uint32_t PAL_GREY = 1;
constexpr uint32_t PAL_RED = 2;
constexpr uint32_t PAL_GREEN = 3;
constexpr uint32_t PAL_BLUE = 4;
constexpr uint32_t PAL_YELLOW = 5;
constexpr uint32_t PAL_CYAN = 6;
constexpr uint32_t PAL_MAGENTA = 7;
constexpr uint32_t PAL_TITLE = 8;          // white on navy: the title bar
constexpr uint32_t PAL_ON_PURPLE = 9;      // white on dark purple
constexpr uint32_t PAL_ON_GREEN = 10;      // white on dark green
constexpr uint32_t PAL_ON_RED = 11;        // white on dark red
constexpr uint32_t PAL_ON_PETROL = 12;     // white on dark petrol: the image viewer's title bar
constexpr uint32_t PAL_YELLOW_ON_RED = 13; // the selection and the cursor
constexpr uint32_t PAL_TEAL = 38;          // dark cyan: directories in the file browser

// Key panel labels: grey lightened, on the icon's line, the cursor moving on.
constexpr uint32_t ST_PANEL_LABEL = ST_SAME_LINE | ST_ADVANCE | ST_LIGHTEN | PAL_GREY;

struct osd_window {
    uint32_t flags; // bit 0: an OSD region exists
    word region;
    int32_t width, height;      // content area
    int32_t screen_x, screen_y; // region on the screen
    int32_t margin_x, margin_y; // content area inside the region
    int32_t cursor_x, cursor_y; // text cursor, relative to the content area
    byte* saved;                // pixels saved by osd_save, or null
};
enum : uint32_t { WIN_HAS_REGION = 1 };

inline bool osd_is_open(const osd_window* win) {
    return win && (win->flags & WIN_HAS_REGION);
}

// Shared line buffer: its first byte is a blank for the whole run, formatters write from the
// second byte and the line is drawn from the first.
enum { LINE_BUFFER_SIZE = 800 };
extern char line_buffer[LINE_BUFFER_SIZE];
extern osd_window* active_window; // the window last published, null after osd_close
extern dword title_tick;          // timing display: start of the frame, then its duration
extern dword step_ticks;          // timing display: last measured step
extern dword max_ticks;           // the longest measured step
extern int osd_preset_width;      // text width taken with ST_PRESET

// Text metrics of the current font setting.
int osd_line_height(void); // 22 or 26
byte osd_font_size(void);  // 1 (small) or 2 (large)
// Width of a text in the current font (small with ST_SMALL in style).
int osd_text_width(const char* text, uint32_t style = 0);

// The colours a style word gives (palette lookup, light, lighten, darken, swap).
void osd_colors(uint32_t style, dword* fg, dword* bg);

void osd_open(osd_window* win, int width, int height);
void osd_close(osd_window* win);
void osd_save(osd_window* win);
void osd_restore(osd_window* win);
void osd_release(osd_window* win);
void osd_goto(osd_window* win, int x, int y);
void osd_hline(osd_window* win, int x, int y, int length, dword color);
void osd_vline(osd_window* win, int x, int y, int length, dword color);
void osd_text(osd_window* win, const char* text, uint32_t style);
// Opens the window with its title bar; width is in the large font (690 = full screen), rows in
// text lines. Returns the timing start tick.
dword osd_frame(osd_window* win, int width, int rows, const char* title, const char* right_text,
                uint32_t style);
// Frame, timing display, sync; the window becomes the active one.
void osd_finish(osd_window* win);
// One key icon with a short label in a row of a key panel.
void osd_icon_label(osd_window* win, const TYPE_GrData* icon, const char* label, uint32_t style);
// A digit key with its multi-tap letters: mode 0 lower case, 2 symbols, any other upper case.
void osd_digit_label(osd_window* win, int digit, int mode);
// Draws an icon (sprite) at a content position of the window.
void osd_icon(osd_window* win, const TYPE_GrData* icon, int x, int y);

// tick_measure(0) starts a measurement; tick_measure(non-zero) returns the ticks since then,
// keeps them as step_ticks and raises max_ticks.
dword tick_measure(int stop);
