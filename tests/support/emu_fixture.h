// Tests of the OSD toolkit: an emulator in this process (the toolkit's TAP code is linked into
// the test program and calls the TAP API directly), the settings record set to a known state,
// and a check that every allocation was given back when the test has closed its windows.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/memory.h"
#include "common/settings.h"
#include "emulator.h"
#include "gd_codec.h"
#include "osd/ibox.h"
#include "osd/key_help.h"
#include "osd/line_edit.h"
#include "osd/window.h"
#include "osd/window_state.h"

namespace osd_test {

class OsdTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/osd_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        std::filesystem::create_directories(dir / "disk/ProgramFiles/Settings/TovakRC");
        tapsim::Config config;
        config.disk = (dir / "disk").string();
        config.usb = (dir / "usb").string();
        const char* shots = getenv("OSD_SHOTS");
        config.shots = shots && *shots ? shots : (dir / "shots").string();
        emu = std::make_unique<tapsim::Emulator>(config);
        ASSERT_TRUE(emu->ok()) << emu->error();
        saved_settings = settings;
        settings = settings_record{};
        settings.flags = SET_ENGLISH | SET_LARGE_FONT;
        window_flags = 0;
        title_tick = step_ticks = 0;
        history_clear();
        mem_start = mem_outstanding();
    }

    void TearDown() override {
        // Whatever a test left open is closed the way a user would close it.
        if (line_edit_open()) line_edit(0x10017, 0, nullptr, nullptr, nullptr);
        if (window_flags & WS_HELP) help_box(0x10017, nullptr, nullptr);
        while (ibox_open())
            ibox_show(nullptr, nullptr, 0);
        for (osd_window* w : windows) {
            osd_release(w);
            osd_close(w);
        }
        history_clear();
        EXPECT_EQ(mem_outstanding(), mem_start) << "blocks not given back";
        screen_give_back();
        active_window = nullptr;
        emu.reset();
        settings = saved_settings;
        window_flags = 0;
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // A window record owned by the test (closed at the end).
    osd_window* window() {
        owned.push_back(std::make_unique<osd_window>());
        *owned.back() = osd_window{};
        windows.push_back(owned.back().get());
        return owned.back().get();
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
    // Writes NAME.png and NAME.json into the shots folder (OSD_SHOTS or the test's own).
    void snap(const std::string& name) {
        std::string written;
        EXPECT_TRUE(emu->snap(name, &written)) << name;
    }

    std::filesystem::path dir;
    std::unique_ptr<tapsim::Emulator> emu;
    settings_record saved_settings{};
    int64_t mem_start = 0;
    std::vector<std::unique_ptr<osd_window>> owned;
    std::vector<osd_window*> windows;
};

} // namespace osd_test
