// The EPG window through the dispatcher: a guide in the emulator's receiver state, keys in;
// the screen, its colours, the trace and the recordings on the disk out.
#include <utime.h>

#include <algorithm>
#include <string>
#include <vector>

#include "browser_scenario.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t YELLOW = 0xFFFFFF00, RED = 0xFFFF0000, OLIVE = 0xFF808000;
constexpr uint32_t NAVY = 0xFF000080, DARK_RED = 0xFF800000;

class Epg : public scenario::BrowserScenario {
  protected:
    // Starts the emulator at `clock` with `channels` TV channels ("Chan 1" ...), each with
    // programmes of 30 minutes from two hours before the start to four hours after it, the one
    // running now begun ten minutes ago.
    void start_guide(int channels, const std::string& clock = "2026-12-10 20:15:00",
                     uint32_t flags = 0) {
        tapsim::Config c;
        c.clock = clock;
        start(c);
        std::vector<tapsim::Channel> tv;
        for (int i = 0; i < channels; ++i) {
            tapsim::Channel ch("Chan " + std::to_string(i + 1), 10700 + (i % 3) * 300);
            for (int k = -4; k < 8; ++k)
                ch.events.push_back({k * 30 - 10, 30,
                                     "P" + std::to_string(i + 1) + "." + std::to_string(k), "short",
                                     "extended text"});
            tv.push_back(ch);
        }
        emu->state().tv = tv;
        start_browser(flags);
    }
    // The first visible run whose text is exactly `text` (a trailing blank aside), or null.
    const tapsim::TextRun* text_run(const std::string& text) const {
        for (const tapsim::Region& r : emu->osd().regions())
            if (r.live)
                for (const tapsim::TextRun& t : r.runs)
                    if (t.text == text || t.text == text + " ") return &t; // the viewer's lines

        return nullptr;
    }
    bool selected(const std::string& text) const {
        const tapsim::TextRun* t = text_run(text);
        return t && t->fg == YELLOW && t->bg == DARK_RED;
    }
};

} // namespace

TEST_F(Epg, OpensOnTheLiveChannelAndShowsWhatRunsNow) {
    start_guide(4);
    run("Sat Guide");
    EXPECT_TRUE(screen_has("EPG v4.92a")) << screen();
    EXPECT_TRUE(text_run("Chan 1 [10700 MHz]")) << "header of the live channel\n" << screen();
    EXPECT_TRUE(text_run("Th 10.12.2026 20:15")) << screen();
    EXPECT_TRUE(selected("1.")) << screen();
    EXPECT_TRUE(text_run("P2.0 -- short")) << "the programme running now\n" << screen();
    EXPECT_TRUE(text_run("20:05-")) << screen();
    EXPECT_EQ(text_run("Chan 4")->bg, NAVY) << "same frequency as the header channel";
    EXPECT_NE(text_run("Chan 3")->bg, NAVY);
    run("v");
    EXPECT_TRUE(text_run("Chan 2 [11000 MHz]")) << screen();
    EXPECT_EQ(text_run("1.")->fg, YELLOW) << "the live channel";
    EXPECT_EQ(text_run("P1.0 -- short")->fg, YELLOW);
    EXPECT_NE(text_run("P3.0 -- short")->fg, YELLOW);
    run("Exit");
    EXPECT_EQ(screen(), "");
    EXPECT_EQ(calls_named("TAP_EnterNormal"), 1);
}

TEST_F(Epg, TwentyFiveChannelsWrapBothWays) {
    start_guide(25);
    run("Sat Guide ^");
    EXPECT_TRUE(selected("25.")) << screen();
    EXPECT_TRUE(text_run("2.")) << "channel 2 is the top row";
    EXPECT_FALSE(text_run("1.")) << screen();
    run("v");
    EXPECT_TRUE(selected("1.")) << screen();
    EXPECT_FALSE(text_run("25.")) << screen();
    run("P+ P-");
    EXPECT_TRUE(selected("1.")) << screen();
}

