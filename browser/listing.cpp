#include "listing.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <utime.h>

#include "common/memory.h"
#include "common/paths.h"
#include "common/receiver_path.h"
#include "common/settings.h"
#include "osd/ibox.h"
#include "osd/window.h"
#include "platform/tap_api.h"
#include "recording.h"

uint32_t entry_count, dir_count;
char* current_dir;
history_slot dir_history[HISTORY_SLOTS];
int history_base, history_pos, history_count;
history_slot* history_current;
char* mark_list[MARK_SLOTS];
int mark_count;

namespace {

enum { PATH_BYTES = 1024, NAME_BYTES = 256 };
constexpr uint32_t MJD_2004_08_31 = 53248;

history_slot* slot_at(int pos) {
    return &dir_history[(history_base + pos) % HISTORY_SLOTS];
}

void slot_set(history_slot* s, const char* path) {
    mem_free(s->path);
    s->path = path ? str_dup(path) : nullptr;
    s->selected = 0;
    s->first_row = 0;
}

bool same_path(const history_slot* s, const char* path) {
    return s->path && !strcmp(s->path, path);
}

// The entry of that name becomes the current slot's selection; false when there is none.
bool select_name(const char* name) {
    if (!name || !name[0]) return false;
    for (uint32_t i = 0; i < entry_count; ++i)
        if (!strcmp(entries()[i].name, name)) {
            history_current->selected = static_cast<int32_t>(i);
            return true;
        }
    return false;
}

// A TAP path cleaned: a leading "/", no trailing "/" (except the root), no empty components.
void clean_path(char* p) {
    char* w = p;
    for (const char* r = p; *r; ++r)
        if (!(*r == '/' && w > p && w[-1] == '/')) *w++ = *r;
    *w = 0;
    size_t n = strlen(p);
    while (n > 1 && p[n - 1] == '/')
        p[--n] = 0;
}

// Cuts the last component ("/a/b" -> "/a", "/a" -> "/").
void cut_last(char* p) {
    char* slash = strrchr(p, '/');
    if (!slash || slash == p)
        strcpy(p, "/");
    else
        *slash = 0;
}

// The platform's date word as Unix seconds (32-bit arithmetic, as the receiver computes it).
uint32_t date_unix(uint32_t date) {
    uint32_t mjd = date >> 16, hour = (date >> 8) & 0xFF, minute = date & 0xFF;
    return (mjd - 40587u) * 86400u + hour * 3600u + minute * 60u;
}

// Recordings dated before the receiver's epoch get the start time of their header.
void repair_date(const char* dir, const char* name, uint32_t* date) {
    char stream[NAME_BYTES];
    snprintf(stream, sizeof stream, "%s", name);
    if (name_ends_with(stream, ".inf")) stream[strlen(stream) - 4] = 0;
    char linux_path[PATH_BYTES], path[PATH_BYTES];
    if (snprintf(linux_path, sizeof linux_path, "%s%s/%s", DISK_MOUNT, strcmp(dir, "/") ? dir : "",
                 name) >= static_cast<int>(sizeof linux_path) ||
        path_map(linux_path, path, sizeof path))
        return;
    struct stat st;
    if (stat(path, &st) != 0) return;
    uint32_t day = static_cast<uint32_t>(st.st_mtime / 86400 + 40587);
    if (!(day < MJD_2004_08_31 || *date < 0xD0000000u)) return;
    const rec_header* h = inf_read(dir, stream, false);
    if (!h) return;
    *date = inf_start(h);
    struct utimbuf t;
    t.actime = t.modtime = static_cast<time_t>(date_unix(*date));
    utime(path, &t);
    // The other member of the pair (the stream for its ".inf", the ".inf" for its stream).
    char other[PATH_BYTES];
    size_t n = strlen(path);
    if (name_ends_with(name, ".inf")) {
        memcpy(other, path, n - 4);
        other[n - 4] = 0;
    } else if (snprintf(other, sizeof other, "%s.inf", path) >= static_cast<int>(sizeof other)) {
        return;
    }
    utime(other, &t);
}

void free_names(uint32_t count) {
    if (count > entry_capacity) count = entry_capacity;
    for (uint32_t i = 0; i < count; ++i) {
        mem_free(entries()[i].name);
        entries()[i].name = nullptr;
    }
}

// Adds one record; false when the table is full.
bool add_entry(const char* name, uint64_t size, uint32_t date, uint16_t attr) {
    if (entry_count >= entry_capacity) return false;
    char* copy = str_dup(name);
    if (!copy) return false;
    dir_entry& e = entries()[entry_count++];
    e.name = copy;
    e.reserved = 0;
    const bool dir = attr == ATTR_FOLDER;
    e.size = dir ? 0 : size;
    e.date = dir ? 0 : date;
    e.attr = attr;
    e.flags = 0;
    if (dir) ++dir_count;
    return true;
}

void history_move(const char* path, int mode, const char* left_name) {
    if (history_count == 0) mode = SCAN_REREAD;
    if (mode == SCAN_ENTER || mode == SCAN_FORWARD) {
        if (mode == SCAN_ENTER && history_pos + 1 < history_count &&
            same_path(slot_at(history_pos + 1), path)) {
            history_current = slot_at(++history_pos);
            return;
        }
        for (int i = history_pos + 1; i < history_count; ++i)
            slot_set(slot_at(i), nullptr);
        if (history_pos < HISTORY_SLOTS - 1) {
            ++history_pos;
        } else {
            history_base = (history_base + 1) % HISTORY_SLOTS; // the oldest slot is reused
        }
        history_count = history_pos + 1;
        history_current = slot_at(history_pos);
        slot_set(history_current, path);
        if (char* played = play_file_path()) {
            char* slash = strrchr(played, '/');
            if (slash) {
                *slash = 0;
                const char* played_dir = slash == played ? "/" : played;
                if (!strcmp(played_dir, path)) select_name(slash + 1);
            }
            mem_free(played);
        }
        return;
    }
    if (mode == SCAN_PARENT && history_pos > 0 && same_path(slot_at(history_pos - 1), path)) {
        history_current = slot_at(--history_pos); // the parent's selected row is kept
        return;
    }
    if (mode == SCAN_PARENT && history_pos == 0) {
        // A new slot in front of the ring; the last one falls off when all ten are used.
        history_base = (history_base + HISTORY_SLOTS - 1) % HISTORY_SLOTS;
        if (history_count < HISTORY_SLOTS) ++history_count;
        history_pos = 0;
        history_current = slot_at(0);
        slot_set(history_current, path);
        if (!select_name(left_name)) history_current->selected = 0;
        return;
    }
    // Re-read, jump, select a file.
    if (history_current && same_path(history_current, path)) return;
    if (history_pos + 1 < history_count && same_path(slot_at(history_pos + 1), path)) {
        history_current = slot_at(++history_pos);
        return;
    }
    for (int i = 0; i < HISTORY_SLOTS; ++i)
        slot_set(&dir_history[i], nullptr);
    history_base = history_pos = 0;
    history_count = 1;
    history_current = slot_at(0);
    slot_set(history_current, path);
}

int name_compare(const dir_entry* a, const dir_entry* b) {
    return strcmp(a->name, b->name);
}

} // namespace

