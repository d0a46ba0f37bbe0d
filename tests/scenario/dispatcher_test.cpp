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
        for (size_t i = from; i < r.size(); i += 2)
            out.push_back(r[i]);
        return out;
    }
    size_t mark() const { return emu->results().size(); }
};

} // namespace

TEST_F(Dispatcher, TapKeyCombinationsHandWholeKeysToTheReceiver) {
    start_with([](settings_record&) {});
    struct Case {
        const char* keys;
        std::vector<uint32_t> after_tap; // the second key's press, repeats and release
    } cases[] = {
        // TAP, TAP: the TAP key itself; its release stays swallowed.
        {"Sat Sat", {TAP, 0}},
        // TAP, Play: Fav, and Fav's repeats and release follow.
        {"Sat\nhold Play 2", {0x10020, 0x1010020, 0x1010020, 0x2010020}},
        {"Sat Pause", {0x10044, 0x2010044}}, // TAP, Pause: VFormat
        {"Sat P+", {0x10045, 0x2010045}},    // a key the device translation knows
    };
    for (const Case& c : cases) {
        size_t from = mark();
        run(c.keys);
        std::vector<uint32_t> r(emu->results().begin() + from, emu->results().end());
        ASSERT_EQ(r.size(), 2 + c.after_tap.size()) << c.keys;
        EXPECT_EQ(r[0], 0u) << c.keys << ": the TAP key is taken";
        EXPECT_EQ(r[1], 0u) << c.keys << ": and its release";
        EXPECT_EQ(std::vector<uint32_t>(r.begin() + 2, r.end()), c.after_tap) << c.keys;
    }
}

TEST_F(Dispatcher, ReceiverGetsWholePressesOrNothing) {
    struct Case {
        const char* what;
        uint32_t startup; // settings: start-up actions (0xC: mute and pause)
        const char* before;
        const char* key;
        std::vector<uint32_t> got; // press and release as the receiver got them
    } cases[] = {
        {"Mute that ends the start-up mute", 0xC, "", "Mute", {0, 0}},
        {"Mute after it", 0xC, "Mute", "Mute", {0x1000C, 0x201000C}},
        {"Filelist handed on by the browser", 0, "Sat Filelist", "Filelist", {0x10042, 0x2010042}},
        {"a key the browser takes", 0, "Sat Filelist", "v", {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        settings_record s{};
        s.initialised = 1;
        s.flags = SET_ENGLISH | SET_START_LISTENING;
        s.tf_model = 1;
        s.rc_model = 1;
        s.startup = c.startup;
        std::filesystem::path folder = disk_path("/ProgramFiles/Settings/TovakRC");
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "TovakRC.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
        tapsim::Config config;
        config.uptime = 30; // just powered on: the start-up actions run
        start(config);
        ASSERT_EQ(load(), 0);
        run(c.before);
        size_t from = mark();
        run(c.key);
        EXPECT_EQ(std::vector<uint32_t>(emu->results().begin() + from, emu->results().end()),
                  c.got);
        if (c.startup) EXPECT_FALSE(emu->state().muted);
        run("Exit");
        expect_memory_kept();
        emu.reset();
    }
}

TEST_F(Dispatcher, HeldTapKeyStaysOneTapKey) {
    start_with([](settings_record&) {});
    size_t from = mark();
    run("hold Sat 6");
    for (size_t i = from; i < emu->results().size(); ++i)
        EXPECT_EQ(emu->results()[i], 0u) << i;
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
    for (uint32_t r : presses(from))
        EXPECT_EQ(r, 0u) << "deaf: every key swallowed";
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
    std::vector<std::vector<int64_t>> want = {{0, 0, 2, 52, 10}, {1, 0, 2, 52, 10},
                                              {2, 0, 2, 52, 10}, {3, 0, 2, 52, 10},
                                              {0, 1, 2, 52, 10}, {1, 1, 4, 255, 10}};
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
