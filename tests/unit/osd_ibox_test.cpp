// Info boxes: wrapping, box size, kinds and titles, nesting and the panic box, timed and held
// boxes, posted errors.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "osd/icons.h"
#include "osd/window_open.h"
#include "emu_fixture.h"

using emu_test::OsdTest;

namespace {

// The box's text lines from top to bottom (the title excluded).
std::vector<std::string> box_lines(const tapsim::Region* r, const std::string& title) {
    std::vector<tapsim::TextRun> runs = r ? r->runs : std::vector<tapsim::TextRun>{};
    std::stable_sort(runs.begin(), runs.end(),
                     [](const tapsim::TextRun& a, const tapsim::TextRun& b) { return a.y < b.y; });
    std::vector<std::string> lines;
    for (const tapsim::TextRun& run : runs)
        if (run.text != title) lines.push_back(run.text);
    return lines;
}

// Words of six narrow letters (so that 80 of them fit into a box): the blanks stand at columns
// 6, 13, 20, ... 76, 83.
std::string six_letter_words(size_t length) {
    std::string s;
    for (int i = 0; s.size() < length; ++i)
        s += std::string(6, "iljtfr"[i % 6]) + " ";
    s.resize(length);
    return s;
}

} // namespace

TEST_F(OsdTest, LongLinesBreakAtTheLastBlankBeforeColumn80) {
    const std::string text = six_letter_words(120);
    ibox_show("Wrap", text.c_str(), IBOX_INFO);
    std::vector<std::string> lines = box_lines(region(ibox_current), "Wrap");
    ASSERT_EQ(lines.size(), 2u) << screen();
    EXPECT_EQ(lines[0], text.substr(0, 76));
    EXPECT_EQ(lines[1], text.substr(77));
    EXPECT_EQ(region(ibox_current)->place.h, (2 + 1 + 2) * LINE_LARGE) << "title, 2 lines, spacing";

    // A line without blanks stays long; the box stops at 686 pixels.
    const std::string solid(150, 'x');
    ibox_show(nullptr, nullptr, 0);
    ibox_show("Solid", solid.c_str(), IBOX_INFO);
    EXPECT_EQ(region(ibox_current)->place.h, 4 * LINE_LARGE) << "one line";
    EXPECT_EQ(region(ibox_current)->place.w, 686);

    // A blank only at the first column does not count.
    const std::string leading = " " + std::string(100, 'y');
    ibox_show(nullptr, nullptr, 0);
    ibox_show("Lead", leading.c_str(), IBOX_INFO);
    EXPECT_EQ(region(ibox_current)->place.h, 4 * LINE_LARGE) << "one line";

    // A line of 80 wide characters does not fit: it is broken once more where it still fits,
    // so that every line stands inside the box.
    std::string wide;
    for (int i = 0; wide.size() < 100; ++i)
        wide += "WMWMW ";
    ibox_show(nullptr, nullptr, 0);
    ibox_show("Wide", wide.c_str(), IBOX_INFO);
    lines = box_lines(region(ibox_current), "Wide");
    EXPECT_GE(lines.size(), 3u);
    int widest = 0;
    for (const std::string& l : lines)
        widest = std::max(widest, osd_text_width(l.c_str()));
    EXPECT_EQ(region(ibox_current)->place.w, widest + 40);
    for (const tapsim::TextRun& run : region(ibox_current)->runs)
        EXPECT_LE(run_right(run), region(ibox_current)->place.w - 20) << run.text;
    std::string joined;
    for (const std::string& l : lines)
        joined += l + " ";
    EXPECT_EQ(joined.substr(0, wide.size() - 1), wide.substr(0, wide.size() - 1)) << "no text lost";

    // Wrapping goes on over the rest of the line.
    const std::string longer = six_letter_words(200);
    ibox_show(nullptr, nullptr, 0);
    ibox_show("Three", longer.c_str(), IBOX_INFO);
    lines = box_lines(region(ibox_current), "Three");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], longer.substr(77, 76));
    EXPECT_EQ(lines[2], longer.substr(154));
}

