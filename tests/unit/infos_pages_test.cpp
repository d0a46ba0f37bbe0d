// Key infos and the TAP task helpers of Infos & Tools with the emulator in this process: the
// page's items (positions, colours) from the key statistics, and counting and stopping the
// small test TAPs loaded beside the test.
#include <cstring>
#include <string>

#include "common/fw_bind.h"
#include "common/records.h"
#include "common/settings.h"
#include "emu_fixture.h"
#include "infos/key_infos.h"
#include "infos/tap_tasks.h"
#include "osd/window.h"
#include "tap_elf.h"

using emu_test::CoreTest;

namespace {

constexpr uint32_t probe_id = 0x7A0BC0FF; // the test TAP's identifier

const page_item* item_with(const text_page& p, const std::string& text) {
    for (int i = 0; i < p.count; ++i)
        if (text == p.items[i].text) return &p.items[i];
    return nullptr;
}

void count_key(uint32_t code, uint32_t presses) {
    key_stats.counters[code - KEY_STAT_FIRST] = presses;
}

text_page page; // large: not on the stack

} // namespace

TEST_F(CoreTest, KeyInfosMarkTheKeysAboveAQuarterOfTheMaximum) {
    key_stats.start_day = 61384;
    count_key(0x1001F, 400);                   // a code without a name
    count_key(0x10001, 101);                   // 1: above 400 / 4
    count_key(0x10002, 100);                   // 2: not above
    key_stats.counters[3] = 7 | KEY_STAT_HELD; // a held key counts its presses
    key_infos_mode = KEYS_BY_COUNT;
    key_infos_prepare(&page);
    ASSERT_GE(page.count, 3);
    EXPECT_STREQ(page.items[0].text, " Keys s. 10.12.2026: 608, max. 400 / 4 >");
    EXPECT_STREQ(page.items[1].text, "100");
    EXPECT_EQ(page.items[1].style & PAL_YELLOW_ON_RED, PAL_YELLOW_ON_RED) << "the threshold";
    EXPECT_STREQ(page.items[2].text, ": 2 501");
    // By count: 400, 101, 100, 7, each a count and a name; the keys not pressed are left out.
    const char* order[] = {"400", "0x1001f", "101", "1     ", "100", "2     ", "7", "3     "};
    ASSERT_EQ(page.count, 3 + 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_STREQ(page.items[3 + i].text, order[i]) << i;
    const uint32_t colour_bits = PAL_YELLOW_ON_RED;
    EXPECT_EQ(page.items[3].style & colour_bits, colour_bits);
    EXPECT_EQ(page.items[5].style & colour_bits, colour_bits) << "101 > 100";
    EXPECT_NE(page.items[7].style & colour_bits, colour_bits) << "100 is not above 100";
    // The list runs down the first column.
    EXPECT_EQ(page.items[3].x, page.items[5].x);
    EXPECT_LT(page.items[3].y, page.items[5].y);

    // With no key pressed only the header is left.
    std::memset(key_stats.counters, 0, sizeof key_stats.counters);
    key_infos_mode = KEYS_BY_CODE;
    key_infos_prepare(&page);
    EXPECT_EQ(page.count, 3);
    EXPECT_STREQ(page.items[2].text, ": 0 0");
}

TEST_F(CoreTest, KeyInfosAsTheRemoteShowRemappedKeysInTheirPlace) {
    // Remote model 0 sends 0x1000D for its Fav key: its presses are shown where Fav is.
    settings.rc_model = 0;
    settings.tf_model = 1;
    count_key(0x1000D, 33);
    key_infos_mode = KEYS_AS_REMOTE;
    key_infos_prepare(&page);
    const page_item* count = item_with(page, "33");
    ASSERT_NE(count, nullptr);
    int fav_names = 0;
    for (int i = 0; i < page.count; ++i)
        if (!std::strcmp(page.items[i].text, "Fav   ")) {
            ++fav_names;
            EXPECT_EQ(page.items[i].x, count->x);
            EXPECT_EQ(page.items[i].y, count->y);
        }
    EXPECT_EQ(fav_names, 2) << "the remote's code and Fav itself, in one place";
    // Keys without presses are shown too, laid out in four columns.
    EXPECT_NE(item_with(page, "Sat   "), nullptr);
    EXPECT_NE(item_with(page, "0"), nullptr);
}

TEST_F(CoreTest, CountAndStopTheTapsBesideUs) {
    fw_reset();
    // The files the receiver would have installed: MIPS objects with the probe's identifier.
    const std::vector<uint8_t> elf =
        tap_elf::tap_file({{"._tap_id", std::string("\xFF\xC0\x0B\x7A", 4)}});
    const std::filesystem::path twin = dir / "probe_twin.tap";
    emu_test::write_file(twin, std::string(elf.begin(), elf.end()));
    const int ends_on_stop =
        emu->load_tap(TOVAK_TAP_PROBE_STOP, "/ProgramFiles/probe_stop.tap", twin.string());
    const int ends_on_exit =
        emu->load_tap(TOVAK_TAP_PROBE, "/ProgramFiles/probe.tap", twin.string());
    ASSERT_GE(ends_on_stop, 0);
    ASSERT_GE(ends_on_exit, 0);
    const dword own = 9; // the slot this test stands for
    _curTapTask = own;
    EXPECT_EQ(tap_count(probe_id, TAP_TASK_SLOTS), 2);
    EXPECT_EQ(tap_count(probe_id, ends_on_exit), ends_on_stop < ends_on_exit ? 1 : 0)
        << "only the first slots";
    EXPECT_EQ(tap_count(0x12345678, TAP_TASK_SLOTS), 0);

    EXPECT_EQ(tap_stop(static_cast<int>(own)), -1) << "never our own slot";
    EXPECT_EQ(tap_stop(TAP_TASK_SLOTS), -1);
    EXPECT_EQ(tap_stop(ends_on_stop), 0);
    EXPECT_NE(_tapTask[ends_on_stop].status, TAP_TASK_RUNNING);
    EXPECT_EQ(_tapTask[ends_on_exit].status, TAP_TASK_RUNNING) << "the other one was not asked";
    EXPECT_EQ(tap_stop(ends_on_exit), 0) << "the exit message ends it";
    EXPECT_EQ(_curTapTask, own) << "the current task is ours again";
    EXPECT_EQ(tap_count(probe_id, TAP_TASK_SLOTS), 0);
    EXPECT_EQ(tap_stop(ends_on_exit), 0) << "a slot without a running TAP";
}
