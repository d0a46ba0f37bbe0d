// The user's key mapping "TovakRC.map": rules that replace or swallow a key of the remote
// control depending on the receiver state, sub-state and play mode.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum { KEYMAP_MAX_RULES = 100, KEYMAP_LINE = 200 };

// A condition value c: 0 any, n + 1 for the value n, -(n + 1) for every value but n.
struct keymap_rule {
    uint32_t key;     // 0x10000 ... 0x100FF
    uint32_t target;  // 0x10000 ... 0x100FF, 0 = swallow the key
    int8_t state;     // "ST" 0 ... 10
    int8_t sub_state; // "SS" 0 ... 120
    int8_t play_mode; // "PM" 0 ... 5
};

extern keymap_rule keymap_rules[KEYMAP_MAX_RULES];
extern int keymap_count;

// Parses one line (cut at "#"); true with the rule when every token is valid.
bool keymap_parse_line(const char* line, keymap_rule* rule);
// Replaces the rules by those of a whole file's contents (lines of up to 199 characters;
// longer ones are taken in pieces, as they are read). Returns the number of rules.
int keymap_parse(const char* data, size_t size);
// Reads "TovakRC.map" of the settings folder; when it cannot be opened it is written from the
// template (and no rule is loaded). Returns the number of rules, or -1 when the file was
// missing (and the template written when possible).
int keymap_load(void);
// The template, as written to a missing file: 24 lines, then one line per key of the key
// name table.
int keymap_template(char* out, size_t size); // length, or the size needed when out is null

// The first rule (in file order) for the plain key whose conditions hold; null when none.
// A failed play-information call counts as play mode -111.
const keymap_rule* keymap_find(uint32_t key, uint32_t state, uint32_t sub_state, int play_mode);
