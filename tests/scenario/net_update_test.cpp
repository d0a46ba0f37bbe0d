// The resident TAP's silent update check through the emulator: the dispatcher's idle duty runs
// it once the check is due and ten minutes have passed; the maker's host name leads to a
// loopback server. The request, the settings file and the disk come out, and how soon the TAP
// takes keys again when the server never answers.
#include <chrono>
#include <fstream>
#include <sstream>

#include "http_server.h"
#include "scenario.h"

namespace fs = std::filesystem;
using scenario::HttpReply;
using scenario::HttpServer;
using scenario::Scenario;

namespace {

constexpr uint16_t TODAY = 61384; // the emulator's date, 10 December 2026
constexpr const char* SETTINGS = "/ProgramFiles/Settings/TovakRC";

void put_le(std::string* b, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        (*b)[at + i] = static_cast<char>(v >> (8 * i));
}

uint32_t le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(b.at(at + i));
    return v;
}

// A settings record as the settings menu saves it, with the day of the last update check.
std::string settings_bytes(uint16_t update_day) {
    std::string b(256, '\0');
    put_le(&b, 0x08, 1, 4); // initialised
    put_le(&b, 0x0C, 0x90002, 4);
    b[0x11] = b[0x12] = 1;
    put_le(&b, 0x14, update_day, 2);
    const std::string path = "/WebCache/Bookmarks.html";
    b.replace(0x80, path.size(), path);
    return b;
}

HttpReply newer_tap() {
    HttpReply r;
    r.body = std::string(20000, 't');
    r.head = "HTTP/1.0 200 OK\r\nContent-Length: 20000\r\nLast-Modified: Tue, 01 Dec 2026 "
             "10:00:00 GMT\r\n";
    return r;
}

class SilentUpdate : public Scenario {
  protected:
    fs::path settings_file(const std::string& name) const {
        return disk_path(std::string(SETTINGS) + "/" + name);
    }
    void start_due(uint16_t update_day, int port) {
        fs::create_directories(settings_file("").parent_path());
        std::ofstream(settings_file("TovakRC.ini"), std::ios::binary) << settings_bytes(update_day);
        start();
        ASSERT_EQ(load(), 0);
        emu->state().hosts = {tapsim::HostPorts{"www.tovak.test", port, 0, {}}};
    }
};

} // namespace

TEST_F(SilentUpdate, TheIdleDutyNotifiesTheServerOnce) {
    HttpServer server(newer_tap());
    start_due(TODAY - 61, server.port());
    run("wait 10min");
    EXPECT_TRUE(server.requests().empty()) << "not before more than ten whole minutes";
    run("wait 80s");
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    // The agent carries the receiver's device identifier: the emulator's firmware version and
    // system ID, then its MAC fold and disk size in base 36.
    EXPECT_EQ(requests[0], "GET /tovakrc/tovakrc_tms.tap HTTP/1.0\r\nHost: www.tovak.test\r\n"
                           "User-Agent: TovakRC v4.92a TMS 5.21.10 (tapsim)-22010-A1LBXI-0000010-"
                           "11000200-HD\r\n\r\n");
    const std::string ini = file_text(settings_file("TovakRC.ini"));
    EXPECT_EQ(le(ini, 0x14, 2), TODAY) << "the day of the check";
    EXPECT_EQ(le(ini, 0x16, 2), 0u);
    EXPECT_FALSE(fs::exists(disk_path("/ProgramFiles/000_tovakrc_tms.tap"))) << "nothing stored";
    EXPECT_TRUE(screen().empty()) << screen();
    run("wait 30min");
    EXPECT_EQ(server.requests().size(), 1u) << "once per run";
    expect_memory_kept();
}

TEST_F(SilentUpdate, NotDueNoRequest) {
    HttpServer server(newer_tap());
    start_due(TODAY - 60, server.port());
    run("wait 15min");
    EXPECT_TRUE(server.requests().empty());
}

// A server that accepts and never answers holds the TAP for the receive time-out only; then it
// takes keys again and notes nothing.
TEST_F(SilentUpdate, DeadServerHoldsTheTapForItsTimeOutOnly) {
    HttpReply dead;
    dead.never_answer = true;
    HttpServer server(dead);
    start_due(TODAY - 61, server.port());
    run("wait 10min");
    const auto t0 = std::chrono::steady_clock::now();
    run("wait 80s");
    const double held =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_GE(held, 4.5);
    EXPECT_LT(held, 9.0);
    RecordProperty("dead_server_seconds", std::to_string(held));
    std::printf("dead server: the TAP took keys again after %.2f s\n", held);
    EXPECT_EQ(le(file_text(settings_file("TovakRC.ini")), 0x14, 2), TODAY - 61u)
        << "a failed check is not noted";
    run("Sat Mute");
    EXPECT_TRUE(screen_has("TovakRC")) << "keys are handled: " << screen();
}
