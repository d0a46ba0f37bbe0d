// The TAP API and the firmware functions, as the emulator provides them to loaded TAPs. Each
// call goes to the current emulator; calls that change the receiver are traced.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "api.h"
#include "emulator.h"
#include "gd_codec.h"

using tapsim::Emulator;
namespace api = tapsim::api;

namespace {

Emulator& emu() {
    return *Emulator::current();
}
uint64_t now() {
    return emu().clock().ticks();
}

} // namespace

// Life cycle and receiver state.

void api::TAP_Exit(void) {
    emu().trace().call(now(), "TAP_Exit", {emu().current_slot()});
    emu().request_exit();
}

void api::TAP_ExitNormal(void) {
    emu().trace().call(now(), "TAP_ExitNormal", {});
    emu().set_exit_normal(true);
}

void api::TAP_EnterNormal(void) {
    emu().trace().call(now(), "TAP_EnterNormal", {});
    emu().set_exit_normal(false);
}

dword api::TAP_GetState(dword* state, dword* sub) {
    if (state) *state = emu().state().state;
    if (sub) *sub = emu().state().sub_state;
    return 0;
}

dword api::TAP_GetSystemId(void) {
    return emu().state().system_id;
}

int api::TAP_GetSystemVar(int var) {
    return var == SYSVAR_OsdLan ? emu().state().language : 0;
}

// Time.

dword api::TAP_GetTick(void) {
    return static_cast<dword>(now());
}

int api::TAP_GetTime(word* mjd, byte* hour, byte* min, byte* sec) {
    tapsim::LocalTime t = emu().clock().local();
    if (mjd) *mjd = t.mjd;
    if (hour) *hour = t.hour;
    if (min) *min = t.minute;
    if (sec) *sec = t.second;
    return 1;
}

void api::TAP_Sleep(dword ms) {
    emu().sleep(ms);
}

int api::TAP_ExtractMjd(word mjd, word* year, byte* month, byte* day, byte* week_day) {
    int y;
    unsigned m, d;
    int64_t days = static_cast<int64_t>(mjd) - tapsim::mjd_of_unix_day0;
    tapsim::civil_from_days(days, &y, &m, &d);
    if (year) *year = static_cast<word>(y);
    if (month) *month = static_cast<byte>(m);
    if (day) *day = static_cast<byte>(d);
    // 0 = Monday: 1970-01-01 was a Thursday.
    if (week_day) *week_day = static_cast<byte>(((days % 7 + 7) % 7 + 3) % 7);
    return 0;
}

// libc's time() inside the process follows the receiver's Linux clock.
extern "C" __attribute__((visibility("default"))) time_t time(time_t* out) {
    time_t t = Emulator::current() ? static_cast<time_t>(emu().clock().linux_time())
                                   : static_cast<time_t>(0);
    if (!Emulator::current()) {
        struct timespec ts;
        clock_gettime(CLOCK_REALTIME, &ts);
        t = ts.tv_sec;
    }
    if (out) *out = t;
    return t;
}

// The firmware's random numbers: a linear congruential generator, the same on every build.
namespace {
uint32_t random_state = 1;
}

void api::TAP_Srand(dword seed) {
    random_state = seed;
}

dword api::TAP_Rand(dword limit) {
    random_state = random_state * 1103515245u + 12345u;
    const dword value = (random_state >> 16) & 0x7FFF;
    return limit ? value % limit : value;
}

// Memory.

void* api::TAP_MemAlloc(dword size) {
    return emu().mem_alloc(size);
}

int api::TAP_MemFree(const void* p) {
    return p && emu().mem_free(p) ? 1 : 0;
}

void api::TAP_MemInfo(dword* heap, dword* free_heap, dword* avail) {
    const tapsim::ReceiverState& s = emu().state();
    uint64_t used = std::min<uint64_t>(emu().mem_in_use(), s.heap_size);
    if (heap) *heap = s.heap_size;
    if (free_heap) *free_heap = static_cast<dword>(s.heap_size - used);
    if (avail) *avail = static_cast<dword>(s.heap_size - used);
}

// Signal of the tuned channel, percent.

int api::TAP_GetSignalLevel(void) {
    return emu().state().signal_level;
}
int api::TAP_GetSignalQuality(void) {
    return emu().state().signal_quality;
}

// Disk.

