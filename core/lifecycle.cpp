#include "lifecycle.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "common/file_io.h"
#include "common/key_codes.h"
#include "common/memory.h"
#include "common/paths.h"
#include "common/receiver_path.h"
#include "common/records.h"
#include "common/script_run.h"
#include "common/settings.h"
#include "common/tables.h"
#include "common/tap_header_read.h"
#include "common/fw_bind.h"
#include "core/keymap.h"
#include "browser/browser.h"
#include "browser/copy_queue.h"
#include "epg/window.h"
#include "common/log.h"
#include "common/persist.h"
#include "core/remote.h"
#include "core/windows.h"
#include "infos/tap_tasks.h"
#include "common/usage.h"
#include "osd/ibox.h"
#include "osd/line_edit.h"
#include "osd/window.h"
#include "osd/window_open.h"
#include "osd/window_state.h"
#include "platform/tap_header.h"
#include "textview/bookmarks.h"
#include "textview/viewer.h"

int32_t clock_offset;
dword tap_key = KEY_SAT;
int update_due;

namespace {

constexpr int32_t just_powered_on = 120; // seconds of clock offset
constexpr dword already_running_ms = 1200;

bool exit_called; // TAP_Exit was called; the firmware unloads the TAP after this event

void exit_tap() {
    if (exit_called) return;
    exit_called = true;
    TAP_Exit();
}

void on_memory_refused() {
    tap_terminate(1);
}

void tables_release() {
    browser_stop();
    text_release();
    epg_release();
    tables_free();
}

bool others_running(const tap_task_slot* tasks) {
    for (int slot = 1; slot < TAP_TASK_SLOTS; ++slot)
        if (tasks[slot].status == TAP_TASK_RUNNING) return true;
    return false;
}

// Start channel, mute and pause of a receiver that was just powered on.
void power_on_actions() {
    const int channel = settings.start_channel;
    if (channel > 0) TAP_Channel_Start(1, 0, channel - 1);
    if (channel < 0) TAP_Channel_Start(1, 1, -channel - 1);
    if (settings_start_muted(settings)) tap_mute(true);
    if (settings_start_paused(settings)) {
        if (auto pause = reinterpret_cast<fw_pvr_pause_fn>(fw_address(FW_PVR_PAUSE))) pause(false);
    }
}

bool ends_with(const char* s, const char* tail) {
    size_t n = strlen(s), t = strlen(tail);
    return n >= t && memcmp(s + n - t, tail, t) == 0;
}

struct dir_handle {
    DIR* d;
    explicit dir_handle(const char* path) : d(opendir(path)) {}
    ~dir_handle() {
        if (d) closedir(d);
    }
    dir_handle(const dir_handle&) = delete;
    dir_handle& operator=(const dir_handle&) = delete;
};

// Deletes, below the libc folder path (len bytes of a cap-byte buffer), every file whose name
// ends in " (rectool)": what the recording tool leaves behind.
void remove_rectool_outputs(char* path, size_t len, size_t cap, int depth) {
    dir_handle dir(path);
    if (!dir.d) return;
    while (dirent* e = readdir(dir.d)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
        size_t n = strlen(e->d_name);
        if (len + 1 + n + 1 > cap) continue;
        path[len] = '/';
        memcpy(path + len + 1, e->d_name, n + 1);
        struct stat st;
        if (lstat(path, &st) == 0) {
            if (S_ISDIR(st.st_mode)) {
                if (depth < 32) remove_rectool_outputs(path, len + 1 + n, cap, depth + 1);
            } else if (ends_with(e->d_name, " (rectool)")) {
                unlink(path);
            }
        }
        path[len] = 0;
    }
}

void remove_rectool_leftovers() {
    char path[1024];
    if (path_map(DISK_MOUNT "/tmp", path, sizeof path) != 0) return;
    remove_rectool_outputs(path, strlen(path), sizeof path, 0);
}

void working_folders() {
    TAP_Hdd_ChangeDir("/");
    static const char* const folders[] = {"tmp", "Captures", "PlayList", "WebCache"};
    for (const char* folder : folders)
        if (TAP_Hdd_Exist(folder) != hdd_success_exist) TAP_Hdd_Create(folder, ATTR_FOLDER);
    bookmarks_write_default();
}

// A symbolic link in "/mnt/hd" named name, pointing at target; an existing one stays.
void disk_link(const char* name, const char* target) {
    char link[1024], receiver_link[256], to[1024];
    snprintf(receiver_link, sizeof receiver_link, DISK_MOUNT "/%s", name);
    if (path_map(receiver_link, link, sizeof link) != 0 || path_map(target, to, sizeof to) != 0)
        return;
    struct stat st;
    if (lstat(link, &st) == 0) return;
    symlink(to, link);
}

void disk_links() {
    disk_link("sdb1", "/mnt/sdb1");
    disk_link("sdb2", "/mnt/sdb2");
    if (settings.flags & SET_DIAGNOSTIC) disk_link("root", "/");
}

void run_user_script(const char* name) {
    mem_free(script_run(nullptr, name, nullptr));
}

} // namespace

