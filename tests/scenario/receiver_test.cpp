// The emulator behaving as a receiver does, seen through the resident TAP: the receiver's file
// tree in every run, TAPs unloaded after their stop event, events a script can send, withheld
// firmware symbols, the screen while a TAP sleeps, blank text runs, the time drawing takes and
// keys queued meanwhile.
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>

#include "common/settings.h"
#include "scenario.h"

using scenario::Scenario;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t KEY_RECORD = 0x1003D, KEY_DOWN = 0x1001D;

class Receiver : public Scenario {
  protected:
    // The TAP's settings file: English texts, listening, logging, and the given extra flags.
    void settings_with(uint32_t flags, uint32_t startup = 2u << 16, int16_t channel = 0) {
        settings_record s{};
        s.initialised = 1;
        s.flags = SET_ENGLISH | SET_START_LISTENING | SET_LOGGING | flags;
        s.tf_model = 1;
        s.rc_model = 1;
        s.startup = startup;
        s.start_channel = channel;
        fs::create_directories(settings_dir());
        std::ofstream(settings_dir() / "TovakRC.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
    }
    fs::path settings_dir() const { return disk_path("/ProgramFiles/Settings/TovakRC"); }
    void file(const std::string& path, const std::string& bytes = "data") {
        fs::path p = disk_path(path);
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    // Starts with a fixture of this JSON text.
    void start_with_fixture(const std::string& json, tapsim::Config config = {}) {
        std::ofstream(dir / "fixture.json") << json;
        config.fixture = (dir / "fixture.json").string();
        start(config);
    }
    // The events of the trace from index `from` on, idle events left out when asked.
    std::vector<tapsim::TraceEvent> events_from(size_t from, bool with_idle) const {
        std::vector<tapsim::TraceEvent> out;
        const auto& all = emu->trace().events();
        for (size_t i = from; i < all.size(); ++i)
            if (with_idle || all[i].kind != "idle") out.push_back(all[i]);
        return out;
    }
    // The text runs of the screen text model: (text, background) of every visible run.
    std::vector<std::pair<std::string, std::string>> runs() const {
        std::vector<std::pair<std::string, std::string>> out;
        const nlohmann::json screen = nlohmann::json::parse(emu->osd().screen_json());
        for (const auto& region : screen["regions"])
            for (const auto& t : region["texts"])
                out.emplace_back(t["text"].get<std::string>(), t["bg"].get<std::string>());
        return out;
    }
    std::string log() const { return file_text(settings_dir() / "TovakRC.log"); }
};

} // namespace

// The receiver's file tree.

TEST_F(Receiver, LinksOfAnEarlierRunLeadToTheUsbMediumAgain) {
    fs::create_directories(dir / "usb");
    std::ofstream(dir / "usb" / "stick.txt") << "on the stick";
    settings_with(0);
    ASSERT_EQ(load(), 0); // the first run makes the links
    if (!emu->file_tree().namespaced())
        GTEST_SKIP() << "the receiver's paths are mapped here: "
                     << emu->file_tree().mapped_reason();
    emu.reset();
    start(); // a later run on the same disk
    ASSERT_EQ(load(), 0);
    EXPECT_EQ(fs::read_symlink(disk / "sdb1").string(), "/mnt/sdb1");
    run("Sat Filelist 0");
    EXPECT_TRUE(screen_has("sdb1/")) << "a folder of the disk root" << screen();
    EXPECT_FALSE(screen_has("17.11.1858")) << screen();
    // "/", Captures, PlayList, ProgramFiles, WebCache, sdb1.
    run("v v v v v Ok");
    EXPECT_TRUE(screen_has("/sdb1")) << screen();
    EXPECT_TRUE(screen_has("stick.txt")) << screen();
}

TEST_F(Receiver, HelperProgramsSeeTheReceiversPathsAndProcFiles) {
    const std::string cpuinfo = "system type\t\t: BCM7405\nprocessor\t\t: 0\n";
    file("/ProgramFiles/Settings/TovakRC/autostart.sh",
         "#!/bin/sh\necho \"$0\" > \"$(dirname \"$0\")/seen\"\n"
         "cat /proc/cpuinfo >> \"$(dirname \"$0\")/seen\"\n");
    settings_with(0);
    start_with_fixture(R"({"proc": {"cpuinfo": )" + nlohmann::json(cpuinfo).dump() + "}}");
    if (!emu->file_tree().namespaced())
        GTEST_SKIP() << "the receiver's paths are mapped here: "
                     << emu->file_tree().mapped_reason();
    ASSERT_EQ(load(), 0);
    EXPECT_EQ(file_text(settings_dir() / "seen"),
              "/mnt/hd/ProgramFiles/Settings/TovakRC/autostart.sh\n" + cpuinfo);
    std::ifstream in("/proc/cpuinfo"); // this process shares the receiver's tree
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), cpuinfo);
}

