// The window toolkit: geometry of the two window kinds, the palette and the style word, the
// title bar, the frame, the timing display, saving and restoring, key panels, tick helpers.
#include "osd/icons.h"
#include "emu_fixture.h"

using emu_test::OsdTest;

namespace {

struct Geometry {
    int req_w, req_h;
    int width, height; // content
    int x, y, w, h;    // region on the screen
    int margin_x, margin_y;
};

} // namespace

TEST_F(OsdTest, OpenGivesFullScreenOrCentredBox) {
    const Geometry cases[] = {
        {800, 700, 690, 552, 0, 0, 720, 576, 15, 12}, // too large: full screen
        {690, 552, 690, 552, 0, 0, 720, 576, 15, 12},
        {400, 200, 400, 200, 160, 188, 400, 200, 0, 0},
        {690, 300, 690, 300, 0, 138, 720, 300, 15, 0}, // full width only
        {300, 600, 300, 552, 210, 0, 300, 576, 0, 12}, // full height only
        {601, 235, 601, 235, 59, 170, 601, 235, 0, 0}, // odd sizes round down
    };
    for (const Geometry& c : cases) {
        SCOPED_TRACE(testing::Message() << c.req_w << " x " << c.req_h);
        osd_window* win = window();
        osd_open(win, c.req_w, c.req_h);
        EXPECT_EQ(win->width, c.width);
        EXPECT_EQ(win->height, c.height);
        EXPECT_EQ(win->margin_x, c.margin_x);
        EXPECT_EQ(win->margin_y, c.margin_y);
        EXPECT_EQ(win->cursor_x, 0);
        EXPECT_EQ(win->cursor_y, 0);
        const tapsim::Region* r = region(win);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->place.x, c.x);
        EXPECT_EQ(r->place.y, c.y);
        EXPECT_EQ(r->place.w, c.w);
        EXPECT_EQ(r->place.h, c.h);
        EXPECT_EQ(pixel(win, c.w - 1, c.h - 1), COLOR_DEFAULT_BG) << "the whole region is filled";
        osd_close(win);
        EXPECT_FALSE(osd_is_open(win));
    }
    EXPECT_EQ(live_regions(), 0);
}

TEST_F(OsdTest, ReopeningClearsOrRecreatesTheRegion) {
    osd_window* win = window();
    osd_open(win, 400, 200);
    const word handle = win->region;
    osd_goto(win, 10, 30);
    osd_text(win, "before", 0);
    osd_goto(win, 5, 5);
    ASSERT_TRUE(run_with(win, "before"));

    osd_open(win, 400, 200); // same size: cleared, same region
    EXPECT_EQ(win->region, handle);
    EXPECT_EQ(live_regions(), 1);
    EXPECT_EQ(run_with(win, "before"), nullptr);
    EXPECT_EQ(pixel(win, 12, 40), COLOR_DEFAULT_BG);
    EXPECT_EQ(win->cursor_x, 0);

    osd_open(win, 300, 100); // another size: a new region in the new place
    EXPECT_EQ(live_regions(), 1) << "the old region is deleted";
    ASSERT_NE(region(win), nullptr);
    EXPECT_EQ(region(win)->place.w, 300);
    EXPECT_EQ(region(win)->place.x, 210);
    EXPECT_EQ(region(win)->place.y, 238);
}

