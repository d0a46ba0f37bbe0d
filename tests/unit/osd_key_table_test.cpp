// Key tables: which row takes a key (TAP rows, plain rows, the shared keys, the rest), the help
// pages made of their lines, and the key panel drawn from them; the browser's two pages and the
// image viewer's page as the windows show them.
#include <string>
#include <vector>

#include "browser/browser.h"
#include "common/key_codes.h"
#include "emu_fixture.h"
#include "image/viewer.h"
#include "osd/icons.h"
#include "osd/key_table.h"

using emu_test::OsdTest;

namespace {

std::vector<std::string> taken; // the handlers that ran, in order

// A key with one of its bits: after the TAP key, repeated, released.
constexpr dword with(dword key, dword bit) {
    return key | bit;
}

int take_ok(dword) {
    taken.push_back("ok");
    return KEY_REDRAW;
}
int take_tap_ok(dword) {
    taken.push_back("tap ok");
    return KEY_DONE;
}
int take_info(dword key) {
    taken.push_back(key & KEY_TAP_MARK ? "info after tap" : "info");
    return KEY_CLOSED;
}
int take_other(dword) {
    taken.push_back("other");
    return KEY_DONE;
}

constexpr key_row test_rows[] = {
    on(KEY_OK, take_ok).help("Ok: Select", "Ok: Ausw\xE4hlen").in_panel(1, 1, "Select"),
    on_tap(KEY_OK, take_tap_ok).help("Ok: Select all", "Ok: Alle ausw\xE4hlen"),
    heading("\rMore:", "\rMehr:"),
    on(KEY_INFO, take_info).help("Info: Details", "Info: Details").in_panel(1, 0, "Details"),
    page_break(),
    named(KEY_MUTE, "Mute: Help", "Mute: Hilfe"),
    on_tap(KEY_STOP, take_info).help("\rStop: End", "\rStop: Ende"),
};
const key_table redrawing = key_table_of(test_rows, &shared_keys, take_other, true);
const key_table keeping = key_table_of(test_rows, &shared_keys, nullptr, false);

std::string page_text(const key_table& t, int page, bool english) {
    char out[2048];
    const size_t n = key_help_text(t, page, english, out, sizeof out);
    EXPECT_EQ(n, std::string(out).size());
    return out;
}

} // namespace

