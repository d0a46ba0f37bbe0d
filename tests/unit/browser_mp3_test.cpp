// The MP3 information reader on files of a real encoder and on damaged ones, the frame header
// table, the playlist's scan and links, and the parts of playlist files.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "browser/mp3.h"
#include "common/mpeg_audio.h"
#include "common/programs.h"
#include "common/tables.h"
#include "emu_fixture.h"
#include "mp3_samples.h"

using emu_test::EmuTest;
using emu_test::write_file;
using mp3_samples::tone;
namespace fs = std::filesystem;

namespace {

class Mp3 : public EmuTest {
  protected:
    void SetUp() override {
        EmuTest::SetUp();
        saved_capacity = entry_capacity;
        entry_capacity = 8; // the playlist holds as many entries as the browser's table
        fs::create_directories(disk / "PlayList");
        fs::create_directories(disk / "Music");
    }
    void TearDown() override {
        playlist_release();
        entry_capacity = saved_capacity;
        EmuTest::TearDown();
    }
    // mp3_info of bytes written as /Music/<name>.
    const mp3_info_record* info_of(const std::string& bytes, const std::string& name = "t.mp3") {
        write_file(disk / "Music" / name, bytes);
        EXPECT_EQ(tap_folder_change("/Music"), 0);
        return mp3_info(name.c_str());
    }
    // The links of "/PlayList" and the receiver paths they point to, by name.
    std::vector<std::pair<std::string, std::string>> links() const {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& e : fs::directory_iterator(disk / "PlayList"))
            out.emplace_back(e.path().filename().string(), fs::read_symlink(e.path()).string());
        std::sort(out.begin(), out.end());
        return out;
    }
    uint32_t saved_capacity = 0;
};

struct StreamCase {
    const char* what;
    tone t;
    int version, layer, rate, kbps;
};

// The reader takes the first frame's header; LAME's "Info" frame in front of the audio has the
// stream's own bit rate only at higher rates, so the low rates are made without it.
tone stream(int sample_rate, int kbps, bool layer2 = false, bool info = true) {
    tone t;
    t.sample_rate = sample_rate;
    t.kbps = kbps;
    t.layer2 = layer2;
    t.info = info;
    return t;
}

tone tagged(const std::string& title, const std::string& year) {
    tone t;
    t.tags = true;
    t.title = title;
    t.artist = "Artist";
    t.album = "Album";
    t.year = year;
    t.comment = "Comment";
    t.track = 7;
    t.genre = "Rock";
    return t;
}

} // namespace

TEST(MpegFrame, HeadersOfEveryVersionAndLayer) {
    struct Case {
        uint8_t h[4];
        int version, layer, kbps, rate, samples, bytes;
    } cases[] = {
        {{0xFF, 0xFB, 0x90, 0xC0}, 1, 3, 128, 44100, 1152, 417},
        {{0xFF, 0xFB, 0x92, 0xC0}, 1, 3, 128, 44100, 1152, 418}, // padded
        {{0xFF, 0xFD, 0xA4, 0xC4}, 1, 2, 192, 48000, 1152, 576},
        {{0xFF, 0xFF, 0x18, 0x00}, 1, 1, 32, 32000, 384, 48},
        {{0xFF, 0xF3, 0x70, 0xC0}, 2, 3, 56, 22050, 576, 182},
        {{0xFF, 0xE3, 0x38, 0xC0}, 25, 3, 24, 8000, 576, 216},
        {{0xFF, 0xFB, 0x00, 0xC0}, 1, 3, 0, 44100, 1152, 0}, // free format
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        mpeg_frame f;
        ASSERT_TRUE(mpeg_frame_decode(c.h, &f));
        EXPECT_EQ(f.version, c.version);
        EXPECT_EQ(f.layer, c.layer);
        EXPECT_EQ(f.bitrate_kbps, c.kbps);
        EXPECT_EQ(f.sample_rate, c.rate);
        EXPECT_EQ(f.samples, c.samples);
        EXPECT_EQ(f.bytes, c.bytes);
    }
}

