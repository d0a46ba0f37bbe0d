// The settings menu and TAP key + Stop through the emulator: keys in; the menu's lines as the
// screen shows them, the settings file, what the dispatcher does with keys afterwards, the
// network requests and the firmware calls out.
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/records.h"
#include "common/settings.h"
#include "demo_disk.h"
#include "http_server.h"
#include "scenario.h"

namespace fs = std::filesystem;
using scenario::HttpReply;
using scenario::HttpServer;
using scenario::Scenario;

namespace {

constexpr uint16_t TODAY = 61384; // the emulator's date, 10 December 2026
constexpr uint32_t SELECTED_BG = 0xFF800000;

std::string repeat(const std::string& key, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += key + " ";
    return s;
}

// From the first line to line n.
std::string to_line(int n) {
    return "|< " + repeat("v", n - 1);
}

class SettingsMenu : public Scenario {
  protected:
    fs::path settings_file(const std::string& name) const {
        return disk_path("/ProgramFiles/Settings/TovakRC/" + name);
    }
    // Starts the TAP with these settings and, when given, a located position.
    void start_with(void (*setup)(settings_record&), const position_record* where = nullptr,
                    tapsim::Config config = {}) {
        settings_record s{};
        s.initialised = 1;
        s.flags = SET_ENGLISH | SET_START_LISTENING | SET_FILES_OK | SET_INFOS_SUBTITLE;
        s.tf_model = 1;
        s.rc_model = 1;
        s.startup = 2u << 16 | 2u << 24;
        std::strcpy(s.bookmark_path, "/WebCache/Bookmarks.html");
        if (setup) setup(s);
        fs::create_directories(settings_file(""));
        std::ofstream(settings_file("TovakRC.ini"), std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
        if (where)
            std::ofstream(settings_file("TovakRC.pos"), std::ios::binary)
                .write(reinterpret_cast<const char*>(where), sizeof *where);
        start(config);
        ASSERT_EQ(load(), 0);
    }
    settings_record saved() const {
        settings_record s{};
        std::ifstream(settings_file("TovakRC.ini"), std::ios::binary)
            .read(reinterpret_cast<char*>(&s), sizeof s);
        return s;
    }
    // The value shown behind a label ("" when the label is not on the screen).
    std::string value(const std::string& label) const {
        const std::string text = screen(), key = " " + label + " \n";
        const size_t at = text.find(key);
        if (at == std::string::npos) return "";
        const size_t from = at + key.size();
        return text.substr(from, text.find('\n', from) - from);
    }
    // The label of the selected line.
    std::string selected() const {
        for (const tapsim::Region& r : emu->osd().regions())
            if (r.live)
                for (const tapsim::TextRun& run : r.runs)
                    if (run.bg == SELECTED_BG && run.text.size() > 1 && run.text[0] == ' ')
                        return run.text.substr(1);
        return "";
    }
    int menu_width() const {
        for (const tapsim::Region& r : emu->osd().regions())
            if (r.live) return r.place.w;
        return 0;
    }
    std::string shown_during_keys(const std::string& keys) { return shown_during(keys); }
};

// Keys pressed on a line and the value it shows then.
struct ValueCase {
    int line;
    const char* keys;
    const char* label;
    const char* shown;
};

position_record munich() {
    position_record p{};
    std::strcpy(p.city, "Munich");
    std::strcpy(p.region, "Bavaria");
    std::strcpy(p.country, "Germany");
    p.latitude = 48.13f;
    p.longitude = 11.576f;
    return p;
}

} // namespace

TEST_F(SettingsMenu, OpensOnTheUpdateLineByTapKeyOrControlMessage) {
    start_with(nullptr);
    run("Sat Menu");
    EXPECT_TRUE(screen_has(" TovakRC Menu\nv4.92a\n")) << screen();
    EXPECT_EQ(selected(), "Check TAP Update");
    EXPECT_TRUE(screen_has("DL to /ProgramFiles")) << "its hint: " << screen();
    run("Exit");
    EXPECT_EQ(screen(), "");
    run("msg 2");
    EXPECT_EQ(selected(), "Check TAP Update") << screen();
    run("v\nmsg 2");
    EXPECT_EQ(selected(), "Show Description") << "a second message keeps the open menu";
    run("Exit\nmsg 2");
    EXPECT_EQ(selected(), "Show Description") << "the line is kept for the run";
    run("Exit");
    EXPECT_FALSE(emu->exit_normal()) << "the screen is the receiver's again";
}

// Changes act at once; Exit puts the record back as it was at the opening.
TEST_F(SettingsMenu, LanguageChangedWithRightAndExitRestoresIt) {
    start_with(nullptr);
    const std::string before = file_text(settings_file("TovakRC.ini"));
    run("Sat Menu |< >");
    EXPECT_EQ(value("> Sprache ="), "Deutsch") << screen();
    EXPECT_TRUE(screen_has(" TovakRC Men\xC3\xBC \n")) << "the title follows at once";
    run("TvRadio v v v >"); // bold font, Startup: Muted
    EXPECT_EQ(value("> Startup ="), "Ohne Ton");
    run("Exit");
    EXPECT_EQ(screen(), "");
    run("Sat Menu");
    EXPECT_EQ(value("> Language ="), "English") << screen();
    EXPECT_EQ(value("> Startup ="), "Normal");
    EXPECT_EQ(menu_width(), 471) << "the normal font again";
    run("Exit");
    EXPECT_EQ(file_text(settings_file("TovakRC.ini")), before) << "nothing was written";
}

TEST_F(SettingsMenu, RangedTogglingAndCyclingValues) {
    start_with(nullptr);
    const std::string twelve = repeat(">", 12);
    const ValueCase cases[] = {
        {4, ">", "> Startup =", "Muted"},
        {4, "> > >", "> Startup =", "Paused"}, // stops at its end
        {4, "<", "> Startup =", "Normal"},     // and at the other
        {6, "> > > > > >", "> Sorting =", "ALL"},
        {7, ">", "> MP3 Mode =", "Shuffle"},
        {8, ">", "> TAP Key =", "Aux, M"},
        {9, ">", "> Files Key =", "Filelist"},
        {9, "> >", "> Files Key =", "indirect"},
        {9, "> > >", "> Files Key =", "Ok"},
        {9, "<", "> Files Key =", "indirect"},
        {10, ">", "> Text Key =", "Teletext"},
        {11, ">", "> Infos Key =", "Info"},
        {12, "> > > > > >", "> TF =", "6000 [M.15]"},
        {13, "<", "> RC =", "5000, CRP [M.4]"},
        {14, ">", "> Orig. RC =", "Disable"},
        {15, ">", "> IR Filter =", "On"},
        {16, ">", "> Ch / Vol =", "On"},
        {17, twelve.c_str(), "> Select ID =", "9"},
        {18, ">", "> Start Mode =", "Deaf"},
        {21, ">", "> Max. Text =", "15000"},
        {22, "> > >", "> TAP+Stop =", "PVR Off"},
        {23, ">", "> Logging =", "On"},
        {23, "Subtitle", "> Logging =", "On"}, // Subtitle toggles logging on any line
        {24, "> > > > >", "> Location =", "Man. + City"},
        {3, ">", "> Style =", "(reserved)"},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.line) + " " + c.keys);
        run("Sat Menu " + to_line(c.line));
        run(c.keys);
        EXPECT_EQ(value(c.label), c.shown) << screen();
        run("Exit");
    }
}

