// The directory listing of the file browser: one directory read through the TAP API's file
// search into the entry table allocated at start-up, filtered and sorted, a ring of ten visited
// directories with the selected entry of each, the date repair of recordings on the way, and
// the marks of the multiple selection (full paths that survive changes of directory).
#pragma once

#include <stdint.h>

#include "common/tables.h"

struct osd_window;

// One listed name (FILE_ENTRY_BYTES in the entry table).
struct dir_entry {
    char* name; // own str_dup copy, freed by the next scan
    uint32_t reserved;
    uint64_t size;  // 0 for directories
    uint32_t date;  // MJD << 16 | hour << 8 | minute; 0 for directories
    uint16_t attr;  // ATTR_FOLDER (0xE0) for directories
    uint16_t flags; // 0x4000: the playlists' alternative ordering
};
static_assert(sizeof(dir_entry) == FILE_ENTRY_BYTES, "an entry fills its record of the table");

enum {
    HISTORY_SLOTS = 10,
    MARK_SLOTS = 200,
    ENTRY_GROUP_FLAG = 0x4000,
};

enum sort_mode { SORT_NAME = 0, SORT_DATE_DOWN = 1, SORT_DATE_UP = 2, SORT_SIZE = 3, SORT_ALL = 4 };

enum scan_mode {
    SCAN_REREAD = 0,  // re-read or jump
    SCAN_ENTER = 1,   // into a subdirectory
    SCAN_PARENT = 2,  // back to the parent
    SCAN_FORWARD = 3, // forward without comparing with the next slot
    SCAN_SELECT = 4,  // path names a file: list its directory and select it
};

struct history_slot {
    char* path; // owned TAP path
    int32_t selected;
    int32_t first_row;
};

extern uint32_t entry_count, dir_count;
extern char* current_dir; // owned TAP path of the listed directory, null before the first scan
extern history_slot dir_history[HISTORY_SLOTS];
extern int history_base, history_pos, history_count;
extern history_slot* history_current;
extern char* mark_list[MARK_SLOTS];
extern int mark_count;

inline dir_entry* entries() {
    return static_cast<dir_entry*>(entry_table);
}
inline bool entry_is_dir(const dir_entry& e) {
    return e.attr == 0xE0;
}
// The sorting setting (0-4, table above) and its name in the current language.
int sort_setting(void);
const char* sort_name(int mode);

// Lists `path` (an owned copy the scan takes over) and moves the history by `mode`; the names
// of the `old_count` entries of the previous listing are freed. Returns the number of entries.
uint32_t dir_scan(char* path, int mode, uint32_t old_count);
// Whether a name of `dir` is listed in the current sort mode.
bool list_filter(const char* dir, const char* name);
// qsort orderings: directories first, then by the sort mode; and the playlists' ordering.
int entry_compare(const void* a, const void* b);
int entry_compare_grouped(const void* a, const void* b);

// The multiple selection.
void mark_toggle(int index);
int mark_find(const char* dir, const char* name); // 1-based slot, or 0
void mark_clear(void);
const char* mark_text(void); // every marked path on its own line, in line_buffer (from byte 1)
// Whether an entry may be marked or used as a source; with `win` a refusal is shown for 1.2 s.
bool entry_selectable(int index, osd_window* win);

// Full TAP path of an entry of the listing (current_dir + "/" + name), owned by the caller.
char* entry_path(int index);
// Frees the names, the history, the marks and current_dir (termination and tests).
void listing_release(void);
