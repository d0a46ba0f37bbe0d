// Key help: the key-text renderer (icons where the key labels stood, separators, the TAP key
// prefix) and the help box with its language, font and page toggles.
#include <string>

#include "osd/icons.h"
#include "emu_fixture.h"

using emu_test::OsdTest;

namespace {

struct Icon {
    const TYPE_GrData* gd;
    int x; // content x where the icon stands
};

struct LineCase {
    const char* line;
    std::vector<Icon> icons;
    const char* text; // the text run (UTF-8), drawn at text_x
    int text_x;
    const char* absent; // a text that must not be on screen, or null
    bool separator;
};

// Widths: Ok, Exit 40; Guide 54; others 24; each icon is followed by 2 pixels.
const LineCase line_cases[] = {
    {"Ok: Select", {{&_Button_ok_Gd, 10}}, ": Select", 52, "Ok", false},
    {"Star: Toggle", {}, "Star: Toggle", 10, nullptr, false},
    {"Note: Press any key", {}, "Note: Press any key", 10, nullptr, false},
    {"\rSubtitle: Toggle", {{&_Button_subtitle_Gd, 10}}, ": Toggle", 36, "Subtitle", true},
    {"Info: Subtitle: Call native direct key",
     {{&_Button_info_Gd, 10}, {&_Button_subtitle_Gd, 36}},
     ": Call native direct key",
     62,
     "Info",
     false},
    {"v ^  << >>  |< >|  V+ V-: Navigate",
     {},
     "v ^  << >>  |< >|  V+ V-: Navigate",
     10,
     nullptr,
     false},
    {"Audio: Language", {{&_Button_audio_Gd, 10}}, ": Language", 36, "Audio", false},
    {"Guide: Exit: Ok: three",
     {{&_Button_guide_Gd, 10}, {&_Button_exit_Gd, 66}, {&_Button_ok_Gd, 108}},
     ": three",
     150,
     "Guide",
     false},
    {"Ok: Star: stops there", {{&_Button_ok_Gd, 10}}, ": Star: stops there", 52, nullptr, false},
    {"Ok:Select", {}, "Ok:Select", 10, nullptr, false}, // no blank after the colon
    {": starts with a colon", {}, ": starts with a colon", 10, nullptr, false},
    {"Time 12:30: no key", {}, "Time 12:30: no key", 10, nullptr, false},
};

} // namespace

TEST_F(OsdTest, KeyTextDrawsIconsWhereTheLabelsStood) {
    for (const LineCase& c : line_cases) {
        SCOPED_TRACE(c.line);
        osd_window* win = window();
        osd_open(win, 600, 200);
        osd_goto(win, 10, 50);
        std::string copy = c.line;
        osd_key_text(win, copy.data(), 0);
        for (const Icon& icon : c.icons)
            EXPECT_TRUE(icon_at(win, *icon.gd, icon.x, 50 + 3)) << "icon at " << icon.x;
        const tapsim::TextRun* run = run_with(win, c.text);
        ASSERT_NE(run, nullptr) << screen();
        EXPECT_EQ(run->x, c.text_x);
        EXPECT_EQ(run->y, 50);
        EXPECT_EQ(runs(win).size(), 1u) << "one text run per line";
        if (c.absent) {
            EXPECT_EQ(run_with(win, c.absent), nullptr);
        }
        EXPECT_EQ(pixel(win, 300, 49) == COLOR_YELLOW, c.separator) << "separator above the line";
        EXPECT_EQ(win->cursor_x, 10) << "back at the left edge";
        EXPECT_EQ(win->cursor_y, 50 + LINE_LARGE);
        EXPECT_EQ(osd_key_line_width(c.line, strlen(c.line)),
                  c.text_x - 10 + osd_text_width(c.text))
            << "measured as drawn";
        osd_close(win);
    }
}

