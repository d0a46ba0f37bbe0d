// The MP3 information reader fed arbitrary file contents through a file of the emulated disk,
// and the playlist file reader's line and path parts fed the same bytes as lines of a ".m3u"
// and a ".pls".
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "browser/mp3.h"
#include "common/programs.h"
#include "fuzz_emulator.h"

namespace {

void put(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) __builtin_trap();
    if (size) fwrite(data, 1, size, f);
    fclose(f);
}

bool text_ok(const char* text, size_t size) {
    const size_t n = strnlen(text, size);
    return n <= 29 && (n == 0 || text[n - 1] != ' ');
}

void check_info(const mp3_info_record* m) {
    if (!m) return;
    const int rates[] = {44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000};
    bool rate = false;
    for (int r : rates)
        rate = rate || m->sample_rate == r;
    if (!rate || m->bitrate < 0 || m->bitrate > 448) __builtin_trap();
    if (m->year != 0 && (m->year < 1900 || m->year > 2100)) __builtin_trap();
    if (m->track < 0 || m->track > 255 || m->genre < 0 || m->genre > 255) __builtin_trap();
    const id3v1_tag& t = m->tag;
    if (!text_ok(t.title, sizeof t.title) || !text_ok(t.artist, sizeof t.artist) ||
        !text_ok(t.album, sizeof t.album) || !text_ok(t.comment, sizeof t.comment))
        __builtin_trap();
}

void check_lines(const uint8_t* data, size_t size) {
    std::string line;
    for (size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != '\n') {
            line += static_cast<char>(data[i]);
            continue;
        }
        for (bool pls : {false, true}) {
            char entry[256], path[512];
            if (!playlist_file_line(line.c_str(), pls, entry, sizeof entry)) continue;
            if (!entry[0] || strlen(entry) >= sizeof entry) __builtin_trap();
            if (playlist_entry_path("/MP3Files/Lists", entry, path, sizeof path) != 0) continue;
            // A path on the disk, without parts that could lead elsewhere.
            if (strncmp(path, "/mnt/hd", 7) || (path[7] && path[7] != '/')) __builtin_trap();
            if (strstr(path, "/../") || strstr(path, "/./") || strstr(path, "//") ||
                strchr(path, '\\'))
                __builtin_trap();
            const size_t n = strlen(path);
            if (n >= 3 && !strcmp(path + n - 3, "/..")) __builtin_trap();
        }
        line.clear();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tapsim::Emulator& emu = fuzz_emulator();
    put(emu.disk_dir() + "/fuzz.mp3", data, size);
    if (tap_folder_change("/") != 0) __builtin_trap();
    check_info(mp3_info("fuzz.mp3"));
    check_lines(data, size);
    return 0;
}
