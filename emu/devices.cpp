#include "devices.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tapsim {

namespace {

constexpr uint64_t ticks_per_second = 100;

bool write_text(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && ok;
}

// An ATA text field: the text padded with blanks to its length.
void put_text(std::vector<uint8_t>* block, size_t at, size_t length, const std::string& text,
              bool ata_order) {
    for (size_t i = 0; i < length; ++i) {
        const uint8_t c = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
        (*block)[at + (ata_order ? i ^ 1 : i)] = c;
    }
}

void put_le(std::vector<uint8_t>* block, size_t at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        (*block)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool fails(const Drive& d, const char* what) {
    return d.fail.count(what) != 0;
}

} // namespace

std::vector<uint8_t> Devices::identify_block(const Drive& d, bool ata_order) {
    std::vector<uint8_t> b(512, 0);
    if (d.identify_block.size() == 512) {
        b = d.identify_block;
        if (ata_order) // the texts back into word order
            for (size_t at : {size_t{20}, size_t{46}, size_t{54}}) {
                const size_t length = at == 20 ? 20 : at == 46 ? 8 : 40;
                for (size_t i = 0; i < length; i += 2)
                    std::swap(b[at + i], b[at + i + 1]);
            }
        return b;
    }
    put_le(&b, 0, 0x0040, 2);
    put_text(&b, 20, 20, d.serial, ata_order);
    put_text(&b, 46, 8, d.firmware, ata_order);
    put_text(&b, 54, 40, d.model, ata_order);
    put_le(&b, 120, d.sectors > 0x0FFFFFFF ? 0x0FFFFFFF : d.sectors, 4); // 28-bit capacity
    put_le(&b, 166, 0x7400, 2);                                          // 48-bit addressing
    put_le(&b, 200, d.sectors, 8);
    return b;
}

std::vector<uint8_t> Devices::smart_block(const Drive& d) {
    if (d.smart_block.size() == 512) return d.smart_block;
    std::vector<uint8_t> b(512, 0);
    put_le(&b, 0, 0x0010, 2);
    size_t at = 2;
    for (const auto& [number, raw] : d.smart) {
        if (at + 12 > 2 + 30 * 12) break;
        b[at] = static_cast<uint8_t>(number);
        b[at + 1] = 0x33;
        b[at + 3] = 100; // normalised value and worst
        b[at + 4] = 100;
        put_le(&b, at + 5, raw, 6);
        at += 12;
    }
    return b;
}

std::string Devices::stat_text(const LoadRates& load, uint64_t ticks) {
    const double seconds = static_cast<double>(ticks) / ticks_per_second;
    std::vector<std::vector<uint64_t>> cores;
    std::vector<uint64_t> all(8, 0);
    for (const std::vector<double>& rates : load.cores) {
        std::vector<uint64_t> c(8, 0);
        for (size_t i = 0; i < 8 && i < rates.size(); ++i) {
            c[i] = static_cast<uint64_t>(rates[i] * seconds);
            all[i] += c[i];
        }
        cores.push_back(c);
    }
    auto line = [](const std::string& name, const std::vector<uint64_t>& c) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "%s %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64
                      " %" PRIu64 " %" PRIu64 " 0 0\n",
                      name.c_str(), c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
        return std::string(text);
    };
    std::string out = line("cpu ", all);
    for (size_t i = 0; i < cores.size(); ++i)
        out += line("cpu" + std::to_string(i), cores[i]);
    // The interrupt line is long, as on a receiver.
    out += "intr " + std::to_string(ticks * 3);
    for (int i = 0; i < 64; ++i)
        out += " " + std::to_string((ticks / (i + 1)) % 100000);
    out += "\nctxt " + std::to_string(ticks * 17) + "\nprocesses 1234\nprocs_running 1\n";
    return out;
}

std::string Devices::diskstats_text(const ReceiverState& state, uint64_t ticks) {
    const double seconds = static_cast<double>(ticks) / ticks_per_second;
    std::string out;
    int index = 0;
    for (const auto& [letter, drive] : state.drives) {
        double read_rate = 0, write_rate = 0;
        auto it = state.load.disks.find(letter);
        if (it != state.load.disks.end()) {
            read_rate = it->second.first;
            write_rate = it->second.second;
        }
        const uint64_t read = static_cast<uint64_t>(read_rate * seconds);
        const uint64_t written = static_cast<uint64_t>(write_rate * seconds);
        char text[256];
        auto line = [&](int minor, const std::string& name, uint64_t r, uint64_t w) {
            std::snprintf(text, sizeof text,
                          "%4d %7d %s %" PRIu64 " 0 %" PRIu64 " %" PRIu64 " %" PRIu64 " 0 %" PRIu64
                          " %" PRIu64 " 0 %" PRIu64 " %" PRIu64 "\n",
                          8, minor, name.c_str(), r / 8, r, r / 20, w / 8, w, w / 10, ticks,
                          ticks * 2);
            out += text;
        };
        const std::string name = std::string("sd") + letter;
        line(16 * index, name, read, written);
        // The partitions count less; only the whole disk is the monitor's.
        line(16 * index + 1, name + "1", read / 7, written / 9);
        line(16 * index + 2, name + "2", read - read / 7, written - written / 9);
        ++index;
    }
    return out;
}

