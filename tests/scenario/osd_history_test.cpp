// The line editor's history file as the resident TAP meets it at start-up: whatever
// "TovakRC.his" holds, the TAP starts, keeps running and leaves the file as it found it (the file
// is written only when the user accepts a text or saves the history in the editor).
#include <fstream>
#include <sstream>

#include "scenario.h"

namespace fs = std::filesystem;
using scenario::Scenario;

namespace {

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST_F(Scenario, HistoryFileOfAnyContentIsReadAtStartAndLeftAsItWas) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"written by the editor",
         "first.rec\nsecond.rec\n\n\n\nhttp://www.example.de/\n\n\n\n\n\n"},
        {"lines too long", std::string(5000, 'x') + "\n" + std::string(300, '\xE4') + "\n\n"},
        {"more than 20 lines in a group and more than 8 groups",
         [] {
             std::string s;
             for (int g = 0; g < 12; ++g) {
                 for (int i = 0; i < 30; ++i)
                     s += "group " + std::to_string(g) + " line " + std::to_string(i) + "\n";
                 s += "\n";
             }
             return s;
         }()},
        {"binary", std::string("\0\xFF\r\n\n\x01\x02\xC3\n\xC2", 10)},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path his = disk_path("/ProgramFiles/Settings/TovakRC/TovakRC.his");
        fs::create_directories(his.parent_path());
        std::ofstream(his, std::ios::binary) << c.bytes;
        ASSERT_EQ(load(), 0);
        EXPECT_TRUE(emu->running(0));
        run("P+\nwait 2s\nstop");
        EXPECT_EQ(read_file(his), c.bytes) << "start and stop do not write the history";
        emu.reset(); // the next case starts the receiver afresh on the same disk
    }
}
