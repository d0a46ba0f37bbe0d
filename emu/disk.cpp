#include "disk.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "clock.h"

namespace tapsim {

void Disk::attach(const std::string& disk_dir, int utc_offset_min) {
    dir_ = disk_dir;
    while (dir_.size() > 1 && dir_.back() == '/')
        dir_.pop_back();
    cwd_ = "/";
    utc_offset_min_ = utc_offset_min;
}

bool Disk::resolve(const char* name, std::string* out) const {
    if (!name) return false;
    std::vector<std::string> parts;
    std::string base = name[0] == '/' ? "" : cwd_;
    std::string all = base + "/" + name;
    size_t i = 0;
    while (i <= all.size()) {
        size_t j = all.find('/', i);
        if (j == std::string::npos) j = all.size();
        std::string part = all.substr(i, j - i);
        if (part == "..") {
            if (parts.empty()) return false;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    out->clear();
    for (const std::string& p : parts)
        *out += "/" + p;
    if (out->empty()) *out = "/";
    return true;
}

std::string Disk::host_file(const std::string& receiver_path) const {
    std::string host = host_path(receiver_path);
    constexpr int hops_max = 8;
    for (int hop = 0; hop < hops_max; ++hop) {
        char target[4096];
        const ssize_t n = readlink(host.c_str(), target, sizeof target - 1);
        if (n <= 0) break;
        target[n] = 0;
        if (target[0] != '/') {
            host = host.substr(0, host.rfind('/') + 1) + target;
            continue;
        }
        // An absolute target is the receiver's path when it lies below the root folder, else
        // the host's own.
        const std::string inside = root_ + target;
        struct stat st;
        host = !root_.empty() && lstat(inside.c_str(), &st) == 0 ? inside : target;
    }
    return host;
}

bool Disk::is_file(const std::string& receiver_path) const {
    struct stat st;
    return stat(host_file(receiver_path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Disk::change_dir(const char* name) {
    std::string p;
    struct stat st;
    if (!resolve(name, &p) || stat(host_file(p).c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    cwd_ = p;
    return true;
}

bool Disk::exist(const char* name) const {
    std::string p;
    struct stat st;
    return resolve(name, &p) && stat(host_file(p).c_str(), &st) == 0;
}

bool Disk::create(const char* name, uint8_t attr) {
    std::string p;
    if (!resolve(name, &p) || p == "/") return false;
    std::string h = host_path(p);
    if (attr == ATTR_FOLDER) return mkdir(h.c_str(), 0755) == 0 || errno == EEXIST;
    std::FILE* f = std::fopen(h.c_str(), "wb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool Disk::remove(const char* name) {
    std::string p;
    if (!resolve(name, &p) || p == "/") return false;
    std::string h = host_path(p);
    return unlink(h.c_str()) == 0 || rmdir(h.c_str()) == 0;
}

bool Disk::rename(const char* old_name, const char* new_name) {
    std::string from, to;
    Stat st;
    if (!resolve(old_name, &from) || !resolve(new_name, &to) || from == "/" || to == "/" ||
        !stat_entry(from, &st) || stat_entry(to, &st))
        return false;
    return std::rename(host_path(from).c_str(), host_path(to).c_str()) == 0;
}

TYPE_File* Disk::open(const char* name) {
    std::string p;
    Stat st;
    if (!resolve(name, &p) || !stat_entry(p, &st) || st.folder) return nullptr;
    const std::string host = host_file(p);
    std::FILE* fp = std::fopen(host.c_str(), "r+b");
    if (!fp) fp = std::fopen(host.c_str(), "rb");
    if (!fp) return nullptr;
    OpenFile of;
    of.entry = std::make_unique<TYPE_File>();
    of.name_record = std::make_unique<fw_name_record>();
    of.linux_path = "/mnt/hd" + p;
    of.name_record->name = of.linux_path.c_str();
    std::string leaf = p.substr(p.rfind('/') + 1);
    std::snprintf(of.entry->name, sizeof of.entry->name, "%s", leaf.c_str());
    of.entry->time = st.time;
    of.entry->size = static_cast<long64>(st.size);
    of.entry->handle = of.name_record.get();
    of.fp = fp;
    TYPE_File* key = of.entry.get();
    files_.emplace(key, std::move(of));
    return key;
}

Disk::OpenFile* Disk::lookup(TYPE_File* f) {
    auto it = files_.find(f);
    return it == files_.end() ? nullptr : &it->second;
}

uint32_t Disk::read(void* buf, uint32_t size, uint32_t count, TYPE_File* f) {
    OpenFile* of = lookup(f);
    if (!of || !buf || size == 0) return 0;
    if (of->written) std::fflush(of->fp);
    of->written = false;
    return static_cast<uint32_t>(std::fread(buf, size, count, of->fp));
}

uint32_t Disk::write(const void* buf, uint32_t size, uint32_t count, TYPE_File* f) {
    OpenFile* of = lookup(f);
    if (!of || !buf || size == 0) return 0;
    if (room_ >= 0) {
        // What fits of the blocks is written, as a full disk takes it; the count says none.
        const uint64_t want = static_cast<uint64_t>(size) * count;
        if (want > static_cast<uint64_t>(room_)) {
            std::fwrite(buf, 1, static_cast<size_t>(room_), of->fp);
            std::fflush(of->fp);
            room_ = 0;
            return 0;
        }
        room_ -= static_cast<int64_t>(want);
    }
    uint32_t n = static_cast<uint32_t>(std::fwrite(buf, size, count, of->fp));
    // The receiver's file system buffers writes; only a nearly full disk is flushed at once,
    // so that blocks that stay in the buffer because the disk is full are not counted.
    if (room_ >= 0 && std::fflush(of->fp) != 0) return 0;
    of->written = room_ < 0;
    return n;
}

uint32_t Disk::seek(TYPE_File* f, long pos, int whence) {
    OpenFile* of = lookup(f);
    if (!of || fseeko(of->fp, static_cast<off_t>(pos), whence) != 0) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(ftello(of->fp));
}

uint32_t Disk::tell(TYPE_File* f) {
    OpenFile* of = lookup(f);
    return of ? static_cast<uint32_t>(ftello(of->fp)) : 0;
}

uint32_t Disk::length(TYPE_File* f) {
    OpenFile* of = lookup(f);
    if (!of) return 0;
    if (of->written) std::fflush(of->fp);
    of->written = false;
    struct stat st;
    if (fstat(fileno(of->fp), &st) != 0) return 0;
    return static_cast<uint32_t>(std::min<off_t>(st.st_size, 0xFFFFFFFF));
}

void Disk::close(TYPE_File* f) {
    OpenFile* of = lookup(f);
    if (!of) return;
    std::fclose(of->fp);
    files_.erase(f);
}

bool Disk::stat_entry(const std::string& receiver_path, Stat* out) const {
    struct stat st;
    if (stat(host_file(receiver_path).c_str(), &st) != 0) return false;
    out->folder = S_ISDIR(st.st_mode);
    out->size = out->folder ? 0 : static_cast<uint64_t>(st.st_size);
    int64_t local = static_cast<int64_t>(st.st_mtime) + static_cast<int64_t>(utc_offset_min_) * 60;
    int64_t day = local >= 0 ? local / 86400 : (local - 86399) / 86400;
    int64_t in_day = local - day * 86400;
    out->time = static_cast<uint32_t>((day + mjd_of_unix_day0) & 0xFFFF) << 16 |
                static_cast<uint32_t>(in_day / 3600) << 8 | static_cast<uint32_t>(in_day / 60 % 60);
    return true;
}

namespace {

bool has_extension(const std::string& name, const std::string& extension) {
    if (name.size() <= extension.size() || name[name.size() - extension.size() - 1] != '.')
        return false;
    return std::equal(extension.begin(), extension.end(), name.end() - extension.size(),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

} // namespace

uint32_t Disk::find_first(TYPE_FolderEntry* entry, const char* extension) {
    const std::string ext = extension ? extension : "";
    const bool all = ext.empty() || ext == "*";
    search_names_.clear();
    if (all) search_names_ = {".", ".."};
    search_pos_ = 0;
    search_dir_ = cwd_;
    if (DIR* d = opendir(host_path(cwd_).c_str())) {
        std::vector<std::string> names;
        while (dirent* de = readdir(d)) {
            std::string n = de->d_name;
            if (n == "." || n == "..") continue;
            if (all || (de->d_type != DT_DIR && has_extension(n, ext))) names.push_back(n);
        }
        closedir(d);
        std::sort(names.begin(), names.end()); // the listing order is the disk's; keep it stable
        search_names_.insert(search_names_.end(), names.begin(), names.end());
    }
    if (!entry) return static_cast<uint32_t>(search_names_.size());
    find_next(entry);
    return static_cast<uint32_t>(search_names_.size());
}

uint32_t Disk::find_next(TYPE_FolderEntry* entry) {
    if (!entry || search_pos_ >= search_names_.size()) return 0;
    const std::string& n = search_names_[search_pos_++];
    std::string p = search_dir_ == "/" ? "/" + n : search_dir_ + "/" + n;
    if (n == ".") p = search_dir_;
    if (n == "..")
        p = search_dir_ == "/" ? "/"
                               : search_dir_.substr(0, std::max<size_t>(1, search_dir_.rfind('/')));
    std::memset(entry, 0, sizeof *entry);
    std::snprintf(entry->name, sizeof entry->name, "%s", n.c_str());
    Stat st;
    if (stat_entry(p, &st)) {
        entry->attr = st.folder ? ATTR_FOLDER : ATTR_FILE;
        entry->time = st.time;
        entry->size = static_cast<long64>(st.size);
    }
    return 1;
}

} // namespace tapsim
