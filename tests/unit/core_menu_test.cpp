// The settings menu's lines: label, value and hints of every line in both languages for one
// record (the scenario tests drive the keys).
#include <cstring>

#include "core/menu.h"
#include "emu_fixture.h"

namespace {

using emu_test::CoreTest;

struct Line {
    const char *label_en, *value_en, *hint_en, *hint2_en;
    const char *label_de, *value_de, *hint_de, *hint2_de;
};

// The record below as each line shows it; null: no hint.
const Line lines[MENU_LINES] = {
    {"> Language = ", "English", nullptr, nullptr, "> Sprache = ", "Deutsch", nullptr, nullptr},
    {"> Font Size = ", "Normal", nullptr, nullptr, "> Schrift = ", "Normal", nullptr, nullptr},
    {"> Style = ", "(reserved)", nullptr, nullptr, "> Stil = ", "(reserviert)", nullptr, nullptr},
    {"> Startup = ", "Paused", "Mute / Pause at startup", "(if 1st TAP in AutoStart)",
     "> Startup = ", "Pausiert", "Ton / Pause beim Start", "(als 1. TAP in AutoStart)"},
    {"> Start Channel = ", "-3", "0 = Last, <0 = Radio", "(if 1st TAP in AutoStart)",
     "> Startsender = ", "-3", "0 = Letzter, <0 = Radio", "(als 1. TAP in AutoStart)"},
    {"> Sorting = ", "By size", nullptr, nullptr, "> Sortieren = ",
     "n. Gr\xF6\xDF"
     "e",
     nullptr, nullptr},
    {"> MP3 Mode = ", "Repeat 1", nullptr, nullptr, "> MP3-Mode = ", "Wh. 1 ", nullptr, nullptr},
    {"> TAP Key = ", "Aux, M", "Aux may be TvSat", nullptr, "> TAP-Taste = ", "Aux, M",
     "Aux ist evtl. TvSat", nullptr},
    {"> Files Key = ", "Filelist", "Direct key", nullptr, "> Files-Taste = ", "Filelist",
     "Direkttaste", nullptr},
    {"> Text Key = ", "Teletext", "Direct key", nullptr, "> Text-Taste = ", "Teletext",
     "Direkttaste", nullptr},
    {"> Infos Key = ", "Info", "Direct key", nullptr, "> Infos-Taste = ", "Info", "Direkttaste",
     nullptr},
    {"> TF = ", "2401 Eco [M.6]", "Topfield Receiver", nullptr, "> TF = ", "2401 Eco [M.6]",
     "Topfield-Receiver", nullptr},
    {"> RC = ", "5000, CRP [M.4]", "Remote Control", nullptr, "> RC = ", "5000, CRP [M.4]",
     "Fernbedienung", nullptr},
    {"> Orig. RC = ", "Enable", nullptr, nullptr, "> Orig. RC = ", "Zulassen", nullptr, nullptr},
    {"> IR Filter = ", "On", "See description!", nullptr, "> IR Filter = ", "Ein",
     "Siehe Beschreibung!", nullptr},
    {"> Ch / Vol = ", "Off", "Remap cursor keys", nullptr, "> Ch / Vol = ", "Aus",
     "Cursortasten wandeln", nullptr},
    {"> Select ID = ", "7", "See description!", nullptr, "> Select ID = ", "7",
     "Siehe Beschreibung!", nullptr},
    {"> Start Mode = ", "Deaf", "See description!", nullptr, "> Start-Mode = ", "Inaktiv",
     "Siehe Beschreibung!", nullptr},
    {"Save & Exit Menu", "", "Save settings", nullptr, "Save & Exit Men\xFC ", "",
     "Einstellungen sichern", nullptr},
    {"> Max. Files = ", "5000", "Files per directory", "(after TAP restart)",
     "> Max. Files = ", "5000", "Dateien pro Verzeichnis", "(nach TAP-Neustart)"},
    {"> Max. Text = ", "100000", "Lines per document", "(after TAP restart)",
     "> Max. Text = ", "100000", "Zeilen pro Dokument", "(nach TAP-Neustart)"},
    {"> TAP+Stop = ", "PVR Off", "Action for TAP+Stop", nullptr, "> TAP+Stop = ", "PVR Aus",
     "Aktion f\xFCr TAP+Stop", nullptr},
    {"> Logging = ", "On", nullptr, nullptr, "> Logging = ", "Ein", nullptr, nullptr},
    {"> Location = ", "Man. + Region", "Via IP or manually", nullptr,
     "> Standort = ", "Man. + Region", "Via IP oder manuell", nullptr},
    {"> Latitude = ", "-12.34\xB0", nullptr, nullptr, "> Breite = ", "-12.34\xB0", nullptr,
     nullptr},
    {"> Longitude = ", "+179.99\xB0", nullptr, nullptr, "> L\xE4nge = ", "+179.99\xB0", nullptr,
     nullptr},
    {"City: ", "/ Tirol / Austria", "No change by user", nullptr, "Ort: ", "/ Tirol / Austria",
     "Nicht manuell \xE4nderbar", nullptr},
    {"Reset IP Location", "", "Via ext. IP address", "(multiple servers)", "IP-Standort neu setzen",
     "", "Via ext. IP-Adresse", "(mehrere Server)"},
    {"Check TAP Update", "", "DL to /ProgramFiles", nullptr, "TAP-Update suchen", "",
     "DL nach /ProgramFiles", nullptr},
    {"Show Description", "", nullptr, nullptr, "Beschreibung zeigen", "", nullptr, nullptr},
    {"Show System Infos", "", nullptr, nullptr, "Systeminfos zeigen", "", nullptr, nullptr},
    {"Show Harddisk Infos", "", nullptr, nullptr, "Harddiskinfos zeigen", "", nullptr, nullptr},
    {"Show Key Codes", "", nullptr, nullptr, "Tastencodes zeigen", "", nullptr, nullptr},
    {"Terminate TAP", "", nullptr, nullptr, "TAP stoppen", "", nullptr, nullptr},
};

std::string text(const char* s) {
    return s ? s : "(none)";
}

TEST_F(CoreTest, MenuLinesInBothLanguages) {
    settings.flags = SET_FILES_FILELIST | SET_TEXT_TELETEXT | SET_INFOS_INFO | SET_IR_FILTER |
                     SET_TAP_KEY_AUX | SET_LOGGING;
    settings.receiver_id = 7;
    settings.tf_model = 3;
    settings.rc_model = 0;
    settings.sort_mp3 = 3 | 4 << 4;
    settings.startup = 2 | 8 | 3u << 4 | 5u << 16 | 20u << 24;
    settings.start_channel = -3;
    settings.latitude = -1234;
    settings.longitude = 17999;
    const position_record kept = position;
    position = position_record{};
    std::strcpy(position.region, "Tirol");
    std::strcpy(position.country, "Austria");
    for (bool english : {true, false}) {
        settings.flags = english ? settings.flags | SET_ENGLISH : settings.flags & ~SET_ENGLISH;
        for (int n = 1; n <= MENU_LINES; ++n) {
            SCOPED_TRACE(std::to_string(n) + (english ? " en" : " de"));
            const Line& l = lines[n - 1];
            char label[64], value[64];
            menu_line_text(n, label, sizeof label, value, sizeof value);
            EXPECT_STREQ(label, english ? l.label_en : l.label_de);
            EXPECT_STREQ(value, english ? l.value_en : l.value_de);
            EXPECT_EQ(text(menu_hint(n)), text(english ? l.hint_en : l.hint_de));
            EXPECT_EQ(text(menu_second_hint(n)), text(english ? l.hint2_en : l.hint2_de));
        }
    }
    position = kept;
}

// A city, and values a foreign record may hold: nothing shown beyond the names.
TEST_F(CoreTest, MenuCityAndUnknownValues) {
    const position_record kept = position;
    position = position_record{};
    std::memset(position.city, 'C', sizeof position.city); // fills its field unterminated
    std::strcpy(position.region, "Bavaria");
    std::strcpy(position.country, "Germany");
    settings.sort_mp3 = 0xF9; // sorting 9, MP3 mode 15
    char label[64], value[64];
    menu_line_text(27, label, sizeof label, value, sizeof value);
    EXPECT_EQ(std::string(value), std::string(24, 'C') + " / Bavaria / Germany");
    menu_line_text(6, label, sizeof label, value, sizeof value);
    EXPECT_STREQ(value, "");
    menu_line_text(7, label, sizeof label, value, sizeof value);
    EXPECT_STREQ(value, "");
    menu_line_text(35, label, sizeof label, value, sizeof value);
    EXPECT_STREQ(label, "");
    position = kept;
}

} // namespace

namespace {

// The table that dispatches the menu's keys names each of them on its help lines.
TEST(MenuKeys, EveryKeyOfTheMenuHasItsHelpLine) {
    char text[2048];
    for (bool english : {true, false}) {
        key_help_text(menu_keys, 1, english, text, sizeof text);
        for (size_t i = 0; i < menu_keys.count; ++i) {
            const key_row& r = menu_keys.rows[i];
            if (!r.handler) continue;
            const char* line = english ? r.help_en : r.help_de;
            ASSERT_NE(line, nullptr) << std::hex << r.key;
            EXPECT_NE(std::string(text).find(line), std::string::npos) << line;
        }
    }
}

} // namespace
