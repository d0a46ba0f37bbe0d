#include "scenario.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace scenario {

std::string mips_twin(const std::string& file_name) {
    std::string dir = TOVAK_MIPSEL_DIR;
    if (dir.empty()) return "";
    fs::path p = fs::path(dir) / file_name;
    std::error_code ec;
    return fs::exists(p, ec) ? p.string() : "";
}

void Scenario::SetUp() {
    dir = tapsim::make_temp_dir("scenario");
    ASSERT_FALSE(dir.empty());
    disk = dir / "disk";
    fs::create_directories(disk / "ProgramFiles");
}

void Scenario::TearDown() {
    if (emu && emu->running_count() > 0) expect_memory_kept();
    emu.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
}

void Scenario::start(tapsim::Config config) {
    if (config.disk.empty()) config.disk = disk.string();
    if (config.usb.empty()) config.usb = (dir / "usb").string();
    if (config.shots.empty()) config.shots = (dir / "shots").string();
    emu = std::make_unique<tapsim::Emulator>(config);
    ASSERT_TRUE(emu->ok()) << emu->error();
}

int Scenario::load(const std::string& tap) {
    if (!emu) start();
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
