#include "mp3_samples.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace mp3_samples {

namespace {

// The output of an ffmpeg command line whose last argument is its output file: made once, kept
// in the cache folder under a name derived from the command line.
std::string cached(std::vector<std::string> command, const std::string& suffix) {
    command.pop_back();
    std::string key;
    for (const std::string& a : command)
        key += a + '\x1F';
    const fs::path folder = TOVAK_MP3_CACHE;
    std::error_code ec;
    fs::create_directories(folder, ec);
    char name[64];
    std::snprintf(name, sizeof name, "%016zx%s", std::hash<std::string>{}(key), suffix.c_str());
    const fs::path file = folder / name;
    if (!fs::exists(file, ec)) {
        // Written under a name of this process and renamed: parallel tests never see half a
        // file.
        const fs::path part = folder / (std::string(name) + "." + std::to_string(getpid()));
        command.push_back(part.string());
        if (!tapsim::run_program(command)) {
            ADD_FAILURE() << "ffmpeg failed (is it installed? tools/setup.sh installs it): " << key;
            return "";
        }
        fs::rename(part, file, ec);
    }
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

std::string encode(const tone& t) {
    return cached(tapsim::tone_command(t, "out"), t.layer2 ? ".mp2" : ".mp3");
}

std::string encode_wav(const tone& t, bool metadata) {
    tone plain = t;
    plain.tags = false;
    std::vector<std::string> command = tapsim::tone_command(plain, "out");
    command.resize(command.size() - 3); // "-f mp3 out"
    if (metadata) command.insert(command.end(), {"-metadata", "title=Wrapped"});
    command.insert(command.end(), {"-f", "wav", "out"});
    return cached(command, ".wav");
}

std::string id3v2_tag(size_t total, const std::string& title) {
    std::string frame = "TIT2";
    const size_t body = title.size() + 1; // the text encoding byte first
    frame += {static_cast<char>(body >> 24),
              static_cast<char>(body >> 16),
              static_cast<char>(body >> 8),
              static_cast<char>(body),
              0,
              0,
              0};
    frame += title;
    const size_t size = total - 10;
    std::string tag = "ID3";
    tag += {3,
            0,
            0,
            static_cast<char>(size >> 21 & 0x7F),
            static_cast<char>(size >> 14 & 0x7F),
            static_cast<char>(size >> 7 & 0x7F),
            static_cast<char>(size & 0x7F)};
    tag += frame;
    tag.resize(total, '\0');
    return tag;
}

size_t id3v2_size(const std::string& b) {
    if (b.size() < 10 || b.compare(0, 3, "ID3")) return 0;
    auto u = [&](size_t i) { return static_cast<size_t>(static_cast<unsigned char>(b[i])); };
    return 10 + (u(6) << 21 | u(7) << 14 | u(8) << 7 | u(9));
}

} // namespace mp3_samples
