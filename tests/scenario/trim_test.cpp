// Trimming a paused recording with TAP key + |< or >| through the emulator: the firmware's cut
// on a sparse recording of about 5 GB, its .nav (64- and 32-byte entries) and .inf patched,
// playback resumed, the Trim counter; and every refusal with its message and nothing touched.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "common/records.h"
#include "common/settings.h"
#include "scenario.h"

using scenario::Scenario;
namespace fs = std::filesystem;

namespace {

constexpr uint64_t B = 9024;              // bytes of a block
constexpr uint32_t total_blocks = 554000; // 4,999,296,000 bytes
constexpr uint32_t pause_block = 277000;  // the middle: entry 500 of the .nav
constexpr uint32_t nav_entries = 1000;    // one every 554 blocks, 6 s apart
constexpr uint32_t mjd_2026_12_10 = 61384;

void put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (8 * i));
}
uint32_t get32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<uint8_t>(s[at + i])) << (8 * i);
    return v;
}

// Entry i: block i * 554, i * 6 s; every third entry may start the stream.
std::string nav_file(uint32_t entry_size, uint32_t entries = nav_entries) {
    std::string out(size_t{entries} * entry_size, '\0');
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t at = size_t{i} * entry_size;
        const uint64_t position = uint64_t{i} * (total_blocks / nav_entries) * B;
        out[at + 3] = i % 3 ? 2 : 1;
        put32(out, at + 8, static_cast<uint32_t>(position >> 32));
        put32(out, at + 12, static_cast<uint32_t>(position));
        put32(out, at + 24, i * 6000);
    }
    return out;
}

// 100 minutes from 2026-12-10 20:15, four bookmarks.
std::string inf_file(size_t size = 3320) {
    std::string h(size, '\0');
    h.replace(0, 4, "TFrc");
    h[5] = static_cast<char>(0x80);
    put32(h, 8, mjd_2026_12_10 << 16 | 20 << 8 | 15);
    h[12] = 100;
    if (size >= 0x850) {
        put32(h, 0x584, 4);
        const uint32_t marks[] = {1000, pause_block + 1, pause_block + 2, 400000};
        for (int i = 0; i < 4; ++i)
            put32(h, 0x588 + 4 * i, marks[i]);
        put32(h, 0x84C, 0x12345678);
    }
    return h;
}

// Data at the start of the stream ('G'), in the block at the pause position ('P') and in its
// last bytes ('z'); holes between.
struct Data {
    uint64_t at;
    size_t size;
    char fill;
};
const Data stream_data[] = {
    {0, 3760, 'G'},
    {pause_block * B, B, 'P'},
    {total_blocks * B - 1000, 1000, 'z'},
};

void make_stream(const fs::path& p) {
    int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(total_blocks * B)), 0);
    for (const Data& d : stream_data) {
        const std::string bytes(d.size, d.fill);
        ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(d.at)),
                  static_cast<ssize_t>(bytes.size()));
    }
    close(fd);
}

// The byte of a file at `at`, or -1.
int byte_at(const fs::path& p, uint64_t at) {
    int fd = open(p.c_str(), O_RDONLY);
    unsigned char c = 0;
    const bool ok = fd >= 0 && pread(fd, &c, 1, static_cast<off_t>(at)) == 1;
    if (fd >= 0) close(fd);
    return ok ? c : -1;
}

uint64_t allocated(const fs::path& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_blocks) * 512 : ~0ull;
}

time_t mtime(const fs::path& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 ? st.st_mtime : -1;
}

