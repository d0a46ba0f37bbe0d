// The resident TAP's life: the start-up of TAP_Main in its fixed order, and the one
// termination routine every way out goes through.
#pragma once

#include <stdint.h>

#include "common/run_stats.h" // the start tick and heap figures
#include "platform/firmware.h"

// Values kept by the start-up for the rest of the run.
extern int32_t clock_offset; // time() - 946684800; up to 120: the receiver was just powered on
extern dword tap_key;        // 0x10022 (Aux) or 0x10040 (Sat)
extern int update_due;       // 0, 1 or 2: the idle duties run the update check when not 0

// TAP_Main: 1 to stay resident, 0 when the TAP must not run (a copy is running already, or
// memory ran out). self is the TAP's own event handler (how it finds itself in the task
// table).
int tap_start(tap_event_handler self);

// Termination routine. Mode 0 (exit command, TAP+Stop "Stop TAPs"): save usage and key
// statistics, stop the copy queue, run "autostop.sh", give the screen back, sync, TAP_Exit.
// Mode 2 (stop event): the same without TAP_Exit. Mode 3 (TAP+Stop in diagnostic mode
// outside the normal state): mode 0 without saving usage. Mode 1 (out of memory): only sync
// and TAP_Exit. Returns the mode.
int tap_terminate(int mode);
// True once TAP_Exit was called.
bool tap_terminated(void);

// Mutes (on) or un-mutes the sound through the firmware when the TAP-mute flag (window flag
// 0x400) differs from the request; the flag follows.
void tap_mute(bool on);

// Running copies of this TAP in the firmware's task table: running slots whose TAP file
// carries the TAP id 0x7A0BC020 (slots whose file cannot be read are skipped).
int tap_copies_running(const tap_task_slot* tasks);
