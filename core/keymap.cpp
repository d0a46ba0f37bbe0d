#include "keymap.h"

#include <stdio.h>
#include <string.h>

#include "common/file_io.h"
#include "common/key_names.h"
#include "common/memory.h"
#include "common/paths.h"

keymap_rule keymap_rules[KEYMAP_MAX_RULES];
int keymap_count;

namespace {

const char map_file[] = "TovakRC.map";

// The template's 24 lines, each followed by "\n".
const char* const template_lines[] = {
    "Key Mapping Definitions",
    "=======================",
    "",
    "\t{key_code}\t[target_code]\t[conditions]\t# comment",
    "",
    "# e.g.\t0x1001a\t\t\t\tPM0\t\t# suppress Pause key in live TV",
    "# e.g.\t0x10050\t\t0x10022\t\t\t\t# restore the portal \"M\" key to TvSat in AUS",
    "",
    "#\tsome conditions:\t\tST0\t\t# normal state (outside of TAP and system OSDs)",
    "#\t\t\t\t\tST1\t\t# system menu",
    "#\t\t\t\t\tST2\t\t# system EPG",
    "#\t\t\t\t\tST4\t\t# system teletext",
    "#\t\t\t\t\tST6\t\t# system filer",
    "#\t\t\t\t\tST7\t\t# TAP OSD",
    "",
    "#\tsome substates:\t\t\tSS34\t\t# favourite list",
    "#\t\t\t\t\tSS36\t\t# audio selector",
    "",
    "#\tsome playmodes:\t\t\tPM0\t\t# no playback",
    "#\t\t\t\t\tPM2\t\t# normal playback",
    "#\t\t\t\t\tPM3\t\t# timeshift playback",
    "#\t\t\t\t\tPM4\t\t# timeshift playback of current recording",
    "#\t\t\t\t\tPM5\t\t# MP3 playback",
    "",
};
static_assert(sizeof template_lines / sizeof template_lines[0] == 24, "24 template lines");

bool is_separator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hexadecimal digits (at least one, nothing behind) as a key code 0x10000 ... 0x100FF.
bool key_code_of(const char* digits, size_t n, uint32_t* code) {
    if (n == 0) return false;
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) {
        int d = hex_digit(digits[i]);
        if (d < 0) return false;
        v = v * 16 + static_cast<uint32_t>(d);
        if (v > 0x100FF) return false; // leading zeros keep v small, so this stops overflow
    }
    if (v < 0x10000) return false;
    *code = v;
    return true;
}

// Decimal digits (at least one, nothing behind) no larger than max.
bool decimal_of(const char* digits, size_t n, int max, int* value) {
    if (n == 0) return false;
    int v = 0;
    for (size_t i = 0; i < n; ++i) {
        if (digits[i] < '0' || digits[i] > '9') return false;
        v = v * 10 + (digits[i] - '0');
        if (v > max) return false;
    }
    *value = v;
    return true;
}

// One condition or target token; false when it is not valid.
bool apply_token(const char* t, size_t n, keymap_rule* rule) {
    if (n > 2 && t[0] == '0' && t[1] == 'x') return key_code_of(t + 2, n - 2, &rule->target);
    bool negated = t[0] == '!';
    if (negated) {
        ++t;
        --n;
    }
    if (n < 3) return false;
    struct condition {
        char a, b;
        int max;
        int8_t keymap_rule::*field;
    } static const conditions[] = {
        {'S', 'T', 10, &keymap_rule::state},
        {'S', 'S', 120, &keymap_rule::sub_state},
        {'P', 'M', 5, &keymap_rule::play_mode},
    };
    for (const condition& c : conditions) {
        if (t[0] != c.a || t[1] != c.b) continue;
        int v;
        if (!decimal_of(t + 2, n - 2, c.max, &v)) return false;
        rule->*c.field = static_cast<int8_t>(negated ? -(v + 1) : v + 1);
        return true;
    }
    return false;
}