TEST_F(OsdTest, BoxHeightFollowsTheLineCount) {
    struct Case {
        const char* text;
        int kind;
        int rows;
    } cases[] = {
        {"One line", IBOX_INFO, 4},
        {"One line\n", IBOX_INFO, 4}, // a trailing break adds nothing
        {"Two\nlines", IBOX_INFO, 5},
        {"Two\n\nwith a gap", IBOX_INFO, 6},
        {"One line", IBOX_CONFIRM, 6},  // two more rows for the answer line
        {"\rNo spacing", IBOX_INFO, 2}, // a separator: no empty rows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ibox_show("Rows", c.text, c.kind);
        ASSERT_NE(region(ibox_current), nullptr);
        EXPECT_EQ(region(ibox_current)->place.h, c.rows * LINE_LARGE);
        ibox_show(nullptr, nullptr, 0);
    }
    // Twenty lines fill the box without spacing rows in the large font, not in the small one.
    std::string many;
    for (int i = 0; i < 20; ++i)
        many += "line " + std::to_string(i) + "\n";
    ibox_show("Many", many.c_str(), IBOX_INFO);
    EXPECT_EQ(region(ibox_current)->place.h, 21 * LINE_LARGE);
    ibox_show(nullptr, nullptr, 0);
    settings.flags &= ~SET_LARGE_FONT;
    ibox_show("Many", many.c_str(), IBOX_INFO);
    EXPECT_EQ(region(ibox_current)->place.h, 23 * LINE_SMALL);
}

TEST_F(OsdTest, ConfirmationBoxEndsWithTheAnswerLine) {
    ibox_show(nullptr, "Delete the file?", IBOX_INFO);
    const int info_h = region(ibox_current)->place.h;
    ibox_show(nullptr, nullptr, 0);
    ibox_show(nullptr, "Delete the file?", IBOX_CONFIRM);
    EXPECT_EQ(region(ibox_current)->place.h, info_h + 2 * LINE_LARGE);
    std::vector<std::string> lines = box_lines(region(ibox_current), "Confirm");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Delete the file?");
    EXPECT_EQ(lines[1], "[Exit]  /  [Ok]");
    const tapsim::TextRun* answer = run_with(ibox_current, "[Exit]  /  [Ok]");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->x, 20);
    EXPECT_EQ(answer->y, 4 * LINE_LARGE);
}

TEST_F(OsdTest, KindsGiveTitlesAndTitleColours) {
    struct Case {
        int kind;
        bool english;
        const char* title; // UTF-8
        dword fg, bg;
    } cases[] = {
        {IBOX_INFO, true, "Info", 0xFFFFFFFF, 0xFF0000FF},
        {IBOX_CONFIRM, true, "Confirm", 0xFFFFFFFF, 0xFF800080},
        {IBOX_CONFIRM, false, "Best\xC3\xA4tigen", 0xFFFFFFFF, 0xFF800080},
        {IBOX_OK, false, "Ok", 0xFFFFFFFF, 0xFF008000},
        {IBOX_WARNING, true, "Warning", 0xFF800000, 0xFF808000},
        {IBOX_WARNING, false, "Hinweis", 0xFF800000, 0xFF808000},
        {IBOX_ERROR, true, "Error", 0xFFFFFFFF, 0xFF800000},
        {IBOX_ERROR, false, "Fehler", 0xFFFFFFFF, 0xFF800000},
        {IBOX_PANIC, true, "Panic", 0xFF101010, 0xFFFFFFFF},
        {3, true, "Program error", 0xFF101010, 0xFFFFFFFF},
        {42, false, "Program error", 0xFF101010, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        settings.flags = (settings.flags & ~SET_ENGLISH) | (c.english ? uint32_t{SET_ENGLISH} : 0u);
        ibox_show(nullptr, "Some text", c.kind);
        const tapsim::TextRun* title = run_with(ibox_current, c.title);
        ASSERT_NE(title, nullptr) << screen();
        EXPECT_EQ(title->fg, c.fg);
        EXPECT_EQ(title->bg, c.bg);
        EXPECT_EQ(title->y, 1);
        const int box_w = region(ibox_current)->place.w;
        EXPECT_NEAR(title->x + title->ink.w / 2.0, box_w / 2.0, 3) << "centred";
        EXPECT_EQ(pixel(ibox_current, box_w / 2, 24), c.bg) << "title bar in the kind's colour";
        EXPECT_EQ(pixel(ibox_current, 0, 50), COLOR_YELLOW) << "frame";
        ibox_show(nullptr, nullptr, 0);
    }
    // A given title wins; the text is white on the window background.
    ibox_show("TovakRC", "TAP is already running.", IBOX_INFO);
    EXPECT_TRUE(run_with(ibox_current, "TovakRC"));
    const tapsim::TextRun* text = run_with(ibox_current, "TAP is already running.");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->fg, 0xFFFFFFFFu);
    EXPECT_EQ(text->bg, COLOR_DEFAULT_BG);
    EXPECT_EQ(text->x, 20);
    EXPECT_EQ(text->y, 2 * LINE_LARGE);
    EXPECT_EQ(region(ibox_current)->place.w, osd_text_width("TAP is already running.") + 40)
        << "the text's width + 40";
}

