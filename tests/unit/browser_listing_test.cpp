// The directory listing: filter, sort orders, the history ring, the date repair of recordings,
// vanished directories, a full table and the marks.
#include <sys/stat.h>
#include <utime.h>

#include <cstring>
#include <string>
#include <vector>

#include "browser/listing.h"
#include "browser/recording.h"
#include "emu_fixture.h"

using emu_test::CoreTest;
using emu_test::write_file;
namespace fs = std::filesystem;

namespace {

class Listing : public CoreTest {
  protected:
    void SetUp() override {
        CoreTest::SetUp();
        saved_table = entry_table;
        saved_capacity = entry_capacity;
        entry_capacity = 40;
        entry_table = mem_alloc(entry_capacity * sizeof(dir_entry));
        memset(entry_table, 0, entry_capacity * sizeof(dir_entry));
    }
    void TearDown() override {
        listing_release();
        inf_release();
        mem_free(entry_table);
        entry_table = saved_table;
        entry_capacity = saved_capacity;
        CoreTest::TearDown();
    }
    uint32_t scan(const std::string& path, int mode) {
        return dir_scan(str_dup(path.c_str()), mode, entry_count);
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (uint32_t i = 0; i < entry_count; ++i)
            out.push_back(entries()[i].name);
        return out;
    }
    std::string selected_name() const { return entries()[history_current->selected].name; }
    void set_sort(int mode) { settings.sort_mp3 = static_cast<uint8_t>(mode); }
    void* saved_table = nullptr;
    uint32_t saved_capacity = 0;
};

dir_entry file(const char* name, uint32_t date, uint64_t size) {
    return dir_entry{const_cast<char*>(name), 0, size, date, 0xD0, 0};
}
dir_entry folder(const char* name) {
    return dir_entry{const_cast<char*>(name), 0, 0, 0, 0xE0, 0};
}

} // namespace

TEST_F(Listing, SortOrders) {
    std::vector<dir_entry> base = {file("b.ts", 0xEA000000, 300), folder("zz"),
                                   file("A.ts", 0xEA010000, 100), file("a.ts", 0xE9000000, 200),
                                   folder("Ab")};
    struct Case {
        int mode;
        std::vector<std::string> order;
    } cases[] = {
        {SORT_NAME, {"Ab", "zz", "A.ts", "a.ts", "b.ts"}},
        {SORT_DATE_DOWN, {"Ab", "zz", "A.ts", "b.ts", "a.ts"}},
        {SORT_DATE_UP, {"Ab", "zz", "a.ts", "b.ts", "A.ts"}},
        {SORT_SIZE, {"Ab", "zz", "A.ts", "a.ts", "b.ts"}},
        {SORT_ALL, {"Ab", "zz", "A.ts", "a.ts", "b.ts"}},
    };
    for (const Case& c : cases) {
        set_sort(c.mode);
        std::vector<dir_entry> v = base;
        qsort(v.data(), v.size(), sizeof(dir_entry), entry_compare);
        std::vector<std::string> got;
        for (const dir_entry& e : v)
            got.push_back(e.name);
        EXPECT_EQ(got, c.order) << "mode " << c.mode;
    }
    // Equal dates compare equal.
    set_sort(SORT_DATE_DOWN);
    dir_entry x = file("x", 5, 1), y = file("y", 5, 2);
    EXPECT_EQ(entry_compare(&x, &y), 0);
    // The playlists' ordering: flag 0x4000 clear first, then by name.
    std::vector<dir_entry> grouped = {file("a", 0, 0), file("b", 0, 0), file("c", 0, 0)};
    grouped[0].flags = ENTRY_GROUP_FLAG;
    qsort(grouped.data(), 3, sizeof(dir_entry), entry_compare_grouped);
    EXPECT_STREQ(grouped[0].name, "b");
    EXPECT_STREQ(grouped[2].name, "a");
}

TEST_F(Listing, SortNames) {
    set_sort(SORT_NAME);
    EXPECT_STREQ(sort_name(1), "By date-");
    settings.flags = 0;
    EXPECT_STREQ(sort_name(4), "ALLE");
    settings.sort_mp3 = 0x37; // out of range: by name
    EXPECT_EQ(sort_setting(), SORT_NAME);
}

TEST_F(Listing, FilterByNameAndSortMode) {
    write_file(disk / "F/x.rec", "x");
    struct Case {
        const char* name;
        bool listed, listed_all;
    } cases[] = {
        {"x.rec.inf", false, true}, {"x.rec.NAV", false, true}, {"y.rec.inf", true, true},
        {"old.bak", false, true},   {"data.DB3", false, true},  {"__temprec__1.rec", false, true},
        {"x.rec", true, true},      {"note.inf", true, true},
    };
    for (const Case& c : cases) {
        set_sort(SORT_NAME);
        EXPECT_EQ(list_filter("/F", c.name), c.listed) << c.name;
        set_sort(SORT_ALL);
        EXPECT_EQ(list_filter("/F", c.name), c.listed_all) << c.name;
    }
}

