#include "recording.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "common/byte_order.h"
#include "common/file_io.h"
#include "common/memory.h"
#include "common/paths.h"
#include "common/receiver_path.h"
#include "common/fw_bind.h"
#include "platform/tap_api.h"

namespace {

enum { PATH_BYTES = 1024 };

rec_header* header_buffer = nullptr; // allocated at the first read, reused

// Fixed bytes behind the sync byte of a packed header's packets (null packets, payload only).
constexpr uint8_t packet_head[4] = {0x47, 0x1F, 0xFF, 0x10};

rec_header* buffer() {
    if (!header_buffer) header_buffer = static_cast<rec_header*>(mem_alloc(sizeof(rec_header)));
    return header_buffer;
}

uint32_t get_be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

bool header_valid(const rec_header* h) {
    uint16_t v = inf_version(h);
    return memcmp(h->magic, "TFrc", 4) == 0 && (v == INF_VERSION || v == INF_VERSION_PACKED);
}

// Length byte corrected to the text's real length, text terminated, counts kept in range.
void normalise(rec_header* h) {
    size_t len = strnlen(h->event_name, h->name_length);
    h->name_length = static_cast<uint8_t>(len);
    h->event_name[len] = 0;
    h->channel[sizeof h->channel - 1] = 0;
    if (get_le16(h->extended_length) > INF_MAX_EXTENDED)
        put_le16(h->extended_length, INF_MAX_EXTENDED);
    if (get_le32(h->bookmark_count) > INF_MAX_BOOKMARKS)
        put_le32(h->bookmark_count, INF_MAX_BOOKMARKS);
}

// libc path of a folder and a name joined ("/mnt/hd" + TAP folder + name [+ suffix]).
bool libc_join(const char* tap_dir, const char* name, const char* suffix, char* out, size_t n) {
    char linux_path[PATH_BYTES];
    int len = snprintf(linux_path, sizeof linux_path, "%s%s%s%s%s", DISK_MOUNT,
                       tap_dir && tap_dir[0] ? tap_dir : "",
                       tap_dir && tap_dir[0] && tap_dir[strlen(tap_dir) - 1] == '/' ? "" : "/",
                       name, suffix ? suffix : "");
    if (len < 0 || static_cast<size_t>(len) >= sizeof linux_path) return false;
    return path_map(linux_path, out, n) == 0;
}

size_t read_up_to(const char* libc_path, void* out, size_t n) {
    libc_file f(libc_path, "rb");
    if (!f) return 0;
    return fread(out, 1, n, f.f);
}

} // namespace

bool is_recording_name(const char* name) {
    return name_ends_with(name, ".rec") || name_ends_with(name, ".ts");
}

bool is_companion_name(const char* name) {
    size_t n = strlen(name);
    if (n < 4 || !(name_ends_with(name, ".inf") || name_ends_with(name, ".nav"))) return false;
    char stream[PATH_BYTES];
    if (n - 4 >= sizeof stream) return false;
    memcpy(stream, name, n - 4);
    stream[n - 4] = 0;
    return is_recording_name(stream);
}

bool ts_check(const uint8_t* buffer, size_t length, int packet) {
    if (packet != 188 && packet != 192) return false;
    size_t at = packet == 192 ? 4 : 0;
    if (length < static_cast<size_t>(packet)) return false;
    for (size_t p = 0; p + packet <= length; p += packet)
        if (buffer[p + at] != 0x47 || (buffer[p + at + 1] & 0x80)) return false;
    return true;
}

void packed_unpack(const uint8_t* packed, uint8_t* out) {
    for (int i = 0; i < PACKED_PACKETS; ++i)
        memcpy(out + i * TS_PAYLOAD, packed + i * TS_PACKET + 4, TS_PAYLOAD);
}

