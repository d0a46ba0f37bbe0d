#include "emulator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <link.h>
#include <sys/mount.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "api.h"
#include "common/key_names.h"
#include "png_out.h"
#include "tap_file.h"

namespace fs = std::filesystem;

// The receiver's firmware data that TAPs bind by name.
extern "C" {
__attribute__((visibility("default"))) tap_task_slot _tapTask[TAP_TASK_SLOTS];
__attribute__((visibility("default"))) dword _curTapTask;
// The folder standing for the receiver's "/" (read by the TAPs' path mapping).
__attribute__((visibility("default"))) char tapsim_root[4096];
}

namespace tapsim {

namespace {

Emulator* g_current = nullptr;

constexpr uint64_t press_ticks = 10;  // a key is held this long before its release
constexpr uint64_t pause_ticks = 20;  // and the next key follows after this pause
constexpr uint64_t repeat_ticks = 10; // interval of auto-repeat

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

bool parse_duration_ms(const std::string& text, uint64_t* ms) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || v < 0) return false;
    std::string unit = end;
    double factor = unit == "ms" || unit.empty() ? 1
                    : unit == "s"                ? 1000
                    : unit == "min"              ? 60000
                    : unit == "h"                ? 3600000
                                                 : -1;
    if (factor < 0) return false;
    *ms = static_cast<uint64_t>(v * factor + 0.5);
    return true;
}

bool parse_number(const std::string& text, int64_t* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 0);
    if (*end) return false;
    *out = v;
    return true;
}

} // namespace

uint32_t key_code(const std::string& name) {
    if (const key_name_row* row = key_name_lookup(name.c_str())) return row->code;
    if (name.size() > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
        int64_t v;
        if (parse_number(name, &v) && v > 0 && v <= 0xFFFFFFFF) return static_cast<uint32_t>(v);
    }
    return 0;
}

Emulator* Emulator::current() {
    return g_current;
}

Emulator::Emulator(const Config& config) : config_(config) {
    if (g_current) {
        error_ = "another emulator is running in this process";
        return;
    }
    g_current = this;
    thread_ = std::this_thread::get_id();
    std::memset(_tapTask, 0, sizeof _tapTask);
    _curTapTask = 0;
    if (!config_.fixture.empty() && !load_fixture(config_.fixture, &state_, &error_)) return;
    if (!config_.clock.empty()) state_.clock = config_.clock;
    if (config_.uptime >= 0) state_.uptime = config_.uptime;
    int64_t local;
    if (!parse_clock(state_.clock, &local)) {
        error_ = "bad clock \"" + state_.clock + "\" (want YYYY-MM-DD HH:MM:SS)";
        return;
    }
    clock_.set(local, state_.uptime, state_.utc_offset_min);
    script_tick_ = clock_.ticks();
    if (config_.builtin_font) osd_.set_font(make_builtin_font());
    if (config_.keep_events) trace_.keep_events();
    const LocalTime start = clock_.local();
    state_.guide_anchor = static_cast<int64_t>(start.mjd) * 1440 + start.hour * 60 + start.minute;
    if (!prepare_root()) return;
    publish_hosts();
    if (!config_.trace.empty() && !trace_.open(config_.trace)) {
        error_ = "cannot write " + config_.trace;
        return;
    }
    if (!config_.screens.empty() && !(screens_file_ = std::fopen(config_.screens.c_str(), "w"))) {
        error_ = "cannot write " + config_.screens;
        return;
    }
    load_libtap();
}

Emulator::~Emulator() {
    if (g_current != this) return;
    for (int slot = 0; slot < TAP_TASK_SLOTS; ++slot)
        unload(slot);
    // After the TAPs that need it: the next emulator then loads a fresh instance.
    if (libtap_) dlclose(libtap_);
    for (auto& [p, size] : blocks_)
        std::free(const_cast<void*>(p));
    if (!mounted_disk_.empty()) umount2(mounted_disk_.c_str(), MNT_DETACH);
    tree_.tear_down();
    if (screens_file_) std::fclose(screens_file_);
    std::error_code ec;
    if (!work_.empty()) fs::remove_all(work_, ec);
    tapsim_root[0] = 0;
    g_current = nullptr;
}

