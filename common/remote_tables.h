// The remote-control tables both TAPs share: the key codes each receiver and remote-control
// model sends, the cursor keys, the receiver's infrared code sets, and the lookup between
// them.
#pragma once

#include <stdint.h>

enum {
    REMOTE_MODELS = 5, // receiver and remote-control models 0..4
    REMOTE_SLOTS = 10, // key codes per table
    CURSOR_KEYS = 4,
    IR_SETS = 6,  // positions of the infrared code sets
    IR_SLOTS = 4, // code sets the receiver accepts at once
};

// Key tables: column 0 holds the standard codes, columns 1..4 what the models of tables A..D
// send (P+, P-, V+, V-, F1..F4, >|<, and one model key).
inline constexpr uint32_t remote_key_tables[5][REMOTE_SLOTS] = {
    {0x10045, 0x10046, 0x10047, 0x10048, 0x10023, 0x10024, 0x10025, 0x10026, 0x1003E, 0},
    {0x10012, 0x1001D, 0x10015, 0x1000F, 0x1003F, 0x10024, 0x10025, 0x10026, 0x1003E, 0},
    {0x10045, 0x10046, 0x10047, 0x10048, 0x1003F, 0x10024, 0x10025, 0x10026, 0x10049, 0x10044},
    {0x10025, 0x10026, 0x1003F, 0x10024, 0x10047, 0x10048, 0x10049, 0x1004A, 0x1003E, 0x10045},
    {0x10045, 0x10046, 0x10047, 0x10048, 0x10023, 0x10024, 0x10025, 0x10026, 0x10049, 0x10044},
};

// Per model: its column of remote_key_tables and the position of its infrared code set.
struct remote_model_row {
    uint8_t table;
    uint8_t ir_set;
};
inline constexpr remote_model_row remote_models[REMOTE_MODELS] = {
    {1, 3}, {2, 4}, {3, 0}, {4, 5}, {2, 0},
};

// ^ v > < in the order of the first four slots.
inline constexpr uint32_t remote_cursor_keys[CURSOR_KEYS] = {0x10012, 0x1001D, 0x10015, 0x1000F};

// The two code bytes of each infrared code set.
inline constexpr uint8_t ir_code_sets[IR_SETS][2] = {{2, 52},   {73, 0}, {73, 153},
                                                     {32, 223}, {80, 1}, {4, 255}};

// The code at the position of key in from (count entries) taken from to; 0 when key is 0 or
// not in from. Inline: the key handlers of both TAPs run it for every key.
inline uint32_t map_key(uint32_t key, const uint32_t* from, const uint32_t* to, int count) {
    if (!key) return 0;
    for (int i = 0; i < count; ++i)
        if (from[i] == key) return to[i];
    return 0;
}

// The key table of a model, or null for a model out of range.
inline const uint32_t* remote_model_keys(unsigned model) {
    return model < REMOTE_MODELS ? remote_key_tables[remote_models[model].table] : nullptr;
}

// Hands the receiver's infrared slots to the accepted code-set positions: every slot is
// disabled first (set (slot, 0, 0)), then the accepted positions in ascending order get the
// slots 0, 1, ... enabled (set (slot, 1, position)).
typedef void (*ir_slot_fn)(void* context, int slot, int enable, int position);
void ir_slots_assign(const bool accepted[IR_SETS], ir_slot_fn set, void* context);
