// A small TAP that exercises the platform for the emulator's own tests: the libc clock, the
// broadcast clock, the disk through the TAP API and through libc, a receiver call, the
// firmware's symbols found by name, and memory kept or lost. It runs beside the resident TAP
// with an identifier of its own and ends on the exit message (0xB00 with 1); built with
// PROBE_ENDS_ON_STOP it ends on the stop event (0x900) too.
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "common/receiver_path.h"
#include "platform/tap_api.h"
#include "platform/tap_header.h"

#define TAP_ID_PROBE 0x7A0BC0FFu // another TAP than ours

TAP_DEFINE_HEADER_ID(TAP_ID_PROBE, "Probe", TOVAK_AUTHOR, "Platform probe", "Dec 10 2026 00:00:00")

#define TAP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void write_text(const char* name, const char* text, int n) {
    TAP_Hdd_ChangeDir("/");
    TAP_Hdd_Create(name, ATTR_FILE);
    if (TYPE_File* f = TAP_Hdd_Fopen(name)) {
        TAP_Hdd_Fwrite(const_cast<char*>(text), 1, static_cast<dword>(n), f);
        TAP_Hdd_Fclose(f);
    }
}

void write_report() {
    word mjd;
    byte h, m, s;
    TAP_GetTime(&mjd, &h, &m, &s);
    char text[160];
    int n = snprintf(text, sizeof text, "time=%ld mjd=%u %02u:%02u:%02u tick=%u\n",
                     static_cast<long>(time(nullptr)), mjd, h, m, s,
                     static_cast<unsigned>(TAP_GetTick()));
    write_text("probe.txt", text, n);
}

// Which firmware symbols the TAP finds by name, as the firmware binding does.
void find_firmware() {
    void* firmware = dlopen(nullptr, RTLD_LAZY | RTLD_GLOBAL);
    char text[96];
    int n = snprintf(text, sizeof text, "_tapTask=%d _Z16Appl_ExecProgramPc=%d\n",
                     firmware && dlsym(firmware, "_tapTask") ? 1 : 0,
                     firmware && dlsym(firmware, "_Z16Appl_ExecProgramPc") ? 1 : 0);
    if (firmware) dlclose(firmware);
    write_text("probe_firmware.txt", text, n);
}

void write_through_libc() {
    char path[512];
    if (path_map("/mnt/hd/probe_libc.txt", path, sizeof path) != 0) return;
    if (FILE* f = fopen(path, "w")) {
        fputs("written through libc\n", f);
        fclose(f);
    }
}

// Memory for the emulator's check of lost blocks: a chain of two blocks held from static data,
// and a block whose address is dropped.
struct chain {
    chain* next;
};
chain* kept;

void keep_chain() {
    kept = static_cast<chain*>(TAP_MemAlloc(sizeof(chain)));
    if (!kept) return;
    kept->next = static_cast<chain*>(TAP_MemAlloc(sizeof(chain)));
    if (kept->next) kept->next->next = nullptr;
}

void drop_block() {
    volatile void* p = TAP_MemAlloc(64);
    (void)p;
}

void free_chain() {
    if (!kept) return;
    if (kept->next) TAP_MemFree(kept->next);
    TAP_MemFree(kept);
    kept = nullptr;
}

} // namespace

TAP_EXPORT int TAP_Main(void) {
    return 1;
}

TAP_EXPORT dword TAP_EventHandler(word event, dword param1, dword) {
    if ((event & 0xFFFF) == EVT_TAPMSG && param1 == 1) {
        TAP_Exit();
        return 1;
    }
#ifdef PROBE_ENDS_ON_STOP
    if ((event & 0xFFFF) == EVT_STOP) {
        TAP_Exit();
        return param1;
    }
#endif
    if ((event & 0xFFFF) != EVT_KEY) return (event & 0xFFFF) == EVT_IDLE ? 0 : param1;
    switch (param1) {
    case 0x10001:
        write_report();
        return 0;
    case 0x10002:
        TAP_Channel_Start(1, 1, 2);
        return 0;
    case 0x10003:
        write_through_libc();
        return 0;
    case 0x10004:
        find_firmware();
        return 0;
    case 0x10005:
        keep_chain();
        return 0;
    case 0x10006:
        drop_block();
        return 0;
    case 0x10007:
        free_chain();
        return 0;
    default:
        return param1;
    }
}
