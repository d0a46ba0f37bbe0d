#include "harddisk.h"

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "common/file_io.h"
#include "common/format.h"
#include "common/receiver_path.h"
#include "common/settings.h"
#include "load_monitor.h"

namespace {

// The Linux ATA/IDE requests.
enum : unsigned long {
    HDIO_GET_IDENTITY_REQ = 0x030D,
    HDIO_DRIVE_TASK_REQ = 0x031E,
    HDIO_DRIVE_CMD_REQ = 0x031F,
};
enum : uint8_t {
    ATA_IDENTIFY = 0xEC,
    ATA_SMART = 0xB0,
    SMART_READ_DATA = 0xD0,
    SMART_ENABLE = 0xD8,
};

struct smart_row {
    uint8_t vendor;
    uint8_t number;
    const char* name;
};

constexpr smart_row smart_names[] = {
    {0, 1, "Raw Read Error Rate"},
    {0, 2, "Throughput Performance"},
    {0, 3, "Spin Up Time"},
    {0, 4, "Start/Stop Count"},
    {0, 5, "Reallocated Sector Count"},
    {0, 6, "Read Channel Margin"},
    {0, 7, "Seek Error Rate"},
    {0, 8, "Seek Time Performance"},
    {0, 9, "Power-On Hours"},
    {0, 10, "Spin Retry Count"},
    {0, 11, "Calibration Retry Count"},
    {0, 12, "Power Cycle Count"},
    {0, 13, "Soft Read Error Rate"},
    {0, 99, "Average FHC"},
    {0, 100, "Erase/Program Cycles"},
    {0, 101, "Maximum FHC"},
    {0, 103, "Translation Table Rebuild"},
    {0, 170, "Reserve Block Count"},
    {0, 171, "Program Fail Count"},
    {0, 172, "Erase Fail Count"},
    {0, 173, "Wear Leveling Count"},
    {0, 174, "Unexpected Power Loss"},
    {0, 175, "Program Fail Count 2"},
    {0, 176, "Erase Fail Count 2"},
    {0, 177, "Wear Leveling Count 2"},
    {0, 178, "Used Reserve Blocks (Chip)"},
    {0, 179, "Used Reserve Blocks (Total)"},
    {6, 180, "Unused Reserve Blocks"},
    {6, 181, "Non-4K-Aligned Accesses"},
    {0, 183, "SATA Interface Downshift"},
    {0, 184, "End-to-End Error"},
    {0, 185, "Head Stability"},
    {0, 186, "Induced Op-Vibration Detection"},
    {0, 187, "Reported Uncorrectable Errors"},
    {0, 188, "Command Timeout"},
    {0, 189, "High Fly Writes"},
    {6, 189, "Factory Bad Blocks"},
    {0, 190, "Airflow Temperature [C]"},
    {0, 191, "G-Sense Error Rate"},
    {0, 192, "Power-Off Retract Count"},
    {0, 193, "Load Cycle Count"},
    {0, 194, "Device Temperature [C]"},
    {0, 195, "Hardware ECC Recovered"},
    {0, 196, "Reallocation Event Count"},
    {0, 197, "Current Pending ECC Count"},
    {0, 198, "Offline Uncorrectable Errors"},
    {0, 199, "UDMA CRC Errors"},
    {0, 200, "Write Preamp Errors"},
    {0, 201, "Off Track Errors"},
    {0, 202, "DAM Error Rate"},
    {6, 202, "Percentage Lifetime Remaining"},
    {0, 203, "ECC Errors"},
    {0, 204, "Raw Write Error Rate"},
    {0, 205, "Thermal Asperity Rate"},
    {0, 206, "Flying Height"},
    {0, 207, "Spin High Current"},
    {0, 208, "Spin Buzz"},
    {0, 209, "Offline Seek Performance"},
    {6, 210, "Successful RAIN Recovery"},
    {0, 211, "Vibration During Write"},
    {0, 212, "Shock During Write"},
    {0, 220, "Disk Shift"},
    {0, 221, "G-Sense Error Rate 2"},
    {0, 222, "Loaded Hours"},
    {0, 223, "Load Retry Count"},
    {0, 224, "Load Friction"},
    {0, 225, "Load Cycle Count 2"},
    {6, 225, "Host Writes (TBW)"},
    {0, 226, "Load-In Timer"},
    {0, 227, "Torque Amplification Count"},
    {0, 228, "Power-Off Retract Cycle"},
    {0, 230, "GMR Head Amplitude"},
    {0, 231, "Temperature"},
    {0, 240, "Head Flying Hours"},
    {0, 241, "Total LBAs Written [GB]"},
    {0, 242, "Total LBAs Read [GB]"},
    {6, 246, "Cumulative Host Sectors Written [GB]"},
    {6, 247, "NAND Pages Written By Host"},
    {6, 248, "NAND Pages Written By FTL"},
    {0, 250, "Read Error Retry Rate"},
    {0, 254, "Free Fall Protection"},
};

enum { MAX_LINES = 22, FIRST_LETTER = 'a', LAST_LETTER = 'e' };

char device_path[] = "/dev/sda";

// A text field of an identification block.
void field_text(const uint8_t* block, int offset, int length, bool swapped, char* out) {
    char text[41];
    for (int i = 0; i < length; ++i) {
        const uint8_t c = block[offset + (swapped ? i ^ 1 : i)];
        text[i] = c == 0 ? 0 : c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    }
    text[length] = 0;
    const char* start = text;
    while (*start == ' ')
        ++start;
    size_t n = strlen(start);
    while (n && start[n - 1] == ' ')
        --n;
    memcpy(out, start, n);
    out[n] = 0;
}

uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Opens the device read-only and non-blocking, issues the request, closes it: the request's
// result, or the negative result of the open.
int device_command(const char* path, unsigned long request, void* arg) {
    char libc[1024];
    if (path_map(path, libc, sizeof libc) != 0) return -1;
    file_descriptor fd(open(libc, O_RDONLY | O_NONBLOCK));
    if (fd.fd < 0) return fd.fd;
    return ioctl(fd.fd, request, arg);
}

struct device_state {
    int vendor; // -1 cannot be opened, -2 no identification
    disk_identity id;
    bool has_smart;
    uint8_t identify[4 + ATA_BLOCK];
    uint8_t smart[4 + ATA_BLOCK];
};
device_state dev;

void read_device() {
    dev.vendor = 0;
    dev.has_smart = false;
    dev.id = disk_identity{};
    char libc[1024];
    if (path_map(device_path, libc, sizeof libc) != 0) {
        dev.vendor = -1;
    } else {
        file_descriptor fd(open(libc, O_RDONLY | O_NONBLOCK));
        if (fd.fd < 0) dev.vendor = -1;
    }
    if (dev.vendor == 0) {
        memset(dev.identify, 0, sizeof dev.identify);
        if (device_command(device_path, HDIO_GET_IDENTITY_REQ, dev.identify) == 0) {
            identity_parse(dev.identify, false, &dev.id);
        } else {
            memset(dev.identify, 0, sizeof dev.identify);
            dev.identify[0] = ATA_IDENTIFY;
            dev.identify[3] = 1;
            if (device_command(device_path, HDIO_DRIVE_CMD_REQ, dev.identify) == 0)
                identity_parse(dev.identify + 4, true, &dev.id);
            else
                dev.vendor = -2;
        }
        if (dev.vendor == 0) dev.vendor = vendor_class(dev.id.model);
    }
    if (dev.vendor == -2) return; // a drive that cannot say what it is: no SMART either
    uint8_t task[7] = {ATA_SMART, SMART_ENABLE, 0, 0, 0x4F, 0xC2, 0};
    if (device_command(device_path, HDIO_DRIVE_TASK_REQ, task) == 0) {
        memset(dev.smart, 0, sizeof dev.smart);
        dev.smart[0] = ATA_SMART;
        dev.smart[2] = SMART_READ_DATA;
        dev.smart[3] = 1;
        dev.has_smart = device_command(device_path, HDIO_DRIVE_CMD_REQ, dev.smart) == 0;
    }
}

int window_width() {
    return ui_large_font() ? 400 : 400 * 16 / 19;
}

// The partitions of the device in /proc/mounts with their sizes; the lines shown.
int partitions(text_page* page) {
    char path[1024];
    if (path_map("/proc/mounts", path, sizeof path) != 0) return 0;
    libc_file mounts(path, "r");
    if (!mounts) return 0;
    const int width = window_width();
    const size_t device_len = strlen(device_path);
    int shown = 0;
    char line[LINE_BUFFER_SIZE];
    bool continued = false;
    while (fgets(line, sizeof line, mounts.f)) {
        const size_t n = strlen(line);
        const bool skip = continued;
        continued = !(n && line[n - 1] == '\n');
        if (skip || strncmp(line, device_path, device_len) != 0) continue;
        // "sda2 /mnt/hd": the name behind "/dev/" and the mount point.
        char* name = line + 5;
        char* blank = strchr(name, ' ');
        if (!blank) continue;
        char* point = blank + 1;
        char* end = point;
        while (*end && *end != ' ' && *end != '\t' && *end != '\n')
            ++end;
        *end = 0;
        char mapped[1024];
        struct statvfs fs;
        if (path_map(point, mapped, sizeof mapped) != 0 || statvfs(mapped, &fs) != 0)
            memset(&fs, 0, sizeof fs);
        const int y = page->y;
        page_line(page, ST_SAME_LINE, "%s", name);
        const uint64_t total = static_cast<uint64_t>(fs.f_blocks) * fs.f_frsize;
        const uint64_t free_bytes = static_cast<uint64_t>(fs.f_bfree) * fs.f_frsize;
        page_at(page, ui_large_font() ? 270 : 227, y, ST_RIGHT, "%s,", size_text(total));
        page_at(page, width - 5, y, ST_RIGHT, "%s %s", size_text(free_bytes),
                ui_text("free", "frei"));
        page_skip(page);
        ++shown;
    }
    return shown;
}

void attributes(text_page* page, int* lines) {
    smart_attribute list[ATA_BLOCK / SMART_ENTRY];
    const int count = smart_attributes(dev.smart + 4, list, ATA_BLOCK / SMART_ENTRY);
    const int width = window_width();
    for (int i = 0; i < count && *lines < MAX_LINES; ++i) {
        if (list[i].value == 0) continue;
        const int y = page->y;
        const char* name = smart_name(list[i].number, dev.vendor);
        if (name)
            page_line(page, ST_SAME_LINE, "%s", name);
        else
            page_line(page, ST_SAME_LINE, "Attribute #%d", list[i].number);
        if (dev.vendor == VENDOR_SEAGATE && (list[i].number == 1 || list[i].number == 7))
            page_at(page, width - 5, y, ST_RIGHT, "%s", "Seagate");
        else
            page_at(page, width - 5, y, ST_RIGHT, "%lu", static_cast<unsigned long>(list[i].value));
        page_skip(page);
        ++*lines;
    }
}

} // namespace

