// The file browser window: one directory of the disk on a full-screen window, and the keys of
// its two help pages turned into file actions. Called once per key by the dispatcher; between
// keys its state lives in the statics below.
#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

#include "common/key_codes.h"
#include "browser/browser.h"
#include "browser/copy_queue.h"
#include "browser/listing.h"
#include "browser/recording.h"
#include "common/format.h"
#include "common/memory.h"
#include "common/paths.h"
#include "common/receiver_path.h"
#include "common/settings.h"
#include "core/fw_bind.h"
#include "core/later_parts.h"
#include "core/lifecycle.h"
#include "core/windows.h"
#include "image/file_details.h"
#include "image/viewer.h"
#include "osd/ibox.h"
#include "osd/icons.h"
#include "osd/key_help.h"
#include "osd/line_edit.h"
#include "osd/window.h"
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

enum { PATH_BYTES = 1024, TITLE_ROWS_LARGE = 20, TITLE_ROWS_SMALL = 24 };

osd_window browser_win;
int browser_state = BS_LIST;
char* home_dir;        // owned TAP path; null: "/"
bool list_mode;        // subdirectory details
dword f1_tick;         // tick of the previous F1
int marks_before_f1;   // mark count before the last single F1
char delete_name[256]; // the entry a delete confirmation asks about

const char* const quick_dirs[10] = {"/",           nullptr,        nullptr,         nullptr,
                                    "/MediaFiles", "/MP3Files",    SETTINGS_FOLDER, "/DataFiles",
                                    "/PlayList",   "/ProgramFiles"};

bool large() {
    return ui_large_font();
}
int rows_per_page() {
    return large() ? TITLE_ROWS_LARGE : TITLE_ROWS_SMALL;
}
// A column position given for the large font.
int col(int x) {
    return large() ? x : x * 16 / 19;
}

history_slot* slot() {
    return history_current;
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
    return current_dir && !strcmp(current_dir, "/PlayList");
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

// Lists a directory the user asked for; a missing one is reported.
void jump_to(const char* path) {
    scan(path, SCAN_REREAD);
    if (strcmp(current_dir, path))
        ibox_timed(
            &browser_win, 1200, IBOX_WARNING, path,
            ui_text("Directory currently unavailable.", "Verzeichnis derzeit nicht erreichbar."));
}

void message(int kind, dword ms, const char* title, const char* text) {
    ibox_timed(&browser_win, ms, kind, title, text);
}

// ---- Drawing ----

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
    const uint32_t style = 0x54008;
    if (icon) {
        x -= icon->width;
        osd_icon(&browser_win, icon, x, large() ? 3 : 2);
        x -= 2;
    }
    text_at(x, 0, text, style);
    return x - osd_text_width(text) - 10;
}

void draw_status() {
    char t[64];
    int x = browser_win.width - 5;
    word mjd;
    byte hour, minute, second;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    snprintf(t, sizeof t, "%d:%02d", hour, minute);
    x = status_item(x, t, nullptr);
    snprintf(t, sizeof t, "%.0fG", TAP_Hdd_FreeSize() / 1000.0);
    x = status_item(x, t, nullptr);
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
        static const char* const modes[5][2] = {{"", ""},
                                                {"Shuffle", "Zufallsfolge endlos"},
                                                {"Shuffle 1x", "Zufallsfolge einmal"},
                                                {"Repeat all", "Dauerschleife alle"},
                                                {"Repeat 1", "Dauerschleife 1 MP3"}};
        int m = mp3_mode() <= 4 ? mp3_mode() : 0;
        text_at(col(250), 0, ui_text(modes[m][0], modes[m][1]), 0x10008);
    }
}

uint32_t row_style(const dir_entry& e, bool is_selected) {
    if (is_selected) return 0x1100d;
    if (entry_is_dir(e)) return 38;
    int activity = file_activity(current_dir, e.name);
    if (activity < 0) return 0x402;
    if (activity > 0) return 5;
    return 0;
}

void draw_row(int index, int y) {
    const dir_entry& e = entries()[index];
    const bool sel = index == selected();
    const uint32_t style = row_style(e, sel);
    const int w = _Button_red_Gd.width;
    const int line = osd_line_height();
    if (sel)
        TAP_Osd_FillBox(browser_win.region, browser_win.margin_x, browser_win.margin_y + y,
                        browser_win.width, line, 0xFF800000);
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
    char name[300];
    snprintf(name, sizeof name, "%s%s", e.name, entry_is_dir(e) && strcmp(e.name, "/") ? "/" : "");
    text_at(col(w + 250), y, name, style);
    if (in_playlist_folder() && strlen(e.name) > 5 && e.name[5] == '=')
        osd_hline(&browser_win, 0, y, browser_win.width, COLOR_YELLOW);
}

