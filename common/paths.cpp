#include "paths.h"

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "memory.h"
#include "platform/tap_api.h"
#include "receiver_path.h"

namespace {

// Writes prefix + the TAP path of name in folder into out (when out is null only measures).
// Returns the length of the result without its NUL.
size_t compose(const char* prefix, const char* folder, const char* name, char* out, size_t size) {
    if (!name) name = "";
    size_t len = 0;
    auto put = [&](const char* s, size_t n) {
        if (out && len + n < size) memcpy(out + len, s, n);
        len += n;
    };
    put(prefix, strlen(prefix));
    // The joined path is absolute when the folder (or, without a folder, the name) begins
    // with "/"; an empty folder joins to "/" + name.
    const bool absolute = folder ? (folder[0] == '/' || folder[0] == 0) : name[0] == '/';
    if (!absolute) {
        put(SETTINGS_FOLDER, strlen(SETTINGS_FOLDER));
        put("/", 1);
    }
    if (folder) {
        size_t f = strlen(folder);
        put(folder, f);
        if (f == 0 || folder[f - 1] != '/') put("/", 1);
        while (*name == '/')
            ++name;
    }
    put(name, strlen(name));
    if (out && len < size) out[len] = 0;
    return len;
}

} // namespace

char* path_tap(const char* folder, const char* name) {
    size_t n = compose("", folder, name, nullptr, 0);
    char* path = static_cast<char*>(mem_alloc(n + 1));
    if (path) compose("", folder, name, path, n + 1);
    return path;
}

const char* path_split(const char* path, char* dir, size_t size) {
    const char* slash = strrchr(path, '/');
    const size_t n = slash ? (slash == path ? 1 : static_cast<size_t>(slash - path)) : strlen(path);
    snprintf(dir, size, "%.*s", static_cast<int>(n), path);
    return slash ? slash + 1 : path;
}

int path_libc_into(const char* folder, const char* name, char* out, size_t size) {
    if (!out || size == 0) return -1;
    out[0] = 0;
    char receiver[1024];
    size_t n = compose(DISK_MOUNT, folder, name, receiver, sizeof receiver);
    if (n >= sizeof receiver) return -1;
    return path_map(receiver, out, size);
}

char* path_libc(const char* folder, const char* name) {
    size_t n = compose(DISK_MOUNT, folder, name, nullptr, 0);
    char* receiver = static_cast<char*>(mem_alloc(n + 1));
    if (!receiver) return nullptr;
    compose(DISK_MOUNT, folder, name, receiver, n + 1);
    // The mapping puts the emulator's root folder in front (nothing on a receiver).
    char* mapped = nullptr;
    const size_t extras[] = {256, 4096};
    for (size_t extra : extras) {
        mapped = static_cast<char*>(mem_alloc(n + 1 + extra));
        if (!mapped || path_map(receiver, mapped, n + 1 + extra) == 0) break;
        mem_free(mapped);
        mapped = nullptr;
    }
    mem_free(receiver);
    return mapped;
}

uint32_t local_unix_time(void) {
    word mjd = 0;
    byte hour = 0, minute = 0, second = 0;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    uint64_t seconds = static_cast<uint64_t>(mjd) * 86400u + hour * 3600u + minute * 60u + second;
    return static_cast<uint32_t>(seconds - 3506716800ull);
}

int file_set_time(const char* libc_path, uint32_t unix_seconds) {
    struct utimbuf times;
    times.actime = static_cast<time_t>(unix_seconds);
    times.modtime = static_cast<time_t>(unix_seconds);
    return utime(libc_path, &times) == 0 ? 0 : -1;
}

int file_touch(const char* libc_path) {
    if (!libc_path) return -1;
    struct stat st;
    if (stat(libc_path, &st) != 0) {
        int fd = open(libc_path, O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0) return -1;
        close(fd);
    }
    return file_set_time(libc_path, local_unix_time());
}

bool file_entry_find(const char* name, TYPE_FolderEntry* entry) {
    // A name longer than the record holds arrives cut: its first part stands for it.
    const size_t held = sizeof entry->name - 1;
    const size_t length = strnlen(name, held + 1);
    dword count = TAP_Hdd_FindFirst(entry, "*");
    for (dword i = 0; i < count; ++i) {
        if (i > 0 && !TAP_Hdd_FindNext(entry)) break;
        entry->name[held] = 0;
        if (strncmp(entry->name, name, held) == 0 &&
            strlen(entry->name) == (length > held ? held : length))
            return true;
    }
    return false;
}
