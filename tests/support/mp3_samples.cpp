#include "mp3_samples.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace mp3_samples {

namespace {

std::string read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs ffmpeg with the arguments (no shell); true when it succeeded.
bool ffmpeg(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::vector<std::string> all = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
    all.insert(all.end(), args.begin(), args.end());
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The cached output of an ffmpeg run writing to its last argument's place: made once, kept in
// the cache folder under a name derived from the arguments.
std::string cached(std::vector<std::string> args, const std::string& suffix) {
    std::string key;
    for (const std::string& a : args)
        key += a + '\x1F';
    const fs::path folder = TOVAK_MP3_CACHE;
    std::error_code ec;
    fs::create_directories(folder, ec);
    char name[64];
    std::snprintf(name, sizeof name, "%016zx%s", std::hash<std::string>{}(key), suffix.c_str());
    const fs::path file = folder / name;
    if (fs::exists(file, ec)) return read_all(file);
    // Written under a name of this process and renamed: parallel tests never see half a file.
    const fs::path part = folder / (std::string(name) + "." + std::to_string(getpid()));
    args.push_back(part.string());
    if (!ffmpeg(args)) {
        ADD_FAILURE() << "ffmpeg failed (is it installed? tools/setup.sh installs it): " << key;
        return "";
    }
    fs::rename(part, file, ec);
    return read_all(ec ? part : file);
}

std::vector<std::string> source(const tone& t) {
    char sine[128];
    std::snprintf(sine, sizeof sine, "sine=frequency=440:duration=%g:sample_rate=%d", t.seconds,
                  t.sample_rate);
    return {"-f", "lavfi", "-i", sine, "-ac", "1", "-fflags", "+bitexact", "-flags:a", "+bitexact"};
}

std::vector<std::string> mp3_args(const tone& t) {
    std::vector<std::string> a = source(t);
    const std::string rate = std::to_string(t.kbps) + "k";
    if (t.layer2) {
        a.insert(a.end(), {"-c:a", "mp2", "-b:a", rate, "-f", "mp2"});
        return a;
    }
    a.insert(a.end(), {"-c:a", "libmp3lame", "-b:a", rate, "-write_xing", t.info ? "1" : "0",
                       "-id3v2_version", t.tags ? "3" : "0", "-write_id3v1", t.tags ? "1" : "0"});
    const std::pair<const char*, std::string> fields[] = {
        {"title", t.title},
        {"artist", t.artist},
        {"album", t.album},
        {"date", t.year},
        {"comment", t.comment},
        {"genre", t.genre},
        {"track", t.track ? std::to_string(t.track) : ""}};
    for (const auto& [key, value] : fields)
        if (!value.empty()) a.insert(a.end(), {"-metadata", std::string(key) + "=" + value});
    a.insert(a.end(), {"-f", "mp3"});
    return a;
}

} // namespace

std::string encode(const tone& t) {
    return cached(mp3_args(t), t.layer2 ? ".mp2" : ".mp3");
}

std::string encode_wav(const tone& t, bool metadata) {
    std::vector<std::string> a = source(t);
    a.insert(a.end(), {"-c:a", "libmp3lame", "-b:a", std::to_string(t.kbps) + "k"});
    if (metadata) a.insert(a.end(), {"-metadata", "title=" + (t.title.empty() ? "x" : t.title)});
    a.insert(a.end(), {"-f", "wav"});
    return cached(a, ".wav");
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
