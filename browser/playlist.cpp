// The MP3 playlist: its entries are links in "/PlayList" to the MP3 files (receiver paths, so
// they stay valid on the receiver and for the next run); it plays one entry at a time and moves
// on when the dispatcher reports the end of the track, in the MP3 mode of the settings.
#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "browser/mp3.h"
#include "common/file_io.h"
#include "common/memory.h"
#include "common/names.h"
#include "common/paths.h"
#include "common/programs.h"
#include "common/receiver_path.h"
#include "common/settings.h"
#include "common/tables.h"
#include "image/file_reader.h"
#include "osd/ibox.h"
#include "osd/window_open.h"

int playlist_count, playlist_pos, last_played = -1;
bool playlist_active, track_finished;
dword track_start;
int32_t track_length;

namespace {

enum {
    PATH_BYTES = 1024,
    LINK_NAME_BYTES = 256, // a link's name: at most 255 bytes
    SUFFIX_BYTES = 4,      // ".mp3", kept when a name is cut
    SCAN_DEPTH_MAX = 16,   // folder levels below the scanned folder
    SCAN_FOLDERS_MAX = 100000,
    LIST_LINE_BYTES = 1024,
};

enum mp3_mode_value {
    MODE_NORMAL = 0,
    MODE_SHUFFLE = 1,
    MODE_SHUFFLE_ONCE = 2,
    MODE_REPEAT_ALL = 3,
    MODE_REPEAT_ONE = 4,
};

const char receiver_disk[] = DISK_MOUNT "/";
constexpr size_t receiver_disk_len = sizeof receiver_disk - 1;

char** entries;  // playlist_count TAP paths of links, capacity slots
uint8_t* played; // one flag per slot (the shuffle modes)
uint32_t capacity;
uint32_t random_state;

int mp3_mode() {
    return settings.sort_mp3 >> 4 & 0x0F;
}
bool shuffled() {
    return mp3_mode() == MODE_SHUFFLE || mp3_mode() == MODE_SHUFFLE_ONCE;
}

// The playlist's memory, allocated at first use (as many entries as the file browser's table
// holds); the random generator is seeded then.
bool ready() {
    if (entries) return true;
    if (!entry_capacity) return false;
    entries = static_cast<char**>(mem_alloc(entry_capacity * sizeof(char*)));
    played = static_cast<uint8_t*>(mem_alloc(entry_capacity));
    if (!entries || !played) {
        mem_free(entries);
        mem_free(played);
        entries = nullptr;
        played = nullptr;
        return false;
    }
    capacity = entry_capacity;
    memset(entries, 0, capacity * sizeof(char*));
    memset(played, 0, capacity);
    random_state = TAP_GetTick();
    return true;
}

int random_below(int n) {
    random_state = random_state * 1103515245u + 12345u;
    return static_cast<int>((random_state >> 16) % static_cast<uint32_t>(n));
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// ---- The scan ----

struct folder_id {
    dev_t dev;
    ino_t ino;
};

struct scan_state {
    char path[PATH_BYTES];              // libc path of the folder or file looked at
    char skip[PATH_BYTES];              // libc path of "/PlayList", which is not scanned
    folder_id open[SCAN_DEPTH_MAX + 1]; // the folders being scanned, outermost first
    int depth;
    int folders;
    int added;
};

// True when the folder is already being scanned (a link back up the tree).
bool scanning(const scan_state& s, const folder_id& id) {
    for (int i = 0; i <= s.depth; ++i)
        if (s.open[i].dev == id.dev && s.open[i].ino == id.ino) return true;
    return false;
}

// Scans the folder s.path (len bytes long); s.open[s.depth] is the folder itself.
void scan_folder(scan_state& s, size_t len) {
    if (++s.folders > SCAN_FOLDERS_MAX) return;
    libc_folder d(s.path);
    if (!d) return;
    int n = 0;
    while (dirent* e = readdir(d.d)) {
        if (static_cast<uint32_t>(playlist_count) >= capacity) break;
        const char* name = e->d_name;
        if (name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]))) continue;
        const size_t name_len = strlen(name);
        if (len + 1 + name_len >= sizeof s.path) continue;
        s.path[len] = '/';
        memcpy(s.path + len + 1, name, name_len + 1);
        // Files the folder listing names as such need no stat; a file stat cannot read (larger
        // than its sizes hold) is no folder either.
        struct stat st;
        bool folder = e->d_type == DT_DIR;
        if (folder || e->d_type != DT_REG) folder = stat(s.path, &st) == 0 && S_ISDIR(st.st_mode);
        if (folder) {
            const folder_id id{st.st_dev, st.st_ino};
            if (s.depth < SCAN_DEPTH_MAX && !scanning(s, id) && strcmp(s.path, s.skip)) {
                s.open[++s.depth] = id;
                scan_folder(s, len + 1 + name_len);
                --s.depth;
            }
        } else if (name_ends_with(name, ".mp3")) {
            if (playlist_add(path_unmap(s.path), ++n) == 0) ++s.added;
        }
        s.path[len] = 0;
    }
}

