#include "core/trim_patch.h"

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "common/byte_order.h"
#include "common/file_io.h"
#include "common/memory.h"
#include "common/paths.h"

namespace {

enum : uint32_t {
    NAV_BUFFER_BYTES = 64 * 1024, // whole entries of either size
    NAV_PATH_BYTES = 1024,
    INF_HOURS_MINUTES = 24 * 60,
};

uint64_t entry_position(const uint8_t* e) {
    return static_cast<uint64_t>(get_le32(e + 8)) << 32 | get_le32(e + 12);
}
void set_entry_position(uint8_t* e, uint64_t p) {
    put_le32(e + 8, static_cast<uint32_t>(p >> 32));
    put_le32(e + 12, static_cast<uint32_t>(p));
}
uint32_t entry_time(const uint8_t* e) {
    return get_le32(e + 24);
}

bool read_exact(int fd, void* buffer, size_t n) {
    uint8_t* p = static_cast<uint8_t*>(buffer);
    while (n) {
        ssize_t r = read(fd, p, n);
        if (r <= 0) return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

bool write_all(int fd, const void* buffer, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    while (n) {
        ssize_t r = write(fd, p, n);
        if (r <= 0) return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

bool seek_to(int fd, uint64_t offset) {
    return lseek(fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

// Synced to the disk, and exactly `size` bytes long.
bool synced_with_size(int fd, uint64_t size) {
    struct stat st;
    return fsync(fd) == 0 && fstat(fd, &st) == 0 && static_cast<uint64_t>(st.st_size) == size;
}

// "<stream><suffix>" into out; false when it does not fit.
bool companion(char* out, size_t size, const char* stream, const char* suffix) {
    int n = snprintf(out, size, "%s%s", stream, suffix);
    return n > 0 && static_cast<size_t>(n) < size;
}

// Index of the first entry (from `from` on) whose position is at least `target`; `count` when
// there is none. -1 when the file cannot be read. buffer: NAV_BUFFER_BYTES.
int64_t find_entry(int in, uint8_t* buffer, uint32_t es, uint64_t count, uint64_t from,
                   uint64_t target) {
    const uint64_t per_read = NAV_BUFFER_BYTES / es;
    if (!seek_to(in, from * es)) return -1;
    for (uint64_t index = from; index < count;) {
        const uint64_t n = count - index < per_read ? count - index : per_read;
        if (!read_exact(in, buffer, n * es)) return -1;
        for (uint64_t k = 0; k < n; ++k)
            if (entry_position(buffer + k * es) >= target) return static_cast<int64_t>(index + k);
        index += n;
    }
    return static_cast<int64_t>(count);
}

// |<: the entries from `found` on, from the first that may start the stream, into out.
int64_t copy_from(int in, int out, uint8_t* buffer, uint32_t es, uint64_t count, uint64_t found,
                  uint64_t removed_bytes, uint64_t* written) {
    const uint64_t per_read = NAV_BUFFER_BYTES / es;
    if (!seek_to(in, found * es)) return NAV_SEEK;
    bool started = false;
    uint32_t first_time = 0;
    *written = 0;
    for (uint64_t index = found; index < count;) {
        const uint64_t n = count - index < per_read ? count - index : per_read;
        if (!read_exact(in, buffer, n * es)) return NAV_SEEK;
        uint8_t* e = buffer;
        uint8_t* const end = buffer + n * es;
        if (!started) {
            while (e < end && e[3] != NAV_FRAME_START)
                e += es;
            if (e == end) {
                index += n;
                continue;
            }
            started = true;
            first_time = entry_time(e);
        }
        const uint8_t* const kept = e;
        for (; e < end; e += es) {
            const uint64_t position = entry_position(e);
            set_entry_position(e, position > removed_bytes ? position - removed_bytes : 0);
            const uint32_t t = entry_time(e);
            put_le32(e + 24, t > first_time ? t - first_time : 0);
        }
        const size_t bytes = static_cast<size_t>(end - kept);
        if (!write_all(out, kept, bytes)) return NAV_NOT_WRITTEN;
        *written += bytes;
        index += n;
    }
    return first_time;
}

} // namespace

uint32_t nav_entry_size(const uint8_t* first64) {
    for (int i = 48; i < 64; ++i)
        if (first64[i]) return 32;
    return 64;
}

int nav_check(uint64_t size, const uint8_t* first) {
    if (size < NAV_MIN_BYTES) return NAV_SHORT;
    return size % nav_entry_size(first) ? NAV_BAD_SIZE : 0;
}

int64_t nav_patch_fd(int in, int out, uint64_t size, const trim_cut& cut, void (*busy)(bool)) {
    uint8_t first[NAV_MIN_BYTES];
    if (size < NAV_MIN_BYTES) return NAV_SHORT;
    if (!seek_to(in, 0) || !read_exact(in, first, sizeof first)) return NAV_SEEK;
    if (int r = nav_check(size, first)) return r;
    const uint32_t es = nav_entry_size(first);
    const uint64_t count = size / es;
    uint8_t* buffer = static_cast<uint8_t*>(mem_alloc(NAV_BUFFER_BYTES));
    if (!buffer) return NAV_NOT_WRITTEN;
    mem_block owner(buffer);

    // The search starts a little before where the position would lie in an even recording.
    const uint64_t target = static_cast<uint64_t>(cut.current) * REC_BLOCK_BYTES;
    int64_t from =
        cut.total ? static_cast<int64_t>(count * cut.current / cut.total * 85 / 100) - 1000 : 0;
    if (from < 0) from = 0;
    int64_t found = find_entry(in, buffer, es, count, static_cast<uint64_t>(from), target);
    // Started behind the position (an uneven recording): from the beginning.
    if (found == from && from > 0) found = find_entry(in, buffer, es, count, 0, target);
    if (found < 0) return NAV_SEEK;
    const uint64_t at = static_cast<uint64_t>(found);

    if (!cut.keep_after) {
        if (at >= count) return synced_with_size(in, size) ? 0 : NAV_NOT_WRITTEN;
        uint8_t entry[32], last[32];
        if (!seek_to(in, at * es) || !read_exact(in, entry, sizeof entry) ||
            !seek_to(in, (count - 1) * es) || !read_exact(in, last, sizeof last))
            return NAV_SEEK;
        const uint64_t kept = (at + 1) * es;
        if (ftruncate(in, static_cast<off_t>(kept)) != 0 || !synced_with_size(in, kept))
            return NAV_NOT_WRITTEN;
        const uint32_t from_time = entry_time(entry), to_time = entry_time(last);
        return to_time > from_time ? to_time - from_time : 0;
    }

    const bool long_copy = (count - at) * es > NAV_WAIT_BYTES;
    if (long_copy && busy) busy(true);
    uint64_t written = 0;
    int64_t removed = copy_from(in, out, buffer, es, count, at, cut.removed_bytes, &written);
    if (removed >= 0 && !synced_with_size(out, written)) removed = NAV_NOT_WRITTEN;
    if (long_copy && busy) busy(false);
    return removed;
}

int nav_ready(const char* stream, const trim_cut& cut, uint64_t* needed) {
    char path[NAV_PATH_BYTES];
    if (needed) *needed = 0;
    if (!companion(path, sizeof path, stream, ".nav")) return NAV_MISSING;
    file_descriptor in(open(path, O_RDONLY));
    struct stat st;
    if (!in || fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) return NAV_MISSING;
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    uint8_t first[NAV_MIN_BYTES] = {};
    if (size >= NAV_MIN_BYTES && !read_exact(in.fd, first, sizeof first)) return NAV_MISSING;
    if (int r = nav_check(size, first)) return r;
    if (needed && cut.keep_after) *needed = size;
    return 0;
}

int32_t nav_patch(const char* stream, const trim_cut& cut, void (*busy)(bool)) {
    char path[NAV_PATH_BYTES], fresh[NAV_PATH_BYTES];
    if (!companion(path, sizeof path, stream, ".nav") ||
        !companion(fresh, sizeof fresh, stream, ".nav_new"))
        return NAV_MISSING;
    file_descriptor in(open(path, cut.keep_after ? O_RDONLY : O_RDWR));
    struct stat st;
    if (!in || fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) return NAV_MISSING;
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    int64_t removed;
    if (cut.keep_after) {
        file_descriptor out(open(fresh, O_WRONLY | O_CREAT | O_TRUNC, 0644));
        if (!out) return NAV_NOT_WRITTEN;
        removed = nav_patch_fd(in.fd, out.fd, size, cut, busy);
        const int closed = close(out.fd);
        out.fd = -1;
        if (removed >= 0 && (closed != 0 || rename(fresh, path) != 0)) removed = NAV_NOT_WRITTEN;
        if (removed < 0) unlink(fresh);
    } else {
        removed = nav_patch_fd(in.fd, -1, size, cut, busy);
    }
    if (removed < 0) return static_cast<int32_t>(removed);
    struct utimbuf times;
    times.actime = st.st_atime;
    times.modtime = st.st_mtime;
    utime(path, &times);
    return static_cast<int32_t>(removed / 1000);
}

uint32_t inf_trim(uint8_t* bytes, const trim_cut& cut, uint32_t blocks, int32_t nav_seconds) {
    inf_trim_part* h = reinterpret_cast<inf_trim_part*>(bytes);
    const uint32_t duration = get_le16(h->minutes) * 60u + get_le16(h->seconds);
    uint32_t removed =
        cut.total ? static_cast<uint32_t>(static_cast<uint64_t>(duration) * blocks / cut.total) : 0;
    if (nav_seconds > 0) removed = static_cast<uint32_t>(nav_seconds);
    if (removed > duration) removed = duration;
    const uint32_t rest = duration - removed;
    put_le16(h->minutes, static_cast<uint16_t>(rest / 60 > 0xFFFF ? 0xFFFF : rest / 60));
    put_le16(h->seconds, static_cast<uint16_t>(rest % 60));

    uint32_t start = get_le32(h->start);
    if (cut.keep_after) {
        uint32_t day = start >> 16;
        uint32_t minute = (start >> 8 & 0xFF) * 60 + (start & 0xFF) + removed / 60;
        day += minute / INF_HOURS_MINUTES;
        minute %= INF_HOURS_MINUTES;
        start = (day & 0xFFFF) << 16 | (minute / 60) << 8 | minute % 60;
        put_le32(h->start, start);
    }

    // The count says how many of the entries are bookmarks; a count beyond the list cannot
    // be, and the entries up to the last one set stand for it.
    uint32_t count = get_le32(h->bookmark_count);
    if (count > INF_PATCH_BOOKMARKS)
        for (count = INF_PATCH_BOOKMARKS; count && !get_le32(h->bookmarks[count - 1]);)
            --count;
    uint32_t kept = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const int64_t block = get_le32(h->bookmarks[i]);
        if (cut.keep_after ? block > static_cast<int64_t>(cut.current) + 1
                           : block < static_cast<int64_t>(cut.current) - 1)
            put_le32(h->bookmarks[kept++],
                     static_cast<uint32_t>(cut.keep_after ? block - cut.current : block));
    }
    for (uint32_t i = kept; i < INF_PATCH_BOOKMARKS; ++i)
        put_le32(h->bookmarks[i], 0);
    put_le32(h->bookmark_count, kept);
    put_le32(h->word_84c, 0);
    return start;
}

uint32_t inf_start_unix(uint32_t start) {
    const uint64_t seconds = static_cast<uint64_t>(start >> 16) * 86400 +
                             (start >> 8 & 0xFF) * 3600u + (start & 0xFF) * 60u;
    return static_cast<uint32_t>(seconds - 3506716800u);
}

bool inf_ready(const char* stream) {
    char path[NAV_PATH_BYTES];
    struct stat st;
    return companion(path, sizeof path, stream, ".inf") && stat(path, &st) == 0 &&
           S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) >= INF_PATCH_BYTES;
}

int inf_patch(const char* stream, const trim_cut& cut, uint32_t blocks, int32_t nav_seconds) {
    char path[NAV_PATH_BYTES];
    if (!companion(path, sizeof path, stream, ".inf")) return -1;
    uint8_t bytes[INF_PATCH_BYTES];
    uint32_t start;
    {
        file_descriptor f(open(path, O_RDWR));
        if (!f || !read_exact(f.fd, bytes, sizeof bytes)) return -1;
        start = inf_trim(bytes, cut, blocks, nav_seconds);
        if (!seek_to(f.fd, 0) || !write_all(f.fd, bytes, sizeof bytes) || fsync(f.fd) != 0)
            return -1;
    }
    return file_set_time(path, inf_start_unix(start));
}
