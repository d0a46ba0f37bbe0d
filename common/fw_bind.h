// Receiver functions and data that are not part of the TAP API, found by name in the running
// firmware image, and the firmware's own file action (playback, TAP start, cutting).
#pragma once

#include <stdint.h>

#include "platform/firmware.h"

enum fw_name {
    FW_TAP_TASK,            // "_tapTask"
    FW_CUR_TAP_TASK,        // "_curTapTask"
    FW_MUTE,                // "DevService_Mute"
    FW_PVR_PAUSE,           // "_Z13Appl_PvrPauseb"
    FW_SET_IR_CODE,         // "DevFront_SetIrCode"
    FW_POWER_OFF,           // "_Z21Appl_EvtProc_PowerOffjj"
    FW_STOP_PLAYING,        // "_Z16Appl_StopPlayingv"
    FW_SET_APPL_VER,        // "_Z15Appl_SetApplVerPc"
    FW_OSD_OUT_BUF,         // "_osdOutBuf"
    FW_SAVE_WORK_FOLDER,    // "_Z22ApplHdd_SaveWorkFolderv"
    FW_RESTORE_WORK_FOLDER, // "_Z25ApplHdd_RestoreWorkFolderv"
    FW_SET_WORK_FOLDER,     // "_Z21ApplHdd_SetWorkFolderPv"
    FW_SELECT_FOLDER,       // "_Z20ApplHdd_SelectFolderPvPKc"
    FW_FILE_CUT_PASTE,      // "_Z20ApplHdd_FileCutPastePKcjjS0_"
    FW_PLAYBACK_MEDIA,      // "_Z23Appl_StartPlaybackMediaPKcjbb"
    FW_PLAYBACK_DIVX,       // "_Z22Appl_StartPlaybackDivxPcjb"
    FW_EXEC_PROGRAM,        // "_Z16Appl_ExecProgramPc"
    FW_CODE_START,          // "_ftext": the firmware's code image
    FW_CODE_END,            // "_fdata": its end
    FW_NAMES
};

// A cache slot's value: 0 not tried yet, 1 not available, anything else the address.
enum : uintptr_t { FW_UNTRIED = 0, FW_MISSING = 1 };

// Binds a name into a cache slot and returns the slot's value: a slot that is not 0 is returned
// as it is (a failure is not retried). With the diagnostic flag or logging on, failures are
// logged ("dlopen failed (%s)", "dlsym failed (%s)" with the name).
uintptr_t fw_bind_slot(uintptr_t* slot, const char* name);
// The same with the slot of one of the names above.
uintptr_t fw_bind(fw_name name);
// The bound address, or null when the firmware does not have it.
void* fw_address(fw_name name);
// The symbol name of a slot.
const char* fw_symbol(fw_name name);
// Forgets every binding and the firmware handle (the next bind tries again).
void fw_reset(void);

// What fw_file_action does with a file.
enum fw_action {
    FW_ACTION_MEDIA = 0,   // media playback
    FW_ACTION_DIVX = 1,    // DivX playback
    FW_ACTION_PROGRAM = 2, // start a program (TAP)
    FW_ACTION_CUT = 3,     // cut blocks
};

// Firmware file action on path (joined to folder by the path rule when folder is given):
// kind 0 media playback, 1 DivX playback, 2 start a program (TAP), 3 cut blocks
// (range[0] first block, range[1] block count). Kinds 0-2 give 1 when the firmware accepted
// the file, 3 the firmware's result, other kinds 0. -1 when a firmware function is missing,
// 0 when the file's folder cannot be selected.
int fw_file_action(const char* folder, const char* path, int kind, const uint32_t* range);