void packed_pack(const uint8_t* data, uint8_t* packed) {
    for (int i = 0; i < PACKED_PACKETS; ++i) {
        memcpy(packed + i * TS_PACKET, packet_head, 4);
        memcpy(packed + i * TS_PACKET + 4, data + i * TS_PAYLOAD, TS_PAYLOAD);
    }
}

const rec_header* inf_parse(const uint8_t* bytes, size_t length, bool raw) {
    rec_header* h = buffer();
    if (!h || length < INF_MIN_BYTES) return nullptr;
    if (length > INF_READ_BYTES) length = INF_READ_BYTES;
    memset(h, 0, sizeof *h);
    memcpy(h, bytes, length);
    if (!header_valid(h)) return nullptr;
    if (!raw) normalise(h);
    return h;
}

const rec_header* inf_read(const char* dir, const char* name, bool raw) {
    rec_header* h = buffer();
    if (!h || !name) return nullptr;
    const bool is_inf = name_ends_with(name, ".inf");
    char path[PATH_BYTES];
    if (!libc_join(dir, name, is_inf ? nullptr : ".inf", path, sizeof path)) return nullptr;
    memset(h, 0, sizeof *h);
    libc_file f(path, "rb");
    if (f) {
        size_t got = fread(h, 1, INF_READ_BYTES, f.f);
        if (got < INF_MIN_BYTES) return nullptr;
    } else {
        if (is_inf || !libc_join(dir, name, nullptr, path, sizeof path)) return nullptr;
        uint8_t* stream = static_cast<uint8_t*>(mem_alloc(INF_BUFFER_BYTES));
        if (!stream) return nullptr;
        mem_block own(stream);
        if (read_up_to(path, stream, INF_BUFFER_BYTES) != INF_BUFFER_BYTES) return nullptr;
        if (!ts_check(stream, PACKED_BYTES, TS_PACKET)) return nullptr;
        packed_unpack(stream, reinterpret_cast<uint8_t*>(h));
        h->version[0] |= 1;
    }
    if (!header_valid(h)) return nullptr;
    if (!raw) normalise(h);
    return h;
}

void inf_release(void) {
    mem_free(header_buffer);
    header_buffer = nullptr;
}

int inf_repair_bytes(uint8_t* bytes, size_t length) {
    if (length >= PACKED_BYTES && ts_check(bytes, PACKED_BYTES, 188)) return 1;
    if (length >= PACKED_BYTES && ts_check(bytes, PACKED_BYTES, 192)) return 2;
    if (length >= PACKED_BYTES && memcmp(bytes, "TFrc", 4) == 0 &&
        (bytes[4] << 8 | bytes[5]) == INF_VERSION_BIG_ENDIAN) {
        uint8_t* data = static_cast<uint8_t*>(mem_alloc(PACKED_PAYLOAD));
        if (!data) return 0;
        mem_block own(data);
        memcpy(data, bytes, PACKED_PAYLOAD);
        packed_pack(data, bytes);
        return 1;
    }
    return 0;
}

int inf_repair(const char* dir, const char* name, bool write) {
    char path[PATH_BYTES];
    if (!libc_join(dir, name, name_ends_with(name, ".inf") ? nullptr : ".inf", path, sizeof path))
        return -1;
    uint8_t* bytes = static_cast<uint8_t*>(mem_alloc(PACKED_BYTES));
    if (!bytes) return -1;
    mem_block own(bytes);
    struct stat st;
    if (stat(path, &st) != 0) return -1;
    size_t got = read_up_to(path, bytes, PACKED_BYTES);
    const bool big_endian = got >= PACKED_BYTES && memcmp(bytes, "TFrc", 4) == 0;
    int result = inf_repair_bytes(bytes, got);
    if (result == 1 && big_endian && write) {
        // Written in place: the bytes behind the packed header stay as they were.
        file_descriptor fd(open(path, O_WRONLY));
        if (!fd || pwrite(fd.fd, bytes, PACKED_BYTES, 0) != PACKED_BYTES) return -1;
        struct utimbuf times = {st.st_atime, st.st_mtime};
        utime(path, &times);
    }
    return result;
}