class Trim : public Scenario {
  protected:
    void SetUp() override {
        Scenario::SetUp();
        fs::path folder = disk_path("/ProgramFiles/Settings/TovakRC");
        fs::create_directories(folder);
        settings_record s{};
        s.initialised = 1;
        s.flags = SET_ENGLISH | SET_START_LISTENING;
        s.tf_model = s.rc_model = 1;
        std::ofstream(folder / "TovakRC.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
        fs::create_directories(disk_path("/DataFiles"));
    }
    // A recording with its .nav and .inf, paused at `block`.
    void recording(const std::string& name, uint32_t entry_size, uint32_t block = pause_block) {
        stream = disk_path("/DataFiles/" + name);
        make_stream(stream);
        nav = stream.string() + ".nav";
        inf = stream.string() + ".inf";
        std::ofstream(nav, std::ios::binary) << nav_file(entry_size);
        std::ofstream(inf, std::ios::binary) << inf_file();
        if (!emu) ASSERT_EQ(load(), 0);
        emu->state().play.file = "/DataFiles/" + name;
        run("playpos " + std::to_string(block) + " " + std::to_string(total_blocks) + "\nplay 2 4");
    }
    // The Trim counter of the usage record, saved when the TAP ends.
    int trim_counter() {
        run("msg 1");
        std::ifstream in(disk_path("/ProgramFiles/Settings/TovakRC/TovakRC.dat"), std::ios::binary);
        std::string dat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const size_t at = offsetof(usage_record, opened) + 2 * USE_TRIM;
        return dat.size() >= at + 2 ? static_cast<uint8_t>(dat[at]) | dat[at + 1] << 8 : -1;
    }
    const tapsim::TraceCall* last_call(const std::string& name) const {
        const tapsim::TraceCall* found = nullptr;
        for (const tapsim::TraceCall& c : emu->trace().calls())
            if (c.name == name) found = &c;
        return found;
    }
    fs::path stream;
    std::string nav, inf;
};

} // namespace

TEST_F(Trim, FirstPartOfALargeRecordingWith64ByteNavEntries) {
    recording("Film.rec", 64);
    const time_t nav_time = mtime(nav);
    const std::string shown = shown_during("Sat |<");
    EXPECT_EQ(shown, "") << "nothing to say, no .nav of more than 5,000,000 bytes to copy";
    EXPECT_EQ(screen(), "");

    // The firmware was asked to cut blocks 0 ... 276999 of the stopped recording.
    EXPECT_EQ(calls_named("Appl_StopPlaying"), 1);
    const tapsim::TraceCall* cut = last_call("ApplHdd_FileCutPaste");
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->args, (std::vector<int64_t>{0, pause_block, 0}));
    EXPECT_EQ(cut->text, "/DataFiles/Film.rec");
    EXPECT_EQ(fs::file_size(stream), (total_blocks - pause_block) * B);
    EXPECT_EQ(byte_at(stream, 0), 'P') << "the pause position is the start now";
    EXPECT_EQ(byte_at(stream, B), 0);
    EXPECT_EQ(byte_at(stream, (total_blocks - pause_block) * B - 1), 'z');
    EXPECT_LT(allocated(stream), 1u << 20) << "the stream stays sparse";

    // Entries from 501 (the first that may start the stream behind entry 500) on.
    const std::string n = scenario::Scenario::file_text(nav);
    ASSERT_EQ(n.size(), 499u * 64);
    EXPECT_EQ(n[3], 1);
    EXPECT_EQ(get32(n, 8), 0u);
    EXPECT_EQ(get32(n, 12), 554u * B) << "entry 501 at block 277554, less 277000 blocks";
    EXPECT_EQ(get32(n, 24), 0u);
    EXPECT_EQ(get32(n, 64 + 24), 6000u);
    EXPECT_EQ(get32(n, 498 * 64 + 24), 498u * 6000);
    EXPECT_EQ(mtime(nav), nav_time) << "the .nav keeps its time";
    EXPECT_FALSE(fs::exists(nav + "_new"));

    // 3006 s (entry 501's time) less: 49:54 from 21:05; the bookmarks behind the position
    // counted from the new start.
    const std::string h = scenario::Scenario::file_text(inf);
    ASSERT_EQ(h.size(), 3320u);
    EXPECT_EQ(get32(h, 8), mjd_2026_12_10 << 16 | 21 << 8 | 5);
    EXPECT_EQ(get32(h, 12), 49u | 54u << 16);
    EXPECT_EQ(get32(h, 0x584), 2u);
    EXPECT_EQ(get32(h, 0x588), 2u);
    EXPECT_EQ(get32(h, 0x58C), 123000u);
    EXPECT_EQ(get32(h, 0x590), 0u);
    EXPECT_EQ(get32(h, 0x84C), 0u);
    EXPECT_EQ(mtime(inf), 1796936700) << "2026-12-10 21:05 as the receiver's local time";

    // Playback goes on from the new start.
    const tapsim::TraceCall* play = last_call("TAP_Hdd_PlayTs");
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->text, "/DataFiles/Film.rec");
    EXPECT_EQ(emu->state().play.mode, 2);
    EXPECT_EQ(emu->state().play.trick, 0);
    EXPECT_EQ(emu->state().play.total, total_blocks - pause_block);
    EXPECT_EQ(trim_counter(), 1);
}

