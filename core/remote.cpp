#include "remote.h"

#include "common/remote_tables.h"
#include "common/settings.h"

namespace {

const char* const model_names[REMOTE_MODELS] = {
    "5000, CRP [M.4]", "2100, 2410 [M.5]", "2401 CI+ [M.1]", "2401 Eco [M.6]", "6000 [M.15]",
};

// The remote's code translated into the column of target (null: nothing known).
uint32_t translate(uint32_t key, const uint32_t* target) {
    const uint32_t* remote = remote_model_keys(settings.rc_model);
    if (!remote || !target) return 0;
    if (settings.rc_model == 0 && key == 0x1000D) return 0x10020; // its Fav key
    if (map_key(key, remote_cursor_keys, remote_cursor_keys, CURSOR_KEYS)) return 0;
    return map_key(key, remote, target, REMOTE_SLOTS);
}

void set_ir_slot(void* context, int slot, int enable, int position) {
    reinterpret_cast<fw_set_ir_code_fn>(context)(slot, enable, ir_code_sets[position][0],
                                                 ir_code_sets[position][1], 10);
}

} // namespace

const char* remote_model_name(unsigned model) {
    return model < REMOTE_MODELS ? model_names[model] : nullptr;
}

uint32_t cursor_translation(uint32_t key) {
    const uint32_t* receiver = remote_model_keys(settings.tf_model);
    return receiver ? map_key(key, remote_cursor_keys, receiver, CURSOR_KEYS) : 0;
}

uint32_t device_translation(uint32_t key) {
    return translate(key, remote_model_keys(settings.tf_model));
}

uint32_t window_key_translation(uint32_t key) {
    return translate(key, remote_key_tables[0]);
}

void ir_setup(fw_set_ir_code_fn set_ir) {
    if (!(settings.flags & SET_IR_FILTER) || !set_ir) return;
    bool accepted[IR_SETS] = {};
    if (!(settings.flags & SET_ORIG_RC_REFUSED) && settings.tf_model < REMOTE_MODELS)
        accepted[remote_models[settings.tf_model].ir_set] = true;
    if (settings.rc_model < REMOTE_MODELS) accepted[remote_models[settings.rc_model].ir_set] = true;
    ir_slots_assign(accepted, set_ir_slot, reinterpret_cast<void*>(set_ir));
}