void inf_convert(const uint8_t* packed, rec_header* out) {
    uint8_t* src = static_cast<uint8_t*>(mem_alloc(INF_BUFFER_BYTES));
    memset(out, 0, sizeof *out);
    if (!src) return;
    mem_block own(src);
    memset(src, 0, INF_BUFFER_BYTES);
    packed_unpack(packed, src);
    const rec_header* s = reinterpret_cast<const rec_header*>(src);
    memcpy(out->magic, "TFrc", 4);
    // The converted header is one of this receiver's: readers accept it.
    put_le16(out->version, INF_VERSION);
    uint32_t start = get_be32(s->word76);
    put_le32(out->word76, start);
    put_le32(out->start, start);
    put_le32(out->word80, get_be32(s->word80));
    put_le32(out->extra, get_be32(s->extra));
    out->duration[0] = s->duration[1];
    out->duration[1] = s->duration[0];
    out->crypted = s->crypted;
    out->event_minutes = s->event_hours;
    out->event_hours = s->event_minutes;
    memcpy(out->channel, s->channel, sizeof out->channel);
    // The event name block: from its length byte's neighbour up to the extended text's length.
    const size_t block = offsetof(rec_header, name_length) - 1;
    memcpy(reinterpret_cast<uint8_t*>(out) + block, src + block,
           offsetof(rec_header, extended_length) - block);
    size_t ext = static_cast<size_t>(s->extended_length[0] << 8 | s->extended_length[1]);
    if (ext > INF_MAX_EXTENDED) ext = INF_MAX_EXTENDED;
    bool tab = false;
    for (size_t i = 0; i < ext; ++i) {
        char c = s->extended[i];
        if (static_cast<uint8_t>(c) == 0x8A) {
            c = '\n';
        } else if (c == 0) {
            c = tab ? '\t' : '\n';
            tab = !tab;
        }
        out->extended[i] = c;
    }
    put_le16(out->extended_length, static_cast<uint16_t>(ext));
    uint32_t count = 0;
    while (count < INF_MAX_BOOKMARKS) {
        uint32_t b = get_be32(s->bookmarks[count]);
        if (!b) break;
        put_le32(out->bookmarks[count], b);
        ++count;
        if (b > 10000000) {
            count = 0;
            memset(out->bookmarks, 0, sizeof out->bookmarks);
            break;
        }
    }
    put_le32(out->bookmark_count, count);
}

int group_rename(const char* from, const char* to) {
    char a[PATH_BYTES], b[PATH_BYTES];
    if (path_map(from, a, sizeof a) || path_map(to, b, sizeof b)) return -1;
    // Never replace an existing file: a rename onto another recording would lose it.
    if (access(b, F_OK) == 0 || rename(a, b) != 0) return -1;
    if (!is_recording_name(from)) return 0;
    static const char* const companions[] = {".inf", ".nav"};
    for (const char* suffix : companions) {
        char ca[PATH_BYTES], cb[PATH_BYTES];
        if (snprintf(ca, sizeof ca, "%s%s", a, suffix) >= static_cast<int>(sizeof ca) ||
            snprintf(cb, sizeof cb, "%s%s", b, suffix) >= static_cast<int>(sizeof cb))
            continue;
        if (access(cb, F_OK) != 0) rename(ca, cb);
    }
    return 0;
}

int tree_delete(const char* linux_path) {
    char path[PATH_BYTES];
    if (path_map(linux_path, path, sizeof path)) return -1;
    struct stat st;
    if (lstat(path, &st) != 0) return -1;
    if (!S_ISDIR(st.st_mode)) return unlink(path) == 0 ? 0 : -1;
    DIR* d = opendir(path);
    if (!d) return -1;
    int result = 0;
    while (dirent* de = readdir(d)) {
        if (!strcmp(de->d_name, ".") || !strcmp(de->d_name, "..")) continue;
        char child[PATH_BYTES];
        if (snprintf(child, sizeof child, "%s/%s", linux_path, de->d_name) >=
            static_cast<int>(sizeof child)) {
            result = -1;
            continue;
        }
        if (tree_delete(child)) result = -1;
    }
    closedir(d);
    if (rmdir(path) != 0) result = -1;
    return result;
}

