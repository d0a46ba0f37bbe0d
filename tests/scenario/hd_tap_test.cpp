// The compact HD TAP through the emulator: keys in; what the receiver got, the screen, the
// settings file, the firmware calls and the update server's requests out.
#include <chrono>
#include <cstring>
#include <fstream>

#include "http_server.h"
#include "scenario.h"

namespace fs = std::filesystem;
using scenario::HttpReply;
using scenario::HttpServer;
using scenario::Scenario;

namespace {

constexpr uint32_t SAT = 0x10040, AUX = 0x10022, MENU = 0x1001C, SLEEP = 0x10010;
constexpr uint32_t UP = 0x10012, DOWN = 0x1001D, RIGHT = 0x10015, LEFT = 0x1000F;
constexpr uint32_t P_PLUS = 0x10045, P_MINUS = 0x10046, V_PLUS = 0x10047, V_MINUS = 0x10048;
constexpr uint32_t RELEASE = 0x2000000;
constexpr int TODAY = 61384; // the emulator's date, 10 December 2026
constexpr const char* HOST = "www.tovak.test";
constexpr const char* SETTINGS = "/ProgramFiles/Settings/TovakRC";

// The settings file's fields at their offsets.
struct Ini {
    int32_t initialised = 1;
    uint32_t flags = 0x2 | 0x10; // "Ch / Vol" on, start listening
    uint8_t id = 0, tf = 1, rc = 1;
    uint16_t check_day = TODAY; // no update check due
    uint16_t save_day = 0;
};

std::string ini_bytes(const Ini& s, size_t size = 32) {
    std::string b(size, '\0');
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + i] = static_cast<char>(v >> (8 * i));
    };
    put(0x08, static_cast<uint32_t>(s.initialised), 4);
    put(0x0C, s.flags, 4);
    b[0x10] = static_cast<char>(s.id);
    b[0x11] = static_cast<char>(s.tf);
    b[0x12] = static_cast<char>(s.rc);
    put(0x14, s.check_day, 2);
    put(0x16, s.save_day, 2);
    return b;
}

uint32_t le(const std::string& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
    return v;
}

class HdTap : public Scenario {
  protected:
    fs::path settings_file(const char* name = "TovakRC.ini") const {
        return disk_path(SETTINGS) / name;
    }
    void write_file(const fs::path& p, const std::string& bytes) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    // Starts the HD TAP, with this settings file when given.
    void start_hd(const std::string& ini = "", tapsim::Config config = {}) {
        if (!ini.empty()) write_file(settings_file(), ini);
        start(config);
        ASSERT_EQ(load(scenario::tovakrc_hd_tap()), 0);
    }
    void start_hd(const Ini& s) { start_hd(ini_bytes(s)); }
    // Results the receiver got since mark.
    std::vector<uint32_t> results_since(size_t mark) const {
        return {emu->results().begin() + static_cast<long>(mark), emu->results().end()};
    }
    size_t mark() const { return emu->results().size(); }
    std::vector<uint32_t> results_of(const std::string& keys) {
        size_t m = mark();
        run(keys);
        return results_since(m);
    }
    // TAP key + Menu, then the idle events that open it.
    void open_menu() {
        run("Sat Menu");
        run("wait 100ms");
        ASSERT_TRUE(screen_has("TovakRC v2.30 HD")) << screen();
    }
    // The menu's selection from line 1 to line n.
    void select_line(int n) {
        for (int i = 1; i < n; ++i)
            run("v");
    }
    // Runs a menu action of lines 8 ... 14 on a freshly opened menu.
    void menu_action(int n) {
        open_menu();
        select_line(n);
        run("Ok");
    }
    void serve_host(int port) { emu->state().hosts = {tapsim::HostPorts{HOST, port, 0, {}}}; }
    // Something shown while no menu is open: the alert window.
    bool alert_shown() const { return !screen().empty(); }
    bool screen_has_line(const std::string& text) const {
        return ("\n" + screen()).find("\n" + text + "\n") != std::string::npos;
    }
    // Runs "Check Update" against a server giving reply, with an earlier "tovakrc_tms.tap" in
    // the settings folder: the message shown, and the earlier file replaced by the body only
    // when stored. The requests the server saw.
    std::vector<std::string> check_update(const HttpReply& reply, const char* message,
                                          bool stored) {
        const fs::path tap = settings_file("tovakrc_tms.tap");
        HttpServer server(reply);
        emu.reset();
        fs::remove_all(disk_path(SETTINGS));
        write_file(tap, "earlier version");
        start_hd(Ini{});
        serve_host(server.port());
        menu_action(9);
        EXPECT_TRUE(screen_has_line(message)) << screen();
        EXPECT_EQ(file_text(tap), stored ? reply.body : "earlier version");
        EXPECT_FALSE(fs::exists(settings_file("tovakrc_tms.part")));
        return server.requests();
    }
    // Runs "Check Update" against a server that keeps the receiver waiting: the check gives up
    // after its time-out (5 s) with the connection error. The requests the server saw.
    size_t check_giving_up(const HttpReply& reply) {
        HttpServer server(reply);
        start_hd(Ini{});
        serve_host(server.port());
        const auto t0 = std::chrono::steady_clock::now();
        menu_action(9);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_TRUE(screen_has_line(" Error connecting to www.tovak.test.")) << screen();
        EXPECT_GE(seconds, 4.5);
        EXPECT_LT(seconds, 15);
        return server.requests().size();
    }
    std::vector<tapsim::TraceCall> calls(const std::string& name) const {
        std::vector<tapsim::TraceCall> out;
        for (const tapsim::TraceCall& c : emu->trace().calls())
            if (c.name == name) out.push_back(c);
        return out;
    }
};

} // namespace