TEST_F(Epg, PageKeysGoToThePageEndsFirst) {
    start_guide(30);
    run("Sat Guide");
    struct Step {
        const char* keys;
        const char* selected;
        const char* top;
    } steps[] = {
        {">>", "24.", "1."}, {">>", "30.", "7."}, {"<<", "7.", "7."},  {"<<", "1.", "1."},
        {">|", "30.", "7."}, {"|<", "1.", "1."},  {"V-", "24.", "1."}, {"V+", "1.", "1."},
    };
    for (const Step& s : steps) {
        run(s.keys);
        EXPECT_TRUE(selected(s.selected)) << s.keys << "\n" << screen();
        EXPECT_TRUE(text_run(s.top)) << s.keys;
        const std::string above = std::to_string(std::stoi(s.top) - 1) + ".";
        EXPECT_FALSE(text_run(above)) << s.keys << ": " << s.top << " is the top row";
    }
}

TEST_F(Epg, OffsetShowsOtherProgrammesWithTheirDate) {
    start_guide(3, "2026-12-11 00:20:00");
    run("Sat Guide");
    EXPECT_TRUE(text_run("P1.0 -- short")) << screen();
    EXPECT_FALSE(screen_has(" 10.12.")) << "the programme now shows no date";
    run("<");
    EXPECT_TRUE(text_run("P1.-1 -- short")) << screen();
    EXPECT_TRUE(text_run(" 10.12.")) << "it began the day before\n" << screen();
    EXPECT_TRUE(text_run("23:40-")) << screen();
    run("> > >");
    EXPECT_TRUE(text_run("P1.2 -- short")) << screen();
    EXPECT_FALSE(screen_has(" 10.12."));
}

TEST_F(Epg, OffsetTwoThenBackOne) {
    start_guide(3);
    run("Sat Guide > >");
    EXPECT_TRUE(text_run("P1.2 -- short")) << screen();
    EXPECT_EQ(text_run("P2.2 -- short")->fg, 0xFFFFFFFFu) << "a shifted programme has no colour";
    run("<");
    EXPECT_TRUE(text_run("P1.1 -- short")) << screen();
    std::string shown = shown_during("Ok");
    EXPECT_NE(shown.find("Programme not live."), std::string::npos) << shown;
    EXPECT_EQ(calls_named("TAP_Channel_Start"), 0);
}

TEST_F(Epg, ProgrammesListOfOneChannel) {
    start_guide(3);
    run("Sat Guide v Subtitle");
    EXPECT_TRUE(screen_has("Chan 2 [11000 MHz]")) << screen();
    EXPECT_TRUE(selected("P2.0 -- short")) << "the programme running now is selected";
    EXPECT_TRUE(text_run("P2.-4 -- short")) << "earlier programmes of the day stay in the list";
    run("v");
    EXPECT_TRUE(selected("P2.1 -- short")) << screen();
    run(">");
    EXPECT_TRUE(screen_has("Chan 3 [11300 MHz]")) << screen();
    EXPECT_TRUE(selected("P3.0 -- short")) << screen();
    run("> 1");
    EXPECT_TRUE(screen_has("Chan 1 [10700 MHz]")) << "the last channel stays, 1 goes to the first";
    run("Subtitle");
    EXPECT_TRUE(selected("1.")) << "back in the channels list\n" << screen();
}