TEST_F(Receiver, TheFallbackMappingServesTheSamePaths) {
    file("/ProgramFiles/Settings/TovakRC/autostart.sh",
         "#!/bin/sh\necho \"$0\" > \"$(dirname \"$0\")/seen\"\n");
    fs::create_directories(dir / "usb");
    std::ofstream(dir / "usb" / "stick.txt") << "on the stick";
    settings_with(0);
    tapsim::Config config;
    config.mapped_tree = true;
    start_with_fixture(R"({"proc": {"cpuinfo": "mapped\n"}})", config);
    EXPECT_FALSE(emu->file_tree().namespaced());
    ASSERT_FALSE(emu->root().empty());
    ASSERT_EQ(load(), 0);
    EXPECT_EQ(file_text(settings_dir() / "seen"),
              emu->root() + "/mnt/hd/ProgramFiles/Settings/TovakRC/autostart.sh\n");
    EXPECT_EQ(fs::read_symlink(disk / "sdb1").string(), emu->root() + "/mnt/sdb1");
    EXPECT_EQ(file_text(fs::path(emu->root()) / "proc/cpuinfo"), "mapped\n");
    run("Sat Filelist 0 v v v v v Ok");
    EXPECT_TRUE(screen_has("stick.txt")) << "the USB medium during the run" << screen();
}

// Loading and unloading.

TEST_F(Receiver, AStoppedTapGetsNoMoreEventsAndItsWindowIsGone) {
    settings_with(0);
    ASSERT_EQ(load(), 0);
    run("Sat Filelist");
    ASSERT_TRUE(screen_has("File Browser v4.92a")) << screen();
    const size_t before = emu->trace().events().size();
    run("stop 1");
    std::vector<tapsim::TraceEvent> stop = events_from(before, false);
    ASSERT_EQ(stop.size(), 1u);
    EXPECT_EQ(stop[0].kind, "stop");
    EXPECT_EQ(stop[0].code, 1u) << "the stop's parameter reaches the TAP";
    EXPECT_EQ(stop[0].result, 1u) << "and comes back as its result";
    EXPECT_EQ(emu->running_count(), 0);
    EXPECT_EQ(screen(), "") << "its regions are gone";
    EXPECT_EQ(emu->osd().regions().size() - std::count_if(emu->osd().regions().begin(),
                                                          emu->osd().regions().end(),
                                                          [](const auto& r) { return !r.live; }),
              0u);
    const size_t after = emu->trace().events().size();
    run("Sat Filelist\nwait 1s");
    EXPECT_EQ(emu->trace().events().size(), after) << "no key and no idle event reaches it";
    EXPECT_EQ(last_result(), tapsim::key_code("Filelist"))
        << "the receiver handles the keys itself";
}

TEST_F(Receiver, AnEndedTapLeavesTheOthersRunning) {
    settings_with(0);
    ASSERT_EQ(load(), 0);
    // A second copy shows its box and returns 0 from TAP_Main.
    EXPECT_EQ(load(), tapsim::Emulator::ended_at_start);
    EXPECT_TRUE(emu->running(0));
    EXPECT_EQ(emu->running_count(), 1);
    run("Sat Filelist");
    EXPECT_TRUE(screen_has("File Browser v4.92a")) << screen();
}

// Events from scripts.