TEST_F(OsdTest, PaletteAndStyleWordGiveTheColours) {
    struct Case {
        uint32_t style;
        dword fg, bg;
    } cases[] = {
        {0, 0xFFFFFFFF, 0xFF101010},
        {1, 0xFF808080, 0xFF101010},
        {5, 0xFFFFFF00, 0xFF101010},
        {5 | ST_LIGHT, 0xFF808000, 0xFFFFFFFF}, // dark variant on white
        {1 | ST_LIGHT, 0xFF404040, 0xFFFFFFFF},
        {0 | ST_LIGHT, 0xFFFFFFFF, 0xFF101010},  // white on white is not shown
        {14 | ST_LIGHT, 0xFFFFFFFF, 0xFF101010}, // code 46: white on white again
        {8, 0xFFFFFFFF, 0xFF000080},
        {13, 0xFFFFFF00, 0xFF800000},
        {17, 0xFF800000, 0xFF808000},
        {19, 0xFF101010, 0xFFFFFFFF},
        {25, 0xFFFFFFFF, 0xFF101010}, // unlisted code
        {33, 0xFF404040, 0xFF101010},
        {39, 0xFF800080, 0xFF101010},
        {40, 0xFFFFFFFF, 0xFF101010},
        {ST_DIRECT | 0x30 | 15, 0xFFF0F000, 0}, // direct colour, transparent
        {ST_DIRECT | 0x40 | 8, 0xFF000080, 0},
        {ST_DIRECT | 0x10, 0xFF000000, 0},
        {8 | ST_SWAP, 0xFF000080, 0xFFFFFFFF}, // selection bar
        {1 | ST_LIGHTEN, 0xFF9F9F9F, 0xFF101010},
        {8 | ST_DARKEN, 0xFFFFFFFF, 0xFF000055},
        {18 | ST_DARKEN | ST_SWAP, 0xFF550000, 0xFFFFFFFF}, // darken, then swap
        {19 | ST_LIGHTEN, 0xFF1F1F1F, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        dword fg, bg;
        osd_colors(c.style, &fg, &bg);
        EXPECT_EQ(fg, c.fg) << std::hex << "style 0x" << c.style;
        EXPECT_EQ(bg, c.bg) << std::hex << "style 0x" << c.style;
    }
    // The colours reach the screen.
    osd_window* win = window();
    osd_open(win, 400, 200);
    osd_text(win, "light", 5 | ST_LIGHT);
    const tapsim::TextRun* run = run_with(win, "light");
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->fg, 0xFF808000u);
    EXPECT_EQ(run->bg, 0xFFFFFFFFu);
    EXPECT_EQ(pixel(win, 399, 5), 0xFFFFFFFFu) << "a plain line paints a bar to the right edge";
}

TEST_F(OsdTest, TextStylesPlaceTheTextAndMoveTheCursor) {
    osd_window* win = window();
    osd_open(win, 690, 552); // margins 15 and 12
    const int w = osd_text_width("Hello");
    ASSERT_GT(w, 10);

    osd_goto(win, 100, 50);
    osd_text(win, "Hello", 0);
    EXPECT_EQ(win->cursor_x, 100);
    EXPECT_EQ(win->cursor_y, 50 + LINE_LARGE);
    const tapsim::TextRun* run = run_with(win, "Hello");
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->x, 115);
    EXPECT_EQ(run->y, 62);

    osd_goto(win, 100, 100);
    osd_text(win, "Right", ST_RIGHT | ST_SAME_LINE);
    run = run_with(win, "Right");
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->x, 15 + 100 - osd_text_width("Right")) << "the text ends at the cursor";
    EXPECT_EQ(win->cursor_y, 100);
    EXPECT_EQ(win->cursor_x, 100);

    osd_goto(win, 100, 150);
    osd_text(win, "Adv", ST_ADVANCE | ST_SAME_LINE);
    EXPECT_EQ(win->cursor_x, 100 + osd_text_width("Adv"));
    EXPECT_EQ(pixel(win, 15 + 100 + osd_text_width("Adv") + 20, 12 + 150 + 5), COLOR_DEFAULT_BG);

    osd_preset_width = 77;
    osd_goto(win, 100, 200);
    osd_text(win, "Preset", ST_PRESET | ST_ADVANCE | ST_SAME_LINE);
    EXPECT_EQ(win->cursor_x, 177);

    osd_goto(win, 0, 250);
    osd_text(win, "XSkip", ST_SKIP_FIRST);
    EXPECT_TRUE(run_with(win, "Skip"));

    osd_goto(win, 0, 300);
    osd_text(win, "small", ST_SMALL);
    EXPECT_EQ(win->cursor_y, 300 + LINE_SMALL);

    settings.flags &= ~SET_LARGE_FONT;
    osd_goto(win, 0, 350);
    osd_text(win, "x", 0);
    EXPECT_EQ(win->cursor_y, 350 + LINE_SMALL);
}

