// Costs of the TAPs measured in the emulator (the HD TAP: idle and keys only). Under callgrind
// (tools/bench_tap.sh counts the instructions of the TAP object while bench_loop runs):
//   idle N        N idle events with nothing to do
//   keys N        N keys the TAP hands on (P+ in live TV, press and release)
//   browse N      entering a folder of N files in the file browser (scan, sort, first draw)
//   browse_key N  one "v" in the browser on that folder
//   playlist N    "Play all MP3 files" on a folder of N MP3 files in 100 folders (Max. Files 20)
//   epg N         opening the EPG's channels list on N TV channels of 300 programmes each
//   epg_key N     one "v" in that list
//   text_load N   the text viewer loads a plain text file of N lines (Max. Text 20), half of
//                 them 80 characters long (measured and wrapped), half 30
//   text_key N    one "v" in the viewer on that document
// Timed (wall clock): lynx N   a web page of about N MB shown through the lynx helper (Max.
//   Text 20), from the key to the drawn page, against "lynx -dump" of the same file alone;
//   prints the medians of 5 in seconds.
// Timed (wall clock): copy MB   copying a file of MB megabytes through the copy queue with idle
//   events back to back; prints the seconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/key_codes.h"
#include "common/settings.h"
#include "demo_disk.h"
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

void settings_file(const fs::path& disk, unsigned max_text) {
    settings_record s{};
    s.initialised = 1;
    s.flags = SET_ENGLISH | SET_START_LISTENING | SET_FILES_OK;
    s.tf_model = s.rc_model = 1;
    s.startup = 20u << 16 | max_text << 24; // Max. Files 20 (20,000 entries)
    fs::path folder = disk / "ProgramFiles/Settings/TovakRC";
    fs::create_directories(folder);
    std::ofstream(folder / "TovakRC.ini", std::ios::binary)
        .write(reinterpret_cast<const char*>(&s), sizeof s);
}

void press(tapsim::Emulator& emu, uint32_t key) {
    emu.key_event(key);
    emu.key_event(key | KEY_RELEASE);
}

bool text_mode(const std::string& mode) {
    return mode == "text_load" || mode == "text_key" || mode == "lynx";
}

// Lines of 80 characters (capitals with blanks, wider than a line: each is wrapped once) and of
// 30, alternating.
void text_document(const fs::path& path, int lines) {
    std::ofstream out(path);
    const std::string words = "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG NEAR THE RIVERBANK AT";
    for (int i = 0; i < lines; ++i) {
        char line[96];
        if (i % 2 == 0)
            std::snprintf(line, sizeof line, "%05d %s %-8.8s", i, words.c_str(), "DAWN AND");
        else
            std::snprintf(line, sizeof line, "%05d a short line of thirty c", i);
        out << line << '\n';
    }
}

// A web page of about mb megabytes: paragraphs with a link in every fourth.
void web_page(const fs::path& path, int mb) {
    std::ofstream out(path);
    out << "<!DOCTYPE html><html><head><title>Big page</title></head><body>\n";
    const size_t target = static_cast<size_t>(mb) << 20;
    size_t written = 0;
    for (int i = 0; written < target; ++i) {
        std::string p = "<p>Paragraph " + std::to_string(i) +
                        " of a long page with enough words to wrap over the width of a line of "
                        "the viewer";
        if (i % 4 == 0) p += " and <a href=\"page" + std::to_string(i) + ".html\">a link</a>";
        p += ".</p>\n";
        out << p;
        written += p.size();
    }
    out << "</body></html>\n";
}

// The right text of the viewer's title bar: percent, lines and splits.
std::string title_figures(tapsim::Emulator& emu) {
    for (const tapsim::Region& r : emu.osd().regions())
        if (r.live)
            for (const tapsim::TextRun& t : r.runs)
                if (t.y == 12 && t.x > 400 && t.text.find('%') != std::string::npos) return t.text;
    return "";
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
    } else if (mode == "browse_key" || mode == "text_key") {
        press(emu, KEY_DOWN);
    } else if (mode == "playlist") {
        press(emu, KEY_PLAY);
    } else if (mode == "text_load") {
        press(emu, KEY_OK);
    } else if (mode == "epg") {
        press(emu, KEY_GUIDE);
    } else if (mode == "epg_key") {
        press(emu, KEY_DOWN);
    }
}

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(
            stderr,
            "usage: bench_tap TAP "
            "idle|keys|browse|browse_key|playlist|epg|epg_key|text_load|text_key|copy|lynx N\n");
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
        settings_file(disk, text_mode(mode) ? 20 : 2);
    if (mode == "text_load" || mode == "text_key") text_document(disk / "DataFiles" / "doc.txt", n);
    if (mode == "lynx") {
        web_page(disk / "DataFiles" / "big.html", n);
        std::string why;
        if (!tapsim::install_helpers(disk.string(), tapsim::helpers_dir(TAPSIM_BUILD_DIR), &why)) {
            std::fprintf(stderr, "bench_tap: %s\n", why.c_str());
            return 1;
        }
    }
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
            if (mode == "epg" || mode == "epg_key") {
                // Programmes of ten minutes from ten hours ago on.
                std::vector<tapsim::Channel> tv;
                for (int i = 0; i < n; ++i) {
                    tapsim::Channel ch("Channel " + std::to_string(i + 1), 10700 + i % 7 * 100);
                    for (int k = 0; k < 300; ++k)
                        ch.events.push_back({k * 10 - 600, 10, "Programme " + std::to_string(k),
                                             "Its short text", ""});
                    tv.push_back(std::move(ch));
                }
                emu.state().tv = std::move(tv);
            }
            emu.idle(200);
            if (mode == "epg" || mode == "epg_key") press(emu, KEY_SAT);
            if (mode == "epg_key") press(emu, KEY_GUIDE);
            if (mode == "browse" || mode == "browse_key" || mode == "copy" || mode == "playlist" ||
                text_mode(mode)) {
                press(emu, KEY_SAT);
                press(emu, KEY_FILELIST);
            }
            if (mode == "browse_key" || text_mode(mode)) press(emu, KEY_7);
            if (mode == "playlist") press(emu, KEY_5); // "Collection" is selected
            if (mode == "text_key") press(emu, KEY_OK);
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
            } else if (mode == "lynx") {
                // The page through the viewer (Ok, then Recall reads it again), and lynx alone.
                std::vector<double> viewer, alone;
                const std::string file = (disk / "DataFiles" / "big.html").string();
                const std::string command =
                    "lynx -cfg=/dev/null -dump -force_html -width=85 -image_links -stderr "
                    "-assume_charset=ISO-8859-1 '" +
                    file + "' > /dev/null";
                for (int i = 0; i < 5; ++i) {
                    auto start = std::chrono::steady_clock::now();
                    press(emu, i == 0 ? KEY_OK : KEY_RECALL);
                    viewer.push_back(seconds_since(start));
                    start = std::chrono::steady_clock::now();
                    if (std::system(command.c_str()) != 0) status = 1;
                    alone.push_back(seconds_since(start));
                }
                std::printf("%.3f %.3f\n", median(viewer), median(alone));
            } else {
                bench_loop(emu, mode, n);
                if (text_mode(mode)) std::printf("%s\n", title_figures(emu).c_str());
            }
            emu.stop_all();
        }
    }
    fs::remove_all(tmpl);
    return status;
}