struct panel_key {
    const TYPE_GrData* icon;
    const char* en;
    const char* de;
};

void panel_line(const panel_key* keys, int n, int y) {
    osd_goto(&browser_win, 0, y);
    for (int i = 0; i < n; ++i) {
        const char* label = keys[i].en ? ui_text(keys[i].en, keys[i].de) : nullptr;
        osd_icon_label(&browser_win, keys[i].icon, label, 0);
    }
}

void draw_panel(int rows_drawn) {
    const int base = large() ? 14 : 18;
    const int n = rows_drawn < base ? base : rows_drawn;
    const int line = osd_line_height();
    const int last_y = large() ? 520 : 528;
    const dir_entry* e = selected_entry();
    const bool dir = e && entry_is_dir(*e);
    const bool mp3 = e && !dir && name_ends_with(e->name, ".mp3");
    const panel_key l1[] = {{&_Button_down_Gd, nullptr, nullptr},
                            {&_Button_up_Gd, nullptr, nullptr},
                            {&_Button_rwd_Gd, nullptr, nullptr},
                            {&_Button_ffwd_Gd, nullptr, nullptr},
                            {&_Button_volminus_Gd, nullptr, nullptr},
                            {&_Button_volplus_Gd, nullptr, nullptr},
                            {&_Button_jumpstart_Gd, nullptr, nullptr},
                            {&_Button_jumpend_Gd, "Navigate in List", "In Liste navigieren"},
                            {&_Button_right_Gd, nullptr, nullptr},
                            {&_Button_left_Gd, "Enter/Leave Folder", "Ins/Aus Verzeichnis"},
                            {&_Button_record_Gd, "Copy", "Kopieren"}};
    const panel_key l2[] = {
        {&_Button_4_Gd, "MediaFiles", "MediaFiles"},     {&_Button_5_Gd, "MP3 Files", "MP3 Files"},
        {&_Button_7_Gd, "DataFiles", "DataFiles"},       {&_Button_8_Gd, "PlayList", "PlayList"},
        {&_Button_9_Gd, "ProgramFiles", "ProgramFiles"}, {&_Button_0_Gd, "/ (Root)", "/ (Root)"}};
    const panel_key l3[] = {{&_Button_recall_Gd, "Replay Folder", "W.gabeverz."},
                            {&_Button_fav_Gd, "Home", "Home"},
                            {&_Button_red_Gd, "Mark", "Markieren"},
                            {&_Button_green_Gd, "Create Folder", "Neues Verz."},
                            {&_Button_yellow_Gd, "Move", "Verschieben"},
                            {&_Button_blue_Gd, "Delete", "L\xF6schen"}};
    const panel_key l4[] = {{&_Button_ok_Gd, "Start", "Start"},
                            {&_Button_stop_Gd, "Stop", "Stop"},
                            {&_Button_play_Gd, dir ? "Play all MP3 files" : "Resume",
                             dir ? "Alle MP3 spielen" : "Forts."},
                            {&_Button_step_Gd, "rectool", "rectool"},
                            {&_Button_ar_Gd, "Special", "Spezial"},
                            {&_Button_sat_Gd, "[2x] Search", "[2x] Suchen"},
                            {&_Button_white_Gd, nullptr, nullptr},
                            {&_Button_cut_Gd, "Rename", "Umben."}};
    const panel_key l5[] = {{&_Button_aux_Gd, in_playlist_folder() ? "MP3 Mode" : "List Mode",
                             in_playlist_folder() ? "MP3 Mode" : "List Mode"},
                            {&_Button_subtitle_Gd, "Sort", "Sort."},
                            {&_Button_ttx_Gd, mp3 ? "Lyrics" : "Viewer", mp3 ? "Lyrics" : "Viewer"},
                            {&_Button_guide_Gd, "EPG", "EPG"},
                            {&_Button_menu_Gd, "Menu", "Menu"},
                            {&_Button_vf_Gd, "I.&Tools", "I.&Tools"},
                            {&_Button_filelist_Gd, "Orig.Filer", "Orig.Filer"}};
    const panel_key l6[] = {{&_Button_mute_Gd, "More Help", "Mehr Hilfe"},
                            {&_Button_info_Gd, "Details", "Details"},
                            {&_Button_tv_radio_Gd, "Font", "Font"},
                            {&_Button_audio_Gd, "Language", "Sprache"},
                            {&_Button_sleep_Gd, "Screenshot", "Screenshot"},
                            {&_Button_exit_Gd, "Leave Window", "Fenster verlassen"}};
    struct {
        const panel_key* keys;
        int n;
    } lines[6] = {{l1, 11}, {l2, 6}, {l3, 6}, {l4, 8}, {l5, 7}, {l6, 6}};
    int top = -1;
    for (int k = 1; k <= 6; ++k) {
        if (n >= base + k) continue;
        int y = last_y - (6 - k) * line;
        if (top < 0) top = y;
        panel_line(lines[k - 1].keys, lines[k - 1].n, y);
    }
    if (top >= 0) osd_hline(&browser_win, 0, top - 2, browser_win.width, COLOR_YELLOW);
}

