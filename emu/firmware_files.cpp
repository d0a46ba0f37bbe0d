// Firmware functions that TAPs bind by name for the firmware's own file handling: the work
// folder, playback of media files, starting a program, cutting blocks out of a recording, and
// the firmware's version text. Every call is traced with the name it got.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "emulator.h"

using tapsim::Emulator;

namespace fs = std::filesystem;

#define TAPSIM_EXPORT __attribute__((visibility("default")))

// The firmware's output buffer that Appl_SetApplVer writes its version text into.
extern "C" TAPSIM_EXPORT char _osdOutBuf[1024];
char _osdOutBuf[1024];

namespace tapsim {

const char* firmware_image(bool end) {
    alignas(4) static char image[256];
    static const char format[] = "v%d.%d.%d";
    // Code words in front of the text, so that a scan has to walk to it.
    for (size_t i = 0; i < 64; ++i)
        image[i] = static_cast<char>(0x20 + i);
    std::memset(image + 64, 0, sizeof image - 64);
    std::memcpy(image + 64, format, sizeof format);
    std::snprintf(image + 76, sizeof image - 76, "%s",
                  Emulator::current()->firmware_files().build.c_str());
    return end ? image + sizeof image : image;
}

} // namespace tapsim

namespace {

constexpr uint32_t folder_magic = 0xBACAED31u;
constexpr uint64_t block_bytes = 9024; // one block of a recording

Emulator& emu() {
    return *Emulator::current();
}
uint64_t now() {
    return emu().clock().ticks();
}

bool folder_record_ok(const void* folder) {
    uint32_t magic = 0;
    if (folder) std::memcpy(&magic, folder, 4);
    return magic == folder_magic;
}

// Receiver path of a name in the work folder, or "" when it would leave the disk.
std::string in_work_folder(const char* name) {
    if (!name) return "";
    std::string folder = emu().firmware_files().work_folder;
    std::string joined = folder + (folder.back() == '/' ? "" : "/") + name;
    std::string resolved;
    return emu().disk().resolve(joined.c_str(), &resolved) ? resolved : "";
}

bool is_file(const std::string& receiver_path) {
    std::error_code ec;
    return !receiver_path.empty() && fs::is_regular_file(emu().disk().host_path(receiver_path), ec);
}

bool ends_with_mp3(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".mp3";
}

int start_playback(const char* call, const char* name) {
    std::string path = in_work_folder(name);
    int result = is_file(path) ? 0 : -1;
    if (result == 0) {
        tapsim::PlayState& play = emu().state().play;
        play = tapsim::PlayState{};
        play.mode = ends_with_mp3(path) ? 5 : 2;
        play.file = path;
    }
    emu().trace().call(now(), call, {result}, path.empty() ? (name ? name : "") : path);
    return result;
}

} // namespace

TAPSIM_EXPORT void Appl_SetApplVer(char* text) {
    emu().trace().call(now(), "Appl_SetApplVer", {text != nullptr});
    if (!text)
        std::snprintf(_osdOutBuf, sizeof _osdOutBuf, "%s", emu().firmware_files().version.c_str());
}

TAPSIM_EXPORT void ApplHdd_SaveWorkFolder() {
    tapsim::FirmwareFiles& f = emu().firmware_files();
    f.saved.push_back(f.work_folder);
    emu().trace().call(now(), "ApplHdd_SaveWorkFolder", {}, f.work_folder);
}

TAPSIM_EXPORT void ApplHdd_RestoreWorkFolder() {
    tapsim::FirmwareFiles& f = emu().firmware_files();
    if (!f.saved.empty()) {
        f.work_folder = f.saved.back();
        f.saved.pop_back();
    }
    emu().trace().call(now(), "ApplHdd_RestoreWorkFolder", {}, f.work_folder);
}

// path: the folder below the disk root, without its leading "/". 0 when it was selected.
TAPSIM_EXPORT int ApplHdd_SelectFolder(void* folder, const char* path) {
    std::string resolved;
    std::error_code ec;
    bool ok = folder_record_ok(folder) && path &&
              emu().disk().resolve((std::string("/") + path).c_str(), &resolved) &&
              fs::is_directory(emu().disk().host_path(resolved), ec);
    if (ok) emu().firmware_files().selected = resolved;
    int result = ok ? 0 : 1;
    emu().trace().call(now(), "ApplHdd_SelectFolder", {result}, path ? path : "");
    return result;
}

TAPSIM_EXPORT int ApplHdd_SetWorkFolder(void* folder) {
    tapsim::FirmwareFiles& f = emu().firmware_files();
    int result = folder_record_ok(folder) && !f.selected.empty() ? 0 : -1;
    if (result == 0) f.work_folder = f.selected;
    emu().trace().call(now(), "ApplHdd_SetWorkFolder", {result}, f.work_folder);
    return result;
}

TAPSIM_EXPORT int Appl_StartPlaybackMedia(const char* name, unsigned, bool, bool) {
    return start_playback("Appl_StartPlaybackMedia", name);
}

TAPSIM_EXPORT int Appl_StartPlaybackDivx(char* name, unsigned, bool) {
    return start_playback("Appl_StartPlaybackDivx", name);
}

// Starting a program (a TAP) is only traced (with whether the file exists); the emulator loads
// TAPs from its command line. The firmware's function returns nothing.
TAPSIM_EXPORT void Appl_ExecProgram(char* name) {
    std::string path = in_work_folder(name);
    emu().trace().call(now(), "Appl_ExecProgram", {is_file(path) ? 0 : -1},
                       path.empty() ? (name ? name : "") : path);
}

// Removes blocks first ... first + blocks - 1 (9024 bytes each) from a file of the work folder.
TAPSIM_EXPORT int ApplHdd_FileCutPaste(const char* name, unsigned first, unsigned blocks,
                                       const char*) {
    std::string path = in_work_folder(name);
    int result = -1;
    if (is_file(path)) {
        std::string host = emu().disk().host_path(path);
        std::vector<char> bytes;
        {
            std::ifstream in(host, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        uint64_t from = first * block_bytes;
        uint64_t to = std::min<uint64_t>((uint64_t{first} + blocks) * block_bytes, bytes.size());
        if (from < bytes.size() && blocks > 0) {
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                        bytes.begin() + static_cast<std::ptrdiff_t>(to));
            std::ofstream out(host, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            result = out ? 0 : -1;
        }
    }
    emu().trace().call(now(), "ApplHdd_FileCutPaste", {first, blocks, result},
                       path.empty() ? (name ? name : "") : path);
    return result;
}