// ---- Playlist files ----

// The folder part of a receiver path ("/mnt/hd/a/b.mp3" -> 10 bytes "/mnt/hd/a/").
size_t folder_length(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash ? static_cast<size_t>(slash - path) + 1 : 0;
}

bool is_file(const char* receiver_path) {
    char path[PATH_BYTES];
    struct stat st;
    return path_map(receiver_path, path, sizeof path) == 0 && stat(path, &st) == 0 &&
           S_ISREG(st.st_mode);
}

// Adds the entries of the playlist file name of the TAP folder dir that name existing files:
// consecutive entries of one folder form a group as the files of one folder in a scan.
void read_list_file(const char* dir, const char* name) {
    if (!ready() || tap_folder_change(dir) != 0) return;
    file_reader* r = file_reader_open(name);
    if (!r) return;
    file_reader_guard guard{r};
    const bool pls = name_ends_with(name, ".pls");
    char line[LIST_LINE_BYTES], entry[LIST_LINE_BYTES], path[PATH_BYTES], group[PATH_BYTES] = "";
    int n = 0;
    bool more = true;
    while (more && static_cast<uint32_t>(playlist_count) < capacity) {
        size_t len = 0;
        bool cut = false;
        int c;
        while ((c = file_reader_byte(r)) >= 0 && c != '\n') {
            if (len + 1 < sizeof line)
                line[len++] = static_cast<char>(c);
            else
                cut = true;
        }
        more = c >= 0;
        line[len] = 0;
        if (cut || !playlist_file_line(line, pls, entry, sizeof entry) ||
            playlist_entry_path(dir, entry, path, sizeof path) != 0 || !is_file(path))
            continue;
        const size_t folder = folder_length(path);
        const bool same = folder == strlen(group) && !strncmp(path, group, folder);
        n = same ? n + 1 : 1;
        if (!same) snprintf(group, sizeof group, "%.*s", static_cast<int>(folder), path);
        playlist_add(path, n);
    }
}

// ---- Starting ----

void nothing_to_play(osd_window* over, const char* title) {
    ibox_timed(over, MESSAGE_SHORT_MS, IBOX_WARNING, title,
               ui_text("No MP3 files found.", "Keine MP3-Dateien gefunden."));
}

// Plays a playlist just built: the first entry, or a random one in the shuffle modes.
void playlist_start(osd_window* over, const char* title) {
    if (!playlist_count) {
        nothing_to_play(over, title);
        return;
    }
    playlist_active = true;
    playlist_pos = 0;
    playlist_step(shuffled() ? PLAYLIST_NEXT : PLAYLIST_AGAIN);
}

// "/mnt/hd" + dir + "/" + name (name may be null) into out; false when it does not fit.
bool receiver_path(char* out, size_t size, const char* dir, const char* name) {
    const bool root = !strcmp(dir, "/");
    const int n = name ? snprintf(out, size, DISK_MOUNT "%s/%s", root ? "" : dir, name)
                       : snprintf(out, size, DISK_MOUNT "%s", root ? "" : dir);
    return n > 0 && static_cast<size_t>(n) < size;
}