void draw_details(int row_y) {
    const dir_entry* e = selected_entry();
    if (!e || entry_is_dir(*e) || e->size == 0) return;
    const int x = browser_win.width - (large() ? 320 : 269);
    const int line = osd_line_height();
    int y = row_y + line;
    const int height = 6 * line;
    if (y + height > browser_win.height) y = browser_win.height - height;
    if (y < line) y = line;
    TAP_Osd_FillBox(browser_win.region, browser_win.margin_x + x, browser_win.margin_y + y,
                    browser_win.width - x, height, COLOR_DEFAULT_BG);
    osd_goto(&browser_win, x + 4, y + 2);
    file_details(current_dir, e->name, &browser_win);
    TAP_Osd_DrawRectangle(browser_win.region, browser_win.margin_x + x, browser_win.margin_y + y,
                          browser_win.width - x, height, 1, COLOR_YELLOW);
    TAP_Hdd_ChangeDir(current_dir);
}

void draw() {
    if (!history_current) return;
    const int page = rows_per_page();
    history_slot* s = slot();
    if (s->selected >= static_cast<int32_t>(entry_count))
        s->selected = static_cast<int32_t>(entry_count) - 1;
    if (s->selected < 0) s->selected = 0;
    if (s->first_row > s->selected) s->first_row = s->selected;
    if (s->selected >= s->first_row + page) s->first_row = s->selected - page + 1;
    if (s->first_row < 0) s->first_row = 0;
    const bool root = !strcmp(current_dir, "/");
    osd_frame(&browser_win, FULL_W, 0, root ? "File Browser v4.92a" : current_dir, nullptr, 0);
    draw_status();
    const int line = osd_line_height();
    int rows = 0, selected_y = line;
    for (int i = s->first_row; i < static_cast<int>(entry_count) && rows < page; ++i, ++rows) {
        const int y = line + rows * line;
        if (i == s->selected) selected_y = y;
        draw_row(i, y);
    }
    draw_panel(rows);
    draw_details(selected_y);
    osd_finish(&browser_win);
}

// ---- Leaving and handing over ----

