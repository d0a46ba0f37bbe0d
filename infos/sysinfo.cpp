#include "sysinfo.h"

#include <stdio.h>
#include <string.h>
#include <sys/utsname.h>

#include "common/file_io.h"
#include "common/fw_bind.h"
#include "common/models.h"
#include "common/receiver_id.h"
#include "common/receiver_path.h"
#include "common/records.h"
#include "common/settings.h"
#include "common/version.h"
#include "osd/window_open.h"

system_info sysinfo;

namespace {

enum { PROC_LINE = 800 }; // a line of a /proc file as far as it is read

bool white(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// The text without surrounding blanks, into out.
void copy_trimmed(const char* text, char* out, size_t size) {
    while (*text == ' ')
        ++text;
    size_t n = strlen(text);
    while (n && text[n - 1] == ' ')
        --n;
    if (n >= size) n = size - 1;
    memcpy(out, text, n);
    out[n] = 0;
}

// A /proc value while it is still empty.
void lookup_once(const char* file, const char* key, char* out, size_t size) {
    if (!out[0]) proc_lookup(file, key, out, size);
}

} // namespace

bool proc_line_value(const char* line, size_t length, const char* key, char* out, size_t size) {
    const size_t key_length = strlen(key);
    if (length < key_length || memcmp(line, key, key_length) != 0) return false;
    const char* colon = static_cast<const char*>(memchr(line, ':', length));
    if (!colon || static_cast<size_t>(colon - line) + 1 >= length || colon[1] != ' ') return false;
    const char* value = colon + 2;
    size_t n = length - static_cast<size_t>(value - line);
    while (n && white(value[n - 1]))
        --n;
    if (size == 0) return true;
    if (n >= size) n = size - 1;
    memcpy(out, value, n);
    out[n] = 0;
    return true;
}

bool proc_text_lookup(const char* text, size_t length, const char* key, char* out, size_t size) {
    size_t at = 0;
    while (at < length) {
        const char* line = text + at;
        const char* nl = static_cast<const char*>(memchr(line, '\n', length - at));
        const size_t full = nl ? static_cast<size_t>(nl - line) : length - at;
        const size_t used = full < PROC_LINE - 1 ? full : PROC_LINE - 1;
        if (proc_line_value(line, used, key, out, size)) return true;
        at += full + 1;
    }
    return false;
}

bool proc_lookup(const char* name, const char* key, char* out, size_t size) {
    if (size) out[0] = 0;
    char receiver[128], path[1024];
    snprintf(receiver, sizeof receiver, "/proc/%s", name);
    if (path_map(receiver, path, sizeof path) != 0) return false;
    libc_file f(path, "r");
    if (!f) return false;
    static char line[PROC_LINE];
    bool continued = false; // the rest of a line longer than the buffer
    while (fgets(line, sizeof line, f.f)) {
        const size_t n = strlen(line);
        const bool whole = n && line[n - 1] == '\n';
        const bool skip = continued;
        continued = !whole;
        if (skip) continue;
        if (proc_line_value(line, whole ? n - 1 : n, key, out, size)) return true;
    }
    return false;
}

void cpu_model_cut(char* text) {
    if (char* fpu = strstr(text, "  FPU")) *fpu = 0;
}

int memory_mb_of(const char* text) {
    while (*text == ' ')
        ++text;
    if (*text < '0' || *text > '9') return 0;
    long kb = 0;
    for (; *text >= '0' && *text <= '9' && kb < 100000000; ++text)
        kb = kb * 10 + (*text - '0');
    return static_cast<int>(kb / 1000 + 1);
}

void system_collect(void) {
    system_info& s = sysinfo;
    const long id = static_cast<long>(TAP_GetSystemId());
    snprintf(s.model, sizeof s.model, "%s", model_name(id));
    s.recording_slots = model_recording_slots(id);
    lookup_once("cpuinfo", "system type", s.system_type, sizeof s.system_type);
    if (!s.cpu_model[0]) {
        proc_lookup("cpuinfo", "cpu model", s.cpu_model, sizeof s.cpu_model);
        cpu_model_cut(s.cpu_model);
    }
    lookup_once("cpuinfo", "cpu MHz", s.cpu_mhz, sizeof s.cpu_mhz);
    if (!s.memory_mb) {
        char total[32];
        if (proc_lookup("meminfo", "MemTotal", total, sizeof total))
            s.memory_mb = memory_mb_of(total);
    }
    s.fw_version[0] = 0;
    fw_version_read(fw_address(FW_SET_APPL_VER), static_cast<char*>(fw_address(FW_OSD_OUT_BUF)),
                    s.fw_version, sizeof s.fw_version);
    if (!s.fw_build[0])
        fw_build_scan(static_cast<const char*>(fw_address(FW_CODE_START)),
                      static_cast<const char*>(fw_address(FW_CODE_END)), s.fw_build,
                      sizeof s.fw_build);
    s.mac[0] = 0;
    const uint32_t fold = net_hw_interface(s.local_ip, sizeof s.local_ip, s.mac, sizeof s.mac);
    device_identifier(s.device_id, sizeof s.device_id, s.fw_version, id, fold, TAP_Hdd_TotalSize());
    if (!s.disk_model[0]) {
        // The firmware writes the model (40 characters) and the serial (20) with their ends.
        char model[64] = "", serial[64] = "";
        TAP_Hdd_GetHddID(model, serial);
        model[sizeof model - 1] = serial[sizeof serial - 1] = 0;
        snprintf(s.disk_model, sizeof s.disk_model, "%s", model);
        snprintf(s.disk_serial, sizeof s.disk_serial, "%s", serial);
    }
}

void system_page_prepare(text_page* page) {
    const system_info& s = sysinfo;
    page_clear(page, osd_line_height());
    page_line(page, 0, "Sys.ID: %ld (%s)", static_cast<long>(TAP_GetSystemId()), s.model);
    page_line(page, 0, "Type: %s", s.system_type);
    page_skip(page);
    page_line(page, 0, "FW: %s (%s)", s.fw_version, s.fw_build);
    struct utsname os;
    if (uname(&os) == 0) page_line(page, 0, "OS: %s (%s)", os.sysname, os.release);
    page_skip(page);
    page_line(page, 0, "CPU: %s (%s MHz)", s.cpu_model, s.cpu_mhz);
    page_line(page, 0, "MEM: %d [MB]", s.memory_mb);
    page_skip(page);
    dword heap = 0, free_heap = 0, avail = 0;
    TAP_MemInfo(&heap, &free_heap, &avail);
    page_line(page, 0, "Heap: T=%d F=%d A=%d [MiB]", static_cast<int>(heap >> 20),
              static_cast<int>(free_heap >> 20), static_cast<int>(avail >> 20));
    page_line(page, 0, "HDD: Total=%d Free=%d [GiB]", static_cast<int>(TAP_Hdd_TotalSize() >> 10),
              static_cast<int>(TAP_Hdd_FreeSize() >> 10));
    page_skip(page);
    page_line(page, 0, "HDD: %s", s.disk_model);
    char serial[32];
    copy_trimmed(s.disk_serial, serial, sizeof serial);
    page_line(page, 0, "Ser.: %s", serial);
    page_skip(page);
    page_line(page, 0, "MAC: %s", s.mac);
    // The public address is the IP geolocation's (the one known from this run, or a fresh query).
    char public_ip[40] = "";
    window_ask(ACTION_LOCATE, with_answer(mode_call(-1), public_ip, sizeof public_ip), 0);
    public_ip[sizeof public_ip - 1] = 0;
    page_line(page, 0, "IP: %s / %s (%d %d)", s.local_ip, public_ip, position.provider,
              position.service);
    page_skip(page);
    page_line(page, 0, "Signal: Level=%d%% Quality=%d%%", TAP_GetSignalLevel(),
              TAP_GetSignalQuality());
    int tv = 0, radio = 0;
    TAP_Channel_GetTotalNum(&tv, &radio);
    page_line(page, 0, "%s: TV=%d Radio=%d", ui_text("Channels", "Sender"), tv, radio);
}

void system_page(osd_window* win, const text_page* page) {
    // Wide enough for the firmware's version and build texts on one line in either font.
    osd_frame(win, 470, 21, "System Infos", TOVAK_VERSION, 0);
    page_draw(win, page);
    osd_finish(win);
}