TEST_F(Epg, TvRadioTogglesTheServiceTypeOnlyInTheChannelsList) {
    start_guide(3);
    run("Sat Guide TvRadio");
    EXPECT_TRUE(screen_has("Bayern 1 [11836 MHz]")) << "radio channels\n" << screen();
    run("TvRadio Subtitle");
    ASSERT_TRUE(screen_has("Chan 1 [10700 MHz]")) << screen();
    run("TvRadio");
    EXPECT_TRUE(screen_has("Chan 1")) << screen();
    EXPECT_FALSE(screen_has("MHz")) << "the large font: the header without the frequency";
    run("Teletext");
    EXPECT_TRUE(screen_has("EPG Timer")) << screen();
    run("TvRadio Teletext");
    EXPECT_TRUE(screen_has("Chan 1 [10700 MHz]")) << "the small font again\n" << screen();
    run("Sat TvRadio");
    EXPECT_FALSE(screen_has("MHz")) << "TAP key + TvRadio: the font in any list";
}

TEST_F(Epg, RowsPerPageAndHeaderFollowTheFont) {
    struct Case {
        uint32_t font;
        const char* last_row;
        const char* header;
    } cases[] = {{0, "24.", "Chan 1 [10700 MHz]"}, {SET_LARGE_FONT, "20.", "Chan 1"}};
    for (const Case& c : cases) {
        emu.reset();
        start_guide(30, "2026-12-10 20:15:00", c.font);
        run("Sat Guide");
        EXPECT_TRUE(text_run(c.last_row)) << screen();
        const std::string next = std::to_string(std::stoi(c.last_row) + 1) + ".";
        EXPECT_FALSE(text_run(next)) << screen();
        EXPECT_TRUE(text_run(c.header)) << screen();
    }
}

TEST_F(Epg, TimerAcrossMidnightCoversTheLateProgramme) {
    start_guide(2, "2026-12-10 22:00:00");
    auto& tv = emu->state().tv;
    tv[0].events = {
        {30, 75, "Before", "", ""}, {105, 70, "Late film", "", ""}, {175, 60, "After", "", ""}};
    emu->state().timers = {{0, 0, 90, 90, "Late film"}, {0, 1, 600, 30, "Tomorrow"}};
    run("Sat Guide Subtitle");
    ASSERT_TRUE(text_run("23:45-")) << screen();
    EXPECT_EQ(text_run("0:55")->fg, OLIVE) << "23:30 + 90' covers 23:45-00:55";
    EXPECT_EQ(text_run("Late film")->fg, OLIVE);
    EXPECT_NE(text_run("After")->fg, OLIVE);
    EXPECT_TRUE(text_run("Fr 11.12.")) << "the next day's programme with its date\n" << screen();
    run("Teletext");
    EXPECT_TRUE(screen_has("EPG Timer")) << screen();
    EXPECT_TRUE(text_run("23:30")) << screen();
    EXPECT_TRUE(text_run("90'")) << screen();
    EXPECT_TRUE(text_run("Fr 11.12.")) << "the timer of another day";
    EXPECT_TRUE(selected("Late film")) << "sorted by start\n" << screen();
}

TEST_F(Epg, RecordingsHoldTheTunersOfTheirTransponders) {
    start_guide(4);
    emu->state().system_id = 32020; // four recording slots
    // Chan 1 on 10700, Chan 2 on 11000, Chan 3 on 11300, Chan 4 on 10700.
    run("Sat Guide Record");
    EXPECT_TRUE(emu->trace().called("TAP_Hdd_StartRecord", {}));
    run("v Record");
    EXPECT_EQ(emu->state().recordings[1].num, 1) << "the second recording";
    run("v");
    EXPECT_EQ(text_run("Chan 2")->fg, RED) << "being recorded\n" << screen();
    EXPECT_EQ(text_run("P2.0 -- short")->fg, RED);
    std::string shown = shown_during("Ok");
    EXPECT_NE(shown.find("Can't start channel at the moment."), std::string::npos) << shown;
    EXPECT_FALSE(emu->trace().called("TAP_Channel_Start", {1, 0, 2}))
        << "a third transponder is refused";
    run("v Ok");
    EXPECT_TRUE(emu->trace().called("TAP_Channel_Start", {1, 0, 3}))
        << "the first transponder starts";
    EXPECT_EQ(screen(), "") << "Ok closes the EPG";
    run("wait 3s");
    for (int slot = 0; slot < 2; ++slot) {
        const tapsim::Recording& r = emu->state().recordings[slot];
        ASSERT_FALSE(r.file.empty());
        EXPECT_GT(fs::file_size(disk_path("/DataFiles/" + r.file)), 188u * 2000) << "it grows";
        EXPECT_TRUE(fs::exists(disk_path("/DataFiles/" + r.file + ".inf")));
    }
    run("Sat Guide ^ ^ ^ Stop");
    EXPECT_TRUE(emu->trace().called("TAP_Hdd_StopRecord", {0}));
    EXPECT_TRUE(emu->state().recordings[0].file.empty());
}