// ---- start-up and settings file ----

TEST_F(HdTap, StartsWithDefaultsWhenTheSettingsFileIsMissing) {
    start_hd();
    const std::string b = file_text(settings_file());
    ASSERT_EQ(b.size(), 32u);
    EXPECT_EQ(le(b, 0x08, 4), 1u) << "initialised";
    EXPECT_EQ(le(b, 0x0C, 4), 0x2u) << "Ch / Vol on";
    EXPECT_EQ(le(b, 0x10, 1), 0u) << "no receiver ID";
    EXPECT_EQ(le(b, 0x11, 1), 1u) << "TF 2100/2410";
    EXPECT_EQ(le(b, 0x12, 1), 1u) << "RC 2100/2410";
    // A file that is short or not initialised is replaced the same way.
    for (const std::string& bad : {std::string(20, '\x01'), ini_bytes(Ini{.initialised = 0})}) {
        emu.reset();
        start_hd(bad);
        EXPECT_EQ(le(file_text(settings_file()), 0x08, 4), 1u);
    }
}

TEST_F(HdTap, LeavesTheResidentTapsSettingsFileAlone) {
    // The resident TAP's 256-byte file: the HD TAP takes its leading fields, never writes it.
    Ini resident;
    resident.id = 3;
    resident.tf = 2;
    resident.rc = 0;
    const std::string original = ini_bytes(resident, 256);
    start_hd(original);
    open_menu();
    EXPECT_TRUE(screen_has("> Select ID = 3"));
    EXPECT_TRUE(screen_has("> TF = 2401 CI+"));
    EXPECT_TRUE(screen_has("> RC = 5000"));
    const char* note = " TovakRC.ini belongs to TovakRC: settings kept in memory only";
    select_line(8);
    run("Ok");
    EXPECT_TRUE(screen_has_line(note)) << screen();
    EXPECT_EQ(file_text(settings_file()), original);
    // Said once: the next save writes nothing and says nothing.
    run("Sat Menu\nwait 100ms\nOk");
    EXPECT_FALSE(screen_has(note));
    EXPECT_EQ(file_text(settings_file()), original);
    // Not initialised: the HD TAP's defaults, in memory only.
    emu.reset();
    const std::string uninitialised = ini_bytes(Ini{.initialised = 0, .tf = 2, .rc = 0}, 256);
    start_hd(uninitialised);
    EXPECT_TRUE(screen_has_line(note));
    EXPECT_EQ(file_text(settings_file()), uninitialised);
    open_menu();
    EXPECT_TRUE(screen_has("> TF = 2100/2410"));
    EXPECT_TRUE(screen_has("> RC = 2100/2410"));
}

TEST_F(HdTap, ModelsOutOfRangeInTheFileFallBack) {
    start_hd(Ini{.id = 12, .tf = 4, .rc = 200});
    open_menu();
    EXPECT_TRUE(screen_has("> TF = 2100/2410"));
    EXPECT_TRUE(screen_has("> RC = 2100/2410"));
    EXPECT_TRUE(screen_has("> Select ID = 0"));
}

// ---- keys ----

TEST_F(HdTap, DeafUntilTheTapKeyAndItsOwnId) {
    start_hd(Ini{.flags = 0x2, .id = 2}); // ID 2, start mode Deaf
    for (const char* keys : {"P+", "1", "Ok", "Menu", "Sat Menu", "Sat Sat", "Sat P+", "Sat 7"})
        for (uint32_t r : results_of(keys))
            EXPECT_EQ(r, 0u) << keys;
    run("wait 100ms");
    EXPECT_FALSE(screen_has("TovakRC v2.30 HD")) << "no menu while deaf";
    struct Case {
        const char* digit;
        uint32_t p_plus;
    } cases[] = {{"2", P_PLUS}, {"5", 0}, {"0", P_PLUS}, {"3", 0}, {"2", P_PLUS}};
    for (const Case& c : cases) {
        EXPECT_EQ(results_of(std::string("Sat ") + c.digit), std::vector<uint32_t>(4, 0u))
            << "the digit is swallowed with its release";
        EXPECT_EQ(results_of("P+"),
                  (std::vector<uint32_t>{c.p_plus, c.p_plus ? P_PLUS | RELEASE : 0}))
            << "after TAP key + " << c.digit;
    }
}