int api::TAP_Hdd_ChangeDir(const char* dir) {
    return emu().disk().change_dir(dir) ? 1 : 0;
}
int api::TAP_Hdd_Exist(const char* name) {
    return emu().disk().exist(name) ? 1 : 0;
}
dword api::TAP_Hdd_Create(const char* name, byte attr) {
    return emu().disk().create(name, attr) ? 0 : 0xFFFFFFFFu;
}
word api::TAP_Hdd_Delete(const char* name) {
    return emu().disk().remove(name) ? 0 : 0xFFFF;
}
int api::TAP_Hdd_Rename(const char* old_name, const char* new_name) {
    return old_name && new_name && emu().disk().rename(old_name, new_name) ? 1 : 0;
}
TYPE_File* api::TAP_Hdd_Fopen(const char* name) {
    return emu().disk().open(name);
}
dword api::TAP_Hdd_Fread(void* buf, dword size, dword count, TYPE_File* f) {
    return emu().disk().read(buf, size, count, f);
}
dword api::TAP_Hdd_Fwrite(void* buf, dword size, dword count, TYPE_File* f) {
    return emu().disk().write(buf, size, count, f);
}
dword api::TAP_Hdd_Fseek(TYPE_File* f, long pos, long where) {
    return emu().disk().seek(f, pos, static_cast<int>(where));
}
dword api::TAP_Hdd_Ftell(TYPE_File* f) {
    return emu().disk().tell(f);
}
dword api::TAP_Hdd_Flen(TYPE_File* f) {
    return emu().disk().length(f);
}
void api::TAP_Hdd_Fclose(TYPE_File* f) {
    emu().disk().close(f);
}
dword api::TAP_Hdd_FindFirst(TYPE_FolderEntry* e, const char* extension) {
    return emu().disk().find_first(e, extension);
}
dword api::TAP_Hdd_FindNext(TYPE_FolderEntry* e) {
    return emu().disk().find_next(e);
}
dword api::TAP_Hdd_TotalSize(void) {
    return emu().state().disk_total_mb;
}
dword api::TAP_Hdd_FreeSize(void) {
    return emu().state().disk_free_mb;
}

// The internal disk's model (40 characters) and serial number (20), padded with blanks as the
// drive gives them; 0 when the receiver has no disk "a".
int api::TAP_Hdd_GetHddID(char* model, char* serial) {
    const auto& drives = emu().state().drives;
    auto it = drives.find('a');
    if (it == drives.end()) return 0;
    if (model) std::snprintf(model, 41, "%-40.40s", it->second.model.c_str());
    if (serial) std::snprintf(serial, 21, "%-20.20s", it->second.serial.c_str());
    return 1;
}

int api::TAP_Hdd_GetPlayInfo(TYPE_PlayInfo* info) {
    if (!info || emu().state().play.fails) return 0;
    std::memset(info, 0, sizeof *info);
    const tapsim::PlayState& p = emu().state().play;
    info->playMode = static_cast<byte>(p.mode);
    info->trickMode = static_cast<byte>(p.trick);
    info->currentBlock = p.block;
    info->totalBlock = p.total;
    if (p.mode == PLAYMODE_MP3) {
        info->duration = static_cast<word>(p.seconds / 60);
        info->durationSec = static_cast<byte>(p.seconds % 60);
    }
    // The played file's record names it by its Linux path; a recording by its header, as the
    // firmware does ("/mnt/hd/DataFiles/x.rec.inf").
    static std::string played;
    static fw_name_record name{};
    static TYPE_File file{};
    if (!p.file.empty()) {
        played = "/mnt/hd" + p.file + (tapsim::is_stream_name(p.file) ? ".inf" : "");
        name.name = played.c_str();
        file = TYPE_File{};
        std::snprintf(file.name, sizeof file.name, "%s",
                      played.substr(played.rfind('/') + 1).c_str());
        file.handle = &name;
        info->file = &file;
    }
    return 1;
}

// OSD.

int api::TAP_Osd_Create(dword x, dword y, dword w, dword h, byte, int) {
    int r = emu().osd().create(emu().current_slot(), static_cast<int>(x), static_cast<int>(y),
                               static_cast<int>(w), static_cast<int>(h));
    return r < 0 ? -1 : r;
}

int api::TAP_Osd_Delete(word rgn) {
    return emu().osd().remove(rgn) ? 0 : -1;
}

int api::TAP_Osd_FillBox(word rgn, dword x, dword y, dword w, dword h, dword color) {
    return emu().osd().fill(rgn, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                            static_cast<int>(h), color)
               ? 0
               : -1;
}

int api::TAP_Osd_PutS(word rgn, dword x, dword y, dword max_x, const char* str, dword fg, dword bg,
                      byte, byte size, byte, byte) {
    if (!str) return -1;
    return emu().osd().put_text(rgn, static_cast<int>(x), static_cast<int>(y),
                                static_cast<int>(max_x), str, fg, bg, size) < 0
               ? -1
               : 0;
}

