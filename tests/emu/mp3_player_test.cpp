// The emulator's MP3 player: a file plays as long as its frames say, in virtual time, and then
// the play mode drops to 0; a file without frames ends at the next tick. Links whose targets
// are receiver paths lead where those paths lie on the receiver.
#include <unistd.h>

#include "emu_fixture.h"
#include "mp3_samples.h"

using emu_test::EmuTest;
using emu_test::write_file;
namespace fs = std::filesystem;

namespace {

class Mp3Player : public EmuTest {
  protected:
    // The playing time is counted in whole ticks: the clock moves by the idle events alone, not
    // by the calls that ask for the play state.
    void SetUp() override {
        config.call_costs = false;
        EmuTest::SetUp();
    }
    TYPE_PlayInfo play_info() {
        TYPE_PlayInfo info;
        std::memset(&info, 0xA5, sizeof info);
        EXPECT_TRUE(TAP_Hdd_GetPlayInfo(&info));
        return info;
    }
    // The milliseconds the last TAP_Hdd_PlayMp3 was traced with (its second argument).
    int64_t traced_ms() const {
        const auto& calls = emu->trace().calls();
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (it->name == "TAP_Hdd_PlayMp3") return it->args.at(1);
        return -1;
    }
    // Ticks until the play mode drops to 0 (at most `limit`).
    uint64_t ticks_until_stopped(uint64_t limit) {
        for (uint64_t t = 0; t < limit; ++t) {
            if (play_info().playMode == PLAYMODE_NONE) return t;
            emu->idle(1);
        }
        return limit;
    }
};

mp3_samples::tone seconds(double s, int rate = 44100) {
    mp3_samples::tone t;
    t.seconds = s;
    t.sample_rate = rate;
    return t;
}

} // namespace

TEST_F(Mp3Player, PlaysAsLongAsItsFramesLast) {
    struct Case {
        double seconds;
        int rate;
    } cases[] = {{1, 44100}, {3, 44100}, {2, 22050}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        write_file(disk / "MP3Files/tone.mp3", mp3_samples::encode(seconds(c.seconds, c.rate)));
        ASSERT_TRUE(TAP_Hdd_ChangeDir("/MP3Files"));
        EXPECT_EQ(TAP_Hdd_PlayMp3("tone.mp3"), 0);
        const TYPE_PlayInfo info = play_info();
        EXPECT_EQ(info.playMode, PLAYMODE_MP3);
        EXPECT_EQ(info.duration * 60 + info.durationSec, static_cast<int>(c.seconds));
        // The encoder adds less than a tenth of a second of frames (its delay, an Info frame).
        const int64_t ms = traced_ms();
        EXPECT_GE(ms, static_cast<int64_t>(c.seconds * 1000));
        EXPECT_LT(ms, static_cast<int64_t>(c.seconds * 1000) + 100);
        EXPECT_EQ(ticks_until_stopped(1000), static_cast<uint64_t>((ms + 9) / 10));
        EXPECT_EQ(play_info().file, nullptr) << "nothing plays any more";
    }
}

TEST_F(Mp3Player, FilesWithoutFramesEndAtOnceAndMissingOnesDoNotPlay) {
    write_file(disk / "MP3Files/text.mp3", "not audio\n");
    ASSERT_TRUE(TAP_Hdd_ChangeDir("/MP3Files"));
    EXPECT_EQ(TAP_Hdd_PlayMp3("text.mp3"), 0);
    EXPECT_EQ(play_info().playMode, PLAYMODE_MP3);
    EXPECT_EQ(traced_ms(), 0);
    EXPECT_EQ(ticks_until_stopped(10), 1u);
    EXPECT_EQ(TAP_Hdd_PlayMp3("missing.mp3"), -1);
    EXPECT_EQ(play_info().playMode, PLAYMODE_NONE);
}

TEST_F(Mp3Player, StopsEndThePlayback) {
    write_file(disk / "MP3Files/tone.mp3", mp3_samples::encode(seconds(1)));
    ASSERT_TRUE(TAP_Hdd_ChangeDir("/MP3Files"));
    EXPECT_EQ(TAP_Hdd_StopMp3(), -1) << "nothing to stop";
    TAP_Hdd_PlayMp3("tone.mp3");
    EXPECT_EQ(TAP_Hdd_StopTs(), -1) << "an MP3 is no transport stream";
    EXPECT_EQ(play_info().playMode, PLAYMODE_MP3);
    EXPECT_EQ(TAP_Hdd_StopMp3(), 0);
    EXPECT_EQ(play_info().playMode, PLAYMODE_NONE);
    emu->state().play.mode = PLAYMODE_PLAYING;
    EXPECT_EQ(TAP_Hdd_StopMp3(), -1);
    EXPECT_EQ(TAP_Hdd_StopTs(), 0);
    EXPECT_EQ(play_info().playMode, PLAYMODE_NONE);
}

TEST_F(Mp3Player, LinksToReceiverPathsLeadToTheirFiles) {
    const std::string bytes = mp3_samples::encode(seconds(1));
    write_file(disk / "MP3Files/A/tone.mp3", bytes);
    fs::create_directories(disk / "PlayList");
    fs::create_symlink("/mnt/hd/MP3Files/A/tone.mp3", disk / "PlayList/0001 = tone.mp3");
    fs::create_symlink("../MP3Files/A/tone.mp3", disk / "PlayList/0002 - tone.mp3");
    fs::create_symlink("/mnt/hd/MP3Files/gone.mp3", disk / "PlayList/0003 - gone.mp3");
    ASSERT_TRUE(TAP_Hdd_ChangeDir("/PlayList"));
    for (const char* name : {"0001 = tone.mp3", "0002 - tone.mp3"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(TAP_Hdd_Exist(name));
        TYPE_File* f = TAP_Hdd_Fopen(name);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(TAP_Hdd_Flen(f), bytes.size());
        TAP_Hdd_Fclose(f);
        EXPECT_EQ(TAP_Hdd_PlayMp3(name), 0);
        EXPECT_GT(traced_ms(), 1000);
        EXPECT_EQ(emu->trace().calls().back().text, std::string("/PlayList/") + name);
    }
    EXPECT_FALSE(TAP_Hdd_Exist("0003 - gone.mp3"));
    TYPE_FolderEntry e;
    const uint32_t n = TAP_Hdd_FindFirst(&e, "mp3");
    ASSERT_EQ(n, 3u);
    EXPECT_STREQ(e.name, "0001 = tone.mp3");
    EXPECT_EQ(e.attr, ATTR_FILE);
    EXPECT_EQ(e.size, static_cast<long64>(bytes.size())) << "the target's size";
}
