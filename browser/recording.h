// Recording file groups: a stream (x.rec or x.ts) with its companions x.rec.inf (the
// recording's header) and x.rec.nav (navigation index), renamed and deleted together; the
// header reader, its packed copy in the stream's first transport packets, the repair and the
// conversion of headers of the big-endian receiver family; and what the receiver is doing with
// a file (recording, playing, running it as a TAP).
//
// "Linux paths" below are receiver-absolute ("/mnt/hd/DataFiles/x.rec"); libc calls map them
// with path_map.
#pragma once

#include "common/names.h"

#include <stddef.h>
#include <stdint.h>

enum {
    INF_MIN_BYTES = 2128,    // a shorter header is no header
    INF_READ_BYTES = 3320,   // read at most this much of an ".inf"
    INF_BUFFER_BYTES = 3840, // the reader's buffer (also: the stream bytes read for a packed copy)
    TS_PACKET = 188,
    TS_PAYLOAD = 184,
    PACKED_PACKETS = 20,
    PACKED_BYTES = PACKED_PACKETS * TS_PACKET,    // 3760
    PACKED_PAYLOAD = PACKED_PACKETS * TS_PAYLOAD, // 3680
    INF_MAX_BOOKMARKS = 64,
    INF_MAX_EXTENDED = 1024,
    INF_VERSION = 0x8000,
    INF_VERSION_PACKED = 0x8001,
    INF_VERSION_BIG_ENDIAN = 0x5000, // read big-endian
};

// The recording header as the ".inf" holds it. Multi-byte fields are little-endian byte arrays
// read with get_le16/get_le32; bytes not named here are carried unchanged.
struct rec_header {
    char magic[4];      // 0: "TFrc"
    uint8_t version[2]; // 4
    uint8_t unused6[2];
    uint8_t start[4];    // 8: MJD << 16 | hour << 8 | minute
    uint8_t duration[2]; // 12: minutes
    uint8_t unused14[2];
    uint8_t crypted; // 16
    uint8_t unused17[25];
    char channel[28];      // 42
    uint8_t event_minutes; // 70
    uint8_t event_hours;   // 71
    uint8_t unused72[4];
    uint8_t word76[4]; // 76
    uint8_t word80[4]; // 80
    uint8_t unused84;
    uint8_t name_length; // 85
    uint8_t unused86;
    char event_name[275];       // 87
    uint8_t extended_length[2]; // 362
    uint8_t unused364[4];
    char extended[INF_MAX_EXTENDED]; // 368
    uint8_t unused1392[20];
    uint8_t bookmark_count[4];               // 1412
    uint8_t bookmarks[INF_MAX_BOOKMARKS][4]; // 1416
    uint8_t unused1672[452];
    uint8_t extra[4]; // 2124
    uint8_t tail[INF_BUFFER_BYTES - INF_MIN_BYTES];
};
static_assert(sizeof(rec_header) == INF_BUFFER_BYTES, "header buffer is 3840 bytes");
static_assert(offsetof(rec_header, start) == 8, "start time at 8");
static_assert(offsetof(rec_header, duration) == 12, "duration at 12");
static_assert(offsetof(rec_header, crypted) == 16, "crypted flag at 16");
static_assert(offsetof(rec_header, channel) == 42, "channel at 42");
static_assert(offsetof(rec_header, event_minutes) == 70, "event duration at 70");
static_assert(offsetof(rec_header, word76) == 76, "word at 76");
static_assert(offsetof(rec_header, name_length) == 85, "event name length at 85");
static_assert(offsetof(rec_header, event_name) == 87, "event name at 87");
static_assert(offsetof(rec_header, extended_length) == 362, "extended length at 362");
static_assert(offsetof(rec_header, extended) == 368, "extended text at 368");
static_assert(offsetof(rec_header, bookmark_count) == 1412, "bookmark count at 1412");
static_assert(offsetof(rec_header, bookmarks) == 1416, "bookmarks at 1416");
static_assert(offsetof(rec_header, extra) == 2124, "last field at 2124");

// A stream of a recording: ".rec" or ".ts".
bool is_recording_name(const char* name);
// A companion: ".inf" or ".nav" behind a stream name (x.rec.inf).
bool is_companion_name(const char* name);

// Transport-stream check: every packet of `packet` bytes (188, or 192 with the sync byte at
// offset 4) starts with 0x47 and has the transport error bit clear.
bool ts_check(const uint8_t* buffer, size_t length, int packet);
// The payloads of 20 packets (3760 bytes) copied together (3680 bytes), and back.
void packed_unpack(const uint8_t* packed, uint8_t* out);
void packed_pack(const uint8_t* data, uint8_t* packed);

// Reads the header of a recording: `name` (in the TAP folder `dir`) may be the stream or its
// ".inf". Without `raw` the event name is normalised. The result lies in one buffer that the
// next read reuses; null when there is no valid header.
const rec_header* inf_read(const char* dir, const char* name, bool raw);
// The same on bytes already in memory (the ".inf" file's contents); used by the fuzz target.
// Copies into the shared buffer; null when the bytes are no valid header.
const rec_header* inf_parse(const uint8_t* bytes, size_t length, bool raw);
// Gives back the reader's buffer (at termination and in tests).
void inf_release(void);
inline uint16_t inf_version(const rec_header* h) {
    return static_cast<uint16_t>(h->version[0] | h->version[1] << 8);
}
inline uint32_t inf_start(const rec_header* h) {
    return static_cast<uint32_t>(h->start[0]) | static_cast<uint32_t>(h->start[1]) << 8 |
           static_cast<uint32_t>(h->start[2]) << 16 | static_cast<uint32_t>(h->start[3]) << 24;
}

// Header repair (TAP key + Slow): looks at the first 3760 bytes of the ".inf" of `name` in the
// TAP folder `dir`. 1: the file holds a packed header (188-byte packets) or a big-endian header
// that was packed (and, with `write`, written back with its modification time kept); 2:
// 192-byte packets (not repaired); 0: anything else; -1: the file cannot be read.
int inf_repair(const char* dir, const char* name, bool write);
// The bytes of inf_repair on memory: 0, 1 or 2 as above; a big-endian header is packed in place
// (buffer of PACKED_BYTES).
int inf_repair_bytes(uint8_t* bytes, size_t length);
// A packed big-endian header (PACKED_BYTES) turned into this receiver's layout.
void inf_convert(const uint8_t* packed, rec_header* out);

// Renames a file; for a stream also its ".inf" and ".nav" (their failures ignored). Linux paths.
// 0, or -1 when the file itself cannot be renamed.
int group_rename(const char* from, const char* to);
// Removes `name` in the Linux folder `dir` (a directory tree with `recursive`); for a stream
// also its companions. 0, or -1 when the file itself cannot be removed.
int group_delete(const char* dir, const char* name, bool recursive);
// Removes a directory tree (Linux path). 0 or -1.
int tree_delete(const char* linux_path);

// The receiver records into this many slots at once (TAP_Hdd_GetRecInfo 0 and 1).
enum { RECORDING_SLOTS = 2 };

// What the receiver does with a file in the TAP folder `dir`: 0 idle, ~slot while it is being
// recorded, 1 played back, 2 played back in play mode 5, 16 + slot when it runs as a TAP.
int file_activity(const char* dir, const char* name);
// TAP path of the file being played back (a ".inf"/".nav" suffix removed): an owned copy, or
// null.
char* play_file_path(void);
