#include "core/trim.h"

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include "browser/recording.h"
#include "common/fw_bind.h"
#include "common/paths.h"
#include "common/programs.h"
#include "common/receiver_path.h"
#include "common/settings.h"
#include "common/usage.h"
#include "core/trim_patch.h"
#include "osd/ibox.h"

namespace {

enum : unsigned { TRIM_PATH_BYTES = 1024 };

void tell(int kind, const char* english, const char* german) {
    ibox_timed(nullptr, MESSAGE_MS, kind, nullptr, ui_text(english, german));
}

void tell_cut_failed() {
    tell(IBOX_ERROR, "Failed to cut (encrypted?) .rec file.",
         "Fehler beim Schneiden der (verschl\xFCsselten?) .rec-Datei.");
}

void tell_nav_failed(int code) {
    char text[80];
    if (ui_english())
        snprintf(text, sizeof text, "Failed patching .nav file (%d).", code);
    else
        snprintf(text, sizeof text, "Fehler (%d) beim Anpassen der .nav-Datei.", code);
    ibox_timed(nullptr, MESSAGE_MS, IBOX_ERROR, nullptr, text);
}

void tell_inf_failed() {
    tell(IBOX_ERROR, "Failed patching .inf file.", "Fehler beim Anpassen der .inf-Datei.");
}

// "Please wait ..." while a long .nav is copied.
void busy_box(bool on) {
    if (on)
        ibox_show(nullptr, ui_text("Please wait ...", "Bitte warten ..."), IBOX_INFO);
    else
        ibox_show(nullptr, nullptr, 0);
}

// Size of a libc path's file, or -1.
int64_t file_size(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

// The paused recording's stream: its receiver path (Linux, "/mnt/hd/...") into stream. False
// when nothing is paused (the user was told) or the file played is no recording of the disk.
bool paused_recording(char* stream, size_t size, TYPE_PlayInfo* info) {
    memset(info, 0, sizeof *info);
    if (!TAP_Hdd_GetPlayInfo(info) || info->playMode != PLAYMODE_PLAYING ||
        info->trickMode != TRICKMODE_PAUSE) {
        tell(IBOX_WARNING, "No paused .rec replay running.",
             "Keine pausierte .rec-Wiedergabe aktiv.");
        return false;
    }
    const char* name = fw_file_name(info->file);
    const size_t mount = strlen(DISK_MOUNT);
    if (!name || strncmp(name, DISK_MOUNT "/", mount + 1) != 0 || !is_companion_name(name))
        return false;
    const size_t n = strlen(name) - 4; // without ".inf" / ".nav"
    if (n >= size) return false;
    memcpy(stream, name, n);
    stream[n] = 0;
    return true;
}

int trim(bool keep_after) {
    usage_opened(USE_TRIM);
    TYPE_PlayInfo info;
    char stream[TRIM_PATH_BYTES], libc[TRIM_PATH_BYTES];
    if (!paused_recording(stream, sizeof stream, &info) || path_map(stream, libc, sizeof libc) != 0)
        return 1;
    const char* tap_path = stream + strlen(DISK_MOUNT); // "/DataFiles/x.rec"

    trim_cut cut;
    cut.keep_after = keep_after;
    cut.current = info.currentBlock;
    cut.total = info.totalBlock;
    cut.removed_bytes = 0;
    const uint32_t range[2] = {keep_after ? 0 : cut.current, keep_after ? cut.current
                                                             : cut.total > cut.current
                                                                 ? cut.total - cut.current
                                                                 : 0};

    // Everything the steps after the cut need is checked before it: a cut recording is never
    // left without its .nav and .inf patched.
    const int64_t before = file_size(libc);
    if (before <= 0 || range[1] == 0) {
        tell_cut_failed();
        return 1;
    }
    uint64_t needed = 0;
    if (int r = nav_ready(libc, cut, &needed)) {
        tell_nav_failed(r);
        return 1;
    }
    if (!inf_ready(libc)) {
        tell_inf_failed();
        return 1;
    }
    if (needed && static_cast<uint64_t>(TAP_Hdd_FreeSize()) << 20 <= needed) {
        tell_nav_failed(NAV_NOT_WRITTEN);
        return 1;
    }

    if (void* stop = fw_address(FW_STOP_PLAYING)) reinterpret_cast<fw_stop_playing_fn>(stop)();
    TAP_Sleep(10);
    fw_file_action(nullptr, tap_path, FW_ACTION_CUT, range);
    const int64_t after = file_size(libc);
    const int64_t removed = after < 0 ? before : before - after;
    if (removed <= 0 || after == 0) {
        tell_cut_failed();
        return 1;
    }
    cut.removed_bytes = static_cast<uint64_t>(removed);

    const int32_t seconds = nav_patch(libc, cut, busy_box);
    if (seconds < 0) {
        tell_nav_failed(seconds);
        return 1;
    }
    const bool inf_done = inf_patch(libc, cut, range[1], seconds) == 0;
    if (!inf_done) tell_inf_failed();

    char folder[TRIM_PATH_BYTES];
    const char* file = path_split(tap_path, folder, sizeof folder);
    if (tap_folder_change(folder) == 0) TAP_Hdd_PlayTs(file);
    return inf_done ? 0 : 1;
}

} // namespace

dword trim_entry(const window_call& call) {
    return static_cast<dword>(trim(call.mode == 1));
}
