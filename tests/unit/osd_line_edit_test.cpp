// The line editor: multi-tap timing on the virtual clock, input modes, cursor and word moves,
// deleting, the history rings and "TovakRC.his", accepting, and what the window shows.
#include "common/key_codes.h"
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "osd/icons.h"
#include "emu_fixture.h"

using emu_test::OsdTest;

namespace {

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Keys the return handlers got.
std::vector<dword> returned;
dword record_return(dword key) {
    returned.push_back(key);
    return 0;
}

} // namespace

class LineEditTest : public OsdTest {
  protected:
    void open(int kind, const char* initial, const char* de = "- Umbenennen",
              const char* en = "- Rename") {
        line_edit(0, kind, de, en, initial);
        ASSERT_TRUE(line_edit_open());
    }
    void key(dword k) { line_edit(k, 0, nullptr, nullptr, nullptr); }
    void digit(int d) { key(KEY_0 + static_cast<dword>(d)); }
    // Time passes as on the receiver: the idle duty runs once a tick.
    void wait_ms(int ms) {
        for (int t = 0; t < ms / 10; ++t) {
            emu->idle(1);
            line_edit_idle();
        }
    }
    std::string text() const { return line_edit_text(); }
    int cursor() const { return line_edit_cursor(); }
    std::filesystem::path his() const {
        return dir / "disk/ProgramFiles/Settings/TovakRC/TovakRC.his";
    }
    osd_window* editor() const { return active_window; }
};

TEST_F(LineEditTest, MultiTapTiming) {
    // Steps: a digit "2", a key name, or "wN" (N milliseconds pass).
    struct Case {
        const char* steps;
        const char* text; // Latin-1
        int cursor;
    } cases[] = {
        {"2 w300 2 w300 2", "c", 0},                  // three quick presses: c, still pending
        {"2 w300 2 w300 2 w900", "c", 1},             // 0.9 s later the cursor moved on
        {"2 2 2 2", "2", 0},                          // the fourth entry of "abc2äá"
        {"2 2 2 2 2 2", "\xE1", 0},                   // the sixth
        {"2 2 2 2 2 2 2", "a", 0},                    // the seventh wraps round
        {"2 w300 3", "ad", 1},                        // another digit commits the a
        {"2 w800", "a", 0},                           // 80 ticks: still pending
        {"2 w810", "a", 1},                           // 81 ticks: committed
        {"2 w500 2 w500", "b", 0},                    // each press restarts the time
        {"2 w900 2", "aa", 1},                        // committed, then a new a
        {"Info 2 w900 3 w900", "Ad", 2},              // Upper 1x: one capital
        {"Info 2 2 Info", "B", 1},                    // a key commits and ends Upper 1x too
        {"Info Info 2 2", "%", 0},                    // Digits column
        {"Info Info Info 2 w900 3 w900 2", "ADA", 2}, // Upper stays
        {"Info Info Info 2 2 2 2 2", "\xC4", 0},      // upper column "ABC2Ä": five entries
        {"Info Info Info 2 2 2 2 2 2", "A", 0},
        {"2 >", "a", 1}, // > commits, then stands at the end
        {"2 <", "a", 0}, // < commits (cursor 1), then moves left
        {"7 7 7 7 7 7 w900 0", "\xDF.", 1},
        {"1 w900 1 1", " -", 1},
        {"2 commit", "a", 1}, // the commit key of the idle duty
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steps);
        open(EDIT_LIST_SEARCH, "");
        std::istringstream steps(c.steps);
        std::string step;
        while (steps >> step) {
            if (step[0] == 'w')
                wait_ms(std::stoi(step.substr(1)));
            else if (step == "Info")
                key(KEY_INFO);
            else if (step == ">")
                key(KEY_RIGHT);
            else if (step == "<")
                key(KEY_LEFT);
            else if (step == "commit")
                key(1);
            else
                digit(step[0] - '0');
        }
        EXPECT_EQ(text(), c.text);
        EXPECT_EQ(cursor(), c.cursor);
        key(KEY_EXIT);
        EXPECT_FALSE(line_edit_open());
    }
}

