// Channels, the programme guide, timers and recording slots as the emulator provides them:
// the fixture's channel lists with their frequencies and guides, the live channel, the timer
// list, and recordings that grow on the disk while their slot records. Calls that change the
// receiver are traced.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "api.h"
#include "demo_disk.h"
#include "emulator.h"

using tapsim::Emulator;
namespace api = tapsim::api;

namespace {

Emulator& emu() {
    return *Emulator::current();
}
tapsim::ReceiverState& state() {
    return emu().state();
}
uint64_t now() {
    return emu().clock().ticks();
}

std::vector<tapsim::Channel>* channel_list(int type) {
    if (type == 0) return &state().tv;
    if (type == 1) return &state().radio;
    return nullptr;
}
tapsim::Channel* channel(int type, int num) {
    std::vector<tapsim::Channel>* list = channel_list(type);
    if (!list || num < 0 || static_cast<size_t>(num) >= list->size()) return nullptr;
    return &(*list)[static_cast<size_t>(num)];
}

// Local minutes (MJD * 1440 + minute of the day) as the TAP API's time word.
dword time_word(int64_t minutes) {
    if (minutes < 0) minutes = 0;
    return static_cast<dword>(minutes / 1440) << 16 | static_cast<dword>(minutes % 1440 / 60) << 8 |
           static_cast<dword>(minutes % 60);
}
int64_t minutes_now() {
    tapsim::LocalTime t = emu().clock().local();
    return static_cast<int64_t>(t.mjd) * 1440 + t.hour * 60 + t.minute;
}

int slot_count() {
    return tapsim::recording_slot_count(state().system_id);
}

// Bytes of a broadcast text into a record's field: cut to the field, without a terminator
// when the text fills it.
void put_field(char* field, size_t size, const std::string& text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(size, text.size()));
}

// A recording's name: the programme running on the channel (or the channel's name), with the
// characters a file name cannot have replaced, numbered when taken.
std::string recording_name(const tapsim::Channel& ch, const std::string& folder) {
    std::string base = ch.name;
    const int64_t minute = minutes_now() - state().guide_anchor;
    for (const tapsim::Event& e : ch.events)
        if (e.start <= minute && minute < e.start + e.length && !e.name.empty()) base = e.name;
    for (char& c : base)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
    if (base.size() > 60) base.resize(60);
    std::string name = base + ".rec";
    for (int n = 2; std::filesystem::exists(folder + "/" + name); ++n)
        name = base + "-" + std::to_string(n) + ".rec";
    return name;
}

} // namespace

namespace tapsim {

void Emulator::grow_recordings() {
    static const std::string packets = [] {
        std::string p(188 * 64, '\xFF');
        for (size_t i = 0; i < p.size(); i += 188)
            p[i] = 0x47;
        return p;
    }();
    for (Recording& r : state_.recordings) {
        if (r.file.empty() || r.start_tick == 0 || (clock_.ticks() - r.start_tick) % 100 != 0)
            continue;
        std::ofstream(disk_.dir() + "/DataFiles/" + r.file, std::ios::binary | std::ios::app)
            .write(packets.data(), static_cast<std::streamsize>(packets.size()));
        r.written += packets.size();
    }
}

} // namespace tapsim

// Channels.

int api::TAP_Channel_GetTotalNum(int* tv, int* radio) {
    if (tv) *tv = static_cast<int>(state().tv.size());
    if (radio) *radio = static_cast<int>(state().radio.size());
    return 1;
}

int api::TAP_Channel_GetCurrent(int* type, int* num) {
    if (type) *type = state().current_type;
    if (num) *num = state().current_num;
    return 1;
}

int api::TAP_Channel_GetInfo(int type, int num, TYPE_TapChInfo* info) {
    const tapsim::Channel* ch = channel(type, num);
    if (!info || !ch || ch->info_fails) return 0;
    std::memset(info, 0, sizeof *info);
    std::snprintf(info->satName, sizeof info->satName, "%s", "Astra 19.2E");
    std::snprintf(info->chName, sizeof info->chName, "%s", ch->name.c_str());
    info->freq = static_cast<word>(ch->freq);
    info->svcId = static_cast<word>(num + 1);
    info->logicalChNum = static_cast<word>(num + 1);
    return 1;
}

// 0 when the channel plays.
int api::TAP_Channel_Start(int main_sub, int type, int num) {
    emu().trace().call(now(), "TAP_Channel_Start", {main_sub, type, num});
    if (!channel(type, num)) return 1;
    state().current_type = type;
    state().current_num = num;
    state().channel_stopped = false;
    return 0;
}

int api::TAP_Channel_Stop(int main_sub) {
    emu().trace().call(now(), "TAP_Channel_Stop", {main_sub});
    if (main_sub == CHANNEL_Main) state().channel_stopped = true;
    return 0;
}

// The guide.

