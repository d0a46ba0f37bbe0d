#include "fw_bind.h"

#include <dlfcn.h>
#include <string.h>

#include "common/memory.h"
#include "common/paths.h"
#include "common/settings.h"
#include "common/log.h"

namespace {

const char* const symbols[FW_NAMES] = {
    "_tapTask",
    "_curTapTask",
    "DevService_Mute",
    "_Z13Appl_PvrPauseb",
    "DevFront_SetIrCode",
    "_Z21Appl_EvtProc_PowerOffjj",
    "_Z16Appl_StopPlayingv",
    "_Z15Appl_SetApplVerPc",
    "_osdOutBuf",
    "_Z22ApplHdd_SaveWorkFolderv",
    "_Z25ApplHdd_RestoreWorkFolderv",
    "_Z21ApplHdd_SetWorkFolderPv",
    "_Z20ApplHdd_SelectFolderPvPKc",
    "_Z20ApplHdd_FileCutPastePKcjjS0_",
    "_Z23Appl_StartPlaybackMediaPKcjbb",
    "_Z22Appl_StartPlaybackDivxPcjb",
    "_Z16Appl_ExecProgramPc",
    "_ftext",
    "_fdata",
};

uintptr_t slots[FW_NAMES];
uintptr_t firmware; // FW_UNTRIED until first use, then the dlopen handle or FW_MISSING

bool failures_logged() {
    return settings.flags & (SET_DIAGNOSTIC | SET_LOGGING);
}

template <typename T> T bound(fw_name name) {
    return reinterpret_cast<T>(fw_address(name));
}

} // namespace

const char* fw_symbol(fw_name name) {
    return name < FW_NAMES ? symbols[name] : "";
}

void fw_reset(void) {
    if (firmware != FW_UNTRIED && firmware != FW_MISSING)
        dlclose(reinterpret_cast<void*>(firmware));
    firmware = FW_UNTRIED;
    memset(slots, 0, sizeof slots);
}

uintptr_t fw_bind(fw_name name) {
    return name < FW_NAMES ? fw_bind_slot(&slots[name], symbols[name]) : FW_MISSING;
}

uintptr_t fw_bind_slot(uintptr_t* slot_ptr, const char* name) {
    uintptr_t& slot = *slot_ptr;
    if (slot != FW_UNTRIED) return slot;
    if (firmware == FW_UNTRIED) {
        dlerror(); // forget an earlier report
        // Lazy and global: mode 5 on the receiver.
        void* handle = dlopen(nullptr, RTLD_LAZY | RTLD_GLOBAL);
        if (dlerror() != nullptr || !handle) {
            if (handle) dlclose(handle);
            firmware = FW_MISSING;
            if (failures_logged()) log_printf("dlopen failed (%s)", name);
        } else {
            firmware = reinterpret_cast<uintptr_t>(handle);
        }
    }
    if (firmware == FW_MISSING) return slot = FW_MISSING;
    dlerror();
    void* address = dlsym(reinterpret_cast<void*>(firmware), name);
    if (dlerror() != nullptr || !address) {
        if (failures_logged()) log_printf("dlsym failed (%s)", name);
        return slot = FW_MISSING;
    }
    return slot = reinterpret_cast<uintptr_t>(address);
}

void* fw_address(fw_name name) {
    uintptr_t v = fw_bind(name);
    return v == FW_MISSING ? nullptr : reinterpret_cast<void*>(v);
}

int fw_file_action(const char* folder, const char* path, int kind, const uint32_t* range) {
    static const fw_name needed[] = {
        FW_SAVE_WORK_FOLDER, FW_RESTORE_WORK_FOLDER, FW_SET_WORK_FOLDER, FW_SELECT_FOLDER,
        FW_FILE_CUT_PASTE,   FW_PLAYBACK_MEDIA,      FW_PLAYBACK_DIVX,   FW_EXEC_PROGRAM,
    };
    for (fw_name n : needed)
        if (fw_bind(n) == FW_MISSING) return -1;
    if (!path) return 0;

    bound<fw_save_work_folder_fn>(FW_SAVE_WORK_FOLDER)();
    char* full = folder ? path_tap(folder, path) : str_dup(path);
    if (!full) {
        bound<fw_restore_work_folder_fn>(FW_RESTORE_WORK_FOLDER)();
        return 0;
    }
    mem_block full_owner(full);
    // Folder part (without the last component) and the file name behind it.
    char* slash = strrchr(full, '/');
    char* name = slash ? slash + 1 : full;
    char* folder_part = str_dup(full);
    if (!folder_part) {
        bound<fw_restore_work_folder_fn>(FW_RESTORE_WORK_FOLDER)();
        return 0;
    }
    mem_block folder_owner(folder_part);
    folder_part[slash ? slash - full : 0] = 0;

    fw_folder record = {0xBACAED31u, {0, 0, 0}};
    int result = 0;
    const char* selected = folder_part[0] ? folder_part + 1 : folder_part;
    if (bound<fw_select_folder_fn>(FW_SELECT_FOLDER)(&record, selected) == 0) {
        bound<fw_set_work_folder_fn>(FW_SET_WORK_FOLDER)(&record);
        switch (kind) {
        case FW_ACTION_MEDIA:
            result =
                bound<fw_start_playback_media_fn>(FW_PLAYBACK_MEDIA)(name, 0, true, false) == 0;
            break;
        case FW_ACTION_DIVX:
            result = bound<fw_start_playback_divx_fn>(FW_PLAYBACK_DIVX)(name, 0, true) == 0;
            break;
        case FW_ACTION_PROGRAM: // the firmware's call returns nothing: it counts as done
            bound<fw_exec_program_fn>(FW_EXEC_PROGRAM)(name);
            result = 1;
            break;
        case FW_ACTION_CUT:
            result = bound<fw_file_cut_paste_fn>(FW_FILE_CUT_PASTE)(name, range ? range[0] : 0,
                                                                    range ? range[1] : 0, nullptr);
            break;
        default:
            break;
        }
    }
    bound<fw_restore_work_folder_fn>(FW_RESTORE_WORK_FOLDER)();
    return result;
}