int vendor_class(const char* model) {
    if (!strncmp(model, "Crucial", 7)) return VENDOR_CRUCIAL;
    if (!strncmp(model, "SAMSUNG", 7)) return VENDOR_SAMSUNG;
    if (!strncmp(model, "ST", 2)) return VENDOR_SEAGATE;
    if (!strncmp(model, "WDC", 3)) return VENDOR_WDC;
    return VENDOR_ANY;
}

void identity_parse(const uint8_t block[ATA_BLOCK], bool swapped, disk_identity* id) {
    field_text(block, 20, 20, swapped, id->serial);
    field_text(block, 46, 8, swapped, id->firmware);
    field_text(block, 54, 40, swapped, id->model);
    id->sectors =
        static_cast<uint64_t>(le32(block + 200)) | static_cast<uint64_t>(le32(block + 204)) << 32;
}

int smart_attributes(const uint8_t page[ATA_BLOCK], smart_attribute* out, int max) {
    int n = 0;
    for (int at = 2; at + SMART_ENTRY <= ATA_BLOCK && n < max; at += SMART_ENTRY) {
        const uint8_t* e = page + at;
        const int number = e[0];
        if (number == 0) break;
        uint32_t value;
        if (number == 190 || number == 194) {
            value = e[5];
        } else if (number == 241 || number == 242 || number == 246) {
            const uint64_t raw = le32(e + 5) | static_cast<uint64_t>(e[9]) << 32;
            value = static_cast<uint32_t>(raw / 1953125);
        } else {
            value = le32(e + 5);
        }
        out[n++] = smart_attribute{number, value};
    }
    return n;
}

