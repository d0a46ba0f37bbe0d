// The trim's patches of a recording's navigation file and header: entries found at the pause
// position, moved and retimed (|<) or cut behind it (>|), in 32- and 64-byte entries; the
// failures that leave the .nav as it was; the header's duration, start time and bookmarks.
#include <sys/stat.h>
#include <utime.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/byte_order.h"
#include "core/trim_patch.h"
#include "emu_fixture.h"

using emu_test::CoreTest;
using emu_test::read_file;
using emu_test::write_file;
namespace fs = std::filesystem;

namespace {

struct Entry {
    uint8_t frame;
    uint64_t position;
    uint32_t time;
};

// A .nav of entries of `size` bytes (32 or 64). Every 32-byte entry carries a marker in a byte
// the patch does not touch; the second half of a 64-byte entry is zero but for its first byte.
std::string nav_bytes(const std::vector<Entry>& entries, uint32_t size) {
    std::string out;
    for (size_t i = 0; i < entries.size(); ++i) {
        uint8_t e[64] = {};
        e[3] = entries[i].frame;
        put_le32(e + 8, static_cast<uint32_t>(entries[i].position >> 32));
        put_le32(e + 12, static_cast<uint32_t>(entries[i].position));
        put_le32(e + 24, entries[i].time);
        e[20] = static_cast<uint8_t>(0xA0 + i % 16);
        if (size == 64) e[32] = 0x5A;
        out.append(reinterpret_cast<char*>(e), size);
    }
    return out;
}

std::vector<Entry> nav_entries(const std::string& bytes, uint32_t size) {
    std::vector<Entry> out;
    for (size_t at = 0; at + size <= bytes.size(); at += size) {
        const uint8_t* e = reinterpret_cast<const uint8_t*>(bytes.data() + at);
        out.push_back({e[3], static_cast<uint64_t>(get_le32(e + 8)) << 32 | get_le32(e + 12),
                       get_le32(e + 24)});
    }
    return out;
}

bool operator==(const Entry& a, const Entry& b) {
    return a.frame == b.frame && a.position == b.position && a.time == b.time;
}
std::ostream& operator<<(std::ostream& o, const Entry& e) {
    return o << "{" << int(e.frame) << ", " << e.position << ", " << e.time << "}";
}

constexpr uint64_t B = REC_BLOCK_BYTES;

// Ten entries, one every ten blocks and a second apart; even ones may start the stream.
std::vector<Entry> ten_entries() {
    std::vector<Entry> v;
    for (uint32_t i = 0; i < 10; ++i)
        v.push_back({static_cast<uint8_t>(i % 2 ? 2 : 1), i * 10 * B, i * 1000});
    return v;
}

// Entries a..b-1 of ten_entries() moved to the start: positions less `removed`, times less
// entry a's.
std::vector<Entry> moved(uint32_t a, uint32_t b, uint64_t removed) {
    std::vector<Entry> v;
    for (uint32_t i = a; i < b; ++i)
        v.push_back({static_cast<uint8_t>(i % 2 ? 2 : 1), i * 10 * B - removed, (i - a) * 1000});
    return v;
}

std::vector<Entry> first(uint32_t n) {
    std::vector<Entry> v = ten_entries();
    v.resize(n);
    return v;
}

class TrimPatch : public CoreTest {
  protected:
    std::string stream() const { return (dir / "Film.rec").string(); }
    fs::path nav() const { return dir / "Film.rec.nav"; }
    fs::path inf() const { return dir / "Film.rec.inf"; }
    static void set_mtime(const fs::path& p, time_t t) {
        struct utimbuf u = {t, t};
        ASSERT_EQ(utime(p.c_str(), &u), 0);
    }
    static time_t mtime(const fs::path& p) {
        struct stat st;
        return stat(p.c_str(), &st) == 0 ? st.st_mtime : -1;
    }
};

int busy_calls;
bool busy_on;
void count_busy(bool on) {
    ++busy_calls;
    busy_on = on;
}

} // namespace

TEST(TrimNav, EntrySizeFromTheFirst64Bytes) {
    uint8_t b[64] = {};
    EXPECT_EQ(nav_entry_size(b), 64u);
    for (int at : {48, 55, 63}) {
        std::memset(b, 0, sizeof b);
        b[at] = 1;
        EXPECT_EQ(nav_entry_size(b), 32u) << at;
    }
    b[63] = 0;
    b[47] = 1; // before byte 48: not looked at
    EXPECT_EQ(nav_entry_size(b), 64u);
}

