// The emulator with TAPs loaded: keys in, trace and screen out; task slots; the platform as
// a TAP sees it (clocks, disk, receiver calls).
#include <fstream>

#include "scenario.h"
#include "tap_file.h"

using scenario::Scenario;

TEST_F(Scenario, TapKeyThenSecondKeyIsTakenAndShown) {
    ASSERT_EQ(load(), 0);
    run("Sat Mute"); // TAP key + a key of no function: the general help
    const auto& r = emu->results();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0], 0u) << "the TAP key is taken";
    EXPECT_EQ(r[1], 0u) << "and so is its release";
    EXPECT_EQ(r[2], 0u);
    EXPECT_EQ(r[3], 0u);
    EXPECT_TRUE(screen_has("TovakRC")) << screen();
    run("Exit");
    EXPECT_EQ(last_result(), 0u);
    EXPECT_EQ(screen(), "");
    run("P+");
    EXPECT_EQ(last_result(), 0x10045u) << "other keys reach the receiver";
}

TEST_F(Scenario, TapTwiceHandsTheTapKeyOnAndSwallowsItsRelease) {
    ASSERT_EQ(load(), 0);
    run("Sat\nhold Sat 3");
    const auto& r = emu->results();
    ASSERT_EQ(r.size(), 7u);
    EXPECT_EQ(r[2], 0x10040u);
    for (size_t i = 3; i < r.size(); ++i)
        EXPECT_EQ(r[i], 0u) << "event " << i;
}

TEST_F(Scenario, SecondTapLoadsIntoAnotherSlotAndKeysPassThroughInOrder) {
    ASSERT_EQ(load(), 0);
    ASSERT_EQ(load(TOVAK_TAP_PROBE), 1);
    EXPECT_EQ(emu->running_count(), 2);
    ASSERT_NE(_tapTask[1].file, nullptr);
    EXPECT_STREQ(fw_file_name(_tapTask[1].file), "/mnt/hd/ProgramFiles/probe.tap");
    EXPECT_EQ(_tapTask[0].status, 1u);
    run("Sat 1");
    EXPECT_FALSE(std::filesystem::exists(disk / "probe.txt")) << "the first TAP took both keys";
    run("1");
    EXPECT_TRUE(std::filesystem::exists(disk / "probe.txt")) << "a key the first handed on";
    EXPECT_TRUE(std::filesystem::exists(disk_path("/ProgramFiles/tovakrc_tms.tap")));
    // The exit message ends both; the firmware forgets their slots and regions.
    run("msg 1");
    EXPECT_EQ(emu->running_count(), 0);
    EXPECT_EQ(_tapTask[0].status, 0u);
    EXPECT_EQ(screen(), "");
    EXPECT_EQ(calls_named("TAP_Exit"), 2);
}

TEST_F(Scenario, InstalledFileIsTheReceiverBuildWhenThereIsOne) {
    ASSERT_EQ(load(), 0);
    std::string twin = scenario::mips_twin("tovakrc_tms.tap");
    if (twin.empty()) GTEST_SKIP() << "no receiver build beside this one";
    tapsim::TapFileInfo info;
    std::string why;
    ASSERT_TRUE(tapsim::read_tap_file(disk_path("/ProgramFiles/tovakrc_tms.tap"), &info, &why));
    EXPECT_TRUE(info.elf32);
    EXPECT_EQ(info.machine, 8);
}

TEST_F(Scenario, FilesThatAreNoTapsAreRefused) {
    start();
    std::ofstream(dir / "fake.tap") << "not an ELF file";
    EXPECT_EQ(emu->load_tap((dir / "fake.tap").string()), -1);
    EXPECT_EQ(emu->running_count(), 0);
}

struct ClockCase {
    int64_t uptime;
    const char* time; // what libc's time() gives the TAP
};

// Test names and failure messages show the case by its uptime.
void PrintTo(const ClockCase& c, std::ostream* os) {
    *os << "uptime " << c.uptime;
}

