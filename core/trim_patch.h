// After the firmware cut blocks away at the start or the end of a recording, its navigation
// file (x.rec.nav) and its header (x.rec.inf) are made to match: plain functions on open files
// and on the header's bytes, apart from the key handling around them (core/trim.cpp).
#pragma once

#include <stddef.h>
#include <stdint.h>

enum : uint32_t {
    REC_BLOCK_BYTES = 9024,    // one block of a recording, as the firmware counts them
    NAV_MIN_BYTES = 64,        // a shorter .nav is none
    NAV_WAIT_BYTES = 5000000,  // copying more than this shows "Please wait ..."
    INF_PATCH_BYTES = 3320,    // the part of the .inf that is read and written back
    INF_PATCH_BOOKMARKS = 177, // bookmark blocks in that part
    NAV_FRAME_START = 1,       // frame type of an entry the stream may start with
};

// One entry of a .nav. Files of 64-byte entries carry 32 more bytes behind each one (bytes
// 48 ... 63 of such a file are zero); they are copied as they are.
struct nav_entry {
    uint8_t unused0[3];
    uint8_t frame_type; // 3: NAV_FRAME_START = the stream may start here
    uint8_t unused4[4];
    uint8_t position_high[4]; // 8: byte position in the stream, high word
    uint8_t position_low[4];  // 12: low word
    uint8_t unused16[8];
    uint8_t time_ms[4]; // 24: milliseconds from the recording's start
    uint8_t unused28[4];
};
static_assert(sizeof(nav_entry) == 32, "a .nav entry is 32 bytes");
static_assert(offsetof(nav_entry, frame_type) == 3, "frame type at 3");
static_assert(offsetof(nav_entry, position_high) == 8, "position high word at 8");
static_assert(offsetof(nav_entry, position_low) == 12, "position low word at 12");
static_assert(offsetof(nav_entry, time_ms) == 24, "time at 24");

// The part of the recording header (.inf) the trim rewrites; the bytes not named are written
// back as they were read.
struct inf_trim_part {
    uint8_t unused0[8];
    uint8_t start[4];   // 8: minute (bits 0-7), hour (8-15), Modified Julian Day (16-31)
    uint8_t minutes[2]; // 12: duration
    uint8_t seconds[2]; // 14
    uint8_t unused16[0x584 - 16];
    uint8_t bookmark_count[4];                 // 0x584
    uint8_t bookmarks[INF_PATCH_BOOKMARKS][4]; // 0x588: block numbers
    uint8_t word_84c[4];                       // 0x84C: cleared
    uint8_t unused850[INF_PATCH_BYTES - 0x850];
};
static_assert(sizeof(inf_trim_part) == INF_PATCH_BYTES, "3320 bytes are rewritten");
static_assert(offsetof(inf_trim_part, start) == 8, "start time at 8");
static_assert(offsetof(inf_trim_part, minutes) == 12, "duration minutes at 12");
static_assert(offsetof(inf_trim_part, seconds) == 14, "duration seconds at 14");
static_assert(offsetof(inf_trim_part, bookmark_count) == 0x584, "bookmark count at 0x584");
static_assert(offsetof(inf_trim_part, bookmarks) == 0x588, "bookmarks at 0x588");
static_assert(offsetof(inf_trim_part, word_84c) == 0x84C, "cleared word at 0x84C");

// What was cut: with keep_after (|<) blocks 0 ... current - 1, else (>|) current ... total - 1.
struct trim_cut {
    bool keep_after;
    uint32_t current, total; // the play position and the recording's blocks before the cut
    uint64_t removed_bytes;  // what the stream lost (its size before minus after)
};

// Failures of the .nav step.
enum nav_failure {
    NAV_MISSING = -1,     // missing or unreadable
    NAV_SHORT = -2,       // shorter than 64 bytes
    NAV_BAD_SIZE = -3,    // not a multiple of the entry size
    NAV_SEEK = -4,        // a seek or a read inside the file failed
    NAV_NOT_WRITTEN = -5, // the new file (or the shortened one) could not be made and checked
};

// Entry size of a .nav from its first 64 bytes: 64 when bytes 48 ... 63 are zero, else 32.
uint32_t nav_entry_size(const uint8_t* first64);
// Whether a .nav of `size` bytes starting with `first` (the first min(size, 64) bytes) can be
// patched: 0, NAV_SHORT or NAV_BAD_SIZE.
int nav_check(uint64_t size, const uint8_t* first);

// The patch of an open .nav `in` of `size` bytes. |<: the entries from the pause position on,
// from the first that may start the stream, go to `out` (an empty file) with their position
// less removed_bytes and their time less the first one's. >|: `in` (opened for writing too) is
// shortened behind the entry at the pause position. `busy` (may be null) is called with true
// before a copy of more than NAV_WAIT_BYTES and with false after it. The result is the removed
// time in milliseconds, or a nav_failure. Both files are synced before it returns.
int64_t nav_patch_fd(int in, int out, uint64_t size, const trim_cut& cut, void (*busy)(bool));

// The whole .nav step for the stream at `stream` (a libc path): checks, "<nav>_new" for |<,
// synced and checked before it replaces the .nav, the .nav's modification time kept. Returns
// the removed time in whole seconds, or a nav_failure.
int32_t nav_patch(const char* stream, const trim_cut& cut, void (*busy)(bool));

// Whether the .nav of `stream` can be patched, and how many bytes a new file may need (0 for
// >|): 0 or a nav_failure. `needed` may be null.
int nav_ready(const char* stream, const trim_cut& cut, uint64_t* needed);

// Duration, start time, bookmarks and the word at 0x84C of a header's first 3320 bytes after
// `cut` removed `blocks` blocks; `nav_seconds` (when above 0) is the time the .nav step
// measured. Bookmarks kept move to the front, the others become 0, the count says how many
// were kept. Returns the new start time word.
uint32_t inf_trim(uint8_t* bytes, const trim_cut& cut, uint32_t blocks, int32_t nav_seconds);
// Unix seconds of a start time word (the receiver's local time, modulo 2^32).
uint32_t inf_start_unix(uint32_t start);

// The .inf step for the stream at `stream` (libc path): reads its first 3320 bytes, patches
// them, writes them back in place and sets the file's time to the new start. 0, or -1 when the
// header is missing, shorter than 3320 bytes or cannot be written.
int inf_patch(const char* stream, const trim_cut& cut, uint32_t blocks, int32_t nav_seconds);
// Whether the .inf of `stream` is there with at least 3320 bytes.
bool inf_ready(const char* stream);
