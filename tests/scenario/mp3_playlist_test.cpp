// MP3 playback through the browser and the dispatcher: "Play all MP3 files" on a folder, the
// links in "/PlayList", the five MP3 modes as tracks end and as |<, >| and Stop arrive,
// playlist files, single files, and the MP3 lines of the file details. The emulator plays the
// tones of a real encoder in virtual time and ends each with the end-of-track event.
#include <algorithm>
#include <set>
#include <vector>

#include "browser_scenario.h"
#include "mp3_samples.h"

namespace fs = std::filesystem;
using mp3_samples::tone;

namespace {

enum : uint8_t {
    NORMAL = 0,
    SHUFFLE = 1 << 4,
    SHUFFLE_ONCE = 2 << 4,
    REPEAT_ALL = 3 << 4,
    REPEAT_ONE = 4 << 4,
};

tone of_seconds(double seconds) {
    tone t;
    t.seconds = seconds;
    return t;
}

class Playlist : public scenario::BrowserScenario {
  protected:
    void tone_file(const std::string& path, double seconds) {
        file(path, mp3_samples::encode(of_seconds(seconds)));
    }
    // Three tracks in /MP3Files/A ("a1.mp3" ... "a3.mp3").
    void album(double seconds) {
        for (const char* name : {"a1.mp3", "a2.mp3", "a3.mp3"})
            tone_file(std::string("/MP3Files/A/") + name, seconds);
    }
    // The browser in /MP3Files with the folder A selected, Play on it, and the browser closed.
    void play_all_of_a(uint8_t mode) {
        start_browser(0, mode);
        run("Sat Filelist 5");
        ASSERT_TRUE(screen_has("A/")) << screen();
        run("Play Exit");
    }
    // What TAP_Hdd_PlayMp3 played, in order: the names as the TAP gave them.
    std::vector<std::string> played() const {
        std::vector<std::string> out;
        for (const tapsim::TraceCall& c : emu->trace().calls())
            if (c.name == "TAP_Hdd_PlayMp3" && c.args.at(0) == 0) out.push_back(c.text);
        return out;
    }
    // The milliseconds of the last file played.
    int64_t last_ms() const {
        int64_t ms = -1;
        for (const tapsim::TraceCall& c : emu->trace().calls())
            if (c.name == "TAP_Hdd_PlayMp3") ms = c.args.at(1);
        return ms;
    }
    // The file a link in "/PlayList" leads to (a TAP path), checked to be a receiver path that
    // resolves on the emulator's disk.
    std::string target(const std::string& link) const {
        const std::string to = fs::read_symlink(disk_path(link)).string();
        EXPECT_EQ(to.rfind("/mnt/hd/", 0), 0u) << link << " -> " << to;
        EXPECT_TRUE(fs::is_regular_file(disk_path(to.substr(7)))) << to;
        return to.substr(7);
    }
    // The files played (from the `from`th on), links followed to their targets.
    std::vector<std::string> played_files(size_t from = 0) const {
        std::vector<std::string> out;
        const std::vector<std::string> all = played();
        for (size_t i = from; i < all.size(); ++i)
            out.push_back(all[i].rfind("/PlayList/", 0) == 0 ? target(all[i]) : all[i]);
        return out;
    }
    // The links of "/PlayList" by name.
    std::vector<std::string> links() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(disk_path("/PlayList")))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string link_number(int n) const {
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%04d ", n);
        for (const std::string& l : links())
            if (l.rfind(prefix, 0) == 0) return "/PlayList/" + l;
        return "";
    }
};

} // namespace