int sort_setting(void) {
    int s = settings.sort_mp3 & 0x0F;
    return s <= SORT_ALL ? s : SORT_NAME;
}

const char* sort_name(int mode) {
    static const char* const names[5][2] = {{"By name", "n. Namen"},
                                            {"By date-", "n. Datum-"},
                                            {"By date+", "n. Datum+"},
                                            {"By size", "n. Gr\xF6\xDF"
                                                        "e"},
                                            {"ALL", "ALLE"}};
    if (mode < 0 || mode > 4) mode = 0;
    return ui_text(names[mode][0], names[mode][1]);
}

bool list_filter(const char* dir, const char* name) {
    if (sort_setting() == SORT_ALL) return true;
    if (name_ends_with(name, ".bak") || name_ends_with(name, ".db3")) return false;
    if (is_companion_name(name)) {
        // Only orphans are listed: the recording itself stands for its group.
        char stream[PATH_BYTES];
        size_t n = strlen(name);
        if (n - 4 >= sizeof stream) return true;
        memcpy(stream, name, n - 4);
        stream[n - 4] = 0;
        char linux_path[PATH_BYTES], path[PATH_BYTES];
        if (snprintf(linux_path, sizeof linux_path, "%s%s/%s", DISK_MOUNT,
                     strcmp(dir, "/") ? dir : "", stream) >= static_cast<int>(sizeof linux_path) ||
            path_map(linux_path, path, sizeof path))
            return true;
        struct stat st;
        return stat(path, &st) != 0;
    }
    if (!strncmp(name, "__temprec__", 11)) return false;
    return true;
}

