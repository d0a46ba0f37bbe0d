// The path rule and the touch rule of the TAP's files.
//
// Path rule: a name is joined to a folder with exactly one "/" between them (a leading "/" of
// the name is dropped); a result that is still relative lies in the settings folder
// "/ProgramFiles/Settings/TovakRC". That is the TAP path (rooted at the disk); libc sees the
// same file below "/mnt/hd", mapped by path_map.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/tap_api.h"

#define SETTINGS_FOLDER "/ProgramFiles/Settings/TovakRC"
#define DISK_MOUNT "/mnt/hd"

// TAP path of name in folder (folder may be null). A fresh block of the counted allocator,
// freed by the caller; null when out of memory.
char* path_tap(const char* folder, const char* name);
// The folder of a TAP path into dir ("/" for a file in the root; the path itself when it has
// no "/") and its last component. Returns the last component (inside path).
const char* path_split(const char* path, char* dir, size_t size);
// libc path ("/mnt/hd" + TAP path, mapped) of name in folder; fresh block as above.
char* path_libc(const char* folder, const char* name);
// The same into a caller's buffer (for code that must not allocate, like the log). 0, or -1
// when it does not fit (out is then empty).
int path_libc_into(const char* folder, const char* name, char* out, size_t size);

// The receiver's local time as Unix seconds: MJD x 86400 + seconds of the day - 3506716800,
// modulo 2^32.
uint32_t local_unix_time(void);
// Touch rule: a missing file is created empty (mode 0644); access and modification time
// become the receiver's local time. Returns 0, or -1 when the file cannot be touched.
int file_touch(const char* libc_path);
// Sets access and modification time of a file to the given Unix seconds. 0 or -1.
int file_set_time(const char* libc_path, uint32_t unix_seconds);

// The entry of name in the TAP's current folder (the platform's folder search); false when it
// is not there. A name longer than the search record holds is found by the part the record
// keeps.
bool file_entry_find(const char* name, TYPE_FolderEntry* entry);