TEST(MpegFrame, ReservedValuesAreNoHeader) {
    struct Case {
        const char* what;
        uint8_t h[4];
    } cases[] = {
        {"first byte", {0xFE, 0xFB, 0x90, 0xC0}},  {"sync bits", {0xFF, 0xDB, 0x90, 0xC0}},
        {"layer 0", {0xFF, 0xF9, 0x90, 0xC0}},     {"version 01", {0xFF, 0xEB, 0x90, 0xC0}},
        {"bit rate 15", {0xFF, 0xFB, 0xF0, 0xC0}}, {"sample rate 3", {0xFF, 0xFB, 0x9C, 0xC0}},
        {"emphasis 2", {0xFF, 0xFB, 0x90, 0xC2}},
    };
    for (const Case& c : cases) {
        mpeg_frame f;
        EXPECT_FALSE(mpeg_frame_decode(c.h, &f)) << c.what;
    }
}

TEST_F(Mp3, StreamParametersOfEncodedFiles) {
    const StreamCase cases[] = {
        {"MPEG 1 layer III", stream(44100, 128), 1, 3, 44100, 128},
        {"MPEG 1 layer III at 32 kHz", stream(32000, 320), 1, 3, 32000, 320},
        {"MPEG 2 layer III", stream(22050, 32, false, false), 2, 3, 22050, 32},
        {"MPEG 2.5 layer III", stream(8000, 8, false, false), 25, 3, 8000, 8},
        {"MPEG 2 with an Info frame", stream(22050, 32), 2, 3, 22050, 56},
        {"MPEG 1 layer II", stream(48000, 192, true), 1, 2, 48000, 192},
    };
    for (const StreamCase& c : cases) {
        SCOPED_TRACE(c.what);
        const mp3_info_record* m = info_of(mp3_samples::encode(c.t));
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->mpeg_version, c.version);
        EXPECT_EQ(m->layer, c.layer);
        EXPECT_EQ(m->sample_rate, c.rate);
        EXPECT_EQ(m->bitrate, c.kbps);
        EXPECT_EQ(m->tag.marker[0], 0) << "no ID3v1 tag: the area is cleared";
    }
}

TEST_F(Mp3, Id3v1FieldsOfAnEncodedFile) {
    const tone t = tagged("Title", "1999");
    const std::string bytes = mp3_samples::encode(t);
    ASSERT_GT(mp3_samples::id3v2_size(bytes), 10u) << "the encoder wrote an ID3v2 tag in front";
    const mp3_info_record* m = info_of(bytes);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->sample_rate, 44100);
    EXPECT_EQ(m->bitrate, 64);
    EXPECT_EQ(m->id3v2_version[0], 3);
    EXPECT_STREQ(m->tag.title, "Title");
    EXPECT_STREQ(m->tag.artist, "Artist");
    EXPECT_STREQ(m->tag.album, "Album");
    EXPECT_STREQ(m->tag.comment, "Comment");
    EXPECT_EQ(m->year, 1999);
    EXPECT_EQ(m->track, 7);
    EXPECT_EQ(m->genre, 17) << "Rock";
}

TEST_F(Mp3, YearsOutsideTheRangeAreZeroAndTextsAreCut) {
    struct Case {
        const char* year;
        int expected;
    } years[] = {{"1850", 0}, {"1900", 1900}, {"2100", 2100}, {"2101", 0}, {"19x9", 0}};
    for (const Case& c : years) {
        const mp3_info_record* m = info_of(mp3_samples::encode(tagged("T", c.year)));
        ASSERT_NE(m, nullptr) << c.year;
        EXPECT_EQ(m->year, c.expected) << c.year;
    }
    // Thirty characters are cut to 29; trailing blanks go.
    std::string bytes = mp3_samples::encode(tagged("T", "2000"));
    ASSERT_GE(bytes.size(), 128u);
    const size_t tag = bytes.size() - 128;
    const std::string thirty = "123456789012345678901234567890";
    bytes.replace(tag + 3, 30, thirty);                                      // title
    bytes.replace(tag + 33, 30, std::string("Band") + std::string(26, ' ')); // artist
    bytes.replace(tag + 63, 30, std::string("Disc   ") + std::string(23, '\0'));
    bytes.replace(tag + 97, 30, thirty); // an ID3v1.0 comment: no track number
    const mp3_info_record* m = info_of(bytes);
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->tag.title, thirty.substr(0, 29).c_str());
    EXPECT_STREQ(m->tag.artist, "Band");
    EXPECT_STREQ(m->tag.album, "Disc");
    EXPECT_STREQ(m->tag.comment, thirty.substr(0, 29).c_str());
    EXPECT_EQ(m->track, 0);
}