TEST_F(Playlist, PlayAllLinksEveryMp3FileOfTheFolderTree) {
    for (const char* f : {"/MP3Files/A/x1.mp3", "/MP3Files/A/x2.mp3", "/MP3Files/A/B/y1.mp3",
                          "/MP3Files/A/B/y2.mp3", "/MP3Files/A/B/y3.mp3"})
        tone_file(f, 1);
    file("/MP3Files/A/cover.jpg", "jpeg");
    start_browser();
    run("Sat Filelist 5");
    ASSERT_TRUE(screen_has("Play all MP3 files")) << "the panel on a folder: " << screen();
    run("Play");
    const std::vector<std::string> made = links();
    ASSERT_EQ(made.size(), 5u);
    std::set<std::string> marked_folders;
    std::set<std::string> folders_seen;
    for (int i = 0; i < 5; ++i) {
        const std::string& name = made[i];
        SCOPED_TRACE(name);
        char number[8];
        std::snprintf(number, sizeof number, "%04d ", i + 1);
        EXPECT_EQ(name.substr(0, 5), number);
        const std::string to = target("/PlayList/" + name);
        EXPECT_EQ(name.substr(7), to.substr(to.rfind('/') + 1));
        const std::string folder = to.substr(0, to.rfind('/'));
        // The first file of each folder (in scan order, the lowest number) carries "=".
        EXPECT_EQ(name[5], folders_seen.count(folder) ? '-' : '=');
        folders_seen.insert(folder);
    }
    EXPECT_EQ(folders_seen, (std::set<std::string>{"/MP3Files/A", "/MP3Files/A/B"}));
    ASSERT_FALSE(played().empty());
    EXPECT_EQ(played().front(), "/PlayList/" + made[0]) << "the first entry plays first";
    run("8");
    EXPECT_TRUE(screen_has(made[4])) << screen();
    EXPECT_TRUE(screen_has("Artist") || screen_has("kbit/s")) << "the selected link's details";
    run("Exit");
}

TEST_F(Playlist, NormalModePlaysTheTracksInOrderAndStopsAtTheEnd) {
    album(1);
    play_all_of_a(NORMAL);
    run("wait 5s");
    const std::vector<std::string> expected = {link_number(1), link_number(2), link_number(3)};
    EXPECT_EQ(played(), expected);
    const std::vector<std::string> files = played_files();
    EXPECT_EQ(
        std::set<std::string>(files.begin(), files.end()),
        (std::set<std::string>{"/MP3Files/A/a1.mp3", "/MP3Files/A/a2.mp3", "/MP3Files/A/a3.mp3"}));
    run("|<");
    EXPECT_EQ(last_result(), 0x10041u) << "the playlist is over: |< reaches the receiver";
}

TEST_F(Playlist, NormalModeGoesNoFurtherThanItsEnds) {
    album(30);
    play_all_of_a(NORMAL);
    run("|<");
    EXPECT_EQ(last_result(), 0u) << "taken while the playlist plays";
    EXPECT_EQ(played(), std::vector<std::string>{link_number(1)}) << "nothing before the first";
    run(">| >| >|");
    EXPECT_EQ(played(), (std::vector<std::string>{link_number(1), link_number(2), link_number(3)}))
        << "nothing after the last";
}

TEST_F(Playlist, ShuffleOncePlaysEachOfThreeOnceAndStops) {
    album(1);
    play_all_of_a(SHUFFLE_ONCE);
    run("wait 8s");
    const std::vector<std::string> p = played();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(std::set<std::string>(p.begin(), p.end()),
              (std::set<std::string>{link_number(1), link_number(2), link_number(3)}));
    run("Stop");
    EXPECT_EQ(last_result(), 0x1003Cu) << "the playlist is over";
}

TEST_F(Playlist, ShuffleGoesOnWithoutRepeatingATrackAtOnce) {
    album(1);
    play_all_of_a(SHUFFLE);
    run("wait 10s");
    const std::vector<std::string> p = played();
    ASSERT_GE(p.size(), 7u);
    EXPECT_EQ(std::set<std::string>(p.begin(), p.begin() + 3).size(), 3u)
        << "every track once before any plays again";
    for (size_t i = 1; i < p.size(); ++i)
        EXPECT_NE(p[i], p[i - 1]) << i;
    run("Stop");
}

