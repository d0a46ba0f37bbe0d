// The emulator's parts on their own: clock, graphic codec, disk paths, key names, OSD text
// model and the TAP file reader.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "api.h"
#include "clock.h"
#include "disk.h"
#include "emulator.h"
#include "gd_codec.h"
#include "osd.h"
#include "tap_file.h"

using namespace tapsim;

TEST(Clock, CivilDatesAndModifiedJulianDays) {
    struct Case {
        int y;
        unsigned m, d;
        int64_t mjd;
    } cases[] = {{1970, 1, 1, 40587},
                 {2000, 1, 1, 51544},
                 {2023, 2, 25, 60000},
                 {2024, 2, 29, 60369},
                 {2026, 12, 10, 61384}};
    for (const Case& c : cases) {
        EXPECT_EQ(days_from_civil(c.y, c.m, c.d) + mjd_of_unix_day0, c.mjd) << c.y << "-" << c.m;
        int y;
        unsigned m, d;
        civil_from_days(c.mjd - mjd_of_unix_day0, &y, &m, &d);
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
    }
}

TEST(Clock, ParsesOnlyWellFormedTimes) {
    int64_t s;
    EXPECT_TRUE(parse_clock("2026-12-10 04:30:00", &s));
    EXPECT_EQ(s, days_from_civil(2026, 12, 10) * 86400 + 4 * 3600 + 30 * 60);
    for (const char* bad : {"", "2026-12-10", "2026-13-01 00:00:00", "2026-12-10 24:00:00",
                            "2026-12-10 10:00:00x", "yesterday"})
        EXPECT_FALSE(parse_clock(bad, &s)) << bad;
}

TEST(Clock, LinuxClockIsUnsetForTwoMinutesAfterPowerOn) {
    int64_t local;
    ASSERT_TRUE(parse_clock("2026-12-10 20:15:00", &local));
    Clock c;
    c.set(local, 60, 60);
    EXPECT_EQ(c.linux_time(), 946684800 + 60);
    EXPECT_EQ(c.ticks(), 6000u);
    c.advance_ticks(60 * 100); // 120 s: still unset
    EXPECT_EQ(c.linux_time(), 946684800 + 120);
    c.advance_ticks(100);
    EXPECT_EQ(c.linux_time(), local + 61 - 3600); // the broadcast clock, in UTC
    LocalTime t = c.local();
    EXPECT_EQ(t.mjd, 61384);
    EXPECT_EQ(t.hour, 20);
    EXPECT_EQ(t.minute, 16);
    EXPECT_EQ(t.second, 1);
}

TEST(Clock, SleepsKeepTheirMillisecondRemainder) {
    Clock c;
    c.set(0, 0, 0);
    for (int i = 0; i < 4; ++i)
        c.advance_ms(5);
    EXPECT_EQ(c.ticks(), 2u);
    c.advance_ms(1200);
    EXPECT_EQ(c.ticks(), 122u);
}

TEST(GdCodec, RoundTripsPicturesWithRunsAndLiterals) {
    std::vector<uint32_t> px(24 * 20);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = i % 24 < 12 ? 0xFF0000FF : 0xFF000000 | static_cast<uint32_t>(i * 2654435761u);
    px[5] = 0; // a transparent pixel
    std::vector<uint8_t> block = gd_encode(px.data(), 24, 20);
    ASSERT_EQ(0, std::memcmp(block.data(), gd_magic, sizeof gd_magic));
    std::vector<uint32_t> back;
    int w, h;
    ASSERT_TRUE(gd_decode(block.data(), block.size(), &back, &w, &h));
    EXPECT_EQ(w, 24);
    EXPECT_EQ(h, 20);
    EXPECT_EQ(back, px);
}

TEST(GdCodec, RejectsDamagedBlocks) {
    std::vector<uint32_t> px(18 * 22, 0xFF123456);
    std::vector<uint8_t> block = gd_encode(px.data(), 18, 22);
    std::vector<uint32_t> out;
    int w, h;
    EXPECT_FALSE(gd_decode(block.data(), block.size() - 1, &out, &w, &h)); // truncated
    std::vector<uint8_t> bad = block;
    bad[0] = 1; // not our magic
    EXPECT_FALSE(gd_decode(bad.data(), bad.size(), &out, &w, &h));
    std::vector<uint8_t> tiny = gd_encode(px.data(), 1, 1);
    tiny[14] = 0x85; // a run of 6 pixels in a 1 x 1 picture
    EXPECT_FALSE(gd_decode(tiny.data(), tiny.size(), &out, &w, &h));
}