TEST_F(Listing, RootStartsWithItselfThenDirectories) {
    write_file(disk / "zfile", "1");
    fs::create_directories(disk / "DataFiles");
    scan("/", SCAN_REREAD);
    std::vector<std::string> n = names();
    ASSERT_GE(n.size(), 4u);
    EXPECT_EQ(n[0], "/");
    EXPECT_EQ(n.back(), "zfile");
    EXPECT_EQ(dir_count, entry_count - 1);
    EXPECT_STREQ(current_dir, "/");
}

TEST_F(Listing, ScanSortsHidesCompanionsAndKeepsOddNames) {
    const std::string odd = "q'\"$`\n\xE4";
    const std::string long_name = std::string(251, 'L') + ".txt";
    for (const std::string& f :
         {std::string("a.ts"), std::string("A.ts"), std::string("B.ts"), std::string("x.rec"),
          std::string("x.rec.inf"), std::string("old.bak"), odd, long_name})
        write_file(disk / "M" / f, "data");
    fs::create_directories(disk / "M/sub");
    set_sort(SORT_NAME);
    EXPECT_EQ(scan("/M", SCAN_REREAD), 7u);
    // The folder search holds 127 bytes of a name, as on the receiver.
    const std::string long_cut = long_name.substr(0, 127);
    EXPECT_EQ(names(),
              (std::vector<std::string>{"sub", "A.ts", "B.ts", long_cut, "a.ts", odd, "x.rec"}));
    set_sort(SORT_ALL);
    EXPECT_EQ(scan("/M", SCAN_REREAD), 9u);
}

TEST_F(Listing, VanishedDirectoryFallsBackToItsParent) {
    fs::create_directories(disk / "a/b/c");
    write_file(disk / "a/b/c/f", "1");
    scan("/a/b/c", SCAN_REREAD);
    EXPECT_STREQ(current_dir, "/a/b/c");
    fs::remove_all(disk / "a/b");
    scan("/a/b/c", SCAN_REREAD);
    EXPECT_STREQ(current_dir, "/a");
    EXPECT_EQ(entry_count, 0u);
    scan("/gone/deeper", SCAN_ENTER);
    EXPECT_STREQ(current_dir, "/");
    EXPECT_STREQ(history_current->path, "/");
}

TEST_F(Listing, FullTableListsWhatFits) {
    for (int i = 0; i < 50; ++i)
        write_file(disk / "many" / ("f" + std::to_string(100 + i)), "");
    EXPECT_EQ(scan("/many", SCAN_REREAD), 40u);
}

TEST_F(Listing, OldRecordingGetsItsHeaderDate) {
    std::string inf(2128, '\0');
    memcpy(&inf[0], "TFrc", 4);
    inf[5] = static_cast<char>(0x80);
    const uint32_t start = 0xEA001420u; // MJD 59904 (2022-11-28), 20:32
    for (int i = 0; i < 4; ++i)
        inf[8 + i] = static_cast<char>(start >> (8 * i));
    write_file(disk / "DataFiles/old.rec", "stream");
    write_file(disk / "DataFiles/old.rec.inf", inf);
    write_file(disk / "DataFiles/new.rec", "stream");
    struct utimbuf y2000 = {946684800, 946684800};
    ASSERT_EQ(utime((disk / "DataFiles/old.rec").c_str(), &y2000), 0);
    scan("/DataFiles", SCAN_REREAD);
    ASSERT_EQ(entry_count, 2u);
    EXPECT_STREQ(entries()[1].name, "old.rec");
    EXPECT_EQ(entries()[1].date, start);
    struct stat st;
    ASSERT_EQ(stat((disk / "DataFiles/old.rec").c_str(), &st), 0);
    EXPECT_EQ(static_cast<uint32_t>(st.st_mtime), (59904u - 40587u) * 86400u + 20 * 3600 + 32 * 60);
    EXPECT_NE(entries()[0].date, start) << "a recording dated after 2004 keeps its date";
}

TEST_F(Listing, HistoryRingOfTenSlots) {
    std::string path = "/h";
    for (int i = 1; i <= 10; ++i)
        path += "/d" + std::to_string(i);
    fs::create_directories(disk / path.substr(1));
    scan("/h", SCAN_REREAD);
    std::string at = "/h";
    for (int i = 1; i <= 10; ++i) {
        at += "/d" + std::to_string(i);
        scan(at, SCAN_ENTER);
    }
    EXPECT_EQ(history_count, 10);
    EXPECT_EQ(history_pos, 9);
    for (int i = 0; i < 9; ++i) {
        at = at.substr(0, at.rfind('/'));
        scan(at, SCAN_PARENT);
    }
    EXPECT_EQ(history_pos, 0);
    EXPECT_STREQ(history_current->path, "/h/d1") << "the first of the last ten";
    scan("/h", SCAN_PARENT);
    EXPECT_EQ(history_pos, 0);
    EXPECT_EQ(history_count, 10);
    EXPECT_STREQ(history_current->path, "/h");
    EXPECT_EQ(selected_name(), "d1") << "the directory just left is selected";
    // Forward again through the kept slot: its selection stays.
    scan("/h/d1", SCAN_ENTER);
    EXPECT_EQ(history_pos, 1);
    EXPECT_STREQ(history_current->path, "/h/d1");
}

