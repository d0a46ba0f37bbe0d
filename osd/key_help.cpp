#include "key_help.h"

#include <string.h>

#include "common/key_codes.h"
#include "common/settings.h"
#include "ibox.h"
#include "icons.h"
#include "key_table.h"
#include "window_state.h"

namespace {

const char* const key_prefixes[] = {"TAP key + ", "TAP-Taste + "};

size_t prefix_length(const char* line, size_t len) {
    for (const char* prefix : key_prefixes) {
        size_t n = strlen(prefix);
        if (len >= n && strncmp(line, prefix, n) == 0) return n;
    }
    return 0;
}

// The key labels at the start of a line: calls found(icon, label end) for each label that
// becomes an icon. Returns the offset the text is drawn from (the last ':' used, or 0).
template <typename Found> size_t scan_labels(const char* line, size_t len, Found found) {
    size_t from = 0, scan = 0;
    while (scan < len) {
        const char* rest = line + scan;
        size_t colon = 0;
        bool any = false;
        for (size_t i = 0; scan + i + 1 < len; ++i)
            if (rest[i] == ':' && rest[i + 1] == ' ') {
                colon = i;
                any = true;
                break;
            }
        if (!any) break;
        const TYPE_GrData* icon = nullptr;
        if (!key_label_match(rest, colon, &icon) || !icon) break;
        found(icon);
        from = scan + colon;
        scan = from + 2;
    }
    return from;
}

int measure(const char* text, size_t len) {
    char buf[LINE_BUFFER_SIZE];
    if (len >= sizeof buf) len = sizeof buf - 1;
    memcpy(buf, text, len);
    buf[len] = 0;
    return osd_text_width(buf);
}

// The help box's state: the page shown, the window under it, the settings at opening.
const help_page* help_current;
osd_window* help_window;
uint32_t help_saved_flags;

enum { HELP_TEXT_BYTES = 2048 };

void help_show() {
    static char text[HELP_TEXT_BYTES];
    ibox_show(ui_text(help_current->title_en, help_current->title_de),
              help_page_text(help_current, text, sizeof text), IBOX_INFO);
}

void help_redisplay() {
    ibox_show(nullptr, nullptr, 0);
    osd_restore(help_window);
    help_show();
}

void close_all_boxes() {
    while (ibox_open())
        ibox_show(nullptr, nullptr, 0);
}

int help_close(dword) {
    close_all_boxes();
    osd_release(help_window);
    if (!help_window) screen_give_back();
    window_flags &= ~WS_HELP;
    settings.flags = help_saved_flags;
    help_window = nullptr;
    return KEY_CLOSED;
}

// Any other key: on the file-browser pages, the other page.
int help_flip(dword) {
    if (!help_current->other) return KEY_DONE;
    help_current = help_current->other;
    return KEY_REDRAW;
}

constexpr key_row help_rows[] = {
    on(KEY_EXIT, help_close),
};
const key_table help_keys = key_table_of(help_rows, &shared_keys, help_flip, true);

} // namespace

void osd_key_text(osd_window* win, char* text, uint32_t style) {
    if (!text) return;
    const int x0 = win->cursor_x;
    const int icon_dy = ui_large_font() ? 3 : 2;
    char* line = text;
    while (line) {
        char* nl = strchr(line, '\n');
        if (nl) *nl = 0;
        char* p = line;
        if (*p == '\r') {
            osd_hline(win, 0, win->cursor_y - 1, win->width, COLOR_YELLOW);
            ++p;
        }
        size_t len = strlen(p);
        if (size_t n = prefix_length(p, len)) {
            char saved = p[n];
            p[n] = 0;
            osd_text(win, p, style | ST_SAME_LINE | ST_ADVANCE);
            p[n] = saved;
            p += n;
            len -= n;
        }
        size_t from = scan_labels(p, len, [&](const TYPE_GrData* icon) {
            osd_icon(win, icon, win->cursor_x, win->cursor_y + icon_dy);
            win->cursor_x += icon->width + 2;
        });
        osd_text(win, p + from, style);
        win->cursor_x = x0;
        line = nl && nl[1] ? nl + 1 : nullptr;
    }
}