TEST_F(Mp3, TagsAndWrappersBeforeTheFirstFrameAreSkipped) {
    const std::string stream = mp3_samples::encode(tone{});
    const std::string tag4096 = mp3_samples::id3v2_tag(4096, "Padded");
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"ID3v2 tag of 4096 bytes", tag4096 + stream},
        {"two ID3v2 tags", tag4096 + mp3_samples::id3v2_tag(300, "Second") + stream},
        {"zero bytes behind the tag", tag4096 + std::string(777, '\0') + stream},
        {"10 MB of zero bytes", std::string(10 << 20, '\0') + stream},
        {"RIFF wrapper", mp3_samples::encode_wav(tone{}, false)},
        {"RIFF wrapper with a LIST chunk", mp3_samples::encode_wav(tone{}, true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const mp3_info_record* m = info_of(c.bytes);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->sample_rate, 44100);
        EXPECT_EQ(m->bitrate, 64);
    }
    EXPECT_EQ(info_of(tag4096 + stream)->id3v2_version[0], 3);
}

TEST_F(Mp3, DamagedFilesGiveNoInformation) {
    const std::string stream = mp3_samples::encode(tone{});
    std::string bad_size = mp3_samples::id3v2_tag(4096, "x") + stream;
    bad_size[6] = 1; // a size beyond what the reader takes
    std::string past_end = mp3_samples::id3v2_tag(4096, "x");
    past_end[7] = 0x7F; // about 2 MB, past the end of the file
    past_end += stream;
    std::string reserved = stream;
    reserved[3] = static_cast<char>((reserved[3] & ~3) | 2); // emphasis 2
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"three bytes", "\xFF\xFB\x90"},
        {"zero bytes only", std::string(5000, '\0')},
        {"text", "Just some text, not audio.\n"},
        {"ID3v2 size with a high first byte", bad_size},
        {"ID3v2 size past the end", past_end},
        {"reserved emphasis", reserved},
        {"RIFF without data", std::string("RIFF\x04\0\0\0WAVEfmt \x10\0\0\0", 20)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(info_of(c.bytes), nullptr) << c.what;
    EXPECT_EQ(tap_folder_change("/Music"), 0);
    EXPECT_EQ(mp3_info("missing.mp3"), nullptr);
}

TEST_F(Mp3, LinkNames) {
    struct Case {
        int number, n;
        const char* name;
        const char* link;
    } cases[] = {
        {1, 1, "Song.mp3", "0001 = Song.mp3"},
        {12, 2, "01 - Song.mp3", "0012 - 01 - Song.mp3"},
        {3, 0, "01 - Song.mp3", "0003 - Song.mp3"},
        {3, 0, "07. Song.mp3", "0003 - Song.mp3"},
        {3, 0, "12 34 -.- Song 5.mp3", "0003 - Song 5.mp3"},
        {3, 0, "Song 01.mp3", "0003 - Song 01.mp3"},
        {3, 0, "01.mp3", "0003 - 01.mp3"}, // nothing left but the suffix: kept
        {10000, 1, "x.mp3", "10000 = x.mp3"},
    };
    for (const Case& c : cases) {
        char out[256];
        EXPECT_STREQ(playlist_link_name(out, sizeof out, c.number, c.n, c.name), c.link) << c.name;
    }
    char out[256];
    const std::string longer = std::string(300, 'a') + ".mp3";
    playlist_link_name(out, sizeof out, 1, 1, longer.c_str());
    EXPECT_EQ(std::strlen(out), 255u) << "a link's name fits the file system";
    EXPECT_EQ(std::string(out).substr(251), ".mp3");
    playlist_link_name(out, sizeof out, 12345, 2, longer.c_str());
    EXPECT_EQ(std::strlen(out), 255u) << "also behind a five-digit number";
    EXPECT_EQ(std::string(out).substr(0, 12) + std::string(out).substr(251), "12345 - aaaa.mp3");
    char tiny[12];
    EXPECT_STREQ(playlist_link_name(tiny, sizeof tiny, 1, 1, "Song.mp3"), "0001 = Song");
}