int group_delete(const char* dir, const char* name, bool recursive) {
    char linux_path[PATH_BYTES], path[PATH_BYTES];
    if (snprintf(linux_path, sizeof linux_path, "%s/%s", dir, name) >=
            static_cast<int>(sizeof linux_path) ||
        path_map(linux_path, path, sizeof path))
        return -1;
    struct stat st;
    if (lstat(path, &st) != 0) return -1;
    if (S_ISDIR(st.st_mode)) {
        if (recursive ? tree_delete(linux_path) : rmdir(path)) return -1;
        return 0;
    }
    if (unlink(path) != 0) return -1;
    if (is_recording_name(name)) {
        char c[PATH_BYTES];
        if (snprintf(c, sizeof c, "%s.inf", path) < static_cast<int>(sizeof c)) unlink(c);
        if (snprintf(c, sizeof c, "%s.nav", path) < static_cast<int>(sizeof c)) unlink(c);
    }
    return 0;
}

char* play_file_path(void) {
    TYPE_PlayInfo info;
    memset(&info, 0, sizeof info);
    const char* name =
        TAP_Hdd_GetPlayInfo(&info) && info.playMode != 0 ? fw_file_name(info.file) : nullptr;
    if (!name) return nullptr;
    size_t mount = strlen(DISK_MOUNT);
    if (strncmp(name, DISK_MOUNT, mount) == 0 && name[mount] == '/') name += mount;
    char* copy = str_dup(name);
    if (copy && (name_ends_with(copy, ".inf") || name_ends_with(copy, ".nav")))
        copy[strlen(copy) - 4] = 0;
    return copy;
}

int file_activity(const char* dir, const char* name) {
    char linux_path[PATH_BYTES];
    if (snprintf(linux_path, sizeof linux_path, "%s%s%s%s", DISK_MOUNT, dir,
                 dir[0] && dir[strlen(dir) - 1] == '/' ? "" : "/",
                 name) >= static_cast<int>(sizeof linux_path))
        return 0;
    if (name_ends_with(name, ".tap")) {
        const tap_task_slot* tasks = static_cast<const tap_task_slot*>(fw_address(FW_TAP_TASK));
        for (int i = 0; tasks && i < TAP_TASK_SLOTS; ++i)
            if (tasks[i].status == TAP_TASK_RUNNING && fw_file_name(tasks[i].file) &&
                !strcmp(fw_file_name(tasks[i].file), linux_path))
                return 16 + i;
        return 0;
    }
    if (!strcmp(dir, "/DataFiles") || !strcmp(dir, "/DataFiles/")) {
        for (int slot = 0; slot < RECORDING_SLOTS; ++slot) {
            TYPE_RecInfo info;
            memset(&info, 0, sizeof info);
            if (!TAP_Hdd_GetRecInfo(static_cast<byte>(slot), &info) || !info.recType) continue;
            size_t n = strnlen(info.fileName, sizeof info.fileName);
            if (n && !strncmp(name, info.fileName, n)) return ~slot;
        }
    }
    TYPE_PlayInfo play;
    memset(&play, 0, sizeof play);
    const char* played =
        TAP_Hdd_GetPlayInfo(&play) && play.playMode != 0 ? fw_file_name(play.file) : nullptr;
    if (played) {
        size_t n = strlen(played);
        if (name_ends_with(played, ".inf") || name_ends_with(played, ".nav")) n -= 4;
        if (n && !strncmp(linux_path, played, n)) return play.playMode == 5 ? 2 : 1;
    }
    return 0;
}
