// The image viewer: decodes one picture, shrinks it in place to the window with the aspect
// corrected for the 16:9 screen, draws it and writes its date or size into the title bar.
#include "viewer.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

#include "common/format.h"
#include "common/key_codes.h"
#include "common/log.h"
#include "common/memory.h"
#include "common/names.h"
#include "common/paths.h"
#include "common/programs.h"
#include "common/settings.h"
#include "decode.h"
#include "osd/ibox.h"
#include "osd/key_help.h"
#include "osd/key_table.h"
#include "osd/window.h"
#include "osd/window_open.h"
#include "osd/window_state.h"

osd_window image_window;
int image_state;
int headline_toggle;

namespace {

// The folder and name of the picture shown, for the file details and the stepping.
char shown_dir[512];
char shown_name[256];

bool remember(char* to, size_t size, const char* text) {
    size_t n = strlen(text);
    if (n >= size) return false;
    memcpy(to, text, n + 1);
    return true;
}

// What the window shows of the picture, worked out by picture_prepare.
struct picture_view {
    image_record* image; // null: the file can't be displayed
    int x, y;            // where the fitted block goes (region coordinates)
    char right[64];      // the right end of the title bar: date and time, or the size
};
picture_view view;

// Opens the window with its title bar and decodes the picture (a decoder writes its own
// failures into the window), fits it and finds what the title bar shows.
void picture_prepare(osd_window* win, const char* name) {
    const int line = ui_large_font() ? LINE_LARGE : LINE_SMALL;
    osd_frame(win, FULL_W, 0, name, nullptr, ST_NO_LOGO | PAL_ON_PETROL);
    view.image = image_read(win, name);
    view.right[0] = 0;
    image_record* img = view.image;
    if (!img) return;
    if (img->pixels) {
        const int32_t W = win->width, H = win->height - line;
        if (settings.flags & SET_LOGGING)
            log_printf("img_sqz (img {xx=%d yy=%d ana=%d}, %d, %d)", img->width, img->height,
                       img->anamorphic, W, H);
        const image_fit fit =
            image_fit_compute(img->width, img->height, W, H, img->anamorphic != 0);
        if (fit.width > 0 && fit.height > 0) {
            image_resample(img, fit);
            if (settings.flags & SET_LOGGING)
                log_printf("img_sqz: xx=%d yy=%d", img->width, img->height);
            view.x = win->margin_x + (W - img->width) / 2;
            view.y = win->margin_y + line + (img->height < H ? (H - img->height) / 2 : 0);
        } else {
            mem_raw_free(img->pixels);
            img->pixels = nullptr;
        }
    }
    TYPE_FolderEntry entry;
    if (headline_toggle)
        snprintf(view.right, sizeof view.right, "%d x %d", img->file_width, img->file_height);
    else if (file_entry_find(name, &entry))
        snprintf(view.right, sizeof view.right, "%s %d:%02d",
                 date_time_text(static_cast<word>(entry.time >> 16), -1),
                 static_cast<int>(entry.time >> 8 & 0xFF), static_cast<int>(entry.time & 0xFF));
}

// Draws what picture_prepare worked out and gives the pixel block back.
void picture_draw(osd_window* win) {
    image_record* img = view.image;
    if (!img) {
        osd_text(win, ui_text("File can't be displayed!", "Datei kann nicht angezeigt werden!"),
                 PAL_WHITE);
        osd_finish(win);
        return;
    }
    if (!img->pixels) {
        osd_text(win, ui_text("No image data available!", "Keine Bilddaten vorhanden!"), PAL_WHITE);
    } else {
        TAP_Osd_DrawPixmap(win->region, static_cast<dword>(view.x), static_cast<dword>(view.y),
                           static_cast<dword>(img->width), static_cast<dword>(img->height),
                           img->pixels, 0, 1);
        if (settings.flags & SET_LOGGING) log_msg("show_image: TAP_Osd_DrawPixmap() passed");
        mem_raw_free(img->pixels);
        img->pixels = nullptr;
    }
    // A picture that came with a link keeps the link's title as its headline.
    if (img->headline > 0 && img->headline < sizeof img->comment && img->comment[img->headline]) {
        osd_goto(win, 0, 0);
        snprintf(line_buffer + 1, LINE_BUFFER_SIZE - 1, "%s", img->comment + img->headline);
        osd_text(win, line_buffer, PAL_ON_PETROL);
    }
    osd_goto(win, win->width - 5, 0);
    if (view.right[0]) {
        snprintf(line_buffer + 1, LINE_BUFFER_SIZE - 1, "%s", view.right);
        osd_text(win, line_buffer, ST_RIGHT | PAL_ON_PETROL);
    }
    osd_finish(win);
}

void picture_show() {
    picture_prepare(&image_window, shown_name);
    picture_draw(&image_window);
}

} // namespace