int osd_key_line_width(const char* line, size_t len) {
    if (len && line[0] == '\r') ++line, --len;
    int w = 0;
    if (size_t n = prefix_length(line, len)) {
        w += measure(line, n);
        line += n;
        len -= n;
    }
    size_t from = scan_labels(line, len, [&](const TYPE_GrData* icon) { w += icon->width + 2; });
    return w + measure(line + from, len - from);
}

const char* help_page_text(const help_page* page, char* out, size_t size) {
    if (!page->keys) return ui_text(page->text_en, page->text_de);
    key_help_text(*page->keys, page->page, ui_english(), out, size);
    return out;
}

dword help_box(dword key, osd_window* win, const help_page* page) {
    if (key == 0) {
        if (!page) return 0;
        if (window_flags & WS_HELP) {
            // Opened again while open: show the new page in place of the old one.
            help_current = page;
            help_redisplay();
            return 0;
        }
        help_saved_flags = settings.flags;
        window_flags |= WS_HELP;
        help_current = page;
        help_window = win;
        screen_take();
        osd_save(win);
        close_all_boxes();
        osd_restore(win);
        help_show();
        return 0;
    }
    if (!(window_flags & WS_HELP)) return 0;
    if (key_dispatch(help_keys, key) == KEY_REDRAW) help_redisplay();
    return 0;
}

// Latin-1 texts: \xE4 ä, \xF6 ö, \xFC ü, \xDF ß (strings are split behind each escape).
const help_page help_general = {
    "Keys to enter TovakRC functions",
    "Tasten zum Aufruf der TovakRC-Funktionen",
    "TAP key + Filelist: File browser\n"
    "TAP key + Teletext: Text viewer\n"
    "TAP key + Guide: EPG\n"
    "TAP key + Info: Infos & Tools\n"
    "TAP key + Menu: Settings\n"
    "TAP key + Sleep: Screen capture\n"
    "TAP key + |<: Cut paused recording before this point\n"
    "TAP key + >|: Cut paused recording after this point\n"
    "TAP key + Stop: Stop TAPs / switch off\n"
    "TAP key + Play: Fav key for the receiver\n"
    "TAP key + Pause: VFormat key for the receiver\n"
    "TAP key + 0: All receivers listen\n"
    "TAP key + 1 ... 9: Only the receiver with this ID listens\n"
    "TAP key + TAP key: TAP key for the receiver\n"
    "TAP key + Mute: This help\n"
    "\rAudioTrk: Deutsch / English\n"
    "TvRadio: Font size\n"
    "Exit: Close help",
    "TAP-Taste + Filelist: Dateibrowser\n"
    "TAP-Taste + Teletext: Textviewer\n"
    "TAP-Taste + Guide: EPG\n"
    "TAP-Taste + Info: Infos & Tools\n"
    "TAP-Taste + Menu: Einstellungen\n"
    "TAP-Taste + Sleep: Bildschirmfoto\n"
    "TAP-Taste + |<: Pausierte Aufnahme vorne k\xFC"
    "rzen\n"
    "TAP-Taste + >|: Pausierte Aufnahme hinten k\xFC"
    "rzen\n"
    "TAP-Taste + Stop: TAPs beenden / Ausschalten\n"
    "TAP-Taste + Play: Fav-Taste f\xFC"
    "r den Receiver\n"
    "TAP-Taste + Pause: VFormat-Taste f\xFC"
    "r den Receiver\n"
    "TAP-Taste + 0: Alle Receiver h\xF6"
    "ren zu\n"
    "TAP-Taste + 1 ... 9: Nur der Receiver mit dieser ID h\xF6"
    "rt zu\n"
    "TAP-Taste + TAP-Taste: TAP-Taste f\xFC"
    "r den Receiver\n"
    "TAP-Taste + Mute: Diese Hilfe\n"
    "\rAudioTrk: Deutsch / English\n"
    "TvRadio: Schriftgr\xF6\xDF"
    "e\n"
    "Exit: Hilfe schlie\xDF"
    "en",
    nullptr,
    nullptr,
    0,
};