TEST_F(OsdTest, SmallFontScalesBoxWidthsAndRows) {
    settings.flags &= ~SET_LARGE_FONT;
    osd_window* win = window();
    osd_frame(win, 570, 5, "Box", nullptr, 0);
    EXPECT_EQ(win->width, 480);
    EXPECT_EQ(win->height, 5 * LINE_SMALL);
    settings.flags |= SET_LARGE_FONT;
    osd_frame(win, 570, 5, "Box", nullptr, 0);
    EXPECT_EQ(win->width, 570);
    EXPECT_EQ(win->height, 5 * LINE_LARGE);
    osd_frame(win, 690, 5, "Full", nullptr, 0);
    EXPECT_EQ(win->height, 552) << "a full-width window is a full-screen window";
    osd_finish(win);
}

TEST_F(OsdTest, TitleBarShowsLogoAndProgramNameUnlessTheTitleIsAPath) {
    osd_window* win = window();
    osd_frame(win, 400, 6, "Settings", "v4.92a", 0);
    EXPECT_TRUE(run_with(win, " TovakRC Settings"));
    const tapsim::TextRun* title = run_with(win, " TovakRC Settings");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->x, _tovakGd.width + 1);
    EXPECT_EQ(title->y, 1);
    EXPECT_EQ(title->bg, 0xFF000080u) << "colour 0 becomes white on navy";
    EXPECT_TRUE(icon_at(win, _tovakGd, 1, 2)) << "logo, 2 pixels down in the large font";
    const tapsim::TextRun* right = run_with(win, "v4.92a");
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->x, 400 - osd_text_width("v4.92a") - 5);
    EXPECT_EQ(win->cursor_x, 0);
    EXPECT_EQ(win->cursor_y, LINE_LARGE);

    osd_frame(win, 400, 6, "/ProgramFiles/Settings", nullptr, 0);
    EXPECT_TRUE(run_with(win, " /ProgramFiles/Settings"));
    EXPECT_FALSE(screen_has("TovakRC"));
    EXPECT_FALSE(icon_at(win, _tovakGd, 1, 2));
    EXPECT_EQ(run_with(win, " /ProgramFiles/Settings")->x, 0);

    osd_frame(win, 400, 6, "Plain", nullptr, ST_NO_LOGO | 10);
    EXPECT_TRUE(run_with(win, " Plain"));
    EXPECT_EQ(run_with(win, " Plain")->bg, 0xFF004600u);

    settings.flags &= ~SET_LARGE_FONT;
    osd_frame(win, 690, 6, "Full", nullptr, 0);
    EXPECT_TRUE(icon_at(win, _tovakGd, 15 + 1, 12)) << "logo at the top in the small font";
    EXPECT_EQ(run_with(win, " TovakRC Full")->y, 12) << "full screen: title line at 0";
    osd_finish(win);
}