TEST_F(LineEditTest, IdleDutyCommitsOnlyWhatIsDue) {
    EXPECT_EQ(line_edit_idle(), 0) << "editor closed";
    open(EDIT_LIST_SEARCH, "");
    EXPECT_EQ(line_edit_idle(), 0) << "nothing pending";
    digit(5);
    emu->idle(80);
    EXPECT_EQ(line_edit_idle(), 0);
    emu->idle(1);
    EXPECT_EQ(line_edit_idle(), 1);
    EXPECT_EQ(cursor(), 1);
    EXPECT_EQ(line_edit_idle(), 0) << "committed once";
}

TEST_F(LineEditTest, AFullTextTakesNoMoreDigits) {
    const std::string full(199, 'x');
    open(EDIT_TEXT_LINE, full.c_str());
    digit(2);
    EXPECT_EQ(text(), full);
    key(KEY_RIGHT);
    key(KEY_RECALL); // 198 characters: one more fits
    digit(2);
    EXPECT_EQ(text().size(), 199u);
    EXPECT_EQ(text()[0], 'a');
    const std::string longer(300, 'y');
    key(KEY_EXIT);
    open(EDIT_TEXT_LINE, longer.c_str());
    EXPECT_EQ(text(), std::string(199, 'y')) << "an initial text is cut to 199 characters";
}

TEST_F(LineEditTest, CursorWordMovesAndDeleting) {
    // Steps: key names; expected text and cursor after them. The text starts as "foo, bar.baz  qux"
    // with the cursor at 0.
    struct Case {
        std::vector<dword> keys;
        const char* text;
        int cursor;
    } cases[] = {
        {{KEY_FORWARD}, "foo, bar.baz  qux", 5},
        {{KEY_FORWARD, KEY_FORWARD}, "foo, bar.baz  qux", 9},
        {{KEY_FORWARD, KEY_FORWARD, KEY_FORWARD}, "foo, bar.baz  qux", 14},
        {{KEY_FORWARD, KEY_FORWARD, KEY_FORWARD, KEY_FORWARD}, "foo, bar.baz  qux", 17},
        {{KEY_JUMP_END, KEY_REWIND}, "foo, bar.baz  qux", 14},
        {{KEY_JUMP_END, KEY_REWIND, KEY_REWIND}, "foo, bar.baz  qux", 9},
        {{KEY_JUMP_END, KEY_LEFT, KEY_LEFT, KEY_REWIND}, "foo, bar.baz  qux", 14},
        {{KEY_JUMP_END, KEY_REWIND, KEY_LEFT, KEY_REWIND}, "foo, bar.baz  qux", 9},
        {{KEY_REWIND}, "foo, bar.baz  qux", 0},
        {{KEY_LEFT}, "foo, bar.baz  qux", 0},
        {{KEY_JUMP_END, KEY_RIGHT}, "foo, bar.baz  qux", 17},
        {{KEY_JUMP_END, KEY_JUMP_START}, "foo, bar.baz  qux", 0},
        {{KEY_RECALL}, "oo, bar.baz  qux", 0}, // at 0: the first character
        {{KEY_RIGHT, KEY_RIGHT, KEY_RECALL}, "fo, bar.baz  qux", 1},
        {{KEY_JUMP_END, KEY_RECALL, KEY_RECALL}, "foo, bar.baz  q", 15},
        {{KEY_PLAY, KEY_JUMP_END, KEY_RECALL}, "foo, bar.baz  qu ", 16}, // replace: a blank
        {{KEY_PLAY, KEY_RECALL}, "foo, bar.baz  qux", 0},
        {{KEY_FORWARD, KEY_STOP}, "foo, ", 5},                         // Clear: cut at the cursor
        {{KEY_FORWARD, KEY_PLAY, 0x10002}, "foo, aar.baz  qux", 5},    // replace mode
        {{KEY_FORWARD, 0x10002}, "foo, abar.baz  qux", 5},             // insert
        {{KEY_FORWARD, KEY_STOP, KEY_RECORD}, "foo, bar.baz  qux", 0}, // Reset
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " / " << c.cursor);
        open(EDIT_TEXT_LINE, "foo, bar.baz  qux");
        for (dword k : c.keys)
            key(k);
        EXPECT_EQ(text(), c.text);
        EXPECT_EQ(cursor(), c.cursor);
        key(KEY_EXIT);
    }
    // Bytes from 0xC0 belong to words.
    open(EDIT_TEXT_LINE, "\xC3\xBC"
                         "ber \xC3\x84rger");
    EXPECT_EQ(text(), "\xFC"
                      "ber \xC4rger");
    key(KEY_FORWARD);
    EXPECT_EQ(cursor(), 5);
    key(KEY_FORWARD);
    EXPECT_EQ(cursor(), 10);
    key(KEY_EXIT);
}