TEST_F(OsdTest, KeyTextPrefixesLinesAndSmallFont) {
    struct Case {
        const char* line;
        const char* prefix;
        const TYPE_GrData* gd;
        const char* rest;
    } cases[] = {
        {"TAP key + Menu: Settings", "TAP key + ", &_Button_menu_Gd, ": Settings"},
        {"TAP-Taste + Filelist: Dateibrowser", "TAP-Taste + ", &_Button_filelist_Gd,
         ": Dateibrowser"},
        {"TAP key + TAP key: TAP key for the receiver", "TAP key + ", nullptr,
         "TAP key: TAP key for the receiver"},
        {"\rTAP key + F1: Set HOME", "TAP key + ", &_Button_red_Gd, ": Set HOME"},
    };
    for (bool large : {true, false}) {
        settings.flags =
            (settings.flags & ~SET_LARGE_FONT) | (large ? uint32_t{SET_LARGE_FONT} : 0u);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.line << (large ? " large" : " small"));
            osd_window* win = window();
            osd_open(win, 600, 200);
            osd_goto(win, 20, 40);
            std::string copy = c.line;
            osd_key_text(win, copy.data(), 0);
            const tapsim::TextRun* prefix = run_with(win, c.prefix);
            ASSERT_NE(prefix, nullptr) << screen();
            EXPECT_EQ(prefix->x, 20);
            const int after = 20 + osd_text_width(c.prefix);
            if (c.gd) {
                EXPECT_TRUE(icon_at(win, *c.gd, after, 40 + (large ? 3 : 2)));
            }
            const tapsim::TextRun* rest = run_with(win, c.rest);
            ASSERT_NE(rest, nullptr) << screen();
            EXPECT_EQ(rest->x, after + (c.gd ? c.gd->width + 2 : 0));
            EXPECT_EQ(win->cursor_y, 40 + (large ? LINE_LARGE : LINE_SMALL));
            osd_close(win);
        }
    }
}

TEST_F(OsdTest, KeyTextLinesAndTheFinalBreak) {
    osd_window* win = window();
    osd_open(win, 600, 300);
    osd_goto(win, 0, 10);
    char text[] = "first\n\nthird\n";
    osd_key_text(win, text, 3);
    EXPECT_EQ(win->cursor_y, 10 + 3 * LINE_LARGE) << "an empty line counts, a final break not";
    ASSERT_TRUE(run_with(win, "third"));
    EXPECT_EQ(run_with(win, "third")->y, 10 + 2 * LINE_LARGE);
    EXPECT_EQ(run_with(win, "third")->fg, 0xFF00FF00u) << "the caller's style";
    EXPECT_EQ(std::string(text, 5), "first");
    EXPECT_EQ(text[5], 0) << "the breaks became NULs";
}

TEST_F(OsdTest, HelpBoxShowsTheGeneralPageAndRestoresTheSettings) {
    const uint32_t flags = settings.flags;
    help_box(0, nullptr, &help_general);
    EXPECT_TRUE(window_flags & WS_HELP);
    EXPECT_EQ(calls_named("TAP_ExitNormal"), 1);
    EXPECT_TRUE(screen_has("Keys to enter TovakRC functions")) << screen();
    EXPECT_TRUE(screen_has(": File browser"));
    EXPECT_FALSE(screen_has("Filelist")) << "the label became its icon";
    EXPECT_EQ(ibox_current->width, region(ibox_current)->place.w);

    help_box(0x10013, nullptr, nullptr); // AudioTrk
    EXPECT_TRUE(screen_has("Tasten zum Aufruf der TovakRC-Funktionen")) << screen();
    EXPECT_TRUE(screen_has(": Dateibrowser"));
    EXPECT_FALSE(screen_has("Keys to enter"));
    EXPECT_FALSE(ui_english());

    const int large_h = region(ibox_current)->place.h;
    help_box(0x10018, nullptr, nullptr); // TvRadio
    EXPECT_FALSE(ui_large_font());
    EXPECT_LT(region(ibox_current)->place.h, large_h);
    EXPECT_EQ(live_regions(), 1) << "one box, redrawn";

    help_box(0x10001, nullptr, nullptr); // any other key: nothing on this page
    EXPECT_TRUE(screen_has("Tasten zum Aufruf"));
    help_box(0x10013 | KEY_RELEASE, nullptr, nullptr);
    EXPECT_FALSE(ui_english()) << "releases are not keys";

    help_box(0x10017, nullptr, nullptr); // Exit
    EXPECT_FALSE(window_flags & WS_HELP);
    EXPECT_EQ(settings.flags, flags) << "toggles inside help do not last";
    EXPECT_EQ(screen(), "");
    EXPECT_EQ(calls_named("TAP_EnterNormal"), 1);
    help_box(0x10017, nullptr, nullptr); // closed: nothing happens
    EXPECT_EQ(calls_named("TAP_EnterNormal"), 1);
}

