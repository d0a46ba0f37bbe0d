// Translations of key codes between the remote-control and receiver models of the settings
// ("TF" receiver model, "RC" remote model; tables in common/remote_tables.h). Each gives 0
// when it does not know the key.
#pragma once

#include <stdint.h>

uint32_t cursor_translation(uint32_t key);     // ^ v > < to the receiver's channel/volume keys
uint32_t device_translation(uint32_t key);     // the remote's codes to the receiver's
uint32_t window_key_translation(uint32_t key); // the remote's codes to the standard codes
