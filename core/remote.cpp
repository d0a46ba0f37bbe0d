#include "remote.h"

#include "common/remote_tables.h"
#include "common/settings.h"

namespace {

const char* const model_names[REMOTE_MODELS] = {
    "5000, CRP [M.4]", "2100, 2410 [M.5]", "2401 CI+ [M.1]", "2401 Eco [M.6]", "6000 [M.15]",
};

void set_ir_slot(void* context, int slot, int enable, int position) {
    reinterpret_cast<fw_set_ir_code_fn>(context)(slot, enable, ir_code_sets[position][0],
                                                 ir_code_sets[position][1], 10);
}

} // namespace

const char* remote_model_name(unsigned model) {
    return model < REMOTE_MODELS ? model_names[model] : nullptr;
}

void ir_setup(fw_set_ir_code_fn set_ir) {
    if (!(settings.flags & SET_IR_FILTER) || !set_ir) return;
    bool accepted[IR_SETS] = {};
    if (!(settings.flags & SET_ORIG_RC_REFUSED) && settings.tf_model < REMOTE_MODELS)
        accepted[remote_models[settings.tf_model].ir_set] = true;
    if (settings.rc_model < REMOTE_MODELS) accepted[remote_models[settings.rc_model].ir_set] = true;
    ir_slots_assign(accepted, set_ir_slot, reinterpret_cast<void*>(set_ir));
}
