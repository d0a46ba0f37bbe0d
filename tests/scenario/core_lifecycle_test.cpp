// The resident TAP's life in the emulator: the first start on an empty disk, later starts with
// their backups, the usage day, the power-on actions, a second copy, and the ways out.
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "common/key_names.h"
#include "scenario.h"

namespace fs = std::filesystem;
using scenario::Scenario;

namespace {

constexpr uint16_t mjd_2026_12_10 = 61384;
const char* const settings_dir = "/ProgramFiles/Settings/TovakRC";

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

uint32_t le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(b.at(at + i));
    return v;
}

void put_le(std::string* b, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        (*b)[at + i] = static_cast<char>(v >> (8 * i));
}

// A settings record as the settings menu would have saved it.
struct SettingsBytes {
    uint32_t flags = 0x90002;
    uint32_t startup = 0;
    int16_t start_channel = 0;
    uint8_t receiver_id = 0;
    std::string bytes() const {
        std::string b(256, '\0');
        put_le(&b, 0x08, 1, 4); // initialised
        put_le(&b, 0x0C, flags, 4);
        b[0x10] = static_cast<char>(receiver_id);
        b[0x11] = b[0x12] = 1;
        put_le(&b, 0x18, startup, 4);
        put_le(&b, 0x1C, static_cast<uint16_t>(start_channel), 2);
        std::string path = "/WebCache/Bookmarks.html";
        b.replace(0x80, path.size(), path);
        return b;
    }
};

// The template of the key mapping file, written out here line by line.
std::string map_template() {
    std::string t =
        "Key Mapping Definitions\n"
        "=======================\n"
        "\n"
        "\t{key_code}\t[target_code]\t[conditions]\t# comment\n"
        "\n"
        "# e.g.\t0x1001a\t\t\t\tPM0\t\t# suppress Pause key in live TV\n"
        "# e.g.\t0x10050\t\t0x10022\t\t\t\t# restore the portal \"M\" key to TvSat in "
        "AUS\n"
        "\n"
        "#\tsome conditions:\t\tST0\t\t# normal state (outside of TAP and system OSDs)\n"
        "#\t\t\t\t\tST1\t\t# system menu\n"
        "#\t\t\t\t\tST2\t\t# system EPG\n"
        "#\t\t\t\t\tST4\t\t# system teletext\n"
        "#\t\t\t\t\tST6\t\t# system filer\n"
        "#\t\t\t\t\tST7\t\t# TAP OSD\n"
        "\n"
        "#\tsome substates:\t\t\tSS34\t\t# favourite list\n"
        "#\t\t\t\t\tSS36\t\t# audio selector\n"
        "\n"
        "#\tsome playmodes:\t\t\tPM0\t\t# no playback\n"
        "#\t\t\t\t\tPM2\t\t# normal playback\n"
        "#\t\t\t\t\tPM3\t\t# timeshift playback\n"
        "#\t\t\t\t\tPM4\t\t# timeshift playback of current recording\n"
        "#\t\t\t\t\tPM5\t\t# MP3 playback\n"
        "\n";
    for (const key_name_row& row : key_name_table) {
        std::ostringstream line;
        line << "#\t0x" << std::hex << row.code << "\t\t\t\t\t\t# " << row.name << "\n";
        t += line.str();
    }
    return t;
}

class Lifecycle : public Scenario {
  protected:
    fs::path settings_file(const std::string& name) const {
        return disk_path(std::string(settings_dir) + "/" + name);
    }
    std::string record(const std::string& name) const { return read_file(settings_file(name)); }
    // Starts the emulator anew on the same disk (a later power-on or TAP start).
    void restart(tapsim::Config config = {}) {
        emu.reset();
        start(config);
    }
    bool has_call(const std::string& name, const std::vector<int64_t>& args) const {
        for (const tapsim::TraceCall& c : emu->trace().calls())
            if (c.name == name && c.args == args) return true;
        return false;
    }
};

} // namespace