TEST_F(Mp3, ScanLinksEveryMp3FileBelowTheFolder) {
    write_file(disk / "Music/A/one.mp3", "1");
    write_file(disk / "Music/A/two.MP3", "2");
    write_file(disk / "Music/A/cover.jpg", "j");
    write_file(disk / "Music/A/B/three.mp3", "3");
    // Names with quotes and bytes above 0x7F reach the links unchanged.
    write_file(disk / "Music/A/B/it's \"q\" \xE4\xF6.mp3", "4");
    fs::create_directories(disk / "Music/A/empty.mp3"); // a folder, not a file
    EXPECT_EQ(playlist_scan("/mnt/hd/Music/A"), 4);
    ASSERT_EQ(playlist_count, 4);
    const auto made = links();
    ASSERT_EQ(made.size(), 4u);
    int groups = 0;
    for (int i = 0; i < 4; ++i) {
        const auto& [name, target] = made[i];
        SCOPED_TRACE(name);
        char number[8];
        std::snprintf(number, sizeof number, "%04d ", i + 1);
        EXPECT_EQ(name.substr(0, 5), number);
        EXPECT_EQ(std::string("/PlayList/") + name, playlist_entry(i));
        ASSERT_EQ(target.rfind("/mnt/hd/Music/A/", 0), 0u) << "receiver paths: " << target;
        EXPECT_EQ(name.substr(7), target.substr(target.rfind('/') + 1));
        EXPECT_TRUE(fs::is_regular_file(disk / target.substr(8))) << "the target exists";
        groups += name[5] == '=';
    }
    EXPECT_EQ(groups, 2) << "the first file of A and of B";
    // A second scan of the same folder after a reset makes the same links again.
    playlist_reset(true);
    EXPECT_EQ(playlist_count, 0);
    EXPECT_TRUE(links().empty());
    EXPECT_EQ(playlist_scan("/mnt/hd/Music/A"), 4);
    EXPECT_EQ(links(), made);
}

TEST_F(Mp3, ScanSurvivesLinkLoopsAndStopsWhenFull) {
    write_file(disk / "Music/L/a.mp3", "1");
    fs::create_directory_symlink("..", disk / "Music/L/up");
    fs::create_directory_symlink(".", disk / "Music/L/here");
    EXPECT_EQ(playlist_scan("/mnt/hd/Music/L"), 1) << "a loop ends at a folder being scanned";
    playlist_reset(true);
    for (int i = 0; i < 12; ++i)
        write_file(disk / "Music/Many" / ("t" + std::to_string(i) + ".mp3"), "x");
    EXPECT_EQ(playlist_scan("/mnt/hd/Music/Many"), 8);
    EXPECT_EQ(playlist_count, 8);
    EXPECT_EQ(playlist_add("/mnt/hd/Music/Many/t0.mp3", 1), -1) << "full";
    playlist_reset(true);
    EXPECT_EQ(playlist_add("/Music/Many/t0.mp3", 1), -1) << "not below /mnt/hd";
    EXPECT_EQ(playlist_add("/mnt/sdb1/t0.mp3", 1), -1);
    EXPECT_EQ(playlist_scan("/Music/Many"), 0);
    EXPECT_EQ(playlist_scan("/mnt/hdx/Music"), 0);
    EXPECT_EQ(playlist_count, 0);
}

TEST_F(Mp3, ScanLeavesOutThePlaylistFolder) {
    write_file(disk / "a.mp3", "1");
    ASSERT_EQ(playlist_scan("/mnt/hd"), 1);
    playlist_reset(false); // the link stays in "/PlayList"
    EXPECT_EQ(playlist_scan("/mnt/hd"), 1);
}