TEST_F(OsdTest, TheCallersTextIsNotChanged) {
    char text[] = "Ok: Select\nExit: Leave\n";
    const std::string before(text, sizeof text);
    ibox_show(nullptr, text, IBOX_INFO);
    EXPECT_EQ(std::string(text, sizeof text), before);
}

TEST_F(OsdTest, BoxesNestOnceAndTheThirdIsAPanic) {
    osd_window* win = window();
    osd_frame(win, 690, 0, "/Under", nullptr, 0);
    osd_text(win, "window text", 0);
    osd_finish(win);
    const std::vector<uint32_t> before = emu->osd().compose();

    ibox_show("First", "The first box", IBOX_INFO);
    EXPECT_EQ(ibox_current, &ibox_primary);
    ibox_show("Second", "The second box, a longer one", IBOX_WARNING);
    EXPECT_EQ(ibox_current, &ibox_nested);
    EXPECT_TRUE(screen_has("The second box, a longer one"));
    ibox_show("Third", "The third box", IBOX_ERROR);
    EXPECT_EQ(ibox_current, &ibox_nested);
    EXPECT_TRUE(screen_has("TOO MANY NESTED IBOXES!")) << screen();
    EXPECT_TRUE(run_with(&ibox_nested, "Panic"));
    EXPECT_FALSE(screen_has("The third box"));
    EXPECT_FALSE(screen_has("The second box")) << "drawn in the second box's place";
    EXPECT_EQ(live_regions(), 3) << "never a third box";

    ibox_show(nullptr, nullptr, 0);
    EXPECT_EQ(ibox_current, &ibox_primary);
    EXPECT_TRUE(screen_has("The first box"));
    EXPECT_FALSE(screen_has("NESTED"));
    EXPECT_EQ(ibox_primary.saved, nullptr) << "the first box's pixels were put back and freed";
    ibox_show(nullptr, nullptr, 0);
    EXPECT_FALSE(ibox_open());
    EXPECT_TRUE(emu->osd().compose() == before) << "the screen under the first box is back";
    ibox_show(nullptr, nullptr, 0); // closing with no box open does nothing
    EXPECT_EQ(ibox_current, &ibox_primary);
}

TEST_F(OsdTest, KeyLabelsInBoxTextsBecomeIconsInsideTheBox) {
    ibox_show("Keys", "Ok: Ok: Ok: Ok: Ok: Ok: Ok: Ok: all fit\nExit: Leave", IBOX_INFO);
    const tapsim::Region* r = region(ibox_current);
    ASSERT_NE(r, nullptr);
    const int y = 2 * LINE_LARGE;
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(icon_at(ibox_current, _Button_ok_Gd, 20 + i * 42, y + 3)) << i;
    const tapsim::TextRun* rest = run_with(ibox_current, ": all fit");
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->x, 20 + 8 * 42);
    EXPECT_LE(run_right(*rest), r->place.w - 20) << "the box is measured as drawn";
    EXPECT_TRUE(icon_at(ibox_current, _Button_exit_Gd, 20, y + LINE_LARGE + 3));
    EXPECT_FALSE(screen_has("Ok: Ok"));
}

