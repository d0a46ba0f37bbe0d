// The file browser through the dispatcher: keys in; the screen, the files on the emulated disk
// and the trace out.
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "browser_scenario.h"

namespace fs = std::filesystem;

namespace {

class Browser : public scenario::BrowserScenario {
  protected:
    std::vector<std::string> names_in(const std::string& path) {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(disk_path(path)))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
};

} // namespace

TEST_F(Browser, OpensWithTapKeyAndFilelistAndLeavesWithExit) {
    fs::create_directories(disk_path("/DataFiles"));
    start_browser();
    run("Sat Filelist");
    EXPECT_TRUE(screen_has("File Browser v4.92a")) << screen();
    EXPECT_TRUE(screen_has("DataFiles/")) << screen();
    EXPECT_TRUE(screen_has("Navigate in List")) << "the key panel fills the room below the list";
    run("Exit");
    EXPECT_EQ(screen(), "");
    run("P+");
    EXPECT_EQ(last_result(), 0x10045u) << "with the window closed keys reach the receiver";
}

TEST_F(Browser, OkOpensItWithTheDefaultSettings) {
    fs::create_directories(disk_path("/DataFiles"));
    ASSERT_EQ(load(), 0); // no settings file: first-run defaults
    run("Ok");
    EXPECT_TRUE(screen_has("File Browser v4.92a")) << screen();
    run("Exit");
    EXPECT_EQ(screen(), "");
}

TEST_F(Browser, FilelistInTheWindowGoesToTheReceiversFiler) {
    start_browser();
    run("Sat Filelist");
    size_t from = emu->results().size();
    run("Filelist");
    EXPECT_EQ(emu->results()[from], 0x10042u);
    EXPECT_EQ(screen(), "");
}

TEST_F(Browser, NavigatesIntoAndOutOfDirectories) {
    file("/DataFiles/Film.rec");
    file("/DataFiles/Film.rec.inf", "header");
    file("/DataFiles/sub/inner.txt");
    start_browser();
    run("Sat Filelist 7");
    EXPECT_TRUE(screen_has("/DataFiles")) << screen();
    EXPECT_TRUE(screen_has("sub/")) << screen();
    EXPECT_TRUE(screen_has("Film.rec")) << screen();
    EXPECT_FALSE(screen_has("Film.rec.inf")) << "a companion is not listed beside its recording";
    run("Ok"); // the directory comes first
    EXPECT_TRUE(screen_has("/DataFiles/sub")) << screen();
    EXPECT_TRUE(screen_has("inner.txt")) << screen();
    run("<");
    EXPECT_FALSE(screen_has("inner.txt")) << screen();
    EXPECT_TRUE(screen_has("Film.rec")) << screen();
    run("0");
    EXPECT_TRUE(screen_has("File Browser v4.92a")) << screen();
}

TEST_F(Browser, QuickDirectoryThatIsMissingIsReported) {
    start_browser();
    run("Sat Filelist");
    std::string shown = shown_during("4");
    EXPECT_NE(shown.find("Directory currently unavailable."), std::string::npos) << shown;
}

TEST_F(Browser, RowsPerPageFollowTheFont) {
    for (int i = 0; i < 25; ++i)
        file("/MediaFiles/f" + std::to_string(100 + i));
    struct Case {
        uint32_t font;
        int last_shown;
    } cases[] = {{0, 123}, {SET_LARGE_FONT, 119}};
    for (const Case& c : cases) {
        emu.reset();
        start_browser(c.font);
        run("Sat Filelist");
        run("4");
        ASSERT_TRUE(screen_has("/MediaFiles")) << screen();
        EXPECT_TRUE(screen_has("f" + std::to_string(c.last_shown))) << screen();
        EXPECT_FALSE(screen_has("f" + std::to_string(c.last_shown + 1))) << screen();
    }
}

TEST_F(Browser, SortModeIsCycledAndShown) {
    file("/MP3Files/b", "22");
    file("/MP3Files/a", "333");
    file("/MP3Files/c", "1");
    start_browser(0, 3); // by size
    run("Sat Filelist 5");
    ASSERT_TRUE(screen_has("/MP3Files")) << screen();
    EXPECT_TRUE(screen_has("By size")) << screen();
    std::string s = screen();
    EXPECT_LT(s.find("\nc"), s.find("\nb")) << s;
    run("Subtitle");
    EXPECT_TRUE(screen_has("ALL")) << screen();
    run("Subtitle");
    EXPECT_FALSE(screen_has("By ")) << "by name shows no sort item";
}

