// The key dispatcher through the emulator: keys in, what the receiver got (the trace's
// results), the screen, the firmware calls and the records out.
#include <cstring>
#include <fstream>

#include "common/records.h"
#include "common/settings.h"
#include "scenario.h"

using scenario::Scenario;

namespace {

constexpr uint32_t TAP = 0x10040;

class Dispatcher : public Scenario {
protected:
    // Starts the TAP with these settings in its "TovakRC.ini".
    void start_with(void (*setup)(settings_record&), const std::string& map = "") {
        settings_record s{};
        s.initialised = 1;
        s.flags = SET_ENGLISH | SET_START_LISTENING;
        s.tf_model = 1;
        s.rc_model = 1;
        setup(s);
        std::filesystem::path folder = disk_path("/ProgramFiles/Settings/TovakRC");
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "TovakRC.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
        if (!map.empty()) std::ofstream(folder / "TovakRC.map") << map;
        ASSERT_EQ(load(), 0);
    }
    // Results of the presses (not the releases) of the last run.
    std::vector<uint32_t> presses(size_t from) {
        std::vector<uint32_t> out;
        const auto& r = emu->results();
        for (size_t i = from; i < r.size(); i += 2) out.push_back(r[i]);
        return out;
    }
    size_t mark() const { return emu->results().size(); }
};

} // namespace

TEST_F(Dispatcher, TapKeyCombinationsHandKeysToTheReceiver) {
    start_with([](settings_record&) {});
    struct Case {
        const char* keys;
        uint32_t handed;
    } cases[] = {
        {"Sat Sat", TAP},     // TAP, TAP: the TAP key itself
        {"Sat Play", 0x10020}, // TAP, Play: Fav
        {"Sat Pause", 0x10044}, // TAP, Pause: VFormat
        {"Sat P+", 0x10045},   // a key the device translation knows
    };
    for (const Case& c : cases) {
        size_t from = mark();
        run(c.keys);
        std::vector<uint32_t> r(emu->results().begin() + from, emu->results().end());
        ASSERT_EQ(r.size(), 4u) << c.keys;
        EXPECT_EQ(r[0], 0u) << c.keys << ": the TAP key is taken";
        EXPECT_EQ(r[1], 0u) << c.keys << ": and its release";
        EXPECT_EQ(r[2], c.handed) << c.keys;
        EXPECT_EQ(r[3], 0u) << c.keys << ": the second key's release is swallowed";
    }
}

TEST_F(Dispatcher, HeldTapKeyStaysOneTapKey) {
    start_with([](settings_record&) {});
    size_t from = mark();
    run("hold Sat 6");
    for (size_t i = from; i < emu->results().size(); ++i) EXPECT_EQ(emu->results()[i], 0u) << i;
    run("Sat");
    EXPECT_EQ(last_result(), TAP) << "the held key counted as the first TAP key only";
}

TEST_F(Dispatcher, HeldKeyCountsOnceInTheKeyStatistics) {
    start_with([](settings_record&) {});
    run("hold v 10\nstop");
    std::ifstream in(disk_path("/ProgramFiles/Settings/TovakRC/TovakRC.key"), std::ios::binary);
    key_stats_record k{};
    in.read(reinterpret_cast<char*>(&k), sizeof k);
    ASSERT_TRUE(in);
    EXPECT_EQ(k.counters[0x1D] & 0xFFFFFF, 1u) << "v";
    EXPECT_EQ(k.counters[0x1D] >> 31, 0u) << "released: no longer held";
    EXPECT_EQ(k.total, 1u);
}

TEST_F(Dispatcher, ReceiverIdMakesOtherReceiversDeaf) {
    start_with([](settings_record& s) { s.receiver_id = 3; });
    run("Sat 5");
    size_t from = mark();
    run("P+ Ok 1");
    for (uint32_t r : presses(from)) EXPECT_EQ(r, 0u) << "deaf: every key swallowed";
    for (const char* back : {"Sat 3", "Sat 0"}) {
        run("Sat 5");
        run(back);
        run("P+");
        EXPECT_EQ(last_result(), 0x10045u) << back;
    }
}