TEST_F(HdTap, ListeningFromTheStartWithStartModeListen) {
    start_hd(Ini{.flags = 0x2 | 0x10, .id = 2});
    EXPECT_EQ(results_of("P+"), (std::vector<uint32_t>{P_PLUS, P_PLUS | RELEASE}));
}

TEST_F(HdTap, TapKeyAndMenuOpensTheMenuAtTheNextIdleEvent) {
    start_hd(Ini{});
    EXPECT_EQ(emu->key_event(SAT), 0u);
    EXPECT_EQ(emu->key_event(SAT | RELEASE), 0u);
    EXPECT_EQ(emu->key_event(MENU), 0u);
    EXPECT_EQ(emu->key_event(MENU | RELEASE), 0u);
    EXPECT_FALSE(screen_has("TovakRC v2.30 HD"));
    EXPECT_EQ(calls_named("TAP_ExitNormal"), 0);
    emu->idle(1);
    EXPECT_TRUE(screen_has("TovakRC v2.30 HD"));
    EXPECT_EQ(calls_named("TAP_ExitNormal"), 1);
    EXPECT_TRUE(screen_has("> TAP Key = Sat"));
    EXPECT_TRUE(screen_has("Terminate TAP"));
}

TEST_F(HdTap, TapKeyTwiceGivesTheReceiverTheTapKey) {
    start_hd(Ini{});
    EXPECT_EQ(results_of("Sat Sat"), (std::vector<uint32_t>{0, 0, SAT, SAT | RELEASE}));
    EXPECT_EQ(results_of("Sat"), (std::vector<uint32_t>{0, 0})) << "the next Sat is a TAP key";
    EXPECT_EQ(results_of("P+"), (std::vector<uint32_t>{P_PLUS, P_PLUS | RELEASE}))
        << "and P+ behind it is known to the translation: handed on";
    // A held TAP key stays one TAP key.
    size_t m = mark();
    run("hold Sat 5");
    for (uint32_t r : results_since(m))
        EXPECT_EQ(r, 0u);
    EXPECT_EQ(results_of("Sat"), (std::vector<uint32_t>{SAT, SAT | RELEASE}));
    // With the TAP key TvSat, Sat is an ordinary key.
    emu.reset();
    start_hd(Ini{.flags = 0x2 | 0x10 | 0x40});
    EXPECT_EQ(results_of("Sat"), (std::vector<uint32_t>{SAT, SAT | RELEASE}));
    EXPECT_EQ(results_of("Aux Aux"), (std::vector<uint32_t>{0, 0, AUX, AUX | RELEASE}));
}

TEST_F(HdTap, KeysBehindTheTapKey) {
    start_hd(Ini{});
    struct Case {
        const char* keys;
        uint32_t handed; // the second key as the receiver gets it (0: swallowed)
    } cases[] = {
        {"Sat P+", P_PLUS}, // known to the translations: handed on unchanged
        {"Sat ^", UP},      // a cursor key: unchanged, not P+
        {"Sat Ok", 0},      // unknown: swallowed
        {"Sat Info", 0},
    };
    for (const Case& c : cases) {
        const std::vector<uint32_t> r = results_of(c.keys);
        const std::vector<uint32_t> want = {0, 0, c.handed, c.handed ? c.handed | RELEASE : 0};
        EXPECT_EQ(r, want) << c.keys;
    }
    // A held key behind the TAP key reaches the receiver whole or not at all.
    size_t m = mark();
    run("Sat\nhold ^ 3");
    std::vector<uint32_t> r = results_since(m);
    EXPECT_EQ(r, (std::vector<uint32_t>{0, 0, UP, UP | 0x1000000, UP | 0x1000000, UP | 0x1000000,
                                        UP | RELEASE}));
    m = mark();
    run("Sat\nhold 5 3");
    for (uint32_t x : results_since(m))
        EXPECT_EQ(x, 0u);
}