TEST_F(Browser, F2CreatesTheNextFreeNumberedFolder) {
    fs::create_directories(disk_path("/MediaFiles/0000"));
    fs::create_directories(disk_path("/MediaFiles/0001"));
    start_browser();
    run("Sat Filelist 4 F2");
    EXPECT_TRUE(fs::is_directory(disk_path("/MediaFiles/0002")));
    EXPECT_TRUE(screen_has("0002/")) << screen();
}

TEST_F(Browser, DoubleF1MarksAllFilesOrClearsTheMarks) {
    file("/MediaFiles/a.jpg");
    file("/MediaFiles/b.jpg");
    fs::create_directories(disk_path("/MediaFiles/dir"));
    start_browser();
    run("Sat Filelist 4");
    run("F1 F1"); // within half a second, no marks before
    EXPECT_TRUE(screen_has("2")) << screen();
    std::string with_marks = screen();
    run("wait 1s\nF1 F1"); // marks existed: all cleared
    EXPECT_NE(screen(), with_marks);
    // A single F1 marks one entry: the status shows one mark.
    run("wait 1s\nv F1");
    EXPECT_TRUE(screen_has("1")) << screen();
}

TEST_F(Browser, CopyWithRecordQueuesAndCopiesInIdleSteps) {
    file("/DataFiles/News.rec", std::string(200000, 'n'));
    file("/DataFiles/News.rec.inf", "header");
    file("/DataFiles/News.rec.nav", "index");
    fs::create_directories(disk_path("/MediaFiles"));
    start_browser();
    run("Sat Filelist 7");
    std::string shown = shown_during("Record");
    EXPECT_NE(shown.find("Please press this key again at target directory."), std::string::npos)
        << shown;
    run("4 Record");
    EXPECT_TRUE(screen_has("/DataFiles/News.rec")) << screen();
    EXPECT_TRUE(screen_has("Really copy?")) << screen();
    shown = shown_during("Ok");
    EXPECT_NE(shown.find("Copy in progress, check later by TAP + Record."), std::string::npos);
    run("wait 1s");
    EXPECT_EQ(file_text(disk_path("/MediaFiles/News.rec")), std::string(200000, 'n'));
    EXPECT_EQ(file_text(disk_path("/MediaFiles/News.rec.inf")), "header");
    EXPECT_EQ(file_text(disk_path("/MediaFiles/News.rec.nav")), "index");
    EXPECT_TRUE(fs::exists(disk_path("/DataFiles/News.rec"))) << "a copy keeps the source";
    run("Sat Record");
    EXPECT_TRUE(screen_has("Copy Status")) << screen();
    EXPECT_TRUE(screen_has("Copying finished.")) << screen();
    EXPECT_TRUE(screen_has("3 Files")) << screen();
    EXPECT_TRUE(screen_has("Clear counters?")) << screen();
    shown = shown_during("Ok");
    EXPECT_NE(shown.find("Copy counters cleared."), std::string::npos) << shown;
    run("Sat Record");
    EXPECT_TRUE(screen_has("0 Files")) << screen();
    run("Exit");
    EXPECT_FALSE(screen_has("Copy Status"));
}

TEST_F(Browser, CopyStatusBeforeAnyCopy) {
    start_browser();
    run("Sat Filelist");
    std::string shown = shown_during("Sat Record");
    EXPECT_NE(shown.find("No copying started."), std::string::npos) << shown;
}

TEST_F(Browser, MoveWithF3RenamesTheGroupIntoTheDirectory) {
    file("/DataFiles/News.rec", "stream");
    file("/DataFiles/News.rec.inf", "header");
    fs::create_directories(disk_path("/MediaFiles"));
    start_browser();
    run("Sat Filelist 7 F3 4 F3");
    EXPECT_TRUE(screen_has("Really move?")) << screen();
    run("Exit"); // keeps the marks, moves nothing
    EXPECT_TRUE(fs::exists(disk_path("/DataFiles/News.rec")));
    run("F3 Ok");
    EXPECT_EQ(names_in("/MediaFiles"), (std::vector<std::string>{"News.rec", "News.rec.inf"}));
    EXPECT_TRUE(names_in("/DataFiles").empty());
    EXPECT_TRUE(screen_has("News.rec")) << screen();
}