TEST_F(SettingsMenu, MaxFilesStaysWithinOneAndTwentyThousand) {
    start_with(nullptr);
    run("Sat Menu " + to_line(20));
    EXPECT_EQ(value("> Max. Files ="), "2000");
    EXPECT_TRUE(screen_has(" Files per directory\n (after TAP restart)\n")) << screen();
    run("< < <");
    EXPECT_EQ(value("> Max. Files ="), "1000");
    run(repeat(">", 22));
    EXPECT_EQ(value("> Max. Files ="), "20000");
    run("Play Ok");
    EXPECT_EQ(screen(), "") << "Save & Exit closes the menu";
    EXPECT_EQ(saved().startup >> 16 & 0xFF, 20u);
}

// Lines 5, 25 and 26 take steps of 1, 10 and 100; the others jump with the same keys.
TEST_F(SettingsMenu, StepsOnTheNumberLines) {
    const ValueCase cases[] = {
        {5, ">", "> Start Channel =", "1"},
        {5, "<<", "> Start Channel =", "-10"},
        {5, ">> >>", "> Start Channel =", "20"},
        {5, "V+", "> Start Channel =", "100"},
        {5, "V- V- <", "> Start Channel =", "-201"},
        {5, "V+ 0", "> Start Channel =", "0"},
        {25, "V+ V+", "> Latitude =", "+90.00\xC2\xB0"}, // 89.50 + 2 * 1.00 stops at 90
        {25, "<", "> Latitude =", "+89.49\xC2\xB0"},
        {26, "V- >>", "> Longitude =", "-179.90\xC2\xB0"},
        {26, "V- V-", "> Longitude =", "-180.00\xC2\xB0"},
    };
    start_with([](settings_record& s) {
        s.startup |= 1u << 4; // located by hand
        s.latitude = 8950;
        s.longitude = -17950;
    });
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.line) + " " + c.keys);
        run("Sat Menu " + to_line(c.line));
        EXPECT_EQ(selected().substr(0, strlen(c.label)), c.label) << screen();
        run(c.keys);
        EXPECT_EQ(value(c.label), c.shown) << screen();
        EXPECT_EQ(selected().substr(0, strlen(c.label)), c.label) << "no jump";
        run("Exit");
    }
}

