// The file browser window: one directory of the disk on a full-screen window, and the keys of
// its table turned into file actions. Called once per key by the dispatcher; between keys its
// state lives in the statics below. After each key the key handler works out what the window
// shows (view_update: page, activities, status, the details of the selected file) and the
// drawing reads only that.
#include "browser/browser.h"

#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

#include "browser/copy_queue.h"
#include "browser/file_details.h"
#include "browser/listing.h"
#include "browser/mp3.h"
#include "browser/recording.h"
#include "common/format.h"
#include "common/fw_bind.h"
#include "common/key_codes.h"
#include "common/memory.h"
#include "common/names.h"
#include "common/paths.h"
#include "common/receiver_path.h"
#include "common/settings.h"
#include "common/version.h"
#include "osd/ibox.h"
#include "osd/icons.h"
#include "osd/line_edit.h"
#include "osd/window.h"
#include "osd/window_open.h"
#include "osd/window_state.h"

namespace {

// What the next key means.
enum browser_state_value {
    BS_LIST,
    BS_CONFIRM_COPY,
    BS_CONFIRM_MOVE,
    BS_CONFIRM_DELETE,
    BS_CONFIRM_CANCEL_COPY,
    BS_CONFIRM_CLEAR_COUNTERS,
    BS_MESSAGE,
    BS_IMAGE,
    BS_TEXT,
};

enum {
    PATH_BYTES = 1024,
    NAME_BYTES = 256,
    ROWS_LARGE = 20, // list rows of a page
    ROWS_SMALL = 24,
    PANEL_LINES = 6,
    PANEL_BASE_LARGE = 14, // panel line k is drawn while fewer than base + k rows are listed
    PANEL_BASE_SMALL = 18,
    PANEL_LAST_Y_LARGE = 520,
    PANEL_LAST_Y_SMALL = 528,
    DETAILS_LINES = 6,     // the details frame is at least this high
    DETAILS_X_LARGE = 320, // the details frame begins this far from the right edge
    DETAILS_X_SMALL = 269,
    F1_DOUBLE_TICKS = 50, // two F1 within this many ticks clear or mark all
    FOLDER_NAMES = 10000, // F2 tries "0000" ... "9999"
    MP3_MODES = 5,        // MP3 Mode 0 ... 4
    SORT_MODES = 5,       // Sorting 0 ... 4
    ROOT_NAME_MARK = 5,   // a playlist entry whose sixth character is '=' starts a group
};

// Styles of the list (texts skip the shared buffer's leading blank).
constexpr uint32_t ST_STATUS = ST_SKIP_FIRST | ST_SAME_LINE | ST_RIGHT | PAL_TITLE;
constexpr uint32_t ST_MP3_MODE = ST_SKIP_FIRST | PAL_TITLE;
constexpr uint32_t ST_ROW_SELECTED = ST_SKIP_FIRST | ST_MEASURE | PAL_YELLOW_ON_RED;
constexpr uint32_t ST_ROW_DIR = PAL_TEAL;
constexpr uint32_t ST_ROW_RECORDING = ST_LIGHTEN | PAL_RED;
constexpr uint32_t ST_ROW_ACTIVE = PAL_YELLOW; // played back, or a running TAP
constexpr uint32_t ST_DETAILS = ST_DARKEN | PAL_TITLE;
constexpr dword COLOR_SELECTED_BG = 0xFF800000;

osd_window browser_win;
int browser_state = BS_LIST;
char* home_dir;               // owned TAP path; null: "/"
bool list_mode;               // subdirectory details
dword f1_tick;                // tick of the previous F1
int marks_before_f1;          // mark count before the last single F1
char delete_name[NAME_BYTES]; // the entry a delete confirmation asks about

const char* const quick_dirs[10] = {
    "/",         nullptr,         nullptr,      nullptr,         "/MediaFiles",
    "/MP3Files", SETTINGS_FOLDER, "/DataFiles", PLAYLIST_FOLDER, "/ProgramFiles"};

// What the window shows, worked out by view_update after each key.
struct view_state {
    int first_row, rows;      // the page of the list
    int activity[ROWS_SMALL]; // file_activity of the rows shown
    char clock[8];            // "%d:%02d"
    char free_space[24];      // "%.0fG"
    // The details of the selected file, worked out once per folder, name, time, size and
    // language (a trim within the minute changes only the size).
    bool details_shown;
    char details_dir[PATH_BYTES];
    char details_name[NAME_BYTES];
    uint32_t details_date;
    uint64_t details_size;
    bool details_english;
    char details[LINE_BUFFER_SIZE];
    int details_lines; // of the text, at least DETAILS_LINES
};
view_state view;

bool large() {
    return ui_large_font();
}
int rows_per_page() {
    return large() ? ROWS_LARGE : ROWS_SMALL;
}
// A column position given for the large font.
int col(int x) {
    return large() ? x : x * 16 / 19;
}

int selected() {
    return history_current ? history_current->selected : 0;
}
const dir_entry* selected_entry() {
    if (!history_current || entry_count == 0 || selected() < 0 ||
        static_cast<uint32_t>(selected()) >= entry_count)
        return nullptr;
    return &entries()[selected()];
}

bool in_playlist_folder() {
    return current_dir && !strcmp(current_dir, PLAYLIST_FOLDER);
}
int mp3_mode() {
    return (settings.sort_mp3 >> 4) & 0x0F;
}

// "/mnt/hd" + TAP path (folder and optional name) as a Linux path.
void linux_path(char* out, size_t n, const char* dir, const char* name) {
    const bool root = !strcmp(dir, "/");
    if (name)
        snprintf(out, n, "%s%s/%s", DISK_MOUNT, root ? "" : dir, name);
    else
        snprintf(out, n, "%s%s", DISK_MOUNT, root ? "" : dir);
}

// Subdirectory and file counts of every listed directory, gathered once per listing into the
// entry's spare word: subdirectories + 1 in the high half (0: unknown), files in the low half.
void count_directories() {
    for (uint32_t i = 0; i < entry_count; ++i) {
        dir_entry& e = entries()[i];
        e.reserved = 0;
        if (!entry_is_dir(e) || !strcmp(e.name, "/")) continue;
        char lp[PATH_BYTES], path[PATH_BYTES];
        linux_path(lp, sizeof lp, current_dir, e.name);
        if (path_map(lp, path, sizeof path)) continue;
        DIR* d = opendir(path);
        if (!d) continue; // vanished or unreadable: unknown
        uint32_t dirs = 0, files = 0;
        uint64_t bytes = 0;
        while (dirent* de = readdir(d)) {
            if (!strcmp(de->d_name, ".") || !strcmp(de->d_name, "..")) continue;
            bool is_dir = false;
            if (list_mode) {
                char child[PATH_BYTES];
                struct stat st;
                if (snprintf(child, sizeof child, "%s/%s", path, de->d_name) <
                        static_cast<int>(sizeof child) &&
                    stat(child, &st) == 0) {
                    is_dir = S_ISDIR(st.st_mode);
                    if (!is_dir) bytes += static_cast<uint64_t>(st.st_size);
                }
            }
            if (is_dir && dirs < 0xFFFE)
                ++dirs;
            else if (!is_dir && files < 0xFFFF)
                ++files;
        }
        closedir(d);
        e.reserved = (dirs + 1) << 16 | files;
        e.size = bytes; // the total of its files, known in list mode only
    }
}

uint32_t scan(const char* path, int mode) {
    uint32_t n = dir_scan(str_dup(path), mode, entry_count);
    count_directories();
    return n;
}

// Lists the directory of a TAP path and selects the entry it names (the path is taken over).
void scan_select(char* path) {
    dir_scan(path, SCAN_SELECT, entry_count);
    count_directories();
}

// Lists a directory the user asked for; a missing one is reported.
void jump_to(const char* path) {
    scan(path, SCAN_REREAD);
    if (strcmp(current_dir, path))
        ibox_timed(
            &browser_win, MESSAGE_SHORT_MS, IBOX_WARNING, path,
            ui_text("Directory currently unavailable.", "Verzeichnis derzeit nicht erreichbar."));
}

void message(int kind, dword ms, const char* title, const char* text) {
    ibox_timed(&browser_win, ms, kind, title, text);
}

// ---- What the window shows ----

// The details of the selected file: built when the selection, its folder, its time, its size or the
// language changed since the last time (building them reads the file and may post an error,
// such as a missing converter, which is then shown once).
void details_update() {
    const dir_entry* e = selected_entry();
    view.details_shown = e && !entry_is_dir(*e) && e->size != 0;
    if (!view.details_shown) return;
    const bool english = ui_english();
    if (!strcmp(view.details_dir, current_dir) && !strcmp(view.details_name, e->name) &&
        view.details_date == e->date && view.details_size == e->size &&
        view.details_english == english)
        return;
    snprintf(view.details_dir, sizeof view.details_dir, "%s", current_dir);
    snprintf(view.details_name, sizeof view.details_name, "%s", e->name);
    view.details_date = e->date;
    view.details_size = e->size;
    view.details_english = english;
    const char* text = file_details_text(current_dir, e->name, true);
    snprintf(view.details, sizeof view.details, "%s", text[0] == '\n' ? text + 1 : text);
    view.details_lines = 1;
    for (const char* c = view.details; *c; ++c)
        view.details_lines += *c == '\n';
    if (view.details_lines < DETAILS_LINES) view.details_lines = DETAILS_LINES;
}

// The page, the selected row, the activities of the rows shown, the status items, the details.
void view_update() {
    if (!history_current) return;
    const int page = rows_per_page();
    history_slot* s = history_current;
    if (s->selected >= static_cast<int32_t>(entry_count))
        s->selected = static_cast<int32_t>(entry_count) - 1;
    if (s->selected < 0) s->selected = 0;
    if (s->first_row > s->selected) s->first_row = s->selected;
    if (s->selected >= s->first_row + page) s->first_row = s->selected - page + 1;
    if (s->first_row < 0) s->first_row = 0;
    view.first_row = s->first_row;
    view.rows = 0;
    for (int i = s->first_row; i < static_cast<int>(entry_count) && view.rows < page; ++i) {
        const dir_entry& e = entries()[i];
        view.activity[view.rows++] = entry_is_dir(e) ? 0 : file_activity(current_dir, e.name);
    }
    word mjd;
    byte hour, minute, second;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    snprintf(view.clock, sizeof view.clock, "%d:%02d", hour, minute);
    snprintf(view.free_space, sizeof view.free_space, "%.0fG", TAP_Hdd_FreeSize() / 1000.0);
    details_update();
}

// ---- Drawing (reads the listing and the view only) ----

void text_at(int x, int y, const char* text, uint32_t style) {
    snprintf(line_buffer + 1, sizeof line_buffer - 1, "%s", text);
    if (style & ST_RIGHT) {
        // Right-aligned: the text's own width ends at x, nothing right of it is touched.
        style &= ~ST_RIGHT;
        style |= ST_MEASURE;
        x -= osd_text_width(line_buffer + 1, style);
        if (x < 0) x = 0;
    }
    osd_goto(&browser_win, x, y);
    osd_text(&browser_win, line_buffer, style | ST_SKIP_FIRST | ST_SAME_LINE);
}

// Status items of the title line, right to left from `x`; returns the new left edge.
int status_item(int x, const char* text, const TYPE_GrData* icon) {
    if (icon) {
        x -= icon->width;
        osd_icon(&browser_win, icon, x, large() ? 3 : 2);
        x -= 2;
    }
    text_at(x, 0, text, ST_STATUS);
    return x - osd_text_width(text) - 10;
}

void draw_status() {
    char t[64];
    int x = browser_win.width - 5;
    x = status_item(x, view.clock, nullptr);
    x = status_item(x, view.free_space, nullptr);
    if (mark_count) {
        snprintf(t, sizeof t, "%d", mark_count);
        x = status_item(x, t, &_Button_red_Gd);
    }
    snprintf(t, sizeof t, "%u", entry_count - dir_count);
    x = status_item(x, t, &_fileGd);
    snprintf(t, sizeof t, "%u", dir_count);
    x = status_item(x, t, &_folderGd);
    if (sort_setting() != SORT_NAME) status_item(x, sort_name(sort_setting()), nullptr);
    if (in_playlist_folder() && mp3_mode()) {
        static const char* const modes[MP3_MODES][2] = {{"", ""},
                                                        {"Shuffle", "Zufallsfolge endlos"},
                                                        {"Shuffle 1x", "Zufallsfolge einmal"},
                                                        {"Repeat all", "Dauerschleife alle"},
                                                        {"Repeat 1", "Dauerschleife 1 MP3"}};
        int m = mp3_mode() < MP3_MODES ? mp3_mode() : 0;
        text_at(col(250), 0, ui_text(modes[m][0], modes[m][1]), ST_MP3_MODE);
    }
}

uint32_t row_style(const dir_entry& e, bool is_selected, int activity) {
    if (is_selected) return ST_ROW_SELECTED;
    if (entry_is_dir(e)) return ST_ROW_DIR;
    if (activity < 0) return ST_ROW_RECORDING;
    if (activity > 0) return ST_ROW_ACTIVE;
    return PAL_WHITE;
}

void draw_row(int index, int y, int activity) {
    const dir_entry& e = entries()[index];
    const bool sel = index == selected();
    const uint32_t style = row_style(e, sel, activity);
    const int w = _Button_red_Gd.width;
    const int line = osd_line_height();
    if (sel)
        TAP_Osd_FillBox(browser_win.region, browser_win.margin_x, browser_win.margin_y + y,
                        browser_win.width, line, COLOR_SELECTED_BG);
    if (mark_find(current_dir, e.name)) osd_icon(&browser_win, &_Button_red_Gd, 0, y + 2);
    char t[64];
    if (!entry_is_dir(e)) {
        text_at(col(w + 75), y, size_text(e.size), style | ST_RIGHT);
        word year;
        byte month, day, weekday;
        TAP_ExtractMjd(static_cast<word>(e.date >> 16), &year, &month, &day, &weekday);
        snprintf(t, sizeof t, "%02d.%02d.%04d", day, month, year);
        text_at(col(w + 180), y, t, style | ST_RIGHT);
        snprintf(t, sizeof t, "%d:%02d", (e.date >> 8) & 0xFF, e.date & 0xFF);
        text_at(col(w + 235), y, t, style | ST_RIGHT);
    } else if (e.reserved) {
        const uint32_t dirs = (e.reserved >> 16) - 1, files = e.reserved & 0xFFFF;
        if (list_mode && e.size) text_at(col(w + 75), y, size_text(e.size), style | ST_RIGHT);
        if (list_mode) {
            snprintf(t, sizeof t, "%u", dirs);
            text_at(col(w + 120) - _folderGd.width - 2, y, t, style | ST_RIGHT);
            osd_icon(&browser_win, &_folderGd, col(w + 120) - _folderGd.width, y + 2);
        }
        snprintf(t, sizeof t, "%u", files);
        text_at(col(w + 200) - _fileGd.width - 2, y, t, style | ST_RIGHT);
        osd_icon(&browser_win, &_fileGd, col(w + 200) - _fileGd.width, y + 2);
    }
    char name[NAME_BYTES + 2];
    snprintf(name, sizeof name, "%s%s", e.name, entry_is_dir(e) && strcmp(e.name, "/") ? "/" : "");
    text_at(col(w + 250), y, name, style);
    if (in_playlist_folder() && strlen(e.name) > ROOT_NAME_MARK && e.name[ROOT_NAME_MARK] == '=')
        osd_hline(&browser_win, 0, y, browser_win.width, COLOR_YELLOW);
}

// Panel labels that depend on the selected entry and the folder.
const char* panel_label(dword key) {
    const dir_entry* e = selected_entry();
    const bool dir = e && entry_is_dir(*e);
    switch (key) {
    case KEY_PLAY:
        return dir ? ui_text("Play all MP3 files", "Alle MP3 spielen") : nullptr;
    case KEY_AUX:
        return in_playlist_folder() ? "MP3 Mode" : nullptr;
    case KEY_TELETEXT:
        return e && !dir && name_ends_with(e->name, ".mp3") ? "Lyrics" : nullptr;
    default:
        return nullptr;
    }
}

void draw_panel(int rows_drawn) {
    const int base = large() ? PANEL_BASE_LARGE : PANEL_BASE_SMALL;
    const int n = rows_drawn < base ? base : rows_drawn;
    const int line = osd_line_height();
    const int last_y = large() ? PANEL_LAST_Y_LARGE : PANEL_LAST_Y_SMALL;
    int top = -1;
    for (int k = 1; k <= PANEL_LINES; ++k) {
        if (n >= base + k) continue;
        int y = last_y - (PANEL_LINES - k) * line;
        if (top < 0) top = y;
        osd_goto(&browser_win, 0, y);
        key_panel_line(&browser_win, browser_keys, k, panel_label);
    }
    if (top >= 0) osd_hline(&browser_win, 0, top - 2, browser_win.width, COLOR_YELLOW);
}

void draw_details(int row_y) {
    if (!view.details_shown) return;
    const int x = browser_win.width - (large() ? DETAILS_X_LARGE : DETAILS_X_SMALL);
    const int line = osd_line_height();
    int y = row_y + line;
    const int height = view.details_lines * line + 4;
    if (y + height > browser_win.height) y = browser_win.height - height;
    if (y < line) y = line;
    TAP_Osd_FillBox(browser_win.region, browser_win.margin_x + x, browser_win.margin_y + y,
                    browser_win.width - x, height, COLOR_DEFAULT_BG);
    osd_goto(&browser_win, x + 4, y + 2);
    char text[LINE_BUFFER_SIZE];
    memcpy(text, view.details, sizeof text); // the renderer cuts its text into lines
    osd_key_text(&browser_win, text, ST_DETAILS);
    TAP_Osd_DrawRectangle(browser_win.region, browser_win.margin_x + x, browser_win.margin_y + y,
                          browser_win.width - x, height, 1, COLOR_YELLOW);
}

void draw() {
    if (!history_current) return;
    const bool root = !strcmp(current_dir, "/");
    osd_frame(&browser_win, FULL_W, 0, root ? "File Browser " TOVAK_VERSION : current_dir, nullptr,
              0);
    draw_status();
    const int line = osd_line_height();
    int selected_y = line;
    for (int r = 0; r < view.rows; ++r) {
        const int y = line + r * line;
        const int i = view.first_row + r;
        if (i == selected()) selected_y = y;
        draw_row(i, y, view.activity[r]);
    }
    draw_panel(view.rows);
    draw_details(selected_y);
    osd_finish(&browser_win);
}

// The window as the state is now.
void redraw() {
    view_update();
    draw();
}

// ---- Leaving and handing over ----

void close_window() {
    osd_close(&browser_win);
    window_flags &= ~WS_BROWSER;
    browser_state = BS_LIST;
    screen_give_back();
}

// Hands the screen to another window (the browser closes first); a window this TAP does not
// have yet is said so over the browser, which stays.
int hand_over(window_id id) {
    if (!window_available(id)) {
        window_open(id, key_call(0, &browser_win));
        return KEY_DONE;
    }
    close_window();
    window_open(id, key_call(0));
    return KEY_CLOSED;
}

// An action of another part of the TAP on a file of the folder; a report it opens in the text
// viewer takes the keys until the viewer closes.
void run_action(window_id id, int mode, const char* name) {
    window_open(id, file_call(current_dir, name, &browser_win, mode));
    if (window_flags & WS_VIEWER) browser_state = BS_TEXT;
}

// ---- Actions ----

bool is_dir_with_content(const char* name) {
    char lp[PATH_BYTES], path[PATH_BYTES];
    linux_path(lp, sizeof lp, current_dir, name);
    if (path_map(lp, path, sizeof path)) return false;
    DIR* d = opendir(path);
    if (!d) return false;
    bool content = false;
    while (dirent* de = readdir(d))
        if (strcmp(de->d_name, ".") && strcmp(de->d_name, "..")) {
            content = true;
            break;
        }
    closedir(d);
    return content;
}

void move_selection(int delta) {
    if (!history_current || entry_count == 0) return;
    int s = history_current->selected + delta;
    if (s < 0) s = 0;
    if (s >= static_cast<int>(entry_count)) s = static_cast<int>(entry_count) - 1;
    history_current->selected = s;
}

bool is_media(const char* name) {
    static const char* const media[] = {".rec", ".ts",  ".mp4", ".mpg", ".mpeg", ".vob",
                                        ".mp2", ".ac3", ".avi", ".mkv", ".flv"};
    return name_ends_with_any(name, media);
}
bool is_text(const char* name) {
    static const char* const text[] = {".txt", ".log", ".ini", ".html", ".htm", ".pdf",
                                       ".sh",  ".xml", ".csv", ".m3u8", ".nfo"};
    return name_ends_with_any(name, text);
}

void play(const char* name) {
    static const char* const divx[] = {".avi", ".mkv", ".mp4", ".flv"};
    const int kind = name_ends_with_any(name, divx) ? FW_ACTION_DIVX : FW_ACTION_MEDIA;
    if (fw_file_action(current_dir, name, kind, nullptr) != 1)
        message(IBOX_ERROR, MESSAGE_LONG_MS, name,
                ui_text("Replay not possible.", "Keine Wiedergabe m\xF6glich."));
}

void open_file(const dir_entry& e) {
    char name[NAME_BYTES];
    snprintf(name, sizeof name, "%s", e.name);
    if (e.size == 0) {
        message(IBOX_WARNING, MESSAGE_SHORT_MS, name, ui_text("Empty file.", "Leere Datei."));
    } else if (image_file_name(name)) {
        char shown[NAME_BYTES];
        if (window_open(WINDOW_IMAGE, with_answer(file_call(current_dir, name, &browser_win), shown,
                                                  sizeof shown)) == 1)
            browser_state = BS_IMAGE;
    } else if (is_text(name)) {
        char* path = path_tap(current_dir, name);
        if (window_open(WINDOW_TEXT, file_call(nullptr, path, &browser_win)) != WINDOW_ABSENT &&
            (window_flags & WS_VIEWER))
            browser_state = BS_TEXT; // its keys go to the viewer
        mem_free(path);
    } else if (is_media(name)) {
        play(name);
    } else if (name_ends_with(name, ".mp3")) {
        run_action(ACTION_MP3, MP3_PLAY_FILE, name);
    } else if (name_ends_with(name, ".m3u") || name_ends_with(name, ".pls")) {
        run_action(ACTION_MP3, MP3_PLAY_LIST, name);
    } else if (name_ends_with(name, ".tap")) {
        if (fw_file_action(current_dir, name, FW_ACTION_PROGRAM, nullptr) != 1)
            message(
                IBOX_ERROR, MESSAGE_LONG_MS, name,
                ui_text("TAP already running or no TAP.", "TAP l\xE4uft bereits oder kein TAP."));
    } else {
        message(IBOX_WARNING, MESSAGE_SHORT_MS, name,
                ui_text("File type not supported.", "Dateityp wird nicht unterst\xFCtzt."));
    }
}

void enter_directory(const dir_entry& e) {
    if (!strcmp(e.name, "/")) {
        scan("/", SCAN_REREAD);
        return;
    }
    char path[PATH_BYTES];
    snprintf(path, sizeof path, "%s%s%s", current_dir, strcmp(current_dir, "/") ? "/" : "", e.name);
    scan(path, SCAN_ENTER);
}

// ---- Key handlers (rows of browser_keys) ----

// v ^, << >> and V- V+ (a page), |< >| (the ends).
int key_navigate(dword key) {
    const int page = rows_per_page(), all = static_cast<int>(entry_count);
    switch (key & ~KEY_TAP_MARK) {
    case KEY_DOWN:
        move_selection(1);
        break;
    case KEY_UP:
        move_selection(-1);
        break;
    case KEY_FORWARD:
    case KEY_V_PLUS:
        move_selection(page);
        break;
    case KEY_REWIND:
    case KEY_V_MINUS:
        move_selection(-page);
        break;
    case KEY_JUMP_START:
        move_selection(-all);
        break;
    case KEY_JUMP_END:
        move_selection(all);
        break;
    default:
        break;
    }
    return KEY_REDRAW;
}

int key_parent(dword) {
    if (!strcmp(current_dir, "/")) return KEY_REDRAW;
    char path[PATH_BYTES];
    snprintf(path, sizeof path, "%s", current_dir);
    char* slash = strrchr(path, '/');
    if (slash == path)
        path[1] = 0;
    else if (slash)
        *slash = 0;
    scan(path, SCAN_PARENT);
    return KEY_REDRAW;
}

int key_enter(dword) {
    const dir_entry* e = selected_entry();
    if (e && entry_is_dir(*e)) enter_directory(*e);
    return KEY_REDRAW;
}

int key_ok(dword) {
    const dir_entry* e = selected_entry();
    if (!e) return KEY_REDRAW;
    if (entry_is_dir(*e))
        enter_directory(*e);
    else
        open_file(*e);
    return KEY_REDRAW;
}

int key_play(dword) {
    const dir_entry* e = selected_entry();
    if (e && entry_is_dir(*e))
        run_action(ACTION_MP3, MP3_PLAY_FOLDER, e->name);
    else if (e && name_ends_with(e->name, ".mp3"))
        run_action(ACTION_MP3, MP3_PLAY_FILE, e->name);
    else if (e && is_media(e->name))
        play(e->name);
    return KEY_REDRAW;
}

int key_stop(dword) {
    const dir_entry* e = selected_entry();
    if (!e) return KEY_REDRAW;
    const int activity = entry_is_dir(*e) ? 0 : file_activity(current_dir, e->name);
    if (activity < 0) {
        message(IBOX_WARNING, MESSAGE_SHORT_MS, e->name,
                ui_text("File is recording.", "Datei wird aufgenommen."));
    } else if (activity == 2) {
        window_open(ACTION_MP3, mode_call(MP3_STOP));
    } else if (activity == 1) {
        if (void* fn = fw_address(FW_STOP_PLAYING)) reinterpret_cast<fw_stop_playing_fn>(fn)();
    } else if (activity >= 16) {
        tap_task_slot* tasks = static_cast<tap_task_slot*>(fw_address(FW_TAP_TASK));
        tap_task_slot* t = tasks ? &tasks[activity - 16] : nullptr;
        // This TAP itself is not stopped from its own window.
        const dword* current = static_cast<const dword*>(fw_address(FW_CUR_TAP_TASK));
        const bool itself = current && *current == static_cast<dword>(activity - 16);
        if (t && t->entry.handler && !itself) t->entry.handler(EVT_STOP, 0, 0);
        if (!t || file_activity(current_dir, e->name) >= 16)
            message(IBOX_ERROR, MESSAGE_LONG_MS, e->name,
                    ui_text("Can't terminate this TAP.", "Dieses TAP kann nicht beendet werden."));
    } else {
        message(IBOX_WARNING, MESSAGE_SHORT_MS, e->name,
                ui_text("File not active.", "Datei nicht aktiv."));
    }
    return KEY_REDRAW;
}

int key_rectool(dword key) {
    const dir_entry* e = selected_entry();
    run_action(ACTION_TOOL, key & KEY_TAP_MARK ? BROWSER_TOOL_RECTOOL_REPAIR : BROWSER_TOOL_RECTOOL,
               e && !entry_is_dir(*e) ? e->name : nullptr);
    return KEY_REDRAW;
}

int key_special(dword) {
    const dir_entry* e = selected_entry();
    if (e && !entry_is_dir(*e)) run_action(ACTION_TOOL, BROWSER_TOOL_SPECIAL, e->name);
    return KEY_REDRAW;
}

int key_recall(dword) {
    if (char* played = play_file_path()) scan_select(played);
    return KEY_REDRAW;
}

int key_quick_dir(dword key) {
    const dword k = key & ~KEY_TAP_MARK;
    if (k >= KEY_0 && k <= KEY_9 && quick_dirs[k - KEY_0]) jump_to(quick_dirs[k - KEY_0]);
    return KEY_REDRAW;
}

int key_home(dword) {
    jump_to(home_dir ? home_dir : "/");
    return KEY_REDRAW;
}

int key_set_home(dword) {
    mem_free(home_dir);
    home_dir = str_dup(current_dir);
    message(IBOX_INFO, MESSAGE_MS, current_dir,
            ui_text("New HOME directory set.", "Neues HOME-Verzeichnis gesetzt."));
    return KEY_REDRAW;
}

int key_mark(dword) {
    const dword now = TAP_GetTick();
    const bool double_press = f1_tick && now - f1_tick <= F1_DOUBLE_TICKS;
    f1_tick = now;
    if (double_press) {
        mark_clear();
        if (marks_before_f1 == 0)
            for (uint32_t i = 0; i < entry_count; ++i)
                if (!entry_is_dir(entries()[i]) && entry_selectable(static_cast<int>(i), nullptr))
                    mark_toggle(static_cast<int>(i));
        f1_tick = 0;
        return KEY_REDRAW;
    }
    marks_before_f1 = mark_count;
    if (entry_selectable(selected(), &browser_win)) mark_toggle(selected());
    return KEY_REDRAW;
}

int key_new_folder(dword) {
    char name[8];
    for (int i = 0; i < FOLDER_NAMES; ++i) {
        snprintf(name, sizeof name, "%04d", i);
        if (!TAP_Hdd_Exist(name)) {
            TAP_Hdd_Create(name, ATTR_FOLDER);
            scan(current_dir, SCAN_REREAD);
            break;
        }
    }
    return KEY_REDRAW;
}

// F3 and Record: the first press marks the source, the second asks at the target.
int copy_or_move(bool move) {
    if (mark_count == 0) {
        if (!selected_entry()) {
            message(IBOX_WARNING, MESSAGE_SHORT_MS, nullptr,
                    ui_text("Please select the source[s] first (F1).",
                            "Bitte zuerst die Quelle[n] ausw\xE4hlen (F1)."));
            return KEY_REDRAW;
        }
        if (!entry_selectable(selected(), &browser_win)) return KEY_REDRAW;
        mark_toggle(selected());
        redraw();
        message(IBOX_OK, MESSAGE_SHORT_MS, nullptr,
                ui_text("Please press this key again at target directory.",
                        "Bitte diese Taste erneut am Zielverzeichnis dr\xFC"
                        "cken."));
        return KEY_REDRAW;
    }
    char text[LINE_BUFFER_SIZE];
    snprintf(text, sizeof text, "%s\n\n%s", mark_text(),
             move ? ui_text("Really move?", "Wirklich verschieben?")
                  : ui_text("Really copy?", "Wirklich kopieren?"));
    ibox_show(nullptr, text, IBOX_CONFIRM);
    browser_state = move ? BS_CONFIRM_MOVE : BS_CONFIRM_COPY;
    return KEY_DONE;
}

int key_copy_or_move(dword key) {
    return copy_or_move((key & ~KEY_TAP_MARK) == KEY_F3);
}

int key_copy_status(dword) {
    if (!copy_ever_started()) {
        message(IBOX_INFO, MESSAGE_MS, nullptr,
                ui_text("No copying started.", "Kein Kopiervorgang gestartet."));
        return KEY_REDRAW;
    }
    char text[400];
    copy_status_text(text, sizeof text);
    ibox_show(ui_text("Copy Status", "Kopierstatus"), text, IBOX_CONFIRM);
    browser_state = copy_step(COPY_QUERY) ? BS_CONFIRM_CANCEL_COPY : BS_CONFIRM_CLEAR_COUNTERS;
    return KEY_DONE;
}

int key_delete(dword) {
    const dir_entry* e = selected_entry();
    if (!e || !entry_selectable(selected(), &browser_win)) return KEY_REDRAW;
    const bool dir = entry_is_dir(*e);
    const bool content = dir && is_dir_with_content(e->name);
    if (content && !strcmp(current_dir, "/")) {
        message(IBOX_WARNING, MESSAGE_SHORT_MS, e->name,
                ui_text("Primary directory not empty.", "Hauptverzeichnis nicht leer."));
        return KEY_REDRAW;
    }
    snprintf(delete_name, sizeof delete_name, "%s", e->name);
    char text[200];
    snprintf(text, sizeof text, "%s%s",
             content ? ui_text("DIRECTORY NOT EMPTY!\n", "VERZEICHNIS NICHT LEER!\n") : "",
             ui_text("Really delete?", "Wirklich l\xF6schen?"));
    ibox_show(delete_name, text, IBOX_CONFIRM);
    browser_state = BS_CONFIRM_DELETE;
    return KEY_DONE;
}

int key_rename(dword) {
    const dir_entry* e = selected_entry();
    if (!e || !entry_selectable(selected(), &browser_win)) return KEY_REDRAW;
    char en[64], de[64];
    snprintf(en, sizeof en, "%.40s - Rename", e->name);
    snprintf(de, sizeof de, "%.40s - Umbenennen", e->name);
    line_edit(0, EDIT_RENAME, de, en, e->name);
    return KEY_DONE;
}

int key_search(dword) {
    if (entry_count)
        line_edit(0, EDIT_LIST_SEARCH, "- Suche in Liste", "- Search List Entry", nullptr);
    return KEY_DONE;
}

int key_details(dword) {
    const dir_entry* e = selected_entry();
    if (!e) return KEY_REDRAW;
    file_details(current_dir, e->name, nullptr);
    TAP_Hdd_ChangeDir(current_dir);
    browser_state = BS_MESSAGE;
    return KEY_DONE;
}

int key_tree(dword) {
    TYPE_PlayInfo info;
    memset(&info, 0, sizeof info);
    TAP_Hdd_GetPlayInfo(&info);
    TYPE_RecInfo rec;
    bool busy = info.playMode != 0;
    for (byte s = 0; s < RECORDING_SLOTS && !busy; ++s)
        busy = TAP_Hdd_GetRecInfo(s, &rec) && rec.recType;
    if (busy) {
        message(IBOX_WARNING, MESSAGE_LONG_MS, nullptr,
                ui_text("No external directory tree walk during recording, timeshift or playback!",
                        "Keine externe Verz.durchsuche w\xE4hrend Aufnahme, Timeshift oder "
                        "Wiedergabe!"));
        return KEY_REDRAW;
    }
    run_action(ACTION_TOOL, BROWSER_TOOL_TREE, nullptr);
    return KEY_REDRAW;
}

int key_mode(dword) {
    if (in_playlist_folder()) {
        settings.sort_mp3 =
            static_cast<uint8_t>((settings.sort_mp3 & 0x0F) | ((mp3_mode() + 1) % MP3_MODES) << 4);
    } else {
        list_mode = !list_mode;
        count_directories();
    }
    return KEY_REDRAW;
}

int key_sort(dword) {
    settings.sort_mp3 =
        static_cast<uint8_t>((settings.sort_mp3 & 0xF0) | (sort_setting() + 1) % SORT_MODES);
    scan(current_dir, SCAN_REREAD);
    return KEY_REDRAW;
}

// Teletext, Guide, Menu and VFormat: the text viewer, the EPG, the menu, Infos & Tools.
int key_other_window(dword key) {
    switch (key & ~KEY_TAP_MARK) {
    case KEY_TELETEXT:
        return hand_over(WINDOW_TEXT);
    case KEY_GUIDE:
        return hand_over(WINDOW_EPG);
    case KEY_MENU:
        return hand_over(WINDOW_MENU);
    default:
        return hand_over(WINDOW_INFOS);
    }
}

int key_filer(dword) {
    close_window();
    window_flags |= WS_PASS_FILELIST;
    return KEY_CLOSED;
}

int key_help(dword) {
    help_box(0, &browser_win, &browser_help_page1);
    return KEY_DONE;
}

int key_leave(dword) {
    close_window();
    return KEY_CLOSED;
}

// ---- Answers of the line editor and of the confirmation boxes ----

dword rename_return(dword) {
    const char* result = line_edit_result(EDIT_RENAME);
    const dir_entry* e = selected_entry();
    if (e && result && result[0] && !strchr(result, '/') && strcmp(result, ".") &&
        strcmp(result, "..") && strcmp(result, e->name)) {
        char from[PATH_BYTES], to[PATH_BYTES];
        linux_path(from, sizeof from, current_dir, e->name);
        linux_path(to, sizeof to, current_dir, result);
        if (group_rename(from, to) == 0) {
            char* path = static_cast<char*>(mem_alloc(PATH_BYTES));
            if (path) snprintf(path, PATH_BYTES, "%s/%s", current_dir, result);
            scan_select(path);
        } else {
            redraw();
            message(IBOX_ERROR, MESSAGE_LONG_MS, e->name,
                    ui_text("Couldn't rename.", "Konnte nicht umbenannt werden."));
        }
    }
    if (window_flags & WS_BROWSER) redraw();
    return 0;
}

dword search_return(dword) {
    const char* result = line_edit_result(EDIT_LIST_SEARCH);
    if (result && result[0] && entry_count) {
        uint32_t from = static_cast<uint32_t>(selected()) + 1;
        if (from >= entry_count) from = 0;
        bool found = false;
        for (uint32_t i = from; i < entry_count; ++i)
            if (strcasestr(entries()[i].name, result)) {
                history_current->selected = static_cast<int32_t>(i);
                found = true;
                break;
            }
        if (!found) {
            redraw();
            message(IBOX_ERROR, MESSAGE_LONG_MS, result,
                    ui_text("Couldn't find entry.", "Eintrag konnte nicht gefunden werden."));
        }
    }
    if (window_flags & WS_BROWSER) redraw();
    return 0;
}

void do_copy() {
    char target[PATH_BYTES];
    linux_path(target, sizeof target, current_dir, nullptr);
    for (char* m : mark_list) {
        if (!m) continue;
        char source[PATH_BYTES];
        snprintf(source, sizeof source, "%s%s", DISK_MOUNT, m);
        copy_enqueue(source, target);
    }
    mark_clear();
    copy_step(COPY_ADVANCE);
    redraw();
    message(IBOX_INFO, MESSAGE_MS, nullptr,
            ui_text("Copy in progress, check later by TAP + Record.",
                    "Wird kopiert, bitte sp\xE4ter mit TAP + Record \xFC"
                    "berpr\xFC"
                    "fen."));
}

void do_move() {
    bool failed = false;
    for (char*& m : mark_list) {
        if (!m) continue;
        const char* leaf = strrchr(m, '/');
        leaf = leaf ? leaf + 1 : m;
        char from[PATH_BYTES], to[PATH_BYTES];
        snprintf(from, sizeof from, "%s%s", DISK_MOUNT, m);
        linux_path(to, sizeof to, current_dir, leaf);
        if (!strcmp(from, to) || group_rename(from, to) != 0) {
            failed = failed || strcmp(from, to);
            continue; // a mark that could not move stays marked
        }
        mem_free(m);
        m = nullptr;
        --mark_count;
    }
    scan(current_dir, SCAN_REREAD);
    redraw();
    if (failed)
        message(IBOX_ERROR, MESSAGE_LONG_MS, nullptr,
                ui_text("Couldn't move.", "Konnte nicht verschoben werden."));
}

void do_delete() {
    char dir[PATH_BYTES];
    linux_path(dir, sizeof dir, current_dir, nullptr);
    const int r = group_delete(dir, delete_name, true);
    scan(current_dir, SCAN_REREAD);
    redraw();
    if (r != 0)
        message(IBOX_ERROR, MESSAGE_LONG_MS, delete_name,
                ui_text("Couldn't (yet) delete.", "Konnte (noch) nicht gel\xF6scht werden."));
}

void confirm_key(dword k) {
    if (k != KEY_OK && k != KEY_EXIT) return;
    const int state = browser_state;
    ibox_show(nullptr, nullptr, 0);
    browser_state = BS_LIST;
    if (k == KEY_EXIT) return;
    switch (state) {
    case BS_CONFIRM_COPY:
        do_copy();
        break;
    case BS_CONFIRM_MOVE:
        do_move();
        break;
    case BS_CONFIRM_DELETE:
        do_delete();
        break;
    case BS_CONFIRM_CANCEL_COPY:
        copy_step(COPY_CANCEL);
        redraw();
        message(IBOX_INFO, MESSAGE_MS, nullptr,
                ui_text("Copying stopped, queue cleared.", "Kopieren beendet, Queue geleert."));
        break;
    case BS_CONFIRM_CLEAR_COUNTERS:
        copy_counters_clear();
        redraw();
        message(IBOX_INFO, MESSAGE_MS, nullptr,
                ui_text("Copy counters cleared.", "Kopierz\xE4hler gel\xF6scht."));
        break;
    default:
        break;
    }
}

void open_browser() {
    window_flags |= WS_BROWSER;
    browser_state = BS_LIST;
    screen_take();
    line_edit_set_return(EDIT_RENAME, rename_return);
    line_edit_set_return(EDIT_LIST_SEARCH, search_return);
    if (!entry_table || entry_capacity == 0) return;
    scan(current_dir ? current_dir : home_dir ? home_dir : "/", SCAN_REREAD);
}

// Latin-1 texts: \xE4 ä, \xF6 ö, \xFC ü, \xDF ß (strings are split behind each escape). The
// help lines of the two pages stand in their order; keys that share a line follow it without
// one, ordered as the key panel shows them.
constexpr key_row browser_rows[] = {
    // Page 1
    on(KEY_DOWN, key_navigate)
        .help("v ^  << >>  |< >|  V+ V-: Navigate in list",
              "v ^  << >>  |< >|  V+ V-: Navigieren in der Liste")
        .in_panel(1, 0),
    on(KEY_UP, key_navigate).in_panel(1, 1),
    on(KEY_REWIND, key_navigate).in_panel(1, 2),
    on(KEY_FORWARD, key_navigate).in_panel(1, 3),
    on(KEY_V_MINUS, key_navigate).in_panel(1, 4),
    on(KEY_V_PLUS, key_navigate).in_panel(1, 5),
    on(KEY_JUMP_START, key_navigate).in_panel(1, 6),
    on(KEY_JUMP_END, key_navigate).in_panel(1, 7, "Navigate in List", "In Liste navigieren"),
    on(KEY_LEFT, key_parent)
        .help("<: Enter parent directory", "<: Verzeichnisebene zur\xFC"
                                           "ck")
        .in_panel(1, 9, "Enter/Leave Folder", "Ins/Aus Verzeichnis"),
    on(KEY_RIGHT, key_enter)
        .help(">: Enter selected/next directory", ">: Verzeichnis \xF6"
                                                  "ffnen")
        .in_panel(1, 8),
    on(KEY_OK, key_ok)
        .help("Ok: View / start file / enter directory",
              "Ok: Datei anzeigen / starten / Verzeichnis \xF6"
              "ffnen")
        .in_panel(4, 0, "Start"),
    on(KEY_PLAY, key_play)
        .help("Play: Resume replay / MP3 playlist", "Play: Wiedergabefortsetzung / MP3-Playliste")
        .in_panel(4, 2, "Resume", "Forts."),
    on(KEY_STOP, key_stop)
        .help("Stop: Stop selected file", "Stop: Selektierte Datei beenden")
        .in_panel(4, 1, "Stop"),
    on(KEY_SLOW, key_rectool)
        .help("Slow: EPG infos about file or live TV via rectool",
              "Slow: EPG-Infos \xFC"
              "ber Datei oder Live-TV via rectool")
        .in_panel(4, 3, "rectool"),
    on_tap(KEY_SLOW, key_rectool)
        .help("Slow: Additionally reconstruct .inf file",
              "Slow: Zus\xE4tzlich Rekonstruktion der .inf"),
    on(KEY_AR, key_special)
        .help("AR: Execute .sh / View codecs or hex dump",
              "AR: .sh ausf\xFChren / Codecs oder Hexdump zeigen")
        .in_panel(4, 4, "Special", "Spezial"),
    heading("\rChange to / from a directory:", "\rWechseln in / von ein[em] Verzeichnis:"),
    on(KEY_RECALL, key_recall)
        .help("Recall: Replay directory", "Recall: Wiedergabe-Verzeichnis")
        .in_panel(3, 0, "Replay Folder", "W.gabeverz."),
    on(KEY_4, key_quick_dir).help("4: MediaFiles", "4: MediaFiles").in_panel(2, 0, "MediaFiles"),
    on(KEY_5, key_quick_dir).help("5: MP3Files", "5: MP3Files").in_panel(2, 1, "MP3 Files"),
    on(KEY_6, key_quick_dir).help("6: TovakRC", "6: TovakRC"),
    on(KEY_7, key_quick_dir).help("7: DataFiles", "7: DataFiles").in_panel(2, 2, "DataFiles"),
    on(KEY_8, key_quick_dir).help("8: PlayList", "8: PlayList").in_panel(2, 3, "PlayList"),
    on(KEY_9, key_quick_dir)
        .help("9: ProgramFiles", "9: ProgramFiles")
        .in_panel(2, 4, "ProgramFiles"),
    on(KEY_0, key_quick_dir).help("0: / (Root)", "0: / (Root)").in_panel(2, 5, "/ (Root)"),
    on(KEY_FAV, key_home)
        .help("Fav: HOME directory", "Fav: HOME-Verzeichnis")
        .in_panel(3, 1, "Home"),
    on_tap(KEY_F1, key_set_home)
        .help("\rF1: Set current directory as new HOME",
              "\rF1: Aktuelles Verzeichnis wird neues HOME"),
    on(KEY_F1, key_mark)
        .help("F1: (F1 2x < 0.5\") Clear/mark all multiple selected",
              "F1: (F1 2x < 0.5\") Mehrfachmarkierungen aufheben / setzen")
        .in_panel(3, 2, "Mark", "Markieren"),
    page_break(),
    // Page 2
    named(KEY_F1, "F1: Toggle file's / dir.'s multiple selection mark",
          "F1: Datei / Verzeichnis f\xFC"
          "r Mehrfachauswahl markieren"),
    on(KEY_F2, key_new_folder)
        .help("F2: Create a new directory (nnnn)", "F2: Neues Verzeichnis erstellen (nnnn)")
        .in_panel(3, 3, "Create Folder", "Neues Verz."),
    on(KEY_F3, key_copy_or_move)
        .help("F3: Move marked selection to this directory",
              "F3: Markierte Auswahl in Verzeichnis verschieben")
        .in_panel(3, 4, "Move", "Verschieben"),
    on(KEY_F4, key_delete)
        .help("F4: Delete file or directory", "F4: Datei oder Verzeichnis l\xF6schen")
        .in_panel(3, 5, "Delete", "L\xF6schen"),
    on(KEY_RECORD, key_copy_or_move)
        .help("Record: Copy marked selection to this directory",
              "Record: Markierte Auswahl in Verzeichnis kopieren")
        .in_panel(1, 10, "Copy", "Kopieren"),
    on_tap(KEY_RECORD, key_copy_status)
        .help("Record: Show copy status / cancel / clear",
              "Record: Kopierstatus / Kopieren abbrechen"),
    on(KEY_CUT, key_rename)
        .help(">|<: (White) Rename file or directory",
              ">|<: (Wei\xDF) Datei oder Verzeichnis umbenennen")
        .in_panel(4, 7, "Rename", "Umben."),
    on(KEY_WHITE, key_rename).in_panel(4, 6),
    on(KEY_SAT, key_search)
        .help("Sat: [2x] Search file or directory", "Sat: [2x] Datei oder Verzeichnis suchen")
        .in_panel(4, 5, "[2x] Search", "[2x] Suchen"),
    on(KEY_INFO, key_details)
        .help("\rInfo: Show details about file or directory", "\rInfo: Details \xFC"
                                                              "ber Datei oder Verzeichnis")
        .in_panel(6, 1, "Details"),
    on_tap(KEY_INFO, key_tree)
        .help("Info: Recursive directory listing", "Info: Rekursives Verzeichnislisting"),
    on(KEY_AUX, key_mode)
        .help("Aux: (TvSat, M) Toggle mode (subdir. details, shuffle etc.)",
              "Aux: (TvSat, M) Mode umschalten (Verz.details, Zufallsfolge etc.)")
        .in_panel(5, 0, "List Mode"),
    on(KEY_SUBTITLE, key_sort)
        .help("Subtitle: Sort by name / date / size / incl. ALL files",
              "Subtitle: Sortieren nach Name / Datum / Gr\xF6\xDF"
              "e / inkl. ALLE Dateien")
        .in_panel(5, 1, "Sort", "Sort."),
    on(KEY_TELETEXT, key_other_window)
        .help("Teletext: Call text viewer (last document)",
              "Teletext: Aufruf des Textviewers (letztes Dokument)")
        .in_panel(5, 2, "Viewer"),
    on(KEY_GUIDE, key_other_window)
        .help("Guide: Show EPG list (nav. /w cursor keys)",
              "Guide: Aktuelle EPG-Liste (Nav. mit Cursort.)")
        .in_panel(5, 3, "EPG"),
    on(KEY_MENU, key_other_window)
        .help("Menu: Open menu (settings etc.)", "Menu: Men\xFC aufrufen (Settings etc.)")
        .in_panel(5, 4, "Menu"),
    on(KEY_VFORMAT, key_other_window)
        .help("VFormat: Change into Infos & Tools", "VFormat: Nach Infos & Tools wechseln")
        .in_panel(5, 5, "I.&Tools"),
    on(KEY_FILELIST, key_filer)
        .help("Filelist: Call original filer", "Filelist: Aufruf des Original-Filers")
        .in_panel(5, 6, "Orig.Filer"),
    heading("\rGeneral keys (in most windows):", "\rAllgemeine Tasten (in den meisten Fenstern):"),
    on(KEY_MUTE, key_help)
        .help("Mute: Show help text (other keys as well)",
              "Mute: Anzeige des Hilfetexts (auch andere Tasten)")
        .in_panel(6, 0, "More Help", "Mehr Hilfe"),
    named(KEY_TVRADIO, "TvRadio: Toggle font size",
          "TvRadio: Schriftgr\xF6\xDF"
          "e wechseln")
        .in_panel(6, 2, "Font"),
    named(KEY_AUDIO, "Audio: Toggle language", "Audio: Sprache wechseln")
        .in_panel(6, 3, "Language", "Sprache"),
    // Sleep inside a window is the dispatcher's.
    named(KEY_SLEEP, "Sleep: Screen capture of window", "Sleep: Screen Capture des Fensters")
        .in_panel(6, 4, "Screenshot"),
    on(KEY_EXIT, key_leave)
        .help("Exit: Leave window", "Exit: Fenster verlassen")
        .in_panel(6, 5, "Leave Window", "Fenster verlassen"),
};

} // namespace