TEST_F(Epg, WithOneRecordingAnyChannelStarts) {
    start_guide(3);
    emu->state().recordings[0] = {"News.rec", 0, 1, 0, 0};
    run("Sat Guide v v Ok");
    EXPECT_TRUE(emu->trace().called("TAP_Channel_Stop", {1}));
    EXPECT_TRUE(emu->trace().called("TAP_Channel_Start", {1, 0, 2}));
    EXPECT_EQ(emu->state().current_num, 2);
}

TEST_F(Epg, RecordAndStopMessages) {
    start_guide(4); // two recording slots
    struct Step {
        const char* keys;
        const char* message;
    } steps[] = {
        {"Stop", "Can't stop this channel."},          {"Record", nullptr},
        {"Record", "Channel already being recorded."}, {"v Record", nullptr},
        {"v v Record", "Can't record at the moment."},
    };
    run("Sat Guide");
    for (const Step& s : steps) {
        std::string shown = shown_during(s.keys);
        if (s.message)
            EXPECT_NE(shown.find(s.message), std::string::npos) << s.keys << "\n" << shown;
        else
            EXPECT_EQ(shown, "") << s.keys;
    }
    EXPECT_EQ(emu->state().recordings[0].num, 0);
    EXPECT_EQ(emu->state().recordings[1].num, 1);
    EXPECT_EQ(calls_named("TAP_Hdd_StartRecord"), 3);
}

TEST_F(Epg, OtherKeysShowTheHelpPageOfTheList) {
    start_guide(3);
    struct Case {
        const char* keys;
        const char* title;
        const char* line;
    } cases[] = {
        {"0", "Keys in EPG Channels", "Next programme"},
        {"Subtitle Ok", "Keys in EPG Programmes", "Next channel"},
        {"Teletext 5", "Keys in EPG Timers", "Toggle mode (timer view)"},
    };
    run("Sat Guide");
    for (const Case& c : cases) {
        run(c.keys);
        EXPECT_TRUE(screen_has(c.title)) << c.keys << "\n" << screen();
        EXPECT_TRUE(screen_has(c.line)) << c.keys;
        run("Exit");
        EXPECT_FALSE(screen_has(c.title));
        run("Teletext Subtitle"); // back to the channels list
    }
    run("AudioTrk 0");
    EXPECT_TRUE(screen_has("Tasten in EPG-Sender\n")) << screen();
    EXPECT_TRUE(screen_has("Sendung zur\xC3\xBC"
                           "ck"))
        << screen();
}

TEST_F(Epg, UntrustedTextsAndMissingDataKeepTheListsUsable) {
    start_guide(3);
    auto& tv = emu->state().tv;
    tv[0].events = {{-10, 30, std::string(300, 'N'), std::string(300, 'D'), ""},
                    {20, 30, "", "only the text", ""},
                    {50, 30, "Caf\xC3\xA9 \xFF\x80", "", ""}};
    tv[1].info_fails = true;
    tv[2].no_guide = true;
    run("Sat Guide");
    EXPECT_TRUE(screen_has(std::string(128, 'N') + " -- " + std::string(128, 'D')))
        << "a name that fills its field ends there";
    EXPECT_FALSE(text_run("Chan 2")) << "no information: no name";
    EXPECT_TRUE(text_run("3.")) << screen();
    run("Subtitle");
    EXPECT_TRUE(text_run("only the text")) << screen();
    run("v v");
    EXPECT_TRUE(screen_has("Caf")) << screen();
    run("> >");
    EXPECT_TRUE(screen_has("Chan 3")) << screen();
    run("v ^ >> Teletext v Teletext Exit");
    EXPECT_EQ(screen(), "");
}