void close_window() {
    osd_close(&browser_win);
    window_flags &= ~WS_BROWSER;
    browser_state = BS_LIST;
    screen_give_back();
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

void key_mark() {
    const dword now = TAP_GetTick();
    const bool double_press = f1_tick && now - f1_tick <= 50;
    f1_tick = now;
    if (double_press) {
        mark_clear();
        if (marks_before_f1 == 0)
            for (uint32_t i = 0; i < entry_count; ++i)
                if (!entry_is_dir(entries()[i]) && entry_selectable(static_cast<int>(i), nullptr))
                    mark_toggle(static_cast<int>(i));
        f1_tick = 0;
        return;
    }
    marks_before_f1 = mark_count;
    if (entry_selectable(selected(), &browser_win)) mark_toggle(selected());
}

void key_new_folder() {
    char name[8];
    for (int i = 0; i < 10000; ++i) {
        snprintf(name, sizeof name, "%04d", i);
        if (!TAP_Hdd_Exist(name)) {
            TAP_Hdd_Create(name, ATTR_FOLDER);
            scan(current_dir, SCAN_REREAD);
            return;
        }
    }
}

// F3 and Record: the first press marks the source, the second asks at the target.
void key_copy_move(bool move) {
    if (mark_count == 0) {
        if (!selected_entry()) {
            message(IBOX_WARNING, 1200, nullptr,
                    ui_text("Please select the source[s] first (F1).",
                            "Bitte zuerst die Quelle[n] ausw\xE4hlen (F1)."));
            return;
        }
        if (!entry_selectable(selected(), &browser_win)) return;
        mark_toggle(selected());
        draw();
        message(IBOX_OK, 1200, nullptr,
                ui_text("Please press this key again at target directory.",
                        "Bitte diese Taste erneut am Zielverzeichnis dr\xFC"
                        "cken."));
        return;
    }
    char text[LINE_BUFFER_SIZE];
    snprintf(text, sizeof text, "%s\n\n%s", mark_text(),
             move ? ui_text("Really move?", "Wirklich verschieben?")
                  : ui_text("Really copy?", "Wirklich kopieren?"));
    ibox_show(nullptr, text, IBOX_CONFIRM);
    browser_state = move ? BS_CONFIRM_MOVE : BS_CONFIRM_COPY;
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
    draw();
    message(IBOX_INFO, 1500, nullptr,
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
    draw();
    if (failed)
        message(IBOX_ERROR, 2000, nullptr,
                ui_text("Couldn't move.", "Konnte nicht verschoben werden."));
}

void key_delete() {
    const dir_entry* e = selected_entry();
    if (!e || !entry_selectable(selected(), &browser_win)) return;
    const bool dir = entry_is_dir(*e);
    const bool content = dir && is_dir_with_content(e->name);
    if (content && !strcmp(current_dir, "/")) {
        message(IBOX_WARNING, 1200, e->name,
                ui_text("Primary directory not empty.", "Hauptverzeichnis nicht leer."));
        return;
    }
    snprintf(delete_name, sizeof delete_name, "%s", e->name);
    char text[200];
    snprintf(text, sizeof text, "%s%s",
             content ? ui_text("DIRECTORY NOT EMPTY!\n", "VERZEICHNIS NICHT LEER!\n") : "",
             ui_text("Really delete?", "Wirklich l\xF6schen?"));
    ibox_show(delete_name, text, IBOX_CONFIRM);
    browser_state = BS_CONFIRM_DELETE;
}

void do_delete() {
    char dir[PATH_BYTES];
    linux_path(dir, sizeof dir, current_dir, nullptr);
    const int r = group_delete(dir, delete_name, true);
    scan(current_dir, SCAN_REREAD);
    draw();
    if (r != 0)
        message(IBOX_ERROR, 2000, delete_name,
                ui_text("Couldn't (yet) delete.", "Konnte (noch) nicht gel\xF6scht werden."));
}

void key_copy_status() {
    if (!copy_ever_started()) {
        message(IBOX_INFO, 1500, nullptr,
                ui_text("No copying started.", "Kein Kopiervorgang gestartet."));
        return;
    }
    char text[400];
    copy_status_text(text, sizeof text);
    ibox_show(ui_text("Copy Status", "Kopierstatus"), text, IBOX_CONFIRM);
    browser_state = copy_step(COPY_QUERY) ? BS_CONFIRM_CANCEL_COPY : BS_CONFIRM_CLEAR_COUNTERS;
}

// The line editor's answers.
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
            dir_scan(path, SCAN_SELECT, entry_count);
            count_directories();
        } else {
            draw();
            message(IBOX_ERROR, 2000, e->name,
                    ui_text("Couldn't rename.", "Konnte nicht umbenannt werden."));
        }
    }
    if (window_flags & WS_BROWSER) draw();
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
            draw();
            message(IBOX_ERROR, 2000, result,
                    ui_text("Couldn't find entry.", "Eintrag konnte nicht gefunden werden."));
        }
    }
    if (window_flags & WS_BROWSER) draw();
    return 0;
}

void key_rename() {
    const dir_entry* e = selected_entry();
    if (!e || !entry_selectable(selected(), &browser_win)) return;
    char en[64], de[64];
    snprintf(en, sizeof en, "%.40s - Rename", e->name);
    snprintf(de, sizeof de, "%.40s - Umbenennen", e->name);
    line_edit(0, EDIT_RENAME, de, en, e->name);
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
    const bool divx = name_ends_with(name, ".avi") || name_ends_with(name, ".mkv") ||
                      name_ends_with(name, ".mp4") || name_ends_with(name, ".flv");
    if (fw_file_action(current_dir, name, divx ? 1 : 0, nullptr) != 1)
        message(IBOX_ERROR, 2000, name,
                ui_text("Replay not possible.", "Keine Wiedergabe m\xF6glich."));
}