TEST_F(SettingsMenu, MovingAndPageJumps) {
    start_with(nullptr);
    struct Case {
        int from;
        const char* key;
        const char* to;
    } cases[] = {
        {1, "^", "Terminate TAP"},       {34, "v", "> Language ="},
        {7, "|<", "> Language ="},       {7, ">|", "Terminate TAP"},
        {7, "Play", "Save & Exit Menu"}, {1, "<<", "Terminate TAP"},
        {6, "V+", "> Language ="}, // V+ is a page jump away from the number lines
        {19, "<<", "> Language ="},      {20, "<<", "Save & Exit Menu"},
        {27, "<<", "> Max. Files ="},    {34, "V+", "> Max. Files ="},
        {1, ">>", "Save & Exit Menu"},   {18, "V-", "Save & Exit Menu"},
        {19, ">>", "> Max. Files ="},    {20, ">>", "Terminate TAP"},
        {33, "V-", "Terminate TAP"},     {34, ">>", "> Language ="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " " + c.key);
        run("Sat Menu " + to_line(c.from));
        run(c.key);
        EXPECT_EQ(selected().substr(0, strlen(c.to)), c.to);
        run("Exit");
    }
}

TEST_F(SettingsMenu, KeyHelpRowFollowsTheLine) {
    start_with(nullptr);
    struct Case {
        int line;
        bool change, execute;
    } cases[] = {{1, true, false},
                 {5, true, false},
                 {19, false, true},
                 {27, false, false},
                 {29, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        run("Sat Menu " + to_line(c.line));
        EXPECT_TRUE(screen_has("\nNav.\n")) << screen();
        EXPECT_EQ(screen_has("\nChange\n"), c.change);
        EXPECT_EQ(screen_has("\nExecute\n"), c.execute);
        run("Exit");
    }
    run("Sat Menu AudioTrk");
    EXPECT_TRUE(screen_has("\nAusf\xC3\xBChren\n")) << screen();
    run("Exit");
}

TEST_F(SettingsMenu, StartChannelMinusOneStartsRadioZeroAtTheNextPowerOn) {
    start_with(nullptr);
    run("Sat Menu " + to_line(5) + " <");
    EXPECT_EQ(value("> Start Channel ="), "-1");
    EXPECT_TRUE(screen_has(" 0 = Last, <0 = Radio\n (if 1st TAP in AutoStart)\n")) << screen();
    run("Play Ok");
    EXPECT_EQ(saved().start_channel, -1);
    EXPECT_EQ(saved().save_day, TODAY) << "the day of the save";
    emu.reset();
    tapsim::Config just_on;
    just_on.uptime = 60;
    start(just_on);
    ASSERT_EQ(load(), 0);
    std::vector<int64_t> started;
    for (const tapsim::TraceCall& c : emu->trace().calls())
        if (c.name == "TAP_Channel_Start") started = c.args;
    EXPECT_EQ(started, (std::vector<int64_t>{1, 1, 0})) << "radio channel 0";
}

// Changing the located position makes it a manual one: the located values, truncated, then the
// step.
TEST_F(SettingsMenu, RightOnTheLatitudeInIpModeSwitchesToManual) {
    const position_record where = munich();
    start_with(nullptr, &where);
    run("Sat Menu " + to_line(27) + " ^ ^"); // lines 24 to 27 in view
    EXPECT_EQ(value("> Location ="), "IP");
    EXPECT_EQ(value("> Latitude ="), "+48.13\xC2\xB0");
    EXPECT_EQ(value("> Longitude ="), "+11.58\xC2\xB0") << "the located position";
    EXPECT_EQ(value("City:"), "Munich / Bavaria / Germany");
    run(">");
    EXPECT_EQ(value("> Location ="), "Manually") << screen();
    EXPECT_EQ(value("> Latitude ="), "+48.14\xC2\xB0");
    EXPECT_EQ(value("> Longitude ="), "+11.57\xC2\xB0") << "taken truncated";
    run("Play Ok");
    const settings_record s = saved();
    EXPECT_EQ(s.startup >> 4 & 7, 1u);
    EXPECT_EQ(s.latitude, 4814);
    EXPECT_EQ(s.longitude, 1157);
}

TEST_F(SettingsMenu, SavingANewIdMakesTheReceiverDeafUntilTapKeyAndThatId) {
    start_with(nullptr);
    run("Sat Menu " + to_line(17) + " > > >");
    EXPECT_EQ(value("> Select ID ="), "3");
    run("P+");
    EXPECT_EQ(last_result(), 0u) << "the menu takes the keys";
    run("Play Ok");
    EXPECT_EQ(saved().receiver_id, 3);
    struct Case {
        const char* keys;
        uint32_t p_plus; // what the receiver gets for P+ afterwards
    } cases[] = {
        {"", 0},
        {"Sat 5", 0},
        {"Sat 3", 0x10045},
        {"Sat 0", 0x10045},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        run(c.keys);
        run("P+");
        EXPECT_EQ(last_result(), c.p_plus);
    }
}

TEST_F(SettingsMenu, AnIdLeftWithExitKeepsTheReceiverListening) {
    start_with(nullptr);
    run("Sat Menu " + to_line(17) + " > > > Exit P+");
    EXPECT_EQ(last_result(), 0x10045u);
    EXPECT_EQ(saved().receiver_id, 0);
}

TEST_F(SettingsMenu, SaveAndExitArmsTheTapKeyAndTheIrCodes) {
    start_with(nullptr);
    const int ir_calls = calls_named("DevFront_SetIrCode");
    run("Sat Menu " + to_line(8) + " > " + to_line(15) + " >");
    EXPECT_EQ(calls_named("DevFront_SetIrCode"), ir_calls) << "not before the save";
    run("Sat");
    EXPECT_EQ(last_result(), 0u) << "the open menu takes Sat";
    run("Play Ok");
    EXPECT_GT(calls_named("DevFront_SetIrCode"), ir_calls) << "the IR filter set up again";
    run("Sat");
    EXPECT_EQ(last_result(), 0x10040u) << "Sat is no longer the TAP key";
    run("Aux Menu");
    EXPECT_EQ(selected(), "Save & Exit Menu") << screen();
    EXPECT_EQ(saved().flags & (SET_TAP_KEY_AUX | SET_IR_FILTER), SET_TAP_KEY_AUX | SET_IR_FILTER);
    run("Exit");
}

TEST_F(SettingsMenu, BothFonts) {
    start_with(nullptr);
    run("Sat Menu");
    EXPECT_EQ(menu_width(), 471);
    run("TvRadio");
    EXPECT_EQ(menu_width(), 560);
    EXPECT_EQ(selected(), "Check TAP Update");
    run("Play Ok Sat Menu");
    EXPECT_EQ(menu_width(), 560) << "saved";
    run("Exit");
}

TEST_F(SettingsMenu, CheckTapUpdateShowsItsReportInTheMenu) {
    HttpReply newer;
    newer.body = std::string(2000, 't');
    newer.head = "HTTP/1.0 200 OK\r\nContent-Length: 2000\r\nLast-Modified: Tue, 01 Dec 2026 "
                 "10:00:00 GMT\r\n";
    HttpReply missing;
    missing.head = "HTTP/1.0 404 Not Found\r\n";
    HttpServer server({{"/tovakrc/tovakrc_tms.tap", newer}}, missing);
    start_with([](settings_record& s) { s.update_day = TODAY - 10; });
    emu->state().hosts = {tapsim::HostPorts{"www.tovak.test", server.port(), 0, {}}};
    run("Sat Menu |< >"); // German, not saved
    run(">| ^ ^ ^ ^ ^ Ok");
    EXPECT_TRUE(screen_has("000_tovakrc_tms.tap: Geladen nach")) << screen();
    EXPECT_TRUE(fs::exists(disk_path("/ProgramFiles/000_tovakrc_tms.tap")));
    ASSERT_FALSE(server.requests().empty());
    EXPECT_NE(server.requests()[0].find("01-HD"), std::string::npos)
        << "the interactive check: " << server.requests()[0];
    run("v Ok");
    EXPECT_TRUE(screen_has("Geladen nach")) << "other keys leave the report";
    run("Exit");
    EXPECT_FALSE(screen_has("Geladen nach")) << screen();
    EXPECT_EQ(selected(), "TAP-Update suchen") << "the menu again";
    run("Exit");
    EXPECT_EQ(screen(), "");
    const settings_record s = saved();
    EXPECT_EQ(s.update_day, TODAY) << "the check is noted";
    EXPECT_EQ(s.flags & SET_ENGLISH, SET_ENGLISH) << "the language change is still dropped";
}

TEST_F(SettingsMenu, ResetIpLocationAsksTheTwoServicesInTurn) {
    auto xml = [](const std::string& body) {
        HttpReply r;
        r.head = "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                 std::to_string(body.size()) + "\r\nDate: Thu, 10 Dec 2026 19:15:30 GMT\r\n";
        r.body = body;
        return r;
    };
    HttpServer one(xml("<query>\n<country>Germany</country>\n<regionName>Bavaria</regionName>\n"
                       "<city>Munich</city>\n<lat>48.1</lat>\n<lon>11.6</lon>\n"
                       "<query>93.184.216.34</query>\n</query>\n"));
    HttpServer two(xml("<Response>\n<IP>2001:db8::1</IP>\n<CountryName>Austria</CountryName>\n"
                       "<RegionName>Vienna</RegionName>\n<City>Vienna</City>\n"
                       "<Latitude>48.2</Latitude>\n<Longitude>16.37</Longitude>\n</Response>\n"));
    start_with([](settings_record& s) { s.startup |= 2u << 4; });
    emu->state().hosts = {tapsim::HostPorts{"ip-api.com", one.port(), 0, {}},
                          tapsim::HostPorts{"freegeoip.app", two.port(), 0, {}}};
    run("Sat Menu ^ Ok");
    EXPECT_EQ(one.requests().size(), 1u);
    EXPECT_TRUE(two.requests().empty());
    EXPECT_EQ(value("City:"), "Munich / Bavaria / Germany") << screen();
    EXPECT_EQ(value("> Location ="), "IP");
    EXPECT_EQ(value("> Latitude ="), "+48.10\xC2\xB0");
    run("Ok");
    EXPECT_EQ(two.requests().size(), 1u) << "the second service next";
    EXPECT_EQ(value("City:"), "Vienna / Vienna / Austria");
    run("Ok");
    EXPECT_EQ(one.requests().size(), 2u);
    run("Exit");
}

TEST_F(SettingsMenu, ShowDescriptionOpensTheViewerInsideTheMenu) {
    std::string why;
    ASSERT_TRUE(tapsim::install_helpers(disk.string(), TOVAK_HELPERS_DIR, &why)) << why;
    start_with(nullptr);
    run("Sat Menu v Ok");
    EXPECT_FALSE(screen_has("Show Description")) << screen();
    EXPECT_TRUE(screen_has("/ProgramFiles/Settings/TovakRC/tovakrc_en.txt")) << screen();
    EXPECT_TRUE(screen_has("TovakRC - resident tool suite")) << screen();
    run("v Exit");
    EXPECT_EQ(selected(), "Show Description") << "the viewer closed, the menu again";
    run("Exit");
    EXPECT_EQ(screen(), "");
    run("P+");
    EXPECT_EQ(last_result(), 0x10045u);
}

// The manual in each language, as the TAP finds it on the disk: its first page, its letters
// beyond ASCII as the screen shows them, and its last line after >| (the whole file was read).
TEST_F(SettingsMenu, ShowDescriptionShowsTheWholeManualInTheMenusLanguage) {
    struct Case {
        bool english;
        const char* file;
        const char* line; // the menu line
        bool umlauts;     // the manual has lines with letters beyond ASCII
    };
    const Case cases[] = {
        {true, "tovakrc_en.txt", "Show Description", false},
        {false, "tovakrc.txt", "Beschreibung zeigen", true},
    };
    std::string why;
    ASSERT_TRUE(tapsim::install_helpers(disk.string(), TOVAK_HELPERS_DIR, &why)) << why;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = std::string("/ProgramFiles/Settings/TovakRC/") + c.file;
        std::vector<std::string> lines;
        {
            std::ifstream in(disk_path(path));
            for (std::string l; std::getline(in, l);)
                lines.push_back(l);
        }
        ASSERT_GT(lines.size(), 100u) << "a manual, not a note";
        // The first line beyond ASCII (on the first page) and the last line of text.
        std::string wide, last;
        for (size_t i = 0; i < 20 && i < lines.size() && wide.empty(); ++i)
            for (unsigned char ch : lines[i])
                if (ch >= 0x80) wide = lines[i];
        for (const std::string& l : lines)
            if (!l.empty()) last = l;
        ASSERT_EQ(!wide.empty(), c.umlauts) << wide;

        emu.reset();
        start_with(c.english ? nullptr : +[](settings_record& s) { s.flags &= ~SET_ENGLISH; });
        run("Sat Menu v");
        ASSERT_EQ(selected(), c.line) << screen();
        run("Ok");
        EXPECT_TRUE(screen_has(path)) << screen();
        EXPECT_TRUE(screen_has(lines[0])) << screen();
        if (c.umlauts)
            EXPECT_TRUE(screen_has(wide)) << "UTF-8 as the screen shows it: " << screen();
        EXPECT_FALSE(screen_has(last)) << "the last line is not on the first page";
        run(">|");
        EXPECT_TRUE(screen_has(last)) << screen();
        EXPECT_TRUE(screen_has("100% " + std::to_string(lines.size()) + "\n")) << screen();
        run("Exit");
        EXPECT_EQ(selected(), c.line) << "the viewer closed, the menu again";
        run("Exit");
    }
}