TEST_F(Epg, WithoutChannelsOrTimersTheWindowStillWorks) {
    start_guide(0);
    emu->state().radio.clear();
    run("Sat Guide v ^ >> << > < Subtitle v Teletext v TvRadio");
    EXPECT_TRUE(screen_has("EPG Timer")) << screen();
    run("Teletext Recall Subtitle");
    EXPECT_TRUE(screen_has("EPG v4.92a")) << screen();
    std::string shown = shown_during("Stop");
    EXPECT_NE(shown.find("Can't stop this channel."), std::string::npos) << shown;
    run("Exit");
    EXPECT_EQ(screen(), "");
}

TEST_F(Epg, ReopensWhereItWasLeft) {
    start_guide(10);
    run("Sat Guide v v v Subtitle v Exit");
    EXPECT_EQ(screen(), "");
    run("Sat Guide");
    EXPECT_TRUE(screen_has("Chan 4 [10700 MHz]")) << screen();
    EXPECT_TRUE(selected("P4.1 -- short")) << screen();
}

TEST_F(Epg, TheFileBrowsersGuideOpensIt) {
    start_guide(3);
    run("Sat Filelist Guide");
    EXPECT_TRUE(screen_has("EPG v4.92a")) << screen();
    EXPECT_FALSE(screen_has("File Browser")) << screen();
    run("Exit");
    EXPECT_EQ(screen(), "");
}

TEST_F(Epg, DetailsOfTheSelectedProgrammeInTheViewer) {
    start_guide(3);
    run("Sat Guide v Guide");
    EXPECT_TRUE(screen_has("TovakRC.EPG")) << screen();
    EXPECT_TRUE(text_run("2. Chan 2")) << screen();
    EXPECT_TRUE(text_run("P2.0")) << screen();
    EXPECT_TRUE(screen_has("extended text")) << screen();
    struct Step {
        const char* keys;
        const char* channel;
        const char* programme;
    } steps[] = {
        {">", "2. Chan 2", "P2.1"},  {">", "2. Chan 2", "P2.2"}, {"<", "2. Chan 2", "P2.1"},
        {"v", "3. Chan 3", "P3.0"},  {"v", "3. Chan 3", "P3.0"}, // no channel behind the last
        {"P+", "2. Chan 2", "P2.0"}, {"^", "1. Chan 1", "P1.0"},
    };
    for (const Step& s : steps) {
        run(s.keys);
        EXPECT_TRUE(text_run(s.channel)) << s.keys << "\n" << screen();
        EXPECT_TRUE(text_run(s.programme)) << s.keys << "\n" << screen();
    }
    run("Exit");
    EXPECT_TRUE(screen_has("EPG v4.92a")) << "back in the list\n" << screen();
    EXPECT_TRUE(selected("2.")) << screen();
    run("Subtitle v v Guide");
    EXPECT_TRUE(text_run("P2.2")) << "the programme selected in the list\n" << screen();
    run("Exit Exit");
    EXPECT_EQ(screen(), "");
}

TEST_F(Epg, OkInTheDetailsStartsTheChannelAndClosesBoth) {
    start_guide(3);
    run("Sat Guide v v Guide Ok");
    EXPECT_TRUE(emu->trace().called("TAP_Channel_Start", {1, 0, 2}));
    EXPECT_EQ(screen(), "") << screen();
    run("P+");
    EXPECT_EQ(last_result(), 0x10045u) << "no window is left open";
}

