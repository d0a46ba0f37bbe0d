// C library calls of the TAPs that the emulator answers for the receiver: statvfs on the mount
// points of the fixture (with its sizes) and the disks' device files "/dev/sdX". The TAPs import
// them without a symbol version; the program that loads them defines them, so the TAPs' calls
// arrive here, and everything else passes on to the C library.
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/statvfs.h>

#include "emulator.h"

using tapsim::Emulator;

namespace {

template <typename F> F next_function(const char* name) {
    return reinterpret_cast<F>(tapsim::unfiltered_dlsym(RTLD_NEXT, name));
}

// Where the receiver's path stands on this machine: a disk's device file "/dev/sdX" is the
// emulator's file for disk X, and a disk the receiver lacks does not exist (the machine's own
// disks are never reached). Null for every other path.
const char* device_path(const char* path, std::string* file) {
    Emulator* emu = Emulator::current();
    if (!emu || !path || std::strncmp(path, "/dev/sd", 7) != 0 || !path[7] || path[8])
        return nullptr;
    *file = emu->devices().device_file(path[7]);
    return file->c_str();
}

using open_function = int (*)(const char*, int, ...);

int open_receiver(open_function real, const char* path, int flags, va_list args) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) mode = static_cast<mode_t>(va_arg(args, int));
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    std::string file;
    if (const char* device = device_path(path, &file)) {
        if (!*device) {
            errno = ENOENT;
            return -1;
        }
        path = device;
    }
    return real(path, flags, mode);
}

} // namespace

#define TAPSIM_EXPORT extern "C" __attribute__((visibility("default")))

// statvfs by its symbol names: the program is built with 64-bit file offsets, so its struct
// statvfs is the one statvfs64 fills (and on a 64-bit machine the one statvfs fills too).
extern "C" int tapsim_statvfs64(const char* path, struct statvfs* out) __asm__("statvfs64");

namespace {

using statvfs_function = int (*)(const char*, struct statvfs*);

int statvfs_receiver(statvfs_function real, const char* path, struct statvfs* out) {
    Emulator* emu = Emulator::current();
    if (emu && emu->devices().mount_point_figures(emu->state(), path, out)) {
        emu->trace().call(emu->clock().ticks(), "statvfs", {0}, path);
        return 0;
    }
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    return real(path, out);
}

} // namespace

TAPSIM_EXPORT int tapsim_statvfs64(const char* path, struct statvfs* out) {
    static const statvfs_function real = next_function<statvfs_function>("statvfs64");
    return statvfs_receiver(real, path, out);
}

#if __SIZEOF_POINTER__ == 8
extern "C" int tapsim_statvfs(const char* path, struct statvfs* out) __asm__("statvfs");

TAPSIM_EXPORT int tapsim_statvfs(const char* path, struct statvfs* out) {
    static const statvfs_function real = next_function<statvfs_function>("statvfs");
    return statvfs_receiver(real, path, out);
}
#endif

// open and open64 by their symbol names: the C library's headers may make either name stand for
// the other.
extern "C" int tapsim_open(const char* path, int flags, ...) __asm__("open");
extern "C" int tapsim_open64(const char* path, int flags, ...) __asm__("open64");

TAPSIM_EXPORT int tapsim_open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    static const open_function real = next_function<open_function>("open");
    const int r = open_receiver(real, path, flags, args);
    va_end(args);
    return r;
}

TAPSIM_EXPORT int tapsim_open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    static const open_function real = next_function<open_function>("open64");
    const int r = open_receiver(real, path, flags, args);
    va_end(args);
    return r;
}
