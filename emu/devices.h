// The receiver's system files and disks as the TAPs see them through libc: the fixture's
// "/proc" files (the counters of "stat" and "diskstats" growing with the receiver's clock at
// the fixture's rates, "mounts" from its mounted file systems), one device file "/dev/sdX" per
// disk of the fixture, answering the ATA requests (identify, SMART) from its identification
// and attributes, and statvfs on the mount points with the fixture's sizes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <vector>

#include "file_tree.h"
#include "state.h"

namespace tapsim {

// The Linux ATA/IDE requests the emulator answers.
enum : unsigned long {
    ATA_GET_IDENTITY = 0x030D, // HDIO_GET_IDENTITY: 512 bytes, texts in reading order
    ATA_DRIVE_TASK = 0x031E,   // HDIO_DRIVE_TASK: 7 task-file bytes
    ATA_DRIVE_CMD = 0x031F,    // HDIO_DRIVE_CMD: command, sector, feature, count, 512 bytes
};

class Devices {
  public:
    // The receiver's "/proc" files at ticks: the fixture's, with "mounts", "stat" and
    // "diskstats" made from the state where the fixture gives none (FileTree puts them in place).
    static std::map<std::string, std::string> proc_texts(const ReceiverState& state,
                                                         uint64_t ticks);
    // Makes one file per disk in dev_dir, which stands for the receiver's "/dev"; root is the
    // folder standing for the receiver's "/" ("" when its paths are real). False and why.
    bool build(const std::string& root, const std::string& dev_dir, const ReceiverState& state,
               std::string* why);
    // The file standing for "/dev/sdX"; "" when the receiver has no disk X.
    std::string device_file(char letter) const;
    // Writes the counters of the files made from the load rates as they stand at ticks.
    void refresh(const ReceiverState& state, uint64_t ticks, const FileTree& tree);
    // The answer to an ATA request on fd: 0 or -1 with errno; -2 when fd is no disk of ours.
    int ata_request(const ReceiverState& state, int fd, unsigned long request, void* arg) const;
    // statvfs of a path that is a mount point of the fixture; false for other paths.
    bool mount_point_figures(const ReceiverState& state, const char* path,
                             struct statvfs* out) const;

    // The blocks a disk answers with (exposed for the emulator's tests).
    static std::vector<uint8_t> identify_block(const Drive& drive, bool ata_order);
    static std::vector<uint8_t> smart_block(const Drive& drive);
    // The generated texts.
    static std::string stat_text(const LoadRates& load, uint64_t ticks);
    static std::string diskstats_text(const ReceiverState& state, uint64_t ticks);
    static std::string mounts_text(const ReceiverState& state);

  private:
    struct DeviceFile {
        dev_t dev;
        ino_t ino;
        char letter;
    };
    std::string root_;
    std::string dev_dir_;
    std::vector<DeviceFile> files_;
};

} // namespace tapsim