TEST_F(SettingsMenu, TerminateTapEndsIt) {
    start_with(nullptr);
    run("Sat Menu >|");
    EXPECT_TRUE(emu->running(0));
    run("Ok");
    EXPECT_FALSE(emu->running(0));
    EXPECT_EQ(screen(), "");
}

// TAP key + Stop by the stop action, with no other TAP running.
TEST_F(SettingsMenu, TapStopActions) {
    struct Case {
        uint32_t action;
        const char* message;
        bool tap_runs, powered_off;
    } cases[] = {
        {0, "Stop mode disabled, see menu.", true, false},
        {1, "TAPs terminated.", false, false},
        {2, "TAPs terminated.", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        static uint32_t action;
        action = c.action;
        emu.reset();
        start_with([](settings_record& s) { s.startup |= action; });
        const std::string shown = shown_during("Sat Stop");
        EXPECT_NE(shown.find(c.message), std::string::npos) << shown;
        EXPECT_EQ(screen(), "") << "the message went";
        EXPECT_EQ(emu->running(0), c.tap_runs);
        EXPECT_EQ(emu->powered_off(), c.powered_off);
        EXPECT_EQ(calls_named("Appl_EvtProc_PowerOff"), c.powered_off ? 1 : 0);
        if (c.powered_off) {
            std::vector<int64_t> args;
            for (const tapsim::TraceCall& call : emu->trace().calls())
                if (call.name == "Appl_EvtProc_PowerOff") args = call.args;
            EXPECT_EQ(args, (std::vector<int64_t>{0, 0}));
            run("Sat Menu");
            EXPECT_EQ(screen(), "") << "the receiver is off";
        }
    }
}

TEST_F(SettingsMenu, SystemAndHarddiskInfosInTheMenusWindow) {
    start_with(nullptr);
    struct Case {
        int line;
        const char* title;
    } cases[] = {{31, "TovakRC System Infos"}, {32, "TovakRC Harddisk Infos"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        run("Sat Menu " + to_line(c.line) + " Ok");
        EXPECT_TRUE(screen_has(c.title)) << screen();
        EXPECT_FALSE(screen_has("Check TAP Update")) << "in place of the list";
        run("v Ok");
        EXPECT_TRUE(screen_has(c.title)) << "other keys are ignored";
        run("Exit");
        EXPECT_FALSE(screen_has(c.title));
        EXPECT_TRUE(screen_has("Check TAP Update")) << "the menu again: " << screen();
        run("Exit");
        EXPECT_EQ(screen(), "");
    }
}

TEST_F(SettingsMenu, KeyCodesFillTheScreenAndSleepCapturesThem) {
    start_with(nullptr);
    run("Sat Menu " + to_line(33) + " Ok");
    EXPECT_EQ(menu_width(), 720) << "full screen";
    run("1 P+");
    EXPECT_TRUE(screen_has("0x10001\n0x10045\n")) << screen();
    EXPECT_EQ(last_result(), 0u);
    run("Sleep");
    EXPECT_TRUE(screen_has("0x10010\n")) << "Sleep reaches the display too: " << screen();
    size_t captures = 0;
    for (const auto& e : fs::directory_iterator(disk_path("/Captures")))
        captures += e.path().extension() == ".bmp";
    EXPECT_EQ(captures, 1u) << "the window captured";
    run("Exit");
    EXPECT_EQ(selected(), "Show Key Codes") << screen();
    run("Sleep");
    EXPECT_FALSE(screen_has("0x10010")) << "no more key codes";
    run("Exit");
}

// TAP key + Stop with two other TAPs: one ends on the stop event, the other only on the exit
// message; both are asked in their turn.
TEST_F(SettingsMenu, TapStopEndsTheOtherTaps) {
    struct Case {
        uint32_t action;
        bool powered_off;
    } cases[] = {{1, false}, {2, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        static uint32_t action;
        action = c.action;
        emu.reset();
        start_with([](settings_record& s) {
            s.startup |= action;
            s.flags |= SET_LOGGING;
        });
        ASSERT_EQ(load(TOVAK_TAP_PROBE_STOP), 1);
        ASSERT_EQ(load(TOVAK_TAP_PROBE), 2);
        const std::string shown = shown_during("Sat Stop");
        EXPECT_NE(shown.find("TAPs terminated."), std::string::npos) << shown;
        EXPECT_FALSE(emu->running(1));
        EXPECT_FALSE(emu->running(2));
        EXPECT_FALSE(emu->running(0));
        EXPECT_EQ(emu->powered_off(), c.powered_off);
        EXPECT_EQ(file_text(settings_file("TovakRC.log")).find("still running"), std::string::npos);
    }
}
