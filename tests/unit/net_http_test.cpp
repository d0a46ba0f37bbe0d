// The HTTP client through the emulator's network: a loopback server with prepared answers
// stands behind the maker's host name; the file on the emulated disk, the result code, the
// time and size handed back and the request the server saw come out.
#include <stdlib.h>
#include <time.h>

#include <chrono>

#include "common/paths.h"
#include "common/programs.h"
#include "emu_fixture.h"
#include "http_server.h"
#include "net/http_get.h"

using emu_test::EmuTest;
using emu_test::read_file;
using emu_test::write_file;
using scenario::HttpReply;
using scenario::HttpServer;
namespace fs = std::filesystem;

namespace {

constexpr const char* HOST = "www.tovak.test";
const std::string WEB_DATE = "Fri, 18 Mar 2016 23:28:16 GMT";
constexpr uint32_t WEB_SECONDS = 1458343696; // the same in UTC
constexpr const char* OLD = "the earlier file";

HttpReply answer(const std::string& body, const std::string& fields,
                 const std::string& status = "200 OK") {
    HttpReply r;
    r.head = "HTTP/1.0 " + status + "\r\n" + fields;
    r.body = body;
    return r;
}

HttpReply dated(const std::string& body) {
    return answer(body, "Content-Length: " + std::to_string(body.size()) +
                            "\r\nLast-Modified: " + WEB_DATE + "\r\n");
}

// Seconds a call took.
template <class F> double seconds_of(F f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

class HttpGet : public EmuTest {
  protected:
    void SetUp() override {
        // atot reads dates as the receiver's local time: UTC here.
        setenv("TZ", "UTC", 1);
        tzset();
        EmuTest::SetUp();
        ASSERT_EQ(tap_folder_change(SETTINGS_FOLDER), 0);
    }
    void serve(int port) { emu->state().hosts = {tapsim::HostPorts{HOST, port, 0, {}}}; }
    fs::path file() const { return settings_file("news.txt"); }
    // http_get of "files/news.txt" into "news.txt", which holds OLD before.
    int get(const HttpReply& reply, uint32_t* time = nullptr, uint32_t* size = nullptr,
            const char* agent = nullptr, int full = 1) {
        HttpServer server(reply);
        serve(server.port());
        write_file(file(), OLD);
        const int r = http_get(HOST, "files/news.txt", "news.txt", time, size, agent, full);
        requests = server.requests();
        EXPECT_FALSE(fs::exists(settings_file("news.txt.part"))) << "no part file stays";
        return r;
    }
    // A server that keeps the receiver waiting: code 4 after the time-out (5 s), and the
    // earlier file as it was.
    void expect_time_out(const HttpReply& reply) {
        int r = -1;
        const double s = seconds_of([&] { r = get(reply); });
        EXPECT_EQ(r, HTTP_NO_CONNECTION);
        EXPECT_GE(s, 4.5);
        EXPECT_LT(s, 9);
        EXPECT_EQ(read_file(file()), OLD);
    }
    std::vector<std::string> requests;
};

class HttpGetFullDisk : public HttpGet {
  protected:
    void SetUp() override {
        config.disk_room = 3000;
        HttpGet::SetUp();
    }
};

struct Case {
    const char* what;
    HttpReply reply;
    int code;
    bool written; // the body (as far as it was sent) took the earlier file's place
};

} // namespace

TEST_F(HttpGet, AnswersAndTheirCodes) {
    const std::string body = "the new file\n";
    HttpReply bare_lf = dated(body);
    bare_lf.head = "HTTP/1.0 200 OK\nContent-Length: 13\nLast-Modified: " + WEB_DATE + "\n\n";
    bare_lf.raw = true;
    HttpReply split = dated(body);
    split.piece = 7;
    split.piece_gap_ms = 15;
    HttpReply long_header = dated(body);
    long_header.head += "X-Padding: " + std::string(9000, 'p') + "\r\n";
    HttpReply huge_header = dated(body);
    huge_header.head += "X-Padding: " + std::string(10 << 20, 'p') + "\r\n";
    HttpReply short_body =
        answer(std::string(400, 'b'), "Content-Length: 500\r\nLast-Modified: " + WEB_DATE + "\r\n");
    HttpReply cut_announced = dated(std::string(20000, 'c'));
    cut_announced.cut_after = cut_announced.head.size() + 2 + 7000;
    HttpReply cut_unannounced = answer(std::string(20000, 'c'), "Date: " + WEB_DATE + "\r\n");
    cut_unannounced.cut_after = cut_unannounced.head.size() + 2 + 7000;
    HttpReply endless_announced =
        answer(std::string(999, 'e'), "Content-Length: 1000\r\nDate: " + WEB_DATE + "\r\n");
    endless_announced.endless = true;
    HttpReply garbage;
    garbage.head = std::string("\x01\xff\x00\x7fGIF89a\x00\x00", 12);
    garbage.body = std::string(3000, '\0');
    HttpReply closed_at_once = dated(body);
    closed_at_once.cut_after = 0;
    const Case cases[] = {
        {"good answer", dated(body), 0, true},
        {"only \\n line ends", bare_lf, 0, true},
        {"the header in pieces", split, 0, true},
        {"a header of 9000 bytes", long_header, 0, true},
        {"\"Date: \" instead of \"Last-Modified: \"", answer(body, "Date: " + WEB_DATE + "\r\n"), 0,
         true},
        {"a date atot cannot read sets no condition", answer(body, "Date: Fri, yesterday\r\n"), 0,
         true},
        {"cut off without a length ends like a whole file", cut_unannounced, 0, true},
        {"no date", answer(body, "Content-Length: 13\r\n"), 7, false},
        {"date without a comma", answer(body, "Last-Modified: 18 Mar 2016 23:28:16 GMT\r\n"), 7,
         false},
        {"304", answer("", "", "304 Not Modified"), 304, false},
        {"404", answer(body, "Content-Length: 13\r\n", "404 Not Found"), 404, false},
        {"500 announced, 400 sent", short_body, 10, false},
        {"cut off after 7000 of 20000 announced", cut_announced, 10, false},
        {"longer than announced, endless", endless_announced, 10, false},
        {"no status line",
         [] {
             HttpReply r;
             r.head = "garbage\r\n";
             return r;
         }(),
         5, false},
        {"status 99", answer(body, "Date: " + WEB_DATE + "\r\n", "99 Low"), 5, false},
        {"status 1000", answer(body, "Date: " + WEB_DATE + "\r\n", "1000 High"), 5, false},
        {"binary garbage", garbage, 5, false},
        {"a 10 MB header", huge_header, 5, false},
        {"negative length", answer(body, "Content-Length: -5\r\nDate: " + WEB_DATE + "\r\n"), 6,
         false},
        {"length 10^12",
         answer(body, "Content-Length: 1000000000000\r\nDate: " + WEB_DATE + "\r\n"), 6, false},
        {"length without a number",
         answer(body, "Content-Length: many\r\nDate: " + WEB_DATE + "\r\n"), 6, false},
        {"length without a colon", answer(body, "Content-Length 13\r\nDate: " + WEB_DATE + "\r\n"),
         6, false},
        {"closed without a byte", closed_at_once, 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        uint32_t size = 12345;
        EXPECT_EQ(get(c.reply, nullptr, &size), c.code);
        const size_t sent = c.reply.cut_after == std::string::npos
                                ? c.reply.body.size()
                                : c.reply.cut_after - c.reply.head.size() - 2;
        EXPECT_EQ(read_file(file()), c.written ? c.reply.body.substr(0, sent) : OLD);
        EXPECT_EQ(size, c.written ? sent : 12345u) << "the size only on success";
        ASSERT_EQ(requests.size(), 1u);
    }
}

TEST_F(HttpGet, TheRequest) {
    const std::string body = "x";
    EXPECT_EQ(get(dated(body)), 0);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(
        requests[0],
        "GET /files/news.txt HTTP/1.0\r\nHost: www.tovak.test\r\nUser-Agent: Homebrew\r\n\r\n");
    // With a user agent and full = 0 the request only notifies the server.
    EXPECT_EQ(get(dated(body), nullptr, nullptr, "Agent 1.0", 0), 0);
    EXPECT_EQ(
        requests.at(0),
        "GET /files/news.txt HTTP/1.0\r\nHost: www.tovak.test\r\nUser-Agent: Agent 1.0\r\n\r\n");
    EXPECT_EQ(read_file(file()), OLD) << "notify-only writes nothing";
    EXPECT_EQ(get(answer("", "", "500 Broken")), 500);
    EXPECT_EQ(get(answer("", "", "500 Broken"), nullptr, nullptr, "Agent 1.0", 0), 0)
        << "notify-only: any first block";
    // A line end in what goes into the request never reaches the server.
    HttpServer server(dated(body));
    serve(server.port());
    EXPECT_EQ(http_get(HOST, "a\r\nX-Evil: 1", "news.txt", nullptr, nullptr, nullptr, 1), 4);
    EXPECT_EQ(http_get(HOST, "news.txt", "news.txt", nullptr, nullptr, "A\nB", 1), 4);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(HttpGet, DefaultFileNames) {
    HttpServer server(dated("body"));
    serve(server.port());
    EXPECT_EQ(http_get(HOST, "dir/page.html", nullptr, nullptr, nullptr, nullptr, 1), 0);
    EXPECT_EQ(read_file(settings_file("page.html")), "body");
    EXPECT_EQ(http_get(HOST, "dir/", nullptr, nullptr, nullptr, nullptr, 1), 0);
    EXPECT_EQ(read_file(settings_file("__tmp__.htm")), "body");
}

TEST_F(HttpGet, TheTimeCondition) {
    struct {
        const char* what;
        std::string date_field;
        uint32_t given;
        int code;
        uint32_t after; // the time value afterwards
    } cases[] = {
        {"equal", "Last-Modified: " + WEB_DATE, WEB_SECONDS, 1, WEB_SECONDS},
        {"given later", "Last-Modified: " + WEB_DATE, WEB_SECONDS + 1, 1, WEB_SECONDS + 1},
        {"server newer", "Last-Modified: " + WEB_DATE, WEB_SECONDS - 1, 0, WEB_SECONDS},
        {"a TAP header's date form", "Last-Modified: x, Mar 18 2016 23:28:16", WEB_SECONDS - 60, 0,
         WEB_SECONDS},
        {"\"Date: \" when there is no \"Last-Modified: \"", "Date: " + WEB_DATE, WEB_SECONDS, 1,
         WEB_SECONDS},
        {"\"Last-Modified: \" first",
         "Date: Sat, 19 Mar 2016 00:00:00\r\nLast-Modified: " + WEB_DATE, WEB_SECONDS, 1,
         WEB_SECONDS},
        {"an unreadable date is no condition", "Date: Fri, soon", WEB_SECONDS, 0, WEB_SECONDS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        uint32_t t = c.given;
        EXPECT_EQ(get(answer("new", c.date_field + "\r\n"), &t), c.code);
        EXPECT_EQ(t, c.after);
        EXPECT_EQ(read_file(file()), c.code == 0 ? "new" : OLD);
    }
}

TEST_F(HttpGet, HostsThatAreNotThere) {
    EXPECT_EQ(http_get("unknown.test", "x", "news.txt", nullptr, nullptr, nullptr, 1), 2);
    int unused;
    {
        HttpServer gone(HttpReply{});
        unused = gone.port();
    }
    serve(unused);
    EXPECT_EQ(http_get(HOST, "x", "news.txt", nullptr, nullptr, nullptr, 1), 4);
}

// The time-outs: a server that never answers, one that stops sending after the header, and
// one that never accepts the connection.
TEST_F(HttpGet, ServerThatNeverAnswers) {
    HttpReply r;
    r.never_answer = true;
    expect_time_out(r);
}

TEST_F(HttpGet, ServerFallingSilentAfterTheHeader) {
    HttpReply r = answer(std::string(5000, 's'), "Date: " + WEB_DATE + "\r\n");
    r.stall_after = r.head.size() + 2 + 1000;
    expect_time_out(r);
}

TEST_F(HttpGet, ConnectionThatNeverCompletes) {
    HttpReply r;
    r.never_accept = true;
    expect_time_out(r);
    EXPECT_TRUE(requests.empty());
}

TEST_F(HttpGet, EndlessBodyStopsAtItsBound) {
    HttpReply r = answer(std::string(1 << 20, 'e'), "Date: " + WEB_DATE + "\r\n");
    r.endless = true;
    EXPECT_EQ(get(r), HTTP_INCOMPLETE);
    EXPECT_EQ(read_file(file()), OLD);
}

TEST_F(HttpGetFullDisk, FullDiskKeepsTheEarlierFile) {
    EXPECT_EQ(get(dated(std::string(10000, 'f'))), HTTP_WRITE_FAILED);
    EXPECT_EQ(read_file(file()), OLD);
}