int entry_compare(const void* pa, const void* pb) {
    const dir_entry* a = static_cast<const dir_entry*>(pa);
    const dir_entry* b = static_cast<const dir_entry*>(pb);
    const bool da = entry_is_dir(*a), db = entry_is_dir(*b);
    if (da != db) return da ? -1 : 1;
    if (!da) {
        switch (sort_setting()) {
        case SORT_DATE_DOWN:
            return a->date == b->date ? 0 : a->date > b->date ? -1 : 1;
        case SORT_DATE_UP:
            return a->date == b->date ? 0 : a->date < b->date ? -1 : 1;
        case SORT_SIZE:
            return a->size == b->size ? 0 : a->size < b->size ? -1 : 1;
        default:
            break;
        }
    }
    return name_compare(a, b);
}

int entry_compare_grouped(const void* pa, const void* pb) {
    const dir_entry* a = static_cast<const dir_entry*>(pa);
    const dir_entry* b = static_cast<const dir_entry*>(pb);
    int ga = a->flags & ENTRY_GROUP_FLAG, gb = b->flags & ENTRY_GROUP_FLAG;
    if (ga != gb) return ga ? 1 : -1;
    return name_compare(a, b);
}

uint32_t dir_scan(char* path, int mode, uint32_t old_count) {
    title_tick = TAP_GetTick();
    char dir[PATH_BYTES];
    snprintf(dir, sizeof dir, "%s%s", path && path[0] == '/' ? "" : "/", path ? path : "");
    mem_free(path);
    clean_path(dir);
    char wanted[NAME_BYTES] = "";
    if (mode == SCAN_SELECT) {
        char* slash = strrchr(dir, '/');
        snprintf(wanted, sizeof wanted, "%s", slash + 1);
        cut_last(dir);
        if (sort_setting() != SORT_ALL && is_companion_name(wanted)) wanted[strlen(wanted) - 4] = 0;
    }
    // A directory that cannot be entered gives way to its nearest existing parent.
    while (!TAP_Hdd_ChangeDir(dir)) {
        if (!strcmp(dir, "/")) break;
        cut_last(dir);
        mode = SCAN_REREAD;
    }
    // The name selected before, to be selected again after a re-read.
    char remembered[NAME_BYTES] = "";
    if (history_current && history_current->selected >= 0 &&
        static_cast<uint32_t>(history_current->selected) < old_count &&
        static_cast<uint32_t>(history_current->selected) < entry_capacity &&
        entries()[history_current->selected].name)
        snprintf(remembered, sizeof remembered, "%s", entries()[history_current->selected].name);
    // The directory just left, selected in its parent.
    char left[NAME_BYTES] = "";
    if (current_dir) {
        const char* slash = strrchr(current_dir, '/');
        if (slash && slash[1]) snprintf(left, sizeof left, "%s", slash + 1);
    }
    free_names(old_count);
    entry_count = dir_count = 0;
    const bool root = !strcmp(dir, "/");
    if (root) add_entry("/", 0, 0, ATTR_FOLDER);
    TYPE_FolderEntry e;
    memset(&e, 0, sizeof e);
    dword n = TAP_Hdd_FindFirst(&e, "*");
    for (dword i = 0; i < n; ++i) {
        if (i && !TAP_Hdd_FindNext(&e)) break;
        e.name[sizeof e.name - 1] = 0;
        if (!strcmp(e.name, ".") || !strcmp(e.name, "..") || !e.name[0]) continue;
        uint32_t date = e.time;
        if (e.attr != ATTR_FOLDER && (name_ends_with(e.name, ".inf") || is_recording_name(e.name)))
            repair_date(dir, e.name, &date);
        if (!list_filter(dir, e.name)) continue;
        if (!add_entry(e.name, static_cast<uint64_t>(e.size), date, static_cast<uint16_t>(e.attr)))
            break;
    }
    qsort(entries(), entry_count, sizeof(dir_entry), entry_compare);
    mem_free(current_dir);
    current_dir = str_dup(dir);
    const bool same = history_current && same_path(history_current, dir);
    history_move(dir, mode, left);
    if (mode == SCAN_SELECT) {
        if (!select_name(wanted)) history_current->selected = history_current->first_row = 0;
    } else if (mode == SCAN_REREAD && same) {
        if (!select_name(remembered)) history_current->selected = history_current->first_row = 0;
    }
    if (!history_current->path) slot_set(history_current, "/");
    return entry_count;
}