TEST_F(LineEditTest, ModesShowInTheKeyPanel) {
    open(EDIT_LIST_SEARCH, "x");
    const char* modes[] = {"Lower", "Upper 1x", "Digits", "Upper", "Lower"};
    for (const char* mode : modes) {
        EXPECT_TRUE(screen_has(std::string(mode) + "\n")) << mode << "\n" << screen();
        key(KEY_INFO);
    }
    EXPECT_TRUE(screen_has("Insert"));
    EXPECT_TRUE(screen_has("UTF-8"));
    key(KEY_PLAY);
    key(KEY_SUBTITLE);
    EXPECT_TRUE(screen_has("Replace"));
    EXPECT_TRUE(screen_has("Latin-1"));
    key(KEY_AUDIO);
    EXPECT_TRUE(screen_has("Ersetzen"));
    EXPECT_TRUE(screen_has(" TovakRC - Umbenennen"));
    EXPECT_TRUE(screen_has("Merken & Abbr."));
    key(KEY_SUBTITLE);
    key(KEY_EXIT);
}

TEST_F(LineEditTest, AcceptingHandsTheResultToTheCaller) {
    returned.clear();
    line_edit_set_return(EDIT_TEXT_SEARCH, record_return);
    line_edit_set_return(EDIT_LOOKUP, record_return);
    open(EDIT_TEXT_SEARCH, "Gr\xC3\xBC\xC3\x9F"
                           "e");
    EXPECT_EQ(text(), "Gr\xFC\xDF"
                      "e");
    key(KEY_OK);
    EXPECT_FALSE(line_edit_open());
    EXPECT_FALSE(window_flags & WS_EDITOR);
    ASSERT_NE(line_edit_result(EDIT_TEXT_SEARCH), nullptr);
    EXPECT_STREQ(line_edit_result(EDIT_TEXT_SEARCH), "Gr\xC3\xBC\xC3\x9F"
                                                     "e")
        << "UTF-8";
    ASSERT_EQ(returned.size(), 1u);
    EXPECT_EQ(returned[0], KEY_OK);

    open(EDIT_TEXT_SEARCH, "\xC3\xA4");
    key(KEY_SUBTITLE); // Latin-1
    key(KEY_OK);
    EXPECT_STREQ(line_edit_result(EDIT_TEXT_SEARCH), "\xE4");
    open(EDIT_TEXT_SEARCH, "plain");
    key(KEY_GUIDE); // not an accepting key here
    EXPECT_TRUE(line_edit_open());
    key(KEY_SUBTITLE);
    key(KEY_EXIT);
    EXPECT_STREQ(line_edit_result(EDIT_TEXT_SEARCH), "\xE4") << "Exit does not accept";
    EXPECT_EQ(returned.size(), 2u);

    open(EDIT_LOOKUP, "Topfield", "- Nachschlagsworte eingeben", "- Enter Lookup Words");
    EXPECT_TRUE(screen_has("Wikipedia"));
    EXPECT_TRUE(screen_has("Startpage"));
    EXPECT_FALSE(screen_has("Accept"));
    key(KEY_GUIDE);
    EXPECT_FALSE(line_edit_open());
    EXPECT_STREQ(line_edit_result(EDIT_LOOKUP), "Topfield");
    EXPECT_EQ(returned.back(), KEY_GUIDE);
    EXPECT_EQ(line_edit_result(EDIT_RENAME), nullptr);
    line_edit_set_return(EDIT_TEXT_SEARCH, nullptr);
    line_edit_set_return(EDIT_LOOKUP, nullptr);
}

