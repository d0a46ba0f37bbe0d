// The HD TAP's small OSD layer: windows of text lines in rows of 26 pixels, and the alert
// window for messages.
#include <stdarg.h>
#include <stdio.h>

#include "hd.h"

osd_window alert_window = {0, false, true, 400, 208, 45, 25, 0, 0};
osd_window menu_window;
char pbuf[200];

namespace {

// Text keeps clear of the frame by MARGIN pixels at the left and right.
enum { FONT_SIZE = 1, ALIGN_LEFT = 0, FRAME_WIDTH = 2, MARGIN = 4 };

} // namespace

void osd_init(osd_window* w, int width, int height) {
    if (width > SCREEN_W) width = SCREEN_W;
    if (height > SCREEN_H) height = SCREEN_H;
    if (w->created && (width != w->width || height != w->height)) osd_exit(w);
    w->width = width;
    w->height = height;
    if (!w->placed) {
        w->left = (SCREEN_W - width) / 2;
        w->top = (SCREEN_H - height) / 2;
    }
    if (!w->created) {
        const int region =
            TAP_Osd_Create(static_cast<dword>(w->left), static_cast<dword>(w->top),
                           static_cast<dword>(width), static_cast<dword>(height), 0, 0);
        if (region < 0) return;
        w->region = region;
        w->created = true;
    }
    TAP_Osd_FillBox(static_cast<word>(w->region), 0, 0, static_cast<dword>(width),
                    static_cast<dword>(height), COLOR_BACK);
    w->column = 0;
    w->row = 0;
}

void osd_print(osd_window* w, const char* text, int style) {
    if (!w->created) return;
    if (w->column + OSD_COLUMN > w->width) {
        // Every column is full: start again on a cleared window.
        TAP_Osd_FillBox(static_cast<word>(w->region), 0, 0, static_cast<dword>(w->width),
                        static_cast<dword>(w->height), COLOR_BACK);
        w->column = 0;
        w->row = 0;
    }
    const dword fore = style > 0 ? COLOR_YELLOW : COLOR_WHITE;
    const dword back = style > 0 ? COLOR_SELECTED_BACK : style < 0 ? COLOR_TITLE_BACK : COLOR_BACK;
    TAP_Osd_PutS(static_cast<word>(w->region), static_cast<dword>(w->column + MARGIN),
                 static_cast<dword>(w->row), static_cast<dword>(w->width - MARGIN), text, fore,
                 back, 0, FONT_SIZE, 0, ALIGN_LEFT);
    w->row += OSD_ROW;
    if (w->row + OSD_ROW > w->height) {
        w->row = 0;
        w->column += OSD_COLUMN;
    }
}

void osd_frame(osd_window* w, dword color) {
    if (!w->created) return;
    TAP_Osd_DrawRectangle(static_cast<word>(w->region), 0, 0, static_cast<dword>(w->width),
                          static_cast<dword>(w->height), FRAME_WIDTH, color);
}

void osd_alert(const char* text) {
    if (!text) {
        osd_exit(&alert_window);
        return;
    }
    if (!alert_window.created) osd_init(&alert_window, alert_window.width, alert_window.height);
    osd_print(&alert_window, text, 1);
    osd_frame(&alert_window, COLOR_RED);
    TAP_Osd_Sync();
}

void osd_exit(osd_window* w) {
    if (!w->created) return;
    TAP_Osd_Delete(static_cast<word>(w->region));
    w->created = false;
    TAP_Osd_Sync();
}

void alert_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(pbuf, sizeof pbuf, format, args);
    va_end(args);
    osd_alert(pbuf);
}

void osd_printf(osd_window* w, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(pbuf, sizeof pbuf, format, args);
    va_end(args);
    osd_print(w, pbuf, 0);
}
