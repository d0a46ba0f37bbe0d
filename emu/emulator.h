// The receiver emulator: loads TAPs into a task table, delivers events to them, and provides
// the TAP API and the firmware functions they call (one emulator is current at a time).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "clock.h"
#include "devices.h"
#include "disk.h"
#include "file_tree.h"
#include "osd.h"
#include "platform/firmware.h"
#include "state.h"
#include "temp_dir.h"
#include "trace.h"

// The firmware's TAP task table and current task index, as TAPs bind them by name.
extern "C" tap_task_slot _tapTask[TAP_TASK_SLOTS];
extern "C" dword _curTapTask;

namespace tapsim {

struct Config {
    std::string disk;    // host folder behind "/mnt/hd"; empty: a fresh empty disk
    std::string usb;     // host folder behind "/mnt/sdb1"; empty: an empty medium
    std::string fixture; // receiver state (JSON)
    std::string clock;   // "YYYY-MM-DD HH:MM:SS", overrides the fixture
    int64_t uptime = -1; // seconds since power-on when the TAPs load, overrides the fixture
    std::string trace;   // JSON lines file
    std::string shots;   // folder for "snap"
    // A nearly full disk: it takes this many bytes more (-1: as many as the host's). As root a
    // tmpfs of that room lies behind "/mnt/hd", so that the TAP API's and libc's writes fail
    // alike; otherwise only the TAP API's writes are limited (disk_full_for_libc() tells).
    int64_t disk_room = -1;
    // The receiver's paths through the fallback mapping even where a private mount namespace
    // could make them real (file_tree.h).
    bool mapped_tree = false;
    // API calls take their virtual time (getter.cpp). Tests of the TAP's tick arithmetic on an
    // exact clock switch it off.
    bool call_costs = true;
    // The built-in metric font instead of FreeType: the same text widths on every build.
    bool builtin_font = false;
    // Screen records (each change of the screen text model at a sync or a sleep, with its
    // tick): kept in memory when true, and written as JSON lines when a file is named.
    bool record_screens = false;
    std::string screens;
    // The trace's events are kept in memory too (Trace::events).
    bool keep_events = false;
};

// The screen text model as it stood at a tick: when a TAP synced the OSD or went to sleep.
struct ScreenRecord {
    uint64_t tick;
    std::string json; // as Osd::screen_json
    std::string text; // as Osd::screen_text
};

// The firmware's own file handling that TAPs reach through functions bound by name: a work
// folder (saved and restored around each use) and the folder last selected.
struct FirmwareFiles {
    std::string work_folder = "/";                // receiver path
    std::vector<std::string> saved;               // work folders saved by ApplHdd_SaveWorkFolder
    std::string selected;                         // receiver path chosen by ApplHdd_SelectFolder
    std::string version = "TMS 5.21.10 (tapsim)"; // what Appl_SetApplVer writes to _osdOutBuf
    std::string build = "Jul 21 2015 10:43:07";   // the build text of the code image
    bool cut_fails = false; // ApplHdd_FileCutPaste refuses and leaves the file as it was
};

// The firmware's code image as TAPs scan it between the symbols "_ftext" and "_fdata": a
// block of words that holds the version format text "v%d.%d.%d" (word-aligned) with the
// firmware's build text 12 bytes behind its start. end: the address of "_fdata".
const char* firmware_image(bool end);

struct Task {
    void* handle = nullptr;
    std::string file;      // the shared object that was loaded
    std::string temp_copy; // a copy made to load a second instance, removed on unload
    fw_name_record name_record{};
    TYPE_File file_record{}; // the TAP's file as the task table names it
    std::string installed;   // receiver path of the TAP's installed file
    std::string linux_path;  // the same below "/mnt/hd", as the task table names it
    bool exit_requested = false;
};

class Emulator {
  public:
    explicit Emulator(const Config& config);
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // libtap.so as this emulator loaded it. fresh_libtap: its __TAP_Init filled the table
    // with this emulator's getter (a process that carries libtap itself keeps the table the
    // first emulator filled). libtap_entry: the function a TAP reaches through an entry of that
    // table, as a typed pointer (libtap_entry<decltype(TAP_GetTick)>("TAP_GetTick")).
    bool fresh_libtap() const { return libtap_fresh_; }
    void* libtap_variable(const char* name) const;
    template <typename F> F libtap_entry(const char* name) const {
        void* variable = libtap_variable(name);
        return variable ? *static_cast<F*>(variable) : nullptr;
    }
    // API entries and firmware symbols the fixture withholds: the getter answers 0 for them
    // and dlsym does not find them.
    bool withheld(const std::string& name) const { return state_.withhold.count(name) != 0; }

