// The EPG's pieces without the window: the record readers and time arithmetic, the help pages,
// the details document and the channel start with its tuner rule.
#include <string>

#include "common/persist.h"
#include "emu_fixture.h"
#include "epg/details.h"
#include "epg/event_text.h"
#include "epg/window.h"
#include "osd/window_open.h"

namespace {

using emu_test::EmuTest;

dword word_of(int mjd, int hour, int minute) {
    return static_cast<dword>(mjd) << 16 | static_cast<dword>(hour) << 8 |
           static_cast<dword>(minute);
}

} // namespace

TEST(EpgRecords, FieldTextNeverReadsPastTheField) {
    struct Case {
        std::string field;
        const char* text;
    } cases[] = {
        {std::string("abc\0zzz", 7), "abc"},
        {std::string(4, 'x'), "xxxx"}, // fills the field: no terminator
        {std::string(4, '\0'), ""},
        {"\xE4\xFF\x80", "\xE4\xFF\x80"},
    };
    for (const Case& c : cases) {
        char field[4];
        memset(field, 0, sizeof field);
        memcpy(field, c.field.data(), std::min(c.field.size(), sizeof field));
        char out[5];
        memset(out, 'Q', sizeof out);
        field_text(field, out);
        EXPECT_STREQ(out, c.text);
    }
}

TEST(EpgRecords, TimerCoverage) {
    const int d = 61000;
    struct Case {
        dword timer;
        int duration;
        dword start, end;
        bool covered;
    } cases[] = {
        {word_of(d, 23, 30), 90, word_of(d, 23, 45), word_of(d + 1, 0, 55), true},
        {word_of(d, 23, 30), 90, word_of(d, 23, 45), word_of(d + 1, 1, 1), false},
        {word_of(d, 23, 30), 90, word_of(d, 23, 29), word_of(d + 1, 0, 30), false},
        {word_of(d, 20, 0), 60, word_of(d, 20, 0), word_of(d, 21, 0), true},
        {word_of(d, 0, 0), 5000, word_of(d, 1, 0), word_of(d + 1, 0, 0), true},
        {word_of(d, 0, 0), 5000, word_of(d, 1, 0), word_of(d + 1, 0, 1), false}, // one day at most
    };
    for (const Case& c : cases)
        EXPECT_EQ(timer_covers(c.timer, c.duration, c.start, c.end), c.covered)
            << std::hex << c.timer << " " << c.start;
}