TEST_F(TrimPatch, NavPatchedForEitherEndInBothEntrySizes) {
    struct Case {
        const char* what;
        bool keep_after;
        uint32_t current;
        uint64_t removed_bytes;
        std::vector<Entry> expected;
        int32_t seconds;
    } cases[] = {
        // |<: the entry at the pause position may start the stream.
        {"|< at a start entry", true, 35, 35 * B, moved(4, 10, 35 * B), 4},
        // |<: the entry found (3) may not start the stream: written from entry 4 on.
        {"|< at an entry that cannot start", true, 25, 25 * B, moved(4, 10, 25 * B), 4},
        // The cut removed whole blocks: what the stream lost counts, not the pause position.
        {"|< with the bytes measured", true, 35, 36 * B, moved(4, 10, 36 * B), 4},
        // >|: shortened behind the entry at the pause position; its time to the last one's.
        {">| keeps the entry at the position", false, 35, 65 * B, first(5), 5},
        {">| at the first entry", false, 0, 100 * B, first(1), 9},
        // >| behind the last entry's position: nothing to cut away in the .nav.
        {">| past the last entry", false, 95, 5 * B, ten_entries(), 0},
    };
    for (uint32_t size : {32u, 64u})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (size == 32 ? ", 32-byte" : ", 64-byte"));
            write_file(nav(), nav_bytes(ten_entries(), size));
            set_mtime(nav(), 1700000000);
            trim_cut cut{c.keep_after, c.current, 100, c.removed_bytes};
            EXPECT_EQ(nav_patch(stream().c_str(), cut, nullptr), c.seconds);
            const std::string after = read_file(nav());
            ASSERT_EQ(after.size() % size, 0u);
            EXPECT_EQ(nav_entries(after, size), c.expected);
            // The bytes not patched are carried: the marker and a 64-byte entry's second half.
            for (size_t at = 0; at < after.size(); at += size) {
                EXPECT_GE(static_cast<uint8_t>(after[at + 20]), 0xA0);
                if (size == 64) EXPECT_EQ(static_cast<uint8_t>(after[at + 32]), 0x5A);
            }
            EXPECT_EQ(mtime(nav()), 1700000000) << "the .nav keeps its time";
            EXPECT_FALSE(fs::exists(dir / "Film.rec.nav_new"));
        }
}

// In an uneven recording the usual starting point of the search lies behind the position.
TEST_F(TrimPatch, NavSearchOfAnUnevenRecording) {
    std::vector<Entry> v;
    for (uint32_t i = 0; i < 3000; ++i)
        v.push_back({1, i < 10 ? i * 100 * B : 950 * B + i, i * 40});
    write_file(nav(), nav_bytes(v, 32));
    trim_cut cut{false, 500, 1000, 500 * B};
    EXPECT_EQ(nav_patch(stream().c_str(), cut, nullptr), (2999 * 40 - 5 * 40) / 1000);
    EXPECT_EQ(fs::file_size(nav()), 6u * 32) << "shortened behind entry 5 (block 500)";
}

TEST_F(TrimPatch, NavFailuresLeaveTheFileAsItWas) {
    const std::string good = nav_bytes(ten_entries(), 32);
    std::string odd = good.substr(0, 3 * 32 + 16);
    std::string sixty_four = nav_bytes(first(2), 64);
    sixty_four += std::string(32, '\0'); // 160 bytes of 64-byte entries
    struct Case {
        const char* what;
        bool exists;
        std::string bytes;
        int code;
    } cases[] = {
        {"missing", false, "", NAV_MISSING},
        {"empty", true, "", NAV_SHORT},
        {"shorter than 64 bytes", true, good.substr(0, 63), NAV_SHORT},
        {"not whole 32-byte entries", true, odd, NAV_BAD_SIZE},
        {"not whole 64-byte entries", true, sixty_four, NAV_BAD_SIZE},
    };
    for (bool keep_after : {true, false})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (keep_after ? ", |<" : ", >|"));
            fs::remove(nav());
            if (c.exists) write_file(nav(), c.bytes);
            trim_cut cut{keep_after, 35, 100, 35 * B};
            uint64_t needed = 1;
            EXPECT_EQ(nav_ready(stream().c_str(), cut, &needed), c.code);
            EXPECT_EQ(nav_patch(stream().c_str(), cut, nullptr), c.code);
            EXPECT_EQ(fs::exists(nav()), c.exists);
            if (c.exists) EXPECT_EQ(read_file(nav()), c.bytes);
            EXPECT_FALSE(fs::exists(dir / "Film.rec.nav_new"));
        }
}