TEST_F(OsdTest, TimedBoxStaysForItsDurationAndGivesTheWindowBack) {
    osd_window* win = window();
    osd_frame(win, 500, 8, "Window", nullptr, 0);
    osd_finish(win);
    const std::vector<uint32_t> before = emu->osd().compose();
    const dword start = TAP_GetTick();
    ibox_timed(win, 1500, IBOX_INFO, "/ProgramFiles", "New HOME document set.");
    EXPECT_EQ(TAP_GetTick() - start, 150u);
    EXPECT_FALSE(ibox_open());
    EXPECT_EQ(win->saved, nullptr);
    EXPECT_TRUE(emu->osd().compose() == before);
    EXPECT_EQ(active_window, win);
}

TEST_F(OsdTest, HeldBoxStaysAtLeastItsDuration) {
    struct Case {
        dword duration;
        int work_ticks; // between the two calls
        dword total;    // ticks from the first call until the box is closed
    } cases[] = {
        {1500, 30, 150},  // 0.3 s of work: 1.2 s more
        {1500, 200, 200}, // longer work: closed at once
        {800, 0, 80},     {2000, 199, 200}, {2000, 200, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.duration << " after " << c.work_ticks);
        const dword start = TAP_GetTick();
        ibox_hold(0, "Working ...", IBOX_INFO);
        EXPECT_TRUE(ibox_open());
        emu->idle(c.work_ticks);
        ibox_hold(c.duration, nullptr, 0);
        EXPECT_FALSE(ibox_open());
        EXPECT_EQ(TAP_GetTick() - start, c.total);
    }
    // With a duration on the first call the box is shown, waited for and closed.
    const dword start = TAP_GetTick();
    ibox_hold(800, "Saved.", IBOX_OK);
    EXPECT_FALSE(ibox_open());
    EXPECT_EQ(TAP_GetTick() - start, 80u);
}

