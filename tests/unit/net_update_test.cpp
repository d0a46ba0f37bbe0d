// The update check: the user agent, the update list's lines, and the interactive check against
// a loopback server standing behind the maker's host name, with the files on the emulated disk
// and the report in the info box.
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <cmath>

#include "common/paths.h"
#include "emu_fixture.h"
#include "http_server.h"
#include "net/update.h"

using emu_test::EmuTest;
using emu_test::read_file;
using emu_test::write_file;
using scenario::HttpReply;
using scenario::HttpServer;
namespace fs = std::filesystem;

namespace {

constexpr uint16_t TODAY = 61384; // the emulator's date, 10 December 2026
constexpr const char* OLD_DATE = "Fri, 18 Mar 2016 23:28:16 GMT";    // before everything local
constexpr const char* NEW_DATE = "Tue, 01 Dec 2026 10:00:00 GMT";    // after the TAP's build
constexpr const char* FUTURE_DATE = "Fri, 01 Jan 2100 00:00:00 GMT"; // after every local file

HttpReply file_reply(const std::string& body, const std::string& date) {
    HttpReply r;
    r.head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
             "\r\nLast-Modified: " + date + "\r\n";
    r.body = body;
    return r;
}

HttpReply missing() {
    HttpReply r;
    r.head = "HTTP/1.0 404 Not Found\r\n";
    return r;
}

const char* const fixed_files[] = {"tovakrc.txt",    "tovakrc_en.txt", "tovak_gif.mips",
                                   "tovak_png.mips", "tovakrc.update", "lynx.mips",
                                   "wget.mips",      "ffprobe.mips",   "pdftotext.mips"};

class Update : public EmuTest {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        EmuTest::SetUp();
        position = position_record{};
        settings.update_day = TODAY - 70;
        settings.save_day = TODAY - 10;
    }
    void TearDown() override {
        position = position_record{};
        EmuTest::TearDown();
    }
    void serve(int port) {
        emu->state().hosts = {tapsim::HostPorts{"www.tovak.test", port, 0, {}}};
    }
    fs::path program_file(const std::string& name) const { return disk / "ProgramFiles" / name; }
    // Every fixed file present in the settings folder, as a receiver that updated before has
    // them.
    void local_files() {
        for (const char* name : fixed_files)
            write_file(settings_file(name), std::string("local ") + name);
        write_file(settings_file("tovakrc.update"), "# no extra files\n");
    }
    // The paths the server was asked for, in order.
    static std::vector<std::string> paths(const HttpServer& server) {
        std::vector<std::string> out;
        for (const std::string& r : server.requests())
            out.push_back(r.substr(4, r.find(' ', 4) - 4));
        return out;
    }
    // The report in the info box (line_buffer serves the box's drawing too).
    std::string report() const {
        EXPECT_TRUE(ibox_open());
        return screen();
    }
};

} // namespace

TEST(UpdateAgent, BinaryDigitsInBase36) {
    const struct {
        uint32_t value;
        char digit;
    } cases[] = {{0, '0'}, {1, '1'},    {2, '2'},    {3, '2'},
                 {4, '3'}, {1023, 'A'}, {1024, 'B'}, {0xFFFFFFFF, 'W'}};
    for (const auto& c : cases)
        EXPECT_EQ(update_bits_digit(c.value), c.digit) << c.value;
}

TEST(UpdateAgent, LocationCodes) {
    const struct {
        float latitude, longitude;
        const char* code;
    } cases[] = {
        {48.1f, 11.6f, "MR51"}, // a = 994, b = 41
        {0, 0, "HD"},           // no location
        {-90, 0.1f, "0000"},    // a = 0, b = 0
        {0, -0.1f, "0IZZ"},     // a = 648, b = 359.9 x 3.6 = 1295
        {90, 10, "X"},          // a = 1296
        {10, -360.5f, "X"},     // below the grid
        {NAN, 10, "X"},         {10, INFINITY, "X"},
    };
    for (const auto& c : cases) {
        char code[5];
        update_location_code(c.latitude, c.longitude, code);
        EXPECT_STREQ(code, c.code) << c.latitude << " " << c.longitude;
    }
}

TEST(UpdateAgent, TheWholeText) {
    update_agent_facts f{};
    f.program = "TovakRC v4.92a";
    f.device = "TMS 5.21.10-22010-ABC";
    const uint32_t counts[7] = {0, 1, 3, 4, 1000, 70000, 0x7FFFFFFF};
    std::memcpy(f.counts, counts, sizeof counts);
    f.tf_model = 0x12; // only the low four bits go out
    f.rc_model = 3;
    f.receiver_id = 9;
    f.flags = 0x20011102;
    f.mode = 1;
    f.latitude = 48.1f;
    f.longitude = 11.6f;
    char text[UPDATE_AGENT_SIZE];
    update_agent_text(f, text, sizeof text);
    EXPECT_STREQ(text, "TovakRC v4.92a TMS 5.21.10-22010-ABC-0123AHV-23110291-MR51");
    f.device = "";
    f.mode = 0;
    f.latitude = f.longitude = 0;
    update_agent_text(f, text, sizeof text);
    EXPECT_STREQ(text, "TovakRC v4.92a X-0123AHV-23110290-HD");
    // A long identifier is cut at the bound.
    std::string device(200, 'd');
    f.device = device.c_str();
    update_agent_text(f, text, sizeof text);
    EXPECT_EQ(std::strlen(text), UPDATE_AGENT_SIZE - 1u);
}

