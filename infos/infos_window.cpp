#include "infos_window.h"

#include <stdio.h>
#include <string.h>

#include "common/format.h"
#include "common/key_codes.h"
#include "common/records.h"
#include "common/settings.h"
#include "common/usage.h"
#include "common/version.h"
#include "infos/astro.h"
#include "infos/calculator.h"
#include "infos/calendar.h"
#include "infos/diagnostics.h"
#include "infos/forum.h"
#include "infos/harddisk.h"
#include "infos/key_infos.h"
#include "infos/load_monitor.h"
#include "infos/page.h"
#include "infos/sysinfo.h"
#include "infos/tap_tasks.h"
#include "infos/time_check.h"
#include "osd/ibox.h"
#include "osd/window.h"
#include "osd/window_open.h"
#include "osd/window_state.h"
#include "platform/tap_header.h"

int infos_state;

namespace {

osd_window infos_win;
text_page infos_page;
constexpr int32_t unix_of_mjd0 = 40587;

// ---- The main page ----

// "day.month.year" of a day.
const char* date_text(word mjd) {
    return date_time_text(mjd, -1) + 3; // without the weekday
}

const char* moment_text(const usage_moment& m) {
    return date_time_text(m.day, m.hour * 60 + m.minute);
}

uint32_t moment_word(const usage_moment& m) {
    return static_cast<uint32_t>(m.day) << 16 | static_cast<uint32_t>(m.hour) << 8 | m.minute;
}

// A moment given as Unix seconds (UTC) shifted by the local offset, as the shared date text.
const char* unix_moment_text(uint32_t seconds) {
    const uint32_t local = seconds + static_cast<uint32_t>(position.utc_offset * 60);
    return date_time_text(static_cast<word>(local / 86400 + unix_of_mjd0),
                          static_cast<int>(local % 86400 / 60));
}

const char* utc_mark() {
    return position.time_checked ? "" : " UTC";
}

void usage_lines(text_page* p, int* changes_shown) {
    const usage_record& u = usage;
    page_line(p, 0, "Starts s. %s (%d/%dd): %d", date_text(u.first_day), u.days - 1,
              static_cast<int>(usage_day) - static_cast<int>(u.first_day), u.starts);
    const int32_t before_min = u.runtime_before / 60;
    const int32_t per_day = u.days > 1 ? before_min / (u.days - 1) : before_min;
    const dword session = session_start_tick ? (TAP_GetTick() - session_start_tick) / 100 : 0;
    const int32_t today = u.runtime_today + static_cast<int32_t>(session);
    page_line(p, 0, "%s: %dh%02d' (%d'/d) + %d'%02d\"", ui_text("Runtime", "Laufzeit"),
              before_min / 60, before_min % 60, per_day, today / 60, today % 60);
    page_rule(p);
    int shown = 0;
    if (u.exit_before_today.day != 0) {
        page_line(p, 0, "%s: %s", ui_text("Last day off", "Letzt. Tag Aus"),
                  moment_text(u.exit_before_today));
        ++shown;
    }
    page_line(p, 0, "%s: %s", ui_text("Today 1st key", "Heute 1. Taste"),
              moment_text(u.first_key_today));
    if (moment_word(u.last_exit) != moment_word(u.exit_before_today)) {
        page_line(p, 0, "%s: %s", ui_text("Last time off", "Letzt. Mal Aus"),
                  moment_text(u.last_exit));
        ++shown;
    }
    if (moment_word(u.session_first_key) != moment_word(u.first_key_today)) {
        page_line(p, 0, "%s: %s", ui_text("Last time on", "Letzt. Mal Ein"),
                  moment_text(u.session_first_key));
        ++shown;
    }
    *changes_shown = shown;
    page_rule(p);
    page_line(p, 0, "TovakRC / %s: %d / %d", ui_text("Keys", "Tasten"),
              u.key_presses - u.keys_passed, u.key_presses);
    const uint16_t* o = u.opened;
    page_line(p, 0, "%d Bws, %d Vwr, %d Img, %d Web", o[USE_BROWSER], o[USE_VIEWER], o[USE_IMAGE],
              o[USE_WEB]);
    page_line(p, 0, "%d Menu, %d Info, %d Cal, %d Calc", o[USE_MENU], o[USE_INFO], o[USE_CAL],
              o[USE_CALC]);
    page_line(p, 0, "%d EPG, %d Trim, %d Capt, %d .sh", o[USE_EPG], o[USE_TRIM], o[USE_CAPTURE],
              o[USE_SCRIPT]);
    page_rule(p);
}

void location_lines(text_page* p, unsigned mode, double latitude, double longitude) {
    if (latitude == 0 && longitude == 0) return;
    char city[25], region[25], region_code[9], country[25], country_code[9];
    record_text(position.city, sizeof position.city, city, sizeof city);
    record_text(position.region, sizeof position.region, region, sizeof region);
    record_text(position.region_code, sizeof position.region_code, region_code, sizeof region_code);
    record_text(position.country, sizeof position.country, country, sizeof country);
    record_text(position.country_code, sizeof position.country_code, country_code,
                sizeof country_code);
    if (mode != 1 && (city[0] || region[0] || country[0])) {
        char text[80];
        location_text(mode, city, region, region_code, country, country_code, text, sizeof text);
        page_line(p, 0, "%s: %s", ui_text("Location", "Standort"), text);
    }
    page_line(p, 0, "%s: %+.2f\xB0, %s: %+.2f\xB0", ui_text("Latitude", "Breite"), latitude,
              ui_text("Longitude", "L\xE4nge"), longitude);
}

void sun_lines(text_page* p, double latitude, double longitude, int changes_shown) {
    if (latitude == 0 && longitude == 0) return;
    word mjd = 0;
    byte hour, minute, second;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    uint32_t rise[3], set[3];
    for (int d = 0; d < 3; ++d)
        sun_times(static_cast<uint16_t>(mjd - 1 + d), latitude, longitude, &rise[d], &set[d]);
    page_line(p, 0, "%s: %s%s", ui_text("Sunrise", "Sonnenaufgang"), unix_moment_text(rise[1]),
              utc_mark());
    page_line(p, 0, "%s: %s", ui_text("Sunset", "Sonnenunterga."), unix_moment_text(set[1]));
    if (changes_shown >= 3) return;
    int length[3];
    for (int d = 0; d < 3; ++d)
        length[d] = static_cast<int>(static_cast<int32_t>(set[d] - rise[d]));
    const int dt = length[1] - length[0];
    const int d2t = (length[2] - length[1]) - dt;
    page_line(p, 0, "%s: %d:%02d [h], dt=%+d\" d\xB2t=%+d\"", ui_text("Day duration", "Tagesdauer"),
              length[1] / 3600, length[1] % 3600 / 60, dt, d2t);
}

void moon_line(text_page* p, double jd, bool full) {
    const double mjd = jd - JD_OF_MJD0 + position.utc_offset / 1440.0;
    const int day = static_cast<int>(mjd);
    const int minute = static_cast<int>((mjd - day) * 1440);
    page_line(p, 0, "%s: %s%s",
              full ? ui_text("Full moon", "Vollmond") : ui_text("New moon", "Neumond"),
              date_time_text(static_cast<word>(day), minute), utc_mark());
}

void moon_lines(text_page* p) {
    const double from = usage_day + JD_OF_MJD0 - 7;
    const double next_new = moonphase(from, MOON_NEW);
    const double next_full = moonphase(from, MOON_FULL);
    const bool full_first = next_full < next_new;
    moon_line(p, full_first ? next_full : next_new, full_first);
    moon_line(p, full_first ? next_new : next_full, !full_first);
}

void main_prepare(text_page* p) {
    time_zone_check();
    page_clear(p, osd_line_height());
    int changes_shown = 0;
    usage_lines(p, &changes_shown);
    const unsigned mode = settings_location_mode(settings);
    const double latitude = mode == 0 ? position.latitude : settings.latitude / 100.0;
    const double longitude = mode == 0 ? position.longitude : settings.longitude / 100.0;
    location_lines(p, mode, latitude, longitude);
    char zone[33];
    record_text(position.time_zone, sizeof position.time_zone, zone, sizeof zone);
    if (zone[0]) page_line(p, 0, "%s: %s", ui_text("Timezone", "Zeitzone"), zone);
    if (position.time_checked)
        page_line(p, 0, "%s: UTC %+.2fh", ui_text("Local Time", "Lokale Zeit"),
                  position.utc_offset / 60.0);
    page_rule(p);
    sun_lines(p, latitude, longitude, changes_shown);
    moon_lines(p);
}

void main_draw() {
    osd_window* win = &infos_win;
    osd_frame(win, 410, 21, "Infos & Tools", TOVAK_VERSION, 0);
    page_draw(win, &infos_page);
    const int line = osd_line_height();
    const int legend = win->height - 2 * line;
    osd_hline(win, 0, legend - 2, win->width, COLOR_YELLOW);
    osd_goto(win, 0, legend);
    key_panel_line(win, infos_keys, 1);
    osd_goto(win, 0, legend + line);
    key_panel_line(win, infos_keys, 2);
    osd_finish(win);
}

void show_main() {
    infos_state = INFOS_MAIN;
    main_prepare(&infos_page);
    main_draw();
    load_measure(0); // the starting point of the harddisk page's rates
}

// ---- Keys of the main page ----

int show_system(dword) {
    system_page_prepare(&infos_page);
    system_page(&infos_win, &infos_page);
    infos_state = INFOS_STATIC;
    return KEY_DONE;
}

int show_harddisk(dword) {
    harddisk_page_prepare(&infos_page, 0);
    harddisk_page(&infos_win, &infos_page);
    infos_state = INFOS_HARDDISK;
    return KEY_DONE;
}

int show_about(dword) {
    osd_window* win = &infos_win;
    page_clear(&infos_page, osd_line_height());
    page_line(&infos_page, 0, "Program: %s", TOVAK_PROGRAM_NAME);
    page_line(&infos_page, 0, "Author: %s", TOVAK_AUTHOR);
    page_line(&infos_page, 0, "Description: %s", TOVAK_DESCRIPTION);
    page_line(&infos_page, 0, "EtcInfo: %s", TOVAK_BUILD_TIME);
    page_line(&infos_page, 0, "Version: %s", TOVAK_VERSION);
    page_line(&infos_page, 0, "TAP ID: 0x%X", TAP_ID_TOVAK);
    osd_frame(win, 320, 7, "About Infos", TOVAK_VERSION, 0);
    page_draw(win, &infos_page);
    osd_finish(win);
    infos_state = INFOS_STATIC;
    return KEY_DONE;
}

int show_calendar(dword) {
    usage_opened(USE_CAL);
    calendar_page(&infos_win, 0);
    infos_state = INFOS_CALENDAR;
    return KEY_DONE;
}

int show_calculator(dword) {
    usage_opened(USE_CALC);
    calculator(&infos_win, 0);
    infos_state = INFOS_CALCULATOR;
    return KEY_DONE;
}

int show_keys(dword) {
    key_infos(&infos_win, &infos_page, 0);
    infos_state = INFOS_KEYS;
    return KEY_DONE;
}

int show_taps(dword) {
    tap_list_prepare(&infos_page);
    tap_list(&infos_win, &infos_page);
    infos_state = INFOS_STATIC;
    return KEY_DONE;
}

int show_forum(dword) {
    infos_state = INFOS_BOX;
    const int fetched = forum_fetch();
    if (fetched == -1) {
        ibox_show(nullptr,
                  ui_text("Wget missing, please call Update in TAP menu!",
                          "Wget fehlt, bitte Update im TAP-Men\xFC aufrufen!"),
                  IBOX_ERROR);
        return KEY_DONE;
    }
    static char figures[800];
    if (fetched == 0 && forum_result(figures, sizeof figures))
        ibox_show(forum_host(), figures, IBOX_INFO);
    else
        ibox_show(nullptr,
                  ui_text("No internet connection or website down.",
                          "Keine Internetverbindung oder Forum inaktiv."),
                  IBOX_ERROR);
    return KEY_DONE;
}

int help(dword) {
    help_box(0, &infos_win, &infos_help);
    return KEY_DONE;
}

int show_diagnostics(dword key) {
    if (!(settings.flags & SET_DIAGNOSTIC)) return help(key);
    diagnostics_prepare(&infos_page);
    diagnostics_page(&infos_win, &infos_page);
    infos_state = INFOS_STATIC;
    return KEY_DONE;
}

int show_test_grid(dword key) {
    if (!(settings.flags & SET_DIAGNOSTIC)) return help(key);
    test_grid_page(&infos_win, 0);
    infos_state = INFOS_TEST_GRID;
    return KEY_DONE;
}

void close_window() {
    osd_close(&infos_win);
    screen_give_back();
    window_flags &= ~WS_INFOS;
}

// Info or Subtitle: when it is the configured direct key, it goes on to the receiver.
int direct_key(dword key) {
    const dword plain = key & ~KEY_TAP_MARK;
    const bool configured = (settings.flags & SET_INFOS_SUBTITLE)
                                ? plain == KEY_SUBTITLE
                                : plain == KEY_INFO && (settings.flags & SET_INFOS_INFO);
    if (!configured) return KEY_DONE;
    window_flags |= WS_PASS_INFOS;
    close_window();
    return KEY_CLOSED;
}

int leave(dword) {
    close_window();
    return KEY_CLOSED;
}

// Latin-1 texts: \xDF ß, \xF6 ö, \xFC ü. The help lines stand in the order of the help page;
// the empty rows make its empty line and its final line break.
constexpr key_row infos_rows[] = {
    on(KEY_INFO, direct_key)
        .help("Info: Subtitle: Call native direct key",
              "Info: Subtitle: Aufruf der nativen Direkttaste"),
    on(KEY_SUBTITLE, direct_key),
    on(KEY_TELETEXT, show_taps)
        .help("Teletext: TAP list", "Teletext: TAP-Liste")
        .in_panel(1, 3, "TAPs"),
    on(KEY_RECALL, show_forum)
        .help("Recall: Forum infos", "Recall: Forum-Infos")
        .in_panel(2, 0, "Forum"),
    on(KEY_DOWN, show_about).help("v: TAP version", "v: TAP-Version").in_panel(1, 2, "About"),
    on(KEY_UP, show_harddisk)
        .help("^: Show harddisk infos", "^: Harddisk-Informationen")
        .in_panel(1, 1, "HDD"),
    on(KEY_LEFT, show_system)
        .help("<: Show system infos", "<: System-Informationen")
        .in_panel(1, 0, "System"),
    on(KEY_RIGHT, show_calendar)
        .help(">: Show calendar", ">: Kalender anzeigen")
        .in_panel(2, 1, "Calendar", "Kalender"),
    on(KEY_OK, show_calculator)
        .help("Ok: Small calculator", "Ok: Einfacher Rechner")
        .in_panel(2, 2, "Calculator", "Rechner"),
    on(KEY_FAV, show_keys).help("Fav: Key infos", "Fav: Tasteninfos"),
    heading("", ""),
    named(KEY_TVRADIO, "TvRadio: Toggle font size",
          "TvRadio: Schriftgr\xF6\xDF"
          "e wechseln"),
    named(KEY_AUDIO, "Audio: Toggle language", "Audio: Sprache wechseln"),
    named(KEY_SLEEP, "Sleep: Screen capture of active window",
          "Sleep: Screen Capture des akt. Fensters"),
    on(KEY_EXIT, leave).help("Exit: Leave Infos & Tools", "Exit: Infos & Tools verlassen"),
    heading("", ""),
    on(KEY_MENU, show_diagnostics),
    on(KEY_GUIDE, show_test_grid),
};

void sub_page_key(dword key) {
    switch (infos_state) {
    case INFOS_CALENDAR:
        calendar_page(&infos_win, key);
        break;
    case INFOS_CALCULATOR:
        calculator(&infos_win, key);
        break;
    case INFOS_HARDDISK:
        harddisk_page_prepare(&infos_page, 1);
        harddisk_page(&infos_win, &infos_page);
        break;
    case INFOS_KEYS:
        key_infos(&infos_win, &infos_page, key);
        break;
    case INFOS_TEST_GRID:
        test_grid_page(&infos_win, key);
        break;
    default: // static pages and boxes wait for Exit
        break;
    }
}

} // namespace

