#include "window.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/format.h"
#include "common/key_codes.h"
#include "common/memory.h"
#include "common/settings.h"
#include "common/version.h"
#include "details.h"
#include "event_text.h"
#include "osd/ibox.h"
#include "osd/key_help.h"
#include "osd/key_table.h"
#include "osd/window.h"
#include "osd/window_open.h"
#include "osd/window_state.h"

namespace {

enum : int {
    MODE_PROGRAMMES = 1, // clear: the channels list
    MODE_TIMERS = 2,     // over either of the two; the other bit applies again afterwards
};

// Colour codes of the lists.
constexpr uint32_t COLOUR_NONE = PAL_WHITE;
constexpr uint32_t COLOUR_LIVE = PAL_YELLOW;
constexpr uint32_t COLOUR_RECORDED = PAL_RED;
constexpr uint32_t COLOUR_COVERED = 37; // olive: wholly covered by a timer
constexpr uint32_t COLOUR_SAME_FREQUENCY = PAL_TITLE;
constexpr dword MESSAGE_TIME = 1200;

struct epg_state {
    int details; // 1 while the text viewer shows a programme's details
    int mode;
    int count;
    int selection; // -1: placed by the next list preparation
    int top;
    int type; // -1 until the first opening
    int channel;
    int offset;  // channels list: which programme, relative to the one running now
    int current; // programmes list: index of the programme running now
    TYPE_TapEvent* events;
    int event_count;
    TYPE_TimerInfo* timers;
    int timer_count;
    // Read on every call.
    int tv_count, radio_count;
    int live_type, live_num;
    dword now;         // time word
    dword header_freq; // frequency shown in the header, 0: none
};

epg_state st = {0, 0, 0, -1, 0, -1, 0, 0, 0, nullptr, 0, nullptr, 0, 0, 0, 0, 0, 0, 0};
osd_window epg_win;

int page_rows() {
    return ui_large_font() ? 20 : 24;
}
bool timers_mode() {
    return st.mode & MODE_TIMERS;
}
bool programmes_mode() {
    return !timers_mode() && (st.mode & MODE_PROGRAMMES);
}
bool channels_mode() {
    return !(st.mode & (MODE_TIMERS | MODE_PROGRAMMES));
}
int channels_of_type() {
    return st.type == 1 ? st.radio_count : st.tv_count;
}
// A position of the lists: scaled in the small font.
int x_of(int x) {
    return ui_large_font() ? x : x * 16 / 19;
}

void message(const char* english, const char* german) {
    ibox_timed(&epg_win, MESSAGE_TIME, IBOX_WARNING, nullptr, ui_text(english, german));
}

// ---- Data ----

void free_events() {
    mem_raw_free(st.events);
    st.events = nullptr;
    st.event_count = 0;
}

// The platform's programme list of a channel (a counted platform block), or null.
TYPE_TapEvent* request_events(int type, int num, int* count) {
    *count = 0;
    TYPE_TapEvent* events = TAP_GetEvent(type, num, count);
    if (!events) {
        *count = 0;
        return nullptr;
    }
    mem_raw_alloc(0);
    if (*count < 0) *count = 0;
    return events;
}

int compare_timers(const void* a, const void* b) {
    const dword x = static_cast<const TYPE_TimerInfo*>(a)->startTime;
    const dword y = static_cast<const TYPE_TimerInfo*>(b)->startTime;
    return static_cast<int32_t>(x - y) < 0 ? -1 : x == y ? 0 : 1;
}

void rebuild_timers() {
    mem_free(st.timers);
    st.timers = nullptr;
    st.timer_count = 0;
    const int total = TAP_Timer_GetTotalNum();
    if (total <= 0) return;
    st.timers = static_cast<TYPE_TimerInfo*>(mem_alloc(sizeof(TYPE_TimerInfo) * total));
    if (!st.timers) return;
    for (int i = 0; i < total; ++i) {
        memset(&st.timers[st.timer_count], 0, sizeof st.timers[0]);
        if (TAP_Timer_GetInfo(i, &st.timers[st.timer_count])) ++st.timer_count;
    }
    qsort(st.timers, static_cast<size_t>(st.timer_count), sizeof st.timers[0], compare_timers);
}

// Fills the entry count and places the selection: the channels list follows the channel, the
// programmes list loads its channel's programmes and starts at the one running now plus the
// offset.
void prepare_list() {
    if (timers_mode()) {
        st.count = st.timer_count;
        return;
    }
    if (channels_mode()) {
        st.count = channels_of_type();
        st.selection = st.channel;
        return;
    }
    if (st.selection >= 0) {
        st.count = st.event_count;
        return;
    }
    free_events();
    st.events = request_events(st.type, st.channel, &st.event_count);
    st.count = st.event_count;
    st.current = st.events ? event_at_or_after(st.events, st.event_count, st.now) : 0;
    st.selection = st.top = st.current + st.offset;
}

void reload() {
    st.selection = -1;
    st.top = 0;
    prepare_list();
}

void close_epg() {
    osd_close(&epg_win);
    window_flags &= ~WS_EPG;
    screen_give_back();
}

// ---- Keys ----

int key_help(dword) {
    const help_page* page = timers_mode()       ? &epg_help_timers
                            : programmes_mode() ? &epg_help_programmes
                                                : &epg_help_channels;
    help_box(0, &epg_win, page);
    return KEY_DONE;
}

int key_up(dword) {
    if (st.selection <= 0) {
        st.selection = st.count - 1;
        st.top = st.count - page_rows();
    } else {
        --st.selection;
    }
    return KEY_REDRAW;
}

int key_down(dword) {
    if (st.selection >= st.count - 1) {
        st.selection = st.top = 0;
    } else {
        ++st.selection;
    }
    return KEY_REDRAW;
}

int key_page_up(dword) {
    if (st.selection != st.top) {
        st.selection = st.top;
    } else if (st.selection - page_rows() < 0) {
        st.selection = st.top = 0;
    } else {
        st.selection -= page_rows();
        st.top = st.selection;
    }
    return KEY_REDRAW;
}

int key_page_down(dword) {
    const int page = page_rows();
    if (st.selection < st.top + page - 1) {
        st.selection = st.count <= page ? st.count - 1 : st.top + page - 1;
    } else {
        st.selection += page;
        st.top += page;
        if (st.selection > st.count - 1) {
            st.selection = st.count - 1;
            st.top = st.count - page;
        }
    }
    return KEY_REDRAW;
}

int key_first(dword) {
    st.selection = st.top = 0;
    return KEY_REDRAW;
}

int key_last(dword) {
    st.selection = st.count - 1;
    st.top = st.count - page_rows();
    return KEY_REDRAW;
}

int key_offset(dword key) {
    st.offset += (key & ~KEY_TAP_MARK) == KEY_RIGHT ? 1 : -1;
    return KEY_REDRAW;
}

int key_channel_step(dword key) {
    if ((key & ~KEY_TAP_MARK) == KEY_RIGHT) {
        if (st.channel < channels_of_type() - 1) ++st.channel;
    } else if (st.channel > 0) {
        --st.channel;
    }
    reload();
    return KEY_REDRAW;
}

int key_digit(dword key) {
    st.channel = static_cast<int>((key & ~KEY_TAP_MARK) - KEY_0) - 1;
    reload();
    return KEY_REDRAW;
}

int key_recall(dword) {
    st.type = st.live_type;
    st.channel = st.live_num;
    st.offset = 0;
    reload();
    return KEY_REDRAW;
}

int key_list_mode(dword) {
    if (timers_mode())
        st.mode &= ~MODE_TIMERS;
    else
        st.mode ^= MODE_PROGRAMMES;
    reload();
    return KEY_REDRAW;
}

int key_timers(dword) {
    if (timers_mode()) {
        st.mode &= ~MODE_TIMERS;
        reload();
    } else {
        st.mode |= MODE_TIMERS;
        st.count = st.timer_count;
        st.selection = st.top = 0;
    }
    return KEY_REDRAW;
}

int key_service_type(dword) {
    st.type = st.type == 0 ? 1 : 0;
    st.channel = 0;
    st.offset = 0;
    reload();
    return KEY_REDRAW;
}

int key_font(dword) {
    settings.flags ^= SET_LARGE_FONT;
    return KEY_REDRAW;
}

int key_exit(dword) {
    close_epg();
    return KEY_CLOSED;
}

// Ok and Record switch to the selected channel first; a shifted programme is not live.
bool start_selected() {
    if (st.offset != 0) {
        message("Programme not live.", "Sendung nicht Live.");
        return false;
    }
    return epg_start_channel(st.type, st.channel, &epg_win) != 0;
}

int key_ok(dword) {
    if (!start_selected()) return KEY_REDRAW;
    close_epg();
    return KEY_CLOSED;
}

int key_record(dword) {
    if (!start_selected()) return KEY_REDRAW;
    st.live_type = st.type;
    st.live_num = st.channel;
    const int slots = epg_slot_count();
    for (int i = 0; i < slots; ++i) {
        TYPE_RecInfo rec;
        memset(&rec, 0, sizeof rec);
        if (TAP_Hdd_GetRecInfo(static_cast<byte>(i), &rec) && rec.recType &&
            rec.svcType == st.type && rec.svcNum == st.channel) {
            message("Channel already being recorded.", "Sender wird bereits aufgenommen.");
            return KEY_REDRAW;
        }
    }
    if (!TAP_Hdd_StartRecord())
        message("Can't record at the moment.", "Derzeit keine Aufnahme m\xF6glich.");
    return KEY_REDRAW;
}

int key_stop(dword) {
    const int slot = epg_recording_slot(st.type, st.channel);
    if (slot < 0) {
        message("Can't stop this channel.", "Dieser Sender kann nicht gestoppt werden.");
        return KEY_REDRAW;
    }
    TAP_Hdd_StopRecord(static_cast<byte>(slot));
    return KEY_REDRAW;
}

// The details of the selected programme (or of the programme a timer records) in the text
// viewer's EPG information mode.
int key_details(dword) {
    epg_request request = {st.type, st.channel, st.offset};
    if (programmes_mode()) request.offset = st.selection - st.current;
    if (timers_mode()) {
        free_events();
        if (st.selection < 0 || st.selection >= st.timer_count) return KEY_REDRAW;
        const TYPE_TimerInfo& t = st.timers[st.selection];
        int count = 0;
        TYPE_TapEvent* events = request_events(t.svcType, t.svcNum, &count);
        if (!events) return KEY_REDRAW;
        const int a = event_at_or_after(events, count, t.startTime);
        const int b = event_at_or_after(events, count, st.now);
        mem_raw_free(events);
        request = {t.svcType, t.svcNum, a - b + 1};
    }
    if (!window_available(WINDOW_TEXT)) {
        window_open(WINDOW_TEXT, key_call(0, &epg_win)); // says it is not there yet
        return KEY_REDRAW;
    }
    epg_details_request = request;
    window_open(WINDOW_TEXT, key_call(2, &epg_win));
    window_open(WINDOW_TEXT, key_call(KEY_GUIDE, &epg_win));
    st.details = 1;
    return KEY_DONE;
}

// Latin-1 texts: \xE4 ä, \xF6 ö, \xFC ü.
#define NAVIGATE_EN "v ^  << >>  |< >|  V+ V-: Navigate in list"
#define NAVIGATE_DE "v ^  << >>  |< >|  V+ V-: Navigieren in der Liste"

// The keys of all three lists.
constexpr key_row navigation_rows[] = {
    on(KEY_UP, key_up),
    on(KEY_P_PLUS, key_up),
    on(KEY_DOWN, key_down),
    on(KEY_P_MINUS, key_down),
    on(KEY_REWIND, key_page_up),
    on(KEY_V_PLUS, key_page_up),
    on(KEY_FORWARD, key_page_down),
    on(KEY_V_MINUS, key_page_down),
    on(KEY_JUMP_START, key_first),
    on(KEY_JUMP_END, key_last),
    on(KEY_GUIDE, key_details),
    on(KEY_INFO, key_details),
    on_tap(KEY_TVRADIO, key_font),
    on(KEY_EXIT, key_exit),
};
constexpr key_table navigation_keys = key_table_of(navigation_rows, &shared_keys, nullptr, true);

// The keys of the channels and programmes lists.
constexpr key_row list_rows[] = {
    on(KEY_1, key_digit), on(KEY_2, key_digit),       on(KEY_3, key_digit), on(KEY_4, key_digit),
    on(KEY_5, key_digit), on(KEY_6, key_digit),       on(KEY_7, key_digit), on(KEY_8, key_digit),
    on(KEY_9, key_digit), on(KEY_RECALL, key_recall),
};
constexpr key_table list_keys = key_table_of(list_rows, &navigation_keys, nullptr, true);

// Rows both lists have.
constexpr key_row subtitle_row = on(KEY_SUBTITLE, key_list_mode)
                                     .help("\rSubtitle: Toggle mode (channels/programmes)",
                                           "\rSubtitle: Modus wechseln (Sender/Sendungen)");
constexpr key_row teletext_row =
    on(KEY_TELETEXT, key_timers)
        .help("Teletext: Toggle mode (timer view)", "Teletext: Modus wechseln (Timer-Ansicht)");
constexpr key_row guide_row = named(KEY_GUIDE, "\rGuide: Info: Show detailed EPG infos",
                                    "\rGuide: Info: Detaillierte EPG-Infos");
constexpr key_row recall_row =
    named(KEY_RECALL, "Recall: Select live channel", "Recall: Live-Sender ausw\xE4hlen");
constexpr key_row exit_row = named(KEY_EXIT, "Exit: Leave window", "Exit: Fenster verlassen");

constexpr key_row channels_rows[] = {
    named(KEY_UP, NAVIGATE_EN, NAVIGATE_DE),
    on(KEY_RIGHT, key_offset).help(">: Next programme", ">: Sendung vor"),
    on(KEY_LEFT, key_offset)
        .help("<: Previous programme", "<: Sendung zur\xFC"
                                       "ck"),
    subtitle_row,
    teletext_row,
    on(KEY_TVRADIO, key_service_type)
        .help("TvRadio: Toggle service type (TV/Radio)", "TvRadio: Servicetyp wechseln (TV/Radio)"),
    guide_row,
    recall_row,
    on(KEY_OK, key_ok).help("Ok: Start playing channel", "Ok: Live-Wiedergabe des Senders"),
    on(KEY_RECORD, key_record)
        .help("Record: Start instant recording", "Record: Sofortaufnahme des Senders"),
    on(KEY_STOP, key_stop).help("Stop: Stop recording channel", "Stop: Aufnahmestopp des Senders"),
    exit_row,
};

constexpr key_row programmes_rows[] = {
    named(KEY_UP, NAVIGATE_EN, NAVIGATE_DE),
    on(KEY_RIGHT, key_channel_step).help(">: Next channel", ">: Sender vor"),
    on(KEY_LEFT, key_channel_step)
        .help("<: Previous channel", "<: Sender zur\xFC"
                                     "ck"),
    subtitle_row,
    teletext_row,
    guide_row,
    recall_row,
    exit_row,
};

constexpr key_row timers_rows[] = {
    named(KEY_UP, NAVIGATE_EN, NAVIGATE_DE),
    on(KEY_TELETEXT, key_timers)
        .help("\rTeletext: Toggle mode (timer view)", "\rTeletext: Modus wechseln (Timer-Ansicht)"),
    on(KEY_SUBTITLE, key_list_mode),
    guide_row,
    exit_row,
};

constexpr key_table channels_keys = key_table_of(channels_rows, &list_keys, key_help, true);
constexpr key_table programmes_keys = key_table_of(programmes_rows, &list_keys, key_help, true);
constexpr key_table timers_keys = key_table_of(timers_rows, &navigation_keys, key_help, true);

} // namespace