TEST_F(OsdTest, FinishFramesBoxesAndFullScreenTitleBars) {
    osd_window* box = window();
    osd_frame(box, 400, 6, "Box", nullptr, 0);
    osd_finish(box);
    EXPECT_EQ(active_window, box);
    const uint32_t yellow = COLOR_YELLOW;
    EXPECT_EQ(pixel(box, 0, 100), yellow);
    EXPECT_EQ(pixel(box, 1, 100), yellow) << "two pixels thick";
    EXPECT_NE(pixel(box, 2, 100), yellow);
    EXPECT_EQ(pixel(box, 399, 155), yellow);
    EXPECT_EQ(pixel(box, 200, LINE_LARGE), yellow) << "line under the title bar";

    osd_window* full = window();
    osd_frame(full, 690, 0, "Full", nullptr, 0);
    osd_finish(full);
    EXPECT_EQ(pixel(full, 15, 12), yellow);
    EXPECT_EQ(pixel(full, 15, 12 + LINE_LARGE - 1), yellow) << "round the title bar only";
    EXPECT_NE(pixel(full, 16, 12 + 1), yellow);
    EXPECT_NE(pixel(full, 15, 12 + LINE_LARGE + 5), yellow);
    EXPECT_EQ(active_window, full);
    osd_close(full);
    EXPECT_EQ(active_window, nullptr);
}

TEST_F(OsdTest, TimingDisplayOnlyWithTheDiagnosticSetting) {
    osd_window* win = window();
    for (bool diagnostic : {false, true}) {
        SCOPED_TRACE(diagnostic);
        settings.flags =
            (settings.flags & ~SET_DIAGNOSTIC) | (diagnostic ? uint32_t{SET_DIAGNOSTIC} : 0u);
        dword start = osd_frame(win, 400, 6, "Timed", nullptr, 0);
        EXPECT_EQ(start, TAP_GetTick());
        emu->idle(37);
        EXPECT_EQ(osd_frame(win, 400, 6, "Timed", nullptr, 0), start) << "one start per frame";
        osd_finish(win);
        EXPECT_EQ(screen_has(" 0.37"), diagnostic) << screen();
        EXPECT_EQ(title_tick, 0u);
    }
    // A measured step is shown behind the frame time.
    tick_measure(0);
    osd_frame(win, 400, 6, "Timed", nullptr, 0);
    emu->idle(250);
    tick_measure(1);
    osd_finish(win);
    EXPECT_TRUE(screen_has(" 2.50 2.50")) << screen();
}

TEST_F(OsdTest, TickMeasureKeepsTheLongestStep) {
    max_ticks = 0;
    tick_measure(0);
    emu->idle(40);
    EXPECT_EQ(tick_measure(1), 40u);
    EXPECT_EQ(step_ticks, 40u);
    tick_measure(0);
    emu->idle(15);
    EXPECT_EQ(tick_measure(1), 15u);
    EXPECT_EQ(max_ticks, 40u);
    step_ticks = 0;
}

TEST_F(OsdTest, SaveRestoreAndReleaseCountThePlatformBlock) {
    osd_window* win = window();
    osd_frame(win, 400, 6, "Saved", nullptr, 0);
    osd_finish(win);
    const uint32_t framed = pixel(win, 0, 0);
    const int64_t before = mem_outstanding();
    osd_save(win);
    ASSERT_NE(win->saved, nullptr);
    EXPECT_EQ(mem_outstanding(), before + 1);
    osd_save(win); // a second save replaces the first block
    EXPECT_EQ(mem_outstanding(), before + 1);
    osd_open(win, 400, 6 * LINE_LARGE); // cleared
    EXPECT_NE(pixel(win, 0, 0), framed);
    osd_restore(win);
    EXPECT_EQ(pixel(win, 0, 0), framed);
    EXPECT_TRUE(screen_has("TovakRC Saved"));
    EXPECT_NE(win->saved, nullptr) << "restore keeps the block";
    osd_open(win, 400, 6 * LINE_LARGE);
    osd_release(win);
    EXPECT_EQ(pixel(win, 0, 0), framed);
    EXPECT_EQ(win->saved, nullptr);
    EXPECT_EQ(mem_outstanding(), before);
    osd_release(win); // nothing saved: nothing happens
    EXPECT_EQ(mem_outstanding(), before);
}