const key_table infos_keys = key_table_of(infos_rows, &shared_keys, help, true);

const help_page infos_help = {
    "Keys in Infos & Tools", "Tasten in Infos & Tools", nullptr, nullptr, nullptr, &infos_keys, 1,
};

void location_text(unsigned mode, const char* city, const char* region, const char* region_code,
                   const char* country, const char* country_code, char* out, unsigned size) {
    static const size_t limit = 22;
    const char* shown_city = mode == 2 || mode == 3 ? " " : city;
    const char* shown_region = region;
    if (mode == 2)
        shown_region = " ";
    else if (!region[0] || strlen(shown_city) + strlen(region) + strlen(country_code) > limit)
        shown_region = region_code;
    const char* shown_country = country;
    if (!country[0] || strlen(shown_city) + strlen(shown_region) + strlen(country) > limit)
        shown_country = country_code;
    snprintf(out, size, "%s / %s / %s", shown_city, shown_region, shown_country);
}

dword infos_window(dword key) {
    if (key & (KEY_REPEAT | KEY_RELEASE)) return 0;
    if (key == 0) {
        window_flags |= WS_INFOS;
        // With the location taken from the IP address and none known yet, the geolocation asks
        // its services first (at most once a day).
        if (settings_location_mode(settings) == 0 && position.latitude == 0 &&
            position.longitude == 0)
            window_ask(ACTION_LOCATE, mode_call(0), 0);
        screen_take();
        show_main();
        return 0;
    }
    if (key == 1) {
        show_main();
        return 0;
    }
    if (!(window_flags & WS_INFOS)) return 0;
    if (infos_state != INFOS_MAIN) {
        if ((key & ~KEY_TAP_MARK) != KEY_EXIT) {
            sub_page_key(key);
            return 0;
        }
        while (ibox_open())
            ibox_show(nullptr, nullptr, 0);
        show_main();
        return 0;
    }
    if (key_dispatch(infos_keys, key) == KEY_REDRAW) show_main();
    return 0;
}