const help_page epg_help_channels = {
    "Keys in EPG Channels", "Tasten in EPG-Sender", nullptr, nullptr, nullptr, &channels_keys, 1,
};
const help_page epg_help_programmes = {
    "Keys in EPG Programmes",
    "Tasten in EPG-Sendungen",
    nullptr,
    nullptr,
    nullptr,
    &programmes_keys,
    1,
};
const help_page epg_help_timers = {
    "Keys in EPG Timers", "Tasten in EPG-Timer", nullptr, nullptr, nullptr, &timers_keys, 1,
};

namespace {

// ---- Drawing ----

void clamp() {
    const int page = page_rows();
    if (st.selection >= st.count) st.selection = st.count - 1;
    if (st.selection < 0) st.selection = 0;
    if (st.top > st.count - page) st.top = st.count - page;
    if (st.selection < st.top) st.top = st.selection;
    if (st.top < st.selection - (page - 1)) st.top = st.selection - (page - 1);
    if (st.top < 0) st.top = 0;
    if (channels_mode()) st.channel = st.selection;
}

void text_at(int x, const char* text, uint32_t style) {
    osd_goto(&epg_win, x, epg_win.cursor_y);
    osd_text(&epg_win, text, style | ST_SAME_LINE);
}

bool recorded(int type, int num) {
    return epg_recording_slot(type, num) >= 0;
}

// The channel's name as the lists show it: without an " HD" ending, and a long name of three
// words or more cut behind its second word, into out (24 bytes). False when the channel has no
// information.
bool channel_name(int type, int num, char* out, dword* freq) {
    TYPE_TapChInfo info;
    if (!TAP_Channel_GetInfo(type, num, &info)) return false;
    char name[sizeof info.chName + 1];
    field_text(info.chName, name);
    for (char* c = name; *c; ++c)
        if (c[0] == ' ' && c[1] == 'H' && c[2] == 'D') {
            *c = 0;
            break;
        }
    if (strlen(name) > 12) {
        char* first = strchr(name, ' ');
        char* second = first ? strchr(first + 1, ' ') : nullptr;
        if (second) *second = 0;
    }
    memcpy(out, name, strlen(name) + 1);
    if (freq) *freq = info.freq;
    return true;
}

// "%s %d.%d." of a day: the weekday name (or none) with day and month.
void day_text(word mjd, bool weekday, char* out, size_t size) {
    word year = 0;
    byte month = 0, day = 0, week_day = 0;
    TAP_ExtractMjd(mjd, &year, &month, &day, &week_day);
    snprintf(out, size, "%s %d.%d.", weekday ? weekday_name(week_day) : "", day, month);
}

bool covered_by_timer(int type, int num, const TYPE_TapEvent& e) {
    for (int i = 0; i < st.timer_count; ++i) {
        const TYPE_TimerInfo& t = st.timers[i];
        if (t.svcType == type && t.svcNum == num &&
            timer_covers(t.startTime, t.duration, e.startTime, e.endTime))
            return true;
    }
    return false;
}

void draw_event(const TYPE_TapEvent& e, int x0, int type, int num, uint32_t colour, bool selected) {
    char text[48];
    const word today = static_cast<word>(st.now >> 16);
    if ((programmes_mode() || st.offset != 0) && (e.startTime >> 16) != today) {
        day_text(static_cast<word>(e.startTime >> 16), programmes_mode(), text, sizeof text);
        text_at(x_of(190 - x0), text, ST_RIGHT | (selected ? PAL_YELLOW_ON_RED : colour));
    }
    if (covered_by_timer(type, num, e)) colour = COLOUR_COVERED;
    const uint32_t style = selected ? PAL_YELLOW_ON_RED : colour;
    snprintf(text, sizeof text, "%d:%02d-", static_cast<int>(e.startTime >> 8 & 0xFF),
             static_cast<int>(e.startTime & 0xFF));
    const int start_end = x_of(250 - x0);
    text_at(start_end, text, ST_RIGHT | style);
    snprintf(text, sizeof text, "%d:%02d", static_cast<int>(e.endTime >> 8 & 0xFF),
             static_cast<int>(e.endTime & 0xFF));
    // A font wider than the receiver's pushes the end time and the name to the right rather
    // than over the start time.
    int end_end = x_of(296 - x0);
    if (end_end < start_end + osd_text_width(text)) end_end = start_end + osd_text_width(text);
    text_at(end_end, text, ST_RIGHT | style);
    char name[sizeof e.eventName + 1], description[sizeof e.description + 1];
    field_text(e.eventName, name);
    field_text(e.description, description);
    snprintf(line_buffer + 1, sizeof line_buffer - 1, "%s%s%s", name,
             name[0] && description[0] ? " -- " : "", description);
    const int name_x = x_of(304 - x0);
    text_at(name_x > end_end ? name_x : end_end + x_of(8), line_buffer + 1, style);
}

void draw_channel_row(int i, bool selected) {
    uint32_t colour = COLOUR_NONE;
    if (st.type == st.live_type && i == st.live_num) colour = COLOUR_LIVE;
    if (recorded(st.type, i)) colour = COLOUR_RECORDED;
    char text[40];
    const int x = ui_large_font() ? 36 : 30;
    snprintf(text, sizeof text, "%d.", i + 1);
    text_at(x, text, ST_RIGHT | (selected ? PAL_YELLOW_ON_RED : colour));
    dword freq = 0;
    if (channel_name(st.type, i, text, &freq)) {
        const uint32_t style = selected                                   ? PAL_YELLOW_ON_RED
                               : st.header_freq && freq == st.header_freq ? COLOUR_SAME_FREQUENCY
                                                                          : colour;
        text_at(x, text, style);
    }
    int count = 0;
    TYPE_TapEvent* events = request_events(st.type, i, &count);
    if (!events) return;
    const int index = event_at_or_after(events, count, st.now) + st.offset;
    if (index >= 0 && index < count)
        draw_event(events[index], 0, st.type, i, st.offset ? COLOUR_NONE : colour, selected);
    mem_raw_free(events);
}

void draw_programme_row(int i, bool selected) {
    uint32_t colour = COLOUR_NONE;
    if (i == st.current) {
        if (st.type == st.live_type && st.channel == st.live_num) colour = COLOUR_LIVE;
        if (recorded(st.type, st.channel)) colour = COLOUR_RECORDED;
    }
    draw_event(st.events[i], 100, st.type, st.channel, colour, selected);
}

void draw_timer_row(int i, bool selected) {
    const TYPE_TimerInfo& t = st.timers[i];
    const bool large = ui_large_font();
    const uint32_t style = selected ? PAL_YELLOW_ON_RED : COLOUR_NONE;
    char text[sizeof t.fileName + 1];
    if (channel_name(t.svcType, t.svcNum, text, nullptr)) text_at(large ? -6 : -5, text, style);
    if ((t.startTime >> 16) != (st.now >> 16)) {
        day_text(static_cast<word>(t.startTime >> 16), true, text, sizeof text);
        text_at(large ? 200 : 168, text, ST_RIGHT | style);
    }
    snprintf(text, sizeof text, "%d:%02d", static_cast<int>(t.startTime >> 8 & 0xFF),
             static_cast<int>(t.startTime & 0xFF));
    text_at(large ? 260 : 218, text, ST_RIGHT | style);
    snprintf(text, sizeof text, "%d'", t.duration);
    text_at(large ? 300 : 252, text, ST_RIGHT | style);
    field_text(t.fileName, text);
    text_at(large ? 310 : 261, text, style);
}

void draw() {
    osd_frame(&epg_win, FULL_W, 0, timers_mode() ? "EPG Timer" : "EPG " TOVAK_VERSION, nullptr,
              PAL_ON_RED);
    const int line = osd_line_height();
    st.header_freq = 0;
    if (!timers_mode()) {
        TYPE_TapChInfo info;
        if (TAP_Channel_GetInfo(st.type, st.channel, &info)) {
            char name[sizeof info.chName + 1];
            field_text(info.chName, name);
            // In the large font the name stands alone.
            snprintf(line_buffer + 1, sizeof line_buffer - 1, "%s%c[%d MHz]", name,
                     ui_large_font() ? '\0' : ' ', info.freq);
            osd_goto(&epg_win, epg_win.width / 3 + (ui_large_font() ? 20 : 0), 0);
            osd_text(&epg_win, line_buffer + 1, PAL_ON_RED | ST_SAME_LINE);
            st.header_freq = info.freq;
        }
    }
    const word today = static_cast<word>(st.now >> 16);
    osd_goto(&epg_win, epg_win.width - 5, 0);
    osd_text(&epg_win,
             date_time_text(today, static_cast<int>((st.now >> 8 & 0xFF) * 60 + (st.now & 0xFF))),
             PAL_ON_RED | ST_RIGHT | ST_SAME_LINE);
    epg_win.cursor_y = 0;
    const int page = page_rows();
    for (int row = st.top; row < st.top + page && row < st.count; ++row) {
        epg_win.cursor_y += line;
        const bool selected = row == st.selection;
        if (channels_mode())
            draw_channel_row(row, selected);
        else if (programmes_mode())
            draw_programme_row(row, selected);
        else
            draw_timer_row(row, selected);
    }
    osd_finish(&epg_win);
}

// What every call reads afresh: the channel counts, the live channel, the time, the timers.
void read_receiver() {
    TAP_Channel_GetTotalNum(&st.tv_count, &st.radio_count);
    TAP_Channel_GetCurrent(&st.live_type, &st.live_num);
    st.now = time_word_now();
    rebuild_timers();
    if (st.type < 0) {
        st.type = st.live_type == 1 ? 1 : 0;
        st.channel = st.live_num;
    }
}

const key_table& keys_of_mode() {
    return timers_mode() ? timers_keys : programmes_mode() ? programmes_keys : channels_keys;
}

} // namespace

void epg_window(dword key) {
    if (key & (KEY_REPEAT | KEY_RELEASE)) return;
    if (st.details) {
        window_ask(WINDOW_TEXT, key_call(key, &epg_win), 0);
        if (window_flags & WS_VIEWER) return;
        st.details = 0;
        if (window_flags & WS_EPG_CHANNEL) {
            close_epg();
            return;
        }
        if ((key & ~KEY_TAP_MARK) != KEY_EXIT) return;
        key = 1;
    }
    if (key == 0) {
        window_flags |= WS_EPG;
        screen_take();
    }
    if (!(window_flags & WS_EPG)) return;
    read_receiver();
    prepare_list();
    if (key > 1) {
        const int outcome = key_dispatch(keys_of_mode(), key);
        if (outcome != KEY_REDRAW) return;
    }
    clamp();
    draw();
}

dword epg_window_entry(const window_call& call) {
    epg_window(call.key);
    return 0;
}

void epg_release(void) {
    free_events();
    mem_free(st.timers);
    st.timers = nullptr;
    st.timer_count = 0;
    epg_details_release();
}