TEST_F(Trim, LastPartWith32ByteNavEntries) {
    recording("Film.rec", 32);
    EXPECT_EQ(shown_during("Sat >|"), "");
    const tapsim::TraceCall* cut = last_call("ApplHdd_FileCutPaste");
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->args, (std::vector<int64_t>{pause_block, total_blocks - pause_block, 0}));
    EXPECT_EQ(fs::file_size(stream), pause_block * B);
    EXPECT_EQ(byte_at(stream, 0), 'G');
    EXPECT_LT(allocated(stream), 1u << 20);

    const std::string n = scenario::Scenario::file_text(nav);
    ASSERT_EQ(n.size(), 501u * 32) << "shortened behind entry 500";
    EXPECT_EQ(get32(n, 500 * 32 + 24), 500u * 6000);

    // 2994 s (entry 999's time less entry 500's) less, from the same start; the bookmark
    // before the position stays.
    const std::string h = scenario::Scenario::file_text(inf);
    EXPECT_EQ(get32(h, 8), mjd_2026_12_10 << 16 | 20 << 8 | 15);
    EXPECT_EQ(get32(h, 12), 50u | 6u << 16);
    EXPECT_EQ(get32(h, 0x584), 1u);
    EXPECT_EQ(get32(h, 0x588), 1000u);
    EXPECT_EQ(get32(h, 0x58C), 0u);
    EXPECT_EQ(emu->state().play.mode, 2);
    EXPECT_EQ(trim_counter(), 1);
}

// A name with quotes and blanks is a name like any other: no shell sees it.
TEST_F(Trim, NameWithQuotes) {
    recording("Tom's \"Best\" $(x).rec", 32);
    EXPECT_EQ(shown_during("Sat |<"), "");
    EXPECT_EQ(byte_at(stream, 0), 'P');
    EXPECT_EQ(scenario::Scenario::file_text(nav).size(), 499u * 32);
    EXPECT_EQ(get32(scenario::Scenario::file_text(inf), 0x584), 2u);
    ASSERT_NE(last_call("TAP_Hdd_PlayTs"), nullptr);
    EXPECT_EQ(last_call("TAP_Hdd_PlayTs")->text, "/DataFiles/Tom's \"Best\" $(x).rec");
}