TEST_F(Browser, F4AsksAndDeletesDirectoriesRecursively) {
    file("/MediaFiles/full/inner/x.txt");
    file("/MediaFiles/zz.rec");
    file("/MediaFiles/zz.rec.nav");
    start_browser();
    run("Sat Filelist 4 F4");
    EXPECT_TRUE(screen_has("DIRECTORY NOT EMPTY!")) << screen();
    EXPECT_TRUE(screen_has("Really delete?")) << screen();
    run("Exit");
    EXPECT_TRUE(fs::exists(disk_path("/MediaFiles/full/inner/x.txt")));
    run("F4 Ok");
    EXPECT_FALSE(fs::exists(disk_path("/MediaFiles/full")));
    run("F4");
    EXPECT_FALSE(screen_has("DIRECTORY NOT EMPTY!")) << screen();
    run("Ok");
    EXPECT_TRUE(names_in("/MediaFiles").empty()) << "the recording went with its companion";
}

TEST_F(Browser, F4InTheRootRefusesANonEmptyDirectory) {
    file("/DataFiles/x");
    start_browser();
    run("Sat Filelist 0 v v");
    ASSERT_TRUE(screen().find("DataFiles/") != std::string::npos);
    std::string shown = shown_during("F4");
    EXPECT_NE(shown.find("Primary directory not empty."), std::string::npos) << shown;
    EXPECT_TRUE(fs::exists(disk_path("/DataFiles/x")));
}

TEST_F(Browser, RenameWithWhiteRenamesTheGroup) {
    file("/DataFiles/Old.rec");
    file("/DataFiles/Old.rec.inf");
    file("/DataFiles/Old.rec.nav");
    start_browser();
    run("Sat Filelist 7 White");
    EXPECT_TRUE(screen_has("Old.rec - Rename")) << screen();
    run("Stop 2 2\nwait 1s\nOk"); // the name cut at the cursor, then one letter
    std::vector<std::string> now = names_in("/DataFiles");
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[0].find("Old"), std::string::npos) << now[0];
    EXPECT_EQ(now[1], now[0] + ".inf");
    EXPECT_EQ(now[2], now[0] + ".nav");
}

TEST_F(Browser, SearchSelectsTheNextMatchIgnoringCase) {
    file("/MediaFiles/a.txt");
    file("/MediaFiles/Movie.mpg");
    start_browser();
    run("Sat Filelist 4 Sat Sat");
    EXPECT_TRUE(screen_has("Search List Entry")) << screen();
    run("Stop 6\nwait 1s\nOk"); // "m" (or "M")
    EXPECT_TRUE(screen_has("Movie.mpg")) << screen();
    // Details of the selected file appear beside the list.
    EXPECT_NE(screen().find("Movie.mpg", screen().find("Movie.mpg") + 1), std::string::npos);
    run("Sat Sat Stop 9 9 9\nwait 1s\nOk");
    EXPECT_TRUE(screen_has("/MediaFiles")) << screen();
}

TEST_F(Browser, HelpPagesFlipWithAnyKey) {
    start_browser();
    run("Sat Filelist Mute");
    EXPECT_TRUE(screen_has("Keys in File Browser (Page 1)")) << screen();
    run("v");
    EXPECT_TRUE(screen_has("Keys in File Browser (Page 2)")) << screen();
    run("Exit");
    EXPECT_FALSE(screen_has("Keys in File Browser")) << screen();
}

