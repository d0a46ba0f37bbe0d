// The firmware's picture services as a TAP calls them: JPEG decoding with its memory limit,
// the video capture and the OSD plane.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "emu_fixture.h"
#include "emulator.h"
#include "pictures.h"

namespace fs = std::filesystem;

namespace {

// Left half red, right half blue.
void write_jpeg(const fs::path& path, int w, int h) {
    std::ofstream(path, std::ios::binary) << tapsim::jpeg_encode(
        [&](int x, int) { return x < w / 2 ? 0xFFFF0000u : 0xFF0000FFu; }, w, h, "", 95);
}

bool near(uint32_t px, uint32_t want) {
    for (int shift : {0, 8, 16, 24}) {
        int a = (px >> shift) & 255, b = (want >> shift) & 255;
        if (a - b > 24 || b - a > 24) return false;
    }
    return true;
}

class Pictures : public emu_test::EmuTest {
  protected:
    void SetUp() override {
        EmuTest::SetUp();
        fs::create_directories(disk / "DataFiles");
        write_jpeg(disk / "DataFiles" / "halves.jpg", 400, 300);
        emu_test::write_file(disk / "DataFiles" / "text.jpg", "not a picture");
        emu->state().jpeg_max_pixels = 100 * 100;
        ASSERT_EQ(TAP_Hdd_ChangeDir("/DataFiles"), 1);
    }
};

} // namespace

TEST_F(Pictures, JpegIsDecodedAtTheRequestedSizeWithinTheFirmwaresMemory) {
    EXPECT_EQ(TAP_Osd_DecompressJpeg("halves.jpg", 120, 90, 0), nullptr) << "above the limit";
    auto* px = static_cast<dword*>(TAP_Osd_DecompressJpeg("halves.jpg", 100, 75, 0));
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(emu->mem_blocks(), 1u) << "the block lies in the TAP's heap";
    EXPECT_TRUE(near(px[10 * 100 + 5], 0xFFFF0000)) << std::hex << px[10 * 100 + 5];
    EXPECT_TRUE(near(px[74 * 100 + 95], 0xFF0000FF)) << std::hex << px[74 * 100 + 95];
    EXPECT_EQ(TAP_MemFree(px), 1);
    EXPECT_EQ(emu->mem_blocks(), 0u);
}

TEST_F(Pictures, WhatIsNoJpegGivesNoPixels) {
    for (const char* name : {"text.jpg", "missing.jpg", "../../etc/passwd", ""})
        EXPECT_EQ(TAP_Osd_DecompressJpeg(name, 10, 10, 0), nullptr) << name;
    EXPECT_EQ(TAP_Osd_DecompressJpeg("halves.jpg", 0, 10, 0), nullptr);
    EXPECT_EQ(emu->mem_blocks(), 0u);
}

TEST_F(Pictures, VideoCaptureFailsWhileThePictureIsPaused) {
    TYPE_VideoFrame frame{};
    ASSERT_EQ(TAP_CaptureScreen(CHANNEL_Main, &frame, 0), 0);
    ASSERT_NE(frame.data, nullptr);
    EXPECT_EQ(frame.pixelFormat, OSD_8888);
    EXPECT_EQ(frame.width, 1280u);
    EXPECT_EQ(frame.height, 720u);
    EXPECT_EQ(static_cast<const dword*>(frame.data)[0] >> 24, 0xFFu);
    EXPECT_EQ(emu->mem_blocks(), 0u) << "the picture stays the firmware's";
    EXPECT_NE(TAP_CaptureScreen(CHANNEL_Sub, &frame, 0), 0) << "only the main picture";
    emu->state().play.trick = 4;
    EXPECT_NE(TAP_CaptureScreen(CHANNEL_Main, &frame, 0), 0);
    EXPECT_EQ(frame.data, nullptr);
}

TEST_F(Pictures, OsdPlaneHoldsTheRegionsOverTransparency) {
    int rgn = TAP_Osd_Create(100, 50, 20, 10, 0, 0);
    ASSERT_GE(rgn, 0);
    TAP_Osd_FillBox(static_cast<word>(rgn), 0, 0, 20, 10, 0xFF123456);
    TYPE_OsdBaseInfo info{};
    ASSERT_EQ(TAP_Osd_GetPlaneBaseInfo(&info, TAP_PLANE), 0);
    ASSERT_NE(info.frameBuffer, nullptr);
    EXPECT_EQ(info.width, 720u);
    EXPECT_EQ(info.height, 576u);
    EXPECT_EQ(info.bytePerPixel, 4u);
    EXPECT_EQ(info.dataFormat, OSD_8888);
    const auto* px = static_cast<const dword*>(info.frameBuffer);
    EXPECT_EQ(px[55 * 720 + 105], 0xFF123456u);
    EXPECT_EQ(px[0], 0u);
    ASSERT_EQ(TAP_Osd_GetPlaneBaseInfo(&info, BASE_PLANE), 0);
    EXPECT_EQ(static_cast<const dword*>(info.frameBuffer)[55 * 720 + 105], 0u)
        << "teletext plane is empty";
    EXPECT_NE(TAP_Osd_GetPlaneBaseInfo(&info, SUBT_PLANE), 0);
}