TEST(Disk, NamesResolveBelowTheDiskRootOnly) {
    Disk d;
    d.attach("/nonexistent", 0);
    struct Case {
        const char* name;
        const char* expect; // null: refused
    } cases[] = {{"a/b", "/a/b"},  {"/x/../y", "/y"},        {"./a//b/", "/a/b"}, {"..", nullptr},
                 {"/..", nullptr}, {"a/../../etc", nullptr}, {"/", "/"},          {"", "/"}};
    for (const Case& c : cases) {
        std::string p;
        bool ok = d.resolve(c.name, &p);
        EXPECT_EQ(ok, c.expect != nullptr) << c.name;
        if (ok && c.expect) EXPECT_EQ(p, c.expect) << c.name;
    }
}

TEST(Disk, FolderSearchFiltersByExtensionAndCutsLongNames) {
    char tmpl[] = "/tmp/disk_search.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const std::string long_name = std::string(200, 'n') + ".rec";
    for (const std::string& f : {std::string("a.rec"), std::string("B.REC"), std::string("c.ts"),
                                 std::string("xrec"), long_name})
        std::ofstream(dir + "/" + f) << "12345";
    ASSERT_EQ(mkdir((dir + "/d.rec").c_str(), 0755), 0);
    Disk d;
    d.attach(dir, 0);
    auto search = [&](const char* extension) {
        std::vector<std::string> names;
        TYPE_FolderEntry e;
        const uint32_t n = d.find_first(&e, extension);
        for (uint32_t i = 0; i < n; ++i) {
            if (i > 0) EXPECT_EQ(d.find_next(&e), 1u);
            EXPECT_EQ(e.name[sizeof e.name - 1], 0) << "the name ends inside the record";
            names.push_back(e.name);
            if (names.back() == "a.rec") {
                EXPECT_EQ(e.attr, ATTR_FILE);
                EXPECT_EQ(e.size, 5);
            }
            if (names.back() == "d.rec") EXPECT_EQ(e.attr, ATTR_FOLDER);
        }
        EXPECT_EQ(d.find_next(&e), 0u) << "nothing after the count";
        return names;
    };
    const std::string cut = long_name.substr(0, 127);
    EXPECT_EQ(search("*"), (std::vector<std::string>{".", "..", "B.REC", "a.rec", "c.ts", "d.rec",
                                                     cut, "xrec"}));
    EXPECT_EQ(search("rec"), (std::vector<std::string>{"B.REC", "a.rec", cut}))
        << "files whose name ends in .rec, in any case";
    EXPECT_EQ(search("mp3"), std::vector<std::string>{});
    std::filesystem::remove_all(dir);
}