TEST_F(Browser, OddNamesAndVanishingDirectoriesAreSafe) {
    const std::string odd = "q'\"$`;\xE4";
    const std::string longest = std::string(251, 'L') + ".txt";
    file("/MediaFiles/" + odd, "odd");
    file("/MediaFiles/" + longest, "long");
    file("/MediaFiles/line\nbreak", "nl");
    file("/MediaFiles/gone/x");
    start_browser();
    run("Sat Filelist 4");
    EXPECT_TRUE(screen_has("q'\"$`;")) << screen();
    EXPECT_TRUE(screen_has("gone/")) << screen();
    fs::remove_all(disk_path("/MediaFiles/gone"));
    run("Ok"); // the vanished directory: its parent is listed again
    EXPECT_TRUE(screen_has("/MediaFiles")) << screen();
    run("v v v F1 F1"); // every file marked
    EXPECT_TRUE(screen_has("3")) << screen();
    run("F4 Ok"); // the last entry, the odd name, goes and nothing else
    EXPECT_FALSE(fs::exists(disk_path("/MediaFiles/" + odd)));
    EXPECT_EQ(file_text(disk_path("/MediaFiles/" + longest)), "long");
    EXPECT_EQ(file_text(disk_path("/MediaFiles/line\nbreak")), "nl");
    run("Exit");
    fs::remove_all(disk_path("/MediaFiles"));
    run("Sat Filelist");
    EXPECT_TRUE(screen_has("File Browser v4.92a")) << "a vanished current directory gives the root";
    EXPECT_EQ(file_text(disk_path("/ProgramFiles/Settings/TovakRC/TovakRC.ini")).size(), 256u);
}

TEST_F(Browser, ANameTheFolderSearchCutsIsListedAndLeftAlone) {
    // The receiver's folder search holds 127 bytes of a name; the rest never reaches the TAP.
    const std::string longest = std::string(200, 'L') + ".txt";
    file("/MediaFiles/" + longest, "long");
    start_browser();
    run("Sat Filelist 4");
    EXPECT_TRUE(screen_has(std::string(100, 'L'))) << screen();
    EXPECT_FALSE(screen_has(".txt")) << "the end of the name is not known";
    run("Info"); // the details find the entry by the name as the search gave it
    EXPECT_TRUE(screen_has("4 Bytes")) << screen();
    run("Exit Ok");
    EXPECT_TRUE(screen_has("/MediaFiles")) << screen();
    run("F4");
    EXPECT_TRUE(screen_has("Really delete?")) << screen();
    run("Ok"); // no file has the cut name: nothing goes
    EXPECT_EQ(file_text(disk_path("/MediaFiles/" + longest)), "long");
    EXPECT_TRUE(screen_has("/MediaFiles")) << "the browser stays open" << screen();
    run("Exit");
    EXPECT_EQ(screen(), "");
}

TEST_F(Browser, CancelFromTheCopyStatusRemovesThePartialFile) {
    file("/DataFiles/big.mpg", std::string(24 << 20, 'b'));
    fs::create_directories(disk_path("/MediaFiles"));
    start_browser();
    run("Sat Filelist 7 F1 4 Record Ok");
    run("Sat Record");
    EXPECT_TRUE(screen_has("Still copying ...")) << screen();
    EXPECT_TRUE(screen_has("Cancel copying?")) << screen();
    std::string shown = shown_during("Ok");
    EXPECT_NE(shown.find("Copying stopped, queue cleared."), std::string::npos) << shown;
    EXPECT_FALSE(fs::exists(disk_path("/MediaFiles/big.mpg")));
    EXPECT_EQ(fs::file_size(disk_path("/DataFiles/big.mpg")), size_t{24} << 20);
    run("Sat Record");
    EXPECT_TRUE(screen_has("(Cancelled by user.)")) << screen();
    EXPECT_TRUE(screen_has("0 Files")) << screen();
}

TEST_F(Browser, StopEndsThePlaybackOfTheSelectedFile) {
    file("/DataFiles/Film.rec");
    start_browser();
    run("Sat Filelist 7");
    std::string shown = shown_during("Stop");
    EXPECT_NE(shown.find("File not active."), std::string::npos) << shown;
    emu->state().play.file = "/DataFiles/Film.rec";
    run("play 2 0");
    run("Stop");
    EXPECT_EQ(calls_named("Appl_StopPlaying"), 1);
    emu->state().recordings[0].file = "Film";
    shown = shown_during("Stop");
    EXPECT_NE(shown.find("File is recording."), std::string::npos) << shown;
}

