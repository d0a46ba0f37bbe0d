// What the live view (tapsim --serve) reads from the emulator: the screen's change count, the
// trace's lines as they are written, and PNG pictures made in memory.
#include <gtest/gtest.h>

#include <png.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "osd.h"
#include "png_out.h"
#include "temp_dir.h"
#include "trace.h"

using namespace tapsim;

TEST(LiveView, EveryDrawingCountsAsAChangeAndReadingDoesNot) {
    Osd osd;
    const int rgn = osd.create(0, 10, 10, 100, 50);
    ASSERT_GE(rgn, 0);
    SavedBox box;
    ASSERT_TRUE(osd.save(rgn, 0, 0, 10, 10, &box));
    struct Case {
        const char* what;
        std::function<void()> call;
        bool changes;
    } cases[] = {
        {"fill", [&] { osd.fill(rgn, 0, 0, 10, 10, 0xFFFF0000); }, true},
        {"text", [&] { osd.put_text(rgn, 0, 0, 99, "Ok", 0xFFFFFFFF, 0xFF000000, 1); }, true},
        {"pixel", [&] { osd.pixel(rgn, 1, 1, 0xFF00FF00); }, true},
        {"rectangle", [&] { osd.rectangle(rgn, 0, 0, 20, 20, 2, 0xFF0000FF); }, true},
        {"restore", [&] { osd.restore(rgn, 0, 0, box); }, true},
        {"new region", [&] { osd.create(0, 0, 0, 20, 20); }, true},
        {"region removed", [&] { osd.remove(rgn + 1); }, true},
        {"compose", [&] { osd.compose(); }, false},
        {"screen texts", [&] { osd.screen_json(), osd.screen_text(); }, false},
        {"region looked at", [&] { osd.region(rgn); }, false},
        {"save", [&] { osd.save(rgn, 0, 0, 10, 10, &box); }, false},
        {"a region that is not there", [&] { osd.fill(rgn + 5, 0, 0, 1, 1, 0); }, false},
    };
    for (const Case& c : cases) {
        const uint64_t before = osd.changes();
        c.call();
        EXPECT_EQ(osd.changes() != before, c.changes) << c.what;
    }
}

TEST(LiveView, TraceListenerGetsTheLinesOfTheFile) {
    const std::string dir = make_temp_dir("live_view");
    ASSERT_FALSE(dir.empty());
    std::vector<std::string> heard;
    {
        Trace trace;
        ASSERT_TRUE(trace.open(dir + "/trace"));
        trace.on_line = [&](const std::string& line) { heard.push_back(line); };
        trace.event(60001, 0, "key", 0x10040, 0);
        trace.call(60002, "TAP_Hdd_Delete", {1, -2}, "a \"b\"");
        trace.event(60003, 1, "idle", 0, 0);
    }
    std::ifstream in(dir + "/trace");
    std::vector<std::string> written;
    for (std::string line; std::getline(in, line);)
        written.push_back(line);
    EXPECT_EQ(heard, written);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[1], R"({"tick":60002,"call":"TAP_Hdd_Delete","args":[1,-2],"text":"a \"b\""})");
    // Without a file the listener still hears every line.
    Trace quiet;
    std::string last;
    quiet.on_line = [&](const std::string& line) { last = line; };
    quiet.event(7, 0, "stop", 0, 0);
    EXPECT_EQ(last, R"({"tick":7,"tap":0,"ev":"stop","code":"0x0","result":"0x0"})");
    std::filesystem::remove_all(dir);
}

TEST(LiveView, PngInMemoryReadsBackAsTheSamePixels) {
    // A 7 x 3 picture with every channel varying, alpha included.
    std::vector<uint32_t> px(21);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = static_cast<uint32_t>((i * 37 % 256) << 24 | (i * 11) << 16 | (i * 5) << 8 | i);
    for (bool alpha : {true, false}) {
        std::vector<uint8_t> file;
        ASSERT_TRUE(encode_png(px.data(), 7, 3, alpha, &file)) << alpha;
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size())) << alpha;
        EXPECT_EQ(image.width, 7u);
        EXPECT_EQ(image.height, 3u);
        EXPECT_EQ((image.format & PNG_FORMAT_FLAG_ALPHA) != 0, alpha);
        image.format = PNG_FORMAT_BGRA; // as 0xAARRGGBB little-endian
        std::vector<uint32_t> back(21);
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr));
        for (size_t i = 0; i < px.size(); ++i)
            EXPECT_EQ(back[i], alpha ? px[i] : px[i] | 0xFF000000) << i << " alpha " << alpha;
    }
}