TEST_F(Playlist, RepeatAllWrapsBothWays) {
    album(30);
    play_all_of_a(REPEAT_ALL);
    run("|<");
    run(">|");
    EXPECT_EQ(played(), (std::vector<std::string>{link_number(1), link_number(3), link_number(1)}));
    run("wait 31s");
    EXPECT_EQ(played().back(), link_number(2)) << "the track's end plays the next";
    run("Stop");
}

TEST_F(Playlist, RepeatOneChosenWithAuxRepeatsTheTrack) {
    album(1);
    start_browser();
    run("Sat Filelist 8 Aux Aux Aux Aux");
    ASSERT_TRUE(screen_has("Repeat 1")) << screen();
    run("5 Play Exit >|");
    run("wait 1500ms");
    EXPECT_EQ(played(), (std::vector<std::string>{link_number(1), link_number(1), link_number(1)}));
    run("Stop");
}

TEST_F(Playlist, StopEndsTheMp3AndThePlaylist) {
    album(1);
    play_all_of_a(NORMAL);
    run("Stop");
    EXPECT_EQ(last_result(), 0u);
    EXPECT_EQ(calls_named("TAP_Hdd_StopMp3"), 1);
    run("wait 3s");
    EXPECT_EQ(played().size(), 1u) << "nothing follows";
    run("Stop");
    EXPECT_EQ(last_result(), 0x1003Cu);
}

TEST_F(Playlist, PlaylistFilesPlayTheirEntriesInFileOrder) {
    album(1);
    tone_file("/MP3Files/Lists/Sub/c1.mp3", 1);
    file("/MP3Files/Lists/mix.m3u",
         "#EXTM3U\r\n#EXTINF:1,Two\r\n../A/a2.mp3\r\nmissing.mp3\r\n"
         "Sub\\c1.mp3\r\n\r\n/MP3Files/A/a1.mp3\r\n../../../etc/passwd\r\n");
    file("/MP3Files/Lists/two.pls", "[playlist]\nFile1=../A/a3.mp3\nTitle1=Three\nLength1=1\n"
                                    "File2 = ../A/a1.mp3\nNumberOfEntries=2\nVersion=2\n");
    file("/MP3Files/Lists/none.m3u", "gone.mp3\n");
    start_browser();
    run("Sat Filelist 5 v");
    ASSERT_TRUE(screen_has("/MP3Files")) << screen();
    run(">"); // into Lists: Sub/, mix.m3u, none.m3u, two.pls
    run("v Ok");
    EXPECT_EQ(links(),
              (std::vector<std::string>{"0001 = a2.mp3", "0002 = c1.mp3", "0003 = a1.mp3"}))
        << "each change of folder starts a group";
    run("wait 4s");
    EXPECT_EQ(played_files(),
              (std::vector<std::string>{"/MP3Files/A/a2.mp3", "/MP3Files/Lists/Sub/c1.mp3",
                                        "/MP3Files/A/a1.mp3"}));
    const std::string shown = shown_during("v Ok");
    EXPECT_NE(shown.find("No MP3 files found."), std::string::npos) << shown;
    const size_t before = played().size();
    run("v Ok");
    EXPECT_EQ(links(), (std::vector<std::string>{"0001 = a3.mp3", "0002 - a1.mp3"}));
    run("wait 3s");
    EXPECT_EQ(played_files(before),
              (std::vector<std::string>{"/MP3Files/A/a3.mp3", "/MP3Files/A/a1.mp3"}));
    run("Exit");
}

TEST_F(Playlist, OkPlaysOneFileOrGoesOnWithThePlaylistFromALink) {
    album(1);
    start_browser();
    run("play 2 0");            // a recording plays
    run("Sat Filelist 5 > Ok"); // a1.mp3
    EXPECT_EQ(calls_named("TAP_Hdd_StopTs"), 1) << "the recording's playback gives way";
    EXPECT_EQ(played_files(), std::vector<std::string>{"/MP3Files/A/a1.mp3"});
    run("Stop");
    EXPECT_EQ(calls_named("TAP_Hdd_StopMp3"), 1) << "Stop on the playing file";
    run("Ok");
    run("wait 3s");
    EXPECT_EQ(played().size(), 2u) << "a single file is no playlist";
    run("< Play 8 v Ok"); // the playlist of A, then its second link
    run("wait 3s");
    const std::vector<std::string> all = played();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(all.begin() + 2, all.end()),
              (std::vector<std::string>{link_number(1), link_number(2), link_number(3)}));
    run("Exit");
}