image_fit image_fit_compute(int32_t w, int32_t h, int32_t W, int32_t H, bool ana) {
    image_fit f{1, 1, 1, 1, 0, 0};
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0) return f;
    if (w <= W && h <= H) {
        if (!ana) { // squeezed horizontally for the 16:9 screen only
            f.hx_num = 45;
            f.hx_den = 64;
        }
    } else {
        const int64_t o = w > W ? W : H, c = w > W ? w : h;
        f.hx_num = o;
        f.hx_den = c;
        f.vy_num = ana ? o : 64 * o;
        f.vy_den = ana ? c : 45 * c;
        if (w * o / c > W) {
            const int64_t hx = W * c / w;
            f.vy_num = f.vy_num * hx / o;
            f.hx_num = hx;
        }
        if (h * f.vy_num / f.vy_den > H) {
            const int64_t vy = H * f.vy_den / h;
            f.hx_num = vy * f.hx_num / f.vy_num;
            f.vy_num = vy;
        }
    }
    int64_t new_h = h * f.vy_num / f.vy_den, new_w = w * f.hx_num / f.hx_den;
    if (new_h > h) { // never enlarge
        new_w = new_h ? h * new_w / new_h : 0;
        new_h = h;
    }
    if (new_w > w) {
        new_h = new_w ? w * new_h / new_w : 0;
        new_w = w;
    }
    // Every picture keeps at least one pixel in each direction (a 1 x 1 picture would
    // otherwise be squeezed to nothing), and the ratios stay positive for the resampling.
    f.width = static_cast<int32_t>(new_w > 0 ? new_w : 1);
    f.height = static_cast<int32_t>(new_h > 0 ? new_h : 1);
    if (f.hx_num < 1) f.hx_num = 1;
    if (f.vy_num < 1) f.vy_num = 1;
    return f;
}

void image_resample(image_record* img, const image_fit& f) {
    uint32_t* px = img->pixels;
    const int32_t w = img->width, h = img->height;
    if (!px || f.width <= 0 || f.height <= 0 || f.width > w || f.height > h || f.hx_num <= 0 ||
        f.vy_num <= 0 || f.hx_den <= 0 || f.vy_den <= 0)
        return;
    // The output never overtakes the input: output row y lies at or before source row y and
    // each output pixel at or before its source pixel, so the block is rewritten in place.
    int64_t source_row = 0, vertical = 0;
    uint32_t* out = px;
    for (int32_t y = 0; y < f.height && source_row < h; ++y) {
        const uint32_t* row = px + source_row * w;
        int64_t sx = 0, horizontal = 0;
        for (int32_t x = 0; x < f.width; ++x) {
            *out++ = sx < w ? row[sx] : row[w - 1];
            ++sx;
            horizontal += f.hx_num;
            while (horizontal < f.hx_den) {
                ++sx;
                horizontal += f.hx_num;
            }
            horizontal -= f.hx_den;
        }
        ++source_row;
        vertical += f.vy_num;
        while (vertical < f.vy_den) {
            ++source_row;
            vertical += f.vy_num;
        }
        vertical -= f.vy_den;
    }
    img->width = f.width;
    img->height = f.height;
}