TEST_F(HdTap, CursorKeysBecomeChannelAndVolumeKeysInLiveTv) {
    struct Case {
        uint32_t flags;
        uint8_t tf;
        const char* state; // "state S SS" command
        uint32_t up, down, right, left;
    } cases[] = {
        // TF "2100/2410", "Ch / Vol" on, live TV: ^ reaches the receiver as P+.
        {0x2 | 0x10, 1, "state 0 0x1F", P_PLUS, P_MINUS, V_PLUS, V_MINUS},
        // Outside live TV, or with "Ch / Vol" off, the cursor keys stay.
        {0x2 | 0x10, 1, "state 1 0", UP, DOWN, RIGHT, LEFT},
        {0x10, 1, "state 0 0x1F", UP, DOWN, RIGHT, LEFT},
        // TF "2401 CI+" expects its own codes.
        {0x2 | 0x10, 2, "state 0 0x1F", 0x10025, 0x10026, 0x1003F, 0x10024},
    };
    for (const Case& c : cases) {
        emu.reset();
        start_hd(Ini{.flags = c.flags, .tf = c.tf});
        run(c.state);
        const uint32_t want[4] = {c.up, c.down, c.right, c.left};
        const char* keys[4] = {"^", "v", ">", "<"};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(results_of(keys[i]), (std::vector<uint32_t>{want[i], want[i] | RELEASE}))
                << keys[i] << " with TF " << int(c.tf) << ", " << c.state;
    }
}

TEST_F(HdTap, RemoteCodesAreTranslatedToTheReceiverModel) {
    struct Case {
        uint8_t tf, rc;
        uint32_t key, handed;
    } cases[] = {
        {3, 0, 0x1003F, 0x10023}, // RC "5000" red key to TF "2401 Eco": F1
        {1, 0, 0x1000D, 0x10020}, // RC "5000" sends 0x1000D for Fav
        {1, 2, 0x10047, 0x1003F}, // RC "2401 CI+" F1 code to TF "2100/2410"
        {1, 1, 0x10001, 0x10001}, // a key no table holds passes unchanged
        {1, 0, 0x10012, 0x10012}, // a cursor key is no remote code
    };
    for (const Case& c : cases) {
        emu.reset();
        start_hd(Ini{.flags = 0x10, .tf = c.tf, .rc = c.rc});
        EXPECT_EQ(emu->key_event(c.key), c.handed) << std::hex << c.key;
        EXPECT_EQ(emu->key_event(c.key | 0x1000000), c.handed | 0x1000000) << "repeat";
        EXPECT_EQ(emu->key_event(c.key | RELEASE), c.handed | RELEASE) << "release";
    }
}

// ---- IR code filter ----

TEST_F(HdTap, IrFilterGivesTheModelsCodeSetsTheReceiversSlots) {
    start_hd(Ini{.flags = 0x2 | 0x10 | 0x4, .tf = 2, .rc = 3});
    std::vector<std::vector<int64_t>> got;
    for (const tapsim::TraceCall& c : calls("DevFront_SetIrCode"))
        got.push_back(c.args);
    const std::vector<std::vector<int64_t>> want = {
        {0, 0, 2, 52, 10}, {1, 0, 2, 52, 10},  {2, 0, 2, 52, 10}, {3, 0, 2, 52, 10},
        {0, 1, 2, 52, 10}, {1, 1, 4, 255, 10}, // TF "2401 CI+": set 0; RC "2401 Eco": set 5
    };
    EXPECT_EQ(got, want);
    EXPECT_FALSE(alert_shown());
    // Filter off: the firmware is not asked.
    emu.reset();
    start_hd(Ini{.flags = 0x2 | 0x10, .tf = 2, .rc = 3});
    EXPECT_EQ(calls_named("DevFront_SetIrCode"), 0);
}

TEST_F(HdTap, MissingIrFunctionIsReportedOnce) {
    const fs::path fixture = dir / "fixture.json";
    std::ofstream(fixture) << R"({"withhold": ["DevFront_SetIrCode"]})";
    start_hd(ini_bytes(Ini{.flags = 0x2 | 0x10 | 0x4}),
             tapsim::Config{.fixture = fixture.string()});
    EXPECT_TRUE(screen_has_line(" DevFront_SetIrCode = 0x1")) << screen();
    run("P+");
    EXPECT_FALSE(screen_has("DevFront_SetIrCode"))
        << "a message outside the menu goes with the next key";
    open_menu();
    select_line(8);
    run("Ok");
    EXPECT_FALSE(screen_has("DevFront_SetIrCode")) << "asked only once";
}

// ---- the menu ----