TEST_F(Listing, RereadKeepsSelectionByNameAndSelectModePicksTheFile) {
    for (const char* f : {"b", "c", "d", "e.rec", "e.rec.inf"})
        write_file(disk / "S" / f, "");
    scan("/S", SCAN_REREAD);
    history_current->selected = 2; // "d"
    write_file(disk / "S/a", "");
    scan("/S", SCAN_REREAD);
    EXPECT_EQ(selected_name(), "d");
    scan("/S/e.rec.inf", SCAN_SELECT);
    EXPECT_EQ(selected_name(), "e.rec");
    scan("/S/c", SCAN_SELECT);
    EXPECT_EQ(selected_name(), "c");
}

TEST_F(Listing, MarksHoldFullPathsAcrossDirectories) {
    write_file(disk / "A/one", "");
    write_file(disk / "A/__temprec__x", "");
    write_file(disk / "A/q'$`", "");
    write_file(disk / "B/two", "");
    set_sort(SORT_ALL);
    scan("/A", SCAN_REREAD);
    ASSERT_EQ(names(), (std::vector<std::string>{"__temprec__x", "one", "q'$`"}));
    EXPECT_FALSE(entry_selectable(0, nullptr));
    EXPECT_TRUE(entry_selectable(1, nullptr));
    mark_toggle(1);
    mark_toggle(2);
    EXPECT_EQ(mark_count, 2);
    scan("/B", SCAN_REREAD);
    mark_toggle(0);
    EXPECT_EQ(mark_count, 3);
    EXPECT_EQ(mark_find("/A", "one"), 1);
    EXPECT_EQ(mark_find("/B", "two"), 3);
    EXPECT_STREQ(mark_text(), "/A/one\n/A/q'$`\n/B/two");
    mark_toggle(0);
    EXPECT_EQ(mark_count, 2);
    EXPECT_EQ(mark_find("/B", "two"), 0);
    mark_clear();
    EXPECT_EQ(mark_count, 0);
    EXPECT_STREQ(mark_text(), "");
}

TEST_F(Listing, MarkListHoldsTwoHundred) {
    for (int i = 0; i < 40; ++i)
        write_file(disk / "m" / ("f" + std::to_string(100 + i)), "");
    for (int d = 0; d < 6; ++d) {
        fs::create_directories(disk / ("m" + std::to_string(d)));
        for (int i = 0; i < 40; ++i)
            write_file(disk / ("m" + std::to_string(d)) / ("f" + std::to_string(100 + i)), "");
        scan("/m" + std::to_string(d), SCAN_REREAD);
        for (int i = 0; i < 40; ++i)
            mark_toggle(i);
    }
    EXPECT_EQ(mark_count, 200) << "the 201st mark is dropped";
    EXPECT_EQ(mark_find("/m5", "f100"), 0);
}

TEST_F(Listing, RecordingInProgressCannotBeSelected) {
    write_file(disk / "DataFiles/Live.rec", "");
    scan("/DataFiles", SCAN_REREAD);
    emu->state().recordings[0].file = "Live";
    EXPECT_FALSE(entry_selectable(0, nullptr));
    emu->state().recordings[0].file = "";
    EXPECT_TRUE(entry_selectable(0, nullptr));
}

TEST_F(Listing, JumpsMoveForwardOrResetTheRing) {
    for (const char* d : {"j/a", "j/b", "k"})
        fs::create_directories(disk / d);
    scan("/j", SCAN_REREAD);
    scan("/j/a", SCAN_ENTER);
    scan("/j", SCAN_PARENT);
    EXPECT_EQ(history_count, 2);
    EXPECT_EQ(history_pos, 0);
    scan("/j/a", SCAN_REREAD); // the next slot holds it: forward
    EXPECT_EQ(history_pos, 1);
    EXPECT_EQ(history_count, 2);
    scan("/k", SCAN_REREAD); // anywhere else: one slot
    EXPECT_EQ(history_count, 1);
    EXPECT_EQ(history_pos, 0);
    EXPECT_STREQ(history_current->path, "/k");
}

TEST_F(Listing, EnteringTheFolderOfThePlayedFileSelectsIt) {
    for (const char* f : {"a.rec", "b.rec", "c.rec"})
        write_file(disk / "DataFiles" / f, "");
    fs::create_directories(disk / "DataFiles/z");
    scan("/", SCAN_REREAD);
    emu->state().play.mode = 2;
    emu->state().play.file = "/DataFiles/b.rec";
    scan("/DataFiles", SCAN_ENTER);
    EXPECT_EQ(selected_name(), "b.rec");
    emu->state().play.mode = 0;
    scan("/DataFiles/z", SCAN_ENTER);
    EXPECT_EQ(history_current->selected, 0);
}
