// The receiver state the TAP can ask about, read from a JSON fixture and changed by scripts.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tapsim {

struct Channel {
    std::string name;
};

struct PlayState {
    int mode = 0;  // 0 none, 2 playback, 3 time-shift, 4 time-shift of a recording, 5 MP3
    int trick = 0; // 4 = paused
    uint32_t block = 0, total = 0;
    std::string file;      // receiver path of the played file
    uint32_t seconds = 0;  // MP3: the file's length
    uint64_t end_tick = 0; // MP3: the tick its end is reported at (0: never)
    bool fails = false;    // TAP_Hdd_GetPlayInfo answers 0 (no information)
};

// A host name of the receiver's network and the loopback ports of the servers standing in for
// it: TCP 80 goes to http, 443 to https, UDP ports by udp (0: refused).
struct HostPorts {
    std::string name;
    int http = 0, https = 0;
    std::map<int, int> udp;
};

// A network interface of the receiver (answers to the interface ioctls).
struct NetInterface {
    std::string name;
    std::string ip;
    uint8_t mac[6];
};

// Milliseconds of MPEG audio in a file (its frames counted), 0 when it has none.
uint64_t mp3_length_ms(const std::string& host_path);

struct ReceiverState {
    int system_id = 22010;
    int language = 2; // menu language (TAP_GetSystemVar 1): 2 = German
    uint32_t state = 0, sub_state = 0x1F;
    std::vector<Channel> tv{{"Das Erste"}, {"ZDF"}, {"3sat"}, {"arte"}};
    std::vector<Channel> radio{{"Bayern 1"}, {"Bayern 2"}, {"Bayern 3"}};
    int current_type = 0, current_num = 0;
    PlayState play;
    std::string recordings[2]; // name of the recording of each slot in "/DataFiles", "" idle
    bool muted = false;
    bool paused = false;
    uint32_t heap_size = 64u << 20;     // bytes the TAPs' heap has
    uint64_t mem_limit = 256u << 20;    // allocations beyond this many bytes in use are refused
    uint64_t jpeg_max_pixels = 2000000; // larger JPEG decodes fail (the firmware's memory)
    uint32_t disk_total_mb = 476940, disk_free_mb = 311020;
    int signal_level = 87, signal_quality = 74; // percent
    std::vector<HostPorts> hosts;
    std::vector<NetInterface> interfaces{
        {"lo", "127.0.0.1", {0, 0, 0, 0, 0, 0}},
        {"eth0", "192.168.178.20", {0x00, 0x1c, 0xa2, 0x10, 0x20, 0x30}}};
    // From the fixture or the command line; kept here so the fixture can name them too.
    std::string clock = "2026-12-10 20:15:00";
    int64_t uptime = 600;
    int utc_offset_min = 60;
    // API entries ("TAP_Osd_Zoom") and firmware symbols ("_Z16Appl_ExecProgramPc") this
    // receiver lacks: the getter answers 0, dlsym finds nothing.
    std::set<std::string> withhold;
    // Files below "/proc" as this receiver has them: name ("cpuinfo") -> contents.
    std::map<std::string, std::string> proc_files;
};

// Reads a fixture; fields not given keep their defaults. False and a message on a bad file.
bool load_fixture(const std::string& path, ReceiverState* state, std::string* error);

} // namespace tapsim
