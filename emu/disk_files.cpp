#include "disk_files.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace tapsim {

std::vector<DiskEntry> disk_listing(const std::string& disk_dir, size_t limit) {
    std::vector<DiskEntry> files;
    std::error_code ec;
    const fs::path top(disk_dir);
    for (auto it = fs::recursive_directory_iterator(top, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (files.size() >= limit) break;
        if (it->is_symlink(ec) || !it->is_regular_file(ec)) continue;
        const uint64_t size = it->file_size(ec);
        if (ec) {
            ec.clear();
            continue;
        }
        files.push_back({it->path().lexically_relative(top).generic_string(), size});
    }
    std::sort(files.begin(), files.end(),
              [](const DiskEntry& a, const DiskEntry& b) { return a.path < b.path; });
    return files;
}

bool disk_file(const std::string& disk_dir, const std::string& name, std::string* host_path,
               std::string* why) {
    auto refuse = [&](const char* reason) {
        *why = reason;
        return false;
    };
    if (name.empty()) return refuse("no file named");
    if (name.find('\0') != std::string::npos) return refuse("a NUL byte in the name");
    if (name[0] == '/') return refuse("an absolute path");
    for (const fs::path& step : fs::path(name))
        if (step == "..") return refuse("a step out of a folder");
    std::error_code ec;
    const fs::path top = fs::canonical(disk_dir, ec);
    if (ec) return refuse("no disk");
    const fs::path file = fs::weakly_canonical(top / name, ec);
    if (ec) return refuse("no such file");
    // Inside the disk: the disk's top followed by at least one more step.
    const std::string inside = top.string() + "/", resolved = file.string();
    if (resolved.compare(0, inside.size(), inside) != 0) return refuse("outside the disk");
    if (!fs::is_regular_file(file, ec)) return refuse("not a file of the disk");
    *host_path = resolved;
    return true;
}

} // namespace tapsim