TEST(Keys, NamesAndRawCodes) {
    struct Case {
        const char* name;
        uint32_t code;
    } cases[] = {{"Sat", 0x10040}, {">|<", 0x1003E},     {"|<", 0x10041},      {"0", 0x10000},
                 {"F4", 0x10026},  {"0x1003f", 0x1003F}, {"0X10040", 0x10040}, {"sat", 0},
                 {"0x", 0},        {"0xZZ", 0},          {"Bogus", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(key_code(c.name), c.code) << c.name;
}

class OsdModel : public ::testing::Test {
  protected:
    Osd osd;
    int rgn = osd.create(0, 100, 100, 400, 200);
    int put(const char* text, int y) {
        return osd.put_text(rgn, 0, y, 400, text, 0xFFFFFFFF, 0xFF101010, 2);
    }
};

TEST_F(OsdModel, TextStaysVisibleUntilOverdrawn) {
    put("First line", 0);
    put("Second line", 26);
    EXPECT_EQ(osd.screen_text(), "First line\nSecond line\n");
    osd.fill(rgn, 0, 26, 400, 26, 0xFF101010); // clears the second line
    EXPECT_EQ(osd.screen_text(), "First line\n");
    put("Third", 0); // written over the first
    EXPECT_EQ(osd.screen_text(), "Third\n");
}

TEST_F(OsdModel, AFrameRoundTheTextLeavesItVisible) {
    put("Framed", 0);
    osd.rectangle(rgn, 0, 0, 400, 26, 1, 0xFFFFFF00);
    EXPECT_EQ(osd.screen_text(), "Framed\n");
    osd.pixel(rgn, 10, 13, 0xFFFF0000); // but a pixel through the letters hides it
    EXPECT_EQ(osd.screen_text(), "");
}

TEST_F(OsdModel, DeletedAndCoveredRegionsShowNoText) {
    put("Below", 0);
    int top = osd.create(0, 50, 50, 600, 300);
    osd.fill(top, 0, 0, 600, 300, 0xFF000000);
    EXPECT_EQ(osd.screen_text(), "");
    osd.fill(top, 0, 0, 600, 300, 0); // transparent again: the text shows through
    EXPECT_EQ(osd.screen_text(), "Below\n");
    osd.remove(rgn);
    EXPECT_EQ(osd.screen_text(), "");
}

TEST_F(OsdModel, RestoringASavedBoxBringsItsTextBack) {
    put("Saved", 0);
    SavedBox box;
    ASSERT_TRUE(osd.save(rgn, 0, 0, 400, 200, &box));
    osd.fill(rgn, 0, 0, 400, 200, 0xFF101010);
    EXPECT_EQ(osd.screen_text(), "");
    osd.restore(rgn, 0, 0, box);
    EXPECT_EQ(osd.screen_text(), "Saved\n");
}

TEST_F(OsdModel, TextIsClippedAtItsRightLimitAndConvertedFromLatin1) {
    int full = osd.text_width("Gr\xFC\xDF"
                              "e",
                              2);
    EXPECT_GT(full, 0);
    EXPECT_EQ(osd.put_text(rgn, 0, 0, 400,
                           "Gr\xFC\xDF"
                           "e",
                           0xFFFFFFFF, 0, 2),
              full);
    EXPECT_EQ(osd.screen_text(), "Grüße\n");
    int part = osd.put_text(rgn, 0, 30, 10, "Wide text", 0xFFFFFFFF, 0, 1);
    EXPECT_LE(part, 10);
    EXPECT_EQ(osd.region(rgn)->runs.size(), part > 0 ? 2u : 1u);
}

TEST(OsdRegions, CreationIsBoundedAndChecked) {
    Osd osd;
    EXPECT_EQ(osd.create(0, 0, 0, 0, 10), -1);
    EXPECT_EQ(osd.create(0, 0, 0, 721, 10), -1);
    int n = 0;
    while (osd.create(0, 0, 0, 10, 10) >= 0)
        ++n;
    EXPECT_EQ(n, 32);
    EXPECT_FALSE(osd.fill(99, 0, 0, 1, 1, 0));
    std::vector<uint32_t> screen = osd.compose();
    EXPECT_EQ(screen.size(), 720u * 576u);
}

TEST(TapFile, ReadsTheHeaderOfABuiltTap) {
    TapFileInfo info;
    std::string why;
    ASSERT_TRUE(read_tap_file(TOVAK_TAP_TOVAKRC, &info, &why)) << why;
    EXPECT_TRUE(check_tap_header(info, &why)) << why;
    EXPECT_EQ(tap_section_text(info, "._tap_program_name"), "TovakRC v4.92a");
    EXPECT_EQ(tap_section_text(info, "._tap_author_name"), "www.tovak.test");
}

TEST(TapFile, RefusesFilesWithoutATapHeader) {
    const std::string folder_name = make_temp_dir("notatap");
    ASSERT_FALSE(folder_name.empty());
    const std::string name = folder_name + "/file";
    struct Case {
        std::string bytes;
        bool readable;
    } cases[] = {{"", false},
                 {"\177ELF", false},
                 {std::string("\177ELF\1\1\1", 7) + std::string(60, '\0'), false}};
    for (const Case& c : cases) {
        std::ofstream(name, std::ios::binary) << c.bytes;
        TapFileInfo info;
        std::string why;
        EXPECT_EQ(read_tap_file(name, &info, &why) && check_tap_header(info, &why), c.readable);
    }
    TapFileInfo folder;
    std::string folder_why;
    EXPECT_FALSE(read_tap_file(folder_name, &folder, &folder_why)) << "a folder is no TAP";
    // A shared object that is no TAP: the host's own C library.
    TapFileInfo libc;
    std::string why;
    if (read_tap_file("/lib/x86_64-linux-gnu/libc.so.6", &libc, &why))
        EXPECT_FALSE(check_tap_header(libc, &why));
    std::filesystem::remove_all(folder_name);
}

TEST(Guide, FixtureTimesAreMinutesFromTheStartMoment) {
    const std::string dir = make_temp_dir("guide_fixture");
    ASSERT_FALSE(dir.empty());
    const std::string fixture = dir + "/fixture.json";
    std::ofstream(fixture) << R"({"channels": {"tv": [{"name": "One", "freq": 12188, "events": [
        {"start": -30, "length": 60, "name": "Now", "text": "t", "ext": "long"},
        {"start": 30, "length": 45, "name": "Next"}]}, "Two"], "radio": []},
        "timers": [{"type": 0, "num": 1, "start": 90, "duration": 20, "file": "Late"}],
        "recordings": [{"type": 0, "num": 1, "file": "Two.rec"}]})";
    struct Case {
        const char* clock;
        dword now_start, timer_start;
    } cases[] = {
        {"2026-12-10 23:00:00", 61384u << 16 | 22 << 8 | 30, 61385u << 16 | 0 << 8 | 30},
        {"2027-01-01 08:05:30", 61406u << 16 | 7 << 8 | 35, 61406u << 16 | 9 << 8 | 35},
    };
    for (const Case& c : cases) {
        Config config;
        config.fixture = fixture;
        config.clock = c.clock;
        Emulator emu(config);
        ASSERT_TRUE(emu.ok()) << emu.error();
        int count = 0;
        TYPE_TapEvent* events = api::TAP_GetEvent(0, 0, &count);
        ASSERT_EQ(count, 2);
        EXPECT_EQ(events[0].startTime, c.now_start) << c.clock;
        EXPECT_EQ(events[0].endTime - events[0].startTime, 1u << 8) << "an hour later";
        EXPECT_EQ(events[0].runningStatus, 4);
        EXPECT_STREQ(events[1].eventName, "Next");
        byte* ext = api::TAP_EPG_GetExtInfo(&events[0]);
        ASSERT_NE(ext, nullptr);
        EXPECT_STREQ(reinterpret_cast<char*>(ext), "long");
        EXPECT_EQ(api::TAP_EPG_GetExtInfo(&events[1]), nullptr);
        api::TAP_MemFree(ext);
        api::TAP_MemFree(events);
        EXPECT_EQ(api::TAP_GetEvent(0, 1, &count), nullptr) << "a channel without a guide";
        EXPECT_EQ(count, 0);
        TYPE_TapChInfo info;
        ASSERT_TRUE(api::TAP_Channel_GetInfo(0, 0, &info));
        EXPECT_EQ(info.freq, 12188);
        EXPECT_STREQ(info.chName, "One");
        EXPECT_FALSE(api::TAP_Channel_GetInfo(1, 0, &info));
        ASSERT_EQ(api::TAP_Timer_GetTotalNum(), 1);
        TYPE_TimerInfo timer;
        ASSERT_TRUE(api::TAP_Timer_GetInfo(0, &timer));
        EXPECT_EQ(timer.startTime, c.timer_start);
        EXPECT_EQ(timer.duration, 20);
        EXPECT_STREQ(timer.fileName, "Late");
        EXPECT_FALSE(api::TAP_Timer_GetInfo(1, &timer));
        // 22010: two slots; the fixture's recording in the first, the live channel in the
        // second, then none is free.
        TYPE_RecInfo rec;
        ASSERT_TRUE(api::TAP_Hdd_GetRecInfo(0, &rec));
        EXPECT_EQ(rec.recType, 1);
        EXPECT_EQ(rec.svcNum, 1);
        EXPECT_EQ(api::TAP_Hdd_StartRecord(), 1);
        EXPECT_EQ(emu.state().recordings[1].file, "Now.rec");
        EXPECT_TRUE(std::filesystem::exists(emu.disk_dir() + "/DataFiles/Now.rec.inf"));
        EXPECT_EQ(api::TAP_Hdd_StartRecord(), 0);
        EXPECT_FALSE(api::TAP_Hdd_GetRecInfo(2, &rec));
        EXPECT_EQ(api::TAP_Hdd_StopRecord(1), 1);
        EXPECT_EQ(api::TAP_Hdd_StopRecord(1), 0);
        EXPECT_EQ(api::TAP_Channel_Start(1, 0, 5), 1) << "no such channel";
        EXPECT_EQ(api::TAP_Channel_Start(1, 0, 1), 0);
        EXPECT_EQ(emu.state().current_num, 1);
    }
    std::filesystem::remove_all(dir);
}
