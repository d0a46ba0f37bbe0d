#include "tone.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>

extern char** environ;

namespace tapsim {

std::vector<std::string> tone_command(const tone& t, const std::string& out) {
    char sine[128];
    std::snprintf(sine, sizeof sine, "sine=frequency=%d:duration=%g:sample_rate=%d", t.frequency,
                  t.seconds, t.sample_rate);
    const std::string rate = std::to_string(t.kbps) + "k";
    std::vector<std::string> a = {"ffmpeg", "-nostdin", "-v",        "error",    "-y",
                                  "-f",     "lavfi",    "-i",        sine,       "-ac",
                                  "1",      "-fflags",  "+bitexact", "-flags:a", "+bitexact"};
    if (t.layer2) {
        a.insert(a.end(), {"-c:a", "mp2", "-b:a", rate, "-f", "mp2", out});
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
    a.insert(a.end(), {"-f", "mp3", out});
    return a;
}

bool run_program(const std::vector<std::string>& args) {
    if (args.empty()) return false;
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace tapsim
