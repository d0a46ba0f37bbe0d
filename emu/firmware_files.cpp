// Firmware functions that TAPs bind by name for the firmware's own file handling: the work
// folder, playback of media files, starting a program, cutting blocks out of a recording, and
// the firmware's version text. Every call is traced with the name it got.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

namespace {

// Removes the bytes [from, to) of a file in place: what follows moves forward, data segment by
// data segment, and the holes it had become holes again where it lands, so that a sparse
// recording stays sparse (and the cut of a 5 GB recording of a few data blocks stays quick).
bool cut_in_place(const std::string& host, uint64_t from, uint64_t to) {
    const int fd = ::open(host.c_str(), O_RDWR);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0;
    const uint64_t size = ok ? static_cast<uint64_t>(st.st_size) : 0;
    const uint64_t shift = to - from;
    std::vector<char> buffer(1 << 20);
    // Zeros over [at, end) of the target: a hole where the file system can punch one.
    auto clear = [&](uint64_t at, uint64_t end) {
        if (at >= end) return true;
        if (fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(at),
                      static_cast<off_t>(end - at)) == 0)
            return true;
        std::vector<char> zeros(1 << 16, 0);
        for (uint64_t p = at; p < end;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(zeros.size(), end - p));
            if (pwrite(fd, zeros.data(), n, static_cast<off_t>(p)) != static_cast<ssize_t>(n))
                return false;
            p += n;
        }
        return true;
    };
    uint64_t at = to; // the source offset reached; [from, at - shift) of the target is done
    while (ok && at < size) {
        off_t data = lseek(fd, static_cast<off_t>(at), SEEK_DATA);
        const uint64_t data_at = data < 0 ? size : static_cast<uint64_t>(data);
        ok = clear(at - shift, data_at - shift);
        if (!ok || data_at >= size) break;
        off_t hole = lseek(fd, data, SEEK_HOLE);
        const uint64_t data_end = hole < 0 ? size : static_cast<uint64_t>(hole);
        for (uint64_t p = data_at; ok && p < data_end;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), data_end - p));
            ok = pread(fd, buffer.data(), n, static_cast<off_t>(p)) == static_cast<ssize_t>(n) &&
                 pwrite(fd, buffer.data(), n, static_cast<off_t>(p - shift)) ==
                     static_cast<ssize_t>(n);
            p += n;
        }
        at = data_end;
    }
    ok = ok && ftruncate(fd, static_cast<off_t>(size - shift)) == 0;
    return ::close(fd) == 0 && ok;
}

} // namespace

// Removes blocks first ... first + blocks - 1 (9024 bytes each) from a file of the work folder
// (the blocks past its end are not there to remove). 0, or -1 when nothing was removed or the
// emulator was told to let the cut fail.
TAPSIM_EXPORT int ApplHdd_FileCutPaste(const char* name, unsigned first, unsigned blocks,
                                       const char*) {
    std::string path = in_work_folder(name);
    int result = -1;
    if (is_file(path) && !emu().firmware_files().cut_fails) {
        std::string host = emu().disk().host_file(path);
        std::error_code ec;
        const uint64_t size = fs::file_size(host, ec);
        const uint64_t from = uint64_t{first} * block_bytes;
        const uint64_t to = std::min<uint64_t>((uint64_t{first} + blocks) * block_bytes, size);
        if (!ec && from < size && blocks > 0) result = cut_in_place(host, from, to) ? 0 : -1;
    }
    emu().trace().call(now(), "ApplHdd_FileCutPaste", {first, blocks, result},
                       path.empty() ? (name ? name : "") : path);
    return result;
}
