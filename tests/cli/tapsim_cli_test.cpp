// tapsim as a user runs it: options, outputs, errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <png.h>
#include <sstream>
#include <sys/wait.h>

#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out;
};

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = tapsim::make_temp_dir("tapsim-cli");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    Outcome tapsim(const std::vector<std::string>& args) {
        std::string cmd = quote(TOVAK_TAPSIM);
        for (const std::string& a : args)
            cmd += " " + quote(a);
        cmd += " 2>&1";
        Outcome r{-1, ""};
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return r;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            r.out.append(buf, n);
        int st = pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        return r;
    }
    std::string path(const char* name) const { return (dir / name).string(); }
    std::vector<nlohmann::json> trace_lines(const char* name) {
        std::vector<nlohmann::json> lines;
        std::ifstream in(path(name));
        std::string line;
        while (std::getline(in, line))
            lines.push_back(nlohmann::json::parse(line));
        return lines;
    }
    fs::path dir;
};

bool png_size(const std::string& file, unsigned* w, unsigned* h) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, file.c_str())) return false;
    *w = img.width;
    *h = img.height;
    png_image_free(&img);
    return true;
}

} // namespace

TEST_F(Cli, WritesScreenPictureAndTextModel) {
    Outcome r = tapsim({"--png", path("x.png"), "--screen", path("s.json")});
    ASSERT_EQ(r.status, 0) << r.out;
    unsigned w = 0, h = 0;
    ASSERT_TRUE(png_size(path("x.png"), &w, &h));
    EXPECT_EQ(w, 720u);
    EXPECT_EQ(h, 576u);
    std::ifstream in(path("s.json"));
    nlohmann::json screen = nlohmann::json::parse(in);
    EXPECT_TRUE(screen["regions"].is_array());
}

TEST_F(Cli, KeysReachTheTapAndTheTraceSaysWhatTheReceiverGot) {
    Outcome r =
        tapsim({"--keys", "P+ Sat Mute", "--trace", path("t.jsonl"), "--screen", path("s.json")});
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<nlohmann::json> keys;
    bool stop = false;
    for (const nlohmann::json& j : trace_lines("t.jsonl")) {
        ASSERT_TRUE(j.contains("tick"));
        if (j.value("ev", "") == "key") keys.push_back(j);
        if (j.value("ev", "") == "stop") stop = true;
    }
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[0]["code"], "0x10045");
    EXPECT_EQ(keys[0]["result"], "0x10045") << "P+ reaches the receiver";
    EXPECT_EQ(keys[2]["code"], "0x10040");
    EXPECT_EQ(keys[2]["result"], "0x0") << "the TAP key is taken";
    EXPECT_EQ(keys[3]["code"], "0x2010040");
    EXPECT_EQ(keys[3]["result"], "0x0") << "and its release";
    EXPECT_TRUE(stop) << "every TAP gets the stop event at the end";
    std::ifstream in(path("s.json"));
    nlohmann::json screen = nlohmann::json::parse(in);
    ASSERT_EQ(screen["regions"].size(), 1u);
    const nlohmann::json& region = screen["regions"][0];
    for (const char* field : {"x", "y", "w", "h", "texts"})
        EXPECT_TRUE(region.contains(field)) << field;
    bool found = false;
    for (const nlohmann::json& t : region["texts"]) {
        found |= t["text"].get<std::string>().find("TovakRC") != std::string::npos;
        EXPECT_EQ(t["fg"].get<std::string>().size(), 10u);
    }
    EXPECT_TRUE(found) << region.dump();
}

TEST_F(Cli, ScriptCommandsHoldWaitSnapStopAndMessage) {
    std::ofstream(path("s.txt"))
        << "# a comment\nSat\nhold 5 3\nwait 2s\nsnap shown\n0x1003f\nmsg 3\nstop\n";
    Outcome r =
        tapsim({"--script", path("s.txt"), "--trace", path("t.jsonl"), "--shots", path("shots")});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("shown.png"), std::string::npos)
        << "snapshot paths are printed: " << r.out;
    EXPECT_TRUE(fs::exists(path("shots/shown.png")));
    EXPECT_TRUE(fs::exists(path("shots/shown.json")));
    int repeats = 0, idles = 0, msgs = 0, stops = 0;
    uint64_t first_tick = 0, last_tick = 0;
    for (const nlohmann::json& j : trace_lines("t.jsonl")) {
        std::string ev = j.value("ev", "");
        if (ev == "key" && j["code"] == "0x1010005") ++repeats;
        idles += ev == "idle";
        msgs += ev == "msg";
        stops += ev == "stop";
        if (!first_tick) first_tick = j["tick"];
        last_tick = j["tick"];
    }
    EXPECT_EQ(repeats, 3);
    EXPECT_EQ(msgs, 1);
    EXPECT_EQ(stops, 1) << "the TAP is unloaded after the script's stop: none at the end";
    EXPECT_GE(idles, 200) << "wait 2s runs idle events";
    EXPECT_GE(last_tick - first_tick, 200u);
}

