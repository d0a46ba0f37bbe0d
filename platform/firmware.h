// Firmware records that TAP code reads after binding their names with dlsym (the receiver's
// own data, not part of the TAP API). Offsets are the receiver's (32-bit); the typed pointers
// keep the same records usable in the 64-bit emulator build.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "tap_api.h"

// Folder record of the firmware's work-folder functions.
struct fw_folder {
    uint32_t magic; // 0xBACAED31
    uint32_t unused[3];
};
static_assert(sizeof(fw_folder) == 16, "folder record is four words");

// Record behind a file's handle (TYPE_File::handle, at 0x90): the file's path at offset 8.
struct fw_name_record {
    uint32_t unknown[2];
    const char* name;
};
#ifdef TAP_ABI_32
static_assert(offsetof(fw_name_record, name) == 8, "name at 8");
#endif

// Path of a file record of the firmware (a running TAP's file, the played file), or null.
inline const char* fw_file_name(const TYPE_File* file) {
    const fw_name_record* record =
        file ? static_cast<const fw_name_record*>(file->handle) : nullptr;
    return record ? record->name : nullptr;
}

typedef dword (*tap_event_handler)(word event, dword param1, dword param2);

// One slot of the firmware's TAP task table "_tapTask". __TAP_Init_ gets the address of
// `entry` (slot + 0x10) and puts the TAP's entry points there.
struct tap_task_slot {
    uint32_t status; // 1 = running
    void* handle;    // the firmware's handle of the loaded TAP
    TYPE_File* file; // at 8: the TAP's file
    uint32_t unknown_c;
    tap_entry_points entry; // at 0x10: TAP_Main, at 0x14: the event handler
    uint32_t unknown[4];
    void* current_dir; // at 0x28: the TAP's current folder
};

enum { TAP_TASK_SLOTS = 16, TAP_TASK_RUNNING = 1 };

#ifdef TAP_ABI_32
static_assert(sizeof(tap_task_slot) == 44, "a task slot is 44 bytes on the receiver");
static_assert(offsetof(tap_task_slot, file) == 8, "file record at 8");
static_assert(offsetof(tap_task_slot, entry) == 0x10, "entry points at 0x10");
static_assert(offsetof(tap_task_slot, entry.handler) == 0x14, "event handler at 0x14");
static_assert(offsetof(tap_task_slot, current_dir) == 0x28, "current folder at 0x28");
#endif

// Firmware functions bound by name; the C++ names carry their mangled symbol in a comment.
extern "C" {
typedef void (*fw_mute_fn)(bool on); // DevService_Mute
typedef int (*fw_set_ir_code_fn)(int slot, int enable, int b1, int b2,
                                 int mode); // DevFront_SetIrCode
}
typedef void (*fw_pvr_pause_fn)(bool);               // _Z13Appl_PvrPauseb
typedef void (*fw_power_off_fn)(unsigned, unsigned); // _Z21Appl_EvtProc_PowerOffjj
typedef void (*fw_stop_playing_fn)();                // _Z16Appl_StopPlayingv
// With a null argument, writes the firmware's version text into "_osdOutBuf".
typedef void (*fw_set_appl_ver_fn)(char*); // _Z15Appl_SetApplVerPc
// The firmware's work folder and its file functions; a folder is named without its leading "/"
// ("DataFiles/x"), files by their name in the work folder.
typedef void (*fw_save_work_folder_fn)();           // _Z22ApplHdd_SaveWorkFolderv
typedef void (*fw_restore_work_folder_fn)();        // _Z25ApplHdd_RestoreWorkFolderv
typedef int (*fw_set_work_folder_fn)(void* folder); // _Z21ApplHdd_SetWorkFolderPv
typedef int (*fw_select_folder_fn)(void* folder, const char* path); // _Z20ApplHdd_SelectFolderPvPKc
typedef int (*fw_file_cut_paste_fn)(const char* name, unsigned first_block, unsigned blocks,
                                    const char* target); // _Z20ApplHdd_FileCutPastePKcjjS0_
typedef int (*fw_start_playback_media_fn)(const char* name, unsigned, bool,
                                          bool); // _Z23Appl_StartPlaybackMediaPKcjbb
typedef int (*fw_start_playback_divx_fn)(char* name, unsigned,
                                         bool); // _Z22Appl_StartPlaybackDivxPcjb
// Starting a program returns nothing: the call counts as done.
typedef void (*fw_exec_program_fn)(char* name); // _Z16Appl_ExecProgramPc
