// The line editor's history reader ("TovakRC.his") and the UTF-8 / Latin-1 conversions, fed
// arbitrary bytes. The reader's TAP code allocates through the TAP API, so an emulator runs.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/memory.h"
#include "fuzz_emulator.h"
#include "osd/line_edit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_emulator();
    const int64_t blocks = mem_outstanding();

    // The reader: every ring entry is a line of at most 199 characters without a break, and
    // the history steps stay inside the rings.
    history_parse(reinterpret_cast<const char*>(data), size);
    char step[EDIT_BUFFER];
    for (int kind = 0; kind < EDIT_KINDS; ++kind) {
        const char* newest = history_newest(kind);
        if (newest && (strlen(newest) > EDIT_MAX_CHARS || strchr(newest, '\n'))) __builtin_trap();
        for (int i = 0; i < EDIT_HISTORY + 2; ++i)
            if (history_step(kind, step, -1) == 0 && strlen(step) > EDIT_MAX_CHARS)
                __builtin_trap();
    }
    history_clear();
    if (mem_outstanding() != blocks) __builtin_trap();

    // The conversions: bounded output, and Latin-1 comes back from its UTF-8 form.
    std::vector<char> text(data, data + size);
    text.push_back(0);
    const size_t len = strlen(text.data());
    const size_t out_size = size ? data[0] % 64 + 1 : 1;
    std::vector<char> out(out_size + 1, '#');
    size_t n = latin1_to_utf8(text.data(), out.data(), out_size);
    if (n >= out_size || out[n] != 0 || out[out_size] != '#') __builtin_trap();
    std::vector<char> full(2 * len + 1);
    latin1_to_utf8(text.data(), full.data(), full.size());
    utf8_to_latin1(full.data());
    if (strcmp(full.data(), text.data()) != 0) __builtin_trap();
    utf8_to_latin1(text.data());
    if (strlen(text.data()) > len) __builtin_trap();
    return 0;
}
