// What the TAP knows about the receiver it runs on: the model from the system ID, processor
// and memory from /proc, the firmware's version and build texts, the disk's identity, the
// network interface and the device identifier; collected at start-up and on the dispatcher's
// request, and shown on the "System Infos" page.
#pragma once

#include <stddef.h>

#include "infos/page.h"
#include "osd/window.h"

struct system_info {
    char model[24];       // from the system ID; "" for unknown IDs
    int recording_slots;  // 4, or 2 for the model that has two
    char system_type[64]; // /proc/cpuinfo "system type"
    char cpu_model[64];   // /proc/cpuinfo "cpu model", cut at "  FPU"
    char cpu_mhz[16];     // /proc/cpuinfo "cpu MHz"
    int memory_mb;        // /proc/meminfo "MemTotal" in kB / 1000 + 1; 0 unknown
    char fw_version[31];  // the firmware's version text
    char fw_build[40];    // the build text of the firmware's code image
    char disk_model[48];  // TAP_Hdd_GetHddID
    char disk_serial[32];
    char local_ip[40];
    char mac[20];
    char device_id[64];
};
extern system_info sysinfo;

// One line of a /proc file: when it begins with key and its first ':' is followed by a blank,
// the text after ": " without trailing white space goes to out (cut to size) and the result
// is true.
bool proc_line_value(const char* line, size_t length, const char* key, char* out, size_t size);
// The first line of a text that gives the key's value (lines longer than 799 bytes count as
// their first 799). True when found.
bool proc_text_lookup(const char* text, size_t length, const char* key, char* out, size_t size);
// The same for a file below "/proc" ("cpuinfo"). False when the file cannot be read or the key
// is missing (out is then empty).
bool proc_lookup(const char* name, const char* key, char* out, size_t size);

// "  FPU" and what follows it cut off.
void cpu_model_cut(char* text);
// MemTotal's "124000 kB" as 125 (MB); 0 when the text has no number.
int memory_mb_of(const char* text);

// Fills sysinfo: model and slots, network and identifier every time; /proc values, firmware
// build text and disk identity only while they are empty.
void system_collect(void);

// Works out the page (the live values included) and draws it into win.
void system_page_prepare(text_page* page);
void system_page(osd_window* win, const text_page* page);