class ProbeClock : public Scenario, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(ProbeClock, TapSeesTheReceiversClocks) {
    tapsim::Config c;
    c.clock = "2026-12-10 04:30:00";
    c.uptime = GetParam().uptime;
    start(c);
    ASSERT_EQ(load(TOVAK_TAP_PROBE), 0);
    run("1");
    std::string report = file_text(disk / "probe.txt");
    EXPECT_NE(report.find(GetParam().time), std::string::npos) << report;
    // The broadcast clock and the ticks went on by the first idle events and the key press.
    EXPECT_NE(report.find("mjd=61384 04:30:00"), std::string::npos) << report;
}

INSTANTIATE_TEST_SUITE_P(Uptime, ProbeClock,
                         ::testing::Values(ClockCase{60, "time=946684860 "},
                                           ClockCase{120, "time=946684920 "},
                                           // 2026-12-10 03:30:00 UTC
                                           ClockCase{600, "time=1796873400 "}),
                         [](const auto& info) {
                             return "uptime" + std::to_string(info.param.uptime);
                         });

TEST_F(Scenario, TapReachesTheSameDiskThroughLibcAndTracesReceiverCalls) {
    ASSERT_EQ(load(TOVAK_TAP_PROBE), 0);
    run("3 2");
    EXPECT_EQ(file_text(disk / "probe_libc.txt"), "written through libc\n");
    ASSERT_EQ(calls_named("TAP_Channel_Start"), 1);
    const tapsim::TraceCall& c = emu->trace().calls().back();
    EXPECT_EQ(c.args, (std::vector<int64_t>{1, 1, 2}));
    EXPECT_EQ(emu->state().current_type, 1);
    EXPECT_EQ(emu->state().current_num, 2);
}

TEST_F(Scenario, MemoryAndSavedBoxesAreCounted) {
    start();
    ASSERT_EQ(load(), 0);
    size_t before = emu->mem_blocks();
    int rgn = TAP_API(TAP_Osd_Create)(0, 0, 100, 50, 0, 0);
    ASSERT_GE(rgn, 0);
    TAP_API(TAP_Osd_PutS)(rgn, 0, 0, 100, "Keep", 0xFFFFFFFF, 0xFF101010, 0, 1, 0, 0);
    byte* saved = TAP_API(TAP_Osd_SaveBox)(rgn, 0, 0, 100, 50);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(emu->mem_blocks(), before + 1);
    TAP_API(TAP_Osd_FillBox)(rgn, 0, 0, 100, 50, 0xFF000000);
    TAP_API(TAP_Osd_RestoreBox)(rgn, 0, 0, 100, 50, saved);
    EXPECT_TRUE(screen_has("Keep"));
    EXPECT_EQ(TAP_API(TAP_MemFree)(saved), 1);
    EXPECT_EQ(TAP_API(TAP_MemFree)(saved), 0) << "a second free is refused";
    EXPECT_EQ(emu->bad_frees(), 1);
    EXPECT_EQ(emu->mem_blocks(), before);
}

TEST_F(Scenario, BlocksTheTapNoLongerReachesAreLost) {
    ASSERT_EQ(load(TOVAK_TAP_PROBE), 0);
    EXPECT_TRUE(emu->lost_blocks().empty());
    run("5"); // a chain of two blocks held from the TAP's static data
    EXPECT_EQ(emu->mem_blocks(), 2u);
    EXPECT_TRUE(emu->lost_blocks().empty()) << "the second block is reached through the first";
    run("6"); // a block whose address the TAP dropped
    const std::vector<const void*> lost = emu->lost_blocks();
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(emu->mem_blocks(), 3u);
    EXPECT_TRUE(emu->mem_free(lost[0]));
    run("7");
    EXPECT_EQ(emu->mem_blocks(), 0u);
    EXPECT_TRUE(emu->lost_blocks().empty());
}
