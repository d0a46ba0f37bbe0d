// The readers of the settings folder's text files, fed arbitrary contents: the key mapping
// "TovakRC.map" and the tag file "TovakRC.tmp"; and the settings record's bytes brought into
// range.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/settings.h"
#include "core/keymap.h"
#include "common/tag_lookup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);

    int rules = keymap_parse(text, size);
    if (rules < 0 || rules > KEYMAP_MAX_RULES) __builtin_trap();
    for (int i = 0; i < rules; ++i) {
        const keymap_rule& r = keymap_rules[i];
        if (r.key < 0x10000 || r.key > 0x100FF) __builtin_trap();
        if (r.target && (r.target < 0x10000 || r.target > 0x100FF)) __builtin_trap();
        if (r.state < -11 || r.state > 11 || r.play_mode < -6 || r.play_mode > 6) __builtin_trap();
        keymap_find(r.key, 0, 0x1F, -111);
    }

    // The tag to look for: the input's first line (up to 31 bytes), and some fixed ones.
    char tag[32];
    size_t n = 0;
    while (n < size && n < sizeof tag - 1 && data[n] != '\n')
        ++n;
    std::memcpy(tag, data, n);
    tag[n] = 0;
    const char* const tags[] = {tag, "City", "lat", "query", ""};
    for (const char* t : tags)
        if (std::strlen(tag_lookup_in(text, size, t)) >= TAG_LINE) __builtin_trap();

    if (size >= SETTINGS_RECORD_SIZE) {
        settings_record s;
        settings_from_bytes(data, &s);
        settings_clamp(&s, 22010);
        if (!settings_plausible(s)) __builtin_trap();
    }
    return 0;
}