TEST_F(OsdTest, LinesDrawSinglePixels) {
    osd_window* win = window();
    osd_open(win, 690, 552);
    osd_hline(win, 10, 20, 5, 0xFF00FF00);
    osd_vline(win, 30, 40, 3, 0xFFFF0000);
    osd_hline(win, 50, 60, 0, 0xFF00FF00);
    osd_vline(win, 50, 60, -4, 0xFF00FF00);
    EXPECT_EQ(pixel(win, 15 + 10, 12 + 20), 0xFF00FF00u);
    EXPECT_EQ(pixel(win, 15 + 14, 12 + 20), 0xFF00FF00u);
    EXPECT_EQ(pixel(win, 15 + 15, 12 + 20), COLOR_DEFAULT_BG);
    EXPECT_EQ(pixel(win, 15 + 30, 12 + 42), 0xFFFF0000u);
    EXPECT_EQ(pixel(win, 15 + 30, 12 + 43), COLOR_DEFAULT_BG);
    EXPECT_EQ(pixel(win, 15 + 50, 12 + 60), COLOR_DEFAULT_BG);
}

TEST_F(OsdTest, IconLabelsStandInARow) {
    struct Case {
        int start_x;
        const TYPE_GrData* icon;
        const char* label;
        uint32_t style;
        int icon_x;        // where the icon is drawn (content coordinates)
        const char* drawn; // the label text run, or null
        dword fg;
    } cases[] = {
        {0, &_Button_ok_Gd, "Accept", 0, 0, "Accept", 0xFF9F9F9F},
        {50, &_Button_ok_Gd, "Accept", 0, 58, "Accept", 0xFF9F9F9F},
        {50, &_Button_red_Gd, "Mark", 5, 58, "Mark", 0xFFFFFF00},
        {20, &_Button_2_Gd, "abc2\xE4\xE1", 0, 28, "abc2\xC3\xA4\xC3\xA1 ", 0xFF9F9F9F},
        {20, &_Button_left_Gd, nullptr, 0, 28, nullptr, 0},
        {20, &_Button_left_Gd, "", 0, 28, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label ? c.label : "(none)");
        osd_window* win = window();
        osd_open(win, 400, 100);
        osd_goto(win, c.start_x, 30);
        osd_icon_label(win, c.icon, c.label, c.style);
        EXPECT_TRUE(icon_at(win, *c.icon, c.icon_x, 30 + 3));
        EXPECT_EQ(win->cursor_y, 30) << "same line";
        if (c.drawn) {
            const tapsim::TextRun* run = run_with(win, c.drawn);
            ASSERT_NE(run, nullptr);
            EXPECT_EQ(run->x, c.icon_x + c.icon->width + 2);
            EXPECT_EQ(run->fg, c.fg);
            EXPECT_GT(win->cursor_x, c.icon_x + c.icon->width + 2);
        } else {
            EXPECT_TRUE(runs(win).empty());
            EXPECT_EQ(win->cursor_x, c.icon_x + c.icon->width - 6);
        }
        osd_close(win);
    }
}

TEST_F(OsdTest, DigitLabelsShowTheMultiTapColumn) {
    struct Case {
        int digit, mode;
        const char* label; // UTF-8, as the screen shows it
    } cases[] = {
        {2, 0, "abc2\xC3\xA4\xC3\xA1 "},
        {2, 1, "ABC2\xC3\x84 "},
        {2, 3, "ABC2\xC3\x84 "},
        {2, 2, "2%#\xC2\xB0\xC2\xA7@"},
        {7, 0, "pqrs7\xC3\x9F "},
        {5, 2, "5[\\]"},
        {0, 0, ".,?!0:;\"'"},
        {1, 7, " -_+1(/)*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.digit << " mode " << c.mode);
        osd_window* win = window();
        osd_open(win, 400, 100);
        osd_goto(win, 0, 0);
        osd_digit_label(win, c.digit, c.mode);
        EXPECT_TRUE(run_with(win, c.label)) << screen();
        osd_close(win);
    }
}
