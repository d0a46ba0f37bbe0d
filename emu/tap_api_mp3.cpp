// The firmware's players for TAPs. An MP3 file "plays" in virtual time: its length comes from
// its MPEG audio frame headers; when that time has passed, the play mode drops to 0 and the TAPs
// get the end-of-playback event (0x0300 with 1). A file without MPEG audio frames ends at the
// next tick. A recording started by TAP_Hdd_PlayTs plays until it is stopped.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "api.h"
#include "common/mpeg_audio.h"
#include "emulator.h"

using tapsim::Emulator;
namespace api = tapsim::api;

namespace {

Emulator& emu() {
    return *Emulator::current();
}

constexpr size_t read_max = 256u << 20; // the part of a file whose frames are counted

// A frame header at `at` whose frame is followed by another frame, by the end of the data or
// by an ID3v1 tag: the start of the audio.
bool frame_start(const std::vector<uint8_t>& b, size_t at, mpeg_frame* f) {
    if (at + 4 > b.size() || !mpeg_frame_decode(&b[at], f) || f->bytes <= 0) return false;
    const size_t next = at + static_cast<size_t>(f->bytes);
    mpeg_frame g;
    return next >= b.size() || (next + 3 <= b.size() && !std::memcmp(&b[next], "TAG", 3)) ||
           (next + 4 <= b.size() && mpeg_frame_decode(&b[next], &g));
}

} // namespace

namespace tapsim {

uint64_t mp3_length_ms(const std::string& host_path) {
    std::vector<uint8_t> b;
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(host_path, ec);
    if (std::FILE* f = ec ? nullptr : std::fopen(host_path.c_str(), "rb")) {
        b.resize(std::min<uintmax_t>(size, read_max));
        b.resize(std::fread(b.data(), 1, b.size(), f));
        std::fclose(f);
    }
    size_t at = 0;
    // ID3v2 tags (with their footer when they have one).
    while (at + 10 <= b.size() && !std::memcmp(&b[at], "ID3", 3) && !(b[at + 6] & 0x80) &&
           !(b[at + 7] & 0x80) && !(b[at + 8] & 0x80) && !(b[at + 9] & 0x80))
        at += 10 + (b[at + 5] & 0x10 ? 10 : 0) +
              (size_t{b[at + 6]} << 21 | size_t{b[at + 7]} << 14 | size_t{b[at + 8]} << 7 |
               b[at + 9]);
    mpeg_frame f;
    while (at < b.size() && !frame_start(b, at, &f))
        ++at;
    uint64_t samples = 0;
    int rate = 0;
    while (at + 4 <= b.size() && mpeg_frame_decode(&b[at], &f) && f.bytes > 0) {
        samples += static_cast<uint64_t>(f.samples);
        rate = f.sample_rate;
        at += static_cast<size_t>(f.bytes);
    }
    return rate ? samples * 1000 / static_cast<uint64_t>(rate) : 0;
}

} // namespace tapsim

int api::TAP_Hdd_PlayMp3(const char* name) {
    std::string path;
    const bool found = name && emu().disk().resolve(name, &path) && emu().disk().is_file(path);
    const uint64_t ms = found ? tapsim::mp3_length_ms(emu().disk().host_file(path)) : 0;
    emu().trace().call(emu().clock().ticks(), "TAP_Hdd_PlayMp3",
                       {found ? 0 : -1, static_cast<int64_t>(ms)},
                       found  ? path
                       : name ? name
                              : "");
    if (!found) return -1;
    tapsim::PlayState& play = emu().state().play;
    play = tapsim::PlayState{};
    play.mode = PLAYMODE_MP3;
    play.file = path;
    play.seconds = static_cast<uint32_t>((ms + 500) / 1000);
    play.end_tick = emu().clock().ticks() + (ms + 9) / 10;
    return 0;
}

int api::TAP_Hdd_StopMp3(void) {
    tapsim::PlayState& play = emu().state().play;
    const bool playing = play.mode == PLAYMODE_MP3;
    emu().trace().call(emu().clock().ticks(), "TAP_Hdd_StopMp3", {playing ? 0 : -1});
    if (playing) play = tapsim::PlayState{};
    return playing ? 0 : -1;
}

bool tapsim::is_stream_name(const std::string& name) {
    auto ends = [&](const char* suffix) {
        const size_t n = std::strlen(suffix);
        return name.size() > n && strcasecmp(name.c_str() + name.size() - n, suffix) == 0;
    };
    return ends(".rec") || ends(".ts");
}

// Playback of a recording (or any transport stream) of the current folder: it starts at its
// first block, the total is its size in blocks of 9024 bytes.
int api::TAP_Hdd_PlayTs(const char* name) {
    std::string path;
    const bool found = name && emu().disk().resolve(name, &path) && emu().disk().is_file(path);
    std::error_code ec;
    const uintmax_t size = found ? std::filesystem::file_size(emu().disk().host_file(path), ec) : 0;
    emu().trace().call(emu().clock().ticks(), "TAP_Hdd_PlayTs", {found ? 0 : -1},
                       found  ? path
                       : name ? name
                              : "");
    if (!found) return -1;
    tapsim::PlayState& play = emu().state().play;
    const bool fails = play.fails;
    play = tapsim::PlayState{};
    play.fails = fails;
    play.mode = PLAYMODE_PLAYING;
    play.total = ec ? 0 : static_cast<uint32_t>(size / 9024);
    play.file = path;
    return 0;
}

int api::TAP_Hdd_StopTs(void) {
    tapsim::PlayState& play = emu().state().play;
    const bool playing = play.mode != PLAYMODE_NONE && play.mode != PLAYMODE_MP3;
    emu().trace().call(emu().clock().ticks(), "TAP_Hdd_StopTs", {playing ? 0 : -1});
    if (playing) play = tapsim::PlayState{};
    return playing ? 0 : -1;
}
