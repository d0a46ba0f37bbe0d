// The image viewer on an emulated receiver: a disk with "/Pics", "/Captures" and the settings
// folder, English texts and the viewer's state reset. The teardown closes what the viewer left
// open and checks that every block of the TAP's memory went back.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/memory.h"
#include "common/settings.h"
#include "core/windows.h"
#include "emulator.h"
#include "image/viewer.h"
#include "osd/ibox.h"
#include "osd/key_help.h"
#include "osd/window.h"
#include "osd/window_state.h"

// A rectangle of the screen (inclusive corners); empty until a point is added.
struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    int w() const { return x1 - x0 + 1; }
    int h() const { return y1 - y0 + 1; }
};

class ViewerFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/imageviewer.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        std::filesystem::create_directories(dir / "disk" / "Pics");
        std::filesystem::create_directories(dir / "disk" / "Captures");
        std::filesystem::create_directories(settings_folder());
        tapsim::Config c;
        c.disk = (dir / "disk").string();
        // With IMAGE_SHOTS set, screens a test snaps are written there for a look.
        const char* shots = getenv("IMAGE_SHOTS");
        c.shots = shots && *shots ? shots : (dir / "shots").string();
        emu = std::make_unique<tapsim::Emulator>(c);
        ASSERT_TRUE(emu->ok());
        saved = settings;
        settings = settings_record{};
        settings.flags = SET_ENGLISH;
        window_flags = 0;
        image_state = 0;
        headline_toggle = 0;
        start = mem_outstanding();
    }
    void TearDown() override {
        if (window_flags & WS_HELP) help_box(0x10017, nullptr, nullptr);
        while (ibox_open())
            ibox_show(nullptr, nullptr, 0);
        if (window_flags & WS_IMAGE) image_view(0x10017, nullptr, nullptr);
        osd_release(&image_window);
        osd_close(&image_window);
        screen_give_back();
        EXPECT_EQ(mem_outstanding(), start) << "every block given back";
        window_flags = 0;
        settings = saved;
        emu.reset();
        std::filesystem::remove_all(dir);
    }

    std::filesystem::path settings_folder() const {
        return dir / "disk" / "ProgramFiles" / "Settings" / "TovakRC";
    }
    void file(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / "disk" / "Pics" / name, std::ios::binary) << bytes;
    }
    // Puts the converter programs into the settings folder; false when they are not built.
    bool install_converters() {
#if defined(TOVAK_GIF_PROGRAM) && defined(TOVAK_PNG_PROGRAM)
        std::filesystem::copy_file(TOVAK_GIF_PROGRAM, settings_folder() / "tovak_gif.mips");
        std::filesystem::copy_file(TOVAK_PNG_PROGRAM, settings_folder() / "tovak_png.mips");
        return true;
#else
        return false;
#endif
    }
    // Bounding box of the pixels drawn below the title bar that are not the window's background.
    Box picture_box() {
        std::vector<uint32_t> plane = emu->osd().plane();
        const int top = image_window.screen_y + image_window.margin_y + osd_line_height();
        const int left = image_window.screen_x + image_window.margin_x;
        const int bottom = image_window.screen_y + image_window.margin_y + image_window.height;
        const uint32_t bg = plane[static_cast<size_t>(bottom - 1) * SCREEN_W + left];
        Box b;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < left + image_window.width; ++x)
                if (plane[static_cast<size_t>(y) * SCREEN_W + x] != bg) {
                    b.x0 = std::min(b.x0, x);
                    b.x1 = std::max(b.x1, x);
                    b.y0 = std::min(b.y0, y);
                    b.y1 = std::max(b.y1, y);
                }
        return b;
    }

    std::filesystem::path dir;
    std::unique_ptr<tapsim::Emulator> emu;
    settings_record saved;
    int64_t start = 0;
};