char* entry_path(int index) {
    if (index < 0 || static_cast<uint32_t>(index) >= entry_count || !current_dir) return nullptr;
    const char* name = entries()[index].name;
    if (!strcmp(name, "/")) return str_dup("/");
    size_t n = strlen(current_dir) + strlen(name) + 2;
    char* p = static_cast<char*>(mem_alloc(n));
    if (p) snprintf(p, n, "%s%s%s", current_dir, strcmp(current_dir, "/") ? "/" : "", name);
    return p;
}

int mark_find(const char* dir, const char* name) {
    char full[PATH_BYTES];
    if (snprintf(full, sizeof full, "%s%s%s", dir, strcmp(dir, "/") ? "/" : "", name) >=
        static_cast<int>(sizeof full))
        return 0;
    for (int i = 0; i < MARK_SLOTS; ++i)
        if (mark_list[i] && !strcmp(mark_list[i], full)) return i + 1;
    return 0;
}

void mark_toggle(int index) {
    if (index < 0 || static_cast<uint32_t>(index) >= entry_count) return;
    int found = mark_find(current_dir, entries()[index].name);
    if (found) {
        mem_free(mark_list[found - 1]);
        mark_list[found - 1] = nullptr;
        --mark_count;
        return;
    }
    for (int i = 0; i < MARK_SLOTS; ++i)
        if (!mark_list[i]) {
            mark_list[i] = entry_path(index);
            if (mark_list[i]) ++mark_count;
            return;
        }
}

void mark_clear(void) {
    for (char*& m : mark_list) {
        mem_free(m);
        m = nullptr;
    }
    mark_count = 0;
}

const char* mark_text(void) {
    size_t at = 1;
    line_buffer[1] = 0;
    for (char* m : mark_list) {
        if (!m) continue;
        int w = snprintf(line_buffer + at, sizeof line_buffer - at, "%s%s", at > 1 ? "\n" : "", m);
        if (w < 0 || static_cast<size_t>(w) >= sizeof line_buffer - at) {
            line_buffer[at] = 0; // what does not fit is left off whole
            break;
        }
        at += static_cast<size_t>(w);
    }
    return line_buffer + 1;
}

bool entry_selectable(int index, osd_window* win) {
    if (index < 0 || static_cast<uint32_t>(index) >= entry_count) return false;
    const char* name = entries()[index].name;
    const char* refusal = nullptr;
    if (!strncmp(name, "__temprec__", 11) || !strcmp(name, "/"))
        refusal =
            ui_text("Can't select this file.", "Diese Datei kann nicht ausgew\xE4hlt werden.");
    else if (!entry_is_dir(entries()[index]) && current_dir && file_activity(current_dir, name) < 0)
        refusal = ui_text("File is being recorded.", "Datei wird gerade aufgenommen.");
    if (!refusal) return true;
    if (win) ibox_timed(win, MESSAGE_SHORT_MS, IBOX_WARNING, name, refusal);
    return false;
}

void listing_release(void) {
    free_names(entry_count);
    entry_count = dir_count = 0;
    for (history_slot& s : dir_history)
        slot_set(&s, nullptr);
    history_base = history_pos = history_count = 0;
    history_current = nullptr;
    mark_clear();
    mem_free(current_dir);
    current_dir = nullptr;
}