TEST_F(Epg, DetailsOfATimerShowTheProgrammeItRecords) {
    start_guide(2);
    emu->state().timers = {{0, 1, 95, 60, "Evening"}};
    run("Sat Guide Teletext Guide");
    EXPECT_TRUE(text_run("2. Chan 2")) << screen();
    EXPECT_TRUE(text_run("P2.4")) << "the programme after the one running at 21:50\n" << screen();
    run("Exit");
    EXPECT_TRUE(screen_has("EPG Timer")) << screen();
}

TEST_F(Epg, DetailsListTheProgrammesRecordingsOnTheDisk) {
    start_guide(3);
    // Chan 2 runs a programme with a UTF-8 letter in its name now, then one whose short text
    // names a series episode; the disk's names are Latin-1.
    std::vector<tapsim::Event>& events = emu->state().tv[1].events;
    events[4].name = "Die Br\xC3\xBC"
                     "cke am Fluss";
    events[5].text = "Folge 12: Der Anfang";
    events[6].name = "Tagesschau"; // ten characters: too short to look for
    file("/DataFiles/Die Br\xFC"
         "cke am Fluss.rec");
    file("/DataFiles/Series/Folge 12: Der Anfang.rec");
    file("/DataFiles/Tagesschau.rec");
    file("/DataFiles/Weather.rec");
    // The list names the files' times: the same in every run.
    for (const auto& f : fs::recursive_directory_iterator(disk_path("/DataFiles"))) {
        const utimbuf at{1765397700, 1765397700};
        ASSERT_EQ(utime(f.path().c_str(), &at), 0) << f.path();
    }
    run("Sat Filelist 7 Sat Info"); // the tree walk writes the recursive file list
    EXPECT_TRUE(screen_has("TovakRC.LST")) << screen();
    run("Exit Exit");
    ASSERT_EQ(screen(), "");

    const fs::path document = disk_path("/ProgramFiles/Settings/TovakRC/TovakRC.EPG");
    struct Case {
        const char* keys;
        const char* programme;
        std::vector<std::string> found; // folder and file name of each listed recording
    } cases[] = {
        {"Sat Guide v Guide",
         "P2.0",
         {"/DataFiles:", "Die Br\xFC"
                         "cke am Fluss.rec"}},
        {">", "P2.1", {"/DataFiles/Series:", "Folge 12: Der Anfang.rec"}},
        {">", "P2.2", {}},
    };
    for (const Case& c : cases) {
        run(c.keys);
        const std::string text = file_text(document);
        const size_t channel = text.find("2. Chan 2\n");
        ASSERT_NE(channel, std::string::npos) << c.programme << "\n" << text;
        const std::string before = text.substr(0, channel);
        size_t at = 0;
        for (size_t i = 0; i + 1 < c.found.size(); i += 2) {
            // the folder line, the file's line of the list, an empty line
            EXPECT_EQ(before.compare(at, c.found[i].size() + 1, c.found[i] + "\n"), 0)
                << c.programme << "\n"
                << before;
            at = before.find('\n', at) + 1;
            const size_t end = before.find('\n', at);
            EXPECT_NE(before.substr(at, end - at).find("  " + c.found[i + 1]), std::string::npos)
                << c.programme << "\n"
                << before;
            EXPECT_EQ(before.compare(end, 2, "\n\n"), 0) << c.programme << "\n" << before;
            at = end + 2;
        }
        EXPECT_EQ(at, before.size()) << c.programme << ": nothing else matches\n" << before;
    }
    run("<");
    EXPECT_TRUE(screen_has("/DataFiles/Series:")) << "the viewer shows them\n" << screen();
    EXPECT_TRUE(screen_has("Folge 12: Der Anfang.rec")) << screen();
    EXPECT_FALSE(screen_has("Weather.rec")) << screen();
}
