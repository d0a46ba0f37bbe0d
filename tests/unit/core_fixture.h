// Tests of the resident core's TAP code called directly: an emulator in this process for the
// TAP API and the disk, known settings, and a check that every block was given back.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "common/memory.h"
#include "common/records.h"
#include "common/settings.h"
#include "emulator.h"

namespace core_test {

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_file(const std::filesystem::path& p, const std::string& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

class CoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/core_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        disk = dir / "disk";
        std::filesystem::create_directories(disk / "ProgramFiles/Settings/TovakRC");
        tapsim::Config config;
        config.disk = disk.string();
        config.usb = (dir / "usb").string();
        config.shots = (dir / "shots").string();
        config.clock = clock;
        emu = std::make_unique<tapsim::Emulator>(config);
        ASSERT_TRUE(emu->ok()) << emu->error();
        saved_settings = settings;
        settings = settings_record{};
        settings.flags = SET_ENGLISH;
        usage = usage_record{};
        key_stats = key_stats_record{};
        mem_start = mem_outstanding();
    }

    void TearDown() override {
        EXPECT_EQ(mem_outstanding(), mem_start) << "blocks not given back";
        emu.reset();
        settings = saved_settings;
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // A file of the settings folder on the emulated disk.
    std::filesystem::path settings_file(const std::string& name) const {
        return disk / "ProgramFiles/Settings/TovakRC" / name;
    }

    const char* clock = "2026-12-10 20:15:30";
    std::filesystem::path dir, disk;
    std::unique_ptr<tapsim::Emulator> emu;
    settings_record saved_settings{};
    int64_t mem_start = 0;
};

} // namespace core_test
