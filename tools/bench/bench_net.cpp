// Downloading through the resident TAP's HTTP client, in the emulator (the TAP code linked into
// this program, calling the TAP API through libtap's table), against wget of the same file from
// the same loopback server followed by sync: the client syncs each download before it puts it
// in place. Prints the median seconds of each and their ratio; then the seconds a server that
// accepts the connection and never answers holds the client.
// usage: bench_net MB [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "api.h"
#include "bench_timing.h"
#include "common/paths.h"
#include "common/programs.h"
#include "emulator.h"
#include "http_server.h"
#include "net/http_get.h"

namespace fs = std::filesystem;

using bench::median;
using bench::seconds_of;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_net MB [RUNS]\n");
        return 2;
    }
    const int mb = std::atoi(argv[1]);
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    if (mb <= 0 || runs <= 0) return 2;
    void* firmware[4] = {reinterpret_cast<void*>(&tapsim::tapsim_api_getter), nullptr, nullptr,
                         nullptr};
    if (__TAP_Init(firmware) != 0) return 1;
    const std::string dir = tapsim::make_temp_dir("bench_net");
    if (dir.empty()) return 1;
    const fs::path disk = fs::path(dir) / "disk";
    fs::create_directories(disk / "ProgramFiles/Settings/TovakRC");
    scenario::HttpReply reply;
    reply.body.resize(static_cast<size_t>(mb) << 20);
    for (size_t i = 0; i < reply.body.size(); ++i)
        reply.body[i] = static_cast<char>(i * 7 + i / 4093);
    reply.head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(reply.body.size()) +
                 "\r\nLast-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n";
    int status = 0;
    std::vector<double> ours, theirs;
    double dead = 0;
    {
        tapsim::Config c;
        c.disk = disk.string();
        tapsim::Emulator emu(c);
        if (!emu.ok() || tap_folder_change(SETTINGS_FOLDER) != 0) {
            std::fprintf(stderr, "bench_net: no emulator\n");
            status = 1;
        }
        const fs::path ours_file = disk / "ProgramFiles/Settings/TovakRC/big.bin";
        const fs::path wget_file = fs::path(dir) / "wget.bin";
        for (int i = 0; i < runs && status == 0; ++i) {
            scenario::HttpServer server(reply);
            emu.state().hosts = {tapsim::HostPorts{"www.tovak.test", server.port(), 0, {}}};
            fs::remove(ours_file);
            fs::remove(wget_file);
            sync();
            uint32_t size = 0;
            int r = -1;
            ours.push_back(seconds_of([&] {
                r = http_get("www.tovak.test", "tovakrc/big.bin", "big.bin", nullptr, &size,
                             nullptr, 1);
            }));
            if (r != 0 || size != reply.body.size()) {
                std::fprintf(stderr, "bench_net: http_get gave %d, %u bytes\n", r, size);
                status = 1;
                break;
            }
            const std::string command = "wget -q -O '" + wget_file.string() +
                                        "' http://127.0.0.1:" + std::to_string(server.port()) +
                                        "/tovakrc/big.bin && sync";
            sync();
            int w = -1;
            theirs.push_back(seconds_of([&] { w = std::system(command.c_str()); }));
            if (w != 0 || fs::file_size(wget_file) != reply.body.size()) {
                std::fprintf(stderr, "bench_net: wget failed\n");
                status = 1;
            }
        }
        if (status == 0) {
            scenario::HttpReply silent;
            silent.never_answer = true;
            scenario::HttpServer server(silent);
            emu.state().hosts = {tapsim::HostPorts{"www.tovak.test", server.port(), 0, {}}};
            dead = seconds_of([] {
                http_get("www.tovak.test", "tovakrc/big.bin", "big.bin", nullptr, nullptr, nullptr,
                         1);
            });
        }
    }
    fs::remove_all(dir);
    if (status) return status;
    const double a = median(ours), b = median(theirs);
    std::printf("download %d MB, median of %d: http_get %.3f s (%.0f MB/s); wget + sync %.3f s "
                "(%.0f MB/s); ratio %.2f\n",
                mb, runs, a, mb / a, b, mb / b, a / b);
    std::printf("a server that never answers holds the client for %.2f s\n", dead);
    return 0;
}