TEST_F(HdTap, MenuValuesStopAtTheirLimits) {
    start_hd(Ini{});
    open_menu();
    struct Case {
        int line;
        const char* keys;
        const char* shown;
    } cases[] = {
        {2, "> > > > >", "> TF = 2401 Eco"},
        {2, "< < < < <", "> TF = 2100/2410"}, // not down to "5000"
        {3, "< < < < <", "> RC = 5000"},
        {3, "> > > > >", "> RC = 2401 Eco"},
        {6, "> > > > > > > > > > > >", "> Select ID = 9"},
        {6, "<", "> Select ID = 8"},
        {6, "< < < < < < < < < < < <", "> Select ID = 0"},
        {1, ">", "> TAP Key = TvSat"},
        {1, "<", "> TAP Key = Sat"},
        {4, "<", "> IR Filter = On"},
        {5, ">", "> Ch / Vol = Off"},
        {7, "<", "> Start Mode = Deaf"},
    };
    int line = 1;
    for (const Case& c : cases) {
        for (; line < c.line; ++line)
            run("v");
        for (; line > c.line; --line)
            run("^");
        run(c.keys);
        EXPECT_TRUE(screen_has(c.shown)) << c.keys << " on line " << c.line << "\n" << screen();
    }
    // "5000" comes only from a settings file; > leaves it.
    emu.reset();
    start_hd(Ini{.tf = 0});
    open_menu();
    select_line(2);
    run("<");
    EXPECT_TRUE(screen_has("> TF = 5000"));
    run(">");
    EXPECT_TRUE(screen_has("> TF = 2100/2410"));
}

TEST_F(HdTap, MenuLinesWrapAround) {
    start_hd(Ini{});
    open_menu();
    run("^");
    run(">"); // on "Terminate TAP" > changes nothing
    run("v v");
    run(">"); // line 2 again: TF
    EXPECT_TRUE(screen_has("> TF = 2401 CI+"));
    EXPECT_TRUE(emu->running(0));
}

TEST_F(HdTap, SaveAndExitStoresTheSettings) {
    start_hd(Ini{.check_day = TODAY});
    open_menu();
    run(">");       // TAP key TvSat
    select_line(6); //
    run("> >");     // ID 2
    run("v <");     // start mode Deaf
    run("v Ok");    // Save + Exit Menu
    EXPECT_FALSE(screen_has("TovakRC v2.30 HD"));
    EXPECT_EQ(calls_named("TAP_EnterNormal"), 1);
    const std::string b = file_text(settings_file());
    ASSERT_EQ(b.size(), 32u);
    EXPECT_EQ(le(b, 0x0C, 4), 0x2u | 0x40) << "TvSat, Deaf";
    EXPECT_EQ(le(b, 0x10, 1), 2u);
    EXPECT_EQ(le(b, 0x16, 2), static_cast<uint32_t>(TODAY)) << "settings-save day";
    EXPECT_EQ(le(b, 0x14, 2), static_cast<uint32_t>(TODAY)) << "check day kept";
    // The new ID deafens this receiver until TAP key + 2; the TAP key is now TvSat.
    EXPECT_EQ(results_of("P+"), (std::vector<uint32_t>{0, 0}));
    run("Aux 2");
    EXPECT_EQ(results_of("P+"), (std::vector<uint32_t>{P_PLUS, P_PLUS | RELEASE}));
    EXPECT_EQ(results_of("Sat"), (std::vector<uint32_t>{SAT, SAT | RELEASE}));
}

TEST_F(HdTap, ExitForgetsTheChanges) {
    start_hd(Ini{});
    const std::string before = file_text(settings_file());
    open_menu();
    select_line(6);
    run("> > >");
    run("Exit");
    EXPECT_FALSE(screen_has("TovakRC v2.30 HD"));
    EXPECT_EQ(calls_named("TAP_EnterNormal"), 1);
    EXPECT_EQ(file_text(settings_file()), before);
    EXPECT_EQ(results_of("P+"), (std::vector<uint32_t>{P_PLUS, P_PLUS | RELEASE}));
    open_menu();
    EXPECT_TRUE(screen_has("> Select ID = 0"));
}

TEST_F(HdTap, MenuTakesEveryKeyButSleep) {
    start_hd(Ini{});
    open_menu();
    for (const char* keys : {"P+", "1", "Sat", "Menu", "Info"})
        for (uint32_t r : results_of(keys))
            EXPECT_EQ(r, 0u) << keys;
    EXPECT_EQ(results_of("Sleep"), (std::vector<uint32_t>{SLEEP, SLEEP | RELEASE}));
    EXPECT_TRUE(screen_has("TovakRC v2.30 HD"));
}

TEST_F(HdTap, SubtitleShowsTheDiagnosticsNote) {
    start_hd(Ini{});
    open_menu();
    run("Subtitle");
    EXPECT_TRUE(screen_has_line(" Diagnostics"));
    run("Subtitle");
    EXPECT_FALSE(screen_has("Diagnostics"));
    EXPECT_TRUE(screen_has("TovakRC v2.30 HD"));
}

