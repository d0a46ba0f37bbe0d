// The image viewer on an emulated receiver: the unit tests' emulator fixture with "/Pics" and
// "/Captures" on its disk; its teardown closes what the viewer left open and checks that every
// block of the TAP's memory went back.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "emu_fixture.h"
#include "image/viewer.h"

// A rectangle of the screen (inclusive corners); empty until a point is added.
struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    int w() const { return x1 - x0 + 1; }
    int h() const { return y1 - y0 + 1; }
};

class ViewerFixture : public emu_test::EmuTest {
  protected:
    void SetUp() override {
        EmuTest::SetUp();
        std::filesystem::create_directories(disk / "Pics");
        std::filesystem::create_directories(disk / "Captures");
    }

    std::filesystem::path settings_folder() const {
        return disk / "ProgramFiles" / "Settings" / "TovakRC";
    }
    void file(const std::string& name, const std::string& bytes) {
        std::ofstream(disk / "Pics" / name, std::ios::binary) << bytes;
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
};
