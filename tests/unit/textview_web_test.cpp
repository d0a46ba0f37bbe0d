// The web cache and the downloader through the real helper wrappers against servers on
// loopback, the type detection, quoting of helper command lines, and the small formatters and
// parsers of the viewer's and the browser's reports.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "browser/tools.h"
#include "common/errors.h"
#include "common/file_type.h"
#include "common/paths.h"
#include "common/programs.h"
#include "common/receiver_path.h"
#include "demo_disk.h"
#include "emu_fixture.h"
#include "http_server.h"
#include "textview/bookmarks.h"
#include "textview/web.h"
#include "tls_server.h"

namespace fs = std::filesystem;
using emu_test::read_file;
using emu_test::write_file;

namespace {

// Runs a command line through the shell and returns what it printed.
std::string shell_output(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char block[256];
    size_t n;
    while ((n = fread(block, 1, sizeof block, p)) > 0)
        out.append(block, n);
    pclose(p);
    return out;
}

class Web : public emu_test::EmuTest {
  protected:
    void SetUp() override {
        EmuTest::SetUp();
        site = dir / "site";
        server = scenario::serve_pages(*emu, disk.string(), site.string());
        ASSERT_TRUE(server);
        emu->state().hosts.push_back({"down.tovak.test", free_port(), 0, {}});
        emu->publish_hosts();
    }
    void TearDown() override {
        error_clear();
        server.reset();
        EmuTest::TearDown();
    }
    static int free_port() {
        scenario::HttpReply r;
        r.never_accept = true;
        scenario::HttpServer closed(r);
        return closed.port() + 0; // refused once the server is gone
    }
    // html_get as the viewer calls it; the texts of the boxes it showed go into `shown`.
    std::string get(const std::string& url, const char* referrer = nullptr) {
        shown.clear();
        emu->on_sleep = [&](uint32_t) { shown += screen(); };
        char* r = html_get(url.c_str(), referrer);
        emu->on_sleep = nullptr;
        std::string out = r ? r : "(null)";
        mem_free(r);
        return out;
    }
    std::vector<std::string> paths_requested() const {
        std::vector<std::string> out;
        for (const std::string& r : server->requests())
            out.push_back(r.substr(4, r.find(' ', 4) - 4));
        return out;
    }
    fs::path site;
    std::unique_ptr<scenario::HttpServer> server;
    std::string shown;
};

TEST(WebCache, PlacesOfFetchedPages) {
    struct Case {
        const char* fetched;
        const char* place; // null: refused
    } const cases[] = {
        {"www.tovak.test", "www.tovak.test/__index__.html"},
        {"www.tovak.test/", "www.tovak.test/__index__.html"},
        {"www.tovak.test/news/page.html", "www.tovak.test/news/page.html"},
        {"www.tovak.test/news", "www.tovak.test/news/__index__.html"},
        {"www.tovak.test/search?q=tv", "www.tovak.test/search?q=tv/__index__.html"},
        {"www.tovak.test/a%20b.html", "www.tovak.test/a b.html"},
        {"www.tovak.test/../../ProgramFiles/x.html", nullptr},
        {"www.tovak.test/%2e%2e/%2E%2E/x.html", nullptr},
        {"www.tovak.test/a/./b.html", nullptr},
        {"..", nullptr},
        {"%2fetc/passwd", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        char out[256];
        const int r = web_cache_place(c.fetched, out, sizeof out);
        if (c.place) {
            EXPECT_EQ(r, 0) << c.fetched;
            EXPECT_STREQ(out, c.place) << c.fetched;
        } else {
            EXPECT_EQ(r, -1) << c.fetched;
        }
    }
    char small[20];
    EXPECT_EQ(web_cache_place("www.tovak.test/long-name", small, sizeof small), -1);
}

TEST(WebCache, LookupUrls) {
    struct Case {
        const char* words;
        bool encyclopedia, english;
        const char* url;
    } const cases[] = {
        {"Topfield  receiver", true, true,
         "https://en." ENCYCLOPEDIA_HOST "/wiki/Topfield_receiver"},
        {"  Topfield  receiver ", false, false,
         "https://" WEB_SEARCH_HOST "/do/search?q=Topfield+receiver"},
        {"Kabel", true, false, "https://de." ENCYCLOPEDIA_HOST "/wiki/Kabel"},
        {"   ", true, true, nullptr},
    };
    for (const Case& c : cases) {
        char out[200];
        const int r = lookup_url(c.words, c.encyclopedia, c.english, out, sizeof out);
        if (c.url) {
            EXPECT_EQ(r, 0);
            EXPECT_STREQ(out, c.url);
        } else {
            EXPECT_EQ(r, -1);
        }
    }
}

TEST(FileType, MagicBeforePictureExtensions) {
    struct Case {
        const char* name;
        std::string head;
        int type;
    } const cases[] = {
        {"x.jpg", "GIF89a....", FT_GIF},
        {"x.txt", " <!doctype html>", FT_WEB},
        {"x", "<!DOCTYPE html>", FT_WEB},
        {"x.HTML", std::string("\0\0\0", 3), FT_WEB},
        {"x.pdf", "%PDF-1.4", FT_PDF},
        {"x.bin", "BM....", FT_BMP},
        {"x", "\x89PNG\r\n", FT_PNG},
        {"x", "\xFF\xD8\xFF\xE0", FT_JPEG},
        {"x.png", "plain text", FT_PNG},
        {"x.jpeg", "text", FT_JPEG},
        {"x.dat", std::string("ab\0cd", 5), FT_BINARY},
        {"x.dat", "ab\xFF\xFF\xFF\xFF", FT_TEXT},
        {"x.txt", "", FT_TEXT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            file_type_of(c.name, reinterpret_cast<const uint8_t*>(c.head.data()), c.head.size()),
            c.type)
            << c.name << " " << c.head;
    EXPECT_TRUE(file_type_is_image(FT_GIF));
    EXPECT_FALSE(file_type_is_image(FT_BINARY));
    EXPECT_EQ(is_binary_bytes(reinterpret_cast<const uint8_t*>("ab\xFF\xFF\xFF\xFF"), 6), 1);
    EXPECT_EQ(is_binary_bytes(reinterpret_cast<const uint8_t*>("ab\xFF\xFF\xFF"), 5), 0);
}

TEST_F(Web, FileTypeAndBinaryTestOnTheDisk) {
    write_file(disk / "DataFiles/picture.jpg", "GIF89a and more");
    write_file(disk / "DataFiles/zero.txt", "");
    write_file(disk / "DataFiles/bin.dat", std::string(999, 'a') + std::string(1, '\0'));
    EXPECT_EQ(file_type("/DataFiles", "picture.jpg"), FT_GIF);
    EXPECT_EQ(file_type(nullptr, "/DataFiles/zero.txt"), FT_TEXT);
    EXPECT_EQ(file_type("/DataFiles", "bin.dat"), FT_BINARY);
    EXPECT_EQ(file_type("/DataFiles", "missing.txt"), FT_MISSING);
    EXPECT_EQ(file_type("/DataFiles", "missing.html"), FT_WEB) << "by its name, unopened";
    EXPECT_EQ(is_binary(nullptr, "/DataFiles/bin.dat"), 1);
    EXPECT_EQ(is_binary(nullptr, "/DataFiles/zero.txt"), 0);
    EXPECT_EQ(is_binary(nullptr, "/DataFiles/missing"), -1);
}

TEST_F(Web, PagesAreFetchedIntoTheCache) {
    write_file(site / "__index__.html", "<html>home</html>");
    write_file(site / "search?q=tv", "<html>results</html>");
    write_file(site / "news/page.html", "<html>news</html>");
    struct Case {
        const char* url;
        const char* path;
        const char* content;
    } const cases[] = {
        {"http://www.tovak.test", "/WebCache/www.tovak.test/__index__.html", "<html>home</html>"},
        {"http://www.tovak.test/search?q=tv", "/WebCache/www.tovak.test/search?q=tv/__index__.html",
         "<html>results</html>"},
        {"file://www.tovak.test/news/page.html", "/WebCache/www.tovak.test/news/page.html",
         "<html>news</html>"},
        // A cached page fetched again (its "/__index__.html" is the host's folder).
        {"file:///mnt/hd/WebCache/www.tovak.test/__index__.html",
         "/WebCache/www.tovak.test/__index__.html", "<html>home</html>"},
        // Site-relative on a cached page: the referrer's host.
        {"file:///news/page.html", "/WebCache/www.tovak.test/news/page.html", "<html>news</html>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(get(c.url, "/WebCache/www.tovak.test/__index__.html"), c.path) << c.url;
        EXPECT_EQ(read_file(disk / std::string(c.path).substr(1)), c.content) << c.url;
    }
    EXPECT_EQ(paths_requested(), (std::vector<std::string>{"/", "/search?q=tv", "/news/page.html",
                                                           "/", "/news/page.html"}));
    EXPECT_FALSE(fs::exists(disk / "__index__.html")) << "the temporary file is gone";
    EXPECT_EQ(usage.opened[USE_WEB], 5);
}

TEST_F(Web, LocalFilesAndRefusedLinks) {
    struct Case {
        const char* url;
        const char* referrer;
        const char* result;
    } const cases[] = {
        {"file:///mnt/hd/WebCache/Bookmarks.html", nullptr, "/WebCache/Bookmarks.html"},
        {"file:///mnt/hd/DataFiles/a%20b.txt", nullptr, "/DataFiles/a b.txt"},
        {"file:///news/page.html", "/DataFiles/x.html", "(null)"}, // not on a cached page
        {"file:///mnt/hd/DataFiles/../../etc/passwd", nullptr, "(null)"},
        {"http://www.tovak.test/../../ProgramFiles/x.html", nullptr, "(null)"},
        {"http://www.tovak.test/%2e%2e/x.html", nullptr, "(null)"},
        {"ftp://www.tovak.test/x", nullptr, "(null)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(get(c.url, c.referrer), c.result) << c.url;
    EXPECT_TRUE(server->requests().empty()) << "nothing was downloaded";
    EXPECT_FALSE(fs::exists(disk / "ProgramFiles/x.html"));
}

TEST_F(Web, AFailedDownloadFallsBackToTheCachedCopy) {
    write_file(disk / "WebCache/down.tovak.test/__index__.html", "<html>old copy</html>");
    EXPECT_EQ(get("http://down.tovak.test/"), "/WebCache/down.tovak.test/__index__.html");
    EXPECT_NE(shown.find("Server unreachable or internet connection down."), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("Load error, trying cached file."), std::string::npos) << shown;
    EXPECT_EQ(error_pending(), nullptr) << "shown, then cleared";
    EXPECT_EQ(read_file(disk / "WebCache/down.tovak.test/__index__.html"), "<html>old copy</html>");
    // Without a cached copy there is nothing, and the error waits for the viewer.
    EXPECT_EQ(get("http://down.tovak.test/other.html"), "(null)");
    ASSERT_NE(error_pending(), nullptr);
    EXPECT_STREQ(error_pending(), "Server unreachable or internet connection down.");
    // A page the server does not have (exit code 8): the cached copy, no posted error.
    error_clear();
    write_file(disk / "WebCache/www.tovak.test/gone.html", "<html>kept</html>");
    EXPECT_EQ(get("http://www.tovak.test/gone.html"), "/WebCache/www.tovak.test/gone.html");
    EXPECT_EQ(shown.find("Server unreachable"), std::string::npos) << shown;
    EXPECT_EQ(read_file(disk / "WebCache/www.tovak.test/gone.html"), "<html>kept</html>");
}

TEST_F(Web, SecureLinksGoThroughTls) {
    write_file(site / "secure.html", "<html>over TLS</html>");
    scenario::TlsServer tls(site.string());
    ASSERT_NE(tls.port(), 0) << tls.error();
    emu->state().hosts.push_back({"secure.tovak.test", 0, tls.port(), {}});
    emu->publish_hosts();
    EXPECT_EQ(get("https://secure.tovak.test/secure.html"),
              "/WebCache/secure.tovak.test/secure.html");
    EXPECT_EQ(read_file(disk / "WebCache/secure.tovak.test/secure.html"), "<html>over TLS</html>");
    EXPECT_TRUE(server->requests().empty()) << "not over plain HTTP";
}

TEST_F(Web, DownloaderStatusAndTheUsersWget) {
    write_file(site / "page.html", "<html>page</html>");
    const std::string out = (dir / "out.html").string();
    // The user's wget that lacks something (exit code 1): the helper fetches instead.
    write_file(disk / "ProgramFiles/wget",
               "#!/bin/sh\necho used > \"$(dirname \"$0\")/used\"\nexit 1\n");
    EXPECT_EQ(wget_fetch("www.tovak.test/page.html", out.c_str(), 0), 0);
    EXPECT_TRUE(fs::exists(disk / "ProgramFiles/used"));
    EXPECT_EQ(read_file(out), "<html>page</html>");
    EXPECT_EQ(server->requests().size(), 1u);
    // The server's 404: exit code 8, returned as 2048, nothing posted.
    EXPECT_EQ(wget_fetch("www.tovak.test/none.html", out.c_str(), 0), 2048);
    EXPECT_EQ(error_pending(), nullptr);
    EXPECT_TRUE(fs::exists(settings_file("wget.stderr")));
    // Without the helper: -1 and the standard error 0.
    fs::remove(disk / "ProgramFiles/wget");
    fs::remove(settings_file("wget.mips"));
    EXPECT_EQ(wget_fetch("www.tovak.test/page.html", out.c_str(), 1), -1);
    ASSERT_NE(error_pending(), nullptr);
    EXPECT_STREQ(error_pending(), "Backend file missing, please get update via TAP menu.");
    EXPECT_STREQ(error_pending_title(), SETTINGS_FOLDER "/wget.mips");
}

TEST_F(Web, HostileLinksReachTheDownloaderAsOneArgument) {
    const std::string marker = (dir / "marker").string();
    const std::string hostile = "http://www.tovak.test/x'$(touch " + marker + ")`touch " + marker +
                                "`\";touch " + marker + ";'.html";
    get(hostile);
    EXPECT_FALSE(fs::exists(marker)) << "nothing ran";
    ASSERT_EQ(server->requests().size(), 1u);
    EXPECT_NE(server->requests()[0].find("touch"), std::string::npos) << "the path arrived whole";
}

TEST(ShellLine, EveryValueIsOneLiteralWord) {
    const std::string marker = ::testing::TempDir() + "shell_line_marker";
    std::remove(marker.c_str());
    const std::vector<std::string> hostile = {
        "plain",
        "with blank",
        "it's",
        "''",
        "$(touch " + marker + ")",
        "`touch " + marker + "`",
        "a\"b;touch " + marker,
        "new\nline",
        "\xE4\xF6\xFC high bytes",
        std::string(255, 'n'),
    };
    for (const std::string& value : hostile) {
        char command[2048];
        shell_line line(command, sizeof command);
        line.raw("printf %s ").word(value.c_str());
        ASSERT_TRUE(line.ok());
        EXPECT_EQ(shell_output(command), value);
    }
    struct stat st;
    EXPECT_NE(stat(marker.c_str(), &st), 0) << "nothing ran";
    char small[8];
    shell_line tight(small, sizeof small);
    tight.word("too long for it");
    EXPECT_FALSE(tight.ok());
}

TEST(Bookmarks, TitlesOfPages) {
    struct Case {
        const char* html;
        const char* title; // "" none
    } const cases[] = {
        {"<html><head><TITLE>  News  </TITLE></head>", "News"},
        {"<title>\n   Split title \n</title>", "Split title"},
        {"x\n<Title>\t\r\n", ""},
        {"no title here", ""},
        {"<TITLE>a</TITLE>\n<TITLE>b</TITLE>", "a"},
    };
    for (const Case& c : cases) {
        FILE* f = fmemopen(const_cast<char*>(c.html), strlen(c.html), "r");
        char out[100];
        EXPECT_EQ(bookmark_title(f, out, sizeof out), *c.title != 0) << c.html;
        EXPECT_STREQ(out, c.title) << c.html;
        fclose(f);
    }
}

TEST(Bookmarks, LinesOfTheList) {
    char buffer[512] = {};
    FILE* f = fmemopen(buffer, sizeof buffer, "w");
    bookmark_line(f, "/DataFiles/a.txt", nullptr, nullptr);
    bookmark_line(f, "/WebCache/www.tovak.test/__index__.html", "*two words", "Tovak");
    bookmark_line(f, "www.tovak.test/x.html", "12", nullptr);
    fclose(f);
    EXPECT_STREQ(
        buffer, "<A HREF=\"../DataFiles/a.txt\">/DataFiles/a.txt</A><BR>\n"
                "<A HREF=\"../WebCache/www.tovak.test/__index__.html#*two_words\">Tovak</A><BR>\n"
                "<A HREF=\"../WebCache/www.tovak.test/x.html#12\">www.tovak.test/x.html</A><BR>\n");
}

TEST(BrowserTools, CodecReportFilter) {
    const char* probe[] = {
        "ffprobe version 5\n",
        "Input #0, mp3, from 'x.mp3':\n",
        "  Metadata:\n",
        "  Duration: 00:00:01.00, start: 0.000000, bitrate: 64 kb/s\n",
        "    Stream #0:0: Audio: mp2 ([80][0][0][0] / 0x0050), 44100 Hz, mono, s16p, 64 kb/s\n",
        "      handler_name    : SoundHandler\n",
        "    Stream #0:1: Video: h264 (High), yuv420p, 720x576, 25 fps, 25 tbr, 1k tbn\n",
        "Unsupported codec with id 0\n",
    };
    std::string report;
    bool started = false;
    for (const char* line : probe) {
        char out[800];
        if (codec_line(line, &started, out, sizeof out)) report += out;
    }
    EXPECT_EQ(report, "  Duration: 00:00:01.00, start: 0.000000, bitrate: 64 kb/s\n"
                      "    Stream #0:0: Audio: mp2 ( 0x0050), 44100 Hz, mono, s16p, 64 kb/s\n"
                      "    Stream #0:1: Video: h264 (High), yuv420p, 720x576, 25 fps\n");
}

TEST(BrowserTools, HexDumpAndTotals) {
    char buffer[512] = {};
    FILE* f = fmemopen(buffer, sizeof buffer, "w");
    const uint8_t bytes[18] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0xAB, 0xFF};
    hex_dump_write(f, bytes, sizeof bytes, true);
    fclose(f);
    EXPECT_STREQ(buffer, " 00000:  00 01 02 03  04 05 06 07  08 09 0a 0b  0c 0d 0e 0f\n"
                         " 00010:  ab ff\n...\n");
    struct Case {
        walk_totals t;
        bool english;
        const char* text;
    } const cases[] = {
        {{6000000, 3, 2, 2}, true, "2 directories (2 levels)\n3 files (total 6.0 M bytes)\n"},
        {{1, 1, 1, 1}, true, "1 directory (1 level)\n1 file (total 1 byte)\n"},
        {{6000000, 3, 2, 2}, false, "2 Verzeichnisse (2 Ebenen)\n3 Dateien (gesamt 6.0 M Bytes)\n"},
        {{1, 1, 1, 1}, false, "1 Verzeichnis (1 Ebene)\n1 Datei (gesamt 1 Byte)\n"},
    };
    const settings_record saved = settings;
    for (const Case& c : cases) {
        settings.flags = c.english ? uint32_t{SET_ENGLISH} : 0u;
        char out[200];
        walk_totals_text(c.t, out, sizeof out);
        EXPECT_STREQ(out, c.text);
    }
    settings = saved;
}

} // namespace
