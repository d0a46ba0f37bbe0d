// The Infos & Tools window through the emulator: keys in; the screen, the position record, the
// usage counters and the trace out. The receiver's /proc files, disks, network interfaces and
// time server come from the test's fixture and a time server of its own on loopback.
#include <cstring>
#include <fstream>
#include <vector>

#include "common/hosts.h"
#include "common/records.h"
#include "common/settings.h"
#include "http_server.h"
#include "net/geo.h"
#include "scenario.h"
#include "sntp_server.h"

using scenario::HttpReply;
using scenario::HttpServer;
using scenario::Scenario;
using scenario::SntpServer;

namespace {

// The emulator's clock: local 2026-12-10 20:15:00 (UTC+1), as Unix seconds of its local time.
constexpr uint32_t local_unix = 1796933700u; // 2026-12-10 20:15:00 taken as UTC

class Infos : public Scenario {
  protected:
    // Starts the TAP with these settings and this fixture (JSON members without braces); the
    // time host answers through the time server when one runs.
    void start_infos(void (*setup)(settings_record&), const std::string& fixture = "",
                     const SntpServer* time_server = nullptr) {
        settings_record s{};
        s.initialised = 1;
        s.flags = SET_ENGLISH | SET_START_LISTENING | SET_INFOS_INFO;
        s.tf_model = 1;
        s.rc_model = 1;
        if (setup) setup(s);
        std::filesystem::path folder = disk_path("/ProgramFiles/Settings/TovakRC");
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "TovakRC.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
        std::string json = "{" + fixture;
        if (time_server) {
            if (!fixture.empty()) json += ",";
            json += "\"hosts\": {\"" TIME_HOST "\": {\"udp\": {\"123\": " +
                    std::to_string(time_server->port()) + "}}}";
        }
        json += "}";
        std::ofstream(dir / "fixture.json") << json;
        tapsim::Config config;
        config.fixture = (dir / "fixture.json").string();
        start(config);
        ASSERT_EQ(load(), 0);
    }
    position_record position_file() {
        position_record p{};
        const std::string bytes =
            file_text(disk_path("/ProgramFiles/Settings/TovakRC/TovakRC.pos"));
        // The record's layout is the file's (little-endian, as this PC).
        if (bytes.size() == sizeof p) std::memcpy(&p, bytes.data(), sizeof p);
        return p;
    }
};

// Manual location: Frankfurt (50.11 N, 8.68 E).
void frankfurt(settings_record& s) {
    s.startup |= 1 << 4;
    s.latitude = 5011;
    s.longitude = 868;
}

// The first of the four months the calendar shows ("December 2026").
std::string first_month(const std::string& screen) {
    static const char* const names[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
    size_t best = std::string::npos;
    std::string found;
    for (const char* n : names) {
        const size_t at = screen.find(std::string("\n") + n + "\n");
        if (at < best) {
            best = at;
            found = n;
        }
    }
    if (best == std::string::npos) return "";
    const size_t year = best + found.size() + 2;
    return found + " " + screen.substr(year, screen.find('\n', year) - year);
}

} // namespace

TEST_F(Infos, MainPageWithAManualLocationAndATimeServer) {
    // The local clock runs 2 h 7 min ahead of the server: (127 + 5) / 15 = 8 quarter hours.
    SntpServer server(local_unix - 127 * 60);
    start_infos(frankfurt, "", &server);
    run("Sat Info");
    EXPECT_EQ(server.requests(), 1);
    for (const char* line : {
             " Starts s. 10.12.2026 (0/0d): 1",
             " TovakRC / Keys: 1 / 1",
             " 0 Menu, 1 Info, 0 Cal, 0 Calc",
             " Latitude: +50.11\xC2\xB0, Longitude: +8.68\xC2\xB0",
             " Local Time: UTC +2.00h",
             // 07:13 UTC in Frankfurt on 10 December, shown with the offset and without " UTC".
             " Sunrise: Th 10.12.2026  9:13\n",
             " Sunset: Th 10.12.2026 17:22\n",
             " Day duration: 8:09 [h], dt=-71\" d\xC2\xB2t=+7\"",
             // Seven days back: the new moon of yesterday comes before the next full moon.
             " New moon: We  9.12.2026  2:52\n Full moon: Th 24.12.2026  3:29",
             "System\nHDD\nAbout\nTAPs\nForum\nCalendar\nCalculator",
         })
        EXPECT_TRUE(screen_has(line)) << line << "\n" << screen();
    EXPECT_FALSE(screen_has("Location")) << "the manual mode shows no place names";
    const position_record p = position_file();
    EXPECT_EQ(p.utc_offset, 120);
    EXPECT_GE(static_cast<uint32_t>(p.time_checked), local_unix - 127 * 60);
    EXPECT_LE(static_cast<uint32_t>(p.time_checked), local_unix - 127 * 60 + 60);
    // Drawn again (TvRadio) without a second query in this run.
    run("TvRadio TvRadio");
    EXPECT_EQ(server.requests(), 1);
    run("Exit");
    EXPECT_EQ(screen(), "");
    expect_memory_kept();
}

TEST_F(Infos, SilentOrLyingTimeServersChangeNothingStored) {
    struct Case {
        const char* what;
        uint32_t answer; // 0: silent
    } cases[] = {{"silent", 0}, {"five days off", local_unix - 5 * 86400}};
    std::vector<uint64_t> took; // ticks the Info key took to open the window
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SntpServer server(c.answer);
        start_infos(frankfurt, "", &server);
        run("Sat");
        // The key on its own, without the script's pauses around a press that would take in
        // the wait.
        const uint32_t info = tapsim::key_code("Info");
        const uint64_t before = emu->clock().ticks();
        emu->event(EVT_KEY, info, 0);
        took.push_back(emu->clock().ticks() - before);
        emu->event(EVT_KEY, info | KEY_RELEASE, 0);
        run("wait 100ms");
        EXPECT_EQ(server.requests(), 1);
        EXPECT_FALSE(screen_has("Local Time")) << screen();
        EXPECT_TRUE(screen_has(" Sunrise: Th 10.12.2026  7:13 UTC\n")) << screen();
        EXPECT_TRUE(screen_has(" New moon: We  9.12.2026  0:52 UTC\n")) << screen();
        const position_record p = position_file();
        EXPECT_EQ(p.utc_offset, 0);
        EXPECT_EQ(p.time_checked, 0);
        run("Exit");
        expect_memory_kept();
        emu.reset();
    }
    // The receive waits 0.3 s on the receiver's clock for the silent server.
    ASSERT_EQ(took.size(), 2u);
    EXPECT_GE(took[0], took[1] + 28) << took[0] << " " << took[1];
    EXPECT_LE(took[0], took[1] + 40) << took[0] << " " << took[1];
}