void play_folder(const window_call& call) {
    char folder[PATH_BYTES];
    if (!call.dir || !receiver_path(folder, sizeof folder, call.dir, call.name)) return;
    ts_stop();
    playlist_reset(true);
    playlist_scan(folder);
    playlist_start(call.over, call.name ? call.name : call.dir);
}

void play_list_file(const window_call& call) {
    if (!call.dir || !call.name) return;
    ts_stop();
    playlist_reset(true);
    read_list_file(call.dir, call.name);
    playlist_start(call.over, call.name);
}

// A single file; a link of the playlist in "/PlayList" goes on with the playlist from there.
void play_file(const window_call& call) {
    if (!call.dir || !call.name) return;
    ts_stop();
    if (!strcmp(call.dir, PLAYLIST_FOLDER)) {
        const size_t folder = sizeof PLAYLIST_FOLDER - 1;
        for (int i = 0; i < playlist_count; ++i)
            if (entries[i][folder] == '/' && !strcmp(entries[i] + folder + 1, call.name)) {
                playlist_active = true;
                playlist_pos = i;
                if (shuffled()) last_played = i;
                playlist_step(PLAYLIST_AGAIN);
                return;
            }
    }
    playlist_active = false;
    track_finished = false;
    if (tap_folder_change(call.dir) == 0) mp3_play(call.name);
}

} // namespace

const char* playlist_entry(int i) {
    return i >= 0 && i < playlist_count ? entries[i] : nullptr;
}

void playlist_reset(bool clear_folder) {
    for (int i = 0; i < playlist_count; ++i) {
        mem_free(entries[i]);
        entries[i] = nullptr;
    }
    if (played) memset(played, 0, capacity);
    playlist_count = playlist_pos = 0;
    last_played = -1;
    playlist_active = false;
    if (!clear_folder) return;
    char folder[PATH_BYTES], path[PATH_BYTES];
    if (path_map(DISK_MOUNT PLAYLIST_FOLDER, folder, sizeof folder) != 0) return;
    libc_folder d(folder);
    if (!d) return;
    while (dirent* e = readdir(d.d)) {
        const char* name = e->d_name;
        if (name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]))) continue;
        if (snprintf(path, sizeof path, "%s/%s", folder, name) < static_cast<int>(sizeof path))
            remove(path);
    }
}