void key_ok() {
    const dir_entry* e = selected_entry();
    if (!e) return;
    if (entry_is_dir(*e)) {
        if (!strcmp(e->name, "/")) {
            scan("/", SCAN_REREAD);
            return;
        }
        char path[PATH_BYTES];
        snprintf(path, sizeof path, "%s%s%s", current_dir, strcmp(current_dir, "/") ? "/" : "",
                 e->name);
        scan(path, SCAN_ENTER);
        return;
    }
    char name[256];
    snprintf(name, sizeof name, "%s", e->name);
    if (e->size == 0) {
        message(IBOX_WARNING, 1200, name, ui_text("Empty file.", "Leere Datei."));
    } else if (image_file_name(name)) {
        TAP_Hdd_ChangeDir(current_dir);
        if (image_view(0, current_dir, name)) browser_state = BS_IMAGE;
    } else if (is_text(name)) {
        char* path = path_tap(current_dir, name);
        text_viewer(0, path);
        mem_free(path);
        if (window_flags & WS_VIEWER) browser_state = BS_TEXT; // its keys go to the viewer
    } else if (is_media(name)) {
        play(name);
    } else if (name_ends_with(name, ".mp3")) {
        mp3_play(current_dir, name, 0);
    } else if (name_ends_with(name, ".m3u") || name_ends_with(name, ".pls")) {
        mp3_play(current_dir, name, 1);
    } else if (name_ends_with(name, ".tap")) {
        if (fw_file_action(current_dir, name, 2, nullptr) != 1)
            message(
                IBOX_ERROR, 2000, name,
                ui_text("TAP already running or no TAP.", "TAP l\xE4uft bereits oder kein TAP."));
    } else {
        message(IBOX_WARNING, 1200, name,
                ui_text("File type not supported.", "Dateityp wird nicht unterst\xFCtzt."));
    }
}

void key_stop() {
    const dir_entry* e = selected_entry();
    if (!e) return;
    const int activity = entry_is_dir(*e) ? 0 : file_activity(current_dir, e->name);
    if (activity < 0) {
        message(IBOX_WARNING, 1200, e->name,
                ui_text("File is recording.", "Datei wird aufgenommen."));
    } else if (activity == 1 || activity == 2) {
        if (void* fn = fw_address(FW_STOP_PLAYING)) reinterpret_cast<fw_stop_playing_fn>(fn)();
    } else if (activity >= 16) {
        tap_task_slot* tasks = static_cast<tap_task_slot*>(fw_address(FW_TAP_TASK));
        tap_task_slot* t = tasks ? &tasks[activity - 16] : nullptr;
        // This TAP itself is not stopped from its own window.
        const dword* current = static_cast<const dword*>(fw_address(FW_CUR_TAP_TASK));
        const bool itself = current && *current == static_cast<dword>(activity - 16);
        if (t && t->entry.handler && !itself) t->entry.handler(EVT_STOP, 0, 0);
        if (!t || file_activity(current_dir, e->name) >= 16)
            message(IBOX_ERROR, 2000, e->name,
                    ui_text("Can't terminate this TAP.", "Dieses TAP kann nicht beendet werden."));
    } else {
        message(IBOX_WARNING, 1200, e->name, ui_text("File not active.", "Datei nicht aktiv."));
    }
}

void key_recursive_listing() {
    TYPE_PlayInfo info;
    memset(&info, 0, sizeof info);
    TAP_Hdd_GetPlayInfo(&info);
    TYPE_RecInfo rec;
    bool busy = info.playMode != 0;
    for (byte s = 0; s < 2 && !busy; ++s)
        busy = TAP_Hdd_GetRecInfo(s, &rec) && rec.recType;
    if (busy) {
        message(IBOX_WARNING, 2000, nullptr,
                ui_text("No external directory tree walk during recording, timeshift or playback!",
                        "Keine externe Verz.durchsuche w\xE4hrend Aufnahme, Timeshift oder "
                        "Wiedergabe!"));
        return;
    }
    browser_tool(BROWSER_TOOL_TREE, current_dir, nullptr);
}

