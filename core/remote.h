// Remote-control devices of the resident TAP: the names of the receiver and remote models, the
// translations of key codes between them (tables in common/remote_tables.h), and the infrared
// code sets a receiver accepts.
#pragma once

#include <stdint.h>

#include "common/key_translation.h"
#include "common/remote_tables.h"
#include "platform/firmware.h"

// "5000, CRP [M.4]", "2100, 2410 [M.5]", ...; null for an unknown model.
const char* remote_model_name(unsigned model);

// Restricts the receiver's infrared input to the code sets of the chosen models (when the IR
// filter is on); set_ir is the firmware's DevFront_SetIrCode.
void ir_setup(fw_set_ir_code_fn set_ir);