TEST_F(TrimPatch, NavReadyTellsTheRoomANewFileNeeds) {
    write_file(nav(), nav_bytes(ten_entries(), 32));
    uint64_t needed = 0;
    EXPECT_EQ(nav_ready(stream().c_str(), trim_cut{true, 35, 100, 0}, &needed), 0);
    EXPECT_EQ(needed, 320u);
    EXPECT_EQ(nav_ready(stream().c_str(), trim_cut{false, 35, 100, 0}, &needed), 0);
    EXPECT_EQ(needed, 0u) << ">| shortens the file in place";
}

TEST_F(TrimPatch, NewNavThatCannotBeMadeLeavesTheOld) {
    const std::string good = nav_bytes(ten_entries(), 32);
    write_file(nav(), good);
    fs::create_directories(dir / "Film.rec.nav_new"); // in the way of the new file
    EXPECT_EQ(nav_patch(stream().c_str(), trim_cut{true, 35, 100, 35 * B}, nullptr),
              NAV_NOT_WRITTEN);
    EXPECT_EQ(read_file(nav()), good);
}

TEST_F(TrimPatch, LongCopyShowsThatItIsBusy) {
    struct Case {
        uint32_t entries;
        int calls;
    } cases[] = {{156250, 0}, {156251, 2}}; // 5,000,000 bytes follow; one entry more
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries);
        std::vector<Entry> v;
        for (uint32_t i = 0; i < c.entries; ++i)
            v.push_back({1, i * B, i});
        write_file(nav(), nav_bytes(v, 32));
        busy_calls = 0;
        busy_on = true;
        EXPECT_EQ(nav_patch(stream().c_str(), trim_cut{true, 0, c.entries, 0}, count_busy), 0);
        EXPECT_EQ(busy_calls, c.calls);
        EXPECT_FALSE(busy_on && c.calls) << "the box is closed at the end";
        EXPECT_EQ(fs::file_size(nav()), c.entries * 32u);
    }
}

namespace {

// A header of 3320 bytes: start word, duration, bookmarks and their count, the word at 0x84C,
// a marker in a byte the patch carries.
std::vector<uint8_t> header(uint32_t start, uint16_t minutes, uint16_t seconds,
                            std::vector<uint32_t> bookmarks, uint32_t count) {
    std::vector<uint8_t> h(INF_PATCH_BYTES, 0);
    put_le32(&h[8], start);
    put_le16(&h[12], minutes);
    put_le16(&h[14], seconds);
    put_le32(&h[0x584], count);
    for (size_t i = 0; i < bookmarks.size(); ++i)
        put_le32(&h[0x588 + 4 * i], bookmarks[i]);
    put_le32(&h[0x84C], 0xDEADBEEF);
    h[0x100] = 0x77;
    return h;
}

uint32_t start_word(uint32_t mjd, uint32_t hour, uint32_t minute) {
    return mjd << 16 | hour << 8 | minute;
}

} // namespace