TEST_F(Receiver, ScriptsSendAnyEventKeyZeroAndAFailingPlayInfo) {
    settings_with(0);
    file("/ProgramFiles/Settings/TovakRC/TovakRC.map", "0x1001a PM0 # swallow Pause in live TV\n");
    ASSERT_EQ(load(), 0);
    size_t from = emu->trace().events().size();
    run("event 0x300 7\nevent 0x300 0 9");
    std::vector<tapsim::TraceEvent> e = events_from(from, false);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].kind, "play_end");
    EXPECT_EQ(e[0].result, 7u) << "the end of a track hands its parameter back";
    EXPECT_EQ(e[1].result, 0u);
    // Key code 0: the TAP takes it without opening anything.
    from = emu->trace().events().size();
    run("event 0x100 0");
    e = events_from(from, false);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].kind, "key");
    EXPECT_EQ(e[0].code, 0u);
    EXPECT_EQ(emu->results().back(), 0u);
    EXPECT_EQ(screen(), "");
    run("Sat Sat");
    EXPECT_EQ(last_result(), 0x10040u) << "the dispatcher is not thrown off";
    // The map's rule swallows Pause in live TV, which the TAP asks TAP_Hdd_GetPlayInfo about;
    // when the receiver cannot tell, the rule does not apply.
    run("Pause");
    EXPECT_EQ(last_result(), 0u);
    run("playinfo fail\nPause");
    EXPECT_EQ(last_result(), 0x1001Au);
    run("playinfo ok\nPause");
    EXPECT_EQ(last_result(), 0u);
    std::string why;
    for (const char* bad : {"event", "event 0x10000", "event 0x300 x", "stop -1", "playinfo",
                            "event 1 2 3 4", "snap x later"})
        EXPECT_FALSE(emu->run_command(bad, &why)) << bad;
}

// Firmware symbols the receiver lacks.