TEST(UpdateList, Lines) {
    const struct {
        const char* line;
        const char* name; // null: no entry
        int level;        // -1: refused
    } cases[] = {
        {"tovakrc.txt\n", "tovakrc.txt", 0},
        {"--sub/extra.txt # the extra file\r\n", "sub/extra.txt", 2},
        {"  \t---quiet.txt\t \n", "quiet.txt", 3},
        {"- spaced name.txt", "spaced name.txt", 1},
        {"# a comment\n", nullptr, 0},
        {"--   # nothing but dashes\n", nullptr, 2},
        {"\n", nullptr, 0},
        {"../outside.txt\n", nullptr, -1},
        {"sub/../../outside.txt", nullptr, -1},
        {"sub/..", nullptr, -1},
        {"/etc/passwd", nullptr, -1},
        {"-/ProgramFiles/x.tap", nullptr, -1},
        {"sub//x", nullptr, -1},
        {"sub/./x", nullptr, -1},
        {"sub\\x", nullptr, -1},
        {"a\x01z", nullptr, -1},
        {"folder/", nullptr, -1},
        {"...", "...", 0},
        {"x..y/z", "x..y/z", 0},
    };
    for (const auto& c : cases) {
        char line[UPDATE_LINE];
        std::snprintf(line, sizeof line, "%s", c.line);
        int level = 99;
        const char* name = update_list_entry(line, &level);
        if (c.name) {
            ASSERT_NE(name, nullptr) << c.line;
            EXPECT_STREQ(name, c.name);
        } else {
            EXPECT_EQ(name, nullptr) << c.line;
        }
        EXPECT_EQ(level, c.level) << c.line;
    }
}

TEST_F(Update, EverythingNewer) {
    local_files();
    write_file(program_file("000_tovakrc_tms.tap"), "running");
    write_file(program_file("001_tovakrc_tms.tap"), "an earlier download");
    write_file(settings_file("tovakrc.update"), "unused"); // replaced before it is read
    const std::string list = "# extra files\n--sub/extra.txt # the extra file\n---quiet.txt\n"
                             "-gone.txt\n../outside.txt\n/etc/passwd\n";
    std::map<std::string, HttpReply> files = {
        {"/tovakrc/tovakrc_tms.tap", file_reply(std::string(30000, 't'), NEW_DATE)},
        {"/tovakrc/tovakrc.txt", file_reply("the description", FUTURE_DATE)},
        {"/tovakrc/tovakrc.update", file_reply(list, FUTURE_DATE)},
        {"/tovakrc/sub/extra.txt", file_reply("extra", FUTURE_DATE)},
        {"/tovakrc/quiet.txt", file_reply("quiet", FUTURE_DATE)},
        {"/tovakrc/gone.txt", missing()},
    };
    // Every other file is current (the helper programs, the English description).
    HttpServer server(files, file_reply("current file", OLD_DATE));
    serve(server.port());
    position.utc_offset = 60;
    EXPECT_EQ(update_check(1), 0);
    EXPECT_EQ(read_file(program_file("002_tovakrc_tms.tap")), std::string(30000, 't'));
    EXPECT_EQ(read_file(program_file("000_tovakrc_tms.tap")), "running");
    EXPECT_EQ(read_file(program_file("001_tovakrc_tms.tap")), "an earlier download");
    EXPECT_EQ(read_file(settings_file("tovakrc.txt")), "the description");
    EXPECT_EQ(read_file(settings_file("tovakrc.update")), list);
    EXPECT_EQ(read_file(settings_file("sub/extra.txt")), "extra");
    EXPECT_EQ(read_file(settings_file("quiet.txt")), "quiet");
    EXPECT_EQ(read_file(settings_file("lynx.mips")), "local lynx.mips") << "current: untouched";
    EXPECT_FALSE(fs::exists(disk / "ProgramFiles/Settings/outside.txt"));
    const std::vector<std::string> asked = paths(server);
    const std::vector<std::string> expected = {
        "/tovakrc/tovakrc_tms.tap", "/tovakrc/tovakrc.txt",    "/tovakrc/tovakrc_en.txt",
        "/tovakrc/tovak_gif.mips",  "/tovakrc/tovak_png.mips", "/tovakrc/tovakrc.update",
        "/tovakrc/sub/extra.txt",   "/tovakrc/quiet.txt",      "/tovakrc/gone.txt",
        "/tovakrc/lynx.mips",       "/tovakrc/wget.mips",      "/tovakrc/ffprobe.mips",
        "/tovakrc/pdftotext.mips"};
    EXPECT_EQ(asked, expected);
    const std::string r = report();
    EXPECT_EQ(r.substr(0, 21), "Update\n 002_tovakrc_t");
    for (const char* line :
         {"002_tovakrc_tms.tap: Saved to ProgramFiles/002_tovakrc_tms.tap.\n 30000 Bytes, Tue Dec  "
          "1 "
          "11:00:00 2026\n",
          "tovakrc.txt: Saved to Settings/TovakRC.\n 15 Bytes, Fri Jan  1 01:00:00 2100\n",
          "tovakrc_en.txt: No newer version.\n",
          "sub/extra.txt: Saved to Settings/TovakRC.\n 5 Bytes, ",
          "gone.txt: File not found on server.\n"})
        EXPECT_NE(r.find(line), std::string::npos) << line << "\n" << r;
    EXPECT_EQ(r.find("quiet"), std::string::npos) << "level 3 reports nothing";
    EXPECT_EQ(r.find("lynx"), std::string::npos) << "level 1 reports no current file";
    EXPECT_EQ(settings.update_day, TODAY);
    EXPECT_EQ(settings.save_day, 0);
}