bool Emulator::prepare_root() {
    work_ = make_temp_dir("tapsim");
    if (work_.empty()) {
        error_ = "cannot make a work folder";
        return false;
    }
    std::error_code ec;
    fs::create_directories(work_ + "/tasks", ec);
    auto folder = [&](const std::string& given, const std::string& own) {
        std::string dir = given.empty() ? work_ + "/" + own : fs::absolute(given).string();
        fs::create_directories(dir, ec);
        return dir;
    };
    std::string disk = folder(config_.disk, "disk");
    std::string usb = folder(config_.usb, "usb");
    if (ec) {
        error_ = "cannot prepare the receiver's folders: " + ec.message();
        return false;
    }
    if (!tree_.build(work_, disk, usb, Devices::proc_texts(state_, clock_.ticks()),
                     config_.mapped_tree, &error_))
        return false;
    root_ = tree_.root();
    if (root_.size() >= sizeof tapsim_root) {
        error_ = "work folder path too long";
        return false;
    }
    std::snprintf(tapsim_root, sizeof tapsim_root, "%s", root_.c_str());
    if (!devices_.build(root_, tree_.namespaced() ? work_ + "/dev" : root_ + "/dev", state_,
                        &error_))
        return false;
    disk_.attach(disk, state_.utc_offset_min);
    disk_.set_root(root_);
    if (config_.disk_room >= 0) limit_disk(disk);
    return true;
}

// As the firmware does before it starts a TAP: load libtap.so by its name through the library
// search path and let its __TAP_Init fill the table through the getter.
bool Emulator::load_libtap() {
    libtap_ = dlopen("libtap.so", RTLD_NOW | RTLD_LOCAL);
    if (!libtap_) {
        error_ = std::string("cannot load libtap.so: ") + dlerror();
        return false;
    }
    auto init = reinterpret_cast<int (*)(void*)>(unfiltered_dlsym(libtap_, "__TAP_Init"));
    if (!init) {
        error_ = "libtap.so has no __TAP_Init";
        return false;
    }
    // The getter is the first word of the firmware's block; the rest is not read.
    void* firmware[4] = {reinterpret_cast<void*>(&tapsim_api_getter), nullptr, nullptr, nullptr};
    int result = init(firmware);
    libtap_fresh_ = result == 0;
    trace_.call(clock_.ticks(), "__TAP_Init", {result});
    return true;
}

void* Emulator::libtap_variable(const char* name) const {
    return libtap_ ? unfiltered_dlsym(libtap_, name) : nullptr;
}

