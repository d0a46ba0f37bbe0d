// The emulated disk as the live view offers it for download: its files listed by their paths
// below the disk's top, and a requested path checked so that nothing outside the disk is read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tapsim {

struct DiskEntry {
    std::string path; // below the disk's top, "/"-separated ("DataFiles/news.rec")
    uint64_t size;
};

// The regular files of the disk (symbolic links are not followed), sorted by path, at most
// `limit` of them.
std::vector<DiskEntry> disk_listing(const std::string& disk_dir, size_t limit);

// The host path of the regular file that `name` (a path below the disk's top) names. Refused,
// with the reason: an empty name, a NUL byte, an absolute path, a ".." step, and any name that
// after resolving every symbolic link lies outside the disk or is not a regular file.
bool disk_file(const std::string& disk_dir, const std::string& name, std::string* host_path,
               std::string* why);

} // namespace tapsim
