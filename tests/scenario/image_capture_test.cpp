// Screen capture through the keys: TAP key + Sleep writes the screen into "/Captures".
#include <cstring>
#include <fstream>
#include <iterator>

#include "common/settings.h"
#include "scenario.h"

using scenario::Scenario;

namespace {

uint32_t le32(const std::string& s, size_t at) {
    return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 |
           static_cast<uint8_t>(s[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

class Capture : public Scenario {
  protected:
    void SetUp() override {
        Scenario::SetUp();
        settings_record s{};
        s.initialised = 1;
        s.flags = SET_ENGLISH | SET_START_LISTENING;
        s.tf_model = 1;
        s.rc_model = 1;
        std::filesystem::path folder = disk_path("/ProgramFiles/Settings/TovakRC");
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "TovakRC.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
        ASSERT_EQ(load(), 0);
        emu->on_sleep = [this](uint32_t) { shown += screen(); };
    }
    std::string read(const std::string& receiver_path) {
        std::ifstream in(disk_path(receiver_path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string shown; // what was on screen while the TAP slept (timed messages)
};

TEST_F(Capture, EachReceiverStateHasItsSource) {
    struct Case {
        const char* what;
        uint32_t state, sub_state;
        const char* file;
        uint32_t width, height, x_ppm, y_ppm;
    } cases[] = {
        {"TV picture", 0, 0x1F, "/Captures/video_00.bmp", 1280, 720, 0, 0},
        {"teletext", 4, 0, "/Captures/ttx_00.bmp", 720, 576, 9000, 12800},
        {"receiver menu", 2, 0, "/Captures/tap_00.bmp", 720, 576, 9000, 12800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        emu->state().state = c.state;
        emu->state().sub_state = c.sub_state;
        shown.clear();
        run("Sat Sleep");
        const std::string f = read(c.file);
        ASSERT_GE(f.size(), 54u);
        const uint32_t row = (3 * c.width + 3) & ~3u;
        EXPECT_EQ(f.substr(0, 2), "BM");
        EXPECT_EQ(le32(f, 2), 54 + row * c.height);
        EXPECT_EQ(f.size(), 54 + row * c.height);
        EXPECT_EQ(le32(f, 10), 54u);
        EXPECT_EQ(le32(f, 14), 40u);
        EXPECT_EQ(le32(f, 18), c.width);
        EXPECT_EQ(le32(f, 22), c.height);
        EXPECT_EQ(le32(f, 26), 1u | 24u << 16); // planes, bits
        EXPECT_EQ(le32(f, 34), row * c.height);
        EXPECT_EQ(le32(f, 38), c.x_ppm);
        EXPECT_EQ(le32(f, 42), c.y_ppm);
        EXPECT_NE(shown.find(std::string(c.file) + " OK."), std::string::npos) << shown;
    }
}

TEST_F(Capture, NumbersContinueAfterExistingFiles) {
    std::ofstream(disk_path("/Captures/video_00.bmp")) << "x";
    std::ofstream(disk_path("/Captures/video_01.bmp")) << "x";
    run("Sat Sleep");
    EXPECT_TRUE(std::filesystem::exists(disk_path("/Captures/video_02.bmp")));
    EXPECT_EQ(read("/Captures/video_00.bmp"), "x") << "existing captures stay";
    run("Sat Sleep");
    EXPECT_TRUE(std::filesystem::exists(disk_path("/Captures/video_03.bmp")));
}

TEST_F(Capture, PausedPictureIsNotCaptured) {
    emu->state().paused = true;
    run("Sat Sleep");
    EXPECT_NE(shown.find("No screen capture during pause."), std::string::npos) << shown;
    EXPECT_TRUE(std::filesystem::is_empty(disk_path("/Captures")));
}

TEST_F(Capture, MissingCapturesFolderWritesNothing) {
    std::filesystem::remove_all(disk_path("/Captures"));
    run("Sat Sleep");
    EXPECT_FALSE(std::filesystem::exists(disk_path("/Captures")));
    EXPECT_EQ(shown.find("OK."), std::string::npos) << shown;
}

} // namespace

namespace {

TEST_F(Capture, FullDiskIsReportedAndLeavesNoFile) {
    struct Case {
        uint32_t language;
        const char* message;
    } cases[] = {
        {SET_ENGLISH, "Not written, disk full?"},
        {0, "Nicht geschrieben, Platte voll?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        emu.reset();
        settings_record s{};
        s.initialised = 1;
        s.flags = c.language | SET_START_LISTENING;
        s.tf_model = 1;
        s.rc_model = 1;
        std::ofstream(disk_path("/ProgramFiles/Settings/TovakRC/TovakRC.ini"), std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
        tapsim::Config config;
        config.disk_room = 64 * 1024; // far less than a 1280 x 720 picture
        start(config);
        ASSERT_EQ(load(), 0);
        emu->on_sleep = [this](uint32_t) { shown += screen(); };
        shown.clear();
        run("Sat Sleep");
        EXPECT_NE(shown.find("/Captures/video_00.bmp: " + std::string(c.message)),
                  std::string::npos)
            << shown;
        EXPECT_EQ(shown.find("OK."), std::string::npos) << shown;
        EXPECT_FALSE(std::filesystem::exists(disk_path("/Captures/video_00.bmp")))
            << "no short picture is left behind";
        // The OSD plane over the browser does not fit either.
        run("Sat Filelist");
        shown.clear();
        run("Sat Sleep");
        EXPECT_NE(shown.find(c.message), std::string::npos) << shown;
        run("Exit");
    }
}

} // namespace