TEST_F(LineEditTest, HistoryFileKeepsEachKindsEntries) {
    open(EDIT_RENAME, "first.rec");
    key(KEY_OK);
    open(EDIT_TEXT_LINE, "a line");
    key(KEY_OK);
    open(EDIT_RENAME, "second.rec");
    key(KEY_OK);
    EXPECT_EQ(read_file(his()), "first.rec\nsecond.rec\n\n\n\na line\n\n\n\n\n\n");
    // The file carries the receiver's local time.
    const tapsim::LocalTime now = emu->clock().local();
    const int64_t local =
        int64_t{now.mjd} * 86400 + now.hour * 3600 + now.minute * 60 + now.second - 3506716800LL;
    struct stat st;
    ASSERT_EQ(stat(his().c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, local);
    EXPECT_FALSE(std::filesystem::exists(his().string() + ".new"));
    open(EDIT_RENAME, nullptr); // the newest entry
    EXPECT_EQ(text(), "second.rec");
    key(KEY_OK); // the same text again: kept once
    EXPECT_EQ(read_file(his()), "first.rec\nsecond.rec\n\n\n\na line\n\n\n\n\n\n");
    open(EDIT_RENAME, "second.rec");
    key(KEY_OK);
    EXPECT_EQ(read_file(his()), "first.rec\nsecond.rec\n\n\n\na line\n\n\n\n\n\n");
    EXPECT_STREQ(history_newest(EDIT_RENAME), "second.rec");
    // A line break inside an entry does not split it in the file.
    open(EDIT_LOOKUP, "two\nwords");
    key(KEY_OK);
    EXPECT_NE(read_file(his()).find("\n\ntwo words\n\n"), std::string::npos);
}

TEST_F(LineEditTest, CancelAndSaveAndCancel) {
    open(EDIT_RENAME, "draft");
    digit(9);
    key(KEY_EXIT);
    EXPECT_FALSE(std::filesystem::exists(his())) << "Exit writes nothing";
    EXPECT_EQ(line_edit_result(EDIT_RENAME), nullptr);
    open(EDIT_RENAME, "kept");
    key(KEY_PAUSE);
    EXPECT_FALSE(line_edit_open());
    EXPECT_EQ(line_edit_result(EDIT_RENAME), nullptr) << "not accepted";
    EXPECT_EQ(read_file(his()), "wdraft\nkept\n\n\n\n\n\n\n\n\n");
}

TEST_F(LineEditTest, HistoryStepsThroughTheRing) {
    const std::string three = "alpha\nbeta\ngamma\n\n";
    history_parse(three.c_str(), three.size());
    open(EDIT_RENAME, "new");
    const char* expected[] = {"gamma", "beta", "alpha"};
    for (const char* e : expected) {
        key(KEY_RIGHT);
        key(KEY_UP);
        EXPECT_EQ(text(), e);
        EXPECT_EQ(cursor(), 0);
    }
    key(KEY_UP); // an empty slot ends the stepping
    EXPECT_EQ(text(), "alpha");
    key(KEY_DOWN);
    EXPECT_EQ(text(), "beta");
    key(KEY_DOWN);
    key(KEY_DOWN);
    EXPECT_EQ(text(), "new") << "back at the text being edited";
    key(KEY_DOWN); // not beyond it
    EXPECT_EQ(text(), "new");
    key(KEY_EXIT);

    // A full ring: the fresh slot takes the oldest entry's place, 19 steps reach the oldest
    // entry left and the 20th would come round to the text being edited.
    std::string twenty;
    for (int i = 1; i <= 25; ++i)
        twenty += "entry " + std::to_string(i) + "\n";
    history_parse(twenty.c_str(), twenty.size());
    EXPECT_STREQ(history_newest(EDIT_RENAME), "entry 20") << "further lines are skipped";
    open(EDIT_RENAME, "edit");
    char buf[EDIT_BUFFER];
    for (int i = 20; i >= 2; --i) {
        ASSERT_EQ(history_step(EDIT_RENAME, buf, -1), 0) << i;
        EXPECT_EQ(std::string(buf), "entry " + std::to_string(i));
    }
    EXPECT_EQ(history_step(EDIT_RENAME, buf, -1), -1);
    EXPECT_EQ(history_step(EDIT_RENAME, buf, +1), 0);
    EXPECT_STREQ(buf, "entry 3");
    EXPECT_EQ(history_step(EDIT_RENAME + 8, buf, -1), -1);
    EXPECT_EQ(history_step(EDIT_URL, buf, -1), -1) << "an empty ring";
    key(KEY_EXIT);
}

TEST_F(LineEditTest, HistoryFileIsReadIntoTheRings) {
    struct Case {
        std::string file;
        std::vector<const char*> newest; // per kind, null = empty ring
    } cases[] = {
        {"a\nb\n\nc\n\n", {"b", "c", nullptr}},
        {"\n\n\n\n\n\n\n\nninth group\n",
         {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
        {"x\r\ny\r\n\r\nz", {"y", "z"}}, // CR LF, no final break
        {"k0\n\nk1\n\nk2\n\nk3\n\nk4\n\nk5\n\nk6\n\nk7\n\nk8\n",
         {"k0", "k1", "k2", "k3", "k4", "k5", "k6", "k7"}}, // at most 8 groups
        {"", {nullptr}},
        {std::string("a\0b\n", 4), {"ab"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::ofstream(his(), std::ios::binary) << c.file;
        ASSERT_EQ(history_load(), 0);
        for (size_t k = 0; k < c.newest.size(); ++k) {
            if (c.newest[k]) {
                EXPECT_STREQ(history_newest(static_cast<int>(k)), c.newest[k]) << k;
            } else {
                EXPECT_EQ(history_newest(static_cast<int>(k)), nullptr) << k;
            }
        }
    }
    // A line longer than 199 characters keeps its first 199; the rest does not make a new entry.
    std::ofstream(his(), std::ios::binary) << std::string(250, 'L') << "\nshort\n\nnext\n";
    ASSERT_EQ(history_load(), 0);
    EXPECT_STREQ(history_newest(0), "short");
    EXPECT_STREQ(history_newest(1), "next");
    open(EDIT_RENAME, "x");
    char buf[EDIT_BUFFER];
    ASSERT_EQ(history_step(EDIT_RENAME, buf, -1), 0);
    ASSERT_EQ(history_step(EDIT_RENAME, buf, -1), 0);
    EXPECT_EQ(std::string(buf), std::string(199, 'L'));
    EXPECT_EQ(history_step(EDIT_RENAME, buf, -1), -1);
    key(KEY_EXIT);
    std::filesystem::remove(his());
    EXPECT_EQ(history_load(), -1);
}

TEST_F(LineEditTest, UrlKindStartsFromATemplate) {
    open(EDIT_URL, "", "- URL eingeben", "- Enter URL");
    EXPECT_EQ(text(), "http://www..de/");
    key(KEY_STOP);
    EXPECT_EQ(text(), "");
    key(KEY_RECORD);
    EXPECT_EQ(text(), "http://www..de/");
    key(KEY_EXIT);
    open(EDIT_URL, "http://example.org/", "- URL eingeben", "- Enter URL");
    EXPECT_EQ(text(), "http://example.org/");
    key(KEY_EXIT);
}

TEST_F(LineEditTest, EditorWindowOverTheCaller) {
    osd_window* caller = window();
    osd_frame(caller, 690, 0, "/DataFiles", nullptr, 0);
    osd_text(caller, " Tagesschau_2026-12-10.rec", 0);
    osd_finish(caller);
    const std::vector<uint32_t> before = emu->osd().compose();
    open(EDIT_RENAME, "Tagesschau_2026-12-10.rec");
    EXPECT_TRUE(window_flags & WS_EDITOR);
    osd_window* win = editor();
    ASSERT_NE(win, nullptr);
    ASSERT_NE(win, caller);
    const tapsim::Region* r = region(win);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->place.w, 600);
    EXPECT_EQ(r->place.h, 9 * LINE_LARGE);
    EXPECT_TRUE(run_with(win, " TovakRC - Rename"));
    EXPECT_TRUE(run_with(win, "v4.92a"));
    // The cursor character in yellow on dark red, the rest white.
    const tapsim::TextRun* at = run_with(win, "T");
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(at->fg, 0xFFFFFF00u);
    EXPECT_EQ(at->bg, 0xFF800000u);
    EXPECT_EQ(at->x, 8);
    EXPECT_EQ(at->y, 39);
    const tapsim::TextRun* rest = run_with(win, "agesschau_2026-12-10.rec");
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->fg, 0xFFFFFFFFu);
    EXPECT_EQ(rest->x, 8 + osd_text_width("T"));
    // Key panel: each icon right before its label.
    const tapsim::TextRun* pos = run_with(win, "Position");
    ASSERT_NE(pos, nullptr);
    EXPECT_TRUE(icon_at(win, _Button_right_Gd, pos->x - 2 - 24, pos->y + 3));
    EXPECT_TRUE(icon_at(win, _Button_left_Gd, pos->x - 2 - 24 - 2 - 24, pos->y + 3));
    const tapsim::TextRun* accept = run_with(win, "Accept");
    ASSERT_NE(accept, nullptr);
    EXPECT_TRUE(icon_at(win, _Button_ok_Gd, accept->x - 2 - 40, accept->y + 3));
    for (const tapsim::TextRun& run : r->runs) {
        EXPECT_LE(run_right(run), r->place.w - 2) << run.text;
        EXPECT_LE(run.ink.y + run.ink.h, r->place.h - 2) << run.text;
    }
    key(KEY_JUMP_END);
    EXPECT_TRUE(run_with(win, "Tagesschau_2026-12-10.rec"));
    EXPECT_EQ(pixel(win, 8 + osd_text_width("Tagesschau_2026-12-10.rec") + 2, 45), 0xFF800000u)
        << "a blank marks the cursor at the end";
    key(KEY_EXIT);
    EXPECT_FALSE(osd_is_open(win));
    EXPECT_TRUE(emu->osd().compose() == before) << "the caller's window is back";
    EXPECT_EQ(caller->saved, nullptr);
}

TEST_F(LineEditTest, FontAndLanguageToggle) {
    open(EDIT_TEXT_SEARCH, "abc", "- Zeichenkette suchen", "- Search Text String");
    key(KEY_TVRADIO);
    const tapsim::Region* r = region(editor());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->place.w, 600 * 16 / 19);
    EXPECT_EQ(r->place.h, 9 * LINE_SMALL);
    EXPECT_EQ(run_with(editor(), "a")->y, 33);
    key(KEY_AUDIO);
    EXPECT_TRUE(screen_has(" TovakRC - Zeichenkette suchen"));
    EXPECT_TRUE(screen_has("Aktive Modi"));
    for (const tapsim::TextRun& run : r->runs)
        EXPECT_LE(run_right(run), r->place.w - 2) << run.text;
    key(KEY_EXIT);
}

TEST_F(LineEditTest, WideTextShowsThePartAroundTheCursor) {
    std::string wide;
    for (int i = 0; i < 19; ++i)
        wide += "word" + std::to_string(i) + " ";
    open(EDIT_TEXT_LINE, wide.c_str());
    for (int i = 0; i < 60; ++i)
        key(KEY_RIGHT);
    const tapsim::Region* r = region(editor());
    ASSERT_NE(r, nullptr);
    std::string shown;
    int left = 1000, right = 0;
    for (const tapsim::TextRun& run : r->runs)
        if (run.y == 39) {
            shown += run.text;
            left = std::min(left, run.ink.x);
            right = std::max(right, run_right(run));
        }
    EXPECT_NE(shown.find(wide.substr(60, 1)), std::string::npos);
    EXPECT_LT(shown.size(), wide.size()) << "only a part";
    EXPECT_GE(left, 8);
    EXPECT_LE(right, r->place.w - 10);
    const tapsim::TextRun* at = nullptr;
    for (const tapsim::TextRun& run : r->runs)
        if (run.bg == 0xFF800000u) at = &run;
    ASSERT_NE(at, nullptr);
    EXPECT_NEAR(at->x, r->place.w / 2, 60) << "the cursor stands near the middle";
    key(KEY_JUMP_END);
    r = region(editor());
    right = 0;
    for (const tapsim::TextRun& run : r->runs)
        if (run.y == 39) right = std::max(right, run.ink.x + run.ink.w);
    EXPECT_GT(right, r->place.w * 3 / 4) << "at the end the text fills the line";
    key(KEY_EXIT);
}

TEST_F(LineEditTest, ScreenshotsOfTheEditor) {
    struct Shot {
        uint32_t flags;
        int kind;
        const char* name;
    } shots[] = {
        {SET_ENGLISH | SET_LARGE_FONT, EDIT_RENAME, "line_edit_en_large"},
        {SET_ENGLISH, EDIT_RENAME, "line_edit_en_small"},
        {SET_LARGE_FONT, EDIT_LOOKUP, "line_edit_de_large_lookup"},
        {0, EDIT_LOOKUP, "line_edit_de_small_lookup"},
    };
    osd_window* caller = window();
    for (const Shot& s : shots) {
        settings.flags = s.flags;
        osd_frame(caller, 690, 0, "/DataFiles", nullptr, 0);
        for (int i = 0; i < 10; ++i)
            osd_text(caller, " Tagesschau_2026-12-1.rec", 1);
        osd_finish(caller);
        open(s.kind, "Tagesschau_2026-12-10.rec", "- Umbenennen", "- Rename");
        for (int i = 0; i < 10; ++i)
            key(KEY_RIGHT);
        digit(2);
        digit(2);
        const tapsim::Region* r = region(editor());
        ASSERT_NE(r, nullptr);
        for (const tapsim::TextRun& run : r->runs)
            EXPECT_LE(run_right(run), r->place.w - 2) << s.name << ": " << run.text;
        // Every label of the key panel is there, whole.
        const bool en = s.flags & SET_ENGLISH;
        std::vector<std::string> labels = {"Reset",
                                           en ? "Clear" : "L\xC3\xB6schen",
                                           en ? "Cancel" : "Abbrechen",
                                           en ? "Save & Cancel" : "Merken & Abbr.",
                                           en ? "History" : "Historie",
                                           "UTF-8"};
        if (s.kind == EDIT_LOOKUP) {
            labels.push_back("Wikipedia");
            labels.push_back("Startpage");
        } else {
            labels.push_back(en ? "Accept"
                                : "\xC3\x9C"
                                  "bernehmen");
        }
        for (const std::string& label : labels)
            EXPECT_TRUE(run_with(editor(), label)) << s.name << ": " << label;
        snap(s.name);
        key(KEY_EXIT);
    }
}

TEST(LineEditConversions, Latin1ToUtf8) {
    struct Case {
        std::string in;
        size_t size;
        std::string out;
    } cases[] = {
        {"abc", 10, "abc"},
        {"\xE4", 10, "\xC3\xA4"},
        {"\x80\xBF\xC0\xFF", 10, "\xC2\x80\xC2\xBF\xC3\x80\xC3\xBF"},
        {"a\xE4", 4, "a\xC3\xA4"},
        {"a\xE4", 3, "a"}, // the two bytes and the NUL do not fit
        {"abc", 3, "ab"},
        {"abc", 1, ""},
        {"", 5, ""},
    };
    for (const Case& c : cases) {
        char out[16];
        std::memset(out, '#', sizeof out);
        EXPECT_EQ(latin1_to_utf8(c.in.c_str(), out, c.size), c.out.size()) << c.in;
        EXPECT_EQ(std::string(out), c.out);
        EXPECT_EQ(out[c.size], '#') << "nothing written behind size";
    }
    char out[4] = "xyz";
    EXPECT_EQ(latin1_to_utf8("abc", out, 0), 0u);
    EXPECT_STREQ(out, "xyz");
}

TEST(LineEditConversions, Utf8ToLatin1) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         "Gr\xFC\xDF"
         "e"},
        {"\xC2\xA9 \xC2\x80", "\xA9 \x80"},
        {"\xC3", ""}, // a lead byte at the end
        {"\xC3"
         "A",
         "A"}, // a lead byte without its second byte
        {"\xC2\xC3\xA4", "\xE4"},
        {"\xE2\x82\xAC", "\xE2\x82\xAC"}, // other sequences stay as they are
        {"plain", "plain"},
    };
    for (const Case& c : cases) {
        std::string buf = c.in;
        utf8_to_latin1(buf.data());
        EXPECT_EQ(std::string(buf.c_str()), c.out) << c.in;
    }
    // Every Latin-1 text comes back from its UTF-8 form.
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    char utf8[600];
    latin1_to_utf8(all.c_str(), utf8, sizeof utf8);
    utf8_to_latin1(utf8);
    EXPECT_EQ(std::string(utf8), all);
}

