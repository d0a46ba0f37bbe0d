#include "key_translation.h"

#include "common/remote_tables.h"
#include "common/settings.h"

namespace {

// The remote's code translated into the column of target (null: nothing known).
uint32_t translate(uint32_t key, const uint32_t* target) {
    const uint32_t* remote = remote_model_keys(settings.rc_model);
    if (!remote || !target) return 0;
    if (settings.rc_model == 0 && key == 0x1000D) return 0x10020; // its Fav key
    if (map_key(key, remote_cursor_keys, remote_cursor_keys, CURSOR_KEYS)) return 0;
    return map_key(key, remote, target, REMOTE_SLOTS);
}

} // namespace

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