    // Loads a TAP into the next free slot and runs its TAP_Main. installed: receiver path of
    // its installed file (default "/ProgramFiles/<file name>"), install_from: the file put
    // there when it is missing on the disk (default the TAP itself). Returns the slot of the
    // resident TAP, load_failed, or ended_at_start (its TAP_Main returned 0: it is unloaded,
    // the other TAPs run on).
    static constexpr int load_failed = -1, ended_at_start = -2;
    int load_tap(const std::string& path, const std::string& installed = "",
                 const std::string& install_from = "");
    bool running(int slot) const;
    int running_count() const;

    // Events, delivered now. Each returns the result the receiver got from the last TAP that
    // saw it. A TAP is unloaded after its stop event and after an event in which it called
    // TAP_Exit: it gets no more events, and its OSD regions are gone.
    uint32_t key_event(uint32_t code);
    void idle(uint64_t ticks); // one idle event per tick, the clock advancing
    void wait_ms(uint64_t ms) { idle((ms + 9) / 10); }
    uint32_t stop_all(uint32_t param = 0); // stop event to every running TAP
    uint32_t message(uint32_t param);      // control message 0x0B00
    uint32_t event(uint16_t code, uint32_t param1, uint32_t param2 = 0); // any event

    // The script's own time line: keys are pressed at the script's pace; while the TAPs are
    // busy (a sleep, the time their calls take) keys wait in the receiver's queue and arrive
    // one after the other when the TAP returns, and no idle events pass in between. A wait
    // begins once the TAPs are done.
    void press(uint32_t code); // press, a short while, release, a short pause
    void hold(uint32_t code, int repeats);
    void script_wait_ms(uint64_t ms);
    uint64_t script_tick() const { return script_tick_; }

    // Script commands ("Sat", "0x1003f", "hold v 10", "wait 900ms", "snap NAME", "snap NAME
    // sleep" (taken in the next sleep of a TAP), "stop [PARAM]", "poweroff" (the receiver's
    // power key: the stop event to every TAP, then the receiver is off), "msg 1", "event CODE [P1
    // [P2]]", "state S SS", "play MODE TRICK", "playinfo fail|ok",
    // "playpos BLOCK TOTAL", "playfile PATH", "cut fail|ok"). False and a message on a
    // bad command.
    bool run_command(const std::string& line, std::string* error);
    bool run_script(const std::string& path, std::string* error);
    bool snap(const std::string& name, std::string* written);

    Clock& clock() { return clock_; }
    ReceiverState& state() { return state_; }
    Disk& disk() { return disk_; }
    Osd& osd() { return osd_; }
    Trace& trace() { return trace_; }
    // The host table as the helper programs see it: written to a file of the work folder that
    // the environment variable TAPSIM_HOSTS names ("name http-port https-port" a line). Call it
    // after changing state().hosts.
    void publish_hosts();
    // The folder standing for the receiver's "/" in the TAPs' path mapping: "" where the
    // receiver's paths are real (the private mount namespace).
    const std::string& root() const { return root_; }
    const FileTree& file_tree() const { return tree_; }
    const std::string& disk_dir() const { return disk_.dir(); }
    // True when libc's writes to the disk fail like the TAP API's (the disk_room tmpfs).
    bool disk_full_for_libc() const { return !mounted_disk_.empty(); }
    const std::vector<uint32_t>& results() const { return results_; } // key results so far
    FirmwareFiles& firmware_files() { return firmware_files_; }
    const Devices& devices() const { return devices_; }
    // Virtual time an API call takes (getter.cpp).
    void charge_us(uint32_t us) {
        if (config_.call_costs) clock_.advance_us(us);
    }
    // Virtual time a call that blocked took in real time (a socket wait, a helper program): the
    // clock moves on by as much, when the call came from the emulator's own thread.
    void blocked_us(uint64_t us);
    // Called by TAP_Sleep with its milliseconds before the clock moves on (tests look at the
    // screen while a TAP waits).
    std::function<void(uint32_t ms)> on_sleep;
    // What TAP_Sleep does: the screen is recorded, an armed "snap NAME sleep" taken, then the
    // clock moves on.
    void sleep(uint32_t ms);
    // The current TAP synced the OSD.
    void synced();
    const std::vector<ScreenRecord>& screens() const { return screens_; }