TEST_F(Infos, LocationFromThePositionRecordAndTheDayLengthLeftOut) {
    // The IP mode takes the place of the position record; the names are shortened to fit 22
    // characters. A day with a last day off, a last time off and a last time on leaves the
    // day's length out.
    position_record p{};
    std::strcpy(p.city, "Frankfurt am Main");
    std::strcpy(p.region, "Hessen");
    std::strcpy(p.region_code, "HE");
    std::strcpy(p.country, "Germany");
    std::strcpy(p.country_code, "DE");
    std::strcpy(p.time_zone, "Europe/Berlin");
    p.latitude = 50.11;
    p.longitude = 8.68;
    const std::filesystem::path folder = disk_path("/ProgramFiles/Settings/TovakRC");
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "TovakRC.pos", std::ios::binary)
        .write(reinterpret_cast<const char*>(&p), sizeof p);
    usage_record u{};
    u.starts = 5;
    u.first_day = 61380;
    u.days = 3;
    u.current_day = 61384;
    u.runtime_before = 2 * 3600 + 120;
    u.first_key_today = {61384, 8, 0};
    u.exit_before_today = {61383, 23, 10};
    u.last_exit = {61384, 10, 30};
    u.session_first_key = {61384, 10, 0};
    std::ofstream(folder / "TovakRC.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(&u), sizeof u);
    start_infos([](settings_record& s) { s.startup &= ~(7u << 4); });
    run("Sat Info");
    for (const char* line : {
             " Starts s.  6.12.2026 (2/4d): 6",
             " Runtime: 2h02' (61'/d)",
             " Last day off: We  9.12.2026 23:10",
             " Today 1st key: Th 10.12.2026  8:00",
             " Last time off: Th 10.12.2026 10:30",
             " Last time on: Th 10.12.2026 20:15",
             " Location: Frankfurt am Main / HE / DE",
             " Timezone: Europe/Berlin",
             " Sunset: Th 10.12.2026 15:22",
         })
        EXPECT_TRUE(screen_has(line)) << line << "\n" << screen();
    EXPECT_FALSE(screen_has("Day duration")) << screen();
    run("Exit");
}