namespace {

// The picture of the current folder that lies `step` pictures from `from` in name order
// (negative: backwards), stopping at the first and the last; steps beyond the ends give the
// first or last picture. Writes it to out; false when the folder holds no picture.
bool picture_at(const char* from, int step, char* out, size_t out_size) {
    char here[256];
    if (!remember(here, sizeof here, from)) return false;
    bool found = false;
    for (int n = 0; n < (step < 0 ? -step : step); ++n) {
        TYPE_FolderEntry e;
        char best[256] = "";
        dword count = TAP_Hdd_FindFirst(&e, "*");
        for (dword i = 0; i < count; ++i) {
            if (i > 0 && !TAP_Hdd_FindNext(&e)) break;
            if (e.attr != ATTR_FILE || !image_file_name(e.name)) continue;
            const int order = strcmp(e.name, here);
            if (step > 0 ? order <= 0 : order >= 0) continue;
            if (!best[0] || (step > 0 ? strcmp(e.name, best) < 0 : strcmp(e.name, best) > 0))
                remember(best, sizeof best, e.name);
        }
        if (!best[0]) break; // at the end already
        memcpy(here, best, sizeof here);
        found = true;
    }
    return found && remember(out, out_size, here);
}

// The first (last = false) or last picture of the current folder.
bool picture_end(bool last, char* out, size_t out_size) {
    TYPE_FolderEntry e;
    char best[256] = "";
    dword count = TAP_Hdd_FindFirst(&e, "*");
    for (dword i = 0; i < count; ++i) {
        if (i > 0 && !TAP_Hdd_FindNext(&e)) break;
        if (e.attr != ATTR_FILE || !image_file_name(e.name)) continue;
        if (!best[0] || (last ? strcmp(e.name, best) > 0 : strcmp(e.name, best) < 0))
            remember(best, sizeof best, e.name);
    }
    return best[0] && remember(out, out_size, best);
}

enum { STEP_FAR = 10 }; // << and >> move by this many pictures

// < > one picture, << >> ten, |< >| the first and the last picture of the folder.
int key_step(dword key) {
    int step = 0;
    bool last = false;
    switch (key & ~KEY_TAP_MARK) {
    case KEY_LEFT:
        step = -1;
        break;
    case KEY_RIGHT:
        step = 1;
        break;
    case KEY_REWIND:
        step = -STEP_FAR;
        break;
    case KEY_FORWARD:
        step = STEP_FAR;
        break;
    case KEY_JUMP_END:
        last = true;
        break;
    default:
        break;
    }
    char next[256];
    const bool moved =
        tap_folder_change(shown_dir) == 0 && (step ? picture_at(shown_name, step, next, sizeof next)
                                                   : picture_end(last, next, sizeof next));
    if (moved && strcmp(next, shown_name) != 0) {
        remember(shown_name, sizeof shown_name, next);
        picture_show();
    }
    return KEY_DONE;
}

int key_headline(dword) {
    headline_toggle = !headline_toggle;
    picture_show();
    return KEY_DONE;
}

// The file details over the picture until Exit.
int key_details(dword) {
    osd_window* win = &image_window;
    osd_save(win);
    if (window_open(WINDOW_DETAILS, file_call(shown_dir, shown_name, win)) == WINDOW_ABSENT) {
        osd_release(win);
        return KEY_DONE;
    }
    image_state = -1;
    return KEY_DONE;
}

int key_leave(dword) {
    window_flags &= ~WS_IMAGE;
    return KEY_CLOSED;
}

int key_help(dword) {
    help_box(0, &image_window, &help_image);
    return KEY_DONE;
}

// Latin-1 texts: \xE4 ä, \xF6 ö, \xFC ü, \xDF ß (strings are split behind each escape).
constexpr key_row viewer_rows[] = {
    on(KEY_LEFT, key_step)
        .help("< > : Move to previous / next image", "< > : Voriges / n\xE4"
                                                     "chstes Bild"),
    on(KEY_RIGHT, key_step),
    on(KEY_REWIND, key_step)
        .help("<< >> : Move by 10 images", "<< >> : 10 Bilder zur\xFC"
                                           "ck / weiter"),
    on(KEY_FORWARD, key_step),
    on(KEY_JUMP_START, key_step)
        .help("|< >| : Move to first / last image", "|< >| : Erstes / letztes Bild"),
    on(KEY_JUMP_END, key_step),
    on(KEY_SUBTITLE, key_headline)
        .help("Subtitle: Toggle date / image size", "Subtitle: Datum / Bildgr\xF6\xDF"
                                                    "e wechseln"),
    on(KEY_INFO, key_details).help("Info: File details", "Info: Dateidetails"),
    named(KEY_TVRADIO, "\rTvRadio: Toggle font size",
          "\rTvRadio: Schriftgr\xF6\xDF"
          "e wechseln"),
    named(KEY_AUDIO, "AudioTrk: Toggle language", "AudioTrk: Sprache wechseln"),
    // Sleep inside a window is the dispatcher's.
    named(KEY_SLEEP, "Sleep: Screen capture of window", "Sleep: Screen Capture des Fensters"),
    on(KEY_EXIT, key_leave).help("Exit: Leave image viewer", "Exit: Bildbetrachter verlassen"),
};

} // namespace

// Language and font change for the next picture; the one shown stays as it is.
const key_table viewer_keys = key_table_of(viewer_rows, &shared_keys, key_help, false);
const help_page help_image = {
    "Keys in Image Viewer", "Tasten im Imageviewer", nullptr, nullptr, nullptr, &viewer_keys, 1,
};

dword img_sqz(dword key, const char* directory, const char* name) {
    osd_window* win = &image_window;
    if (key == 0) {
        if (directory) remember(shown_dir, sizeof shown_dir, directory);
        if (name) remember(shown_name, sizeof shown_name, name);
        window_flags |= WS_IMAGE;
        screen_take();
        picture_show();
        return 0;
    }
    if (image_state == -1) {
        if ((key & ~KEY_TAP_MARK) == KEY_EXIT) {
            ibox_show(nullptr, nullptr, 0);
            osd_release(win);
            image_state = 0;
        }
        return 0;
    }
    key_dispatch(viewer_keys, key);
    return 0;
}

const char* image_view_name(void) {
    return shown_name;
}

int image_view(dword key, const char* dir, const char* name) {
    if (key == 0) {
        if (!dir || !name || tap_folder_change(dir) != 0) return 0;
        image_state = 0;
        img_sqz(0, dir, name);
        return 1;
    }
    if (!(window_flags & WS_IMAGE)) return 0;
    if (window_flags & WS_HELP) {
        help_box(key, nullptr, nullptr);
        return 1;
    }
    img_sqz(key, nullptr, nullptr);
    if (window_flags & WS_IMAGE) return 1;
    // Exit: the viewer's window closes; the screen goes back when no other window holds it.
    osd_close(&image_window);
    if (!(window_flags &
          (WS_MENU | WS_HELP | WS_INFOS | WS_BROWSER | WS_VIEWER | WS_EDITOR | WS_EPG)))
        screen_give_back();
    return 0;
}

dword image_viewer_entry(const window_call& call) {
    const int open = image_view(call.key, call.dir, call.name);
    if (call.answer && call.answer_size) snprintf(call.answer, call.answer_size, "%s", shown_name);
    return static_cast<dword>(open);
}
