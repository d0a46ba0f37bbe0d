// The readers of Infos & Tools fed arbitrary bytes: the first byte chooses the reader, the rest
// is its input — a /proc text (key lookup, the load monitor's /proc/stat and /proc/diskstats
// lines through a whole measurement), an identification block, a SMART data page, or keys typed
// into the calculator. Results stay inside their buffers and ranges.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/calc.h"
#include "fuzz_emulator.h"
#include "infos/harddisk.h"
#include "infos/load_monitor.h"
#include "infos/sysinfo.h"

namespace {

void proc_text(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    char value[64];
    for (const char* key : {"system type", "cpu model", "MemTotal", ""}) {
        if (proc_text_lookup(text, size, key, value, sizeof value) && strlen(value) >= sizeof value)
            __builtin_trap();
    }
    value[sizeof value - 1] = 0;
    cpu_model_cut(value);
    if (memory_mb_of(value) < 0) __builtin_trap();
}

void load_texts(const uint8_t* data, size_t size) {
    // The text is both files: /proc/stat and /proc/diskstats, twice (start and measurement).
    load_state s{};
    s.tick_rate = 100;
    const char* text = reinterpret_cast<const char*>(data);
    for (char letter : {'\0', 'b'}) {
        line_source stat{nullptr, text, size, 0};
        line_source disks{nullptr, text, size, 0};
        const int r = load_measure_from(&s, letter, &stat, &disks);
        if (r < -4 || r > 0) __builtin_trap();
    }
    char line[LOAD_LINE];
    line_source src{nullptr, text, size, 0};
    while (line_next(&src, line, sizeof line)) {
        if (strlen(line) >= sizeof line) __builtin_trap();
        uint64_t counters[LOAD_COUNTERS];
        stat_cpu_line(line, counters);
        char letter;
        uint64_t read, written;
        if (diskstats_disk_line(line, &letter, &read, &written) && (letter < 'a' || letter > 'z'))
            __builtin_trap();
    }
}

void ata_block(const uint8_t* data, size_t size, bool smart) {
    uint8_t block[ATA_BLOCK] = {};
    memcpy(block, data, size < ATA_BLOCK ? size : ATA_BLOCK);
    if (!smart) {
        for (bool swapped : {false, true}) {
            disk_identity id;
            identity_parse(block, swapped, &id);
            if (strlen(id.model) >= sizeof id.model || strlen(id.serial) >= sizeof id.serial ||
                strlen(id.firmware) >= sizeof id.firmware)
                __builtin_trap();
            const int vendor = vendor_class(id.model);
            if (vendor < 0 || vendor > VENDOR_CRUCIAL) __builtin_trap();
        }
        return;
    }
    smart_attribute list[64];
    const int n = smart_attributes(block, list, 64);
    if (n < 0 || n > (ATA_BLOCK - 2) / SMART_ENTRY) __builtin_trap();
    for (int i = 0; i < n; ++i)
        for (int vendor : {0, 1, 2, 3, 6})
            smart_name(list[i].number, vendor);
}

void calculator_keys(const uint8_t* data, size_t size) {
    static const char keys[] = "0123456789.e+-*/=\b";
    calc_state s{};
    calc_open(&s);
    for (size_t i = 0; i < size; ++i) {
        const calc_typed t = calc_type(&s, keys[data[i] % (sizeof keys - 1)]);
        if (s.length > CALC_INPUT_MAX || strlen(s.line) != 1u + s.length) __builtin_trap();
        if (t == CALC_RESULT) {
            if (strlen(s.result) >= sizeof s.result) __builtin_trap();
            calc_next(&s, 7);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_emulator();
    if (size < 1 || size > 4096) return 0;
    const uint8_t* rest = data + 1;
    const size_t n = size - 1;
    switch (data[0] % 5) {
    case 0:
        proc_text(rest, n);
        break;
    case 1:
        load_texts(rest, n);
        break;
    case 2:
        ata_block(rest, n, false);
        break;
    case 3:
        ata_block(rest, n, true);
        break;
    default:
        calculator_keys(rest, n);
        break;
    }
    return 0;
}
