// Recording file groups: companions renamed and deleted with their stream, the header reader
// with its packed copy, repair and conversion of big-endian headers, and file activity.
#include <sys/stat.h>
#include <utime.h>

#include <cstring>
#include <string>

#include "browser/recording.h"
#include "common/byte_order.h"
#include "emu_fixture.h"

using emu_test::CoreTest;
using emu_test::read_file;
using emu_test::write_file;
namespace fs = std::filesystem;

namespace {

// A header of this receiver: magic, version, start word, event name with its length byte.
std::string header(size_t size, uint16_t version = 0x8000, uint32_t start = 0xEA001420u) {
    std::string h(size, '\0');
    if (size >= 6) {
        memcpy(&h[0], "TFrc", 4);
        h[4] = static_cast<char>(version);
        h[5] = static_cast<char>(version >> 8);
    }
    if (size >= 12)
        for (int i = 0; i < 4; ++i)
            h[8 + i] = static_cast<char>(start >> (8 * i));
    if (size >= 100) {
        h[85] = 20; // longer than the text
        memcpy(&h[87], "Tagesschau", 10);
        memcpy(&h[42], "Das Erste", 9);
    }
    return h;
}

// Bytes packed into transport packets (188 or 192 bytes each) carrying `data`.
std::string packets(const std::string& data, int packet, size_t count = 20) {
    std::string out;
    size_t at = 0;
    for (size_t i = 0; i < count; ++i) {
        std::string p(packet, '\0');
        size_t head = packet == 192 ? 4 : 0;
        p[head] = 0x47;
        p[head + 1] = 0x1F;
        size_t n = std::min<size_t>(packet - head - 4, at < data.size() ? data.size() - at : 0);
        if (n) memcpy(&p[head + 4], data.data() + at, n);
        at += packet - head - 4;
        out += p;
    }
    return out;
}

class Recording : public CoreTest {
  protected:
    void TearDown() override {
        inf_release();
        emu->state().recordings[0].file = emu->state().recordings[1].file = "";
        CoreTest::TearDown();
    }
    fs::path data(const std::string& name) const { return disk / "DataFiles" / name; }
};

} // namespace

TEST_F(Recording, NameClassesAreCaseInsensitive) {
    struct Case {
        const char* name;
        bool recording, companion;
    } cases[] = {
        {"a.rec", true, false},    {"a.TS", true, false},   {"a.rec.inf", false, true},
        {"a.ts.NAV", false, true}, {"a.inf", false, false}, {"a.mpg.inf", false, false},
        {".rec.inf", false, true}, {"inf", false, false},   {"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(is_recording_name(c.name), c.recording) << c.name;
        EXPECT_EQ(is_companion_name(c.name), c.companion) << c.name;
    }
}

TEST_F(Recording, TransportStreamCheck) {
    std::string ok188 = packets("x", 188), ok192 = packets("x", 192);
    std::string error_bit = ok188;
    error_bit[188 + 1] = static_cast<char>(0x9F);
    std::string lost_sync = ok188;
    lost_sync[188 * 5] = 0x46;
    struct Case {
        const std::string* bytes;
        int packet;
        bool ok;
    } cases[] = {
        {&ok188, 188, true},  {&ok188, 192, false},     {&ok192, 192, true},
        {&ok192, 188, false}, {&error_bit, 188, false}, {&lost_sync, 188, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            ts_check(reinterpret_cast<const uint8_t*>(c.bytes->data()), c.bytes->size(), c.packet),
            c.ok)
            << c.packet;
}

TEST_F(Recording, HeaderReaderAcceptsOnlyCompleteHeaders) {
    struct Case {
        const char* what;
        std::string inf;
        bool valid;
    } cases[] = {
        {"2000 bytes", header(2000), false},
        {"2128 bytes", header(2128), true},
        {"full size", header(3320), true},
        {"packed-copy version", header(2128, 0x8001), true},
        {"other version", header(2128, 0x8002), false},
        {"other magic", "XFrc" + header(2128).substr(4), false},
    };
    for (const Case& c : cases) {
        write_file(data("r.rec.inf"), c.inf);
        const rec_header* h = inf_read("/DataFiles", "r.rec", false);
        EXPECT_EQ(h != nullptr, c.valid) << c.what;
        if (h) {
            EXPECT_EQ(inf_start(h), 0xEA001420u) << c.what;
        }
        EXPECT_EQ(inf_read("/DataFiles", "r.rec.inf", true) != nullptr, c.valid) << c.what;
    }
}

TEST_F(Recording, EventNameIsNormalisedUnlessRaw) {
    write_file(data("r.rec.inf"), header(2200));
    const rec_header* h = inf_read("/DataFiles", "r.rec", false);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->name_length, 10);
    EXPECT_STREQ(h->event_name, "Tagesschau");
    EXPECT_STREQ(h->channel, "Das Erste");
    h = inf_read("/DataFiles", "r.rec", true);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->name_length, 20);
}

