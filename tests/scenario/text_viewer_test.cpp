// The text viewer through the dispatcher, with the real helper programs (lynx, pdftotext,
// wget, ffprobe) behind the emulator's wrappers and a web server on loopback: keys in; the
// screen, the files on the emulated disk, the log and the requests out.
#include <sys/stat.h>
#include <utime.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/settings.h"
#include "demo_disk.h"
#include "http_server.h"
#include "test_thread.h"
#include "browser_scenario.h"
#include "textview/web.h"
#include "tls_server.h"

namespace fs = std::filesystem;

namespace {

constexpr char settings_dir[] = "/ProgramFiles/Settings/TovakRC";

class Viewer : public scenario::BrowserScenario {
  protected:
    void SetUp() override {
        BrowserScenario::SetUp();
        site = dir / "site";
    }
    // Starts the TAP (English, Teletext and Filelist direct keys, logging) with its helpers,
    // a web server for "www.tovak.test" on the folder `site`, Max. Text `max_text` and, with
    // `disk_room` >= 0, a nearly full disk.
    void start_viewer(unsigned max_text = 2, int64_t disk_room = -1) {
        settings_record s{};
        s.initialised = 1;
        s.flags = SET_ENGLISH | SET_START_LISTENING | SET_FILES_FILELIST | SET_TEXT_TELETEXT |
                  SET_LOGGING;
        s.tf_model = s.rc_model = 1;
        s.startup = 2u << 16 | max_text << 24;
        snprintf(s.bookmark_path, sizeof s.bookmark_path, "/WebCache/Bookmarks.html");
        fs::create_directories(disk_path(settings_dir));
        std::ofstream(disk_path(settings_dir) / "TovakRC.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
        tapsim::Config config;
        config.disk_room = disk_room;
        start(config);
        server = scenario::serve_pages(*emu, disk.string(), site.string());
        ASSERT_TRUE(server);
        ASSERT_EQ(load(), 0);
    }
    void TearDown() override {
        BrowserScenario::TearDown();
        server.reset();
    }
    void page(const std::string& path, const std::string& html) {
        fs::create_directories((site / path).parent_path());
        std::ofstream(site / path, std::ios::binary) << html;
    }
    // A helper program of the settings folder replaced by a script of the test.
    void helper(const std::string& name, const std::string& script) {
        file(std::string(settings_dir) + "/" + name, "#!/bin/sh\n" + script);
        fs::permissions(disk_path(std::string(settings_dir) + "/" + name), fs::perms::owner_all);
    }
    static std::string lines_of(int n, const char* what = "Line") {
        std::string text;
        for (int i = 1; i <= n; ++i)
            text += std::string(what) + " " + std::to_string(i) + "\n";
        return text;
    }
    // The title bar's right text (the viewer's figures: "Edit  ", percent, lines).
    std::string figures() const {
        for (const tapsim::Region& r : emu->osd().regions())
            if (r.live)
                for (const tapsim::TextRun& t : r.runs)
                    if (t.y == 12 && t.x > 400 && t.text.find('%') != std::string::npos)
                        return t.text;
        return "";
    }
    int log_count(const std::string& text) const {
        const std::string log = file_text(disk_path(std::string(settings_dir) + "/TovakRC.log"));
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    }
    // The run of the screen that shows text, or null.
    const tapsim::TextRun* run_of(const std::string& text) const {
        for (const tapsim::Region& r : emu->osd().regions())
            if (r.live)
                for (const tapsim::TextRun& t : r.runs)
                    if (t.text.find(text) != std::string::npos) return &t;
        return nullptr;
    }
    void bookmarks(const std::string& links) { file("/WebCache/Bookmarks.html", links); }
    fs::path site;
    std::unique_ptr<scenario::HttpServer> server;
};

TEST_F(Viewer, TextFileFromTheBrowserPagesAndCloses) {
    file("/DataFiles/notes.txt", lines_of(60));
    start_viewer();
    run("Sat Filelist 7 Ok");
    EXPECT_TRUE(screen_has("/DataFiles/notes.txt")) << screen();
    EXPECT_TRUE(screen_has("Line 1 ")) << screen();
    EXPECT_EQ(figures(), "40% 60") << "24 of 60 lines";
    run("v");
    EXPECT_FALSE(screen_has("Line 1 ")) << screen();
    EXPECT_TRUE(screen_has("Line 25 "));
    run(">|");
    EXPECT_EQ(figures(), "100% 60");
    EXPECT_TRUE(screen_has("Line 60 "));
    run("V+");
    EXPECT_TRUE(screen_has("Line 13 ")) << "a page back from the last page";
    run("Exit");
    EXPECT_TRUE(screen_has("notes.txt")) << "back in the browser: " << screen();
    EXPECT_FALSE(screen_has("Line 13 "));
}

TEST_F(Viewer, TeletextTwiceQuicklyGoesToTheReceiver) {
    file("/WebCache/Bookmarks.html", "<A HREF=\"../DataFiles/a.txt\">a</A><BR>\n");
    start_viewer();
    size_t from = emu->results().size();
    run("Teletext Teletext");
    EXPECT_EQ(emu->results()[from], 0u) << "the first opens the viewer";
    EXPECT_EQ(emu->results()[from + 2], 0x10037u) << "the second within 0.5 s is the receiver's";
    EXPECT_EQ(screen(), "");
    // After another key, Teletext goes back in the history and the viewer stays.
    run("Teletext > Teletext");
    EXPECT_TRUE(screen_has("/WebCache/Bookmarks.html")) << screen();
    EXPECT_NE(last_result(), 0x10037u);
    run("Exit");
    EXPECT_EQ(screen(), "");
}

TEST_F(Viewer, AnUnchangedFileIsNotReadAgain) {
    file("/DataFiles/notes.txt", lines_of(5));
    start_viewer();
    run("Sat Filelist 7 Ok Exit Ok");
    EXPECT_EQ(log_count("text_read (/DataFiles/notes.txt)"), 1);
    file("/DataFiles/notes.txt", lines_of(6));
    run("Exit Ok");
    EXPECT_EQ(log_count("text_read (/DataFiles/notes.txt)"), 2) << "changed: read again";
    EXPECT_EQ(figures(), "100% 6");
}

TEST_F(Viewer, WebPagesLinksAndTheCache) {
    page("__index__.html",
         "<html><head><title>Tovak news</title></head><body><h1>News</h1>\n"
         "<p>Read <a href=\"other.html\">the other page</a> or <a href=\"/top/site.html\">the "
         "site page</a>.</p></body></html>");
    page("other.html", "<html><body><p>Other page body</p></body></html>");
    page("top/site.html", "<html><body><p>Site-relative page</p></body></html>");
    bookmarks("<A HREF=\"http://www.tovak.test/\">Tovak</A><BR>\n"
              "<A HREF=\"../WebCache/www.tovak.test/__index__.html\">cached</A><BR>\n");
    start_viewer();
    run("Sat Teletext");
    EXPECT_TRUE(screen_has("[1]Tovak")) << screen();
    run("> Ok");
    EXPECT_TRUE(screen_has("/WebCache/www.tovak.test/__index__.html")) << screen();
    EXPECT_TRUE(screen_has("News")) << screen();
    EXPECT_TRUE(fs::exists(disk_path("/WebCache/www.tovak.test/__index__.html")));
    // The first link: drawn in colour 13; selected, inverted, its target in the last row.
    const tapsim::TextRun* marker = run_of("[1]the other");
    ASSERT_NE(marker, nullptr) << screen();
    EXPECT_EQ(marker->fg, 0xFFFFFF00u);
    run(">");
    marker = run_of("[1]the other");
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->bg, 0xFFFFFF00u) << "the selection bar";
    EXPECT_TRUE(screen_has("www.tovak.test/other.html")) << screen();
    // A relative link on the cached page: the page is fetched.
    run("Ok");
    EXPECT_TRUE(screen_has("Other page body")) << screen();
    EXPECT_TRUE(screen_has("/WebCache/www.tovak.test/other.html"));
    // Back, then the site-relative link.
    run("P- > Ok");
    EXPECT_TRUE(screen_has("Site-relative page")) << screen();
    EXPECT_TRUE(fs::exists(disk_path("/WebCache/www.tovak.test/top/site.html")));
    // The bookmark to the cached copy of a page, with the server gone.
    server.reset();
    std::string shown = shown_during("F3 > > Ok");
    EXPECT_NE(shown.find("Load error, trying cached file."), std::string::npos) << shown;
    EXPECT_TRUE(screen_has("News")) << screen();
}

TEST_F(Viewer, AnchorsOfBookmarks) {
    file("/DataFiles/notes.txt", lines_of(60));
    file("/DataFiles/news.txt", "Top\nSome story\nSport results\nWeather today\n" + lines_of(40));
    bookmarks("<A HREF=\"../DataFiles/notes.txt#12\">twelve</A><BR>\n"
              "<A HREF=\"../DataFiles/news.txt#*today\">today</A><BR>\n");
    start_viewer();
    run("Sat Teletext > Ok");
    EXPECT_TRUE(screen_has("Line 12 ")) << screen();
    EXPECT_FALSE(screen_has("Line 11 ")) << "line 12 is the top line";
    run("F3 > > Ok");
    EXPECT_TRUE(screen_has("Weather today")) << screen();
    EXPECT_FALSE(screen_has("Sport results")) << "the line ending in \"today\" is on top";
}

TEST_F(Viewer, LinksThatLeadNowhereOrToPictures) {
    file("/DataFiles/bin.dat", std::string("ab\0cd", 5));
    file("/DataFiles/pic.bmp", std::string("BM") + std::string(60, '\0'));
    bookmarks("<A HREF=\"../DataFiles/bin.dat\">binary</A><BR>\n"
              "<A HREF=\"../DataFiles/none.txt\">missing</A><BR>\n"
              "<A HREF=\"http://nowhere.tovak.test/x.html\">unreachable</A><BR>\n"
              "<A HREF=\"../DataFiles/pic.bmp\">picture</A><BR>\n");
    start_viewer();
    run("Sat Teletext");
    std::string shown = shown_during("> Ok");
    EXPECT_NE(shown.find("Can't view binary file."), std::string::npos) << shown;
    shown = shown_during("> Ok");
    EXPECT_NE(shown.find("File not available."), std::string::npos) << shown;
    run("> Ok");
    EXPECT_TRUE(screen_has("Server unreachable or internet connection down.")) << screen();
    run("v Exit");
    EXPECT_TRUE(screen_has("[3]unreachable")) << "Exit closed the message: " << screen();
    run("> Ok");
    EXPECT_TRUE(screen_has("pic.bmp")) << "the image viewer: " << screen();
    run("Exit");
    EXPECT_TRUE(screen_has("[4]picture")) << screen();
}

TEST_F(Viewer, BookmarksAddAndDelete) {
    file("/DataFiles/notes.txt", lines_of(60));
    bookmarks("<A HREF=\"../a.txt\">a</A><BR>\n<P>\n<A HREF=\"../b.txt\">b</A><BR>\n"
              "<A HREF=\"../c.txt\">c</A><BR>\n<P>\n<A HREF=\"../d.txt\">d</A><BR>\n");
    start_viewer();
    run("Sat Filelist 7 Ok F2 v F2");
    const std::string list = file_text(disk_path("/WebCache/Bookmarks.html"));
    EXPECT_NE(list.find("<A HREF=\"../DataFiles/notes.txt\">/DataFiles/notes.txt</A><BR>\n"),
              std::string::npos)
        << list;
    EXPECT_NE(list.find("<A HREF=\"../DataFiles/notes.txt#2\">/DataFiles/notes.txt</A><BR>\n"),
              std::string::npos)
        << list;
    // F4 with another document shown: the message, nothing changes.
    std::string shown = shown_during("F4");
    EXPECT_NE(shown.find("You can only delete a selected link in Bookmarks.html"),
              std::string::npos);
    EXPECT_EQ(file_text(disk_path("/WebCache/Bookmarks.html")), list);
    // F4 on the third entry.
    run("F3 > > > F4");
    const std::string after = file_text(disk_path("/WebCache/Bookmarks.html"));
    EXPECT_EQ(after.find("c.txt"), std::string::npos) << after;
    for (const char* kept : {"a.txt", "b.txt", "d.txt", "notes.txt#2"})
        EXPECT_NE(after.find(kept), std::string::npos) << kept;
    EXPECT_EQ(std::count(after.begin(), after.end(), 'P'), 2) << "separators stay";
}

TEST_F(Viewer, EditorChangesLinesAndStoresWithABackup) {
    const std::string original = lines_of(30);
    file("/DataFiles/notes.txt", original);
    start_viewer();
    run("Sat Filelist 7 Ok Ok");
    EXPECT_EQ(figures().rfind("Edit  ", 0), 0u) << figures();
    std::string shown = shown_during("Record");
    EXPECT_NE(shown.find("No changes."), std::string::npos) << shown;
    EXPECT_FALSE(fs::exists(disk_path("/DataFiles/notes.txt.backup")));
    // Two lines changed (the first character deleted in each), then Exit: the warning.
    run("Ok Recall Ok v Ok Recall Ok");
    shown = shown_during("Exit");
    EXPECT_NE(shown.find("File has NOT YET BEEN STORED."), std::string::npos) << shown;
    EXPECT_EQ(figures().find("Edit"), std::string::npos) << "view mode";
    EXPECT_EQ(file_text(disk_path("/DataFiles/notes.txt")), original);
    // Ok enters the editor again with the changes; Record writes the file and the backup.
    run("Ok");
    shown = shown_during("Record");
    EXPECT_NE(shown.find("File has been stored."), std::string::npos) << shown;
    EXPECT_EQ(file_text(disk_path("/DataFiles/notes.txt.backup")), original);
    EXPECT_EQ(file_text(disk_path("/DataFiles/notes.txt")),
              "ine 1\nine 2\n" + original.substr(original.find("Line 3")));
    EXPECT_FALSE(fs::exists(disk_path("/DataFiles/notes.txt.temp")));
}

TEST_F(Viewer, AFailedStoreKeepsTheDocumentAndItsBackup) {
    const std::string original = lines_of(8000, "A line of the document, number"); // 300 KB
    file("/DataFiles/notes.txt", original);
    file("/DataFiles/notes.txt.backup", "the older backup\n");
    start_viewer(2, 64 * 1024);
    if (!emu->disk_full_for_libc()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    run("Sat Filelist 7 Ok Ok Ok Recall Ok");
    const std::string shown = shown_during("Record");
    EXPECT_NE(shown.find("File can't be written."), std::string::npos) << shown;
    EXPECT_EQ(shown.find("File has been stored."), std::string::npos) << shown;
    EXPECT_EQ(file_text(disk_path("/DataFiles/notes.txt")), original);
    EXPECT_EQ(file_text(disk_path("/DataFiles/notes.txt.backup")), "the older backup\n");
    EXPECT_FALSE(fs::exists(disk_path("/DataFiles/notes.txt.temp")));
    EXPECT_EQ(figures().rfind("Edit  ", 0), 0u) << "still in the editor with the change";
    EXPECT_NE(shown_during("Exit").find("File has NOT YET BEEN STORED."), std::string::npos);
}

TEST_F(Viewer, RecordInViewModeStoresTheConvertedText) {
    page("p.html", "<html><body><p>First</p><p>Second</p></body></html>");
    bookmarks("<A HREF=\"http://www.tovak.test/p.html\">p</A><BR>\n");
    start_viewer();
    run("Sat Teletext > Ok");
    std::string shown = shown_during("Record");
    EXPECT_NE(shown.find("File has been stored."), std::string::npos) << shown;
    const std::string text = file_text(disk_path("/WebCache/www.tovak.test/p.html.text"));
    EXPECT_NE(text.find("First\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Second\n"), std::string::npos) << text;
}

TEST_F(Viewer, PdfThroughTheHelper) {
    const std::string pdf = tapsim::minimal_pdf({"Hello from a PDF"});
    file("/DataFiles/doc.pdf", pdf);
    start_viewer();
    run("Sat Filelist 7 Ok");
    EXPECT_TRUE(screen_has("Hello from a PDF")) << screen();
    std::string shown = shown_during("Ok");
    EXPECT_NE(shown.find("Can't edit file."), std::string::npos) << shown;
}

// What the screen shows while a helper runs: the helper (a script of the test) waits until the
// screen has been read, which happens in a second thread while the TAP waits for the helper.
TEST_F(Viewer, BoxesWhileHelpersRun) {
    const std::string wait = "touch '" + (dir / "started").string() +
                             "'\nfor i in $(seq 100); do " + "[ -e '" + (dir / "go").string() +
                             "' ] && break; sleep 0.05; done\n";
    file("/DataFiles/doc.pdf", tapsim::minimal_pdf({"Hello"}));
    file("/DataFiles/run.sh", "#!/bin/sh\n" + wait + "echo script done\n");
    start_viewer();
    helper("pdftotext.mips", wait + "echo converted text\n");
    struct Case {
        const char* keys;
        const char* box;
        const char* then;
    } const cases[] = {
        {"Sat Filelist 7 Ok", "Text conversion may take some time ...", "converted text"},
        {"Exit v AR", "Executing ...", "script done"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        fs::remove(dir / "started");
        fs::remove(dir / "go");
        std::string shown;
        scenario::TestThread watcher; // the next case starts a helper right after its end
        watcher.start([&] {
            for (int i = 0; i < 500 && !fs::exists(dir / "started"); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            shown = screen();
            std::ofstream(dir / "go") << "\n";
        });
        run(c.keys);
        watcher.join();
        EXPECT_NE(shown.find(c.box), std::string::npos) << shown;
        EXPECT_FALSE(screen_has(c.box)) << "the box went: " << screen();
        EXPECT_TRUE(screen_has(c.then)) << screen();
    }
}

TEST_F(Viewer, HelperFailuresAndEndlessOutput) {
    file("/DataFiles/a.html", "<html>a</html>");
    file("/DataFiles/b.html", "<html>b</html>");
    file("/DataFiles/c.html", "<html>c</html>");
    start_viewer(1);
    // A helper that never ends: the table bound (Max. Text 1: 5000 lines) stops the document.
    helper("lynx.mips", "while :; do echo endless output line; done\n");
    run("Sat Filelist 7 Ok");
    EXPECT_EQ(figures(), "0% 5000") << screen();
    run("Exit");
    // A helper killed after a line: what it wrote is shown.
    helper("lynx.mips", "echo partial line\nkill -9 $$\n");
    run("v Ok");
    EXPECT_TRUE(screen_has("partial line")) << screen();
    run("Exit");
    // A missing helper: its standard error.
    fs::remove(disk_path(std::string(settings_dir) + "/lynx.mips"));
    run("v Ok");
    EXPECT_TRUE(screen_has("Backend file missing, please get update via TAP menu.")) << screen();
    run("Exit Exit");
}

TEST_F(Viewer, LongAndBrokenFiles) {
    file("/DataFiles/long.txt", std::string(10u << 20, 'x')); // 10 MB without a line feed
    file("/DataFiles/garbage.txt", std::string("\x01\x02\0\xFF\xFE garbage", 12));
    file("/DataFiles/wide.txt", std::string(3000, 'w') + "\n");
    start_viewer(1);
    run("Sat Filelist 7 Ok");
    EXPECT_TRUE(screen_has("File not found or empty!")) << "binary: " << screen();
    run("Exit v Ok");
    EXPECT_EQ(figures(), "0% 0+5000") << "5000 lines of 1999, all of them forced breaks";
    run("Exit v Ok");
    EXPECT_EQ(figures(), "100% 1+1") << "1999 + 1001: one line and one split";
}

TEST_F(Viewer, HostileNamesReachEveryHelperAsOneArgument) {
    // The helpers run in this process's folder: an injected command would leave "marker" here.
    const fs::path was = fs::current_path();
    fs::current_path(dir);
    const fs::path marker = dir / "marker";
    const std::string evil = "x'$(touch marker)`touch marker`;touch marker;\"";
    file("/DataFiles/" + evil + ".html", "<html>hostile page</html>");
    file("/DataFiles/" + evil + ".sh", "#!/bin/sh\necho script ran\n");
    file("/DataFiles/" + evil + ".mp2", "not really audio");
    start_viewer();
    run("Sat Filelist 7 Ok");
    EXPECT_TRUE(screen_has("hostile page")) << screen();
    run("Exit v AR");
    EXPECT_TRUE(screen_has("(Codecs)")) << screen();
    run("Exit v AR");
    EXPECT_TRUE(screen_has("script ran")) << screen();
    EXPECT_FALSE(fs::exists(marker)) << "nothing but the helpers ran";
    fs::current_path(was);
}

TEST_F(Viewer, RecursiveListingWithTotals) {
    file("/MediaFiles/a.bin", std::string(1000000, 'a'));
    file("/MediaFiles/sub/b.bin", std::string(2000000, 'b'));
    file("/MediaFiles/sub/c.bin", std::string(3000000, 'c'));
    start_viewer();
    std::string shown = shown_during("Sat Filelist 4 Sat Info");
    EXPECT_NE(shown.find("2 directories (2 levels)"), std::string::npos) << shown;
    EXPECT_NE(shown.find("3 files (total 6.0 M bytes)"), std::string::npos) << shown;
    const std::string list = file_text(disk_path(std::string(settings_dir) + "/TovakRC.LST"));
    EXPECT_NE(list.find("\n/MediaFiles:\n"), std::string::npos) << list;
    EXPECT_NE(list.find("\n/MediaFiles/sub:\n"), std::string::npos) << list;
    EXPECT_NE(list.find("T O T A L: 6.0 M Bytes, 3 Files, 2 Directories, 2 Levels"),
              std::string::npos)
        << list;
    EXPECT_TRUE(screen_has("TovakRC.LST")) << "shown in the viewer: " << screen();
    EXPECT_TRUE(screen_has("a.bin")) << screen();
}

TEST_F(Viewer, ScriptsCodecsHexDumpAndRectool) {
    file("/DataFiles/hello.sh", "#!/bin/sh\necho hello from the script\n");
    file("/DataFiles/gone.sh", "#!/bin/sh\necho never\n");
    file("/DataFiles/data.bin", std::string(5000, '\x41'));
    file("/DataFiles/Film.rec", std::string(188 * 10, '\x47'));
    start_viewer();
    helper("rectool.mips", "echo \"rectool $*\"\n");
    run("Sat Filelist 7");
    // Entries: Film.rec, data.bin, gone.sh, hello.sh.
    run("v v v AR");
    EXPECT_TRUE(screen_has("hello from the script")) << screen();
    EXPECT_TRUE(fs::exists(disk_path("/DataFiles/hello.sh (Output)")));
    run("Exit ^");
    fs::remove(disk_path("/DataFiles/gone.sh"));
    run("AR");
    EXPECT_FALSE(fs::exists(disk_path("/DataFiles/gone.sh (Output)"))) << "a missing script";
    EXPECT_FALSE(screen_has("never"));
    run("^ AR");
    EXPECT_TRUE(screen_has("00000:  41 41 41 41")) << screen();
    run("Exit ^ Slow");
    EXPECT_TRUE(screen_has("rectool")) << screen();
    EXPECT_TRUE(screen_has("/mnt/hd/DataFiles/Film.rec")) << screen();
    EXPECT_TRUE(fs::exists(disk_path("/tmp/Film.rec (rectool)")));
    run("Exit");
    // A failing analysis: its report still shows, and the error after it.
    helper("rectool.mips", "echo analysis failed >&2\nexit 3\n");
    run("Slow");
    EXPECT_TRUE(screen_has("analysis failed")) << screen();
    run("Exit");
    EXPECT_TRUE(screen_has("See error message in /tmp directory for this file.")) << screen();
    run("Exit");
    // Without a recording selected and no live recording: the message.
    run("6");
    const std::string shown = shown_during("Slow");
    EXPECT_NE(shown.find("Currently not live nor timeshifted."), std::string::npos) << shown;
}

TEST_F(Viewer, SearchFindsAndMarksTheText) {
    file("/DataFiles/notes.txt", lines_of(39) + "Bob was here\n" + lines_of(40, "More"));
    start_viewer();
    run("Sat Filelist 7 Ok");
    // Sat twice (the first is the TAP key): the line editor; "2 2" types a "b"; Ok searches
    // (any case) from the next line on.
    run("Sat Sat 2 2 Ok");
    EXPECT_TRUE(screen_has(" was here")) << screen();
    EXPECT_FALSE(screen_has("Line 39 ")) << "the match is the top line";
    const tapsim::TextRun* match = nullptr;
    for (const tapsim::Region& r : emu->osd().regions())
        for (const tapsim::TextRun& t : r.runs)
            if (r.live && t.text == "B") match = &t;
    ASSERT_NE(match, nullptr) << screen();
    EXPECT_EQ(match->fg, 0xFFFFFF00u) << "the match in colour 13";
    std::string shown = shown_during("White");
    EXPECT_NE(shown.find("Couldn't find search string."), std::string::npos) << shown;
}

TEST_F(Viewer, LookupsAndTheHomeDocument) {
    // Both lookup sites are secure links: one TLS server holds their pages.
    const fs::path secure = dir / "secure";
    fs::create_directories(secure / "wiki");
    fs::create_directories(secure / "do");
    std::ofstream(secure / "wiki/a_d") << "<html><body><p>Encyclopedia article</p></body></html>";
    std::ofstream(secure / "do/search?q=a+d") << "<html><body><p>Search results</p></body></html>";
    file("/DataFiles/notes.txt", lines_of(5));
    start_viewer();
    scenario::TlsServer tls(secure.string());
    ASSERT_NE(tls.port(), 0) << tls.error();
    emu->state().hosts.push_back({"en." ENCYCLOPEDIA_HOST, 0, tls.port(), {}});
    emu->state().hosts.push_back({WEB_SEARCH_HOST, 0, tls.port(), {}});
    emu->publish_hosts();
    run("Sat Filelist 7 Ok");
    // "a", two blanks, "d": the words are joined by one separator.
    run("Aux 2 1\nwait 2s\n1 3 Ok");
    EXPECT_TRUE(screen_has("Encyclopedia article")) << screen();
    EXPECT_TRUE(screen_has("/WebCache/en." ENCYCLOPEDIA_HOST "/wiki/a_d")) << screen();
    // The line editor offers the last words again: Guide looks them up on the web.
    run("Aux Guide");
    EXPECT_TRUE(screen_has("Search results")) << screen();
    EXPECT_TRUE(screen_has("/WebCache/" WEB_SEARCH_HOST "/do/search?q=a+d/__index__.html"))
        << screen();
    // F1 makes the text file HOME; Fav shows it from anywhere.
    run("P- P-");
    EXPECT_TRUE(screen_has("/DataFiles/notes.txt")) << screen();
    std::string shown = shown_during("F1");
    EXPECT_NE(shown.find("New HOME document set."), std::string::npos) << shown;
    run("P+ Fav");
    EXPECT_TRUE(screen_has("/DataFiles/notes.txt")) << screen();
    EXPECT_TRUE(screen_has("Line 5 ")) << screen();
    run("Exit Exit");
    settings_record saved{};
    std::ifstream(disk_path(settings_dir) / "TovakRC.ini", std::ios::binary)
        .read(reinterpret_cast<char*>(&saved), sizeof saved);
    EXPECT_STREQ(saved.bookmark_path, "/DataFiles/notes.txt") << "HOME is kept in the settings";
}

TEST_F(Viewer, CachedLyricsPagesStartAtTheLyrics) {
    std::string before;
    for (int i = 0; i < 30; ++i)
        before += "<p>Other text " + std::to_string(i) + "</p>";
    file("/WebCache/lyrics.wikia.com/song.html",
         "<html><body><p>Song title</p>" + before +
             "<p>Lyrics licensed by Gracenote.</p><p>First verse line</p>" + before +
             "</body></html>");
    bookmarks("<A HREF=\"../WebCache/lyrics.wikia.com/song.html\">song</A><BR>\n");
    start_viewer();
    run("Sat Teletext");
    std::string shown = shown_during("> Ok");
    EXPECT_NE(shown.find("Load error, trying cached file."), std::string::npos)
        << "no server for the lyrics site: " << shown;
    EXPECT_TRUE(screen_has("First verse line")) << screen();
    EXPECT_FALSE(screen_has("Gracenote.")) << "the line after it is the top line";
}

TEST_F(Viewer, RecordingDescriptionAndTheTapsOwnDescription) {
    fs::create_directories(disk_path("/DataFiles"));
    tapsim::write_recording(disk_path("/DataFiles").string(), "Film.rec", "Das Erste",
                            "Tatort: Der lange Fall", "2026-11-29 20:15:00", 89);
    // The recursive list names another copy of the recording.
    file(std::string(settings_dir) + "/TovakRC.LST",
         "\n/MediaFiles/Old:\n  376000  Su 29.11.2026 20:15  Tatort: Der lange Fall.rec\n");
    bookmarks("<A HREF=\"../DataFiles/Film.rec\">film</A><BR>\n");
    start_viewer();
    run("Sat Teletext > Ok");
    EXPECT_TRUE(screen_has("Film.rec")) << "the title is the file name: " << screen();
    EXPECT_TRUE(screen_has("/MediaFiles/Old:")) << screen();
    EXPECT_TRUE(screen_has("Das Erste")) << screen();
    EXPECT_TRUE(screen_has("(89', EPG 89'), 376000B")) << screen();
    EXPECT_TRUE(screen_has("Tatort: Der lange Fall")) << screen();
    run("Exit\nmsg 6");
    EXPECT_TRUE(screen_has("TovakRC - resident tool suite")) << "the control message: " << screen();
    EXPECT_TRUE(screen_has(std::string(settings_dir) + "/tovakrc_en.txt")) << screen();
}

} // namespace