TEST(EpgRecords, EventRunningAtATime) {
    TYPE_TapEvent events[3] = {};
    events[0].endTime = word_of(61000, 20, 0);
    events[1].endTime = word_of(61000, 21, 0);
    events[2].endTime = word_of(61001, 0, 30);
    struct Case {
        dword at;
        int count, index;
    } cases[] = {
        {word_of(61000, 19, 0), 3, 0}, {word_of(61000, 20, 0), 3, 0},
        {word_of(61000, 20, 1), 3, 1}, {word_of(61000, 23, 59), 3, 2},
        {word_of(61001, 5, 0), 3, 2},  {word_of(61000, 19, 0), 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(event_at_or_after(events, c.count, c.at), c.index) << std::hex << c.at;
    EXPECT_EQ(event_at_or_after(nullptr, 3, 0), -1);
}

TEST(EpgHelp, PagesReadAsTheyShould) {
    struct Case {
        const help_page* page;
        bool english;
        const char* text;
    } cases[] = {
        {&epg_help_channels, true,
         "v ^  << >>  |< >|  V+ V-: Navigate in list\n>: Next programme\n<: Previous "
         "programme\n\rSubtitle: Toggle mode (channels/programmes)\nTeletext: Toggle mode (timer "
         "view)\nTvRadio: Toggle service type (TV/Radio)\n\rGuide: Info: Show detailed EPG "
         "infos\nRecall: Select live channel\nOk: Start playing channel\nRecord: Start instant "
         "recording\nStop: Stop recording channel\nExit: Leave window"},
        {&epg_help_channels, false,
         "v ^  << >>  |< >|  V+ V-: Navigieren in der Liste\n>: Sendung vor\n<: Sendung "
         "zur\xFC"
         "ck\n\rSubtitle: Modus wechseln (Sender/Sendungen)\nTeletext: Modus wechseln "
         "(Timer-Ansicht)\nTvRadio: Servicetyp wechseln (TV/Radio)\n\rGuide: Info: Detaillierte "
         "EPG-Infos\nRecall: Live-Sender ausw\xE4"
         "hlen\nOk: Live-Wiedergabe des Senders\nRecord: Sofortaufnahme des Senders\nStop: "
         "Aufnahmestopp des Senders\nExit: Fenster verlassen"},
        {&epg_help_programmes, true,
         "v ^  << >>  |< >|  V+ V-: Navigate in list\n>: Next channel\n<: Previous "
         "channel\n\rSubtitle: Toggle mode (channels/programmes)\nTeletext: Toggle mode (timer "
         "view)\n\rGuide: Info: Show detailed EPG infos\nRecall: Select live channel\nExit: "
         "Leave window"},
        {&epg_help_programmes, false,
         "v ^  << >>  |< >|  V+ V-: Navigieren in der Liste\n>: Sender vor\n<: Sender "
         "zur\xFC"
         "ck\n\rSubtitle: Modus wechseln (Sender/Sendungen)\nTeletext: Modus wechseln "
         "(Timer-Ansicht)\n\rGuide: Info: Detaillierte EPG-Infos\nRecall: Live-Sender "
         "ausw\xE4"
         "hlen\nExit: Fenster verlassen"},
        {&epg_help_timers, true,
         "v ^  << >>  |< >|  V+ V-: Navigate in list\n\rTeletext: Toggle mode (timer "
         "view)\n\rGuide: Info: Show detailed EPG infos\nExit: Leave window"},
        {&epg_help_timers, false,
         "v ^  << >>  |< >|  V+ V-: Navigieren in der Liste\n\rTeletext: Modus wechseln "
         "(Timer-Ansicht)\n\rGuide: Info: Detaillierte EPG-Infos\nExit: Fenster verlassen"},
    };
    const settings_record saved = settings;
    for (const Case& c : cases) {
        settings.flags = c.english ? SET_ENGLISH : 0;
        char out[2000];
        EXPECT_STREQ(help_page_text(c.page, out, sizeof out), c.text)
            << (c.english ? c.page->title_en : c.page->title_de);
    }
    settings = saved;
}

namespace {

class EpgDetails : public EmuTest {
  protected:
    void SetUp() override {
        config.clock = "2026-12-10 20:15:00";
        EmuTest::SetUp();
        hdd_success_record();
        std::vector<tapsim::Channel> tv;
        for (int i = 0; i < 3; ++i) {
            tapsim::Channel ch("Chan " + std::to_string(i + 1), 10700 + i * 300);
            for (int k = -1; k < 3; ++k)
                ch.events.push_back({k * 30 - 10, 30,
                                     "P" + std::to_string(i + 1) + "." + std::to_string(k),
                                     k == 0 ? "" : "short", k == 1 ? "The long text." : ""});
            tv.push_back(ch);
        }
        emu->state().tv = tv;
        epg_details_request = {0, -1, 0};
    }
    void TearDown() override {
        epg_details_release();
        EmuTest::TearDown();
    }
    // The document after the steps, "" when none was written.
    std::string step(int channel_step, int event_step) {
        const char* path = epg_details_write(channel_step, event_step);
        if (!path) return "";
        EXPECT_STREQ(path, "/ProgramFiles/Settings/TovakRC/TovakRC.EPG");
        return emu_test::read_file(settings_file("TovakRC.EPG"));
    }
};

} // namespace

TEST_F(EpgDetails, DocumentOfTheLiveChannelsProgrammeNow) {
    emu->state().current_num = 1;
    EXPECT_EQ(step(0, 0), "2. Chan 2\nTh 10.12.2026 20:05 - 20:35\n\nP2.0\n");
    EXPECT_EQ(step(0, 1), "2. Chan 2\nTh 10.12.2026 20:35 - 21:05\n\nP2.1\nshort\n\nThe long "
                          "text.\n");
    EXPECT_EQ(mem_outstanding(), mem_start + 1) << "the cached list; the extended text given back";
}

TEST_F(EpgDetails, StepsThroughProgrammesAndChannels) {
    struct Step {
        int channel_step, event_step;
        const char* first_lines; // "" when no document
    } steps[] = {
        {0, 0, "1. Chan 1\nTh 10.12.2026 20:05"},
        {0, 1, "1. Chan 1\nTh 10.12.2026 20:35"},
        {0, 1, "1. Chan 1\nTh 10.12.2026 21:05"},
        {0, 1, "1. Chan 1\nTh 10.12.2026 21:05"}, // the last programme stays
        {0, -1, "1. Chan 1\nTh 10.12.2026 20:35"},
        {-1, 0, ""},                               // no channel before the first
        {0, -1, "1. Chan 1\nTh 10.12.2026 20:05"}, // the request kept its channel
        {1, 0, "2. Chan 2\nTh 10.12.2026 20:05"},  // a new channel: its programme now
        {1, 0, "3. Chan 3\nTh 10.12.2026 20:05"},
        {1, 0, ""},
        {0, -1, "3. Chan 3\nTh 10.12.2026 19:35"},
        {0, -1, "3. Chan 3\nTh 10.12.2026 19:35"}, // the first programme stays
    };
    for (const Step& s : steps) {
        const std::string doc = step(s.channel_step, s.event_step);
        EXPECT_EQ(doc.substr(0, std::string(s.first_lines).size()), s.first_lines)
            << s.channel_step << " " << s.event_step << "\n"
            << doc;
        if (!s.first_lines[0]) EXPECT_EQ(doc, "");
    }
}

TEST_F(EpgDetails, RequestWithOffsetTwoThenBackOne) {
    epg_details_request = {0, 2, 2};
    EXPECT_EQ(step(0, 2).substr(0, 40), "3. Chan 3\nTh 10.12.2026 21:05 - 21:35\n\nP");
    EXPECT_EQ(step(0, -1).substr(0, 40), "3. Chan 3\nTh 10.12.2026 20:35 - 21:05\n\nP");
}

TEST_F(EpgDetails, ChannelWithoutGuideOrInformation) {
    emu->state().tv[1].no_guide = true;
    emu->state().tv[2].info_fails = true;
    EXPECT_EQ(step(0, 0).substr(0, 10), "1. Chan 1\n");
    EXPECT_EQ(step(1, 0), "2. Chan 2\nNo EPG infos available.\n");
    EXPECT_EQ(step(1, 0), "") << "a channel whose information fails gives no document";
    EXPECT_EQ(epg_details_request.num, 1);
}

TEST_F(EpgDetails, TunerRule) {
    emu->state().system_id = 32020; // four slots
    emu->state().tv.push_back(tapsim::Channel("Chan 4", 10700));
    struct Case {
        std::vector<int> recording; // channels recorded
        int start;
        bool starts;
    } cases[] = {
        {{}, 2, true},        {{1}, 2, true},    // one recording: any channel
        {{0, 1}, 2, false},                      // 10700 and 11000 busy, 11300 refused
        {{0, 1}, 3, true},                       // 10700 shared with a recording
        {{0, 1}, 1, true},    {{0, 3}, 2, true}, // both recordings on one transponder
        {{0, 1, 2}, 3, true}, {{0, 1, 3}, 2, false},
    };
    for (const Case& c : cases) {
        for (tapsim::Recording& r : emu->state().recordings)
            r = tapsim::Recording{};
        for (size_t i = 0; i < c.recording.size(); ++i)
            emu->state().recordings[i] = {"R" + std::to_string(i) + ".rec", 0, c.recording[i], 0,
                                          0};
        emu->state().current_num = 0;
        EXPECT_EQ(epg_start_channel(0, c.start, nullptr), c.starts ? 1 : 0) << c.start;
        EXPECT_EQ(emu->state().current_num, c.starts ? c.start : 0);
        while (ibox_open())
            ibox_show(nullptr, nullptr, 0);
    }
    EXPECT_TRUE(emu->trace().called("TAP_Channel_Stop", {1}));
}

TEST_F(EpgDetails, RecordingSlotsFollowTheModel) {
    struct Case {
        int system_id;
        int slot_of_channel_2; // recorded in the last slot of the model
    } cases[] = {{22010, 1}, {32020, 3}};
    for (const Case& c : cases) {
        emu->state().system_id = c.system_id;
        for (tapsim::Recording& r : emu->state().recordings)
            r = tapsim::Recording{};
        emu->state().recordings[3] = {"R.rec", 0, 2, 0, 0};
        emu->state().recordings[1] = {"S.rec", 0, 2, 0, 0};
        EXPECT_EQ(epg_slot_count(), c.system_id == 22010 ? 2 : 4);
        EXPECT_EQ(epg_recording_slot(0, 2), 1);
        EXPECT_EQ(epg_recording_slot(0, 1), -1);
        emu->state().recordings[1] = tapsim::Recording{};
        EXPECT_EQ(epg_recording_slot(0, 2), c.slot_of_channel_2 == 3 ? 3 : -1);
    }
}

TEST_F(EpgDetails, TheViewersCallsArriveThroughTheAction) {
    char path[128] = "";
    EXPECT_EQ(window_ask(ACTION_EPG_DETAILS,
                         with_answer(mode_call(epg_details_mode(0, 0)), path, sizeof path), 0),
              1u);
    EXPECT_STREQ(path, "/ProgramFiles/Settings/TovakRC/TovakRC.EPG");
    EXPECT_EQ(window_ask(ACTION_EPG_DETAILS,
                         with_answer(mode_call(epg_details_mode(-1, 0)), path, sizeof path), 0),
              0u);
    epg_details_request = {0, 2, 0};
    EXPECT_EQ(window_ask(ACTION_EPG_DETAILS, mode_call(EPG_DETAILS_START), 0), 1u);
    EXPECT_EQ(emu->state().current_num, 2);
}
