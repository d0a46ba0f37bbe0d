#include "core/menu.h"

#include <stdio.h>
#include <string.h>

#include "common/fw_bind.h"
#include "common/key_codes.h"
#include "common/persist.h"
#include "common/records.h"
#include "common/settings.h"
#include "common/version.h"
#include "core/lifecycle.h"
#include "core/remote.h"
#include "infos/harddisk.h"
#include "infos/key_infos.h"
#include "infos/page.h"
#include "infos/sysinfo.h"
#include "net/geo.h"
#include "net/update.h"
#include "osd/ibox.h"
#include "osd/icons.h"
#include "osd/window.h"
#include "osd/window_open.h"
#include "osd/window_state.h"

namespace {

// ---- State ----

osd_window menu_win;
int selected = MENU_FIRST_SELECTED; // kept for the run, not saved
int top = 1;                        // the first line shown
int step;
int sub_mode;
settings_record shadow; // the record as it was at the opening or the last save
int locate_calls;       // Reset IP Location asks the two services in turn
text_page infos;        // the system or harddisk infos shown in the menu's window

constexpr int shown_lines = 15; // list rows of the window
constexpr int window_width = 560, window_rows = 20;

// ---- The lines ----

enum line_kind {
    LINE_TOGGLE,   // a flag: any change flips it
    LINE_RANGE,    // a value within its names: one step, stopping at the ends
    LINE_CYCLE,    // none -> first -> second -> none (backwards with a negative step)
    LINE_NUMBER,   // start channel, latitude, longitude: the step is added
    LINE_RESERVED, // shows its value, changes nothing
    LINE_CITY,     // not changeable
    LINE_ACTION,   // Ok runs it
};

struct line_def {
    const char* label_de;
    const char* label_en;
    line_kind kind;
    // Value names, German and English, one per value ("|" separated); null for numbers.
    const char* names_de;
    const char* names_en;
};

// Line n is lines[n - 1].
constexpr line_def lines[MENU_LINES] = {
    {"> Sprache = ", "> Language = ", LINE_TOGGLE, "Deutsch|English", "Deutsch|English"},
    {"> Schrift = ", "> Font Size = ", LINE_TOGGLE, "Normal|Fett", "Normal|Bold"},
    {"> Stil = ", "> Style = ", LINE_RESERVED, "(reserviert)", "(reserved)"},
    {"> Startup = ", "> Startup = ", LINE_RANGE, "Normal|Ohne Ton|Pausiert", "Normal|Muted|Paused"},
    {"> Startsender = ", "> Start Channel = ", LINE_NUMBER, nullptr, nullptr},
    {"> Sortieren = ", "> Sorting = ", LINE_RANGE,
     "n. Namen|n. Datum-|n. Datum+|n. Gr\xF6\xDF"
     "e|ALLE",
     "By name|By date-|By date+|By size|ALL"},
    {"> MP3-Mode = ", "> MP3 Mode = ", LINE_RANGE, "Normal|Zufall|Zufall 1x|Wiederh.|Wh. 1 ",
     "Normal|Shuffle|Sh. 1x|Repeat|Repeat 1"},
    {"> TAP-Taste = ", "> TAP Key = ", LINE_TOGGLE, "Sat|Aux, M", "Sat|Aux, M"},
    {"> Files-Taste = ", "> Files Key = ", LINE_CYCLE, "indirekt|Ok|Filelist",
     "indirect|Ok|Filelist"},
    {"> Text-Taste = ", "> Text Key = ", LINE_TOGGLE, "indirekt|Teletext", "indirect|Teletext"},
    {"> Infos-Taste = ", "> Infos Key = ", LINE_CYCLE, "indirekt|Subtitle|Info",
     "indirect|Subtitle|Info"},
    {"> TF = ", "> TF = ", LINE_RANGE, nullptr, nullptr},
    {"> RC = ", "> RC = ", LINE_RANGE, nullptr, nullptr},
    {"> Orig. RC = ", "> Orig. RC = ", LINE_TOGGLE, "Zulassen|Sperren", "Enable|Disable"},
    {"> IR Filter = ", "> IR Filter = ", LINE_TOGGLE, "Aus|Ein", "Off|On"},
    {"> Ch / Vol = ", "> Ch / Vol = ", LINE_TOGGLE, "Aus|Ein", "Off|On"},
    {"> Select ID = ", "> Select ID = ", LINE_RANGE, nullptr, nullptr},
    {"> Start-Mode = ", "> Start Mode = ", LINE_TOGGLE, "Inaktiv|Aktiv", "Deaf|Listen"},
    {"Save & Exit Men\xFC ", "Save & Exit Menu", LINE_ACTION, nullptr, nullptr},
    {"> Max. Files = ", "> Max. Files = ", LINE_RANGE, nullptr, nullptr},
    {"> Max. Text = ", "> Max. Text = ", LINE_RANGE, nullptr, nullptr},
    {"> TAP+Stop = ", "> TAP+Stop = ", LINE_RANGE, "Inaktiv|Stop TAPs|PVR Aus",
     "Disabled|Stop TAPs|PVR Off"},
    {"> Logging = ", "> Logging = ", LINE_TOGGLE, "Aus|Ein", "Off|On"},
    {"> Standort = ", "> Location = ", LINE_RANGE,
     "IP|Manuell|Man. + Land|Man. + Region|Man. + Ort",
     "IP|Manually|M. + Country|Man. + Region|Man. + City"},
    {"> Breite = ", "> Latitude = ", LINE_NUMBER, nullptr, nullptr},
    {"> L\xE4nge = ", "> Longitude = ", LINE_NUMBER, nullptr, nullptr},
    {"Ort: ", "City: ", LINE_CITY, nullptr, nullptr},
    {"IP-Standort neu setzen", "Reset IP Location", LINE_ACTION, nullptr, nullptr},
    {"TAP-Update suchen", "Check TAP Update", LINE_ACTION, nullptr, nullptr},
    {"Beschreibung zeigen", "Show Description", LINE_ACTION, nullptr, nullptr},
    {"Systeminfos zeigen", "Show System Infos", LINE_ACTION, nullptr, nullptr},
    {"Harddiskinfos zeigen", "Show Harddisk Infos", LINE_ACTION, nullptr, nullptr},
    {"Tastencodes zeigen", "Show Key Codes", LINE_ACTION, nullptr, nullptr},
    {"TAP stoppen", "Terminate TAP", LINE_ACTION, nullptr, nullptr},
};

struct hint_def {
    int first, last;
    const char *de, *en, *second_de, *second_en;
};

#define AUTOSTART_HINT "(als 1. TAP in AutoStart)", "(if 1st TAP in AutoStart)"
#define RESTART_HINT "(nach TAP-Neustart)", "(after TAP restart)"
constexpr hint_def hints[] = {
    {4, 4, "Ton / Pause beim Start", "Mute / Pause at startup", AUTOSTART_HINT},
    {5, 5, "0 = Letzter, <0 = Radio", "0 = Last, <0 = Radio", AUTOSTART_HINT},
    {8, 8, "Aux ist evtl. TvSat", "Aux may be TvSat", nullptr, nullptr},
    {9, 11, "Direkttaste", "Direct key", nullptr, nullptr},
    {12, 12, "Topfield-Receiver", "Topfield Receiver", nullptr, nullptr},
    {13, 13, "Fernbedienung", "Remote Control", nullptr, nullptr},
    {15, 15, "Siehe Beschreibung!", "See description!", nullptr, nullptr},
    {16, 16, "Cursortasten wandeln", "Remap cursor keys", nullptr, nullptr},
    {17, 18, "Siehe Beschreibung!", "See description!", nullptr, nullptr},
    {19, 19, "Einstellungen sichern", "Save settings", nullptr, nullptr},
    {20, 20, "Dateien pro Verzeichnis", "Files per directory", RESTART_HINT},
    {21, 21, "Zeilen pro Dokument", "Lines per document", RESTART_HINT},
    {22, 22, "Aktion f\xFCr TAP+Stop", "Action for TAP+Stop", nullptr, nullptr},
    {24, 24, "Via IP oder manuell", "Via IP or manually", nullptr, nullptr},
    {27, 27, "Nicht manuell \xE4nderbar", "No change by user", nullptr, nullptr},
    {28, 28, "Via ext. IP-Adresse", "Via ext. IP address", "(mehrere Server)",
     "(multiple servers)"},
    {29, 29, "DL nach /ProgramFiles", "DL to /ProgramFiles", nullptr, nullptr},
};
#undef AUTOSTART_HINT
#undef RESTART_HINT

const hint_def* hint_of(int line) {
    for (const hint_def& h : hints)
        if (line >= h.first && line <= h.last) return &h;
    return nullptr;
}

const line_def& def(int line) {
    return lines[line - 1];
}

// Lines whose << >> V+ V- change the value by 10 and 100 instead of jumping.
bool number_line(int line) {
    return line == 5 || line == 25 || line == 26;
}
bool changeable(int line) {
    const line_kind k = def(line).kind;
    return k != LINE_ACTION && k != LINE_CITY;
}

// Name number `index` of a "|" separated list into out.
void name_of(const char* names, int index, char* out, size_t size) {
    out[0] = 0;
    for (int i = 0; names && i < index; ++i) {
        names = strchr(names, '|');
        if (names) ++names;
    }
    if (!names) return;
    const char* end = strchr(names, '|');
    const size_t n = end ? static_cast<size_t>(end - names) : strlen(names);
    snprintf(out, size, "%.*s", static_cast<int>(n), names);
}

int name_count(const char* names) {
    int n = 1;
    for (; *names; ++names)
        n += *names == '|';
    return n;
}

// The flags of the two-flag cycles: none (0), first (1), second (2).
int cycle_value(uint32_t first, uint32_t second) {
    return settings.flags & first ? 1 : settings.flags & second ? 2 : 0;
}
void cycle_set(uint32_t first, uint32_t second, int value) {
    settings.flags &= ~(first | second);
    if (value == 1) settings.flags |= first;
    if (value == 2) settings.flags |= second;
}

uint32_t toggle_flag(int line) {
    switch (line) {
    case 1:
        return SET_ENGLISH;
    case 2:
        return SET_LARGE_FONT;
    case 8:
        return SET_TAP_KEY_AUX;
    case 10:
        return SET_TEXT_TELETEXT;
    case 14:
        return SET_ORIG_RC_REFUSED;
    case 15:
        return SET_IR_FILTER;
    case 16:
        return SET_CH_VOL;
    case 18:
        return SET_START_LISTENING;
    case 23:
        return SET_LOGGING;
    default:
        return 0;
    }
}

void startup_field(int shift, uint32_t mask, int value) {
    settings.startup = (settings.startup & ~(mask << shift)) | (static_cast<uint32_t>(value) & mask)
                                                                   << shift;
}

// The value of a ranged or cycling line and its largest value.
int line_value(int line, int* largest) {
    *largest = 4;
    switch (line) {
    case 4:
        *largest = 2;
        return settings_start_paused(settings) ? 2 : settings_start_muted(settings) ? 1 : 0;
    case 6:
        return settings.sort_mp3 & 0xF;
    case 7:
        return settings.sort_mp3 >> 4;
    case 9:
        *largest = 2;
        return cycle_value(SET_FILES_OK, SET_FILES_FILELIST);
    case 11:
        *largest = 2;
        return cycle_value(SET_INFOS_SUBTITLE, SET_INFOS_INFO);
    case 12:
        return settings.tf_model;
    case 13:
        return settings.rc_model;
    case 17:
        *largest = 9;
        return settings.receiver_id;
    case 20:
        *largest = 20;
        return static_cast<int>(settings_max_files(settings));
    case 21:
        *largest = 20;
        return static_cast<int>(settings_max_text(settings));
    case 22:
        *largest = 2;
        return static_cast<int>(settings_stop_action(settings));
    case 24:
        return static_cast<int>(settings_location_mode(settings));
    default:
        *largest = 0;
        return 0;
    }
}

void line_set(int line, int value) {
    switch (line) {
    case 4:
        startup_field(2, 3, value == 1 ? 1 : value == 2 ? 2 : 0);
        break;
    case 6:
        settings.sort_mp3 = static_cast<uint8_t>((settings.sort_mp3 & 0xF0) | value);
        break;
    case 7:
        settings.sort_mp3 = static_cast<uint8_t>((settings.sort_mp3 & 0x0F) | value << 4);
        break;
    case 9:
        cycle_set(SET_FILES_OK, SET_FILES_FILELIST, value);
        break;
    case 11:
        cycle_set(SET_INFOS_SUBTITLE, SET_INFOS_INFO, value);
        break;
    case 12:
        settings.tf_model = static_cast<uint8_t>(value);
        break;
    case 13:
        settings.rc_model = static_cast<uint8_t>(value);
        break;
    case 17:
        settings.receiver_id = static_cast<uint8_t>(value);
        break;
    case 20:
        startup_field(16, 0xFF, value);
        break;
    case 21:
        startup_field(24, 0xFF, value);
        break;
    case 22:
        startup_field(0, 3, value);
        break;
    case 24:
        startup_field(4, 7, value);
        break;
    default:
        break;
    }
}

int clamp(int v, int low, int high) {
    return v < low ? low : v > high ? high : v;
}

// Latitude (line 25) or longitude (26) as shown: the manual value, or in the location mode IP
// the located one.
double degrees(int line) {
    if (settings_location_mode(settings) == 0)
        return line == 25 ? position.latitude : position.longitude;
    return (line == 25 ? settings.latitude : settings.longitude) / 100.0;
}

// Degrees of the position record (anything a file held) as hundredths within +-limit, truncated.
int16_t hundredths(double degrees, int limit) {
    const double v = degrees * 100;
    if (v != v) return 0;
    return static_cast<int16_t>(v < -limit ? -limit : v > limit ? limit : static_cast<int>(v));
}

void number_change(int line) {
    if (line == 5) {
        settings.start_channel =
            static_cast<int16_t>(clamp(settings.start_channel + step, -32768, 32767));
        return;
    }
    if (settings_location_mode(settings) == 0) {
        // Changing the located position makes it a manual one.
        startup_field(4, 7, 1);
        settings.latitude = hundredths(position.latitude, 9000);
        settings.longitude = hundredths(position.longitude, 18000);
    }
    if (line == 25)
        settings.latitude = static_cast<int16_t>(clamp(settings.latitude + step, -9000, 9000));
    else
        settings.longitude = static_cast<int16_t>(clamp(settings.longitude + step, -18000, 18000));
}

// Changes the selected line by the step.
void change() {
    const int line = selected;
    switch (def(line).kind) {
    case LINE_TOGGLE:
        settings.flags ^= toggle_flag(line);
        break;
    case LINE_RANGE: {
        int largest;
        const int v = line_value(line, &largest);
        const int lowest = line == 20 || line == 21 ? 1 : 0;
        line_set(line, clamp(v + (step < 0 ? -1 : 1), lowest, largest));
        break;
    }
    case LINE_CYCLE: {
        int largest;
        const int v = line_value(line, &largest);
        line_set(line, (v + (step < 0 ? largest : 1)) % (largest + 1));
        break;
    }
    case LINE_NUMBER:
        number_change(line);
        break;
    default:
        break;
    }
}

void value_text(int line, char* out, size_t size) {
    out[0] = 0;
    const line_def& d = def(line);
    const char* names = ui_text(d.names_en, d.names_de);
    switch (line) {
    case 5:
        snprintf(out, size, "%d", settings.start_channel);
        return;
    case 12:
    case 13: {
        const char* name = remote_model_name(line == 12 ? settings.tf_model : settings.rc_model);
        snprintf(out, size, "%s", name ? name : "?");
        return;
    }
    case 17:
        snprintf(out, size, "%d", settings.receiver_id);
        return;
    case 20:
        snprintf(out, size, "%u", settings_max_files(settings) * 1000);
        return;
    case 21:
        snprintf(out, size, "%u", settings_max_text(settings) * 5000);
        return;
    case 25:
    case 26:
        snprintf(out, size, "%+.2f\xB0", degrees(line));
        return;
    case 27: {
        char city[25], region[25], country[25];
        record_text(position.city, sizeof position.city, city, sizeof city);
        record_text(position.region, sizeof position.region, region, sizeof region);
        record_text(position.country, sizeof position.country, country, sizeof country);
        if (city[0])
            snprintf(out, size, "%s / %s / %s", city, region, country);
        else
            snprintf(out, size, "/ %s / %s", region, country);
        return;
    }
    default:
        break;
    }
    switch (d.kind) {
    case LINE_TOGGLE:
        name_of(names, settings.flags & toggle_flag(line) ? 1 : 0, out, size);
        break;
    case LINE_RANGE:
    case LINE_CYCLE: {
        int largest;
        const int v = line_value(line, &largest);
        if (v < name_count(names)) name_of(names, v, out, size);
        break;
    }
    case LINE_RESERVED:
        name_of(names, 0, out, size);
        break;
    default:
        break;
    }
}

// ---- Opening and closing ----

bool other_windows_open() {
    return window_flags & (WS_HELP | WS_INFOS | WS_BROWSER | WS_VIEWER | WS_EDITOR | WS_EPG);
}

void close_menu() {
    while (ibox_open())
        ibox_show(nullptr, nullptr, 0);
    key_code_window = nullptr;
    sub_mode = MENU_LIST;
    osd_close(&menu_win);
    settings = shadow;
    window_flags &= ~WS_MENU;
    if (!other_windows_open()) screen_give_back();
}

void save_and_close() {
    if (settings.receiver_id != shadow.receiver_id) {
        if (settings.receiver_id != 0)
            window_flags |= WS_DEAF;
        else
            window_flags &= ~WS_DEAF;
    }
    tap_key = settings.flags & SET_TAP_KEY_AUX ? KEY_AUX : KEY_SAT;
    word mjd = 0;
    byte hour, minute, second;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    settings.save_day = mjd;
    settings_save();
    ir_setup(reinterpret_cast<fw_set_ir_code_fn>(fw_address(FW_SET_IR_CODE)));
    shadow = settings;
    close_menu();
}

// ---- Drawing ----

void panel_keys(const dword* keys, size_t n, const char* label) {
    for (size_t i = 0; i < n; ++i)
        osd_icon_label(&menu_win, key_icon(keys[i]), i + 1 == n ? label : nullptr, 0);
}

const char* panel_label(dword key) {
    const key_row* row = key_row_of(menu_keys, key);
    return row ? key_panel_label(*row) : nullptr;
}

// The key help: the moving keys, then the change keys or the Ok key of the selected line.
void draw_key_help(int y) {
    static constexpr dword arrows[] = {KEY_UP, KEY_DOWN};
    static constexpr dword jumps[] = {KEY_V_PLUS, KEY_V_MINUS, KEY_REWIND, KEY_FORWARD};
    static constexpr dword play[] = {KEY_PLAY};
    static constexpr dword sides[] = {KEY_LEFT, KEY_RIGHT};
    static constexpr dword ok[] = {KEY_OK};
    const bool numbers = number_line(selected);
    osd_goto(&menu_win, 0, y);
    panel_keys(arrows, 2, nullptr);
    if (!numbers) panel_keys(jumps, 4, nullptr);
    panel_keys(play, 1, panel_label(KEY_PLAY));
    const int line = osd_line_height();
    osd_goto(&menu_win, 0, y + line);
    if (changeable(selected)) {
        panel_keys(sides, 2, numbers ? nullptr : panel_label(KEY_RIGHT));
        if (numbers) panel_keys(jumps, 4, panel_label(KEY_RIGHT));
    } else if (selected != MENU_CITY_LINE) {
        panel_keys(ok, 1, panel_label(KEY_OK));
    }
}

void draw_menu() {
    osd_window* win = &menu_win;
    osd_frame(win, window_width, window_rows, ui_text("Menu", "Men\xFC "), TOVAK_VERSION, 0);
    const int line = osd_line_height();
    const int column = ui_large_font() ? 280 : 235;
    char label[64], value[64];
    for (int i = 0; i < shown_lines && top + i <= MENU_LINES; ++i) {
        const int n = top + i;
        const int y = (i + 1) * line;
        menu_line_text(n, label, sizeof label, value, sizeof value);
        uint32_t style = n == MENU_SAVE_LINE ? PAL_ON_GREEN : n == MENU_CITY_LINE ? PAL_GREY : 0;
        if (n == selected) style = PAL_YELLOW_ON_RED;
        osd_goto(win, 0, y);
        snprintf(line_buffer + 1, sizeof line_buffer - 1, "%s", label);
        osd_text(win, line_buffer, style | ST_SAME_LINE);
        if (value[0]) {
            osd_goto(win, column, y);
            osd_text(win, value, style | ST_SAME_LINE);
        }
        if (n == MENU_SAVE_LINE) osd_hline(win, 0, y + line - 1, win->width, COLOR_YELLOW);
    }
    const int hint_y = (shown_lines + 1) * line;
    osd_hline(win, 0, hint_y - 1, win->width, COLOR_YELLOW);
    const char* hint[2] = {menu_hint(selected), menu_second_hint(selected)};
    for (int i = 0; i < 2; ++i) {
        if (!hint[i]) continue;
        osd_goto(win, 0, hint_y + i * line);
        snprintf(line_buffer + 1, sizeof line_buffer - 1, "%s", hint[i]);
        osd_text(win, line_buffer, PAL_CYAN | ST_SAME_LINE);
    }
    osd_hline(win, 0, hint_y + 2 * line - 1, win->width, COLOR_YELLOW);
    draw_key_help(hint_y + 2 * line);
    osd_finish(win);
}

// ---- Keys of the list ----

void select_line(int line) {
    selected = line;
    if (selected < top) top = selected;
    if (selected >= top + shown_lines) top = selected - shown_lines + 1;
}

int key_up(dword) {
    select_line(selected == 1 ? MENU_LINES : selected - 1);
    return KEY_REDRAW;
}
int key_down(dword) {
    select_line(selected == MENU_LINES ? 1 : selected + 1);
    return KEY_REDRAW;
}
int key_first(dword) {
    select_line(1);
    return KEY_REDRAW;
}
int key_last(dword) {
    select_line(MENU_LINES);
    return KEY_REDRAW;
}
int key_save_line(dword) {
    select_line(MENU_SAVE_LINE);
    return KEY_REDRAW;
}

// A page up or down: the save line and the two ends are the stops.
void page_back() {
    const int s = selected;
    select_line(s == 1 ? MENU_LINES : s <= MENU_SAVE_LINE ? 1 : s == 20 ? MENU_SAVE_LINE : 20);
}
void page_on() {
    const int s = selected;
    select_line(s < MENU_SAVE_LINE    ? MENU_SAVE_LINE
                : s == MENU_SAVE_LINE ? 20
                : s < MENU_LINES      ? MENU_LINES
                                      : 1);
}

int change_by(int amount) {
    step = amount;
    change();
    return KEY_REDRAW;
}

int key_left(dword) {
    return change_by(-1);
}
int key_right(dword) {
    return change_by(1);
}
int key_rewind(dword) {
    if (number_line(selected)) return change_by(-10);
    page_back();
    return KEY_REDRAW;
}
int key_forward(dword) {
    if (number_line(selected)) return change_by(10);
    page_on();
    return KEY_REDRAW;
}
int key_volume_up(dword) {
    if (number_line(selected)) return change_by(100);
    page_back();
    return KEY_REDRAW;
}
int key_volume_down(dword) {
    if (number_line(selected)) return change_by(-100);
    page_on();
    return KEY_REDRAW;
}

int key_zero(dword) {
    if (selected == 5) settings.start_channel = 0;
    return KEY_REDRAW;
}

int key_logging(dword) {
    settings.flags ^= SET_LOGGING;
    return KEY_REDRAW;
}

int key_diagnostic(dword) {
    settings.flags ^= SET_DIAGNOSTIC;
    return KEY_DONE;
}

int key_exit(dword) {
    close_menu();
    return KEY_CLOSED;
}

// A successful update check is noted in the file at once, without the changes the menu has not
// saved (Exit still drops them).
void note_update_check() {
    shadow.update_day = settings.update_day;
    shadow.save_day = settings.save_day;
    const settings_record changed = settings;
    settings = shadow;
    settings_save();
    settings = changed;
}

// The key-code display: the menu's window at full size, each key's code on the next row.
void open_key_codes() {
    sub_mode = MENU_KEY_CODES;
    osd_frame(&menu_win, FULL_W, 0, ui_text("Key Codes", "Tastencodes"), TOVAK_VERSION, 0);
    osd_finish(&menu_win);
    osd_goto(&menu_win, 0, osd_line_height());
    key_code_window = &menu_win;
}

// Sub-modes that show their output in the menu's window.
void open_description() {
    sub_mode = MENU_DESCRIPTION;
    window_open(WINDOW_TEXT, file_call(nullptr, "", &menu_win));
    if (!(window_flags & WS_VIEWER)) sub_mode = MENU_LIST;
}

int key_ok(dword) {
    switch (selected) {
    case MENU_SAVE_LINE:
        save_and_close();
        return KEY_CLOSED;
    case 28:
        ip_locate(locate_calls++ % 2 + 1);
        startup_field(4, 7, 0);
        return KEY_REDRAW;
    case 29:
        sub_mode = MENU_UPDATE;
        if (update_check(1) >= 0) note_update_check();
        return KEY_DONE;
    case 30:
        open_description();
        return sub_mode == MENU_LIST ? KEY_REDRAW : KEY_DONE;
    case 31:
        sub_mode = MENU_SYSTEM;
        system_page_prepare(&infos);
        system_page(&menu_win, &infos);
        return KEY_DONE;
    case 32:
        sub_mode = MENU_HARDDISK;
        harddisk_page_prepare(&infos, 0);
        harddisk_page(&menu_win, &infos);
        return KEY_DONE;
    case 33:
        open_key_codes();
        return KEY_DONE;
    case 34:
        close_menu();
        tap_terminate(0);
        return KEY_CLOSED;
    default:
        return KEY_DONE;
    }
}

constexpr key_row menu_rows[] = {
    heading("Keys in the Settings Menu", "Tasten im Einstellungsmen\xFC"),
    on(KEY_UP, key_up).help("^: Previous line", "^: Vorige Zeile").in_panel(1, 0),
    on(KEY_DOWN, key_down)
        .help("v: Next line", "v: N\xE4"
                              "chste Zeile")
        .in_panel(1, 1),
    on(KEY_JUMP_START, key_first).help("|<: First line", "|<: Erste Zeile"),
    on(KEY_JUMP_END, key_last).help(">|: Last line", ">|: Letzte Zeile"),
    on(KEY_PLAY, key_save_line)
        .help("Play: \"Save & Exit\" line", "Play: Zeile \"Save & Exit\"")
        .in_panel(1, 6, "Nav."),
    on(KEY_REWIND, key_rewind)
        .help("<<: Page back (-10 on numbers)", "<<: Seite zur\xFC"
                                                "ck (-10 bei Zahlen)")
        .in_panel(1, 4),
    on(KEY_FORWARD, key_forward)
        .help(">>: Page on (+10 on numbers)", ">>: Seite vor (+10 bei Zahlen)")
        .in_panel(1, 5),
    on(KEY_V_PLUS, key_volume_up)
        .help("V+: Page back (+100 on numbers)", "V+: Seite zur\xFC"
                                                 "ck (+100 bei Zahlen)")
        .in_panel(1, 2),
    on(KEY_V_MINUS, key_volume_down)
        .help("V-: Page on (-100 on numbers)", "V-: Seite vor (-100 bei Zahlen)")
        .in_panel(1, 3),
    on(KEY_LEFT, key_left).help("<: Change (-1)", "<: \xC4ndern (-1)").in_panel(2, 0),
    on(KEY_RIGHT, key_right)
        .help(">: Change (+1)", ">: \xC4ndern (+1)")
        .in_panel(2, 1, "Change", "\xC4ndern"),
    on(KEY_OK, key_ok)
        .help("Ok: Execute", "Ok: Ausf\xFChren")
        .in_panel(2, 8, "Execute", "Ausf\xFChren"),
    on(KEY_0, key_zero).help("0: Start channel 0", "0: Startsender 0"),
    named(KEY_AUDIO, "AudioTrk: Language", "AudioTrk: Sprache"),
    named(KEY_TVRADIO, "TvRadio: Font size",
          "TvRadio: Schriftgr\xF6\xDF"
          "e"),
    on(KEY_SUBTITLE, key_logging).help("Subtitle: Logging on/off", "Subtitle: Logging ein/aus"),
    on(KEY_AR, key_diagnostic).help("AR: Diagnostic mode", "AR: Diagnosemodus"),
    on(KEY_EXIT, key_exit).help("Exit: Leave without saving", "Exit: Verlassen ohne Sichern"),
};

// Keys while an action shows its output.
void sub_mode_key(dword key) {
    const dword plain = key & ~KEY_TAP_MARK;
    if (sub_mode == MENU_DESCRIPTION) {
        window_ask(WINDOW_TEXT, key_call(key, &menu_win), 0);
        if (window_flags & WS_VIEWER) return;
        window_flags &= ~(WS_PASS_TELETEXT | WS_VIEWER_TELETEXT);
        sub_mode = MENU_LIST;
        if (window_flags & WS_EPG_CHANNEL) {
            window_flags &= ~WS_EPG_CHANNEL;
            close_menu();
            return;
        }
        draw_menu();
        return;
    }
    if (plain != KEY_EXIT) {
        if (sub_mode == MENU_KEY_CODES) key_code_print(&menu_win, key);
        return;
    }
    while (ibox_open())
        ibox_show(nullptr, nullptr, 0);
    key_code_window = nullptr;
    sub_mode = MENU_LIST;
    draw_menu();
}

} // namespace