TEST_F(Update, EverythingCurrent) {
    local_files();
    HttpServer server(file_reply("current file", OLD_DATE));
    serve(server.port());
    EXPECT_EQ(update_check(1), 0);
    EXPECT_EQ(report(),
              "Update\n tovakrc_tms.tap: No newer version.\ntovakrc.txt: No newer version.\n"
              "tovakrc_en.txt: No newer version.\n");
    EXPECT_EQ(paths(server).size(), 10u) << "the TAP and the nine fixed files";
    EXPECT_FALSE(fs::exists(program_file("000_tovakrc_tms.tap")));
    for (const char* name : fixed_files)
        if (std::string(name) != "tovakrc.update")
            EXPECT_EQ(read_file(settings_file(name)), std::string("local ") + name);
    EXPECT_EQ(settings.update_day, TODAY);
    EXPECT_EQ(settings.save_day, 0);
}

TEST_F(Update, ServerNotReachable) {
    local_files();
    int unused;
    {
        HttpServer gone(HttpReply{});
        unused = gone.port();
    }
    serve(unused);
    EXPECT_EQ(update_check(1), -1);
    EXPECT_EQ(report(), "Update\n Error connecting to www.tovak.test.\n");
    EXPECT_EQ(calls_named("connect"), 1) << "nothing is tried after the TAP";
    EXPECT_EQ(settings.update_day, TODAY - 70);
    EXPECT_EQ(settings.save_day, TODAY - 10);
}

TEST_F(Update, SilentCheckOnlyNotifies) {
    local_files();
    HttpServer server(file_reply(std::string(30000, 't'), NEW_DATE));
    serve(server.port());
    std::snprintf(line_buffer, LINE_BUFFER_SIZE, " another window's text");
    EXPECT_EQ(update_check(0), 0);
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "GET /tovakrc/tovakrc_tms.tap HTTP/1.0\r\nHost: www.tovak.test\r\n"
                           "User-Agent: TovakRC v4.92a X-0000000-00010000-HD\r\n\r\n");
    EXPECT_FALSE(fs::exists(program_file("000_tovakrc_tms.tap")));
    EXPECT_STREQ(line_buffer, " another window's text");
    EXPECT_FALSE(ibox_open());
    EXPECT_EQ(settings.update_day, TODAY);
    EXPECT_EQ(settings.save_day, 0);
}

TEST_F(Update, ListEntriesThatWouldLeaveTheSettingsFolder) {
    local_files();
    fs::create_directories(disk / "outside");
    fs::create_symlink(disk / "outside", settings_file("link"));
    write_file(disk / "outside/victim.txt", "kept");
    fs::create_symlink(disk / "outside/victim.txt", settings_file("evil.txt"));
    const std::string list = "link/x.txt\nevil.txt\n../x.txt\nlink/deeper/y.txt\nfine/z.txt\n";
    HttpServer server({{"/tovakrc/tovakrc.update", file_reply(list, FUTURE_DATE)},
                       {"/tovakrc/fine/z.txt", file_reply("z", FUTURE_DATE)}},
                      file_reply("from the server", FUTURE_DATE));
    serve(server.port());
    EXPECT_EQ(update_check(1), 0);
    const std::vector<std::string> asked = paths(server);
    for (const char* refused : {"/tovakrc/link/x.txt", "/tovakrc/evil.txt", "/tovakrc/../x.txt",
                                "/tovakrc/link/deeper/y.txt"})
        EXPECT_EQ(std::count(asked.begin(), asked.end(), refused), 0) << refused;
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "/tovakrc/fine/z.txt"), 1);
    EXPECT_EQ(read_file(settings_file("fine/z.txt")), "z");
    EXPECT_EQ(read_file(disk / "outside/victim.txt"), "kept");
    EXPECT_FALSE(fs::exists(disk / "outside/x.txt"));
    EXPECT_FALSE(fs::exists(disk / "outside/deeper"));
    EXPECT_FALSE(fs::exists(disk / "ProgramFiles/Settings/x.txt"));
}