TEST_F(Lifecycle, FirstStartOnAnEmptyDiskCreatesFoldersRecordsMapAndLinks) {
    ASSERT_EQ(load(), 0);
    for (const char* folder :
         {"/ProgramFiles/Settings/TovakRC", "/tmp", "/Captures", "/PlayList", "/WebCache"})
        EXPECT_TRUE(fs::is_directory(disk_path(folder))) << folder;

    // The settings with the first-run defaults of a German receiver 22010, saved at once.
    std::string ini = record("TovakRC.ini");
    ASSERT_EQ(ini.size(), 256u);
    EXPECT_EQ(le(ini, 0x08, 4), 1u) << "initialised";
    EXPECT_EQ(le(ini, 0x0C, 4), 0x90002u) << "flags without English";
    EXPECT_EQ(ini[0x11], 1) << "receiver model";
    EXPECT_EQ(ini[0x12], 1) << "remote model";
    EXPECT_EQ(le(ini, 0x18, 4), 0u) << "Max. Files and Max. Text stay 0 in the file";
    EXPECT_STREQ(ini.c_str() + 0x80, "/WebCache/Bookmarks.html");
    EXPECT_FALSE(fs::exists(settings_file("TovakRC.ini.backup")))
        << "the backup follows at the next start";

    EXPECT_EQ(record("TovakRC.map"), map_template());

    std::string bookmarks = read_file(disk_path("/WebCache/Bookmarks.html"));
    EXPECT_EQ(bookmarks.rfind("<A HREF=\"../ProgramFiles/Settings/TovakRC/tovakrc.txt\">"
                              "/ProgramFiles/Settings/TovakRC/tovakrc.txt</A><BR>\n",
                              0),
              0u)
        << bookmarks;
    for (const char* entry : {"#*FAZ-Live\">F.A.Z.</A>", "#24-Stunden-Newsticker\">Focus</A>",
                              "#7-Tage-News\">Heise</A>", "\">kicker</A>", "\">New York Times</A>",
                              "/international/__index__.html\">The Guardian</A>", "\">Die Welt</A>",
                              "#*Aktuelle_Berichte\">Wiener Zeitung</A>"})
        EXPECT_NE(bookmarks.find(entry), std::string::npos) << entry;
    EXPECT_EQ(bookmarks.substr(bookmarks.size() - 4), "<P>\n");
    EXPECT_EQ(fs::status(disk_path("/WebCache/Bookmarks.html")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);

    for (const char* link : {"sdb1", "sdb2"}) {
        fs::path p = disk / link;
        ASSERT_TRUE(fs::is_symlink(p)) << link;
        EXPECT_EQ(fs::read_symlink(p).string(), emu->root() + "/mnt/" + link);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(disk / "root"))) << "only in diagnostic mode";
    EXPECT_TRUE(fs::is_directory(disk / "sdb1")) << "the USB medium is reachable through it";

    // The exit writes the key statistics, and the usage record once a key opened a session.
    run("P+\nmsg 1");
    EXPECT_EQ(emu->running_count(), 0);
    std::string keys = record("TovakRC.key");
    ASSERT_EQ(keys.size(), 512u);
    EXPECT_EQ(le(keys, 0x00, 2), mjd_2026_12_10) << "statistics begin today";
    EXPECT_EQ(le(keys, 0x04, 4), 1u) << "total";
    EXPECT_EQ(le(keys, 0x08 + 4 * 0x45, 4), 1u) << "P+ once, no longer held";
    std::string dat = record("TovakRC.dat");
    ASSERT_EQ(dat.size(), 64u);
    EXPECT_EQ(le(dat, 0x00, 2), 1u) << "starts";
    EXPECT_EQ(le(dat, 0x02, 2), mjd_2026_12_10) << "first start";
    EXPECT_EQ(le(dat, 0x08, 2), 1u) << "usage days";
    EXPECT_EQ(le(dat, 0x0A, 2), mjd_2026_12_10) << "current usage day";
    EXPECT_EQ(le(dat, 0x10, 2), mjd_2026_12_10) << "first key today";
    EXPECT_EQ(le(dat, 0x18, 2), mjd_2026_12_10) << "last exit";
    EXPECT_EQ(static_cast<uint8_t>(dat[0x1A]), 20) << "exit hour";
    EXPECT_EQ(le(dat, 0x20, 4), 1u) << "one key press (its release)";
}

TEST_F(Lifecycle, SecondStartRefreshesTheBackups) {
    ASSERT_EQ(load(), 0);
    run("P+\nmsg 1");
    for (const char* name : {"TovakRC.ini", "TovakRC.dat", "TovakRC.key"})
        ASSERT_FALSE(fs::exists(settings_file(std::string(name) + ".backup"))) << name;
    restart();
    ASSERT_EQ(load(), 0);
    for (const char* name : {"TovakRC.ini", "TovakRC.dat", "TovakRC.key"}) {
        std::string backup = record(std::string(name) + ".backup");
        EXPECT_FALSE(backup.empty()) << name;
        EXPECT_EQ(backup, record(name)) << name;
    }
    EXPECT_FALSE(fs::exists(settings_file("TovakRC.pos.backup"))) << "no location record yet";
}

