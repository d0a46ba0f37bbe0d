// Cost of the key dispatcher inside the TAP: N idle events with nothing to do, or N keys that
// the TAP hands on to the receiver. Run under callgrind (tools/bench_dispatch.sh), which counts
// the instructions of the TAP object while bench_loop runs.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "emulator.h"

namespace fs = std::filesystem;

extern "C" __attribute__((noinline, visibility("default"))) void bench_loop(tapsim::Emulator& emu,
                                                                           bool keys, int n) {
    for (int i = 0; i < n; ++i) {
        if (keys) {
            emu.key_event(0x10045);                     // P+: handed on in live TV
            emu.key_event(0x10045 | KEY_RELEASE);
        } else {
            emu.idle(1);
        }
    }
}

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_dispatch TAP idle|keys N\n");
        return 2;
    }
    char tmpl[] = "/tmp/bench_dispatch.XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    fs::create_directories(fs::path(tmpl) / "ProgramFiles");
    int status = 0;
    {
        tapsim::Config c;
        c.disk = tmpl;
        tapsim::Emulator emu(c);
        if (!emu.ok() || emu.load_tap(argv[1]) < 0) {
            std::fprintf(stderr, "bench_dispatch: cannot load %s\n", argv[1]);
            status = 1;
        } else {
            bool keys = std::string(argv[2]) == "keys";
            emu.idle(200); // past the first idle events of the run
            bench_loop(emu, keys, std::atoi(argv[3]));
            emu.stop_all();
        }
    }
    fs::remove_all(tmpl);
    return status;
}
