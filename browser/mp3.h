// MP3 playback and playlists: the MP3 information reader (stream parameters and the ID3v1
// tag), the playlist of "Play all MP3 files" and of ".m3u" / ".pls" files with its folder of
// links "/PlayList", and the five MP3 modes in which it plays. The key dispatcher advances it
// when a track ends and hands it |<, >| and Stop; the file browser starts it (ACTION_MP3 of
// osd/window_open.h).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/tap_api.h"

#define PLAYLIST_FOLDER "/PlayList"

// The ID3v1 tag: a file's last 128 bytes.
struct id3v1_tag {
    char marker[3]; // "TAG"
    char title[30];
    char artist[30];
    char album[30];
    char year[4];
    char comment[30]; // ID3v1.1: byte 28 NUL, byte 29 the track number
    uint8_t genre;
};
static_assert(sizeof(id3v1_tag) == 128, "the ID3v1 tag is 128 bytes");

// What mp3_info found. The tag's title, artist, album and comment are NUL-terminated texts of
// at most 29 characters without trailing blanks; without a tag the whole area is cleared.
struct mp3_info_record {
    uint8_t id3v2_version[2]; // major version and revision of a skipped ID3v2 tag, else 0
    uint8_t mpeg_version;     // 1, 2, 25 (MPEG 2.5)
    uint8_t layer;            // 1 ... 3
    int32_t sample_rate;      // Hz
    int32_t bitrate;          // kbit/s; 0 for free format
    uint8_t reserved[4];
    id3v1_tag tag;
    int32_t year;  // the tag's year, 0 when outside 1900 ... 2100
    int32_t track; // the track number of an ID3v1.1 tag, else 0
    int32_t genre; // the tag's genre byte
    uint8_t reserved2[4];
};
static_assert(sizeof(mp3_info_record) == 160, "the MP3 information record is 160 bytes");
static_assert(offsetof(mp3_info_record, sample_rate) == 4 &&
                  offsetof(mp3_info_record, bitrate) == 8 && offsetof(mp3_info_record, tag) == 16 &&
                  offsetof(mp3_info_record, year) == 144,
              "MP3 information record fields");

// Reads a file of the TAP's current folder: the first MPEG audio frame header (behind leading
// zero bytes, ID3v2 tags and a RIFF wrapper) and the ID3v1 tag. Null when the file cannot be
// read or no valid frame header stands where the first frame must be. The record is static,
// valid until the next call.
const mp3_info_record* mp3_info(const char* name);

// ---- The playlist ----

// Entries (TAP paths of the links in "/PlayList"), the current entry, the last shuffle pick
// (-1: none), whether it plays, whether the firmware reported the end of the track, the tick
// the track started and its length in seconds - 1 (0 when unknown).
extern int playlist_count, playlist_pos, last_played;
extern bool playlist_active, track_finished;
extern dword track_start;
extern int32_t track_length;
// The entry i (0 ... playlist_count - 1), or null.
const char* playlist_entry(int i);

// Forgets every entry and played mark; with clear_folder also deletes every entry of
// "/PlayList".
void playlist_reset(bool clear_folder);
// Adds the MP3 files below a folder (a receiver path below "/mnt/hd"), subfolders when met, each
// with its number in its folder (from 1). Stops when the playlist is full. Returns how many
// were added.
int playlist_scan(const char* folder);
// Makes the link "%04d %c name" in "/PlayList" to path (a receiver path below "/mnt/hd"; "="
// for n = 1, else "-") and appends it. n = 0 first removes a leading track number from the
// name. 0, or -1 when the path is not below "/mnt/hd", the playlist is full or the link cannot
// be made.
int playlist_add(const char* path, int n);
// The name a link gets: the running number, the group mark and the file name (without its
// leading track number for n = 0), cut to fit size. Returns out.
char* playlist_link_name(char* out, size_t size, int number, int n, const char* file_name);

enum playlist_request {
    PLAYLIST_NEXT = 1,
    PLAYLIST_PREVIOUS = -1,
    PLAYLIST_TRACK_DONE = 2,
    PLAYLIST_AGAIN = 3,
};
// Moves in the playlist as the MP3 mode says and plays the entry while the playlist is active.
void playlist_step(int request);

// Plays an MP3 file of the TAP's current folder; notes its start and length.
void mp3_play(const char* name);
// Ends the playlist and stops an MP3 playback.
void mp3_stop(void);
// Stops a playback that is not MP3.
void ts_stop(void);

// One entry of a playlist file: for an ".m3u" every line that is neither empty nor a comment
// ("#"); for a ".pls" the value of each "FileN=" line. Writes it (blanks around it and a
// line end removed) into out and returns true, or false for a line without an entry.
bool playlist_file_line(const char* line, bool pls, char* out, size_t size);
// The receiver path ("/mnt/hd/...") of an entry of a playlist file in the TAP folder list_dir:
// relative to that folder, or absolute as a TAP path or a receiver path; "\" counts as "/".
// -1 when it does not fit or would leave the disk.
int playlist_entry_path(const char* list_dir, const char* entry, char* out, size_t size);

// The MP3 entry the browser and the dispatcher reach (ACTION_MP3, mode mp3_request).
struct window_call;
dword mp3_entry(const window_call& call);

// Gives the playlist's memory back (termination and tests).
void playlist_release(void);