TEST_F(HdTap, Calculator) {
    start_hd(Ini{});
    menu_action(10);
    for (const char* help :
         {" TovakRC Calculator", " 0 .. 9:   Ziffern", " Recall: Komma/Exponent",
          " Cursor: + - * /", " Ok: Resultat", " Rec: Backspace", " Exit: Beenden"})
        EXPECT_TRUE(screen_has_line(help)) << help;
    struct Step {
        const char* keys;
        const char* line;   // the display line after the keys
        const char* result; // the result line, when there is one
    } steps[] = {
        {"1 Recall 5 Recall 3", " 1.5e3", nullptr},
        {"Recall Recall", " 1.5e3", nullptr}, // a point and an "e" behind the exponent: refused
        {"Record Record Recall Recall 3", " 1.5e-3", nullptr},
        {"> 1 Ok", " 1.5e-3+1=", " 1.0015"},
        {"2 > 3 ^ 4 Ok", " 2+3*4=", " 20"},         // from left to right
        {"^ Ok", " *=", " 400"},                    // empty operands: the last result
        {"0 > Recall 5 > 1 Ok", " 0.5+1=", " 1.5"}, // + behind a 0 alone: refused
        {"1 v 0 Ok", " 1/0=", " inf"},
    };
    for (const Step& s : steps) {
        run(s.keys);
        EXPECT_TRUE(screen_has_line(s.line)) << s.keys << "\n" << screen();
        if (s.result)
            EXPECT_TRUE(screen().find(std::string(s.result) + " ") != std::string::npos)
                << s.keys << "\n"
                << screen();
    }
    EXPECT_FALSE(screen_has("Ziffern")) << "the calculation replaced the help";
    run("Exit");
    EXPECT_TRUE(screen_has("Small Calculator")) << "back in the menu";
    run("Exit");
    EXPECT_FALSE(screen_has("Small Calculator"));
}

TEST_F(HdTap, ShowKeyCodes) {
    start_hd(Ini{});
    menu_action(11);
    run("P+");
    EXPECT_TRUE(screen_has_line(" 0x10045"));
    EXPECT_EQ(results_of("Sleep"), (std::vector<uint32_t>{0, 0}))
        << "Sleep is shown, not handed on";
    EXPECT_TRUE(screen_has_line(" 0x10010"));
    run("hold 1 1");
    EXPECT_TRUE(screen_has_line(" 0x1010001")) << "a repeat with its bit";
    run("Exit");
    EXPECT_TRUE(screen_has("Show Key Codes"));
}

TEST_F(HdTap, InfoWindowsOfTheMenu) {
    struct Case {
        int line;
        const char* keys; // before Ok on that line
        std::vector<std::string> shown;
    } cases[] = {
        {12,
         "",
         {" Firmware: TMS 5.21.10 (tapsim)", " System ID: 22010", " HDD: Total=465 Free=303 [GiB]",
          " Heap: T=64 F=64 A=64 [MiB]", " Signal: Level=87% Quality=74%",
          " Channels: TV=4 Radio=3"}},
        {13,
         "",
         {" Program: TovakRC v2.30 HD", " Author: www.tovak.test",
          " Description: Remote Control Interception", " EtcInfo: Mar 18 2016 23:28:16",
          " TAP ID: 0x7A0BC020"}},
        // With IR diagnostics (AR): the MAC and address of the fixture's interface and the
        // firmware's build date found in its code image.
        {13, "AR", {" 00:1c:a2:10:20:30 192.168.178.20 Jul 21 2015 10:43:07"}},
    };
    for (const Case& c : cases) {
        emu.reset();
        start_hd(Ini{});
        open_menu();
        select_line(c.line);
        if (*c.keys) run(c.keys);
        run("Ok");
        for (const std::string& line : c.shown)
            EXPECT_TRUE(screen_has_line(line)) << line << "\n" << screen();
    }
    // The diagnostics variant shows the TAP's memory layout and the system's name.
    for (const char* part : {" text=", " end=", " main=", " Linux "})
        EXPECT_TRUE(screen_has(part)) << part;
}

TEST_F(HdTap, TerminateTap) {
    start_hd(Ini{});
    menu_action(14);
    EXPECT_EQ(calls_named("TAP_EnterNormal"), 1);
    EXPECT_FALSE(emu->running(0));
    EXPECT_EQ(screen(), "");
    // The receiver's stop event ends it too.
    emu.reset();
    start_hd(Ini{});
    run("stop");
    EXPECT_FALSE(emu->running(0));
}

// ---- receiver signature ----