void go_parent() {
    if (!strcmp(current_dir, "/")) return;
    char path[PATH_BYTES];
    snprintf(path, sizeof path, "%s", current_dir);
    char* slash = strrchr(path, '/');
    if (slash == path)
        path[1] = 0;
    else if (slash)
        *slash = 0;
    scan(path, SCAN_PARENT);
}

void move_selection(int delta) {
    if (!history_current || entry_count == 0) return;
    int s = history_current->selected + delta;
    if (s < 0) s = 0;
    if (s >= static_cast<int>(entry_count)) s = static_cast<int>(entry_count) - 1;
    history_current->selected = s;
}

// Hands the screen to another window: the browser closes first.
void hand_over(dword (*opener)(dword)) {
    close_window();
    opener(0);
}

// Keys in the list. Returns false when the window closed.
bool list_key(dword key) {
    const dword k = key & ~KEY_TAP_MARK;
    const bool tap = key & KEY_TAP_MARK;
    const dir_entry* e = selected_entry();
    const int page = rows_per_page();
    if (k != KEY_F1) f1_tick = 0;
    switch (k) {
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
        move_selection(-static_cast<int>(entry_count));
        break;
    case KEY_JUMP_END:
        move_selection(static_cast<int>(entry_count));
        break;
    case KEY_LEFT:
        go_parent();
        break;
    case KEY_RIGHT:
        if (e && entry_is_dir(*e)) key_ok();
        break;
    case KEY_OK:
        key_ok();
        break;
    case KEY_EXIT:
        close_window();
        return false;
    case KEY_FILELIST:
        close_window();
        window_flags |= WS_PASS_FILELIST;
        return false;
    case KEY_TELETEXT:
        close_window();
        text_viewer(0, nullptr);
        return false;
    case KEY_GUIDE:
        hand_over(epg_window);
        return false;
    case KEY_MENU:
        hand_over(settings_menu);
        return false;
    case KEY_VFORMAT:
        hand_over(infos_window);
        return false;
    case KEY_MUTE:
        help_box(0, &browser_win, &browser_help_page1);
        return true;
    case KEY_SLEEP:
        screen_capture(&browser_win);
        return true;
    case KEY_AUDIO:
        settings.flags ^= SET_ENGLISH;
        break;
    case KEY_TVRADIO:
        settings.flags ^= SET_LARGE_FONT;
        break;
    case KEY_F1:
        if (tap) {
            mem_free(home_dir);
            home_dir = str_dup(current_dir);
            message(IBOX_INFO, 1500, current_dir,
                    ui_text("New HOME directory set.", "Neues HOME-Verzeichnis gesetzt."));
        } else {
            key_mark();
        }
        break;
    case KEY_F2:
        key_new_folder();
        break;
    case KEY_F3:
        key_copy_move(true);
        break;
    case KEY_RECORD:
        if (tap)
            key_copy_status();
        else
            key_copy_move(false);
        break;
    case KEY_F4:
        key_delete();
        break;
    case KEY_WHITE:
    case KEY_CUT:
        key_rename();
        return true;
    case KEY_SAT:
        if (entry_count)
            line_edit(0, EDIT_LIST_SEARCH, "- Suche in Liste", "- Search List Entry", nullptr);
        return true;
    case KEY_FAV:
        jump_to(home_dir ? home_dir : "/");
        break;
    case KEY_RECALL:
        if (char* played = play_file_path()) {
            dir_scan(played, SCAN_SELECT, entry_count);
            count_directories();
        }
        break;
    case KEY_PLAY:
        if (e && entry_is_dir(*e))
            mp3_play(current_dir, e->name, 2);
        else if (e && name_ends_with(e->name, ".mp3"))
            mp3_play(current_dir, e->name, 0);
        else if (e && is_media(e->name))
            play(e->name);
        break;
    case KEY_STOP:
        key_stop();
        break;
    case KEY_INFO:
        if (tap) {
            key_recursive_listing();
        } else if (e) {
            file_details(current_dir, e->name, nullptr);
            TAP_Hdd_ChangeDir(current_dir);
            browser_state = BS_MESSAGE;
            return true;
        }
        break;
    case KEY_AR:
        if (e) browser_tool(BROWSER_TOOL_SPECIAL, current_dir, e->name);
        break;
    case KEY_SLOW:
        browser_tool(tap ? BROWSER_TOOL_RECTOOL_REPAIR : BROWSER_TOOL_RECTOOL, current_dir,
                     e && !entry_is_dir(*e) ? e->name : nullptr);
        break;
    case KEY_AUX:
        if (in_playlist_folder())
            settings.sort_mp3 =
                static_cast<uint8_t>((settings.sort_mp3 & 0x0F) | ((mp3_mode() + 1) % 5) << 4);
        else {
            list_mode = !list_mode;
            count_directories();
        }
        break;
    case KEY_SUBTITLE:
        settings.sort_mp3 =
            static_cast<uint8_t>((settings.sort_mp3 & 0xF0) | (sort_setting() + 1) % 5);
        scan(current_dir, SCAN_REREAD);
        break;
    default:
        if (k >= KEY_0 && k <= KEY_9 && quick_dirs[k - KEY_0]) jump_to(quick_dirs[k - KEY_0]);
        break;
    }
    return true;
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
        draw();
        message(IBOX_INFO, 1500, nullptr,
                ui_text("Copying stopped, queue cleared.", "Kopieren beendet, Queue geleert."));
        break;
    case BS_CONFIRM_CLEAR_COUNTERS:
        copy_counters_clear();
        draw();
        message(IBOX_INFO, 1500, nullptr,
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

} // namespace

// Latin-1 texts: \xE4 ä, \xF6 ö, \xFC ü, \xDF ß (strings are split behind each escape).
const help_page browser_help_page2 = {
    "Keys in File Browser (Page 2)",
    "Tasten im Filebrowser (Seite 2)",
    "F1: Toggle file's / dir.'s multiple selection mark\n"
    "F2: Create a new directory (nnnn)\n"
    "F3: Move marked selection to this directory\n"
    "F4: Delete file or directory\n"
    "Record: Copy marked selection to this directory\n"
    "TAP key + Record: Show copy status / cancel / clear\n"
    ">|<: (White) Rename file or directory\n"
    "Sat: [2x] Search file or directory\n"
    "\rInfo: Show details about file or directory\n"
    "TAP key + Info: Recursive directory listing\n"
    "Aux: (TvSat, M) Toggle mode (subdir. details, shuffle etc.)\n"
    "Subtitle: Sort by name / date / size / incl. ALL files\n"
    "Teletext: Call text viewer (last document)\n"
    "Guide: Show EPG list (nav. /w cursor keys)\n"
    "Menu: Open menu (settings etc.)\n"
    "VFormat: Change into Infos & Tools\n"
    "Filelist: Call original filer\n"
    "\rGeneral keys (in most windows):\n"
    "Mute: Show help text (other keys as well)\n"
    "TvRadio: Toggle font size\n"
    "Audio: Toggle language\n"
    "Sleep: Screen capture of window\n"
    "Exit: Leave window",
    "F1: Datei / Verzeichnis f\xFC"
    "r Mehrfachauswahl markieren\n"
    "F2: Neues Verzeichnis erstellen (nnnn)\n"
    "F3: Markierte Auswahl in Verzeichnis verschieben\n"
    "F4: Datei oder Verzeichnis l\xF6schen\n"
    "Record: Markierte Auswahl in Verzeichnis kopieren\n"
    "TAP-Taste + Record: Kopierstatus / Kopieren abbrechen\n"
    ">|<: (Wei\xDF) Datei oder Verzeichnis umbenennen\n"
    "Sat: [2x] Datei oder Verzeichnis suchen\n"
    "\rInfo: Details \xFC"
    "ber Datei oder Verzeichnis\n"
    "TAP-Taste + Info: Rekursives Verzeichnislisting\n"
    "Aux: (TvSat, M) Mode umschalten (Verz.details, Zufallsfolge etc.)\n"
    "Subtitle: Sortieren nach Name / Datum / Gr\xF6\xDF"
    "e / inkl. ALLE Dateien\n"
    "Teletext: Aufruf des Textviewers (letztes Dokument)\n"
    "Guide: Aktuelle EPG-Liste (Nav. mit Cursort.)\n"
    "Menu: Men\xFC aufrufen (Settings etc.)\n"
    "VFormat: Nach Infos & Tools wechseln\n"
    "Filelist: Aufruf des Original-Filers\n"
    "\rAllgemeine Tasten (in den meisten Fenstern):\n"
    "Mute: Anzeige des Hilfetexts (auch andere Tasten)\n"
    "TvRadio: Schriftgr\xF6\xDF"
    "e wechseln\n"
    "Audio: Sprache wechseln\n"
    "Sleep: Screen Capture des Fensters\n"
    "Exit: Fenster verlassen",
    &browser_help_page1,
};

const help_page browser_help_page1 = {
    "Keys in File Browser (Page 1)",
    "Tasten im Filebrowser (Seite 1)",
    "v ^  << >>  |< >|  V+ V-: Navigate in list\n"
    "<: Enter parent directory\n"
    ">: Enter selected/next directory\n"
    "Ok: View / start file / enter directory\n"
    "Play: Resume replay / MP3 playlist\n"
    "Stop: Stop selected file\n"
    "Slow: EPG infos about file or live TV via rectool\n"
    "TAP key + Slow: Additionally reconstruct .inf file\n"
    "AR: Execute .sh / View codecs or hex dump\n"
    "\rChange to / from a directory:\n"
    "Recall: Replay directory\n"
    "4: MediaFiles\n"
    "5: MP3Files\n"
    "6: TovakRC\n"
    "7: DataFiles\n"
    "8: PlayList\n"
    "9: ProgramFiles\n"
    "0: / (Root)\n"
    "Fav: HOME directory\n"
    "\rTAP key + F1: Set current directory as new HOME\n"
    "F1: (F1 2x < 0.5\") Clear/mark all multiple selected",
    "v ^  << >>  |< >|  V+ V-: Navigieren in der Liste\n"
    "<: Verzeichnisebene zur\xFC"
    "ck\n"
    ">: Verzeichnis \xF6"
    "ffnen\n"
    "Ok: Datei anzeigen / starten / Verzeichnis \xF6"
    "ffnen\n"
    "Play: Wiedergabefortsetzung / MP3-Playliste\n"
    "Stop: Selektierte Datei beenden\n"
    "Slow: EPG-Infos \xFC"
    "ber Datei oder Live-TV via rectool\n"
    "TAP-Taste + Slow: Zus\xE4tzlich Rekonstruktion der .inf\n"
    "AR: .sh ausf\xFChren / Codecs oder Hexdump zeigen\n"
    "\rWechseln in / von ein[em] Verzeichnis:\n"
    "Recall: Wiedergabe-Verzeichnis\n"
    "4: MediaFiles\n"
    "5: MP3Files\n"
    "6: TovakRC\n"
    "7: DataFiles\n"
    "8: PlayList\n"
    "9: ProgramFiles\n"
    "0: / (Root)\n"
    "Fav: HOME-Verzeichnis\n"
    "\rTAP-Taste + F1: Aktuelles Verzeichnis wird neues HOME\n"
    "F1: (F1 2x < 0.5\") Mehrfachmarkierungen aufheben / setzen",
    &browser_help_page2,
};

dword file_browser(dword key) {
    if (key & (KEY_REPEAT | KEY_RELEASE)) return 0;
    if (key == 0) {
        open_browser();
        draw();
        return 0;
    }
    if (!(window_flags & WS_BROWSER)) return 0;
    const dword k = key & ~KEY_TAP_MARK;
    switch (browser_state) {
    case BS_LIST:
        if (!list_key(key)) return 0;
        break;
    case BS_MESSAGE:
        if (k != KEY_OK && k != KEY_EXIT) return 0;
        ibox_show(nullptr, nullptr, 0);
        browser_state = BS_LIST;
        break;
    case BS_IMAGE:
        if (image_view(key, nullptr, nullptr)) return 0;
        browser_state = BS_LIST;
        if (const char* shown = image_view_name()) {
            char* path = path_tap(current_dir, shown);
            dir_scan(path, SCAN_SELECT, entry_count);
            count_directories();
        }
        break;
    case BS_TEXT:
        text_viewer(key, nullptr);
        if (window_flags & WS_VIEWER) return 0;
        browser_state = BS_LIST;
        break;
    default:
        confirm_key(k);
        break;
    }
    if (!(window_flags & WS_BROWSER) || browser_state != BS_LIST) return 0;
    if (window_flags & (WS_HELP | WS_EDITOR)) return 0;
    draw();
    if (error_show()) browser_state = BS_MESSAGE;
    return 0;
}

void browser_release(void) {
    listing_release();
    mem_free(home_dir);
    home_dir = nullptr;
}

void browser_stop(void) {
    browser_release();
    inf_release();
}
