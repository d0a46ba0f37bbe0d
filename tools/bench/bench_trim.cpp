// The trim's .nav patch for |< (the TAP code linked into this program, allocating through the
// TAP API of an emulator) on a navigation file of N 32-byte entries, paused in the first
// blocks so that nearly every entry is read, moved and written:
//   nav N         one patch; tools/bench_tap.sh counts the instructions of this program's own
//                 code inside bench_nav_patch under callgrind (the C library's and the
//                 kernel's work left out): the TAP side per entry
//   time N RUNS   the whole patch (block I/O, the new file synced and renamed over the old)
//                 against cp of the same file followed by sync, medians of RUNS each; prints
//                 both in seconds and their ratio
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "api.h"
#include "bench_timing.h"
#include "common/byte_order.h"
#include "core/trim_patch.h"
#include "emulator.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t blocks_per_entry = 3; // a recording of 3 blocks per entry

// N entries, every fourth may start the stream, 40 ms apart.
void write_nav(const fs::path& p, uint32_t n) {
    std::vector<uint8_t> bytes(size_t{n} * 32, 0);
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t* e = &bytes[size_t{i} * 32];
        const uint64_t position = uint64_t{i} * blocks_per_entry * REC_BLOCK_BYTES;
        e[3] = i % 4 ? 2 : 1;
        put_le32(e + 8, static_cast<uint32_t>(position >> 32));
        put_le32(e + 12, static_cast<uint32_t>(position));
        put_le32(e + 16, i * 7 + 1);
        put_le32(e + 24, i * 40);
    }
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

trim_cut cut_of(uint32_t n) {
    return trim_cut{true, 4, n * blocks_per_entry, 4 * uint64_t{REC_BLOCK_BYTES}};
}

using bench::median;
using bench::seconds_of;

} // namespace

extern "C" __attribute__((noinline, visibility("default"))) int32_t
bench_nav_patch(const char* stream, uint32_t n) {
    return nav_patch(stream, cut_of(n), nullptr);
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_trim nav N | time N RUNS\n");
        return 2;
    }
    const std::string mode = argv[1];
    const uint32_t n = static_cast<uint32_t>(std::atol(argv[2]));
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    if (n < 8 || runs <= 0 || (mode != "nav" && mode != "time")) return 2;
    void* firmware[4] = {reinterpret_cast<void*>(&tapsim::tapsim_api_getter), nullptr, nullptr,
                         nullptr};
    if (__TAP_Init(firmware) != 0) return 1;
    const std::string dir = tapsim::make_temp_dir("bench_trim");
    if (dir.empty()) return 1;
    const fs::path disk = fs::path(dir) / "disk";
    fs::create_directories(disk);
    const fs::path stream = disk / "Film.rec", nav = disk / "Film.rec.nav";
    const fs::path original = fs::path(dir) / "original.nav", copy = fs::path(dir) / "copy.nav";
    write_nav(original, n);
    int status = 0;
    {
        tapsim::Config c;
        c.disk = disk.string();
        tapsim::Emulator emu(c);
        if (!emu.ok()) return 1;
        std::vector<double> ours, theirs;
        for (int i = 0; i < (mode == "nav" ? 1 : runs) && status == 0; ++i) {
            fs::copy_file(original, nav, fs::copy_options::overwrite_existing);
            fs::remove(copy);
            sync();
            int32_t r = -1;
            ours.push_back(seconds_of([&] { r = bench_nav_patch(stream.c_str(), n); }));
            const uint64_t expected = (uint64_t{n} - 4) * 32; // from entry 4 on
            if (r < 0 || fs::file_size(nav) != expected) {
                std::fprintf(stderr, "bench_trim: the patch gave %d\n", r);
                status = 1;
            }
            if (mode == "nav") break;
            const std::string command =
                "cp '" + original.string() + "' '" + copy.string() + "' && sync";
            sync();
            int w = -1;
            theirs.push_back(seconds_of([&] { w = std::system(command.c_str()); }));
            if (w != 0) status = 1;
        }
        if (status == 0 && mode == "time") {
            const double a = median(ours), b = median(theirs);
            std::printf("%.4f %.4f %.2f\n", a, b, a / b);
        }
    }
    fs::remove_all(dir);
    return status;
}
