// The calculator window of Infos & Tools: the shared calculator arithmetic (common/calc.h)
// behind the remote's keys. Its keys stand in calculator_keys, which also give its help text.
#pragma once

#include "common/calc.h"
#include "osd/key_table.h"
#include "osd/window.h"
#include "platform/tap_api.h"

extern const key_table calculator_keys;
// The calculator's state; the last result stays while the TAP runs.
extern calc_state calculator_state;

// Key 0 opens the window in win with its help text; a key of the table types its character
// and draws; any other key is ignored.
void calculator(osd_window* win, dword key);