const char* smart_name(int number, int vendor) {
    const char* name = nullptr;
    for (const smart_row& r : smart_names) {
        if (r.number != number) continue;
        if (r.vendor == vendor) return r.name;
        if (r.vendor == VENDOR_ANY || !name) name = r.name;
    }
    return name;
}

const char* harddisk_device(void) {
    return device_path;
}

void harddisk_page_prepare(text_page* page, int next) {
    char& letter = device_path[sizeof device_path - 2];
    if (next == 0)
        letter = FIRST_LETTER;
    else
        letter = letter >= LAST_LETTER || letter < FIRST_LETTER ? FIRST_LETTER : letter + 1;
    for (;;) {
        read_device();
        page_clear(page, osd_line_height());
        int lines = 0;
        if (dev.vendor >= 0) {
            page_line(page, 0, "Model: %s", dev.id.model);
            page_line(page, 0, "Serial: %s", dev.id.serial);
            page_line(page, 0, "FW Rev.: %s", dev.id.firmware);
            page_line(page, 0, "Capacity: %s", size_text(dev.id.sectors * 512));
            lines = 4;
            page_rule(page);
        }
        const int shown = partitions(page);
        if (shown) page_rule(page);
        lines += shown;
        if (lines == 0 && !dev.has_smart) {
            if (letter != FIRST_LETTER) {
                letter = letter >= LAST_LETTER ? FIRST_LETTER : letter + 1;
                continue;
            }
            page_line(page, 0, "%s",
                      ui_text("HDD infos not available.", "HDD-Infos nicht vorhanden."));
        }
        if (load_measure(letter) == 0) {
            const load_figures& f = load_monitor.figures;
            page_line(page, 0, "HDD R/W: %.2f / %.2f [MB/s], %.1f\"", f.read_rate, f.write_rate,
                      f.elapsed);
            page_line(page, 0, "CPU 0/1: %.1f%% / %.1f%% Load, %.1f\"", f.core_load[0],
                      f.core_load[1], f.interval);
            lines += 2;
            page_rule(page);
        }
        if (dev.has_smart) attributes(page, &lines);
        return;
    }
}

void harddisk_page(osd_window* win, const text_page* page) {
    osd_frame(win, 400, 21, "Harddisk Infos", device_path, 0);
    page_draw(win, page);
    osd_finish(win);
}