std::string Devices::mounts_text(const ReceiverState& state) {
    std::string out = "rootfs / rootfs rw 0 0\nproc /proc proc rw,relatime 0 0\n";
    for (const Mount& m : state.mounts)
        out += m.device + " " + m.at + " " + m.type + " rw,relatime 0 0\n";
    return out;
}

std::map<std::string, std::string> Devices::proc_texts(const ReceiverState& state, uint64_t ticks) {
    std::map<std::string, std::string> texts = state.proc_files;
    if (!texts.count("mounts")) texts["mounts"] = mounts_text(state);
    if (!texts.count("stat")) texts["stat"] = stat_text(state.load, ticks);
    if (!texts.count("diskstats")) texts["diskstats"] = diskstats_text(state, ticks);
    return texts;
}

bool Devices::build(const std::string& root, const std::string& dev_dir, const ReceiverState& state,
                    std::string* why) {
    root_ = root;
    dev_dir_ = dev_dir;
    files_.clear();
    std::error_code ec;
    fs::create_directories(dev_dir, ec);
    if (!root.empty()) fs::create_directories(root + "/tmp", ec);
    if (ec) {
        *why = "cannot make the receiver's /dev: " + ec.message();
        return false;
    }
    for (const auto& [letter, drive] : state.drives) {
        const std::string path = dev_dir + "/sd" + letter;
        struct stat st;
        if (!write_text(path, "") || ::stat(path.c_str(), &st) != 0) {
            *why = "cannot make " + path;
            return false;
        }
        files_.push_back(DeviceFile{st.st_dev, st.st_ino, letter});
    }
    return true;
}

std::string Devices::device_file(char letter) const {
    for (const DeviceFile& f : files_)
        if (f.letter == letter) return dev_dir_ + "/sd" + letter;
    return "";
}

void Devices::refresh(const ReceiverState& state, uint64_t ticks, const FileTree& tree) {
    if (dev_dir_.empty()) return; // not built
    // Written in place: in the namespace the files are bound over the receiver's paths.
    if (!state.proc_files.count("stat"))
        write_text(tree.proc_file("stat"), stat_text(state.load, ticks));
    if (!state.proc_files.count("diskstats"))
        write_text(tree.proc_file("diskstats"), diskstats_text(state, ticks));
}

int Devices::ata_request(const ReceiverState& state, int fd, unsigned long request,
                         void* arg) const {
    struct stat st;
    if (::fstat(fd, &st) != 0) return -2;
    const DeviceFile* file = nullptr;
    for (const DeviceFile& f : files_)
        if (f.dev == st.st_dev && f.ino == st.st_ino) file = &f;
    if (!file) return -2;
    const Drive& d = state.drives.at(file->letter);
    uint8_t* bytes = static_cast<uint8_t*>(arg);
    auto refuse = [] {
        errno = EIO;
        return -1;
    };
    if (!bytes) {
        errno = EFAULT;
        return -1;
    }
    switch (request) {
    case ATA_GET_IDENTITY: {
        if (fails(d, "identity")) return refuse();
        const std::vector<uint8_t> b = identify_block(d, false);
        std::memcpy(bytes, b.data(), b.size());
        return 0;
    }
    case ATA_DRIVE_TASK:
        // SMART ENABLE OPERATIONS: command 0xB0, feature 0xD8, cylinder 0xC24F.
        if (bytes[0] != 0xB0 || bytes[1] != 0xD8 || bytes[4] != 0x4F || bytes[5] != 0xC2)
            return refuse();
        return d.smart_supported && !fails(d, "smart_enable") ? 0 : refuse();
    case ATA_DRIVE_CMD:
        if (bytes[0] == 0xEC) {
            if (fails(d, "identify")) return refuse();
            const std::vector<uint8_t> b = identify_block(d, true);
            std::memcpy(bytes + 4, b.data(), b.size());
            return 0;
        }
        if (bytes[0] == 0xB0 && bytes[2] == 0xD0) {
            if (!d.smart_supported || fails(d, "smart_read")) return refuse();
            const std::vector<uint8_t> b = smart_block(d);
            std::memcpy(bytes + 4, b.data(), b.size());
            return 0;
        }
        return refuse();
    default:
        errno = ENOTTY;
        return -1;
    }
}

bool Devices::mount_point_figures(const ReceiverState& state, const char* path,
                                  struct statvfs* out) const {
    if (!path) return false;
    for (const Mount& m : state.mounts) {
        if (path != root_ + m.at && path != m.at) continue;
        uint64_t total = m.total_mb, free_mb = m.free_mb;
        if (total == 0 && m.at == "/mnt/hd") {
            total = state.disk_total_mb;
            free_mb = state.disk_free_mb;
        }
        std::memset(out, 0, sizeof *out);
        out->f_bsize = out->f_frsize = 4096;
        out->f_blocks = static_cast<fsblkcnt_t>(total * 256);
        out->f_bfree = out->f_bavail = static_cast<fsblkcnt_t>(free_mb * 256);
        out->f_namemax = 255;
        return true;
    }
    return false;
}

} // namespace tapsim
