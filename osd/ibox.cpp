#include "ibox.h"

#include <stdio.h>
#include <string.h>

#include "common/memory.h"
#include "common/settings.h"
#include "common/log.h"
#include "key_help.h"

osd_window ibox_primary;
osd_window ibox_nested;
osd_window* ibox_current = &ibox_primary;

namespace {

enum {
    WRAP_COLUMN = 80, // longer lines are broken at their last blank before this column
    BOX_MAX_W = 686,
    BOX_PAD = 40, // 20 pixels left and right of the text
    TEXT_X = 20,
};

// Latin-1 texts: \xE4 ä, \xFC ü, \xDF ß (strings are split behind each escape).
const char* kind_title(int kind) {
    switch (kind) {
    case IBOX_INFO:
        return "Info";
    case IBOX_CONFIRM:
        return ui_text("Confirm", "Best\xE4tigen");
    case IBOX_OK:
        return "Ok";
    case IBOX_WARNING:
        return ui_text("Warning", "Hinweis");
    case IBOX_ERROR:
        return ui_text("Error", "Fehler");
    case IBOX_PANIC:
        return "Panic";
    default:
        return "Program error";
    }
}

dword hold_start;

// Breaks lines longer than 80 characters at their last blank among the first 80 (never at the
// first character); a line without such a blank stays long.
void wrap_lines(char* text) {
    char* line = text;
    while (*line) {
        char* end = strchr(line, '\n');
        size_t len = end ? static_cast<size_t>(end - line) : strlen(line);
        if (len > WRAP_COLUMN) {
            for (size_t i = WRAP_COLUMN - 1; i >= 1; --i)
                if (line[i] == ' ') {
                    line[i] = '\n';
                    end = line + i;
                    break;
                }
        }
        if (!end) break;
        line = end + 1;
    }
}

// Breaks lines that are still wider than the widest box can show at their last blank that
// leaves the line's start inside the box; a line without such a blank stays long.
void fit_lines(char* text, int max_w) {
    char* line = text;
    while (*line) {
        char* end = strchr(line, '\n');
        size_t len = end ? static_cast<size_t>(end - line) : strlen(line);
        if (osd_key_line_width(line, len) > max_w) {
            for (size_t i = len - 1; i >= 1; --i)
                if (line[i] == ' ' && osd_key_line_width(line, i) <= max_w) {
                    line[i] = '\n';
                    end = line + i;
                    break;
                }
        }
        if (!end) break;
        line = end + 1;
    }
}

} // namespace

bool ibox_open(void) {
    return osd_is_open(ibox_current);
}

void ibox_show(const char* title, const char* text, int kind) {
    if (!text) {
        osd_close(ibox_current);
        if (ibox_current == &ibox_nested) {
            ibox_current = &ibox_primary;
            osd_release(&ibox_primary);
        }
        return;
    }
    if (osd_is_open(ibox_current)) {
        if (ibox_current == &ibox_primary) {
            osd_save(&ibox_primary);
            ibox_current = &ibox_nested;
        } else {
            kind = IBOX_PANIC;
            text = "TOO MANY NESTED IBOXES!";
            title = "Panic";
        }
    }
    osd_window* box = ibox_current;
    const bool large = ui_large_font();
    const int line_h = large ? LINE_LARGE : LINE_SMALL;
    if (!title) title = kind_title(kind);
    const uint32_t kind_style = kind >= IBOX_INFO && kind <= IBOX_PANIC ? kind : IBOX_PANIC;

    char* copy = str_dup(text);
    if (!copy) return;
    wrap_lines(copy);
    fit_lines(copy, BOX_MAX_W - BOX_PAD);
    int content_w = osd_text_width(title);
    int breaks = 0;
    for (char* line = copy; *line;) {
        char* end = strchr(line, '\n');
        size_t len = end ? static_cast<size_t>(end - line) : strlen(line);
        int w = osd_key_line_width(line, len);
        if (w > content_w) content_w = w;
        if (!end) break;
        if (end[1]) ++breaks;
        line = end + 1;
    }
    int rows = 2 + breaks;
    if (kind == IBOX_CONFIRM) rows += 2;
    const bool spaced = rows < (large ? 19 : 23) && !strchr(copy, '\r');
    if (spaced) rows += 2;

    int box_w = content_w + BOX_PAD;
    if (box_w > BOX_MAX_W) box_w = BOX_MAX_W;
    int title_w = osd_text_width(title);
    if (title_w > box_w - 4) title_w = box_w - 4;
    const int frame_w = large ? box_w : box_w * 19 / 16;

    osd_frame(box, frame_w, rows, " ", nullptr, ST_NO_LOGO);
    osd_goto(box, 0, 0);
    osd_text(box, " ", kind_style);
    osd_goto(box, (box_w - title_w) / 2, 1);
    osd_text(box, title, kind_style | ST_SAME_LINE);

    osd_goto(box, TEXT_X, spaced ? 2 * line_h : line_h);
    osd_key_text(box, copy, 0);
    if (kind == IBOX_CONFIRM) {
        osd_goto(box, TEXT_X, box->cursor_y + line_h);
        osd_text(box, "[Exit]  /  [Ok]", 0);
    }
    mem_free(copy);
    osd_finish(box);
}

void ibox_timed(osd_window* win, dword duration, int kind, const char* title, const char* text) {
    osd_save(win);
    ibox_show(title, text, kind);
    TAP_Sleep(duration);
    ibox_show(nullptr, nullptr, 0);
    osd_release(win);
}

void ibox_hold(dword duration, const char* text, int kind) {
    if (text) {
        ibox_show(nullptr, text, kind);
        hold_start = TAP_GetTick();
        if (duration == 0) return;
        TAP_Sleep(duration);
    } else {
        dword ticks = TAP_GetTick() - hold_start;
        if (ticks < duration / 10) TAP_Sleep(duration - ticks * 10);
    }
    ibox_show(nullptr, nullptr, 0);
}

int error_show(void) {
    if (!error_pending()) return 0;
    snprintf(line_buffer + 1, sizeof line_buffer - 1, "%s", error_pending());
    ibox_show(error_pending_title(), line_buffer + 1, IBOX_ERROR);
    error_clear(); // the box drew its own copy of the title
    return 1;
}