bool tap_terminated(void) {
    return exit_called;
}

void tap_mute(bool on) {
    const bool muted = window_flags & WS_MUTED;
    if (muted == on) return;
    auto mute = reinterpret_cast<fw_mute_fn>(fw_address(FW_MUTE));
    if (!mute) return;
    mute(on);
    window_flags ^= WS_MUTED;
}

int tap_copies_running(const tap_task_slot* tasks) {
    return tap_count_in(tasks, TAP_ID_TOVAK, TAP_TASK_SLOTS);
}

int tap_start(tap_event_handler self) {
    mem_set_failure_handler(on_memory_refused);
    windows_register();
    // Start tick, clock offset, memory figures.
    run.start_tick = TAP_GetTick();
    run.start_clock = local_unix_time();
    clock_offset = static_cast<int32_t>(time(nullptr) - 946684800);
    TAP_MemInfo(&run.heap_size, &run.heap_free, &run.heap_avail);
    // What success looks like on this disk; the shared line starts with a blank. The
    // settings folder is made here, so that a first start can save its records.
    hdd_success_record();
    line_buffer[0] = ' ';
    settings_folder_check();
    // Usage day, usage and key statistics, settings.
    usage_day = usage_day_now();
    usage_start(usage_day);
    settings_load();
    // Input history and key mapping.
    history_load();
    keymap_load();
    if (log_enabled()) log_printf("SystemId = %d", TAP_GetSystemId());
    // Location.
    position_load();
    // The browser's and the viewer's tables.
    tables_allocate();
    if (exit_called) return 0;
    // One copy only; power-on actions when this TAP starts first after power-on.
    if (auto tasks = static_cast<const tap_task_slot*>(fw_address(FW_TAP_TASK))) {
        if (tap_copies_running(tasks) > 1) {
            ibox_show("TovakRC", ui_text("TAP is already running.", "TAP l\xE4uft bereits."),
                      IBOX_INFO);
            TAP_Sleep(already_running_ms);
            ibox_show(nullptr, nullptr, 0);
            history_clear();
            tables_release();
            return 0;
        }
        if (tasks[0].entry.handler == self && !others_running(tasks) &&
            clock_offset <= just_powered_on)
            power_on_actions();
    }
    // Remote-control codes, system detection.
    ir_setup(reinterpret_cast<fw_set_ir_code_fn>(fw_address(FW_SET_IR_CODE)));
    window_ask(ACTION_SYSTEM, mode_call(SYSTEM_DETECT), 0);
    // TAP key and deaf state.
    tap_key = settings.flags & SET_TAP_KEY_AUX ? KEY_AUX : KEY_SAT;
    if (settings.receiver_id != 0 && !(settings.flags & SET_START_LISTENING))
        window_flags |= WS_DEAF;
    else
        window_flags &= ~WS_DEAF;
    // Update check due?
    word today = 0;
    byte hour, minute, second;
    TAP_GetTime(&today, &hour, &minute, &second);
    update_due = update_due_of(today, settings.update_day, settings.save_day);
    // Left-overs of the recording tool, working folders, links, the user's script.
    remove_rectool_leftovers();
    working_folders();
    disk_links();
    run_user_script("autostart.sh");
    run.end_of_start_tick = TAP_GetTick();
    return exit_called ? 0 : 1;
}

int tap_terminate(int mode) {
    if (mode == 1) {
        sync();
        exit_tap();
        return mode;
    }
    if (mode != 3) usage_save();
    key_stats_save();
    copy_queue_stop();
    run_user_script("autostop.sh");
    screen_give_back();
    sync();
    if (mode != 2) {
        tables_release();
        exit_tap();
    }
    return mode;
}
