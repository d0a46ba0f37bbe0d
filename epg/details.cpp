#include "details.h"

#include <stdio.h>
#include <string.h>

#include "common/file_io.h"
#include "common/format.h"
#include "common/memory.h"
#include "common/models.h"
#include "common/paths.h"
#include "common/persist.h"
#include "common/recording_search.h"
#include "common/settings.h"
#include "event_text.h"
#include "osd/ibox.h"
#include "osd/window_open.h"

epg_request epg_details_request = {0, -1, 0};

namespace {

constexpr char document_name[] = "TovakRC.EPG";
constexpr char document_path[] = SETTINGS_FOLDER "/TovakRC.EPG";

// The programme list of the request's channel, as the platform handed it out.
struct details_cache {
    TYPE_TapEvent* events;
    int count;
    int shown; // index of the programme shown
    TYPE_TapChInfo channel;
} cache;

void release_list() {
    mem_raw_free(cache.events);
    cache.events = nullptr;
    cache.count = 0;
    cache.shown = 0;
}

// Asks the platform for the programmes of a channel; the list counts as one platform block.
void load_list(int type, int num) {
    release_list();
    int count = 0;
    cache.events = TAP_GetEvent(type, num, &count);
    if (!cache.events) return;
    mem_raw_alloc(0);
    cache.count = count > 0 ? count : 0;
    cache.shown = event_at_or_after(cache.events, cache.count, time_word_now());
    if (cache.shown < 0) cache.shown = 0;
}

void put_line(TYPE_File* f, const char* text) {
    TAP_Hdd_Fwrite(const_cast<char*>(text), 1, static_cast<dword>(strlen(text)), f);
    TAP_Hdd_Fwrite(const_cast<char*>("\n"), 1, 1, f);
}

// A recording on the disk of the programme shown: its folder line, its own line, an empty line.
bool put_match(void* context, const char* folder, const char* line) {
    TYPE_File* f = static_cast<TYPE_File*>(context);
    put_line(f, folder);
    put_line(f, line);
    put_line(f, "");
    return true;
}

void write_programme(TYPE_File* f, int num) {
    char line[LINE_BUFFER_SIZE];
    if (cache.events && cache.count > 0) {
        const TYPE_TapEvent& shown = cache.events[cache.shown];
        char name[sizeof shown.eventName + 1], short_text[sizeof shown.description + 1];
        field_text(shown.eventName, name);
        field_text(shown.description, short_text);
        recording_search(name, short_text, put_match, f);
    }
    char name[sizeof cache.channel.chName + 1];
    field_text(cache.channel.chName, name);
    snprintf(line, sizeof line, "%d. %s", num + 1, name);
    put_line(f, line);
    if (!cache.events || cache.count == 0) {
        put_line(f, ui_text("No EPG infos available.", "Keine EPG-Infos vorhanden."));
        return;
    }
    TYPE_TapEvent* e = &cache.events[cache.shown];
    const dword start = e->startTime, end = e->endTime;
    snprintf(line, sizeof line, "%s - %d:%02d",
             date_time_text(static_cast<word>(start >> 16),
                            static_cast<int>((start >> 8 & 0xFF) * 60 + (start & 0xFF))),
             static_cast<int>(end >> 8 & 0xFF), static_cast<int>(end & 0xFF));
    put_line(f, line);
    put_line(f, "");
    char text[sizeof e->eventName + 1];
    field_text(e->eventName, text);
    put_line(f, text);
    field_text(e->description, text);
    if (text[0]) put_line(f, text);
    byte* ext = TAP_EPG_GetExtInfo(e);
    if (ext) {
        mem_raw_alloc(0);
        put_line(f, "");
        put_line(f, reinterpret_cast<const char*>(ext));
        mem_raw_free(ext);
    }
}

// The programme-after-steps rules: event step 2 keeps the request; no channel yet or no step
// takes the live channel's current programme; otherwise the steps go from the programme shown.
void apply_steps(int* channel_step, int* event_step) {
    epg_request& r = epg_details_request;
    if (*event_step == 2) {
        release_list();
        *channel_step = *event_step = 0;
        return;
    }
    if (r.num < 0 || (*channel_step == 0 && *event_step == 0)) {
        int type = 0, num = 0;
        TAP_Channel_GetCurrent(&type, &num);
        r.type = type;
        r.num = num;
        r.offset = 0;
        release_list();
        return;
    }
    r.offset = 0;
    if (*channel_step && *event_step) *channel_step = *event_step = 0;
}

} // namespace