TYPE_TapEvent* api::TAP_GetEvent(int type, int num, int* count) {
    if (count) *count = 0;
    const tapsim::Channel* ch = channel(type, num);
    if (ch && !ch->no_guide && ch->raw_events.size() >= sizeof(TYPE_TapEvent)) {
        const size_t n = ch->raw_events.size() / sizeof(TYPE_TapEvent);
        void* list = emu().mem_alloc(static_cast<uint32_t>(n * sizeof(TYPE_TapEvent)));
        if (!list) return nullptr;
        std::memcpy(list, ch->raw_events.data(), n * sizeof(TYPE_TapEvent));
        if (count) *count = static_cast<int>(n);
        return static_cast<TYPE_TapEvent*>(list);
    }
    if (!ch || ch->no_guide || ch->events.empty()) return nullptr;
    const size_t n = ch->events.size();
    auto* list = static_cast<TYPE_TapEvent*>(
        emu().mem_alloc(static_cast<uint32_t>(n * sizeof(TYPE_TapEvent))));
    if (!list) return nullptr;
    const int64_t anchor = state().guide_anchor, minute = minutes_now();
    for (size_t i = 0; i < n; ++i) {
        const tapsim::Event& e = ch->events[i];
        TYPE_TapEvent& r = list[i];
        std::memset(&r, 0, sizeof r);
        r.evtId = static_cast<word>(i + 1);
        r.startTime = time_word(anchor + e.start);
        r.endTime = time_word(anchor + e.start + e.length);
        r.duration = static_cast<word>(e.length / 60 << 8 | e.length % 60);
        r.runningStatus =
            anchor + e.start <= minute && minute < anchor + e.start + e.length ? 4 : 1;
        put_field(r.eventName, sizeof r.eventName, e.name);
        put_field(r.description, sizeof r.description, e.text);
        r.satIdx = static_cast<byte>(type);
        r.svcId = static_cast<word>(num);
    }
    if (count) *count = static_cast<int>(n);
    return list;
}

// The extended text of an event of a list from TAP_GetEvent, in a block the TAP frees.
byte* api::TAP_EPG_GetExtInfo(TYPE_TapEvent* event) {
    if (!event) return nullptr;
    const tapsim::Channel* ch = channel(event->satIdx, event->svcId);
    if (!ch || event->evtId == 0 || event->evtId > ch->events.size()) return nullptr;
    const std::string& ext = ch->events[event->evtId - 1u].ext;
    if (ext.empty()) return nullptr;
    auto* text = static_cast<byte*>(emu().mem_alloc(static_cast<uint32_t>(ext.size() + 1)));
    if (!text) return nullptr;
    std::memcpy(text, ext.data(), ext.size());
    text[ext.size()] = 0;
    return text;
}

// Timers.

int api::TAP_Timer_GetTotalNum(void) {
    return static_cast<int>(state().timers.size() +
                            state().raw_timers.size() / sizeof(TYPE_TimerInfo));
}

int api::TAP_Timer_GetInfo(int entry, TYPE_TimerInfo* info) {
    if (!info || entry < 0 || entry >= TAP_Timer_GetTotalNum()) return 0;
    if (static_cast<size_t>(entry) >= state().timers.size()) {
        const size_t at = (static_cast<size_t>(entry) - state().timers.size()) * sizeof *info;
        std::memcpy(info, state().raw_timers.data() + at, sizeof *info);
        return 1;
    }
    const tapsim::Timer& t = state().timers[static_cast<size_t>(entry)];
    std::memset(info, 0, sizeof *info);
    info->isRec = 1;
    info->svcType = static_cast<byte>(t.type);
    info->svcNum = static_cast<word>(t.num);
    info->duration = static_cast<word>(t.duration);
    info->startTime = time_word(state().guide_anchor + t.start);
    put_field(info->fileName, sizeof info->fileName, t.file);
    return 1;
}

// Recording slots.

int api::TAP_Hdd_GetRecInfo(byte slot, TYPE_RecInfo* info) {
    if (!info || slot >= slot_count()) return 0;
    std::memset(info, 0, sizeof *info);
    const tapsim::Recording& r = state().recordings[slot];
    if (r.file.empty()) return 1;
    info->recType = 1;
    info->tuner = slot;
    info->svcType = static_cast<byte>(r.type);
    info->svcNum = static_cast<word>(r.num);
    info->recordedSec = r.start_tick ? static_cast<dword>((now() - r.start_tick) / 100) : 0;
    std::snprintf(info->fileName, sizeof info->fileName, "%s", r.file.c_str());
    return 1;
}

// Records the live channel in the first free slot: a recording and its ".inf" in
// "/DataFiles" that grow while the slot records.
int api::TAP_Hdd_StartRecord(void) {
    emu().trace().call(now(), "TAP_Hdd_StartRecord", {});
    tapsim::ReceiverState& s = state();
    const tapsim::Channel* ch = channel(s.current_type, s.current_num);
    if (!ch || s.channel_stopped) return 0;
    for (int slot = 0; slot < slot_count(); ++slot) {
        tapsim::Recording& r = s.recordings[slot];
        if (!r.file.empty()) continue;
        const std::string folder = emu().disk_dir() + "/DataFiles";
        std::filesystem::create_directories(folder);
        r.file = recording_name(*ch, folder);
        r.type = s.current_type;
        r.num = s.current_num;
        r.start_tick = now() ? now() : 1;
        r.written = 0;
        tapsim::LocalTime t = emu().clock().local();
        char start[32];
        int64_t days = static_cast<int64_t>(t.mjd) - tapsim::mjd_of_unix_day0;
        int y;
        unsigned m, d;
        tapsim::civil_from_days(days, &y, &m, &d);
        std::snprintf(start, sizeof start, "%04d-%02u-%02u %02d:%02d:%02d", y, m, d, t.hour,
                      t.minute, t.second);
        const std::string event = r.file.substr(0, r.file.size() - 4);
        tapsim::write_recording(folder, r.file, ch->name.c_str(), event.c_str(), start, 0);
        emu().trace().call(now(), "record", {slot, r.type, r.num}, r.file);
        return 1;
    }
    return 0;
}

int api::TAP_Hdd_StopRecord(byte slot) {
    emu().trace().call(now(), "TAP_Hdd_StopRecord", {slot});
    if (slot >= slot_count() || state().recordings[slot].file.empty()) return 0;
    state().recordings[slot] = tapsim::Recording{};
    return 1;
}