TEST(KeyTable, TheRowOfTheKeyAndItsModifierTakesIt) {
    struct Case {
        const char* what;
        const key_table* table;
        dword key;
        int outcome;
        const char* handler; // "" when none ran
    } cases[] = {
        {"plain row", &redrawing, KEY_OK, KEY_REDRAW, "ok"},
        {"TAP row before the plain one", &redrawing, with(KEY_OK, KEY_TAP_MARK), KEY_DONE,
         "tap ok"},
        {"no TAP row: the plain row", &redrawing, with(KEY_INFO, KEY_TAP_MARK), KEY_CLOSED,
         "info after tap"},
        {"a TAP row only: plain key is another key", &redrawing, KEY_STOP, KEY_DONE, "other"},
        {"a row without handler", &redrawing, KEY_MUTE, KEY_DONE, "other"},
        {"no row, no other handler", &keeping, KEY_MUTE, KEY_UNKNOWN, ""},
        {"repeats are no keys", &redrawing, with(KEY_OK, KEY_REPEAT), KEY_UNKNOWN, ""},
        {"releases are no keys", &redrawing, with(KEY_OK, KEY_RELEASE), KEY_UNKNOWN, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        taken.clear();
        EXPECT_EQ(key_dispatch(*c.table, c.key), c.outcome);
        EXPECT_EQ(taken,
                  c.handler[0] ? std::vector<std::string>{c.handler} : std::vector<std::string>{});
    }
}

TEST(KeyTable, SharedKeysToggleAndTheWindowChoosesTheRedraw) {
    const settings_record saved = settings;
    settings.flags = SET_ENGLISH;
    EXPECT_EQ(key_dispatch(redrawing, KEY_AUDIO), KEY_REDRAW);
    EXPECT_FALSE(settings.flags & SET_ENGLISH);
    EXPECT_EQ(key_dispatch(keeping, with(KEY_AUDIO, KEY_TAP_MARK)), KEY_DONE);
    EXPECT_TRUE(settings.flags & SET_ENGLISH) << "after the TAP key as well";
    EXPECT_EQ(key_dispatch(keeping, KEY_TVRADIO), KEY_DONE);
    EXPECT_TRUE(settings.flags & SET_LARGE_FONT);
    EXPECT_EQ(key_dispatch(redrawing, KEY_TVRADIO), KEY_REDRAW);
    EXPECT_FALSE(settings.flags & SET_LARGE_FONT);
    settings = saved;
}

TEST(KeyTable, HelpPagesAreTheLinesInOrder) {
    EXPECT_EQ(page_text(redrawing, 1, true),
              "Ok: Select\nTAP key + Ok: Select all\n\rMore:\nInfo: Details");
    EXPECT_EQ(page_text(redrawing, 1, false),
              "Ok: Ausw\xE4hlen\nTAP-Taste + Ok: Alle ausw\xE4hlen\n\rMehr:\nInfo: Details");
    EXPECT_EQ(page_text(redrawing, 2, true), "Mute: Help\n\rTAP key + Stop: End")
        << "the separator stands before the prefix";
    EXPECT_EQ(page_text(redrawing, 3, true), "");
    char small[12];
    EXPECT_EQ(key_help_text(redrawing, 1, true, small, sizeof small), 11u);
    EXPECT_STREQ(small, "Ok: Select\n") << "cut to fit";
}

TEST(KeyTable, RowsOfAKeyAndTheirLabels) {
    const key_row* ok = key_row_of(redrawing, KEY_OK);
    ASSERT_NE(ok, nullptr);
    EXPECT_STREQ(key_panel_label(*ok), "Select");
    EXPECT_EQ(key_row_of(redrawing, KEY_OK, KEY_AFTER_TAP)->handler, take_tap_ok);
    EXPECT_EQ(key_row_of(redrawing, KEY_AUDIO), nullptr) << "the shared rows are not the table's";
}

// The help lines of the browser's two pages, as the user reads them.
TEST(KeyTable, BrowserHelpPagesByteForByte) {
    const std::string page1_en = "v ^  << >>  |< >|  V+ V-: Navigate in list\n"
                                 "<: Enter parent directory\n"
                                 ">: Enter selected/next directory\n"
                                 "Ok: View / start file / enter directory\n"
                                 "Play: Resume replay / MP3 playlist\n"
                                 "Stop: Stop selected file\n"
                                 "Slow: EPG infos about file or live TV via rectool\n"
                                 "TAP key + Slow: Additionally reconstruct .inf file\n"
                                 "AR: Execute .sh / View codecs or hex dump\n"
                                 "\rChange to / from a directory:\n"
                                 "Recall: Replay directory\n"
                                 "4: MediaFiles\n"
                                 "5: MP3Files\n"
                                 "6: TovakRC\n"
                                 "7: DataFiles\n"
                                 "8: PlayList\n"
                                 "9: ProgramFiles\n"
                                 "0: / (Root)\n"
                                 "Fav: HOME directory\n"
                                 "\rTAP key + F1: Set current directory as new HOME\n"
                                 "F1: (F1 2x < 0.5\") Clear/mark all multiple selected";
    const std::string page1_de = "v ^  << >>  |< >|  V+ V-: Navigieren in der Liste\n"
                                 "<: Verzeichnisebene zur\xFC"
                                 "ck\n"
                                 ">: Verzeichnis \xF6"
                                 "ffnen\n"
                                 "Ok: Datei anzeigen / starten / Verzeichnis \xF6"
                                 "ffnen\n"
                                 "Play: Wiedergabefortsetzung / MP3-Playliste\n"
                                 "Stop: Selektierte Datei beenden\n"
                                 "Slow: EPG-Infos \xFC"
                                 "ber Datei oder Live-TV via rectool\n"
                                 "TAP-Taste + Slow: Zus\xE4tzlich Rekonstruktion der .inf\n"
                                 "AR: .sh ausf\xFChren / Codecs oder Hexdump zeigen\n"
                                 "\rWechseln in / von ein[em] Verzeichnis:\n"
                                 "Recall: Wiedergabe-Verzeichnis\n"
                                 "4: MediaFiles\n"
                                 "5: MP3Files\n"
                                 "6: TovakRC\n"
                                 "7: DataFiles\n"
                                 "8: PlayList\n"
                                 "9: ProgramFiles\n"
                                 "0: / (Root)\n"
                                 "Fav: HOME-Verzeichnis\n"
                                 "\rTAP-Taste + F1: Aktuelles Verzeichnis wird neues HOME\n"
                                 "F1: (F1 2x < 0.5\") Mehrfachmarkierungen aufheben / setzen";
    const std::string page2_en = "F1: Toggle file's / dir.'s multiple selection mark\n"
                                 "F2: Create a new directory (nnnn)\n"
                                 "F3: Move marked selection to this directory\n"
                                 "F4: Delete file or directory\n"
                                 "Record: Copy marked selection to this directory\n"
                                 "TAP key + Record: Show copy status / cancel / clear\n"
                                 ">|<: (White) Rename file or directory\n"
                                 "Sat: [2x] Search file or directory\n"
                                 "\rInfo: Show details about file or directory\n"
                                 "TAP key + Info: Recursive directory listing\n"
                                 "Aux: (TvSat, M) Toggle mode (subdir. details, shuffle etc.)\n"
                                 "Subtitle: Sort by name / date / size / incl. ALL files\n"
                                 "Teletext: Call text viewer (last document)\n"
                                 "Guide: Show EPG list (nav. /w cursor keys)\n"
                                 "Menu: Open menu (settings etc.)\n"
                                 "VFormat: Change into Infos & Tools\n"
                                 "Filelist: Call original filer\n"
                                 "\rGeneral keys (in most windows):\n"
                                 "Mute: Show help text (other keys as well)\n"
                                 "TvRadio: Toggle font size\n"
                                 "Audio: Toggle language\n"
                                 "Sleep: Screen capture of window\n"
                                 "Exit: Leave window";
    const std::string page2_de =
        "F1: Datei / Verzeichnis f\xFC"
        "r Mehrfachauswahl markieren\n"
        "F2: Neues Verzeichnis erstellen (nnnn)\n"
        "F3: Markierte Auswahl in Verzeichnis verschieben\n"
        "F4: Datei oder Verzeichnis l\xF6schen\n"
        "Record: Markierte Auswahl in Verzeichnis kopieren\n"
        "TAP-Taste + Record: Kopierstatus / Kopieren abbrechen\n"
        ">|<: (Wei\xDF) Datei oder Verzeichnis umbenennen\n"
        "Sat: [2x] Datei oder Verzeichnis suchen\n"
        "\rInfo: Details \xFC"
        "ber Datei oder Verzeichnis\n"
        "TAP-Taste + Info: Rekursives Verzeichnislisting\n"
        "Aux: (TvSat, M) Mode umschalten (Verz.details, Zufallsfolge etc.)\n"
        "Subtitle: Sortieren nach Name / Datum / Gr\xF6\xDF"
        "e / inkl. ALLE Dateien\n"
        "Teletext: Aufruf des Textviewers (letztes Dokument)\n"
        "Guide: Aktuelle EPG-Liste (Nav. mit Cursort.)\n"
        "Menu: Men\xFC aufrufen (Settings etc.)\n"
        "VFormat: Nach Infos & Tools wechseln\n"
        "Filelist: Aufruf des Original-Filers\n"
        "\rAllgemeine Tasten (in den meisten Fenstern):\n"
        "Mute: Anzeige des Hilfetexts (auch andere Tasten)\n"
        "TvRadio: Schriftgr\xF6\xDF"
        "e wechseln\n"
        "Audio: Sprache wechseln\n"
        "Sleep: Screen Capture des Fensters\n"
        "Exit: Fenster verlassen";
    EXPECT_EQ(page_text(browser_keys, 1, true), page1_en);
    EXPECT_EQ(page_text(browser_keys, 1, false), page1_de);
    EXPECT_EQ(page_text(browser_keys, 2, true), page2_en);
    EXPECT_EQ(page_text(browser_keys, 2, false), page2_de);
    EXPECT_EQ(page_text(browser_keys, 3, true), "") << "two pages";
    EXPECT_EQ(browser_help_page1.keys, &browser_keys);
    EXPECT_EQ(browser_help_page2.page, 2);
}

TEST(KeyTable, ImageViewerHelpPageHasItsMovingLines) {
    const std::string page = page_text(viewer_keys, 1, true);
    for (const char* line : {"< > : Move to previous / next image\n", "<< >> : Move by 10 images\n",
                             "|< >| : Move to first / last image\n",
                             "Subtitle: Toggle date / image size\n", "Exit: Leave image viewer"})
        EXPECT_NE(page.find(line), std::string::npos) << line << " in\n" << page;
}

// Every key a browser help line names is one the browser takes (by its own row, the shared
// rows or, for Sleep, the dispatcher), and the panel shows each of its places once.
TEST(KeyTable, BrowserRowsAndPanelPlacesAreConsistent) {
    std::vector<int> places;
    for (size_t i = 0; i < browser_keys.count; ++i) {
        const key_row& r = browser_keys.rows[i];
        if (r.panel) places.push_back(r.panel);
        if (r.key == KEY_NONE || r.key == KEY_PAGE_BREAK || r.handler || r.key == KEY_SLEEP)
            continue;
        SCOPED_TRACE(r.help_en ? r.help_en : "(no line)");
        bool handled = false;
        for (const key_table* t = &browser_keys; t; t = t->then)
            for (size_t j = 0; j < t->count; ++j)
                handled = handled || (t->rows[j].key == r.key && t->rows[j].handler);
        EXPECT_TRUE(handled);
    }
    for (size_t i = 0; i < places.size(); ++i)
        for (size_t j = i + 1; j < places.size(); ++j)
            EXPECT_NE(places[i], places[j]) << "line " << places[i] / 16;
    EXPECT_EQ(places.size(), 44u) << "11 + 6 + 6 + 8 + 7 + 6 keys in six lines";
}

TEST_F(OsdTest, PanelLineShowsItsKeysInTheirOrder) {
    osd_window* w = window();
    osd_frame(w, FULL_W, 0, "Panel", nullptr, 0);
    osd_goto(w, 0, 100);
    key_panel_line(w, browser_keys, 6);
    const char* labels[] = {"More Help", "Details",    "Font",
                            "Language",  "Screenshot", "Leave Window"};
    int x = -1;
    for (const char* label : labels) {
        const tapsim::TextRun* run = run_with(w, label);
        ASSERT_NE(run, nullptr) << label;
        EXPECT_GT(run->x, x) << label << " stands right of the label before it";
        x = run->x;
    }
    EXPECT_TRUE(icon_at(w, _Button_mute_Gd, FULL_MARGIN_X, FULL_MARGIN_Y + 100 + 3));
    // Another label where the window wants it.
    osd_goto(w, 0, 200);
    key_panel_line(w, browser_keys, 4, [](dword key) -> const char* {
        return key == KEY_PLAY ? "Play all MP3 files" : nullptr;
    });
    EXPECT_NE(run_with(w, "Play all MP3 files"), nullptr);
    EXPECT_EQ(run_with(w, "Resume"), nullptr);
    EXPECT_NE(run_with(w, "Start"), nullptr);
}