void epg_details_release(void) {
    release_list();
}

const char* epg_details_write(int channel_step, int event_step) {
    apply_steps(&channel_step, &event_step);
    epg_request& r = epg_details_request;
    const int d = r.num + channel_step;
    if (channel_step != 0 || !cache.events) {
        int tv = 0, radio = 0;
        TAP_Channel_GetTotalNum(&tv, &radio);
        TYPE_TapChInfo info;
        if (d < 0 || d >= (r.type == 1 ? radio : tv) || !TAP_Channel_GetInfo(r.type, d, &info))
            return nullptr;
        cache.channel = info;
        load_list(r.type, d);
    }
    if (settings_folder_check() != 0) return nullptr;
    r.num = d;
    if (cache.count > 0) {
        int index = cache.shown + r.offset + event_step;
        if (index > cache.count - 1) index = cache.count - 1;
        if (index < 0) index = 0;
        cache.shown = index;
    }
    TAP_Hdd_Delete(document_name);
    TAP_Hdd_Create(document_name, ATTR_FILE);
    tap_file f(TAP_Hdd_Fopen(document_name));
    if (!f) return document_path;
    write_programme(f.f, d);
    return document_path;
}

int epg_slot_count(void) {
    return model_recording_slots(static_cast<long>(TAP_GetSystemId()));
}

int epg_recording_slot(int type, int num) {
    const int slots = epg_slot_count();
    for (int i = 0; i < slots; ++i) {
        TYPE_RecInfo rec;
        memset(&rec, 0, sizeof rec);
        if (TAP_Hdd_GetRecInfo(static_cast<byte>(i), &rec) && rec.svcType == type &&
            rec.svcNum == num && rec.recType == 1)
            return i;
    }
    return -1;
}

namespace {

// Whether the tuners let channel (type, num) start: a recording on its own transponder shares
// a tuner; recordings on two other transponders hold both.
bool tuner_free(const TYPE_TapChInfo& wanted) {
    dword others[2] = {0, 0};
    int distinct = 0;
    const int slots = epg_slot_count();
    for (int i = 0; i < slots; ++i) {
        TYPE_RecInfo rec;
        memset(&rec, 0, sizeof rec);
        if (!TAP_Hdd_GetRecInfo(static_cast<byte>(i), &rec) || !rec.recType) continue;
        TYPE_TapChInfo recorded;
        if (!TAP_Channel_GetInfo(rec.svcType, rec.svcNum, &recorded)) return false;
        if (recorded.freq == wanted.freq) return true;
        bool known = false;
        for (int k = 0; k < distinct; ++k)
            known = known || others[k] == recorded.freq;
        if (known) continue;
        if (distinct == 2) return false;
        others[distinct++] = recorded.freq;
    }
    return distinct < 2;
}

} // namespace

int epg_start_channel(int type, int num, osd_window* over) {
    TYPE_TapChInfo info;
    bool ok = TAP_Channel_GetInfo(type, num, &info) && tuner_free(info);
    if (ok) {
        TAP_Channel_Stop(CHANNEL_Main);
        ok = TAP_Channel_Start(CHANNEL_Main, type, num) == 0;
    }
    if (ok) return 1;
    ibox_timed(over, MESSAGE_SHORT_MS, IBOX_WARNING, nullptr,
               ui_text("Can't start channel at the moment.", "Sender derzeit nicht startbar."));
    return 0;
}

dword epg_details_entry(const window_call& call) {
    if (call.mode == EPG_DETAILS_START)
        return static_cast<dword>(
            epg_start_channel(epg_details_request.type, epg_details_request.num, call.over));
    const int channel_step = (call.mode >> 4 & 0xF) - 8, event_step = (call.mode & 0xF) - 8;
    const char* path = epg_details_write(channel_step, event_step);
    if (!path) return 0;
    if (call.answer && call.answer_size) snprintf(call.answer, call.answer_size, "%s", path);
    return 1;
}