int playlist_scan(const char* folder) {
    if (!folder || strncmp(folder, receiver_disk, receiver_disk_len - 1) ||
        (folder[receiver_disk_len - 1] && folder[receiver_disk_len - 1] != '/') || !ready())
        return 0;
    static scan_state s; // large; the scan does not run twice at once
    if (path_map(folder, s.path, sizeof s.path) != 0 ||
        path_map(DISK_MOUNT PLAYLIST_FOLDER, s.skip, sizeof s.skip) != 0)
        return 0;
    size_t len = strlen(s.path);
    while (len > 1 && s.path[len - 1] == '/')
        s.path[--len] = 0;
    struct stat st;
    if (stat(s.path, &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
    s.depth = 0;
    s.open[0] = folder_id{st.st_dev, st.st_ino};
    s.folders = s.added = 0;
    scan_folder(s, len);
    return s.added;
}

char* playlist_link_name(char* out, size_t size, int number, int n, const char* file_name) {
    const char* name = file_name;
    if (n == 0) {
        const char* p = name;
        while (is_digit(*p) || *p == ' ')
            ++p;
        while (*p == ' ' || *p == '.' || *p == '-')
            ++p;
        if (p != name && strchr(p, '.')) name = p; // a name is never cut into its suffix
    }
    const int prefix = snprintf(out, size, "%04d %c ", number, n == 1 ? '=' : '-');
    if (prefix < 0 || static_cast<size_t>(prefix) >= size) return out;
    const size_t len = strlen(name), room = size - 1 - static_cast<size_t>(prefix);
    if (len <= room)
        memcpy(out + prefix, name, len + 1);
    else if (room > SUFFIX_BYTES && len > SUFFIX_BYTES)
        // Too long: the name's start and its last four bytes (the suffix) are kept.
        snprintf(out + prefix, room + 1, "%.*s%s", static_cast<int>(room - SUFFIX_BYTES), name,
                 name + len - SUFFIX_BYTES);
    else
        snprintf(out + prefix, room + 1, "%s", name);
    return out;
}

int playlist_add(const char* path, int n) {
    if (!path || strncmp(path, receiver_disk, receiver_disk_len) || !ready() ||
        static_cast<uint32_t>(playlist_count) >= capacity)
        return -1;
    const char* leaf = strrchr(path, '/') + 1;
    if (!*leaf) return -1;
    char link_name[LINK_NAME_BYTES], link[PATH_BYTES], host[PATH_BYTES];
    playlist_link_name(link_name, sizeof link_name, playlist_count + 1, n, leaf);
    const int len = snprintf(link, sizeof link, DISK_MOUNT PLAYLIST_FOLDER "/%s", link_name);
    if (len < 0 || len >= static_cast<int>(sizeof link) || path_map(link, host, sizeof host) != 0)
        return -1;
    if (symlink(path, host) != 0) {
        unlink(host); // a link of that name from an earlier list
        if (symlink(path, host) != 0) return -1;
    }
    char* entry = str_dup(link + sizeof DISK_MOUNT - 1);
    if (!entry) {
        unlink(host);
        return -1;
    }
    entries[playlist_count++] = entry;
    return 0;
}

void playlist_step(int request) {
    track_finished = false;
    const int mode = mp3_mode();
    if (request == PLAYLIST_AGAIN || mode == MODE_REPEAT_ONE) {
        // the same entry again
    } else if (shuffled()) {
        if (!playlist_count) return;
        if (last_played >= 0) played[last_played] = 1;
        int r = random_below(playlist_count);
        while (playlist_count > 1 && r == last_played)
            r = random_below(playlist_count);
        const int start = r;
        while (played[r]) {
            r = (r + 1) % playlist_count;
            if (r != start) continue;
            // Every entry has been played.
            if (mode == MODE_SHUFFLE_ONCE) {
                playlist_active = false;
                return;
            }
            memset(played, 0, static_cast<size_t>(playlist_count));
        }
        playlist_pos = last_played = r;
    } else {
        if (request == PLAYLIST_TRACK_DONE) {
            if (mode == MODE_NORMAL && playlist_pos == playlist_count - 1) playlist_active = false;
            request = PLAYLIST_NEXT;
        }
        int position = playlist_pos + request;
        if (position < 0 || position >= playlist_count) {
            if (mode != MODE_REPEAT_ALL || !playlist_count) return;
            position = position < 0 ? playlist_count - 1 : 0;
        }
        playlist_pos = position;
    }
    if (!playlist_active || playlist_pos < 0 || playlist_pos >= playlist_count) return;
    // The link is played in its own folder; the TAP's folder is given back afterwards.
    char before[PATH_BYTES] = "";
    if (const char* folder = tap_folder()) snprintf(before, sizeof before, "%s", folder);
    if (tap_folder_change(PLAYLIST_FOLDER) == 0)
        mp3_play(entries[playlist_pos] + sizeof PLAYLIST_FOLDER);
    if (before[0]) tap_folder_change(before);
}

void mp3_play(const char* name) {
    TAP_Hdd_PlayMp3(name);
    track_start = TAP_GetTick();
    TYPE_PlayInfo info;
    memset(&info, 0, sizeof info);
    const int32_t seconds = TAP_Hdd_GetPlayInfo(&info) && info.playMode == PLAYMODE_MP3
                                ? info.duration * 60 + info.durationSec
                                : 0;
    track_length = seconds > 0 ? seconds - 1 : 0;
}

void mp3_stop(void) {
    playlist_active = false;
    track_finished = false;
    TYPE_PlayInfo info;
    memset(&info, 0, sizeof info);
    if (TAP_Hdd_GetPlayInfo(&info) && info.playMode == PLAYMODE_MP3) TAP_Hdd_StopMp3();
}

void ts_stop(void) {
    TYPE_PlayInfo info;
    memset(&info, 0, sizeof info);
    if (TAP_Hdd_GetPlayInfo(&info) && info.playMode != PLAYMODE_NONE &&
        info.playMode != PLAYMODE_MP3)
        TAP_Hdd_StopTs();
}

bool playlist_file_line(const char* line, bool pls, char* out, size_t size) {
    const char* p = line;
    if (!strncmp(p, "\xEF\xBB\xBF", 3)) p += 3; // a UTF-8 byte-order mark
    while (*p == ' ' || *p == '\t')
        ++p;
    if (pls) {
        // "File" in any case: ASCII letters differ from their capitals in bit 0x20 only.
        if ((p[0] | 0x20) != 'f' || (p[1] | 0x20) != 'i' || (p[2] | 0x20) != 'l' ||
            (p[3] | 0x20) != 'e' || !is_digit(p[4]))
            return false;
        p += 4;
        while (is_digit(*p))
            ++p;
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p++ != '=') return false;
        while (*p == ' ' || *p == '\t')
            ++p;
    } else if (*p == '#') {
        return false;
    }
    size_t len = strlen(p);
    while (len &&
           (p[len - 1] == '\r' || p[len - 1] == '\n' || p[len - 1] == ' ' || p[len - 1] == '\t'))
        --len;
    if (!len || len >= size) return false;
    memcpy(out, p, len);
    out[len] = 0;
    return true;
}

int playlist_entry_path(const char* list_dir, const char* entry, char* out, size_t size) {
    if (!list_dir || !entry || size <= receiver_disk_len) return -1;
    // The TAP path to resolve: absolute, or the list's folder and the entry.
    const char* rest = entry;
    const char* folder = list_dir;
    if (!strncmp(entry, receiver_disk, receiver_disk_len)) {
        rest = entry + receiver_disk_len;
        folder = "";
    } else if (entry[0] == '/' || entry[0] == '\\') {
        folder = "";
    }
    memcpy(out, DISK_MOUNT, sizeof DISK_MOUNT);
    size_t len = sizeof DISK_MOUNT - 1;
    // Appends the parts of a path one by one: "." stays, ".." goes up, never above the disk.
    const char* const sources[] = {folder, rest};
    for (const char* p : sources) {
        while (*p) {
            while (*p == '/' || *p == '\\')
                ++p;
            const char* end = p;
            while (*end && *end != '/' && *end != '\\')
                ++end;
            const size_t part = static_cast<size_t>(end - p);
            if (part == 1 && p[0] == '.') {
            } else if (part == 2 && p[0] == '.' && p[1] == '.') {
                if (len == sizeof DISK_MOUNT - 1) return -1;
                while (out[len - 1] != '/')
                    --len;
                out[--len] = 0;
            } else if (part) {
                if (len + 1 + part >= size) return -1;
                out[len++] = '/';
                memcpy(out + len, p, part);
                out[len += part] = 0;
            }
            p = end;
        }
    }
    return 0;
}

dword mp3_entry(const window_call& call) {
    switch (call.mode) {
    case MP3_PLAY_FILE:
        play_file(call);
        return 0;
    case MP3_PLAY_LIST:
        play_list_file(call);
        return 0;
    case MP3_PLAY_FOLDER:
        play_folder(call);
        return 0;
    case MP3_PREVIOUS:
        playlist_step(PLAYLIST_PREVIOUS);
        return 0;
    case MP3_NEXT:
        playlist_step(PLAYLIST_NEXT);
        return 0;
    case MP3_STOP:
        mp3_stop();
        return 0;
    case MP3_ACTIVE:
        return playlist_active;
    case MP3_TRACK_END:
        track_finished = true;
        return 0;
    case MP3_TRACK_ENDED:
        return track_finished;
    case MP3_DROP:
        playlist_active = false;
        return 0;
    case MP3_ADVANCE:
        playlist_step(PLAYLIST_TRACK_DONE);
        return 0;
    default:
        return 0;
    }
}

void playlist_release(void) {
    playlist_reset(false);
    mem_free(entries);
    mem_free(played);
    entries = nullptr;
    played = nullptr;
    capacity = 0;
    track_finished = false;
}