TEST_F(OsdTest, HelpOverAWindowGivesTheWindowBack) {
    osd_window* win = window();
    screen_take(); // the window has the screen
    osd_frame(win, 690, 0, "/MediaFiles", nullptr, 0);
    osd_text(win, " Holiday.jpg", 0);
    osd_finish(win);
    ibox_show(nullptr, "A box of the window", IBOX_INFO);
    ibox_show(nullptr, nullptr, 0);
    const std::vector<uint32_t> before = emu->osd().compose();
    ibox_show(nullptr, "Still open", IBOX_WARNING);

    help_box(0, win, &help_general);
    EXPECT_FALSE(screen_has("Still open")) << "boxes of the window are closed";
    EXPECT_TRUE(screen_has("Keys to enter TovakRC functions"));
    EXPECT_EQ(calls_named("TAP_ExitNormal"), 1) << "the screen was taken already";
    help_box(0x10017, win, nullptr);
    EXPECT_TRUE(emu->osd().compose() == before);
    EXPECT_EQ(win->saved, nullptr);
    EXPECT_EQ(calls_named("TAP_EnterNormal"), 0) << "the window still owns the screen";
    EXPECT_TRUE(screen_taken());
}

TEST_F(OsdTest, HelpFlipsBetweenTheTwoFileBrowserPages) {
    static help_page page2;
    static const help_page page1 = {"Keys in File Browser (Page 1)",
                                    "Tasten im Filebrowser (Seite 1)",
                                    "Ok: Open\n",
                                    "Ok: \xD6"
                                    "ffnen\n",
                                    &page2,
                                    nullptr,
                                    0};
    page2 = {"Keys in File Browser (Page 2)",
             "Tasten im Filebrowser (Seite 2)",
             "Info: Details\n",
             "Info: Details\n",
             &page1,
             nullptr,
             0};
    help_box(0, nullptr, &page1);
    EXPECT_TRUE(screen_has("Keys in File Browser (Page 1)"));
    for (dword key : {0x10001u, 0x1001Eu, 0x10012u}) {
        help_box(key, nullptr, nullptr);
        EXPECT_TRUE(screen_has("Keys in File Browser (Page 2)")) << std::hex << key;
        help_box(key, nullptr, nullptr);
        EXPECT_TRUE(screen_has("Keys in File Browser (Page 1)")) << std::hex << key;
    }
    help_box(0x10013, nullptr, nullptr);
    EXPECT_TRUE(screen_has("Tasten im Filebrowser (Seite 1)"));
    EXPECT_TRUE(screen_has(": \xC3\x96"
                           "ffnen"));
    help_box(0x10017, nullptr, nullptr);
    EXPECT_TRUE(ui_english());
    EXPECT_EQ(screen(), "");
}

TEST_F(OsdTest, ScreenshotsOfTheGeneralHelpPage) {
    struct Shot {
        bool english, large;
        const char* name;
        const char* title;
    } shots[] = {
        {true, true, "help_general_en_large", "Keys to enter TovakRC functions"},
        {true, false, "help_general_en_small", "Keys to enter TovakRC functions"},
        {false, true, "help_general_de_large", "Tasten zum Aufruf der TovakRC-Funktionen"},
        {false, false, "help_general_de_small", "Tasten zum Aufruf der TovakRC-Funktionen"},
    };
    for (const Shot& s : shots) {
        SCOPED_TRACE(s.name);
        settings.flags =
            (s.english ? uint32_t{SET_ENGLISH} : 0u) | (s.large ? uint32_t{SET_LARGE_FONT} : 0u);
        help_box(0, nullptr, &help_general);
        const tapsim::Region* r = region(ibox_current);
        ASSERT_NE(r, nullptr);
        const tapsim::TextRun* title = run_with(ibox_current, s.title);
        ASSERT_NE(title, nullptr);
        EXPECT_GE(title->x, 2) << "the title is not clipped";
        EXPECT_LE(run_right(*title), r->place.w - 2);
        // Every text line ends inside the box, left of its frame.
        for (const tapsim::TextRun& run : r->runs)
            EXPECT_LE(run_right(run), r->place.w - 2) << run.text;
        // Every icon stands on its line: the Filelist button right behind the prefix.
        const char* prefix = s.english ? "TAP key + " : "TAP-Taste + ";
        const int line_h = s.large ? LINE_LARGE : LINE_SMALL;
        EXPECT_TRUE(icon_at(ibox_current, _Button_filelist_Gd, 20 + osd_text_width(prefix),
                            line_h + (s.large ? 3 : 2)));
        EXPECT_TRUE(
            icon_at(ibox_current, _Button_audio_Gd, 20, line_h + 15 * line_h + (s.large ? 3 : 2)));
        // The last line stands on the box's 2-pixel frame: in the small font the frame covers
        // the lowest two rows of its icon (22-pixel lines, 20-pixel icons two pixels down).
        EXPECT_TRUE(icon_at(ibox_current, _Button_exit_Gd, 20,
                            line_h + 17 * line_h + (s.large ? 3 : 2), s.large ? -1 : 18));
        EXPECT_EQ(r->place.h, 19 * line_h) << "title and 18 lines";
        snap(s.name);
        help_box(0x10017, nullptr, nullptr);
    }
}
