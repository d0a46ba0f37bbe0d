// tapsim: runs TAPs in the receiver emulator from the command line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "demo_disk.h"
#include "demo_guide.h"
#include "emulator.h"
#include "png_out.h"
#ifdef TAPSIM_SERVE
#include "serve.h"
#endif

namespace fs = std::filesystem;

namespace {

const char usage[] =
    "usage: tapsim [--disk DIR] [--usb DIR] [--fixture FILE] [--clock \"YYYY-MM-DD HH:MM:SS\"]\n"
    "              [--uptime SECONDS] [--tap FILE]... [--keys \"KEY ...\"] [--script FILE]\n"
    "              [--trace FILE] [--screen FILE] [--screens FILE] [--png FILE] [--shots DIR]\n"
    "              [--builtin-font] [--mapped-paths] [--autostart] [--serve [PORT]]\n"
    "              [--serve-address ADDR]\n"
    "--autostart: the TAPs of the disk's \"/ProgramFiles/Auto Start\" in name order, as a\n"
    "receiver starts them (before those of --tap).\n"
    "--screens: the screen text model at every change (a sync or a sleep of a TAP), one JSON\n"
    "line each with its tick. --builtin-font: text widths of the built-in font, as on every\n"
    "build. --mapped-paths: the receiver's paths below a folder of the emulator, even where a\n"
    "private mount namespace could make them real.\n"
    "--serve: after the keys and the script, the receiver runs in real time behind a web page\n"
    "on http://127.0.0.1:PORT/ (any free port without PORT; --serve-address ADDR listens there\n"
    "instead) until Ctrl-C"
#ifndef TAPSIM_SERVE
    " (--serve is not in this build)"
#endif
    ".\n";

std::string exe_dir() {
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? "." : p.parent_path().string();
}

// The receiver build of a TAP (what a receiver has installed), when it lies beside this build.
std::string mips_twin(const std::string& tap) {
    fs::path twin = fs::path(exe_dir()) / ".." / "mipsel" / fs::path(tap).filename();
    std::error_code ec;
    return fs::exists(twin, ec) ? twin.string() : "";
}

// The receiver's folder of the TAPs it starts when it is switched on.
constexpr char autostart_folder[] = "/ProgramFiles/Auto Start";

// The ".tap" files of the disk's start folder, in name order.
std::vector<std::string> autostart_taps(const std::string& disk) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(fs::path(disk) / (autostart_folder + 1), ec))
        if (e.is_regular_file(ec) && e.path().extension() == ".tap")
            found.push_back(e.path().string());
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