void Emulator::limit_disk(const std::string& dir) {
    // A tmpfs as large as the files on the disk (in pages) and the room, mounted over the
    // disk folder with those files copied in.
    constexpr uint64_t page = 4096;
    uint64_t used = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec))
        if (it->is_regular_file(ec)) used += (it->file_size(ec) + page - 1) / page * page;
    const uint64_t room = static_cast<uint64_t>(config_.disk_room);
    const std::string keep = work_ + "/disk_files";
    fs::copy(dir, keep, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    const std::string options = "size=" + std::to_string(used + (room + page - 1) / page * page);
    if (!ec && mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0) {
        mounted_disk_ = dir;
        fs::copy(keep, dir, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    }
    fs::remove_all(keep, ec);
    // Without the tmpfs (not root) the TAP API's writes are limited by the emulator.
    if (mounted_disk_.empty()) disk_.set_room(config_.disk_room);
}

void Emulator::publish_hosts() {
    const std::string file = work_ + "/hosts";
    std::ofstream out(file);
    for (const HostPorts& h : state_.hosts)
        out << h.name << ' ' << h.http << ' ' << h.https << '\n';
    setenv("TAPSIM_HOSTS", file.c_str(), 1);
}

void Emulator::log(const std::string& line) {
    std::fprintf(stderr, "tapsim: %s\n", line.c_str());
}

int Emulator::load_tap(const std::string& path, const std::string& installed,
                       const std::string& install_from) {
    TapFileInfo info;
    std::string why;
    if (!read_tap_file(path, &info, &why) || !check_tap_header(info, &why)) {
        log("refused " + path + ": " + why);
        return load_failed;
    }
    int slot = 0;
    while (slot < TAP_TASK_SLOTS && tasks_[slot].handle)
        ++slot;
    if (slot == TAP_TASK_SLOTS) {
        log("no free task slot for " + path);
        return load_failed;
    }
    Task& t = tasks_[slot];
    t = Task{};
    std::string base = fs::path(path).filename().string();
    // Each task gets its own copy, so a second instance of the same TAP has its own data.
    t.temp_copy = work_ + "/tasks/" + std::to_string(slot) + "_" + base;
    std::error_code ec;
    fs::copy_file(path, t.temp_copy, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        log("cannot copy " + path + ": " + ec.message());
        return load_failed;
    }
    t.installed = installed.empty() ? "/ProgramFiles/" + base : installed;
    std::string host_installed = disk_.host_path(t.installed);
    if (!fs::exists(host_installed)) {
        fs::create_directories(fs::path(host_installed).parent_path(), ec);
        fs::copy_file(install_from.empty() ? path : install_from, host_installed, ec);
    }
    t.handle = dlopen(t.temp_copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!t.handle) {
        log(std::string("cannot load ") + path + ": " + dlerror());
        fs::remove(t.temp_copy, ec);
        t = Task{};
        return load_failed;
    }
    tap_task_slot& task = _tapTask[slot];
    task = tap_task_slot{};
    auto init =
        reinterpret_cast<int (*)(tap_entry_points*)>(unfiltered_dlsym(t.handle, "__TAP_Init_"));
    int init_result = init ? init(&task.entry) : -1;
    trace_.call(clock_.ticks(), "__TAP_Init_", {slot, init_result});
    if (!init || !task.entry.main || !task.entry.handler) {
        log(path + ": __TAP_Init_ gave no TAP_Main and TAP_EventHandler");
        unload(slot);
        return load_failed;
    }
    t.file = path;
    // The firmware's record names the file by its Linux path.
    t.linux_path = "/mnt/hd" + t.installed;
    t.name_record.name = t.linux_path.c_str();
    std::snprintf(t.file_record.name, sizeof t.file_record.name, "%s", base.c_str());
    t.file_record.handle = &t.name_record;
    task.status = TAP_TASK_RUNNING;
    task.handle = t.handle;
    task.file = &t.file_record;
    refresh_proc();
    int prev = current_slot_;
    current_slot_ = slot;
    _curTapTask = static_cast<dword>(slot);
    int resident = task.entry.main();
    current_slot_ = prev;
    trace_.call(clock_.ticks(), "TAP_Main", {slot, resident});
    if (resident == 0) t.exit_requested = true;
    finish_exits();
    catch_up();
    return running(slot) ? slot : ended_at_start;
}

bool Emulator::running(int slot) const {
    return slot >= 0 && slot < TAP_TASK_SLOTS && tasks_[slot].handle != nullptr;
}

int Emulator::running_count() const {
    int n = 0;
    for (int s = 0; s < TAP_TASK_SLOTS; ++s)
        n += running(s);
    return n;
}

void Emulator::unload(int slot) {
    Task& t = tasks_[slot];
    if (!t.handle) return;
    osd_.remove_owned(slot);
    dlclose(t.handle);
    std::error_code ec;
    if (!t.temp_copy.empty()) fs::remove(t.temp_copy, ec);
    std::memset(&_tapTask[slot], 0, sizeof _tapTask[slot]);
    t = Task{};
}

void Emulator::finish_exits() {
    for (int s = 0; s < TAP_TASK_SLOTS; ++s)
        if (tasks_[s].handle && tasks_[s].exit_requested) unload(s);
}

namespace {

// The trace's name of an event.
std::string event_kind(uint16_t event) {
    switch (event) {
    case EVT_IDLE:
        return "idle";
    case EVT_KEY:
        return "key";
    case EVT_STOP:
        return "stop";
    case EVT_TAPMSG:
        return "msg";
    case EVT_SERVICE:
        return "play_end";
    default:
        char name[16];
        std::snprintf(name, sizeof name, "0x%04x", event);
        return name;
    }
}

} // namespace

void Emulator::request_exit() {
    int slot = static_cast<int>(_curTapTask);
    if (slot < 0 || slot >= TAP_TASK_SLOTS || !tasks_[slot].handle) slot = current_slot_;
    if (slot < 0) return;
    tasks_[slot].exit_requested = true;
    _tapTask[slot].status = 2; // ended, as the firmware marks it
}

void Emulator::refresh_proc() {
    devices_.refresh(state_, clock_.ticks(), tree_);
}

void Emulator::blocked_us(uint64_t us) {
    if (std::this_thread::get_id() == thread_) clock_.advance_us(us);
}

uint32_t Emulator::deliver(uint16_t event, uint32_t param1, uint32_t param2) {
    if (powered_off_) return 0;
    if (event != EVT_IDLE) refresh_proc();
    const std::string kind = event_kind(event);
    uint32_t value = param1, last = 0;
    for (int s = 0; s < TAP_TASK_SLOTS; ++s) {
        if (power_off_pending_) break; // the receiver is on its way down
        if (!tasks_[s].handle || tasks_[s].exit_requested) continue;
        int prev = current_slot_;
        current_slot_ = s;
        _curTapTask = static_cast<dword>(s);
        const uint64_t tick = clock_.ticks(); // when the TAP got it
        uint32_t result = _tapTask[s].entry.handler(event, value, param2);
        current_slot_ = prev;
        trace_.event(tick, s, kind.c_str(), value, result);
        last = result;
        // A receiver unloads a TAP once it has handled the stop event.
        if (event == EVT_STOP) tasks_[s].exit_requested = true;
        if (event == EVT_KEY) {
            value = result;
            if (!value) break; // the TAP took the key
        }
    }
    finish_exits();
    if (power_off_pending_) switch_off();
    return event == EVT_KEY ? value : last;
}

void Emulator::switch_off() {
    power_off_pending_ = false;
    trace_.call(clock_.ticks(), "power_off", {});
    deliver(EVT_STOP, 0, 0);
    powered_off_ = true;
}

uint32_t Emulator::key_event(uint32_t code) {
    uint32_t r = script_key(code);
    catch_up();
    return r;
}

uint32_t Emulator::script_key(uint32_t code) {
    uint32_t r = deliver(EVT_KEY, code, 0);
    results_.push_back(r);
    return r;
}

void Emulator::idle(uint64_t ticks) {
    for (uint64_t i = 0; i < ticks; ++i)
        idle_tick();
    catch_up();
}

void Emulator::idle_tick() {
    clock_.advance_ticks(1);
    grow_recordings();
    PlayState& play = state_.play;
    if (play.mode == PLAYMODE_MP3 && play.end_tick && clock_.ticks() >= play.end_tick) {
        const bool fails = play.fails; // a script's "playinfo fail" outlasts the track
        play = PlayState{};
        play.fails = fails;
        deliver(EVT_SERVICE, 1, 0);
    }
    deliver(EVT_IDLE, 0, 0);
}

void Emulator::script_wait(uint64_t ticks) {
    script_tick_ += ticks;
    while (clock_.ticks() < script_tick_)
        idle_tick();
}

void Emulator::script_wait_ms(uint64_t ms) {
    // A wait of the script starts when the TAPs are done with what came before.
    catch_up();
    script_wait((ms + 9) / 10);
}

void Emulator::press(uint32_t code) {
    script_key(code);
    script_wait(press_ticks);
    script_key(code | KEY_RELEASE);
    script_wait(pause_ticks);
}

void Emulator::hold(uint32_t code, int repeats) {
    script_key(code);
    for (int i = 0; i < repeats; ++i) {
        script_wait(repeat_ticks);
        script_key(code | KEY_REPEAT);
    }
    script_wait(press_ticks);
    script_key(code | KEY_RELEASE);
    script_wait(pause_ticks);
}

uint32_t Emulator::stop_all(uint32_t param) {
    return deliver(EVT_STOP, param, 0);
}

uint32_t Emulator::message(uint32_t param) {
    return deliver(EVT_TAPMSG, param, 0);
}

uint32_t Emulator::event(uint16_t code, uint32_t param1, uint32_t param2) {
    if (code == EVT_KEY) {
        uint32_t r = deliver(EVT_KEY, param1, param2);
        results_.push_back(r);
        return r;
    }
    return deliver(code, param1, param2);
}

void Emulator::record_screen() {
    if (!config_.record_screens && !screens_file_) return;
    std::string json = osd_.screen_json();
    if (json == last_screen_) return; // unchanged
    last_screen_ = json;
    ScreenRecord r{clock_.ticks(), std::move(json), osd_.screen_text()};
    if (screens_file_) {
        std::string line = r.json;
        std::erase(line, '\n');
        std::fprintf(screens_file_, "{\"tick\":%llu,\"screen\":%s}\n",
                     static_cast<unsigned long long>(r.tick), line.c_str());
        std::fflush(screens_file_);
    }
    if (config_.record_screens) screens_.push_back(std::move(r));
}

void Emulator::synced() {
    record_screen();
}

void Emulator::sleep(uint32_t ms) {
    record_screen();
    if (!sleep_snap_.empty()) {
        std::string written, name = sleep_snap_;
        sleep_snap_.clear();
        if (snap(name, &written)) std::printf("snap %s: %s\n", name.c_str(), written.c_str());
    }
    if (on_sleep) on_sleep(ms);
    clock_.advance_ms(ms);
}

bool Emulator::snap(const std::string& name, std::string* written) {
    std::string dir = config_.shots.empty() ? "." : config_.shots;
    std::error_code ec;
    fs::create_directories(dir, ec);
    std::string base = dir + "/" + name;
    std::ofstream(base + ".json") << osd_.screen_json();
    *written = base + ".json";
#ifdef TAPSIM_PNG
    std::string why;
    if (!write_png(base + ".png", osd_.compose(), screen_w, screen_h, &why)) {
        log(why);
        return false;
    }
    *written = base + ".png " + *written;
#endif
    return true;
}

bool Emulator::run_command(const std::string& raw, std::string* error) {
    std::string line = trim(raw);
    if (line.empty() || line[0] == '#') return true;
    std::istringstream words(line);
    std::string cmd, a, b, c, extra;
    words >> cmd >> a >> b >> c >> extra;
    int64_t n = 0, m = 0;
    auto bad = [&](const std::string& why) {
        *error = "\"" + line + "\": " + why;
        return false;
    };
    // A word that is a 32-bit number, or absent (0).
    auto word32 = [&](const std::string& w, int64_t* out) {
        *out = 0;
        return w.empty() || (parse_number(w, out) && *out >= 0 && *out <= 0xFFFFFFFF);
    };
    if (!extra.empty() || (!c.empty() && cmd != "event")) return bad("too many words");
    if (cmd == "hold") {
        uint32_t code = key_code(a);
        if (!code || !parse_number(b, &n) || n < 0 || n > 100000) return bad("want hold KEY N");
        hold(code, static_cast<int>(n));
    } else if (cmd == "wait") {
        uint64_t ms;
        if (!b.empty() || !parse_duration_ms(a, &ms)) return bad("want wait 900ms, 2s or 10min");
        script_wait_ms(ms);
    } else if (cmd == "snap") {
        std::string written;
        if (a.empty() || (!b.empty() && b != "sleep") || a.find('/') != std::string::npos)
            return bad("want snap NAME or snap NAME sleep");
        if (b == "sleep") {
            sleep_snap_ = a;
        } else {
            if (!snap(a, &written)) return bad("cannot write the snapshot");
            std::printf("snap %s: %s\n", a.c_str(), written.c_str());
        }
    } else if (cmd == "poweroff") {
        if (!a.empty()) return bad("want poweroff");
        if (!powered_off_) switch_off();
    } else if (cmd == "stop") {
        if (!b.empty() || !word32(a, &n)) return bad("want stop or stop PARAM");
        stop_all(static_cast<uint32_t>(n));
    } else if (cmd == "event") {
        int64_t code = 0;
        if (!parse_number(a, &code) || code < 0 || code > 0xFFFF || !word32(b, &n) ||
            !word32(c, &m))
            return bad("want event CODE [P1 [P2]]");
        event(static_cast<uint16_t>(code), static_cast<uint32_t>(n), static_cast<uint32_t>(m));
    } else if (cmd == "playinfo") {
        if ((a != "fail" && a != "ok") || !b.empty()) return bad("want playinfo fail or ok");
        state_.play.fails = a == "fail";
    } else if (cmd == "msg") {
        if (!parse_number(a, &n) || !b.empty()) return bad("want msg N");
        message(static_cast<uint32_t>(n));
    } else if (cmd == "state") {
        if (!parse_number(a, &n) || !parse_number(b, &m)) return bad("want state STATE SUBSTATE");
        state_.state = static_cast<uint32_t>(n);
        state_.sub_state = static_cast<uint32_t>(m);
    } else if (cmd == "play") {
        if (!parse_number(a, &n) || !parse_number(b, &m)) return bad("want play MODE TRICK");
        state_.play.mode = static_cast<int>(n);
        state_.play.trick = static_cast<int>(m);
    } else if (cmd == "playpos") {
        if (!word32(a, &n) || !word32(b, &m) || b.empty()) return bad("want playpos BLOCK TOTAL");
        state_.play.block = static_cast<uint32_t>(n);
        state_.play.total = static_cast<uint32_t>(m);
    } else if (cmd == "playfile") {
        std::string path;
        if (a.empty() || !b.empty() || !disk_.resolve(a.c_str(), &path))
            return bad("want playfile PATH (a receiver path)");
        state_.play.file = path;
    } else if (cmd == "cut") {
        if ((a != "fail" && a != "ok") || !b.empty()) return bad("want cut fail or ok");
        firmware_files_.cut_fails = a == "fail";
    } else {
        uint32_t code = key_code(cmd);
        if (!code || !a.empty()) return bad("unknown key or command");
        press(code);
    }
    return true;
}

bool Emulator::run_script(const std::string& path, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot open script " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!run_command(line, error)) {
            *error = path + ":" + std::to_string(number) + ": " + *error;
            return false;
        }
    }
    return true;
}