TEST_F(Lifecycle, SettingsComeFromTheBackupWhenTheFileIsGoneAndDefaultsWhenBothAre) {
    // Settings of a user: Aux is the TAP key, logging on.
    SettingsBytes mine;
    mine.flags |= 0x40 | 0x20000000;
    write_file(settings_file("TovakRC.ini"), mine.bytes());
    ASSERT_EQ(load(), 0);
    run("msg 1");
    restart();
    ASSERT_EQ(load(), 0);
    run("msg 1");
    ASSERT_EQ(record("TovakRC.ini.backup"), mine.bytes());

    fs::remove(settings_file("TovakRC.ini"));
    restart();
    ASSERT_EQ(load(), 0);
    run("Aux Aux");
    EXPECT_EQ(last_result(), 0x10022u) << "Aux is still the TAP key";
    EXPECT_EQ(record("TovakRC.ini.backup"), mine.bytes()) << "the backup stays";
    EXPECT_NE(record("TovakRC.log").find("SystemId = 22010"), std::string::npos);
    run("msg 1");

    fs::remove(settings_file("TovakRC.ini"));
    fs::remove(settings_file("TovakRC.ini.backup"));
    restart();
    ASSERT_EQ(load(), 0);
    EXPECT_EQ(le(record("TovakRC.ini"), 0x0C, 4), 0x90002u) << "first-run defaults, saved";
    run("Sat Sat");
    EXPECT_EQ(last_result(), 0x10040u) << "Sat is the TAP key again";
}