TEST_F(Infos, OpeningWithTheLocationFromTheIpAddressAsksTheGeolocation) {
    // The first geolocation service answers for Munich with the public address 93.184.216.34.
    const std::string answer =
        "<?xml version=\"1.0\"?>\n<query>\n<status>success</status>\n<country>Germany</country>\n"
        "<countryCode>DE</countryCode>\n<region>BY</region>\n<regionName>Bavaria</regionName>\n"
        "<city>Munich</city>\n<lat>48.1</lat>\n<lon>11.6</lon>\n<query>93.184.216.34</query>\n"
        "</query>\n";
    HttpReply reply;
    reply.head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(answer.size()) +
                 "\r\nDate: Thu, 10 Dec 2026 19:15:30 GMT\r\n";
    reply.body = answer;
    struct Case {
        const char* what;
        void (*setup)(settings_record&);
        size_t asked_at_opening; // requests once the window is open
        const char* shown;       // on the main page
    } cases[] = {
        {"location from the IP address, none known",
         [](settings_record& s) { s.startup &= ~(7u << 4); }, 1,
         " Latitude: +48.10\xC2\xB0, Longitude: +11.60\xC2\xB0"},
        {"manual location", frankfurt, 0, " Latitude: +50.11\xC2\xB0, Longitude: +8.68\xC2\xB0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HttpServer server(reply);
        start_infos(c.setup);
        emu->state().hosts = {tapsim::HostPorts{GEO_HOST_1, server.port(), 0, {}}};
        run("Sat Info");
        EXPECT_EQ(server.requests().size(), c.asked_at_opening);
        EXPECT_TRUE(screen_has(c.shown)) << screen();
        // The system infos show the public address known from this run, or ask for it once.
        run("<");
        EXPECT_TRUE(screen_has(" IP: 192.168.178.20 / 93.184.216.34 (")) << screen();
        EXPECT_EQ(server.requests().size(), 1u);
        run("Exit Exit Sat Info <");
        EXPECT_EQ(server.requests().size(), 1u) << "known for the run";
        EXPECT_NEAR(position_file().latitude, 48.1, 1e-4);
        run("Exit Exit");
        expect_memory_kept();
        emu.reset();
    }
}

TEST_F(Infos, KeysOpenTheirPagesAndExitComesBack) {
    // A processor whose model names its FPU, and 124000 kB of memory.
    start_infos(
        frankfurt,
        R"("proc": {"cpuinfo": "system type\t: BCM7405\ncpu model\t: BMIPS4380 V7.0  FPU V0.1\ncpu MHz\t\t: 400.000\n", "meminfo": "MemTotal:  124000 kB\n"})");
    struct Case {
        const char* keys;
        std::vector<const char*> shown;
    } cases[] = {
        {"<",
         {"System Infos", " Sys.ID: 22010 (SRP 2100)", " Type: BCM7405\n",
          " FW: TMS 5.21.10 (tapsim) (Jul 21 2015 10:43:07)", " CPU: BMIPS4380 V7.0 (400.000 MHz)",
          " MEM: 125 [MB]", " HDD: Total=465 Free=303 [GiB]", " HDD: WDC WD10EZEX-08WN4A0",
          " Ser.: WD-WCC6Y7HN2X0L\n", " MAC: 00:1c:a2:10:20:30", " IP: 192.168.178.20 / ",
          " Signal: Level=87% Quality=74%", " Channels: TV=4 Radio=3"}},
        {"v", {"About Infos", " Program: TovakRC", " Version: v4.92a", " TAP ID: 0x7A0BC020"}},
        {"Teletext", {"TAP Infos", " 0: /ProgramFiles/tovakrc_tms.tap"}},
        {"Recall", {"Wget missing, please call Update in TAP menu!"}},
        {"Fav", {"Key Infos", " Keys s. 10.12.2026: "}},
        {"Ok", {"Calculator", "Cursor: + - * /"}},
        {">", {"Calendar", "December\n2026"}},
        {"^", {"Harddisk Infos", "/dev/sda", " Model: WDC WD10EZEX-08WN4A0"}},
        // Without the diagnostic mode Menu and Guide show the help page.
        {"Menu", {"Keys in Infos & Tools", ": Leave Infos & Tools"}},
        {"Guide", {"Keys in Infos & Tools"}},
        {"Play", {"Keys in Infos & Tools"}},
    };
    run("Sat Info");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        run(c.keys);
        for (const char* text : c.shown)
            EXPECT_TRUE(screen_has(text)) << text << "\n" << screen();
        run("Exit");
        EXPECT_TRUE(screen_has("Infos & Tools\nv4.92a\n Starts s.")) << screen();
    }
    // Each opening of the calendar and the calculator counts.
    EXPECT_TRUE(screen_has(" 0 Menu, 1 Info, 1 Cal, 1 Calc")) << screen();
    run("Exit");
    EXPECT_EQ(screen(), "");
    expect_memory_kept();
}

