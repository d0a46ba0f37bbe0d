// The EPG's reading of the platform's event and timer records, fed arbitrary bytes as those
// records: the lists drawn with every key that moves through them, the timer details and the
// details document. Names without terminators, any times and counts; nothing may be read past
// a record, and every block is given back.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "common/key_codes.h"
#include "common/memory.h"
#include "common/persist.h"
#include "common/settings.h"
#include "epg/details.h"
#include "epg/window.h"
#include "fuzz_emulator.h"
#include "osd/ibox.h"
#include "osd/window_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tapsim::Emulator& emu = fuzz_emulator();
    if (size < 1) return 0;
    static bool folder = [&] {
        std::filesystem::create_directories(emu.disk_dir() + "/ProgramFiles/Settings/TovakRC");
        hdd_success_record();
        return true;
    }();
    (void)folder;
    const uint8_t flags = data[0];
    ++data;
    --size;
    // Up to seven event records of each channel; the rest are timer records.
    const size_t event_bytes = std::min(size, (flags & 7u) * sizeof(TYPE_TapEvent));
    const std::string events(reinterpret_cast<const char*>(data), event_bytes);
    tapsim::ReceiverState& s = emu.state();
    s.tv.assign(2, tapsim::Channel("Fuzz"));
    s.tv[0].raw_events = s.tv[1].raw_events = events;
    s.tv[1].name = "Fuzz HD two words";
    s.raw_timers.assign(reinterpret_cast<const char*>(data) + event_bytes, size - event_bytes);
    settings.flags = (flags & 8 ? SET_LARGE_FONT : 0) | (flags & 16 ? SET_ENGLISH : 0);

    const int64_t held = mem_outstanding();
    const dword keys[] = {KEY_DOWN,     KEY_FORWARD, KEY_LEFT,    KEY_RIGHT,    KEY_RIGHT,
                          KEY_SUBTITLE, KEY_DOWN,    KEY_UP,      KEY_JUMP_END, KEY_RIGHT,
                          KEY_TELETEXT, KEY_DOWN,    KEY_FORWARD, KEY_GUIDE,    KEY_TELETEXT,
                          KEY_SUBTITLE, KEY_EXIT};
    epg_window(0);
    for (dword k : keys)
        epg_window(k);
    while (ibox_open())
        ibox_show(nullptr, nullptr, 0);
    if (window_flags & WS_EPG) __builtin_trap(); // Exit closed it

    epg_details_request = {0, 0, flags >> 5};
    epg_details_write(0, 2);
    epg_details_write(0, 1);
    epg_details_write(1, 0);
    epg_details_write(0, -1);
    epg_release();
    if (mem_outstanding() != held) __builtin_trap();
    return 0;
}
