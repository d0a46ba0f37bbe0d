// The unit tests' fixture: an emulator in this process (the TAP code under test is linked into
// the test program and calls the TAP API directly) on a disk of the test's own, the settings
// record set to a known state, the windows registered as the TAP registers them, and at the
// end a check that every block of the counted allocator was given back once the test's windows
// and boxes are closed the way a user would close them.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "browser/recording.h"
#include "common/memory.h"
#include "common/records.h"
#include "common/settings.h"
#include "core/windows.h"
#include "emulator.h"
#include "gd_codec.h"
#include "image/viewer.h"
#include "osd/ibox.h"
#include "osd/key_help.h"
#include "osd/line_edit.h"
#include "osd/window.h"
#include "osd/window_state.h"

namespace emu_test {

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

inline tapsim::Config clocked(const char* clock) {
    tapsim::Config c;
    c.clock = clock;
    return c;
}

class EmuTest : public ::testing::Test {
  protected:
    // A fixture may set fields of `config` (the clock, a nearly full disk) before EmuTest::SetUp.
    void SetUp() override {
        dir = tapsim::make_temp_dir("unit_test");
        ASSERT_FALSE(dir.empty());
        disk = dir / "disk";
        std::filesystem::create_directories(disk / "ProgramFiles/Settings/TovakRC");
        config.disk = disk.string();
        config.usb = (dir / "usb").string();
        const char* shots = getenv("TEST_SHOTS");
        config.shots = shots && *shots ? shots : (dir / "shots").string();
        // The TAP code's tick arithmetic is checked on an exact clock: calls take no time.
        config.call_costs = false;
        emu = std::make_unique<tapsim::Emulator>(config);
        ASSERT_TRUE(emu->ok()) << emu->error();
        saved_settings = settings;
        settings = settings_record{};
        settings.flags = SET_ENGLISH;
        usage = usage_record{};
        key_stats = key_stats_record{};
        window_flags = 0;
        title_tick = step_ticks = 0;
        image_state = 0;
        headline_toggle = 0;
        history_clear();
        windows_register();
        mem_start = mem_outstanding();
    }

    void TearDown() override {
        // Whatever a test left open is closed the way a user would close it.
        constexpr dword exit_key = 0x10017;
        if (line_edit_open()) line_edit(exit_key, 0, nullptr, nullptr, nullptr);
        if (window_flags & WS_HELP) help_box(exit_key, nullptr, nullptr);
        while (ibox_open())
            ibox_show(nullptr, nullptr, 0);
        if (window_flags & WS_IMAGE) image_view(exit_key, nullptr, nullptr);
        osd_release(&image_window);
        osd_close(&image_window);
        for (osd_window* w : windows) {
            osd_release(w);
            osd_close(w);
        }
        history_clear();
        inf_release();
        EXPECT_EQ(mem_outstanding(), mem_start) << "blocks not given back";
        screen_give_back();
        active_window = nullptr;
        emu.reset();
        settings = saved_settings;
        window_flags = 0;
        std::error_code ec;
        if (!dir.empty()) std::filesystem::remove_all(dir, ec);
    }

    // A window record owned by the test (closed at the end).
    osd_window* window() {
        owned.push_back(std::make_unique<osd_window>());
        *owned.back() = osd_window{};
        windows.push_back(owned.back().get());
        return owned.back().get();
    }

    // A file of the settings folder on the emulated disk.
    std::filesystem::path settings_file(const std::string& name) const {
        return disk / "ProgramFiles/Settings/TovakRC" / name;
    }

    const tapsim::Region* region(const osd_window* w) const {
        return osd_is_open(w) ? emu->osd().region(w->region) : nullptr;
    }
    int live_regions() const {
        int n = 0;
        for (const tapsim::Region& r : emu->osd().regions())
            n += r.live;
        return n;
    }
    std::string screen() const { return emu->osd().screen_text(); }
    bool screen_has(const std::string& text) const {
        return screen().find(text) != std::string::npos;
    }
    // The visible text runs of a window's region.
    std::vector<tapsim::TextRun> runs(const osd_window* w) const {
        const tapsim::Region* r = region(w);
        return r ? r->runs : std::vector<tapsim::TextRun>{};
    }
    const tapsim::TextRun* run_with(const osd_window* w, const std::string& text) const {
        const tapsim::Region* r = region(w);
        if (!r) return nullptr;
        for (const tapsim::TextRun& run : r->runs)
            if (run.text == text) return &run;
        return nullptr;
    }
    // Where a text run ends when all of it is drawn (its ink may stop earlier when the
    // platform clipped it).
    static int run_right(const tapsim::TextRun& run) {
        std::string latin1 = run.text;
        utf8_to_latin1(latin1.data());
        return run.x + osd_text_width(latin1.c_str());
    }
    uint32_t pixel(const osd_window* w, int x, int y) const {
        const tapsim::Region* r = region(w);
        if (!r || x < 0 || y < 0 || x >= r->place.w || y >= r->place.h) return 0xDEADBEEF;
        return r->px[static_cast<size_t>(y) * r->place.w + x];
    }
    // True when every opaque pixel of the icon (of its first `rows` rows, when given) stands in
    // the region at (x, y) (region coordinates).
    bool icon_at(const osd_window* w, const TYPE_GrData& gd, int x, int y, int rows = -1) const {
        std::vector<uint32_t> px;
        int iw, ih;
        if (!tapsim::gd_decode(static_cast<const uint8_t*>(gd.data),
                               14 + static_cast<size_t>(gd.width) * gd.height * 5, &px, &iw, &ih))
            return false;
        int opaque = 0;
        if (rows >= 0 && rows < ih) ih = rows;
        for (int j = 0; j < ih; ++j)
            for (int i = 0; i < iw; ++i) {
                uint32_t p = px[static_cast<size_t>(j) * iw + i];
                if (!(p >> 24)) continue;
                ++opaque;
                if (pixel(w, x + i, y + j) != p) return false;
            }
        return opaque > 0;
    }
    int calls_named(const std::string& name) const {
        int n = 0;
        for (const tapsim::TraceCall& c : emu->trace().calls())
            n += c.name == name;
        return n;
    }
    // Writes NAME.png and NAME.json into the shots folder (TEST_SHOTS or the test's own).
    void snap(const std::string& name) {
        std::string written;
        EXPECT_TRUE(emu->snap(name, &written)) << name;
    }
    bool writing_shots() const { return getenv("TEST_SHOTS") && *getenv("TEST_SHOTS"); }

    tapsim::Config config = clocked("2026-12-10 20:15:30");
    std::filesystem::path dir, disk;
    std::unique_ptr<tapsim::Emulator> emu;
    settings_record saved_settings{};
    int64_t mem_start = 0;
    std::vector<std::unique_ptr<osd_window>> owned;
    std::vector<osd_window*> windows;
};

// The OSD toolkit's tests draw in the large font.
class OsdTest : public EmuTest {
  protected:
    void SetUp() override {
        EmuTest::SetUp();
        settings.flags |= SET_LARGE_FONT;
    }
};

using CoreTest = EmuTest;

} // namespace emu_test