TEST(TrimInf, DurationStartAndBookmarks) {
    struct Case {
        const char* what;
        bool keep_after;
        uint32_t current, blocks;
        int32_t nav_seconds;
        std::vector<uint32_t> bookmarks;
        uint32_t count;
        uint32_t start_after;
        uint32_t duration_after; // seconds
        std::vector<uint32_t> kept;
    } cases[] = {
        // >|: 40 of 100 blocks of 60:30 (1452 s) go; bookmarks below current - 1 stay.
        {">| by blocks",
         false,
         60,
         40,
         0,
         {10, 58, 59, 70, 90},
         5,
         start_word(61000, 20, 15),
         3630 - 1452,
         {10, 58}},
        // The .nav's time counts when there is one.
        {">| by the .nav", false, 60, 40, 1000, {}, 0, start_word(61000, 20, 15), 2630, {}},
        // |<: the start moves on by the minutes removed; bookmarks above current + 1 stay,
        // counted from the new start.
        {"|< by the .nav",
         true,
         35,
         35,
         1500,
         {10, 36, 37, 80},
         4,
         start_word(61000, 20, 40),
         2130,
         {2, 45}},
        {"|< by blocks", true, 50, 50, 0, {52}, 1, start_word(61000, 20, 45), 1815, {2}},
        // Only `count` entries are bookmarks; a count beyond the list stands for the entries
        // up to the last one set.
        {"|< count short of the entries",
         true,
         35,
         35,
         60,
         {90, 91},
         1,
         start_word(61000, 20, 16),
         3570,
         {55}},
        {"count beyond the list",
         false,
         60,
         40,
         0,
         {1, 2},
         1000,
         start_word(61000, 20, 15),
         2178,
         {1, 2}},
        // More time than the recording had: nothing is left, nothing goes negative.
        {">| more than all", false, 60, 40, 99999, {}, 0, start_word(61000, 20, 15), 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> h = header(start_word(61000, 20, 15), 60, 30, c.bookmarks, c.count);
        trim_cut cut{c.keep_after, c.current, 100, 0};
        EXPECT_EQ(inf_trim(h.data(), cut, c.blocks, c.nav_seconds), c.start_after);
        EXPECT_EQ(get_le32(&h[8]), c.start_after);
        EXPECT_EQ(get_le16(&h[12]) * 60u + get_le16(&h[14]), c.duration_after);
        EXPECT_LT(get_le16(&h[14]), 60);
        EXPECT_EQ(get_le32(&h[0x584]), c.kept.size()) << "the count says what was kept";
        for (uint32_t i = 0; i < INF_PATCH_BOOKMARKS; ++i)
            EXPECT_EQ(get_le32(&h[0x588 + 4 * i]), i < c.kept.size() ? c.kept[i] : 0u) << i;
        EXPECT_EQ(get_le32(&h[0x84C]), 0u);
        EXPECT_EQ(h[0x100], 0x77);
    }
}

TEST(TrimInf, StartTimePastMidnightAndItsUnixTime) {
    std::vector<uint8_t> h = header(start_word(61000, 23, 50), 120, 0, {}, 0);
    trim_cut cut{true, 10, 100, 0};
    EXPECT_EQ(inf_trim(h.data(), cut, 10, 1500), start_word(61001, 0, 15));
    EXPECT_EQ(inf_start_unix(start_word(40587, 0, 0)), 0u); // 1970-01-01 00:00
    EXPECT_EQ(inf_start_unix(start_word(61000, 0, 15)), 1763683200u + 900u);
    // Before 1970 the seconds wrap modulo 2^32.
    EXPECT_EQ(inf_start_unix(start_word(40586, 23, 59)), 0xFFFFFFFFu - 59u);
}

TEST_F(TrimPatch, InfWrittenInPlaceWithTheNewStartAsItsTime) {
    std::vector<uint8_t> h = header(start_word(61000, 20, 15), 60, 30, {50}, 1);
    std::string bytes(h.begin(), h.end());
    bytes += "tail kept";
    write_file(inf(), bytes);
    ASSERT_TRUE(inf_ready(stream().c_str()));
    EXPECT_EQ(inf_patch(stream().c_str(), trim_cut{true, 35, 100, 0}, 35, 600), 0);
    const std::string after = read_file(inf());
    ASSERT_EQ(after.size(), bytes.size());
    EXPECT_EQ(after.substr(INF_PATCH_BYTES), "tail kept");
    const uint8_t* a = reinterpret_cast<const uint8_t*>(after.data());
    EXPECT_EQ(get_le32(a + 8), start_word(61000, 20, 25));
    EXPECT_EQ(get_le32(a + 0x588), 15u);
    EXPECT_EQ(mtime(inf()), static_cast<time_t>(inf_start_unix(start_word(61000, 20, 25))));
}

TEST_F(TrimPatch, InfMissingOrShortIsRefusedUntouched) {
    EXPECT_FALSE(inf_ready(stream().c_str()));
    EXPECT_EQ(inf_patch(stream().c_str(), trim_cut{true, 35, 100, 0}, 35, 0), -1);
    const std::string shorter(INF_PATCH_BYTES - 1, 'x');
    write_file(inf(), shorter);
    EXPECT_FALSE(inf_ready(stream().c_str()));
    EXPECT_EQ(inf_patch(stream().c_str(), trim_cut{true, 35, 100, 0}, 35, 0), -1);
    EXPECT_EQ(read_file(inf()), shorter);
}
