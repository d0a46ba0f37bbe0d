#include "scenario.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace scenario {

std::string mips_twin(const std::string& file_name) {
    std::string dir = TOVAK_MIPSEL_DIR;
    if (dir.empty()) return "";
    fs::path p = fs::path(dir) / file_name;
    std::error_code ec;
    return fs::exists(p, ec) ? p.string() : "";
}

namespace {

// The machine's clock in seconds. Not time(): while an emulator runs, time() is the receiver's
// clock, which can lie before or after the file times the machine gives.
time_t machine_time() {
    return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
}

} // namespace

void Scenario::SetUp() {
    dir = tapsim::make_temp_dir("scenario");
    ASSERT_FALSE(dir.empty());
    disk = dir / "disk";
    started = machine_time() - 1;
    fs::create_directories(disk / "ProgramFiles");
}

namespace {

// Where the runs of one test are recorded for the comparison of builds (mips_scenarios.sh):
// "$TOVAK_SCENARIO_RECORD/Suite.Test", or "" when nothing is recorded.
std::string record_base() {
    const char* dir = std::getenv("TOVAK_SCENARIO_RECORD");
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!dir || !*dir || !test) return "";
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    std::replace(name.begin(), name.end(), '/', '_');
    return std::string(dir) + "/" + name;
}

// A file's contents as a hash of its bytes that are not zero and their offsets, so that a hole
// and written zeros count the same; only the file's data is read where the file system tells
// where it lies.
uint64_t content_hash(const fs::path& p) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&](uint64_t v) {
        for (int i = 0; i < 8; ++i) {
            h ^= (v >> (8 * i)) & 0xFF;
            h *= 1099511628211ull;
        }
    };
    int fd = open(p.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    std::vector<unsigned char> buf(1 << 16);
    off_t pos = 0;
    for (;;) {
        off_t data = lseek(fd, pos, SEEK_DATA);
        if (data < 0 && errno != EINVAL) break; // no data beyond pos
        if (data > pos) pos = data;
        ssize_t n = pread(fd, buf.data(), buf.size(), pos);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i)
            if (buf[i]) mix(static_cast<uint64_t>(pos + i) << 8 | buf[i]);
        pos += n;
    }
    close(fd);
    return h;
}

void list_files(const fs::path& top, std::ostream& out) {
    std::error_code ec;
    if (!fs::exists(top, ec)) return;
    std::vector<std::string> lines;
    for (auto it = fs::recursive_directory_iterator(top, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        const fs::path& p = it->path();
        const std::string rel = fs::relative(p, top).string();
        if (it->is_symlink())
            lines.push_back("l " + rel + " -> " + fs::read_symlink(p).string());
        else if (it->is_directory())
            lines.push_back("d " + rel);
        else
            lines.push_back("f " + rel + " " + std::to_string(it->file_size()) + " " +
                            std::to_string(content_hash(p)));
        // A log as text: the comparison leaves out what depends on the size of pointers.
        if (it->is_regular_file() && p.extension() == ".log") {
            std::ifstream in(p);
            for (std::string line; std::getline(in, line);)
                lines.push_back("f " + rel + " | " + line);
        }
    }
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines)
        out << top.filename().string() << ": " << l << "\n";
}

// Files the test itself makes get a fixed time instead of the machine's clock (the TAP shows
// file times): so every run shows the same, and the builds can be compared. A file counts as
// the test's when its time lies between the test's start and now by the machine's clock; the
// TAP's own files carry the receiver's clock or the times it copied.
void fix_times(const fs::path& top, time_t since) {
    const time_t now = machine_time() + 1;
    struct timespec fixed[2] = {{1796148000, 0}, {1796148000, 0}}; // 2026-12-01 18:00 UTC
    std::error_code ec;
    if (!fs::exists(top, ec)) return;
    for (auto it = fs::recursive_directory_iterator(top, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        struct stat st;
        if (lstat(it->path().c_str(), &st) == 0 && st.st_mtime >= since && st.st_mtime <= now)
            utimensat(AT_FDCWD, it->path().c_str(), fixed, AT_SYMLINK_NOFOLLOW);
    }
}

} // namespace