TEST(PlaylistFile, LinesOfM3uAndPls) {
    struct Case {
        const char* line;
        bool pls;
        const char* entry; // null: none
    } cases[] = {
        {"Song.mp3", false, "Song.mp3"},
        {"  Sub/Song.mp3 \r", false, "Sub/Song.mp3"},
        {"\xEF\xBB\xBFSong.mp3", false, "Song.mp3"},
        {"#EXTM3U", false, nullptr},
        {"#EXTINF:123,Artist - Title", false, nullptr},
        {"", false, nullptr},
        {" \t\r", false, nullptr},
        {"File1=Song.mp3", true, "Song.mp3"},
        {"file12 = /MP3Files/x.mp3\r", true, "/MP3Files/x.mp3"},
        {"Title1=Song", true, nullptr},
        {"Length1=123", true, nullptr},
        {"[playlist]", true, nullptr},
        {"NumberOfEntries=3", true, nullptr},
        {"File=x.mp3", true, nullptr},
        {"Song.mp3", true, nullptr},
    };
    for (const Case& c : cases) {
        char out[64] = "unchanged";
        const bool found = playlist_file_line(c.line, c.pls, out, sizeof out);
        EXPECT_EQ(found, c.entry != nullptr) << c.line;
        if (c.entry && found) {
            EXPECT_STREQ(out, c.entry) << c.line;
        }
    }
    char small[4];
    EXPECT_FALSE(playlist_file_line("toolong.mp3", false, small, sizeof small));
}

TEST(PlaylistFile, EntryPathsStayOnTheDisk) {
    struct Case {
        const char* dir;
        const char* entry;
        const char* path; // null: refused
    } cases[] = {
        {"/MP3Files", "a.mp3", "/mnt/hd/MP3Files/a.mp3"},
        {"/MP3Files", "Sub/./a.mp3", "/mnt/hd/MP3Files/Sub/a.mp3"},
        {"/MP3Files", "Sub\\a.mp3", "/mnt/hd/MP3Files/Sub/a.mp3"},
        {"/MP3Files/List", "../Other/a.mp3", "/mnt/hd/MP3Files/Other/a.mp3"},
        {"/MP3Files", "/DataFiles/a.mp3", "/mnt/hd/DataFiles/a.mp3"},
        {"/MP3Files", "/mnt/hd/DataFiles//a.mp3", "/mnt/hd/DataFiles/a.mp3"},
        {"/", "a.mp3", "/mnt/hd/a.mp3"},
        {"/MP3Files", "../../etc/passwd", nullptr},
        {"/MP3Files", "/../x.mp3", nullptr},
        {"/MP3Files", "/mnt/hd/../../x.mp3", nullptr},
    };
    for (const Case& c : cases) {
        char out[128];
        const int r = playlist_entry_path(c.dir, c.entry, out, sizeof out);
        EXPECT_EQ(r, c.path ? 0 : -1) << c.entry;
        if (c.path && r == 0) {
            EXPECT_STREQ(out, c.path) << c.entry;
        }
    }
    char small[16];
    EXPECT_EQ(playlist_entry_path("/MP3Files", "a_long_name.mp3", small, sizeof small), -1);
}

TEST_F(Mp3, PlayNotesTheTrackStartAndLength) {
    tone three;
    three.seconds = 3;
    write_file(disk / "Music/three.mp3", mp3_samples::encode(three));
    write_file(disk / "Music/text.mp3", "no frames");
    ASSERT_EQ(tap_folder_change("/Music"), 0);
    emu->idle(5);
    mp3_play("three.mp3");
    EXPECT_EQ(track_start, TAP_GetTick());
    EXPECT_EQ(track_length, 2) << "the play info's seconds - 1";
    mp3_play("text.mp3");
    EXPECT_EQ(track_length, 0) << "a file without frames has no length";
    mp3_stop();
    mp3_play("missing.mp3");
    EXPECT_EQ(track_length, 0) << "nothing plays";
}