    // TAP memory.
    void* mem_alloc(uint32_t size);
    bool mem_free(const void* p);
    size_t mem_blocks() const { return blocks_.size(); }
    // The TAP blocks that no loaded TAP can reach any more: neither its static data nor a block
    // it reaches holds an address inside them (a conservative scan, as a leak checker does).
    std::vector<const void*> lost_blocks() const;
    size_t saved_box_count() const { return saved_boxes_.size(); }
    uint64_t mem_in_use() const { return in_use_; }
    int bad_frees() const { return bad_frees_; }
    std::map<const void*, SavedBox>& saved_boxes() { return saved_boxes_; }
    std::vector<uint32_t>& plane_buffer(int plane) { return planes_[plane == 0 ? 0 : 1]; }
    std::vector<uint32_t>& video_frame() { return video_frame_; }

    // Firmware side.
    int current_slot() const { return current_slot_; }
    // TAP_Exit of the current task (the firmware's current task number, which a TAP may have
    // set to another slot to stop that TAP): it is marked ended and unloaded after the event.
    void request_exit();
    bool exit_normal() const { return exit_normal_; }
    void set_exit_normal(bool v) { exit_normal_ = v; }
    // The firmware's power-off (Appl_EvtProc_PowerOff): once the event in which a TAP asked for
    // it is over, every running TAP gets the stop event, as when a receiver switches off, and
    // the receiver is off: no more events, keys or waits reach a TAP.
    void power_off() { power_off_pending_ = true; }
    bool powered_off() const { return powered_off_; }
    void log(const std::string& line);
    // Every second of the clock the recordings of the busy slots grow by some packets.
    void grow_recordings();

    static Emulator* current();

  private:
    uint32_t deliver(uint16_t event, uint32_t param1, uint32_t param2);
    uint32_t script_key(uint32_t code);
    void script_wait(uint64_t ticks);
    // One tick of idle time: the clock moves on, an MP3 track that has run out ends (event
    // 0x0300), then the idle event.
    void idle_tick();
    void catch_up() { script_tick_ = std::max(script_tick_, clock_.ticks()); }
    void record_screen();
    void refresh_proc();
    bool load_libtap();
    void unload(int slot);
    void finish_exits();
    void switch_off(); // the stop event to every TAP, then the receiver is off
    bool prepare_root();
    void limit_disk(const std::string& dir);

    Config config_;
    std::string error_;
    void* libtap_ = nullptr;
    bool libtap_fresh_ = false;
    std::string work_; // our own temporary folder
    FileTree tree_;
    std::string root_;         // the receiver's "/" ("" in the namespace)
    std::string mounted_disk_; // the disk folder a tmpfs was mounted on
    Clock clock_;
    ReceiverState state_;
    Disk disk_;
    Osd osd_;
    Trace trace_;
    Task tasks_[TAP_TASK_SLOTS];
    int current_slot_ = -1;
    bool exit_normal_ = false;
    bool power_off_pending_ = false, powered_off_ = false;
    std::vector<uint32_t> results_;
    uint64_t script_tick_ = 0;
    std::vector<ScreenRecord> screens_;
    std::string last_screen_; // JSON of the last record
    std::FILE* screens_file_ = nullptr;
    std::string sleep_snap_; // "snap NAME sleep" waiting for the next sleep
    FirmwareFiles firmware_files_;
    Devices devices_;
    std::thread::id thread_; // the thread that delivers the events
    std::map<const void*, uint32_t> blocks_;
    std::map<const void*, SavedBox> saved_boxes_;
    std::vector<uint32_t> planes_[2];   // OSD planes 0 and 2 as last handed to a TAP
    std::vector<uint32_t> video_frame_; // the picture TAP_CaptureScreen last handed out
    uint64_t in_use_ = 0;
    int bad_frees_ = 0;
};

// The C library's dlsym, for the emulator's own lookups in libtap and the TAPs; what TAPs call
// as dlsym hides the withheld firmware symbols (firmware_lookup.cpp).
void* unfiltered_dlsym(void* handle, const char* name);

// Code of a key name of the key name table, or a raw code ("0x1003f"); 0 when unknown.
uint32_t key_code(const std::string& name);

} // namespace tapsim