TEST_F(Playlist, FolderWithoutMp3FilesSaysSo) {
    file("/MP3Files/Empty/readme.txt", "text");
    start_browser();
    run("Sat Filelist 5");
    const std::string shown = shown_during("Play");
    EXPECT_NE(shown.find("No MP3 files found."), std::string::npos) << shown;
    EXPECT_TRUE(screen_has("/MP3Files")) << "the browser stays" << screen();
    EXPECT_TRUE(played().empty());
    run("Exit");
}

TEST_F(Playlist, DetailsShowTagsAndStream) {
    tone tagged;
    tagged.seconds = 2;
    tagged.tags = true;
    tagged.title = "Song";
    tagged.artist = "Singer";
    tagged.album = "Record";
    tagged.year = "1999";
    tagged.comment = "Live";
    tagged.track = 7;
    const std::string with_tags = mp3_samples::encode(tagged);
    tagged.year = "1850";
    const std::string old_year = mp3_samples::encode(tagged);
    const std::string plain = mp3_samples::encode(of_seconds(2));
    file("/MP3Files/a.mp3", with_tags);
    file("/MP3Files/b.mp3", mp3_samples::id3v2_tag(4096, "Padded") + plain);
    file("/MP3Files/c.mp3", old_year);
    // The play time as the details work it out: whole kilobytes, 8 bits each, 64 kbit/s.
    auto time_of = [](size_t bytes) {
        const size_t s = bytes / 1000 * 8 / 64;
        return std::to_string(s / 60) + ":" + (s % 60 < 10 ? "0" : "") + std::to_string(s % 60);
    };
    start_browser();
    run("Sat Filelist 5");
    EXPECT_TRUE(screen_has("Artist:  Singer")) << screen();
    EXPECT_TRUE(screen_has("Album: Record (1999)")) << screen();
    EXPECT_TRUE(screen_has("Title:    Song")) << screen();
    EXPECT_TRUE(screen_has("Track 7, " + time_of(with_tags.size()) + ", 64 kbit/s, 44100 Hz"))
        << screen();
    EXPECT_TRUE(screen_has("Live")) << screen();
    run("v");
    EXPECT_TRUE(screen_has(time_of(4096 + plain.size()) + ", 64 kbit/s, 44100 Hz"))
        << "behind an ID3v2 tag of 4096 bytes: " << screen();
    EXPECT_FALSE(screen_has("Artist")) << screen();
    run("v");
    EXPECT_TRUE(screen_has("Album: Record\n")) << "the year 1850 is reported as 0: " << screen();
    EXPECT_FALSE(screen_has("1850")) << screen();
    run("Info");
    EXPECT_TRUE(screen_has("Track 7, ")) << "the Info box: " << screen();
    run("Exit Exit");
}

TEST_F(Playlist, LinksStayValidForTheNextRun) {
    album(1);
    play_all_of_a(NORMAL);
    run("Stop");
    const std::vector<std::string> made = links();
    ASSERT_EQ(made.size(), 3u);
    emu.reset(); // the receiver restarts on the same disk
    start_browser();
    run("Sat Filelist 8");
    EXPECT_TRUE(screen_has("Symlink to:")) << screen();
    EXPECT_TRUE(screen_has("64 kbit/s")) << "the details read the target: " << screen();
    run("Ok");
    EXPECT_EQ(played(), std::vector<std::string>{"/PlayList/" + made[0]});
    EXPECT_GT(last_ms(), 1000) << "the whole tone plays";
    run("Exit");
}