// A line as the reader gives it: a valid rule becomes the next one.
void take_line(const char* line) {
    keymap_rule rule;
    if (keymap_count < KEYMAP_MAX_RULES && keymap_parse_line(line, &rule))
        keymap_rules[keymap_count++] = rule;
}

void clear_rules() {
    keymap_count = 0;
    memset(keymap_rules, 0, sizeof keymap_rules);
}

// A condition c holds for value v (see keymap_rule).
bool holds(int c, int v) {
    return c == 0 || (c > 0 ? v == c - 1 : v != -c - 1);
}

} // namespace

bool keymap_parse_line(const char* line, keymap_rule* rule) {
    memset(rule, 0, sizeof *rule);
    const char* end = strchr(line, '#');
    if (!end) end = line + strlen(line);
    const char* p = line;
    bool first = true;
    while (p < end) {
        while (p < end && is_separator(*p))
            ++p;
        if (p == end) break;
        const char* t = p;
        while (p < end && !is_separator(*p))
            ++p;
        size_t n = static_cast<size_t>(p - t);
        if (first) {
            if (n < 3 || t[0] != '0' || (t[1] != 'x' && t[1] != 'X') ||
                !key_code_of(t + 2, n - 2, &rule->key))
                return false;
            first = false;
        } else if (!apply_token(t, n, rule)) {
            return false;
        }
    }
    return !first;
}

int keymap_parse(const char* data, size_t size) {
    clear_rules();
    char line[KEYMAP_LINE];
    size_t pos = 0;
    while (pos < size && keymap_count < KEYMAP_MAX_RULES) {
        // As a line reader with a 200-byte buffer takes it: up to 199 characters, ending
        // behind a newline.
        size_t n = 0;
        while (pos < size && n < KEYMAP_LINE - 1) {
            char c = data[pos++];
            line[n++] = c;
            if (c == '\n') break;
        }
        line[n] = 0; // a NUL inside ends the text early, as with fgets
        take_line(line);
    }
    return keymap_count;
}

int keymap_template(char* out, size_t size) {
    size_t len = 0;
    auto put = [&](const char* text) {
        size_t n = strlen(text);
        if (out && len + n < size) memcpy(out + len, text, n);
        len += n;
    };
    for (const char* line : template_lines) {
        put(line);
        put("\n");
    }
    for (const key_name_row& row : key_name_table) {
        char line[64];
        snprintf(line, sizeof line, "#\t0x%x\t\t\t\t\t\t# %s\n", static_cast<unsigned>(row.code),
                 row.name);
        put(line);
    }
    if (out && size) out[len < size ? len : size - 1] = 0;
    return static_cast<int>(len);
}

int keymap_load(void) {
    char* path = path_libc(nullptr, map_file);
    if (!path) return -1;
    mem_block path_owner(path);
    {
        libc_file file(path, "rb");
        if (file) {
            clear_rules();
            char line[KEYMAP_LINE];
            while (keymap_count < KEYMAP_MAX_RULES && fgets(line, sizeof line, file.f))
                take_line(line);
            return keymap_count;
        }
    }
    clear_rules();
    int n = keymap_template(nullptr, 0);
    char* text = static_cast<char*>(mem_alloc(static_cast<size_t>(n) + 1));
    if (!text) return -1;
    mem_block text_owner(text);
    keymap_template(text, static_cast<size_t>(n) + 1);
    {
        libc_file file(path, "wb");
        if (!file) return -1;
        fwrite(text, 1, static_cast<size_t>(n), file.f);
    }
    file_touch(path);
    return -1;
}

const keymap_rule* keymap_find(uint32_t key, uint32_t state, uint32_t sub_state, int play_mode) {
    for (int i = 0; i < keymap_count; ++i) {
        const keymap_rule& r = keymap_rules[i];
        if (r.key == key && holds(r.state, static_cast<int>(state)) &&
            holds(r.sub_state, static_cast<int>(sub_state)) && holds(r.play_mode, play_mode))
            return &r;
    }
    return nullptr;
}