// Every refusal shows its message and leaves stream, .nav and .inf as they were; those found
// before the cut leave the playback paused as well.
TEST_F(Trim, RefusalsLeaveTheRecordingAsItWas) {
    const std::string cut_failed = "Failed to cut (encrypted?) .rec file.";
    // What a case changes besides its script: the files, the receiver.
    typedef void (*change_fn)(const std::string& nav, const std::string& inf, tapsim::Emulator&);
    const change_fn none = [](const std::string&, const std::string&, tapsim::Emulator&) {};
    struct Case {
        const char* what;
        const char* script; // commands before the keys
        change_fn change;
        const char* keys;
        std::string message;
        bool stopped; // playback stopped (the firmware was asked to cut)
    } cases[] = {
        {"playing, not paused", "play 2 0", none, "Sat |<", "No paused .rec replay running.",
         false},
        {"an MP3 file paused", "play 5 4", none, "Sat >|", "No paused .rec replay running.", false},
        {"no play information", "playinfo fail", none, "Sat |<", "No paused .rec replay running.",
         false},
        {"paused in the first block", "playpos 0 554000", none, "Sat |<", cut_failed, false},
        {"paused behind the end", "playpos 554000 554000", none, "Sat >|", cut_failed, false},
        {"the firmware cannot cut", "cut fail", none, "Sat |<", cut_failed, true},
        {"a .nav of odd size", "",
         [](const std::string& nav, const std::string&, tapsim::Emulator&) {
             std::ofstream(nav, std::ios::app) << "odd";
         },
         "Sat |<", "Failed patching .nav file (-3).", false},
        {"a .nav of 0 bytes", "",
         [](const std::string& nav, const std::string&, tapsim::Emulator&) {
             std::ofstream(nav, std::ios::trunc).flush();
         },
         "Sat >|", "Failed patching .nav file (-2).", false},
        {"no .nav", "",
         [](const std::string& nav, const std::string&, tapsim::Emulator&) { fs::remove(nav); },
         "Sat >|", "Failed patching .nav file (-1).", false},
        {"no .inf", "",
         [](const std::string&, const std::string& inf, tapsim::Emulator&) { fs::remove(inf); },
         "Sat |<", "Failed patching .inf file.", false},
        {"an .inf shorter than 3320 bytes", "",
         [](const std::string&, const std::string& inf, tapsim::Emulator&) {
             std::ofstream(inf, std::ios::binary) << inf_file(3319);
         },
         "Sat >|", "Failed patching .inf file.", false},
        {"a full disk", "",
         [](const std::string&, const std::string&, tapsim::Emulator& e) {
             e.state().disk_free_mb = 0;
         },
         "Sat |<", "Failed patching .nav file (-5).", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        recording("Film.rec", 32);
        run("cut ok\nplayinfo ok");
        emu->state().disk_free_mb = 311020;
        if (*c.script) run(c.script);
        c.change(nav, inf, *emu);
        const auto file_state = [&] {
            return std::to_string(fs::exists(stream) ? fs::file_size(stream) : 0) + "/" +
                   scenario::Scenario::file_text(nav) + "/" + scenario::Scenario::file_text(inf);
        };
        const std::string before = file_state();
        const int stops = calls_named("Appl_StopPlaying");
        const int plays = calls_named("TAP_Hdd_PlayTs");
        const std::string shown = shown_during(c.keys);
        EXPECT_NE(shown.find(c.message), std::string::npos) << shown;
        EXPECT_EQ(screen(), "") << "the message went";
        EXPECT_EQ(file_state(), before);
        EXPECT_EQ(byte_at(stream, pause_block * B), 'P');
        EXPECT_FALSE(fs::exists(nav + "_new"));
        EXPECT_EQ(calls_named("Appl_StopPlaying") - stops, c.stopped ? 1 : 0);
        EXPECT_EQ(calls_named("TAP_Hdd_PlayTs"), plays) << "no playback started";
        if (!c.stopped && std::string(c.what) != "no play information") {
            EXPECT_EQ(emu->state().play.file, "/DataFiles/Film.rec");
        }
    }
    EXPECT_EQ(trim_counter(), static_cast<int>(std::size(cases))) << "every attempt counts";
}

// A .nav of more than 5,000,000 bytes behind the position is copied under "Please wait ...".
TEST_F(Trim, LongNavCopyShowsPleaseWait) {
    recording("Film.rec", 32, 554);
    std::ofstream(nav, std::ios::binary) << nav_file(32, 200000);
    const size_t seen = emu->screens().size();
    run("Sat |<");
    bool waited = false;
    for (size_t i = seen; i < emu->screens().size(); ++i)
        waited = waited || emu->screens()[i].text.find("Please wait ...") != std::string::npos;
    EXPECT_TRUE(waited);
    EXPECT_EQ(screen(), "") << "closed at the end";
    EXPECT_EQ(fs::file_size(nav), (200000u - 3) * 32) << "from entry 3 on";
}