TEST_F(Browser, HomeIsSetWithTapKeyF1AndReachedWithFav) {
    fs::create_directories(disk_path("/MediaFiles/deep"));
    start_browser();
    run("Sat Filelist 4 Ok");
    ASSERT_TRUE(screen_has("/MediaFiles/deep")) << screen();
    std::string shown = shown_during("Sat F1");
    EXPECT_NE(shown.find("New HOME directory set."), std::string::npos) << shown;
    run("0");
    EXPECT_TRUE(screen_has("File Browser v4.92a")) << screen();
    run("Fav");
    EXPECT_TRUE(screen_has("/MediaFiles/deep")) << screen();
}

TEST_F(Browser, InfoShowsTheDetailsUntilExit) {
    file("/MediaFiles/note.txt", "one\ntwo\n");
    start_browser();
    run("Sat Filelist 4 Info");
    EXPECT_TRUE(screen_has("note.txt")) << screen();
    EXPECT_TRUE(screen_has("Info")) << screen();
    run("Exit");
    EXPECT_TRUE(screen_has("/MediaFiles")) << "the browser stays open" << screen();
    run("Exit");
    EXPECT_EQ(screen(), "");
}

TEST_F(Browser, AuxCyclesTheMp3ModeInThePlaylistFolder) {
    fs::create_directories(disk_path("/PlayList"));
    file("/PlayList/0001_=Group", "x");
    start_browser();
    run("Sat Filelist 8");
    EXPECT_FALSE(screen_has("Shuffle")) << screen();
    EXPECT_TRUE(screen_has("MP3 Mode")) << screen();
    run("Aux");
    EXPECT_TRUE(screen_has("Shuffle")) << screen();
    run("Aux Aux Aux");
    EXPECT_TRUE(screen_has("Repeat 1")) << screen();
    run("Aux");
    EXPECT_FALSE(screen_has("Repeat")) << screen();
}

TEST_F(Browser, AuxShowsSubdirectoryDetails) {
    file("/MediaFiles/album/a.jpg", std::string(1000000, 'a'));
    file("/MediaFiles/album/b.jpg", std::string(500000, 'b'));
    fs::create_directories(disk_path("/MediaFiles/album/inner"));
    start_browser();
    run("Sat Filelist 4");
    EXPECT_TRUE(screen_has("\n3\nalbum/")) << "every name counts as one item" << screen();
    run("Aux");
    EXPECT_TRUE(screen_has("1.5 M\n1\n2\nalbum/")) << screen();
    run("Aux");
    EXPECT_FALSE(screen_has("1.5 M")) << screen();
}

TEST_F(Browser, OkShowsAPictureInsideTheBrowserAndExitReturnsToTheList) {
    // A 2 x 2 BMP of 24-bit pixels.
    std::string bmp = "BM";
    auto le32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bmp += static_cast<char>(v >> (8 * i));
    };
    auto le16 = [&](uint16_t v) {
        bmp += static_cast<char>(v);
        bmp += static_cast<char>(v >> 8);
    };
    le32(54 + 16);
    le32(0);
    le32(54);
    le32(40);
    le32(2);
    le32(2);
    le16(1);
    le16(24);
    le32(0);
    le32(16);
    le32(2835);
    le32(2835);
    le32(0);
    le32(0);
    bmp += std::string(16, '\x7F');
    file("/MediaFiles/pic.bmp", bmp);
    file("/MediaFiles/zz.txt", "");
    start_browser();
    run("Sat Filelist 4");
    std::string list = screen();
    run("Ok");
    EXPECT_NE(screen(), list) << "the picture replaces the list";
    EXPECT_FALSE(screen_has("Navigate in List")) << screen();
    run("Exit");
    EXPECT_TRUE(screen_has("/MediaFiles")) << screen();
    EXPECT_TRUE(screen_has("pic.bmp")) << screen();
    run("v");
    std::string shown = shown_during("Ok");
    EXPECT_NE(shown.find("Empty file."), std::string::npos) << shown;
}