const key_table browser_keys = key_table_of(browser_rows, &shared_keys, nullptr, true);

const help_page browser_help_page1 = {
    "Keys in File Browser (Page 1)",
    "Tasten im Filebrowser (Seite 1)",
    nullptr,
    nullptr,
    &browser_help_page2,
    &browser_keys,
    1,
};
const help_page browser_help_page2 = {
    "Keys in File Browser (Page 2)",
    "Tasten im Filebrowser (Seite 2)",
    nullptr,
    nullptr,
    &browser_help_page1,
    &browser_keys,
    2,
};

dword file_browser(dword key) {
    if (key & (KEY_REPEAT | KEY_RELEASE)) return 0;
    if (key == 0) {
        open_browser();
        redraw();
        if (error_show()) browser_state = BS_MESSAGE;
        return 0;
    }
    if (!(window_flags & WS_BROWSER)) return 0;
    const dword k = key & ~KEY_TAP_MARK;
    switch (browser_state) {
    case BS_LIST:
        if (k != KEY_F1) f1_tick = 0;
        if (key_dispatch(browser_keys, key) != KEY_REDRAW) return 0;
        break;
    case BS_MESSAGE:
        if (k != KEY_OK && k != KEY_EXIT) return 0;
        ibox_show(nullptr, nullptr, 0);
        browser_state = BS_LIST;
        break;
    case BS_IMAGE: {
        char shown[NAME_BYTES] = "";
        if (window_ask(WINDOW_IMAGE, with_answer(key_call(key, &browser_win), shown, sizeof shown),
                       0))
            return 0;
        browser_state = BS_LIST;
        if (shown[0]) scan_select(path_tap(current_dir, shown));
        break;
    }
    case BS_TEXT:
        window_ask(WINDOW_TEXT, key_call(key, &browser_win), 0);
        if (window_flags & WS_VIEWER) return 0;
        browser_state = BS_LIST;
        break;
    default:
        confirm_key(k);
        break;
    }
    if (!(window_flags & WS_BROWSER) || browser_state != BS_LIST) return 0;
    if (window_flags & (WS_HELP | WS_EDITOR)) return 0;
    redraw();
    if (error_show()) browser_state = BS_MESSAGE;
    return 0;
}

void browser_release(void) {
    listing_release();
    mem_free(home_dir);
    home_dir = nullptr;
    view = view_state{};
}

void browser_stop(void) {
    browser_release();
    playlist_release();
    inf_release();
}