void Scenario::fix_file_times() const {
    fix_times(disk, started);
    fix_times(dir / "usb", started);
}

void Scenario::TearDown() {
    if (emu && emu->running_count() > 0) expect_memory_kept();
    emu.reset();
    if (std::string base = record_base(); !base.empty()) {
        std::ofstream files(base + ".files");
        list_files(disk, files);
        list_files(dir / "usb", files);
    }
    // TOVAK_SCENARIO_KEEP=1 keeps the test's folder for a look at what it left.
    if (const char* keep = std::getenv("TOVAK_SCENARIO_KEEP"); keep && *keep == '1') return;
    std::error_code ec;
    fs::remove_all(dir, ec);
}

void Scenario::start(tapsim::Config config) {
    if (config.disk.empty()) config.disk = disk.string();
    if (config.usb.empty()) config.usb = (dir / "usb").string();
    if (config.shots.empty()) config.shots = (dir / "shots").string();
    config.record_screens = true;
    config.keep_events = true;
    fix_file_times();
    if (std::string base = record_base(); !base.empty()) {
        const std::string run = "." + std::to_string(++runs);
        if (config.trace.empty()) config.trace = base + run + ".trace";
        if (config.screens.empty()) config.screens = base + run + ".screens";
    }
    // The comparison of builds runs both with the same text widths.
    if (const char* font = std::getenv("TOVAK_BUILTIN_FONT"); font && *font == '1')
        config.builtin_font = true;
    emu = std::make_unique<tapsim::Emulator>(config);
    ASSERT_TRUE(emu->ok()) << emu->error();
}

int Scenario::load(const std::string& tap) {
    if (!emu) start();
    fix_file_times();
    const int slot = emu->load_tap(tap, "", mips_twin(fs::path(tap).filename().string()));
    memory_after_start = emu->mem_in_use();
    return slot;
}

void Scenario::expect_memory_kept() {
    const std::vector<const void*> lost = emu->lost_blocks();
    EXPECT_TRUE(lost.empty()) << lost.size() << " blocks lost; the TAP holds " << emu->mem_in_use()
                              << " bytes, " << memory_after_start << " after its start-up";
    bool window_shown = false;
    for (const tapsim::Region& r : emu->osd().regions())
        window_shown = window_shown || r.live;
    if (!window_shown)
        EXPECT_EQ(emu->saved_box_count(), 0u) << "screen areas saved under closed windows";
}

std::string Scenario::shown_during(const std::string& script) {
    std::string shown;
    emu->on_sleep = [&](uint32_t) { shown += screen(); };
    run(script);
    emu->on_sleep = nullptr;
    return shown;
}

void Scenario::run(const std::string& script) {
    std::istringstream lines(script);
    std::string line;
    while (std::getline(lines, line)) {
        fix_file_times();
        // A line holds either one command with its arguments or several plain key names.
        std::istringstream words(line);
        std::string first;
        words >> first;
        bool keys_only = tapsim::key_code(first) != 0;
        std::string why;
        if (!keys_only) {
            ASSERT_TRUE(emu->run_command(line, &why)) << why;
            continue;
        }
        std::istringstream all(line);
        std::string key;
        while (all >> key)
            ASSERT_TRUE(emu->run_command(key, &why)) << why;
    }
}

uint32_t Scenario::last_result() const {
    // The press's own result: the release that follows it is the last entry.
    const auto& r = emu->results();
    return r.size() >= 2 ? r[r.size() - 2] : 0xDEADBEEF;
}

std::string Scenario::file_text(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int Scenario::calls_named(const std::string& name) const {
    int n = 0;
    for (const tapsim::TraceCall& c : emu->trace().calls())
        n += c.name == name;
    return n;
}

} // namespace scenario