TEST_F(Browser, MissingConverterIsReportedOnceAndTheBrowserStaysUsable) {
    file("/DataFiles/a.gif", "GIF89a");
    file("/DataFiles/b.txt", "text\n");
    start_browser(); // no "tovak_gif.mips" in the settings folder
    run("Sat Filelist 7");
    ASSERT_TRUE(screen_has("Backend file missing")) << "the selected GIF's details: " << screen();
    run("Exit");
    EXPECT_FALSE(screen_has("Backend file missing"))
        << "Exit closes the box for good: " << screen();
    EXPECT_TRUE(screen_has("b.txt")) << screen();
    run("TvRadio TvRadio"); // redraws of the same selection
    EXPECT_FALSE(screen_has("Backend file missing")) << screen();
    run("v");
    EXPECT_FALSE(screen_has("Backend file missing")) << screen();
    EXPECT_TRUE(screen_has("1 Line")) << "the text file's details: " << screen();
    run("^");
    EXPECT_TRUE(screen_has("Backend file missing")) << "selected again: reported again";
    run("Exit Exit");
    EXPECT_EQ(screen(), "") << "Exit leaves the browser";
}

TEST_F(Browser, DetailsAreWorkedOutOncePerSelection) {
    // A converter that notes each run: drawing the window again does not run it again.
    fs::path settings_dir = disk_path("/ProgramFiles/Settings/TovakRC");
    fs::create_directories(settings_dir);
    // The note lies beside the converter: the files the test leaves do not depend on its folder.
    const fs::path runs = settings_dir / "converter_runs";
    std::ofstream(settings_dir / "tovak_gif.mips")
        << "#!/bin/sh\necho run >> \"$(dirname \"$0\")/converter_runs\"\nexit 1\n";
    fs::permissions(settings_dir / "tovak_gif.mips", fs::perms::owner_all);
    file("/DataFiles/a.gif", "GIF89a");
    file("/DataFiles/b.gif", "GIF89a");
    start_browser(0, 0);
    auto converter_runs = [&] {
        std::string s = file_text(runs);
        return std::count(s.begin(), s.end(), '\n');
    };
    run("Sat Filelist 7");
    ASSERT_TRUE(screen_has("a.gif")) << screen();
    EXPECT_EQ(converter_runs(), 1);
    run("TvRadio TvRadio 3"); // redraws and a key without a row: the same selection
    EXPECT_EQ(converter_runs(), 1);
    run("v");
    EXPECT_EQ(converter_runs(), 2) << "another file";
    run("AudioTrk");
    EXPECT_EQ(converter_runs(), 3) << "the details in the other language";
    run("Exit");
}

TEST_F(Browser, DetailsFollowAFileChangedWithinTheSameMinute) {
    // A trim or a copy may change a file's size and leave its time to the minute as it was.
    file("/DataFiles/a.txt", "one\n");
    start_browser();
    run("Sat Filelist 7");
    ASSERT_TRUE(screen_has("1 Line")) << screen();
    run("Exit");
    const fs::path a = disk_path("/DataFiles/a.txt");
    const auto time = fs::last_write_time(a);
    std::ofstream(a, std::ios::trunc) << "one\ntwo\nthree\n";
    fs::last_write_time(a, time);
    run("Sat Filelist 7");
    EXPECT_TRUE(screen_has("3 Lines")) << "the details of the file as it is now: " << screen();
    EXPECT_FALSE(screen_has("1 Line")) << screen();
    run("Exit");
}

TEST_F(Browser, KeysOfOtherWindowsChangeIntoThem) {
    fs::create_directories(disk_path("/MediaFiles/folder"));
    start_browser();
    run("Sat Filelist 4"); // "folder" is selected
    // VFormat changes into Infos & Tools; its Exit leaves the receiver's screen.
    run("VFormat");
    EXPECT_TRUE(screen_has("Infos & Tools")) << screen();
    EXPECT_FALSE(screen_has("/MediaFiles")) << screen();
    run("Exit");
    EXPECT_EQ(screen(), "");
    run("Sat Filelist");
    // Menu changes into the settings menu; its Exit leaves the receiver's screen.
    run("Menu");
    EXPECT_TRUE(screen_has("TovakRC Menu")) << screen();
    EXPECT_FALSE(screen_has("/MediaFiles")) << screen();
    run("Exit");
    EXPECT_EQ(screen(), "");
}
