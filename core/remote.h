// Remote-control devices of the resident TAP: the names of the receiver and remote models, the
// translations of key codes between them (tables in common/remote_tables.h), and the infrared
// code sets a receiver accepts.
#pragma once

#include <stdint.h>

#include "common/remote_tables.h"
#include "platform/firmware.h"

// "5000, CRP [M.4]", "2100, 2410 [M.5]", ...; null for an unknown model.
const char* remote_model_name(unsigned model);

// The translations read the receiver model ("TF") and the remote model ("RC") of the settings;
// each gives 0 when it does not know the key.
uint32_t cursor_translation(uint32_t key);     // ^ v > < to the receiver's channel/volume keys
uint32_t device_translation(uint32_t key);     // the remote's codes to the receiver's
uint32_t window_key_translation(uint32_t key); // the remote's codes to the standard codes

// Restricts the receiver's infrared input to the code sets of the chosen models (when the IR
// filter is on); set_ir is the firmware's DevFront_SetIrCode.
void ir_setup(fw_set_ir_code_fn set_ir);