const key_table menu_keys = key_table_of(menu_rows, &shared_keys, nullptr, true);

dword settings_menu(dword key) {
    if (key == 0) {
        if (!(window_flags & WS_MENU)) {
            window_flags |= WS_MENU;
            shadow = settings;
            sub_mode = MENU_LIST;
            step = 0;
            select_line(selected);
            screen_take();
        }
        if (sub_mode == MENU_LIST) draw_menu();
        return 0;
    }
    if (!(window_flags & WS_MENU)) return 0;
    if (sub_mode != MENU_LIST) {
        sub_mode_key(key);
        return 0;
    }
    if (key_dispatch(menu_keys, key) == KEY_REDRAW) draw_menu();
    return 0;
}

menu_facts menu_facts_now(void) {
    return {selected, top, step, sub_mode};
}

void menu_line_text(int line, char* label, size_t label_size, char* value, size_t value_size) {
    label[0] = value[0] = 0;
    if (line < 1 || line > MENU_LINES) return;
    snprintf(label, label_size, "%s", ui_text(def(line).label_en, def(line).label_de));
    value_text(line, value, value_size);
}

const char* menu_hint(int line) {
    const hint_def* h = hint_of(line);
    return h ? ui_text(h->en, h->de) : nullptr;
}

const char* menu_second_hint(int line) {
    const hint_def* h = hint_of(line);
    return h && h->second_en ? ui_text(h->second_en, h->second_de) : nullptr;
}
