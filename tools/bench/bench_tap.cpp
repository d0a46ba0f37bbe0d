// Costs of the TAPs measured in the emulator (the HD TAP: idle and keys only). Under callgrind
// (tools/bench_tap.sh counts the instructions of the TAP object while bench_loop runs):
//   idle N        N idle events with nothing to do
//   keys N        N keys the TAP hands on (P+ in live TV, press and release)
//   browse N      entering a folder of N files in the file browser (scan, sort, first draw)
//   browse_key N  one "v" in the browser on that folder
//   playlist N    "Play all MP3 files" on a folder of N MP3 files in 100 folders (Max. Files 20)
// Timed (wall clock): copy MB   copying a file of MB megabytes through the copy queue with idle
//   events back to back; prints the seconds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/key_codes.h"
#include "common/settings.h"
#include "emulator.h"

namespace fs = std::filesystem;

namespace {

// The HD TAP's own 32-byte settings: "Ch / Vol" on, listening, TF and RC "2100/2410", the last
// update check today (nothing due).
void hd_settings_file(const fs::path& disk) {
    uint8_t b[32] = {};
    b[0x08] = 1;             // initialised
    b[0x0C] = 0x2 | 0x10;    // Ch / Vol, start listening
    b[0x11] = b[0x12] = 1;   // TF, RC
    const int today = 61384; // the emulator's date
    b[0x14] = static_cast<uint8_t>(today);
    b[0x15] = static_cast<uint8_t>(today >> 8);
    fs::path folder = disk / "ProgramFiles/Settings/TovakRC";
    fs::create_directories(folder);
    std::ofstream(folder / "TovakRC.ini", std::ios::binary).write(reinterpret_cast<char*>(b), 32);
}

void settings_file(const fs::path& disk) {
    settings_record s{};
    s.initialised = 1;
    s.flags = SET_ENGLISH | SET_START_LISTENING | SET_FILES_OK;
    s.tf_model = s.rc_model = 1;
    s.startup = 20u << 16 | 2u << 24; // Max. Files 20 (20,000 entries), Max. Text 2
    fs::path folder = disk / "ProgramFiles/Settings/TovakRC";
    fs::create_directories(folder);
    std::ofstream(folder / "TovakRC.ini", std::ios::binary)
        .write(reinterpret_cast<const char*>(&s), sizeof s);
}

void press(tapsim::Emulator& emu, uint32_t key) {
    emu.key_event(key);
    emu.key_event(key | KEY_RELEASE);
}

} // namespace

extern "C" __attribute__((noinline, visibility("default"))) void
bench_loop(tapsim::Emulator& emu, const std::string& mode, int n) {
    if (mode == "keys") {
        for (int i = 0; i < n; ++i)
            press(emu, KEY_P_PLUS);
    } else if (mode == "idle") {
        emu.idle(static_cast<uint64_t>(n));
    } else if (mode == "browse") {
        press(emu, KEY_7);
    } else if (mode == "browse_key") {
        press(emu, KEY_DOWN);
    } else if (mode == "playlist") {
        press(emu, KEY_PLAY);
    }
}

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_tap TAP idle|keys|browse|browse_key|playlist|copy N\n");
        return 2;
    }
    const std::string mode = argv[2];
    const int n = std::atoi(argv[3]);
    const std::string tmpl = tapsim::make_temp_dir("bench_tap");
    if (tmpl.empty()) return 1;
    const fs::path disk = fs::path(tmpl) / "disk";
    fs::create_directories(disk / "ProgramFiles");
    fs::create_directories(disk / "DataFiles");
    fs::create_directories(disk / "MediaFiles");
    if (std::string(argv[1]).find("tovakrc_hd") != std::string::npos)
        hd_settings_file(disk);
    else
        settings_file(disk);
    if (mode == "browse" || mode == "browse_key")
        for (int i = 0; i < n; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "file_%05d_%c.txt", (i * 7919) % n, 'a' + i % 26);
            std::ofstream(disk / "DataFiles" / name) << i;
        }
    if (mode == "playlist")
        for (int i = 0; i < n; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "Collection/CD %02d/%02d - Track %d.mp3", i % 100,
                          i / 100 + 1, i);
            const fs::path file = disk / "MP3Files" / name;
            if (i < 100) fs::create_directories(file.parent_path());
            std::ofstream(file) << i;
        }
    const fs::path source = disk / "DataFiles" / "big.bin";
    if (mode == "copy") {
        std::ofstream out(source, std::ios::binary);
        std::string block(1 << 20, 'x');
        for (int i = 0; i < n; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    int status = 0;
    {
        tapsim::Config c;
        c.disk = disk.string();
        tapsim::Emulator emu(c);
        if (!emu.ok() || emu.load_tap(argv[1]) < 0) {
            std::fprintf(stderr, "bench_tap: cannot load %s\n", argv[1]);
            status = 1;
        } else {
            emu.idle(200);
            if (mode == "browse" || mode == "browse_key" || mode == "copy" || mode == "playlist") {
                press(emu, KEY_SAT);
                press(emu, KEY_FILELIST);
            }
            if (mode == "browse_key") press(emu, KEY_7);
            if (mode == "playlist") press(emu, KEY_5); // "Collection" is selected
            if (mode == "copy") {
                // Mark the file (the selected one), choose the target folder, confirm.
                press(emu, KEY_7);
                press(emu, KEY_RECORD);
                emu.idle(300);
                press(emu, KEY_4);
                press(emu, KEY_RECORD);
                const fs::path target = disk / "MediaFiles" / "big.bin";
                const uintmax_t size = fs::file_size(source);
                auto start = std::chrono::steady_clock::now();
                press(emu, KEY_OK);
                std::error_code ec;
                while (fs::file_size(target, ec) != size || ec)
                    emu.idle(64);
                double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                std::printf("%.3f\n", seconds);
            } else {
                bench_loop(emu, mode, n);
            }
            emu.stop_all();
        }
    }
    fs::remove_all(tmpl);
    return status;
}
