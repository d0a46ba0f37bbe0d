// The firmware's table of running TAPs: counting the TAPs of an identifier, asking a TAP to
// stop, and the "TAP Infos" list.
#pragma once

#include <stdint.h>

#include "infos/page.h"
#include "osd/window.h"
#include "platform/firmware.h"

// Running TAPs (state 1, with a file) among the first `slots` slots whose TAP file carries the
// identifier; 0 when the table is not available.
int tap_count(uint32_t id, int slots);
// The same on a given table.
int tap_count_in(const tap_task_slot* tasks, uint32_t id, int slots);

// Asks the TAP in `slot` to stop: its event handler gets the stop event (0x900), and while it
// still runs the exit command (0xB00 with 1), each with the current task set to its slot.
// Returns 1 when it still runs afterwards, 0 when it ended, -1 when the current task cannot be
// bound, the slot is out of range, or it is the calling TAP's own slot (nothing is sent).
int tap_stop(int slot);

// The list of running TAPs: "%d: %s" with the slot and its file's path without "/mnt/hd";
// empty when the table is not available.
void tap_list_prepare(text_page* page);
void tap_list(osd_window* win, const text_page* page);