TEST_F(HdTap, NetworkIsAskedAgainDuringTheFirstMinuteWithoutHardwareAddress) {
    const fs::path fixture = dir / "fixture.json";
    std::ofstream(fixture)
        << R"({"interfaces": [{"name": "lo", "ip": "127.0.0.1"}, {"name": "eth0", "ip": "10.0.0.7"}]})";
    start_hd(ini_bytes(Ini{}), tapsim::Config{.fixture = fixture.string()});
    auto listings = [&] {
        int n = 0;
        for (const tapsim::TraceCall& c : calls("ioctl"))
            n += c.args[0] == 0x8912; // the interface list
        return n;
    };
    EXPECT_EQ(listings(), 1);
    run("wait 2min");
    // Every 1000th idle event within the first minute (6000 ticks).
    EXPECT_EQ(listings(), 6);
    // With a hardware address the first answer is enough.
    emu.reset();
    start_hd(Ini{});
    run("wait 2min");
    EXPECT_EQ(listings(), 1);
}

TEST_F(HdTap, FirmwareTextsFallBackWhenTheFirmwareLacksThem) {
    struct Case {
        const char* withheld;
        const char* firmware; // the firmware line of the infos
        const char* date;     // the build date of the about window's diagnostics
    } cases[] = {
        {R"(["_Z15Appl_SetApplVerPc"])", " Firmware: Jul 21 2015 10:43:07", "Jul 21 2015 10:43:07"},
        {R"(["_fdata"])", " Firmware: TMS 5.21.10 (tapsim)", "date unknown"},
        {R"(["_ftext", "_osdOutBuf"])", " Firmware: date unknown", "date unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.withheld);
        const fs::path fixture = dir / "fixture.json";
        std::ofstream(fixture) << "{\"withhold\": " << c.withheld << "}";
        emu.reset();
        start_hd(ini_bytes(Ini{}), tapsim::Config{.fixture = fixture.string()});
        menu_action(12);
        EXPECT_TRUE(screen_has_line(c.firmware)) << screen();
        run("Exit v AR Ok");
        EXPECT_TRUE(screen_has_line(std::string(" 00:1c:a2:10:20:30 192.168.178.20 ") + c.date))
            << screen();
    }
}

// ---- update check ----

namespace {

constexpr const char* BUILD_DATE = "Fri, 18 Mar 2016 23:28:16 GMT"; // the TAP's own build date

HttpReply tap_reply(const std::string& date, size_t length) {
    HttpReply r;
    std::string body(length, '\0');
    for (size_t i = 0; i < length; ++i)
        body[i] = static_cast<char>(i * 7 + i / 251);
    r.body = body;
    r.head = "HTTP/1.0 200 OK\r\nServer: test\r\nContent-Length: " + std::to_string(length) +
             "\r\nLast-Modified: " + date + "\r\n";
    return r;
}

// The receiver's signature from its fixture: firmware version, system ID, the fold of the
// hardware address 00:1c:a2:10:20:30 and the disk size, in base 36 from its lowest digit.
std::string signature() {
    const uint32_t u = (0x00 ^ 0x1c) << 16 | (0xa2 ^ 0x10) << 8 | (0x20 ^ 0x30);
    uint32_t n = ((u >> 4 ^ u) & 0xFFFFF) * 1296 + 476940 / 10240;
    std::string s = "TMS 5.21.10 (tapsim)-22010-";
    for (; n; n /= 36)
        s += "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[n % 36];
    return s;
}

// An answer of the update server and what the interactive check makes of it.
struct UpdateCase {
    const char* name;
    HttpReply reply;
    const char* message;
    bool stored; // the body replaced the earlier file
};

} // namespace

TEST_F(HdTap, SilentCheckOnlySendsTheRequestAndStoresTheDay) {
    HttpServer server(tap_reply(BUILD_DATE, 20000));
    start_hd(Ini{.check_day = TODAY - 61, .save_day = 1});
    serve_host(server.port());
    run("wait 10min");
    EXPECT_TRUE(server.requests().empty()) << "not before more than 10 whole minutes";
    run("wait 80s");
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "GET /tovakrc/tovakrc_tms.tap HTTP/1.0\r\nHost: www.tovak.test\r\n"
                           "User-Agent: TovakRC v2.30 HD " +
                               signature() + "-111200\r\n\r\n");
    const std::string b = file_text(settings_file());
    EXPECT_EQ(le(b, 0x14, 2), static_cast<uint32_t>(TODAY)) << "check day";
    EXPECT_EQ(le(b, 0x16, 2), 0u) << "settings-save day cleared";
    EXPECT_FALSE(fs::exists(settings_file("tovakrc_tms.tap"))) << "no file written";
    EXPECT_FALSE(alert_shown());
    run("wait 30min");
    EXPECT_EQ(server.requests().size(), 1u) << "once per run";
}