TEST_F(LineEditTest, KeyPanelFitsInEveryModeFontAndLanguage) {
    for (uint32_t flags : {0u, uint32_t{SET_ENGLISH}, uint32_t{SET_LARGE_FONT},
                           uint32_t{SET_ENGLISH | SET_LARGE_FONT}})
        for (int kind : {EDIT_RENAME, EDIT_LOOKUP})
            for (int mode = 0; mode < 4; ++mode)
                for (bool replace : {false, true}) {
                    SCOPED_TRACE(testing::Message()
                                 << "flags " << std::hex << flags << std::dec << " kind " << kind
                                 << " mode " << mode << " replace " << replace);
                    settings.flags = flags;
                    open(kind, "text");
                    for (int i = 0; i < mode; ++i)
                        key(KEY_INFO);
                    if (replace) key(KEY_PLAY);
                    key(KEY_SUBTITLE);
                    const tapsim::Region* r = region(editor());
                    ASSERT_NE(r, nullptr);
                    // Labels of icons: 9 digits, Delete, 0, mode, 4 right-column labels, the
                    // modes text, 3 modes, Reset, Clear, 2 or 3 closing labels; the title, the
                    // version and the text in two parts (the cursor on its first character).
                    const size_t labels = 9 + 3 + 4 + 4 + 2 + (kind == EDIT_LOOKUP ? 3 : 2) + 4;
                    const bool caption = screen_has("Aktive Modi") || screen_has("Active modes");
                    EXPECT_EQ(r->runs.size(), labels - !caption);
                    // Only where nothing else helps the caption of the modes is left out.
                    EXPECT_TRUE(caption || kind == EDIT_LOOKUP);
                    for (const tapsim::TextRun& run : r->runs) {
                        EXPECT_LE(run_right(run), r->place.w - 2) << run.text;
                        EXPECT_GE(run.x, 1) << run.text;
                    }
                    key(KEY_EXIT);
                }
}
