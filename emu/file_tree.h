// The receiver's file tree as the TAPs and their helper programs see it: "/mnt/hd" (the disk),
// "/mnt/sdb1" (the USB medium), "/mnt/sdb2" (an empty second slot) and the fixture's "/proc"
// files.
//
// Preferred: the receiver's paths themselves. The process enters a private mount namespace of
// its own once (as root, or in an unprivileged user namespace where the system allows one);
// each emulator then mounts a fresh tmpfs over "/mnt" (nothing appears on the host's "/mnt"),
// binds the disk and USB folders to "/mnt/hd" and "/mnt/sdb1", and binds the fixture's files
// over their "/proc" paths. Link targets, helper output and absolute paths are then the
// receiver's literally, in every run; the TAPs' path mapping is the identity. Mounts made
// later below the disk or USB folder (a small tmpfs as a full USB stick) appear there too.
//
// Fallback where no namespace can be had: a folder standing for the receiver's "/", with
// links to the disk and USB folders, which the TAPs put in front of every absolute path
// (common/receiver_path.h). Links the TAP writes then point into that folder and die with it.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tapsim {

class FileTree {
  public:
    ~FileTree() { tear_down(); }
    // work: the emulator's own folder (the fallback root and the /proc files go there); disk,
    // usb: host folders; proc: file name below "/proc" -> contents. mapped_only: skip the
    // namespace (the fallback, for tests of it). A namespace that cannot take the tree (a
    // "/proc" file the system lacks) gives the fallback too. False and why on failure.
    bool build(const std::string& work, const std::string& disk, const std::string& usb,
               const std::map<std::string, std::string>& proc, bool mapped_only, std::string* why);
    void tear_down();
    // True when the receiver's paths are real in this process.
    bool namespaced() const { return namespaced_; }
    // The folder standing for the receiver's "/": "" in the namespace.
    const std::string& root() const { return root_; }
    // The host file that holds the receiver's "/proc/NAME" (written in place, it changes what
    // the TAPs read).
    std::string proc_file(const std::string& name) const { return proc_dir_ + "/" + name; }
    // Why the tree is the fallback ("" in the namespace).
    const std::string& mapped_reason() const { return mapped_reason_; }

  private:
    bool build_namespaced(const std::string& work, const std::string& disk, const std::string& usb,
                          const std::map<std::string, std::string>& proc, std::string* why);
    bool build_mapped(const std::string& work, const std::string& disk, const std::string& usb,
                      const std::map<std::string, std::string>& proc, std::string* why);

    bool namespaced_ = false;
    bool mounted_ = false;                // the tmpfs over "/mnt"
    std::vector<std::string> proc_binds_; // "/proc" files bound over
    std::string root_;
    std::string proc_dir_;
    std::string mapped_reason_;
};

// Enters the process's private mount namespace (once; later calls answer as the first did).
// False and why where the system allows none.
bool enter_private_namespace(std::string* why);

} // namespace tapsim