TEST_F(Dispatcher, StartsDeafWithAnIdAndStartModeDeaf) {
    start_with([](settings_record& s) {
        s.receiver_id = 2;
        s.flags &= ~SET_START_LISTENING;
    });
    run("P+");
    EXPECT_EQ(last_result(), 0u);
    run("Sat 2 P+");
    EXPECT_EQ(last_result(), 0x10045u);
}

TEST_F(Dispatcher, KeyMapRuleWithPlayModeCondition) {
    start_with([](settings_record&) {}, "0x1001a PM0 # swallow Pause in live TV\n");
    run("Pause");
    EXPECT_EQ(last_result(), 0u) << "nothing plays: swallowed";
    run("play 2 0\nPause");
    EXPECT_EQ(last_result(), 0x1001Au) << "during playback Pause reaches the receiver";
}

TEST_F(Dispatcher, CursorAndDeviceTranslations) {
    start_with([](settings_record& s) { s.flags |= SET_CH_VOL; });
    run("^");
    EXPECT_EQ(last_result(), 0x10045u) << "TF 2100 with Ch / Vol: ^ is P+ in live TV";
    run("state 1 0\n^");
    EXPECT_EQ(last_result(), 0x10012u) << "not in the normal state";
}

TEST_F(Dispatcher, RemoteOfAnotherModel) {
    start_with([](settings_record& s) {
        s.rc_model = 0; // "5000, CRP [M.4]"
        s.tf_model = 3; // "2401 Eco [M.6]"
    });
    run("0x1003f");
    EXPECT_EQ(last_result(), 0x10023u) << "the remote's red key is F1 for this receiver";
}

TEST_F(Dispatcher, InfraredFilterIsSetUpAtStart) {
    start_with([](settings_record& s) {
        s.flags |= SET_IR_FILTER;
        s.tf_model = 2; // "2401 CI+ [M.1]"
        s.rc_model = 3; // "2401 Eco [M.6]"
    });
    std::vector<std::vector<int64_t>> calls;
    for (const tapsim::TraceCall& c : emu->trace().calls())
        if (c.name == "DevFront_SetIrCode") calls.push_back(c.args);
    std::vector<std::vector<int64_t>> want = {{0, 0, 2, 52, 10}, {1, 0, 2, 52, 10}, {2, 0, 2, 52, 10},
                                              {3, 0, 2, 52, 10}, {0, 1, 2, 52, 10}, {1, 1, 4, 255, 10}};
    EXPECT_EQ(calls, want);
}

TEST_F(Dispatcher, TapKeyWithAnUnusedKeyShowsTheGeneralHelp) {
    start_with([](settings_record&) {});
    run("Sat Mute");
    EXPECT_TRUE(screen_has("Keys to enter TovakRC functions")) << screen();
    run("Exit");
    EXPECT_FALSE(screen_has("Keys to enter TovakRC functions")) << screen();
    run("state 1 0\nSat Mute");
    EXPECT_FALSE(screen_has("Keys to enter TovakRC functions")) << "only in the normal state";
}

TEST_F(Dispatcher, ControlMessages) {
    start_with([](settings_record&) {});
    EXPECT_EQ(emu->message(3), 0x1000007u);
    EXPECT_EQ(emu->message(99), 0u);
    EXPECT_EQ(emu->message(1), 1u);
    EXPECT_EQ(emu->running_count(), 0);
}

TEST_F(Dispatcher, DirectKeysAndPauseInsideAWindow) {
    start_with([](settings_record& s) { s.flags |= SET_FILES_OK; });
    run("Ok");
    EXPECT_EQ(last_result(), 0u) << "Ok is the Files key: the TAP takes it";
    run("Sat Mute\nPause");
    EXPECT_EQ(last_result(), 0u) << "Pause inside a window pauses live TV and is swallowed";
    EXPECT_EQ(calls_named("Appl_PvrPause"), 1);
    run("Exit\nExit\nPause"); // the help box, then the file browser Ok opened
    EXPECT_EQ(last_result(), 0x1001Au) << "no window: Pause is the receiver's";
    EXPECT_EQ(calls_named("Appl_PvrPause"), 1);
}