TEST_F(Cli, SecondTapLoadsIntoTheNextSlot) {
    Outcome r = tapsim({"--tap", TOVAK_TAP_TOVAKRC, "--tap", TOVAK_TAP_PROBE, "--keys", "P+",
                        "--trace", path("t.jsonl")});
    ASSERT_EQ(r.status, 0) << r.out;
    bool slot1 = false;
    for (const nlohmann::json& j : trace_lines("t.jsonl"))
        slot1 |= j.value("tap", -1) == 1;
    EXPECT_TRUE(slot1);
}

// As a receiver at power-on: the ".tap" files of "/ProgramFiles/Auto Start" in name order, run
// from there, then the TAPs of --tap.
TEST_F(Cli, AutostartLoadsTheStartFolderInNameOrderBeforeTheGivenTaps) {
    const fs::path start = dir / "disk/ProgramFiles/Auto Start";
    fs::create_directories(start);
    fs::copy_file(TOVAK_TAP_TOVAKRC, start / "b_tovakrc.tap");
    fs::copy_file(TOVAK_TAP_PROBE, start / "a_probe.tap");
    std::ofstream(start / "notes.txt") << "not a TAP\n";
    Outcome r = tapsim({"--disk", path("disk"), "--autostart", "--tap", TOVAK_TAP_PROBE, "--keys",
                        "Sat", "--trace", path("t.jsonl")});
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<int> slots;
    int tap_key_taken_in = -1;
    for (const nlohmann::json& j : trace_lines("t.jsonl")) {
        if (j.value("call", "") == "__TAP_Init_") slots.push_back(j["args"][0].get<int>());
        if (j.value("ev", "") == "key" && j.value("code", "") == "0x10040" &&
            j.value("result", "") == "0x0" && tap_key_taken_in < 0)
            tap_key_taken_in = j.value("tap", -1);
    }
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 2})) << "two from the folder, one given";
    EXPECT_EQ(tap_key_taken_in, 1) << "the resident TAP is the second by name";
    EXPECT_FALSE(fs::exists(dir / "disk/ProgramFiles/b_tovakrc.tap")) << "runs where it lies";
    EXPECT_TRUE(fs::exists(dir / "disk/ProgramFiles/probe.tap")) << "the given TAP is installed";
    EXPECT_TRUE(fs::exists(start / "b_tovakrc.tap"));
}

TEST_F(Cli, ATapEndingAtItsStartLeavesTheRunToTheOthersAndItsBoxIsRecorded) {
    fs::create_directories(dir / "disk/DataFiles");
    std::ofstream(dir / "disk/DataFiles/a.rec") << "stream";
    std::ofstream(path("s.txt")) << "Sat\nFilelist\n7\nsnap marked sleep\nRecord\n";
    Outcome r =
        tapsim({"--disk", path("disk"), "--tap", TOVAK_TAP_TOVAKRC, "--tap", TOVAK_TAP_TOVAKRC,
                "--script", path("s.txt"), "--screens", path("screens.jsonl"), "--shots",
                path("shots"), "--trace", path("t.jsonl")});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("ended at its start"), std::string::npos) << r.out;
    // The second copy's box, shown while it slept at its start, then the first copy's list.
    std::vector<nlohmann::json> screens = trace_lines("screens.jsonl");
    auto shows = [](const nlohmann::json& record, const std::string& text) {
        return record["screen"].dump().find(text) != std::string::npos;
    };
    auto box = std::find_if(screens.begin(), screens.end(),
                            [&](const auto& s) { return shows(s, "TAP l\u00e4uft bereits."); });
    ASSERT_NE(box, screens.end());
    auto list =
        std::find_if(box, screens.end(), [&](const auto& s) { return shows(s, "/DataFiles"); });
    ASSERT_NE(list, screens.end()) << "the first copy runs on";
    EXPECT_GT((*list)["tick"].get<uint64_t>(), (*box)["tick"].get<uint64_t>());
    // The snapshot armed for the next sleep holds the message shown during it.
    std::ifstream in(path("shots/marked.json"));
    std::string marked((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(marked.find("Zielverzeichnis"), std::string::npos) << marked;
    EXPECT_NE(r.out.find("marked.json"), std::string::npos) << r.out;
}

TEST_F(Cli, UptimeDecidesWhetherTheTapSeesTheBroadcastClock) {
    fs::create_directories(dir / "disk");
    Outcome r = tapsim({"--disk", path("disk"), "--tap", TOVAK_TAP_PROBE, "--uptime", "30",
                        "--clock", "2026-12-10 20:15:00", "--keys", "1"});
    ASSERT_EQ(r.status, 0) << r.out;
    std::ifstream in(dir / "disk" / "probe.txt");
    std::string report((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // 30 s after power-on, plus the half second of idle events after loading.
    EXPECT_EQ(report.rfind("time=946684830 mjd=61384 20:15:00", 0), 0u) << report;
}

TEST_F(Cli, BadInputIsRefusedWithAMessage) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"--bogus", "1"}, 2, "unknown option"},
        {{"--disk"}, 2, "needs a value"},
        {{"--keys", "Sat Nonsense"}, 2, "unknown key"},
        {{"--uptime", "-5"}, 2, "bad --uptime"},
        {{"--clock", "tomorrow"}, 1, "bad clock"},
        {{"--tap", "/nonexistent.tap"}, 1, "did not start"},
        {{"--fixture", "/nonexistent.json"}, 1, "cannot open fixture"},
        {{"--autostart", "--disk", path("empty")}, 1, "no TAP in \"/ProgramFiles/Auto Start\""},
    };
    fs::create_directories(path("empty"));
    for (const Case& c : cases) {
        Outcome r = tapsim(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0] << ": " << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args[0] << ": " << r.out;
    }
    std::ofstream(path("bad.txt")) << "wait forever\n";
    Outcome r = tapsim({"--script", path("bad.txt")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("bad.txt:1"), std::string::npos) << r.out;
}