TEST_F(Receiver, WithheldFirmwareSymbolsAreLoggedAndTheirFeaturesSkipped) {
    struct Case {
        const char* withheld;
        uint32_t flags;
        bool logged;
    } cases[] = {
        {"DevService_Mute", SET_LOGGING, true},
        {"DevService_Mute", SET_DIAGNOSTIC, true},
        {"DevService_Mute", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.withheld << " flags " << c.flags);
        emu.reset();
        fs::remove(settings_dir() / "TovakRC.log");
        // Just powered on, the start-up mutes (startup bit 2): the mute cannot be bound.
        settings_record s{};
        s.initialised = 1;
        s.flags = SET_ENGLISH | SET_START_LISTENING | c.flags;
        s.tf_model = s.rc_model = 1;
        s.startup = 2u << 16 | 4;
        fs::create_directories(settings_dir());
        std::ofstream(settings_dir() / "TovakRC.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
        tapsim::Config config;
        config.uptime = 30;
        start_with_fixture(std::string(R"({"withhold": [")") + c.withheld + "\"]}", config);
        ASSERT_EQ(load(), 0);
        EXPECT_EQ(calls_named("DevService_Mute"), 0);
        EXPECT_FALSE(emu->state().muted);
        EXPECT_EQ(log().find(std::string("dlsym failed (") + c.withheld + ")") != std::string::npos,
                  c.logged)
            << log();
        run("Sat Filelist");
        EXPECT_TRUE(screen_has("File Browser v4.92a")) << "the TAP runs on";
    }
}

TEST_F(Receiver, WithoutTheTaskTableASecondCopyIsNotRecognised) {
    settings_with(0, 2u << 16, 3);
    tapsim::Config config;
    config.uptime = 30; // just powered on: the start channel would be started
    start_with_fixture(R"({"withhold": ["_tapTask"]})", config);
    ASSERT_EQ(load(), 0);
    EXPECT_NE(log().find("dlsym failed (_tapTask)"), std::string::npos) << log();
    EXPECT_EQ(calls_named("TAP_Channel_Start"), 0) << "no power-on actions without the table";
    EXPECT_EQ(load(), 1) << "the double start cannot be seen";
    EXPECT_EQ(emu->running_count(), 2);
}

// The screen while a TAP sleeps, and the keys pressed meanwhile.

TEST_F(Receiver, TimedBoxesAreInTheScreenRecords) {
    file("/DataFiles/a.rec");
    settings_with(0);
    ASSERT_EQ(load(), 0);
    run("Sat Filelist 7");
    const size_t seen = emu->screens().size();
    run("Record");
    const auto& records = emu->screens();
    const char* text = "Please press this key again at target directory.";
    size_t shown = seen;
    while (shown < records.size() && records[shown].text.find(text) == std::string::npos)
        ++shown;
    ASSERT_LT(shown, records.size()) << "the box was recorded while the TAP slept";
    ASSERT_LT(shown + 1, records.size());
    EXPECT_EQ(records[shown + 1].text.find(text), std::string::npos) << "then closed";
    EXPECT_GE(records[shown + 1].tick - records[shown].tick, 120u) << "1.2 s later";
    EXPECT_FALSE(screen_has(text));
}

TEST_F(Receiver, KeysPressedWhileATapSleepsArriveWhenItWakes) {
    file("/DataFiles/a.rec");
    file("/DataFiles/b.rec");
    settings_with(0);
    ASSERT_EQ(load(), 0);
    run("Sat Filelist 7");
    const size_t from = emu->trace().events().size();
    // Record without marks shows a message for 1.2 s; v is pressed 0.3 s after Record.
    run("Record v");
    std::vector<tapsim::TraceEvent> all = events_from(from, true);
    ASSERT_GE(all.size(), 4u);
    ASSERT_EQ(all[0].code, KEY_RECORD);
    // Record's release and v's press waited in the queue: they arrive one after the other,
    // with no idle event in between, as soon as the TAP is back.
    EXPECT_EQ(all[1].kind, "key");
    EXPECT_EQ(all[1].code, KEY_RECORD | 0x2000000u);
    EXPECT_EQ(all[2].kind, "key");
    EXPECT_EQ(all[2].code, KEY_DOWN);
    EXPECT_GE(all[1].tick - all[0].tick, 120u) << "after the sleep";
    EXPECT_LT(all[2].tick - all[1].tick, 10u) << "at once, not 0.2 s later";
    EXPECT_TRUE(screen_has("b.rec")) << screen();
    // A wait begins when the TAP is done: a second later the clock is a second further.
    const uint64_t now = emu->clock().ticks();
    run("wait 1s");
    EXPECT_EQ(emu->clock().ticks(), now + 100);
}

// What the screen text model holds.

TEST_F(Receiver, TheLineEditorsCursorIsABlankRunOfTheModel) {
    file("/DataFiles/abc.rec");
    settings_with(0);
    ASSERT_EQ(load(), 0);
    run("Sat Filelist 7 White");
    ASSERT_TRUE(screen_has("abc.rec - Rename")) << screen();
    // The editor's line: the cursor on the first letter, in colours of its own.
    auto pair_at = [&](const std::string& first, const std::string& second) {
        const auto r = runs();
        for (size_t i = 0; i + 1 < r.size(); ++i)
            if (r[i].first == first && r[i + 1].first == second && r[i].second != r[i + 1].second)
                return true;
        return false;
    };
    EXPECT_TRUE(pair_at("a", "bc.rec")) << screen();
    // At the end of the text the cursor is a blank: still a run of the model.
    run(">|");
    EXPECT_TRUE(pair_at("abc.rec", " ")) << screen();
    run("Exit Exit");
}

// The time drawing takes.

TEST_F(Receiver, DrawingTakesTimeWhichTheTimingDisplayShows) {
    for (bool diagnostic : {false, true}) {
        SCOPED_TRACE(diagnostic);
        emu.reset();
        fs::create_directories(disk_path("/DataFiles"));
        settings_with(diagnostic ? SET_DIAGNOSTIC : 0);
        start();
        ASSERT_EQ(load(), 0);
        const size_t from = emu->trace().events().size();
        const size_t seen = emu->screens().size();
        run("Sat Filelist 7");
        ASSERT_GT(emu->screens().size(), seen);
        // The tick of the key that opened the list, and of the sync that showed it.
        std::vector<tapsim::TraceEvent> keys = events_from(from, false);
        ASSERT_GE(keys.size(), 5u);
        const uint64_t pressed = keys[4].tick, shown = emu->screens().back().tick;
        EXPECT_GE(shown - pressed, 2u) << "a full window takes a few ticks to draw";
        EXPECT_LE(shown - pressed, 25u) << "but little enough for double presses";
        std::smatch m;
        std::string text = screen();
        const bool timed = std::regex_search(text, m, std::regex("\n ?(\\d+)\\.(\\d\\d)\n"));
        EXPECT_EQ(timed, diagnostic) << text;
        if (timed) {
            const uint64_t ticks = std::stoul(m[1]) * 100 + std::stoul(m[2]);
            EXPECT_GE(ticks, 2u);
            EXPECT_LE(ticks, shown - pressed);
        }
    }
}