TEST_F(OsdTest, PostedErrorsWaitForTheNextWindow) {
    struct Case {
        int code;
        bool english;
        const char* title;
        const char* shown_title;
        const char* message; // UTF-8 as the screen shows it
    } cases[] = {
        {0, true, nullptr, "Error", "Backend file missing, please get update via TAP menu."},
        {0, false, nullptr, "Fehler",
         "Backenddatei fehlt, bitte per Update im TAP-Men\xC3\xBC holen."},
        {1, true, "lynx.mips", "lynx.mips", "Aux. program failed, please report details to Tovak."},
        {2, false, "wget", "wget", "Server nicht erreichbar oder keine Internetverbindung."},
        {3, true, "rectool.mips", "rectool.mips",
         "See error message in /tmp directory for this file."},
        {3, false, "rectool.mips", "rectool.mips",
         "Siehe Fehlermeldung im /tmp-Verz. f\xC3\xBCr diese Datei."},
        {4, true, "Copy", "Copy", "Crypted file, operation may take too long time."},
        {4, false, nullptr, "Fehler",
         "Verschl\xC3\xBCsselte Datei, Vorgang w\xC3\xBCrde zu lang dauern."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        settings.flags = (settings.flags & ~SET_ENGLISH) | (c.english ? uint32_t{SET_ENGLISH} : 0u);
        error_post(c.code, c.title);
        EXPECT_FALSE(ibox_open()) << "posting does not draw";
        ASSERT_NE(error_pending(), nullptr);
        EXPECT_EQ(error_show(), 1);
        EXPECT_EQ(error_pending(), nullptr);
        const tapsim::TextRun* title = run_with(ibox_current, c.shown_title);
        ASSERT_NE(title, nullptr) << screen();
        EXPECT_EQ(title->bg, 0xFF800000u) << "kind 18";
        EXPECT_TRUE(run_with(ibox_current, c.message)) << screen();
        ibox_show(nullptr, nullptr, 0);
        EXPECT_EQ(error_show(), 0) << "shown once";
    }
    // Each post went to the log as "title: message".
    std::ifstream log_file(dir / "disk/ProgramFiles/Settings/TovakRC/TovakRC.log",
                           std::ios::binary);
    std::stringstream log;
    log << log_file.rdbuf();
    EXPECT_NE(log.str().find(" : rectool.mips: See error message in /tmp directory for this "
                             "file.\n"),
              std::string::npos)
        << log.str();
    EXPECT_NE(log.str().find(" : Fehler: Verschl\xFCsselte Datei"), std::string::npos);

    // A later post replaces an earlier one; unknown codes post nothing.
    settings.flags |= SET_ENGLISH;
    error_post(1, "first");
    error_post(2, "second");
    error_post(7, "bad");
    error_post(-1, "bad");
    EXPECT_EQ(error_show(), 1);
    EXPECT_TRUE(run_with(ibox_current, "second"));
    EXPECT_TRUE(screen_has("Server unreachable"));
    ibox_show(nullptr, nullptr, 0);
}

TEST_F(OsdTest, ScreenshotsOfEachBoxKind) {
    const char* const names[] = {"info", "confirm", "ok", "warning", "error", "panic"};
    osd_window* win = window();
    for (int kind = IBOX_INFO; kind <= IBOX_PANIC; ++kind) {
        osd_frame(win, 690, 0, "/DataFiles", nullptr, 0);
        for (int i = 0; i < 12; ++i)
            osd_text(win, " a line of the window under the box", 1);
        osd_finish(win);
        ibox_show(nullptr,
                  kind == IBOX_CONFIRM ? "Delete \"Tagesschau.rec\" and its companion files?"
                                       : "The copy queue finished: 3 files, 1204 MBytes.\n"
                                         "Ok: Show the log\n"
                                         "Exit: Close this box",
                  kind);
        const int w = region(ibox_current)->place.w;
        EXPECT_LE(w, 686);
        snap(std::string("ibox_") + std::to_string(kind) + "_" + names[kind - IBOX_INFO]);
        ibox_show(nullptr, nullptr, 0);
    }
}

// Every window of the resident TAP is registered at start-up (the fixture does the same); a
// window that is not there says so over the caller's window for a moment and hands it back,
// while a background duty asking for it just gets its default, without a box.
TEST_F(OsdTest, AWindowThatIsNotThereSaysSoForAMomentAndAnAskerGetsItsDefault) {
    for (bool german : {false, true}) {
        SCOPED_TRACE(german);
        if (german) settings.flags &= ~SET_ENGLISH;
        window_register(WINDOW_EPG, nullptr);
        osd_window* win = window();
        osd_frame(win, 500, 8, "/MediaFiles", nullptr, 0);
        osd_finish(win);
        std::string shown;
        emu->on_sleep = [&](uint32_t) { shown += screen(); };
        EXPECT_EQ(window_open(WINDOW_EPG, key_call(0, win)), WINDOW_ABSENT);
        emu->on_sleep = nullptr;
        EXPECT_NE(shown.find(german ? "Noch nicht verf\xC3\xBCgbar." : "Not available yet."),
                  std::string::npos)
            << shown;
        EXPECT_FALSE(screen_has("Not available yet.") || screen_has("Noch nicht")) << screen();
        EXPECT_EQ(active_window, win);
        shown.clear();
        emu->on_sleep = [&](uint32_t) { shown += screen(); };
        EXPECT_EQ(window_ask(WINDOW_EPG, key_call(0, win), 7u), 7u);
        emu->on_sleep = nullptr;
        EXPECT_EQ(shown, "") << "no box for a background duty";
        EXPECT_TRUE(window_available(WINDOW_BROWSER)) << "the others stay registered";
    }
}