TEST_F(Lifecycle, ASettingsFileOfAnotherProgramFallsBackToTheBackupAndKeepsIt) {
    SettingsBytes mine;
    mine.flags |= 0x40;
    write_file(settings_file("TovakRC.ini"), mine.bytes());
    ASSERT_EQ(load(), 0);
    run("msg 1");
    restart();
    ASSERT_EQ(load(), 0);
    run("msg 1");
    ASSERT_EQ(record("TovakRC.ini.backup"), mine.bytes());

    struct Case {
        const char* what;
        std::string ini;
    } cases[] = {
        {"cut to 32 bytes", mine.bytes().substr(0, 32)},
        {"empty", ""},
        {"all 0xFF", std::string(256, '\xFF')},
        {"out-of-range models and IDs",
         [&] {
             std::string b = mine.bytes();
             b[0x10] = 42;
             b[0x11] = b[0x12] = 9;
             return b;
         }()},
        {"bookmark path without its end",
         [&] {
             std::string b = mine.bytes();
             std::fill(b.begin() + 0x80, b.end(), 'x');
             return b;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(settings_file("TovakRC.ini"), c.ini);
        restart();
        ASSERT_EQ(load(), 0);
        run("Aux Aux");
        EXPECT_EQ(last_result(), 0x10022u) << "the settings of the backup";
        run("msg 1");
        EXPECT_EQ(record("TovakRC.ini.backup"), mine.bytes());
        EXPECT_EQ(record("TovakRC.ini"), c.ini) << "nothing writes the settings at start";
    }
}

TEST_F(Lifecycle, NonsenseSettingsWithoutBackupAreBroughtIntoRange) {
    // Every field 0x7F: models, receiver ID, Max. Files and Max. Text far out of range; among
    // the flags, Aux is the TAP key.
    std::string junk(256, '\x7F');
    write_file(settings_file("TovakRC.ini"), junk);
    start();
    uint64_t before = emu->mem_in_use();
    ASSERT_EQ(load(), 0);
    // Max. Files and Max. Text at most 20: 20000 entries and 100000 line pointers.
    EXPECT_LT(emu->mem_in_use() - before, 20000u * 32 + 100000u * 8 + 256 * 1024);
    run("Aux Aux");
    EXPECT_EQ(last_result(), 0x10022u);
    EXPECT_EQ(record("TovakRC.ini"), junk);
    EXPECT_FALSE(fs::exists(settings_file("TovakRC.ini.backup")))
        << "a record of another program never becomes the backup";
}

TEST_F(Lifecycle, AStartAt0430CountsForThePreviousUsageDay) {
    tapsim::Config early;
    early.clock = "2026-12-10 04:30:00";
    start(early);
    ASSERT_EQ(load(), 0);
    run("wait 2s\nOk\nwait 10s\nmsg 1");
    std::string dat = record("TovakRC.dat");
    ASSERT_EQ(dat.size(), 64u);
    EXPECT_EQ(le(dat, 0x0A, 2), mjd_2026_12_10 - 1u) << "usage day of 04:30";
    EXPECT_EQ(le(dat, 0x08, 2), 1u);
    EXPECT_EQ(le(dat, 0x18, 2), mjd_2026_12_10) << "the exit itself is dated by the calendar";
    const uint32_t first_run = le(dat, 0x0C, 4);
    EXPECT_GE(first_run, 10u);
    EXPECT_LE(first_run, 12u);

    // 04:59 still belongs to that day; 05:01 begins the next one.
    tapsim::Config before_five;
    before_five.clock = "2026-12-10 04:59:00";
    restart(before_five);
    ASSERT_EQ(load(), 0);
    run("Ok\nmsg 1");
    dat = record("TovakRC.dat");
    EXPECT_EQ(le(dat, 0x08, 2), 1u) << "same usage day";
    EXPECT_EQ(le(dat, 0x00, 2), 2u) << "starts";

    tapsim::Config after_five;
    after_five.clock = "2026-12-10 05:01:00";
    restart(after_five);
    ASSERT_EQ(load(), 0);
    run("Ok\nmsg 1");
    dat = record("TovakRC.dat");
    EXPECT_EQ(le(dat, 0x08, 2), 2u) << "two usage days";
    EXPECT_EQ(le(dat, 0x0A, 2), mjd_2026_12_10);
    EXPECT_GE(le(dat, 0x04, 4), first_run) << "earlier days' run time";
    EXPECT_EQ(le(dat, 0x14, 2), mjd_2026_12_10) << "last exit before today";
    EXPECT_EQ(static_cast<uint8_t>(dat[0x16]), 4) << "at 04:59";
    EXPECT_EQ(le(dat, 0x10, 2), mjd_2026_12_10) << "first key of the new day";
    EXPECT_EQ(static_cast<uint8_t>(dat[0x12]), 5);
}

struct PowerOnCase {
    const char* name;
    int16_t start_channel;
    uint32_t startup; // bit 2 muted, bit 3 paused
    int64_t uptime;
    std::vector<int64_t> channel; // expected TAP_Channel_Start arguments, empty: none
    bool mute, pause;
};

// Test names and failure messages show the case by its name.
void PrintTo(const PowerOnCase& c, std::ostream* os) {
    *os << c.name;
}

class PowerOn : public Lifecycle, public ::testing::WithParamInterface<PowerOnCase> {};

TEST_P(PowerOn, StartChannelMuteAndPauseOnlyRightAfterPowerOn) {
    const PowerOnCase& c = GetParam();
    SettingsBytes s;
    s.start_channel = c.start_channel;
    s.startup = c.startup;
    write_file(settings_file("TovakRC.ini"), s.bytes());
    tapsim::Config config;
    config.uptime = c.uptime;
    start(config);
    ASSERT_EQ(load(), 0);
    if (c.channel.empty()) {
        EXPECT_EQ(calls_named("TAP_Channel_Start"), 0);
    } else {
        EXPECT_EQ(calls_named("TAP_Channel_Start"), 1);
        EXPECT_TRUE(has_call("TAP_Channel_Start", c.channel));
    }
    EXPECT_EQ(has_call("DevService_Mute", {1}), c.mute);
    EXPECT_EQ(emu->state().muted, c.mute);
    EXPECT_EQ(has_call("Appl_PvrPause", {0}), c.pause);
    EXPECT_EQ(emu->state().paused, c.pause);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PowerOn,
    ::testing::Values(PowerOnCase{"radio", -3, 0, 60, {1, 1, 2}, false, false},
                      PowerOnCase{"tv", 3, 0, 60, {1, 0, 2}, false, false},
                      PowerOnCase{"last_channel", 0, 0, 60, {}, false, false},
                      PowerOnCase{"at_120s", 1, 0, 120, {1, 0, 0}, false, false},
                      PowerOnCase{"muted_paused", -1, 0xC, 30, {1, 1, 0}, true, true},
                      PowerOnCase{"started_later", -3, 0xC, 121, {}, false, false},
                      PowerOnCase{"started_by_hand", 3, 0xC, 600, {}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Lifecycle, PowerOnActionsOnlyForTheFirstTapAfterPowerOn) {
    SettingsBytes s;
    s.start_channel = 2;
    write_file(settings_file("TovakRC.ini"), s.bytes());
    tapsim::Config config;
    config.uptime = 20;
    start(config);
    // Another TAP took slot 0: this one is not the first to start.
    ASSERT_EQ(load(TOVAK_TAP_PROBE), 0);
    ASSERT_EQ(load(), 1);
    EXPECT_EQ(calls_named("TAP_Channel_Start"), 0);
}

TEST_F(Lifecycle, ASecondCopyRefusesToStartAndLeavesTheFirstRunning) {
    if (scenario::mips_twin("tovakrc_tms.tap").empty())
        GTEST_SKIP() << "the installed file must be the receiver build";
    ASSERT_EQ(load(), 0);
    run("Sat Mute"); // the general help, over no window
    ASSERT_TRUE(screen_has("TovakRC")) << screen();
    const std::string help = screen();
    const bool screen_was_taken = emu->exit_normal();
    const size_t blocks = emu->mem_blocks();
    std::string during_sleep;
    uint32_t slept = 0;
    emu->on_sleep = [&](uint32_t ms) {
        during_sleep = screen();
        slept += ms;
    };
    EXPECT_EQ(load(), tapsim::Emulator::ended_at_start);
    emu->on_sleep = nullptr;
    EXPECT_NE(during_sleep.find("TAP l\u00e4uft bereits."), std::string::npos) << during_sleep;
    EXPECT_NE(during_sleep.find("TovakRC"), std::string::npos) << "the box's title";
    EXPECT_EQ(slept, 1200u);
    EXPECT_FALSE(screen_has("bereits")) << "the box is closed again";
    EXPECT_EQ(emu->running_count(), 1);
    EXPECT_TRUE(emu->running(0));
    EXPECT_EQ(calls_named("TAP_Exit"), 0) << "the refused copy only returned 0";
    EXPECT_EQ(emu->mem_blocks(), blocks) << "the refused copy gave its memory back";
    EXPECT_EQ(emu->exit_normal(), screen_was_taken) << "the refused copy leaves the screen alone";
    // The first copy goes on as before.
    EXPECT_EQ(screen(), help);
    run("Exit\nSat Sat");
    EXPECT_EQ(last_result(), 0x10040u);
}

TEST_F(Lifecycle, StopSavesAndIsUnloadedExitSavesAndEnds) {
    write_file(settings_file("autostart.sh"),
               "#!/bin/sh\necho started > \"$(dirname \"$0\")/mark\"\n");
    write_file(settings_file("autostop.sh"),
               "#!/bin/sh\necho stopped >> \"$(dirname \"$0\")/mark\"\n");
    ASSERT_EQ(load(), 0);
    EXPECT_EQ(record("mark"), "started\n");
    EXPECT_TRUE(fs::exists(settings_file("autostart.sh (Output)")));
    run("hold V+ 10\nwait 3s");
    run("stop");
    EXPECT_EQ(emu->running_count(), 0) << "the receiver unloads a TAP after its stop event";
    EXPECT_EQ(calls_named("TAP_Exit"), 0) << "the TAP itself does not end at a stop";
    EXPECT_EQ(record("mark"), "started\nstopped\n");
    std::string keys = record("TovakRC.key");
    ASSERT_EQ(keys.size(), 512u);
    EXPECT_EQ(le(keys, 0x08 + 4 * 0x47, 4), 1u) << "V+ held for ten repeats counts once";
    std::string dat = record("TovakRC.dat");
    ASSERT_EQ(dat.size(), 64u);
    EXPECT_GE(le(dat, 0x0C, 4), 3u) << "the session's seconds";
    EXPECT_EQ(le(dat, 0x20, 4), 1u);

    // Started again, the exit command: without a new session the exit leaves the usage record
    // alone but still saves the keys, and gives back what it took.
    const size_t blocks = emu->mem_blocks();
    ASSERT_EQ(load(), 0);
    EXPECT_EQ(record("mark"), "started\n");
    fs::remove(settings_file("TovakRC.dat"));
    fs::remove(settings_file("TovakRC.key"));
    run("msg 1");
    EXPECT_EQ(emu->running_count(), 0);
    EXPECT_EQ(calls_named("TAP_Exit"), 1);
    EXPECT_FALSE(fs::exists(settings_file("TovakRC.dat")));
    EXPECT_TRUE(fs::exists(settings_file("TovakRC.key")));
    EXPECT_EQ(record("mark"), "started\nstopped\n");
    EXPECT_EQ(emu->mem_blocks(), blocks) << "the TAP gave its memory back before it ended";
}

TEST_F(Lifecycle, LeftOversOfTheRecordingToolAreRemovedBelowTmp) {
    write_file(disk / "tmp/a.rec (rectool)", "x");
    write_file(disk / "tmp/deep/er/b.ts (rectool)", "x");
    write_file(disk / "tmp/keep.txt", "x");
    write_file(disk / "tmp/c (rectool).txt", "x");
    write_file(disk / "DataFiles/d (rectool)", "x");
    ASSERT_EQ(load(), 0);
    EXPECT_FALSE(fs::exists(disk / "tmp/a.rec (rectool)"));
    EXPECT_FALSE(fs::exists(disk / "tmp/deep/er/b.ts (rectool)"));
    EXPECT_TRUE(fs::exists(disk / "tmp/keep.txt"));
    EXPECT_TRUE(fs::exists(disk / "tmp/c (rectool).txt"));
    EXPECT_TRUE(fs::exists(disk / "DataFiles/d (rectool)")) << "only below /tmp";
}

TEST_F(Lifecycle, DiagnosticModeAddsTheRootLinkAndExistingFilesStay) {
    SettingsBytes s;
    s.flags |= 0x10000000 | 0x100;
    write_file(settings_file("TovakRC.ini"), s.bytes());
    write_file(disk / "WebCache/Bookmarks.html", "mine\n");
    write_file(settings_file("TovakRC.map"), "0x1001a PM0\n");
    fs::create_directory_symlink("/nonexistent", disk / "sdb2");
    ASSERT_EQ(load(), 0);
    EXPECT_EQ(fs::read_symlink(disk / "root").string(), emu->root() + "/");
    EXPECT_EQ(fs::read_symlink(disk / "sdb2"), fs::path("/nonexistent"))
        << "an existing link stays";
    EXPECT_EQ(read_file(disk / "WebCache/Bookmarks.html"), "mine\n");
    EXPECT_EQ(record("TovakRC.map"), "0x1001a PM0\n");
}

TEST_F(Lifecycle, EnglishReceiverGetsEnglishDefaultsAndItsModels) {
    std::ofstream(dir / "fixture.json") << R"({"system_id": 22120, "language": 1})";
    tapsim::Config config;
    config.fixture = (dir / "fixture.json").string();
    start(config);
    ASSERT_EQ(load(), 0);
    std::string ini = record("TovakRC.ini");
    ASSERT_EQ(ini.size(), 256u);
    EXPECT_EQ(le(ini, 0x0C, 4), 0x90102u);
    EXPECT_EQ(ini[0x11], 2);
    EXPECT_EQ(ini[0x12], 2);
    EXPECT_EQ(read_file(disk_path("/WebCache/Bookmarks.html"))
                  .rfind("<A HREF=\"../ProgramFiles/Settings/TovakRC/tovakrc_en.txt\">", 0),
              0u);
}

TEST_F(Lifecycle, AnAllocationTheReceiverRefusesEndsTheTapWithoutSaving) {
    // Room for the file table (2000 entries) but not for the text viewer's line table (10000
    // pointers; both tables are smaller on the 32-bit receiver).
    std::ofstream(dir / "fixture.json")
        << R"({"memory": {"limit": )" << 40000 + 10000 * sizeof(void*) << "}}";
    tapsim::Config config;
    config.fixture = (dir / "fixture.json").string();
    start(config);
    EXPECT_EQ(load(), tapsim::Emulator::ended_at_start);
    EXPECT_EQ(calls_named("TAP_Exit"), 1);
    EXPECT_EQ(emu->running_count(), 0);
    EXPECT_TRUE(fs::exists(settings_file("TovakRC.ini"))) << "the start-up got that far";
    EXPECT_FALSE(fs::exists(settings_file("TovakRC.key"))) << "nothing is saved";
    EXPECT_FALSE(fs::exists(disk_path("/WebCache"))) << "nor is the start-up continued";
}