TEST_F(Recording, StreamWithoutInfGivesItsPackedHeader) {
    std::string stream = packets(header(3680), 188) + std::string(80, 'x');
    write_file(data("p.ts"), stream);
    const rec_header* h = inf_read("/DataFiles", "p.ts", false);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(inf_version(h), 0x8001);
    EXPECT_EQ(inf_start(h), 0xEA001420u);
    // A stream shorter than 3840 bytes, or one without packets, has no header.
    write_file(data("short.ts"), stream.substr(0, 3800));
    EXPECT_EQ(inf_read("/DataFiles", "short.ts", false), nullptr);
    write_file(data("plain.ts"), std::string(4000, 'G'));
    EXPECT_EQ(inf_read("/DataFiles", "plain.ts", false), nullptr);
    EXPECT_EQ(inf_read("/DataFiles", "missing.ts", false), nullptr);
}

TEST_F(Recording, RepairTellsPackedHeadersAndPacksBigEndianOnes) {
    std::string big(3760, '\0');
    memcpy(&big[0], "TFrc\x50\x00", 6);
    big[3700] = 'T'; // behind the packed area
    struct Case {
        const char* what;
        std::string bytes;
        int result;
    } cases[] = {
        {"188-byte packets", packets(header(3680), 188), 1},
        {"192-byte packets", packets(header(3680), 192), 2},
        {"big-endian header", big, 1},
        {"header of this receiver", header(3760), 0},
        {"short big-endian header", big.substr(0, 3000), 0},
    };
    for (const Case& c : cases) {
        fs::path p = data("r.rec.inf");
        write_file(p, c.bytes);
        struct utimbuf old = {1000000000, 1000000000};
        ASSERT_EQ(utime(p.c_str(), &old), 0);
        EXPECT_EQ(inf_repair("/DataFiles", "r.rec", false), c.result) << c.what;
        EXPECT_EQ(read_file(p), c.bytes) << c.what << ": nothing written without write";
        EXPECT_EQ(inf_repair("/DataFiles", "r.rec", true), c.result) << c.what;
        std::string after = read_file(p);
        bool packed_now = c.bytes == big;
        EXPECT_EQ(after != c.bytes, packed_now) << c.what;
        if (packed_now) {
            EXPECT_TRUE(ts_check(reinterpret_cast<const uint8_t*>(after.data()), 3760, 188));
            struct stat st;
            ASSERT_EQ(stat(p.c_str(), &st), 0);
            EXPECT_EQ(st.st_mtime, 1000000000) << "the modification time is kept";
        }
    }
    EXPECT_EQ(inf_repair("/DataFiles", "none.rec", true), -1);
}

TEST_F(Recording, BigEndianHeaderIsConverted) {
    std::string be(3680, '\0');
    memcpy(&be[0], "TFrc\x50\x00", 6);
    auto put_be32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            be[at + i] = static_cast<char>(v >> (24 - 8 * i));
    };
    put_be32(76, 0xEA001420u);
    put_be32(80, 0x11223344u);
    put_be32(2124, 0xA1B2C3D4u);
    be[12] = 0x01; // 0x0102 minutes
    be[13] = 0x02;
    be[70] = 5;
    be[71] = 30;
    memcpy(&be[42], "ZDF", 3);
    be[85] = 5;
    memcpy(&be[87], "heute", 5);
    const char ext[] = "A\x8A"
                       "B\0C\0D";
    be[362] = 0;
    be[363] = 7;
    memcpy(&be[368], ext, 7);
    put_be32(1416, 100);
    put_be32(1420, 200);
    std::string packed = packets(be, 188);
    rec_header out;
    inf_convert(reinterpret_cast<const uint8_t*>(packed.data()), &out);
    EXPECT_EQ(memcmp(out.magic, "TFrc", 4), 0);
    EXPECT_EQ(inf_version(&out), 0x8000);
    EXPECT_EQ(inf_start(&out), 0xEA001420u);
    EXPECT_EQ(get_le32(out.word76), 0xEA001420u);
    EXPECT_EQ(get_le32(out.word80), 0x11223344u);
    EXPECT_EQ(get_le32(out.extra), 0xA1B2C3D4u);
    EXPECT_EQ(get_le16(out.duration), 0x0102);
    EXPECT_EQ(out.event_minutes, 30);
    EXPECT_EQ(out.event_hours, 5);
    EXPECT_STREQ(out.channel, "ZDF");
    EXPECT_EQ(out.name_length, 5);
    EXPECT_EQ(std::string(out.event_name, 5), "heute");
    EXPECT_EQ(get_le16(out.extended_length), 7);
    EXPECT_EQ(std::string(out.extended, 7), "A\nB\nC\tD");
    EXPECT_EQ(get_le32(out.bookmark_count), 2u);
    EXPECT_EQ(get_le32(out.bookmarks[1]), 200u);
    // A bookmark beyond 10,000,000 clears the count.
    put_be32(1424, 10000001);
    packed = packets(be, 188);
    inf_convert(reinterpret_cast<const uint8_t*>(packed.data()), &out);
    EXPECT_EQ(get_le32(out.bookmark_count), 0u);
    // The converted header passes the reader.
    EXPECT_NE(inf_parse(reinterpret_cast<const uint8_t*>(&out), sizeof out, false), nullptr);
}

