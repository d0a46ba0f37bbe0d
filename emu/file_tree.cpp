#include "file_tree.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tapsim {

namespace {

std::string system_error(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool write_text(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && ok;
}

// The uid and gid maps of a fresh user namespace: this process keeps its own ids.
bool map_own_ids(uid_t uid, gid_t gid) {
    return write_text("/proc/self/setgroups", "deny") &&
           write_text("/proc/self/uid_map",
                      std::to_string(uid) + " " + std::to_string(uid) + " 1") &&
           write_text("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
}

// A name below "/proc" as the fixture gives it: relative, without "." or ".." steps.
bool proc_name_ok(const std::string& name) {
    if (name.empty() || name[0] == '/' || name.back() == '/') return false;
    for (const auto& part : fs::path(name))
        if (part == "." || part == ".." || part.empty()) return false;
    return true;
}

} // namespace

bool enter_private_namespace(std::string* why) {
    static int state = 0; // 0 untried, 1 inside, -1 unavailable
    static std::string reason;
    if (state == 0) {
        const uid_t uid = geteuid();
        const gid_t gid = getegid();
        bool entered = unshare(CLONE_NEWNS) == 0;
        if (!entered && uid != 0)
            entered = unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && map_own_ids(uid, gid);
        // Nothing of ours reaches the host's mounts; within the namespace mounts propagate
        // between a folder and its binds.
        if (!entered)
            reason = system_error("no private mount namespace");
        else if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                 mount(nullptr, "/", nullptr, MS_REC | MS_SHARED, nullptr) != 0)
            reason = system_error("cannot set the namespace's propagation");
        state = reason.empty() ? 1 : -1;
    }
    if (state < 0 && why) *why = reason;
    return state > 0;
}

bool FileTree::build(const std::string& work, const std::string& disk, const std::string& usb,
                     const std::map<std::string, std::string>& proc, bool mapped_only,
                     std::string* why) {
    for (const auto& [name, text] : proc)
        if (!proc_name_ok(name)) {
            *why = "bad /proc file name \"" + name + "\" in the fixture";
            return false;
        }
    if (!mapped_only && enter_private_namespace(&mapped_reason_)) {
        if (build_namespaced(work, disk, usb, proc, &mapped_reason_)) return true;
        tear_down();
    }
    if (mapped_only) mapped_reason_ = "asked for";
    return build_mapped(work, disk, usb, proc, why);
}

bool FileTree::build_namespaced(const std::string& work, const std::string& disk,
                                const std::string& usb,
                                const std::map<std::string, std::string>& proc, std::string* why) {
    root_.clear();
    proc_dir_ = work + "/proc";
    if (mount("tapsim", "/mnt", "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755") != 0) {
        *why = system_error("cannot mount a tmpfs over /mnt");
        return false;
    }
    mounted_ = true;
    for (const char* at : {"/mnt/hd", "/mnt/sdb1", "/mnt/sdb2"})
        if (mkdir(at, 0755) != 0) {
            *why = system_error(std::string("cannot make ") + at);
            return false;
        }
    if (mount(disk.c_str(), "/mnt/hd", nullptr, MS_BIND, nullptr) != 0 ||
        mount(usb.c_str(), "/mnt/sdb1", nullptr, MS_BIND, nullptr) != 0) {
        *why = system_error("cannot bind the disk and USB folders");
        return false;
    }
    for (const auto& [name, text] : proc) {
        std::string file = work + "/proc/" + name, at = "/proc/" + name;
        std::error_code ec;
        fs::create_directories(fs::path(file).parent_path(), ec);
        if (!write_text(file, text)) {
            *why = system_error("cannot write " + file);
            return false;
        }
        if (mount(file.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            *why = system_error("cannot bind the fixture's " + at);
            return false;
        }
        proc_binds_.push_back(at);
    }
    namespaced_ = true;
    return true;
}

bool FileTree::build_mapped(const std::string& work, const std::string& disk,
                            const std::string& usb, const std::map<std::string, std::string>& proc,
                            std::string* why) {
    namespaced_ = false;
    root_ = work + "/root";
    proc_dir_ = root_ + "/proc";
    std::error_code ec;
    fs::create_directories(root_ + "/mnt/sdb2", ec);
    if (!ec) fs::create_directory_symlink(disk, root_ + "/mnt/hd", ec);
    if (!ec) fs::create_directory_symlink(usb, root_ + "/mnt/sdb1", ec);
    if (ec) {
        *why = "cannot prepare the receiver's folders: " + ec.message();
        return false;
    }
    for (const auto& [name, text] : proc) {
        std::string file = root_ + "/proc/" + name;
        fs::create_directories(fs::path(file).parent_path(), ec);
        if (!write_text(file, text)) {
            *why = system_error("cannot write " + file);
            return false;
        }
    }
    return true;
}

void FileTree::tear_down() {
    for (const std::string& at : proc_binds_)
        umount2(at.c_str(), MNT_DETACH);
    proc_binds_.clear();
    // The binds below "/mnt" go with it.
    if (mounted_) umount2("/mnt", MNT_DETACH);
    mounted_ = false;
    namespaced_ = false;
}

} // namespace tapsim