TEST_F(HdTap, NoSilentCheckWithinSixtyDays) {
    HttpServer server(tap_reply(BUILD_DATE, 20000));
    start_hd(Ini{.check_day = TODAY - 60});
    serve_host(server.port());
    run("wait 15min");
    EXPECT_TRUE(server.requests().empty());
    // A settings save older than six days makes it due.
    emu.reset();
    start_hd(Ini{.check_day = TODAY - 1, .save_day = TODAY - 7});
    serve_host(server.port());
    run("wait 12min");
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HdTap, CheckUpdateStoresANewerOrEqualVersion) {
    HttpReply undated = tap_reply(BUILD_DATE, 20000);
    undated.head = "HTTP/1.0 200 OK\r\nContent-Length: 20000\r\n";
    UpdateCase cases[] = {
        {"equal date counts as newer", tap_reply(BUILD_DATE, 20000), " Successfully stored.", true},
        {"newer", tap_reply("Sat, 19 Mar 2016 00:00:00 GMT", 12345), " Successfully stored.", true},
        {"older", tap_reply("Fri, 18 Mar 2016 23:28:15 GMT", 20000), " No newer TAP version.",
         false},
        {"length 9999", tap_reply(BUILD_DATE, 9999), " File not found on server.", false},
        {"unreadable date", tap_reply("Fri, 18 March 2016 23:28:16 GMT", 20000), " Unsafe date.",
         false},
        {"no comma in the date", tap_reply("18 Mar 2016 23:28:16 GMT", 20000),
         " File not found on server.", false},
        {"no date", undated, " File not found on server.", false},
    };
    for (UpdateCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> requests = check_update(c.reply, c.message, c.stored);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_NE(requests[0].find("-111201\r\n"), std::string::npos) << "mode 1 in the user agent";
        if (!c.stored) continue;
        const std::string& head = c.reply.head;
        const size_t date = head.find(',', head.find("Last-Modified")) + 2;
        for (const std::string& line : {std::string(" New TAP version available:"),
                                        std::string(" www.tovak.test/tovakrc/tovakrc_tms.tap"),
                                        " " + head.substr(date, head.find('\r', date) - date) +
                                            ", " + std::to_string(c.reply.body.size()) + " bytes",
                                        std::string(" Saving to Settings/TovakRC ...")})
            EXPECT_TRUE(screen_has_line(line)) << line << "\n" << screen();
    }
}

TEST_F(HdTap, CheckUpdateKeepsTheEarlierFileWhenTheAnswerIsNoTap) {
    HttpReply missing = tap_reply(BUILD_DATE, 20000);
    missing.head = "HTTP/1.0 404 Not Found\r\nContent-Length: 20000\r\nLast-Modified: " +
                   std::string(BUILD_DATE) + "\r\n";
    HttpReply cut = tap_reply(BUILD_DATE, 20000);
    cut.cut_after = cut.head.size() + 2 + 7000;
    HttpReply short_body = tap_reply(BUILD_DATE, 20000);
    short_body.body.resize(15000); // announced 20000, the server closes after 15000
    HttpReply slow = tap_reply(BUILD_DATE, 30000);
    slow.delay_ms = 300;
    UpdateCase cases[] = {
        {"error page", missing, " File not found on server.", false},
        {"cut off midway", cut, " Transmission error.", false},
        {"shorter than announced", short_body, " Transmission error.", false},
        {"late answer", slow, " Successfully stored.", true},
    };
    for (UpdateCase& c : cases) {
        SCOPED_TRACE(c.name);
        check_update(c.reply, c.message, c.stored);
    }
}

TEST_F(HdTap, CheckUpdateWithoutServer) {
    // The host is not in the receiver's network: no connection is tried.
    start_hd(Ini{});
    menu_action(9);
    EXPECT_TRUE(screen_has_line(" Error connecting to www.tovak.test.")) << screen();
    EXPECT_EQ(calls_named("connect"), 0);
    // Nothing listens on the host's port.
    int unused;
    {
        HttpServer gone(HttpReply{});
        unused = gone.port();
    }
    serve_host(unused);
    run("Ok");
    const std::vector<tapsim::TraceCall> connects = calls("connect");
    ASSERT_EQ(connects.size(), 1u);
    EXPECT_EQ(connects[0].args, (std::vector<int64_t>{80, unused}));
    EXPECT_EQ(connects[0].text, HOST);
}

// The time-outs: a server that never answers, and one that never accepts the connection.
TEST_F(HdTap, CheckUpdateGivesUpOnAServerThatNeverAnswers) {
    HttpReply silent;
    silent.never_answer = true;
    EXPECT_EQ(check_giving_up(silent), 1u);
}

TEST_F(HdTap, CheckUpdateGivesUpOnAConnectionThatNeverCompletes) {
    HttpReply closed;
    closed.never_accept = true;
    EXPECT_EQ(check_giving_up(closed), 0u);
}