TEST_F(Recording, RenameMovesTheWholeGroup) {
    struct Case {
        const char* what;
        std::vector<std::string> files; // below /DataFiles
        std::string from, to;
        int result;
        std::vector<std::string> after;
    } cases[] = {
        {"recording with both companions",
         {"a.rec", "a.rec.inf", "a.rec.nav"},
         "a.rec",
         "b.rec",
         0,
         {"b.rec", "b.rec.inf", "b.rec.nav"}},
        {"missing .nav is no error",
         {"a.rec", "a.rec.inf"},
         "a.rec",
         "b.rec",
         0,
         {"b.rec", "b.rec.inf"}},
        {"other files keep their namesakes",
         {"a.txt", "a.txt.inf"},
         "a.txt",
         "b.txt",
         0,
         {"a.txt.inf", "b.txt"}},
        {"missing source", {"x.rec.inf"}, "a.rec", "b.rec", -1, {"x.rec.inf"}},
        {"existing target is kept", {"a.rec", "b.rec"}, "a.rec", "b.rec", -1, {"a.rec", "b.rec"}},
        {"odd bytes in names",
         {"q'\"$`\n\xE4.ts", "q'\"$`\n\xE4.ts.inf"},
         "q'\"$`\n\xE4.ts",
         "r.ts",
         0,
         {"r.ts", "r.ts.inf"}},
        {"255-byte name",
         {"a.ts"},
         "a.ts",
         std::string(252, 'n') + ".ts",
         0,
         {std::string(252, 'n') + ".ts"}},
    };
    for (const Case& c : cases) {
        fs::remove_all(disk / "DataFiles");
        for (const auto& f : c.files)
            write_file(data(f), f);
        std::string from = "/mnt/hd/DataFiles/" + c.from;
        std::string to = "/mnt/hd/DataFiles/" + c.to;
        EXPECT_EQ(group_rename(from.c_str(), to.c_str()), c.result) << c.what;
        std::vector<std::string> now;
        for (const auto& e : fs::directory_iterator(disk / "DataFiles"))
            now.push_back(e.path().filename().string());
        std::sort(now.begin(), now.end());
        EXPECT_EQ(now, c.after) << c.what;
    }
}

TEST_F(Recording, DeleteRemovesCompanionsAndTrees) {
    write_file(data("a.rec"), "1");
    write_file(data("a.rec.inf"), "2");
    write_file(data("a.rec.nav"), "3");
    write_file(data("keep.rec"), "4");
    write_file(data("d/e/f.txt"), "5");
    write_file(data("d/$`'.txt"), "6");
    EXPECT_EQ(group_delete("/mnt/hd/DataFiles", "a.rec", false), 0);
    EXPECT_FALSE(fs::exists(data("a.rec.inf")));
    EXPECT_FALSE(fs::exists(data("a.rec.nav")));
    EXPECT_TRUE(fs::exists(data("keep.rec")));
    EXPECT_EQ(group_delete("/mnt/hd/DataFiles", "d", false), -1) << "not empty, not recursive";
    EXPECT_TRUE(fs::exists(data("d/e/f.txt")));
    EXPECT_EQ(group_delete("/mnt/hd/DataFiles", "d", true), 0);
    EXPECT_FALSE(fs::exists(data("d")));
    EXPECT_EQ(group_delete("/mnt/hd/DataFiles", "gone", true), -1);
}

TEST_F(Recording, ActivityOfRecordingsPlaybackAndTaps) {
    write_file(data("News.rec"), "x");
    write_file(data("Film.rec"), "x");
    write_file(disk / "ProgramFiles/x.tap", "x");
    EXPECT_EQ(file_activity("/DataFiles", "News.rec"), 0);
    emu->state().recordings[1].file = "News";
    EXPECT_EQ(file_activity("/DataFiles", "News.rec"), ~1);
    EXPECT_EQ(file_activity("/DataFiles", "Film.rec"), 0);
    emu->state().play.mode = 2;
    emu->state().play.file = "/DataFiles/Film.rec";
    EXPECT_EQ(file_activity("/DataFiles", "Film.rec"), 1);
    emu->state().play.mode = 5;
    EXPECT_EQ(file_activity("/DataFiles", "Film.rec"), 2);
    char* played = play_file_path();
    ASSERT_NE(played, nullptr);
    EXPECT_STREQ(played, "/DataFiles/Film.rec");
    mem_free(played);
    emu->state().play.mode = 0;
    EXPECT_EQ(play_file_path(), nullptr);
    EXPECT_EQ(file_activity("/DataFiles", "Film.rec"), 0);
    // A TAP running from slot 3 of the task table.
    fw_name_record name{};
    name.name = "/mnt/hd/ProgramFiles/x.tap";
    TYPE_File file{};
    file.handle = &name;
    tap_task_slot saved = _tapTask[3];
    _tapTask[3].status = TAP_TASK_RUNNING;
    _tapTask[3].file = &file;
    EXPECT_EQ(file_activity("/ProgramFiles", "x.tap"), 16 + 3);
    EXPECT_EQ(file_activity("/ProgramFiles", "y.tap"), 0);
    _tapTask[3] = saved;
}