namespace {

struct address_range {
    uintptr_t start, end;
};

// The writable segments (data, bss) of the shared object loaded from `path`.
std::vector<address_range> writable_segments(const std::string& path) {
    struct search {
        const std::string* path;
        std::vector<address_range> found;
    } s{&path, {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* s = static_cast<search*>(data);
            if (!info->dlpi_name || *s->path != info->dlpi_name) return 0;
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& ph = info->dlpi_phdr[i];
                if (ph.p_type == PT_LOAD && (ph.p_flags & PF_W))
                    s->found.push_back(
                        {info->dlpi_addr + ph.p_vaddr, info->dlpi_addr + ph.p_vaddr + ph.p_memsz});
            }
            return 1;
        },
        &s);
    return s.found;
}

} // namespace

// The scan reads whole segments and blocks word by word, padding included: not instrumented.
__attribute__((no_sanitize("address"))) std::vector<const void*> Emulator::lost_blocks() const {
    std::vector<address_range> pending;
    for (const Task& t : tasks_)
        if (t.handle)
            for (const address_range& r : writable_segments(t.temp_copy))
                pending.push_back(r);
    std::map<uintptr_t, bool> reached; // block start -> reached
    for (const auto& [p, size] : blocks_)
        reached[reinterpret_cast<uintptr_t>(p)] = false;
    constexpr uintptr_t word = sizeof(uintptr_t);
    while (!pending.empty()) {
        const address_range r = pending.back();
        pending.pop_back();
        for (uintptr_t a = (r.start + word - 1) & ~(word - 1); a + word <= r.end; a += word) {
            const uintptr_t v = *reinterpret_cast<const volatile uintptr_t*>(a);
            auto it = reached.upper_bound(v);
            if (it == reached.begin()) continue;
            --it;
            const uint32_t size = blocks_.at(reinterpret_cast<const void*>(it->first));
            if (it->second || v >= it->first + (size ? size : 1)) continue;
            it->second = true;
            pending.push_back({it->first, it->first + size});
        }
    }
    std::vector<const void*> lost;
    for (const auto& [start, was_reached] : reached)
        if (!was_reached) lost.push_back(reinterpret_cast<const void*>(start));
    return lost;
}

void* Emulator::mem_alloc(uint32_t size) {
    if (in_use_ + size > state_.mem_limit) return nullptr;
    void* p = std::malloc(size ? size : 1);
    if (!p) return nullptr;
    blocks_[p] = size;
    in_use_ += size;
    return p;
}

bool Emulator::mem_free(const void* p) {
    auto it = blocks_.find(p);
    if (it == blocks_.end()) {
        ++bad_frees_;
        log("TAP_MemFree of a block that is not allocated");
        return false;
    }
    in_use_ -= it->second;
    blocks_.erase(it);
    saved_boxes_.erase(p);
    std::free(const_cast<void*>(p));
    return true;
}

} // namespace tapsim