TEST_F(Infos, TheDirectKeyGoesOnToTheReceiver) {
    struct Case {
        uint32_t flag;   // the configured Infos key
        const char* key; // pressed on the main page
        uint32_t result; // what the receiver gets; 0: the window stays
    } cases[] = {
        {SET_INFOS_INFO, "Info", 0x10014},
        {SET_INFOS_SUBTITLE, "Subtitle", 0x10021},
        {SET_INFOS_SUBTITLE, "Info", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        static uint32_t flag;
        flag = c.flag;
        start_infos([](settings_record& s) {
            s.flags = (s.flags & ~(SET_INFOS_INFO | SET_INFOS_SUBTITLE)) | flag;
        });
        run("Sat Info");
        ASSERT_TRUE(screen_has("Infos & Tools")) << screen();
        run(c.key);
        EXPECT_EQ(last_result(), c.result);
        EXPECT_EQ(screen_has("Infos & Tools"), c.result == 0) << screen();
        if (c.result == 0) run("Exit");
        emu.reset();
    }
}

TEST_F(Infos, Calculator) {
    start_infos(nullptr);
    run("Sat Info Ok");
    struct Case {
        const char* keys;
        const char* line;   // the display line or result that follows, if any
        const char* absent; // what a refused key would have made
    } cases[] = {
        {"1 Info 5 Info 3", "\n 1.5e3\n", nullptr},
        {"Recall Recall Recall Recall Recall 1", "\n 1\n", "1.5"},
        {"Recall", nullptr, "\n 1\n"}, // the blank display line covers it
        {"1 Info 5 Info Info 3", "\n 1.5e-3\n", nullptr},
        {"Ok", "\n 0.0015 ", nullptr},
        {"0 >", "\n 0\n", "0+"}, // a 0 before an operator is refused
        {"Recall 0 Info 5 > 1 Ok", "\n 1.5 ", nullptr},
        {"2 > 3 ^ 4 Ok", "\n 20 ", nullptr}, // no precedence
        {"> 2 Ok", "\n 22 ", nullptr},       // an empty operand is the last result
        {"^ Ok", "\n 484 ", nullptr},
        {"1 v 0 Ok", "\n inf ", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        run(c.keys);
        if (c.line) EXPECT_TRUE(screen_has(c.line)) << screen();
        if (c.absent) EXPECT_FALSE(screen_has(c.absent)) << screen();
    }
    // Expressions go to rows 1, 3, 5, 7 and then 1 again, overwriting what stood there: of
    // the seven calculations the last four are on the screen.
    run("7 Ok");
    const std::string shown = screen();
    for (const char* line : {" +2=\n 22 ", " *=\n 484 ", " 1/0=\n inf ", " 7=\n 7 "})
        EXPECT_NE(shown.find(line), std::string::npos) << line << "\n" << shown;
    for (const char* line : {"1.5e-3=", "0.5+1=", "2+3*4="})
        EXPECT_EQ(shown.find(line), std::string::npos) << line << "\n" << shown;
    run("Exit Exit");
    EXPECT_EQ(screen(), "");
}

TEST_F(Infos, CalendarKeysAndLimits) {
    start_infos(nullptr);
    run("Sat Info >");
    EXPECT_EQ(first_month(screen()), "December 2026");
    EXPECT_TRUE(screen_has("Easter: 28. March, Pentecost: 16. May 2027")) << screen();
    struct Case {
        const char* keys;
        const char* first;
        const char* holidays; // the Easter line, or null when it is left out
    } cases[] = {
        {">", "January 2027", "Easter: 28. March, Pentecost: 16. May 2027"},
        {"<", "December 2026", "Easter: 28. March, Pentecost: 16. May 2027"},
        {"<", "November 2026", nullptr}, // last month February
        {"v", "March 2027", "Easter: 28. March, Pentecost: 16. May 2027"},
        {"^ ^", "July 2026", nullptr}, // last month October
        {"^", "March 2026", "Easter: 5. April, Pentecost: 24. May 2026"},
        {">>", "March 2027", nullptr},
        {"Ok", "December 2026", nullptr},
        {"|< |<", "December 2006", nullptr},
        {">| >| >|", "December 2036", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        run(c.keys);
        EXPECT_EQ(first_month(screen()), c.first);
        if (c.holidays) EXPECT_TRUE(screen_has(c.holidays)) << screen();
    }
    struct Holidays {
        const char* keys;
        const char* first;
        const char* line; // null: left out
    } holidays[] = {
        {"Ok ^ ^ ^ ^ ^ <", "March 2025", "Easter: 20. April, Pentecost: 8. June 2025"},
        {"< < <", "December 2024", nullptr}, // last month March, Easter 2025 in April
        {"<<", "December 2023", "Easter: 31. March, Pentecost: 19. May 2024"},
        {"v v < <", "June 2024", nullptr}, // last month September, Pentecost 2024 in May
        {">>", "June 2025", "Easter: 20. April, Pentecost: 8. June 2025"},
    };
    for (const Holidays& h : holidays) {
        SCOPED_TRACE(h.keys);
        run(h.keys);
        EXPECT_EQ(first_month(screen()), h.first);
        if (h.line)
            EXPECT_TRUE(screen_has(h.line)) << screen();
        else
            EXPECT_FALSE(screen_has("Easter")) << screen();
    }
    // The lower limit: 2025 - 10 * 44 = 1585, then 1575 becomes January 1583 (the upper one
    // is the unit tests').
    for (int i = 0; i < 45; ++i)
        run("|<");
    EXPECT_EQ(first_month(screen()), "January 1583");
    run(">");
    EXPECT_EQ(first_month(screen()), "February 1583");
    run("Exit Exit");
}

TEST_F(Infos, HarddiskPagesPerDisk) {
    struct Case {
        const char* what;
        const char* fixture;
        const char* keys; // after ^ on the main page
        std::vector<const char*> shown;
        std::vector<const char*> absent;
    } cases[] = {
        {"a WDC disk",
         R"("drives": {"a": {"smart": {"189": 3, "194": 1310760, "180": 4, "241": 1953125000}}})",
         "",
         {"/dev/sda", " Model: WDC WD10EZEX-08WN4A0", " Serial: WD-WCC6Y7HN2X0L",
          " FW Rev.: 01.01A01", " Capacity: 1.0 T", " sda2 /mnt/hd", "500.1 G,", "326.1 G free",
          " HDD R/W: ", " CPU 0/1: ", " High Fly Writes\n3\n", " Device Temperature [C]\n40\n",
          " Unused Reserve Blocks\n4\n", " Total LBAs Written [GB]\n1000\n"},
         {"Factory Bad Blocks"}},
        {"a Crucial disk",
         R"("drives": {"a": {"model": "Crucial_CT500MX500SSD1", "smart": {"189": 2, "180": 5}}})",
         "",
         {" Factory Bad Blocks\n2\n", " Unused Reserve Blocks\n5\n"},
         {"High Fly Writes"}},
        {"a Seagate disk",
         R"("drives": {"a": {"model": "ST1000DM003-1CH162", "smart": {"1": 77, "7": 9, "9": 5}}})",
         "",
         {" Raw Read Error Rate\nSeagate\n", " Seek Error Rate\nSeagate\n", " Power-On Hours\n5\n"},
         {"\n77\n"}},
        {"one core: no load lines",
         R"("load": {"cores": [[10, 0, 10, 80, 0, 0, 0, 0]]})",
         "",
         {" Model: WDC"},
         {"HDD R/W", "CPU 0/1"}},
        {"only sda: a key comes back to it", "", "Ok", {"/dev/sda", " Model: WDC"}, {}},
        {"sda and sdc: a key moves on to sdc",
         R"("drives": {"a": {}, "c": {"model": "SAMSUNG HD103SJ", "smart": {"9": 12}}})",
         "Ok",
         {"/dev/sdc", " Model: SAMSUNG HD103SJ", " Power-On Hours\n12\n"},
         {" sda2"}},
        {"identification failing: only the partitions",
         R"("drives": {"a": {"fail": ["identity", "identify"]}})",
         "",
         {"/dev/sda", " sda2 /mnt/hd"},
         {"Model:", "Power-On Hours"}},
        {"SMART failing: no attributes",
         R"("drives": {"a": {"fail": ["smart_enable"]}})",
         "",
         {" Model: WDC"},
         {"Power-On Hours"}},
        {"nothing at all", R"("drives": {}, "mounts": [])", "", {"HDD infos not available."}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        start_infos(nullptr, c.fixture);
        run("Sat Info ^");
        if (*c.keys) run(c.keys);
        for (const char* text : c.shown)
            EXPECT_TRUE(screen_has(text)) << text << "\n" << screen();
        for (const char* text : c.absent)
            EXPECT_FALSE(screen_has(text)) << text << "\n" << screen();
        run("Exit Exit");
        emu.reset();
    }
}

TEST_F(Infos, DiagnosticModePages) {
    start_infos([](settings_record& s) { s.flags |= SET_DIAGNOSTIC; });
    run("Sat Info Menu");
    for (const char* text : {"Tovak Infos", " end=", " heap=", " global code: ", " GetTick=",
                             "\xC2\xB5s GetState=", " maxticks=", " code="})
        EXPECT_TRUE(screen_has(text)) << text << "\n" << screen();
    run("Exit Guide");
    // The test grid: the foreground level 8 top left, row and column numbers, letters.
    const std::string grid = screen();
    EXPECT_EQ(grid.substr(0, 2), "8\n") << grid;
    EXPECT_TRUE(screen_has("\n1\n2\n3\n")) << grid;
    run("> > > > > > 0");
    EXPECT_EQ(screen().substr(0, 2), "8\n") << "0 resets";
    run(">");
    EXPECT_EQ(screen().substr(0, 2), "9\n");
    run("Exit Exit");
    EXPECT_EQ(screen(), "");
}

TEST_F(Infos, TapListShowsTheTapsBesideUs) {
    start_infos(nullptr);
    ASSERT_EQ(load(TOVAK_TAP_PROBE), 1);
    run("Sat Info Teletext");
    EXPECT_TRUE(screen_has(" 0: /ProgramFiles/tovakrc_tms.tap\n 1: /ProgramFiles/")) << screen();
    run("Exit Exit");
}
