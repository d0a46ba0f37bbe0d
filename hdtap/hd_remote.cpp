// Key translation between remote-control and receiver models, the receiver ID's deaf state,
// and the receiver's infrared code filter.
#include <dlfcn.h>

#include "common/remote_tables.h"
#include "hd.h"

const char* const pvrs[HD_MODELS] = {"5000", "2100/2410", "2401 CI+", "2401 Eco"};
const uint32_t* const keys[HD_MODELS] = {remote_key_tables[1], remote_key_tables[2],
                                         remote_key_tables[3], remote_key_tables[4]};
const uint32_t* const curs = remote_cursor_keys;

namespace {

enum : uintptr_t { UNTRIED = 0, UNAVAILABLE = 1 };

void* firmware;        // the firmware image's handle
bool firmware_missing; // opening it failed: not tried again
uintptr_t set_ir_code; // DevFront_SetIrCode: UNTRIED, UNAVAILABLE or its address

typedef int (*set_ir_code_fn)(int slot, int enable, int b1, int b2, int mode);

void set_mode_slot(void*, int slot, int enable, int position) {
    set_mode(slot, enable, position);
}

} // namespace

dword map_cursor(dword key) {
    return map_key(key, curs, keys[ini.tf], CURSOR_KEYS);
}

dword map_remote(dword key) {
    if (ini.rc == 0 && key == 0x1000D) return 0x10020; // the remote's Fav key
    return map_key(key, keys[ini.rc], keys[ini.tf], REMOTE_SLOTS);
}

dword map_keys(dword key) {
    return map_cursor(key) ? 0 : map_remote(key);
}

void deaf_flag(bool on) {
    flags = on ? flags | RUN_DEAF : flags & ~RUN_DEAF;
}

void* fw_addr(const char* name) {
    if (!firmware && !firmware_missing) {
        dlerror();
        firmware = dlopen(nullptr, RTLD_LAZY | RTLD_GLOBAL);
        if (dlerror() && firmware) {
            dlclose(firmware);
            firmware = nullptr;
        }
        firmware_missing = !firmware;
    }
    if (!firmware) return nullptr;
    dlerror();
    void* address = dlsym(firmware, name);
    return dlerror() ? nullptr : address;
}

void cnv_mode(bool set[], unsigned model) {
    if (model < HD_MODELS) set[remote_models[model].ir_set] = true;
}

void set_mode(int slot, int enable, int position) {
    if (set_ir_code == UNTRIED) {
        void* f = fw_addr("DevFront_SetIrCode");
        set_ir_code = f ? reinterpret_cast<uintptr_t>(f) : UNAVAILABLE;
        if ((flags & RUN_IR_DIAG) || set_ir_code == UNAVAILABLE)
            alert_printf(" DevFront_SetIrCode = 0x%lx", static_cast<unsigned long>(set_ir_code));
    }
    if (set_ir_code == UNAVAILABLE || position < 0 || position >= IR_SETS || slot < 0 ||
        slot >= IR_SLOTS)
        return;
    reinterpret_cast<set_ir_code_fn>(set_ir_code)(slot, enable, ir_code_sets[position][0],
                                                  ir_code_sets[position][1], 10);
}

void set_modes(void) {
    if (!(ini.flags & INI_IR_FILTER)) return;
    bool marked[IR_SETS] = {};
    cnv_mode(marked, ini.tf);
    cnv_mode(marked, ini.rc);
    ir_slots_assign(marked, set_mode_slot, nullptr);
}
