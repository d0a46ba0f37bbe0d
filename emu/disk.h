// The receiver's disk as the TAP API sees it: a current folder below the disk root, files
// opened by name, and the file search. Every name is resolved below the disk folder; ".."
// never climbs above the disk root.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/firmware.h"

namespace tapsim {

class Disk {
  public:
    // disk_dir: the host folder holding the disk's files; utc_offset_min turns file times
    // into the receiver's local time.
    void attach(const std::string& disk_dir, int utc_offset_min);
    const std::string& dir() const { return dir_; }
    const std::string& cwd() const { return cwd_; } // receiver path, "/" is the disk root

    // Receiver path ("/a/b") of a name relative to the current folder; false when it would
    // leave the disk.
    bool resolve(const char* name, std::string* receiver_path) const;
    std::string host_path(const std::string& receiver_path) const { return dir_ + receiver_path; }
    // The host path of the file or folder a receiver path stands for, its symbolic links
    // followed: a link to a receiver path ("/mnt/hd/...") leads where that path lies below the
    // receiver's root folder, as it does on the receiver.
    std::string host_file(const std::string& receiver_path) const;
    bool is_file(const std::string& receiver_path) const;
    // The folder standing for the receiver's "/".
    void set_root(const std::string& root) { root_ = root; }

    bool change_dir(const char* name);
    bool exist(const char* name) const;
    bool create(const char* name, uint8_t attr);
    bool remove(const char* name);
    // Renames a file or folder of the current folder; false when the new name exists.
    bool rename(const char* old_name, const char* new_name);
    TYPE_File* open(const char* name);
    uint32_t read(void* buf, uint32_t size, uint32_t count, TYPE_File* f);
    uint32_t write(const void* buf, uint32_t size, uint32_t count, TYPE_File* f);
    uint32_t seek(TYPE_File* f, long pos, int whence);
    uint32_t tell(TYPE_File* f);
    uint32_t length(TYPE_File* f);
    void close(TYPE_File* f);
    // The folder search of the current folder: extension "*" lists every name (with "." and
    // ".." first), another extension the files whose name ends in "." and it. Names longer
    // than the record holds arrive cut, as on the receiver.
    uint32_t find_first(TYPE_FolderEntry* entry, const char* extension);
    uint32_t find_next(TYPE_FolderEntry* entry);
    size_t open_files() const { return files_.size(); }
    // A full disk: the TAP API's writes take at most this many bytes more (all of them, in
    // whole blocks, or the write gives 0). Negative: no limit.
    void set_room(int64_t bytes) { room_ = bytes; }

  private:
    struct OpenFile {
        std::unique_ptr<TYPE_File> entry;
        std::unique_ptr<fw_name_record> name_record; // the handle names the file
        std::string linux_path;
        std::FILE* fp = nullptr;
        bool written = false; // written since the last flush or seek: flushed before a read
    };
    struct Stat {
        bool folder;
        uint64_t size;
        uint32_t time; // MJD << 16 | hour << 8 | minute, local time
    };
    OpenFile* lookup(TYPE_File* f);
    bool stat_entry(const std::string& receiver_path, Stat* st) const;

    std::string dir_;
    std::string root_;
    std::string cwd_ = "/";
    int utc_offset_min_ = 0;
    std::map<TYPE_File*, OpenFile> files_;
    std::vector<std::string> search_names_;
    size_t search_pos_ = 0;
    std::string search_dir_;
    uint32_t next_handle_ = 1;
    int64_t room_ = -1;
};

} // namespace tapsim
