#include "remote.h"

#include "common/settings.h"

namespace {

struct model_row {
    const char* name;
    uint8_t table; // index into key_tables
    uint8_t ir_set;
};

constexpr model_row models[REMOTE_MODELS] = {
    {"5000, CRP [M.4]", 1, 3}, {"2100, 2410 [M.5]", 2, 4}, {"2401 CI+ [M.1]", 3, 0},
    {"2401 Eco [M.6]", 4, 5},  {"6000 [M.15]", 2, 0},
};

// Column 0 holds the standard codes, columns 1..4 what the remote models A..D send.
constexpr uint32_t key_tables[5][REMOTE_SLOTS] = {
    {0x10045, 0x10046, 0x10047, 0x10048, 0x10023, 0x10024, 0x10025, 0x10026, 0x1003E, 0},
    {0x10012, 0x1001D, 0x10015, 0x1000F, 0x1003F, 0x10024, 0x10025, 0x10026, 0x1003E, 0},
    {0x10045, 0x10046, 0x10047, 0x10048, 0x1003F, 0x10024, 0x10025, 0x10026, 0x10049, 0x10044},
    {0x10025, 0x10026, 0x1003F, 0x10024, 0x10047, 0x10048, 0x10049, 0x1004A, 0x1003E, 0x10045},
    {0x10045, 0x10046, 0x10047, 0x10048, 0x10023, 0x10024, 0x10025, 0x10026, 0x10049, 0x10044},
};

constexpr uint32_t cursor_keys[4] = {0x10012, 0x1001D, 0x10015, 0x1000F};

constexpr uint8_t ir_sets[IR_SETS][2] = {{2, 52}, {73, 0}, {73, 153}, {32, 223}, {80, 1}, {4, 255}};

// The code at the position of key in from, or 0.
uint32_t lookup(uint32_t key, const uint32_t* from, const uint32_t* to, int n) {
    if (!key) return 0;
    for (int i = 0; i < n; ++i)
        if (from[i] == key) return to[i];
    return 0;
}

const uint32_t* model_table(unsigned model) {
    return model < REMOTE_MODELS ? key_tables[models[model].table] : nullptr;
}

// The remote's code translated into the column of target (null: nothing known).
uint32_t translate(uint32_t key, const uint32_t* target) {
    const uint32_t* remote = model_table(settings.rc_model);
    if (!remote || !target) return 0;
    if (settings.rc_model == 0 && key == 0x1000D) return 0x10020; // its Fav key
    if (lookup(key, cursor_keys, cursor_keys, 4)) return 0;
    return lookup(key, remote, target, REMOTE_SLOTS);
}

} // namespace

const char* remote_model_name(unsigned model) {
    return model < REMOTE_MODELS ? models[model].name : nullptr;
}

uint32_t cursor_translation(uint32_t key) {
    const uint32_t* receiver = model_table(settings.tf_model);
    return receiver ? lookup(key, cursor_keys, receiver, 4) : 0;
}

uint32_t device_translation(uint32_t key) {
    return translate(key, model_table(settings.tf_model));
}

uint32_t window_key_translation(uint32_t key) {
    return translate(key, key_tables[0]);
}

void ir_setup(fw_set_ir_code_fn set_ir) {
    if (!(settings.flags & SET_IR_FILTER) || !set_ir) return;
    bool accept[IR_SETS] = {};
    if (!(settings.flags & SET_ORIG_RC_REFUSED) && settings.tf_model < REMOTE_MODELS)
        accept[models[settings.tf_model].ir_set] = true;
    if (settings.rc_model < REMOTE_MODELS) accept[models[settings.rc_model].ir_set] = true;
    for (int slot = 0; slot < 4; ++slot)
        set_ir(slot, 0, 2, 52, 10);
    int slot = 0;
    for (int pos = 0; pos < IR_SETS; ++pos)
        if (accept[pos]) set_ir(slot++, 1, ir_sets[pos][0], ir_sets[pos][1], 10);
}
