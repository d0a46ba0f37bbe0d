// The receiver state the TAP can ask about, read from a JSON fixture and changed by scripts.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tapsim {

// One programme of a channel's guide. Times are minutes from the moment the emulator started
// (the fixture's clock), so a guide stays full whatever clock a run is given; the texts are
// bytes as broadcast (any length, any bytes: the TAP API cuts them into its fields).
struct Event {
    int64_t start = 0;  // minutes from the start moment
    int64_t length = 0; // minutes
    std::string name, text, ext;
};

struct Channel {
    Channel(std::string channel_name = {}, int mhz = 11836)
        : name(std::move(channel_name)), freq(mhz) {}
    std::string name;
    int freq = 11836; // MHz: channels of one frequency share a transponder
    std::vector<Event> events;
    bool info_fails = false; // TAP_Channel_GetInfo refuses this channel
    bool no_guide = false;   // TAP_GetEvent has no list for it
    std::string raw_events;  // whole event records as TAP_GetEvent hands them out (fuzzing)
};

// A timer of the receiver's timer list.
struct Timer {
    int type = 0, num = 0;
    int64_t start = 0; // minutes from the start moment
    int duration = 0;  // minutes
    std::string file;
};

// A recording slot: the channel it records and the recording it writes in "/DataFiles"
// (file "" while the slot is idle).
struct Recording {
    std::string file;
    int type = 0, num = 0;
    uint64_t start_tick = 0;
    uint64_t written = 0; // bytes of the recording file so far
};
enum { MAX_RECORDING_SLOTS = 4 };

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

// A disk of the receiver as its ATA interface answers: identification texts and capacity, the
// SMART attributes (number -> 48-bit raw value), or whole 512-byte blocks given as they are;
// each request can fail.
struct Drive {
    std::string model = "WDC WD10EZEX-08WN4A0", serial = "WD-WCC6Y7HN2X0L", firmware = "01.01A01";
    uint64_t sectors = 1953525168;
    std::map<int, uint64_t> smart{{1, 0},
                                  {3, 4116},
                                  {4, 1532},
                                  {5, 0},
                                  {9, 18243},
                                  {12, 1490},
                                  {193, 20877},
                                  {194, 0x140028},
                                  {197, 0},
                                  {199, 0},
                                  {241, 1953125ull * 7340}};
    std::vector<uint8_t> identify_block; // 512 bytes as HDIO_GET_IDENTITY gives them, or empty
    std::vector<uint8_t> smart_block;    // 512 bytes of SMART READ DATA, or empty
    bool smart_supported = true;
    // Requests that fail: "identity" (HDIO_GET_IDENTITY), "identify" (IDENTIFY DEVICE through
    // HDIO_DRIVE_CMD), "smart_enable" (HDIO_DRIVE_TASK), "smart_read" (SMART READ DATA).
    std::set<std::string> fail;
};

// A mounted file system: a line of /proc/mounts, and what statvfs says of its mount point.
struct Mount {
    std::string device, at, type = "ext3";
    uint64_t total_mb = 0, free_mb = 0;
};

// How fast the /proc counters grow with the receiver's clock: per core the eight counters of
// /proc/stat in clock ticks (100 a second) per second; per disk letter the sectors read and
// written per second.
struct LoadRates {
    std::vector<std::vector<double>> cores{{12, 0, 8, 78, 2, 0, 0, 0}, {20, 0, 10, 68, 2, 0, 0, 0}};
    std::map<char, std::pair<double, double>> disks{{'a', {2048, 4096}}};
};

// A network interface of the receiver (answers to the interface ioctls).
struct NetInterface {
    std::string name;
    std::string ip;
    uint8_t mac[6];
};

// A recording's stream: a name ending in ".rec" or ".ts" (any case).
bool is_stream_name(const std::string& name);

// Milliseconds of MPEG audio in a file (its frames counted), 0 when it has none.
uint64_t mp3_length_ms(const std::string& host_path);

struct ReceiverState {
    int system_id = 22010;
    int language = 2; // menu language (TAP_GetSystemVar 1): 2 = German
    uint32_t state = 0, sub_state = 0x1F;
    std::vector<Channel> tv{{"Das Erste"}, {"ZDF"}, {"3sat"}, {"arte"}};
    std::vector<Channel> radio{{"Bayern 1"}, {"Bayern 2"}, {"Bayern 3"}};
    int current_type = 0, current_num = 0;
    bool channel_stopped = false; // TAP_Channel_Stop ran and no channel started since
    std::vector<Timer> timers;
    std::string raw_timers; // whole timer records behind those of `timers` (fuzzing)
    PlayState play;
    // The slots the model has (recording_slot_count()); a slot with a file records.
    Recording recordings[MAX_RECORDING_SLOTS];
    int64_t guide_anchor = 0; // local minutes (MJD * 1440 + minute of day) of the start moment
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
    // Files below "/proc" as this receiver has them: name ("cpuinfo") -> contents. "stat" and
    // "diskstats" are made from `load` at each event unless given here; "mounts" from `mounts`.
    std::map<std::string, std::string> proc_files{
        {"cpuinfo", "system type\t\t: BCM7425B2 STB platform\nprocessor\t\t: 0\n"
                    "cpu model\t\t: Broadcom BMIPS5000 V1.1  FPU V0.1\nBogoMIPS\t\t: 652.80\n"
                    "cpu MHz\t\t\t: 1305.600\nprocessor\t\t: 1\n"
                    "cpu model\t\t: Broadcom BMIPS5000 V1.1  FPU V0.1\n"},
        {"meminfo", "MemTotal:         250176 kB\nMemFree:           41272 kB\n"}};
    std::vector<Mount> mounts{{"/dev/sda2", "/mnt/hd", "ext3", 0, 0}}; // 0 MB: the disk's figures
    LoadRates load;
    // Disks by their letter ("a" is /dev/sda).
    std::map<char, Drive> drives{{'a', Drive{}}};
};

// Recording slots of the model: 2 for system ID 22010, else 4.
inline int recording_slot_count(int system_id) {
    return system_id == 22010 ? 2 : MAX_RECORDING_SLOTS;
}

// Reads a fixture; fields not given keep their defaults. False and a message on a bad file.
bool load_fixture(const std::string& path, ReceiverState* state, std::string* error);

} // namespace tapsim