int api::TAP_Osd_GetW(const char* str, byte, byte size) {
    return str ? emu().osd().text_width(str, size) : 0;
}

int api::TAP_Osd_PutPixel(word rgn, dword x, dword y, dword pix) {
    return emu().osd().pixel(rgn, static_cast<int>(x), static_cast<int>(y), pix) ? 0 : -1;
}

int api::TAP_Osd_DrawRectangle(word rgn, dword x, dword y, dword w, dword h, dword thick,
                               dword color) {
    return emu().osd().rectangle(rgn, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                                 static_cast<int>(h), static_cast<int>(thick), color)
               ? 0
               : -1;
}

int api::TAP_Osd_DrawPixmap(word rgn, dword x, dword y, dword w, dword h, void* pixmap, int sprite,
                            byte) {
    return emu().osd().pixmap(rgn, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                              static_cast<int>(h), static_cast<const uint32_t*>(pixmap),
                              sprite != 0)
               ? 0
               : -1;
}

byte* api::TAP_Osd_SaveBox(word rgn, dword x, dword y, dword w, dword h) {
    tapsim::SavedBox box;
    if (!emu().osd().save(rgn, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                          static_cast<int>(h), &box))
        return nullptr;
    size_t bytes = box.px.size() * 4;
    byte* block = static_cast<byte*>(emu().mem_alloc(static_cast<uint32_t>(bytes)));
    if (!block) return nullptr;
    std::memcpy(block, box.px.data(), bytes);
    emu().saved_boxes()[block] = std::move(box);
    return block;
}

void api::TAP_Osd_RestoreBox(word rgn, dword x, dword y, dword w, dword h, void* data) {
    if (!data) return;
    auto it = emu().saved_boxes().find(data);
    tapsim::SavedBox box;
    if (it != emu().saved_boxes().end() && it->second.w == static_cast<int>(w) &&
        it->second.h == static_cast<int>(h)) {
        box = it->second;
    } else {
        box.w = static_cast<int>(w);
        box.h = static_cast<int>(h);
        box.px.assign(static_cast<const uint32_t*>(data),
                      static_cast<const uint32_t*>(data) + static_cast<size_t>(w) * h);
    }
    std::memcpy(box.px.data(), data, box.px.size() * 4); // the TAP may have changed the block
    emu().osd().restore(rgn, static_cast<int>(x), static_cast<int>(y), box);
}

int api::TAP_Osd_PutGd(word rgn, int x, int y, TYPE_GrData* gd, int sprite) {
    if (!gd || gd->version != 1 || gd->dataFormat != OSD_8888 || gd->compessMethod != 2) return -1;
    std::vector<uint32_t> px;
    int w, h;
    size_t bound = 14 + static_cast<size_t>(gd->width) * gd->height * 5;
    if (!tapsim::gd_decode(static_cast<const uint8_t*>(gd->data), bound, &px, &w, &h) ||
        w != gd->width || h != gd->height)
        return -1;
    return emu().osd().pixmap(rgn, x, y, w, h, px.data(), sprite != 0) ? 0 : -1;
}

void api::TAP_Osd_Sync(void) {
    emu().osd().sync();
    emu().synced();
}

// Firmware functions that TAPs bind by name.

extern "C" __attribute__((visibility("default"))) void DevService_Mute(bool on) {
    emu().trace().call(now(), "DevService_Mute", {on});
    emu().state().muted = on;
}

extern "C" __attribute__((visibility("default"))) int DevFront_SetIrCode(int slot, int enable,
                                                                         int b1, int b2, int mode) {
    emu().trace().call(now(), "DevFront_SetIrCode", {slot, enable, b1, b2, mode});
    return slot >= 0 && slot <= 3 ? 0 : -1;
}

__attribute__((visibility("default"))) void Appl_PvrPause(bool resume) {
    emu().trace().call(now(), "Appl_PvrPause", {resume});
    emu().state().paused = !emu().state().paused;
}

__attribute__((visibility("default"))) void Appl_EvtProc_PowerOff(unsigned a, unsigned b) {
    emu().trace().call(now(), "Appl_EvtProc_PowerOff", {a, b});
    emu().power_off();
}

__attribute__((visibility("default"))) void Appl_StopPlaying() {
    emu().trace().call(now(), "Appl_StopPlaying", {});
    emu().state().play = tapsim::PlayState{};
}