TEST_F(Cli, FixtureSetsTheReceiverState) {
    std::ofstream(path("f.json")) << R"({"system_id": 12345, "clock": "2025-01-02 03:04:05",
        "uptime": 45, "channels": {"radio": ["A", "B", "C", "D"]}})";
    fs::create_directories(dir / "disk");
    Outcome r = tapsim({"--disk", path("disk"), "--fixture", path("f.json"), "--tap",
                        TOVAK_TAP_PROBE, "--keys", "1 2", "--trace", path("t.jsonl")});
    ASSERT_EQ(r.status, 0) << r.out;
    std::ifstream in(dir / "disk" / "probe.txt");
    std::string report((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(report.rfind("time=946684845 ", 0), 0u) << report;
    bool channel = false;
    for (const nlohmann::json& j : trace_lines("t.jsonl"))
        if (j.value("call", "") == "TAP_Channel_Start") {
            EXPECT_EQ(j["args"], nlohmann::json::parse("[1,1,2]"));
            channel = true;
        }
    EXPECT_TRUE(channel);
}

// The demo disk comes with the demo receiver's guide; a fixture given with it keeps what it sets
// (the demo's own run gives one with its web hosts).
TEST_F(Cli, DemoDiskHasTheDemoGuideBesideAGivenFixture) {
    struct Case {
        const char* fixture;
        const char* shown;     // in the EPG's channels list
        const char* not_shown; // "" for nothing
    } cases[] = {
        {R"({"hosts": {"www.tovak.test": {"http": 9}}})", "Das Erste HD", ""},
        {R"({"clock": "2026-12-11 08:00:00"})", "Fr 11.12.2026  8:00", ""},
        {R"({"channels": {"tv": ["Only One"]}})", "Only One", "Das Erste HD"},
    };
    std::ofstream(path("s.txt")) << "Sat\nGuide\nsnap epg\nExit\n";
    for (const Case& c : cases) {
        std::ofstream(path("f.json")) << c.fixture;
        fs::remove_all(dir / "shots");
        Outcome r = tapsim(
            {"--fixture", path("f.json"), "--script", path("s.txt"), "--shots", path("shots")});
        ASSERT_EQ(r.status, 0) << c.fixture << "\n" << r.out;
        std::ifstream in(dir / "shots" / "epg.json");
        const std::string screen((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
        EXPECT_NE(screen.find("EPG v4.92a"), std::string::npos) << c.fixture << "\n" << screen;
        EXPECT_NE(screen.find(c.shown), std::string::npos) << c.fixture << "\n" << screen;
        if (*c.not_shown)
            EXPECT_EQ(screen.find(c.not_shown), std::string::npos) << c.fixture << "\n" << screen;
    }
}

// The demo's run of the HD TAP shows what it says: the menu, the calculator with its help and a
// result, and the various infos.
TEST_F(Cli, HdTapDemoShowsMenuCalculatorAndInfos) {
    fs::create_directories(dir / "disk" / "ProgramFiles");
    Outcome r = tapsim({"--disk", path("disk"), "--tap", TOVAK_TAP_HD, "--script",
                        TOVAK_SOURCE_DIR "/tools/demo_hd.script", "--shots", path("shots")});
    ASSERT_EQ(r.status, 0) << r.out;
    auto texts = [&](const char* snap) {
        std::string all;
        std::ifstream in(dir / "shots" / (std::string(snap) + ".json"));
        const nlohmann::json screen = nlohmann::json::parse(in);
        for (const nlohmann::json& region : screen["regions"])
            for (const nlohmann::json& t : region["texts"])
                all += t["text"].get<std::string>() + "\n";
        return all;
    };
    struct Shown {
        const char* snap;
        const char* text;
    } shown[] = {
        {"hd_01_menu", "TovakRC v2.30 HD\n"},
        {"hd_01_menu", "Small Calculator\n"},
        {"hd_02_calculator", " TovakRC Calculator\n"},
        {"hd_02_calculator", " Recall: Komma/Exponent\n"},
        {"hd_03_calculation", " 1.5e3+20=\n"},
        {"hd_03_calculation", " 1520 "},
        {"hd_04_infos", " System ID: 22010\n"},
        {"hd_04_infos", " Signal: Level="},
    };
    for (const Shown& s : shown)
        EXPECT_NE(texts(s.snap).find(s.text), std::string::npos)
            << s.snap << " lacks \"" << s.text << "\":\n"
            << texts(s.snap);
}