int main(int argc, char** argv) {
    tapsim::Config config;
    std::vector<std::string> taps;
    std::string keys, script, screen, png;
    bool serving = false;
    [[maybe_unused]] int port = 0; // of --serve
    std::string address = "127.0.0.1";
    bool autostart = false;
    for (int i = 1; i < argc; ++i) {
        std::string opt = argv[i];
        if (opt == "-h" || opt == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (opt == "--serve") {
            serving = true;
            // An optional port.
            if (i + 1 < argc && argv[i + 1][0] >= '0' && argv[i + 1][0] <= '9') {
                char* end;
                long p = std::strtol(argv[++i], &end, 10);
                if (*end || p < 0 || p > 65535) {
                    std::fprintf(stderr, "tapsim: bad --serve port %s\n", argv[i]);
                    return 2;
                }
                port = static_cast<int>(p);
            }
            continue;
        }
        if (opt == "--autostart") {
            autostart = true;
            continue;
        }
        if (opt == "--builtin-font" || opt == "--mapped-paths") {
            (opt == "--builtin-font" ? config.builtin_font : config.mapped_tree) = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "tapsim: %s needs a value\n%s", opt.c_str(), usage);
            return 2;
        }
        std::string v = argv[++i];
        if (opt == "--disk")
            config.disk = v;
        else if (opt == "--usb")
            config.usb = v;
        else if (opt == "--fixture")
            config.fixture = v;
        else if (opt == "--clock")
            config.clock = v;
        else if (opt == "--uptime") {
            char* end;
            long long s = std::strtoll(v.c_str(), &end, 10);
            if (*end || s < 0) {
                std::fprintf(stderr, "tapsim: bad --uptime %s\n", v.c_str());
                return 2;
            }
            config.uptime = s;
        } else if (opt == "--tap")
            taps.push_back(v);
        else if (opt == "--keys")
            keys = v;
        else if (opt == "--script")
            script = v;
        else if (opt == "--trace")
            config.trace = v;
        else if (opt == "--screen")
            screen = v;
        else if (opt == "--screens")
            config.screens = v;
        else if (opt == "--png")
            png = v;
        else if (opt == "--shots")
            config.shots = v;
        else if (opt == "--serve-address")
            address = v;
        else {
            std::fprintf(stderr, "tapsim: unknown option %s\n%s", opt.c_str(), usage);
            return 2;
        }
    }
#ifndef TAPSIM_SERVE
    if (serving) {
        std::fprintf(stderr, "tapsim: --serve is not in this build\n");
        return 2;
    }
#endif
#ifndef TAPSIM_PNG
    if (!png.empty()) {
        std::fprintf(stderr, "tapsim: this build writes no PNG files (no libpng)\n");
        return 2;
    }
#endif
    std::string demo_dir;
    if (config.disk.empty()) {
        const std::string tmpl = tapsim::make_temp_dir("tapsim-demo");
        std::string why;
        if (tmpl.empty() || !tapsim::make_demo_disk(tmpl, &why)) {
            std::fprintf(stderr, "tapsim: %s\n",
                         why.empty() ? "cannot make a demo disk" : why.c_str());
            return 1;
        }
        demo_dir = config.disk = tmpl;
        // The demo receiver's channels, guide, timers and running recording.
        // A given fixture (the demo's web hosts) keeps what it sets.
        const std::string given = config.fixture;
        config.fixture = tmpl + ".fixture.json";
        if (!tapsim::prepare_demo_receiver(tmpl, config.clock, given, config.fixture, &why)) {
            std::fprintf(stderr, "tapsim: %s\n", why.c_str());
            return 1;
        }
        // The converters and helpers a receiver has installed beside the TAP.
        tapsim::install_helpers(demo_dir, tapsim::helpers_dir(exe_dir()), nullptr);
        for (const char* program : {"tovak_gif", "tovak_png"}) {
            std::error_code ec;
            fs::copy_file(fs::path(exe_dir()) / program,
                          fs::path(demo_dir) / "ProgramFiles/Settings/TovakRC" /
                              (std::string(program) + ".mips"),
                          ec);
        }
    }
    // Each TAP with the receiver path it is installed at ("": the default).
    std::vector<std::pair<std::string, std::string>> loads;
    if (autostart) {
        for (const std::string& tap : autostart_taps(config.disk))
            loads.emplace_back(tap, std::string(autostart_folder) + "/" +
                                        fs::path(tap).filename().string());
        if (loads.empty()) {
            std::fprintf(stderr, "tapsim: no TAP in \"%s\" of the disk\n", autostart_folder);
            return 1;
        }
    }
    for (const std::string& tap : taps)
        loads.emplace_back(tap, "");
    if (loads.empty()) loads.emplace_back(exe_dir() + "/tovakrc_tms.tap", "");
    int status = 0;
    {
        tapsim::Emulator emu(config);
        if (!emu.ok()) {
            std::fprintf(stderr, "tapsim: %s\n", emu.error().c_str());
            status = 1;
        }
        for (size_t i = 0; status == 0 && i < loads.size(); ++i) {
            const auto& [tap, at] = loads[i];
            int slot = at.empty() ? emu.load_tap(tap, "", mips_twin(tap)) : emu.load_tap(tap, at);
            if (slot == tapsim::Emulator::ended_at_start) {
                // As on a receiver: that TAP is gone, the others run on.
                std::fprintf(stderr, "tapsim: %s ended at its start\n", tap.c_str());
            } else if (slot < 0) {
                std::fprintf(stderr, "tapsim: %s did not start\n", tap.c_str());
                status = 1;
            }
        }
        std::string why;
        if (status == 0) {
            emu.idle(50);
            std::istringstream words(keys);
            std::string key;
            while (status == 0 && words >> key) {
                if (!emu.run_command(key, &why) || tapsim::key_code(key) == 0) {
                    std::fprintf(stderr, "tapsim: --keys: unknown key %s\n", key.c_str());
                    status = 2;
                }
            }
        }
        if (status == 0 && !script.empty() && !emu.run_script(script, &why)) {
            std::fprintf(stderr, "tapsim: %s\n", why.c_str());
            status = 2;
        }
        if (status == 0 && !screen.empty()) {
            std::ofstream out(screen);
            out << emu.osd().screen_json();
            if (!out) {
                std::fprintf(stderr, "tapsim: cannot write %s\n", screen.c_str());
                status = 1;
            }
        }
#ifdef TAPSIM_SERVE
        if (status == 0 && serving) status = tapsim::serve(emu, {address, port});
#endif
#ifdef TAPSIM_PNG
        if (status == 0 && !png.empty() &&
            !tapsim::write_png(png, emu.osd().compose(), tapsim::screen_w, tapsim::screen_h,
                               &why)) {
            std::fprintf(stderr, "tapsim: %s\n", why.c_str());
            status = 1;
        }
#endif
        // Before a receiver powers off, every running TAP gets the stop event.
        emu.stop_all();
    }
    if (!demo_dir.empty()) {
        std::error_code ec;
        fs::remove_all(demo_dir, ec);
        fs::remove(demo_dir + ".fixture.json", ec);
    }
    return status;
}
