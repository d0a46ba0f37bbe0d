// The search of the recursive file list for a programme's recordings.
#include <string>
#include <vector>

#include "common/recording_search.h"
#include "emu_fixture.h"

namespace {

using emu_test::EmuTest;

class RecordingSearch : public EmuTest {
  protected:
    struct Found {
        std::vector<std::string> lines; // folder and file line of each match
        size_t stop_after = 0;          // 0: never stop
    };
    static bool collect(void* context, const char* folder, const char* line) {
        Found* f = static_cast<Found*>(context);
        f->lines.push_back(folder);
        f->lines.push_back(line);
        return f->lines.size() / 2 != f->stop_after;
    }
};

constexpr char list[] = "\n/DataFiles:\n"
                        "  1.2 M  Th 10.12.2026 20:15  Die Br\xFC"
                        "cke am Fluss.rec\n"
                        "     12  Th 10.12.2026 20:15  Tagesschau.rec\n"
                        "\n/DataFiles/Series:\n"
                        "  3.4 M  Fr 11.12.2026 21:00  Folge 12: Der Anfang.rec\r\n"
                        "  3.4 M  Fr 11.12.2026 22:00  Folge 12: Der Anfang (2).rec\n"
                        "\nT O T A L: 6.8 M Bytes, 4 Files, 2 Directories, 3 Levels\n";

} // namespace

TEST_F(RecordingSearch, ListedFilesHoldingTheNameOrTheShortText) {
    emu_test::write_file(settings_file("TovakRC.LST"), list);
    const std::string bridge = "  1.2 M  Th 10.12.2026 20:15  Die Br\xFC"
                               "cke am Fluss.rec";
    const std::string first = "  3.4 M  Fr 11.12.2026 21:00  Folge 12: Der Anfang.rec";
    const std::string second = "  3.4 M  Fr 11.12.2026 22:00  Folge 12: Der Anfang (2).rec";
    struct Case {
        const char* name;
        const char* short_text;
        size_t stop_after;
        std::vector<std::string> lines;
    } cases[] = {
        {"Die Br\xC3\xBC"
         "cke am Fluss",
         "",
         0,
         {"/DataFiles:", bridge}}, // UTF-8 is looked for as Latin-1
        {"Nachrichten",
         "Folge 12: Der Anfang",
         0,
         {"/DataFiles/Series:", first, "/DataFiles/Series:", second}},
        {"Folge 12: Der Anfang", "", 1, {"/DataFiles/Series:", first}}, // the caller ends it
        {"Tagesschau", "Der Anfang", 0, {}}, // ten characters are too short to look for
        {"", "", 0, {}},
        {nullptr, nullptr, 0, {}},
    };
    for (const Case& c : cases) {
        Found found;
        found.stop_after = c.stop_after;
        const int n = recording_search(c.name, c.short_text, collect, &found);
        EXPECT_EQ(found.lines, c.lines) << (c.name ? c.name : "(null)");
        EXPECT_EQ(n, static_cast<int>(c.lines.size() / 2)) << (c.name ? c.name : "(null)");
    }
}

TEST_F(RecordingSearch, WithoutAListNothingIsFound) {
    Found found;
    EXPECT_EQ(recording_search("Die lange Nacht", "Folge 12: Der Anfang", collect, &found), 0);
    EXPECT_TRUE(found.lines.empty());
}
