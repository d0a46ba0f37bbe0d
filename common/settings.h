// The settings record ("TovakRC.ini", 256 bytes, little-endian) and its flags. Every part of
// the TAP reads its options from the one record `settings`; the core loads and saves it.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct settings_record {
    uint8_t unused0[8];
    int32_t initialised;   // 0x08: below 1 means first-run defaults apply
    uint32_t flags;        // 0x0C: settings_flag bits
    uint8_t receiver_id;   // 0x10: 0 off, 1..9
    uint8_t tf_model;      // 0x11: receiver model 0..4
    uint8_t rc_model;      // 0x12: remote-control model 0..4
    uint8_t sort_mp3;      // 0x13: low 4 bits sorting, high 4 bits MP3 mode
    uint16_t update_day;   // 0x14: MJD of the last successful update check
    uint16_t save_day;     // 0x16: set by "Save & Exit", 0 after a successful update check
    uint32_t startup;      // 0x18: stop action, start muted/paused, location mode, Max. Files/Text
    int16_t start_channel; // 0x1C: 0 last, n > 0 TV n - 1, n < 0 radio -n - 1
    uint8_t unused1e[2];
    int16_t latitude;  // 0x20: x 100
    int16_t longitude; // 0x22: x 100
    uint8_t unused24[92];
    char bookmark_path[128]; // 0x80
};
static_assert(sizeof(settings_record) == 256, "settings record is 256 bytes");
static_assert(offsetof(settings_record, flags) == 0x0C, "flags at 0x0C");
static_assert(offsetof(settings_record, receiver_id) == 0x10, "receiver id at 0x10");
static_assert(offsetof(settings_record, update_day) == 0x14, "update day at 0x14");
static_assert(offsetof(settings_record, startup) == 0x18, "start-up word at 0x18");
static_assert(offsetof(settings_record, start_channel) == 0x1C, "start channel at 0x1C");
static_assert(offsetof(settings_record, latitude) == 0x20, "latitude at 0x20");
static_assert(offsetof(settings_record, bookmark_path) == 0x80, "bookmark path at 0x80");
static_assert(offsetof(settings_record, initialised) == 0x08, "initialised at 0x08");
static_assert(offsetof(settings_record, tf_model) == 0x11, "receiver model at 0x11");
static_assert(offsetof(settings_record, rc_model) == 0x12, "remote model at 0x12");
static_assert(offsetof(settings_record, sort_mp3) == 0x13, "sorting and MP3 mode at 0x13");
static_assert(offsetof(settings_record, save_day) == 0x16, "settings-save day at 0x16");
static_assert(offsetof(settings_record, longitude) == 0x22, "longitude at 0x22");

enum { SETTINGS_RECORD_SIZE = 256 };

enum settings_flag : uint32_t {
    SET_CH_VOL = 0x2,
    SET_IR_FILTER = 0x4,
    SET_ORIG_RC_REFUSED = 0x8,
    SET_START_LISTENING = 0x10,
    SET_TAP_KEY_AUX = 0x40,
    SET_ENGLISH = 0x100,
    SET_LARGE_FONT = 0x1000,
    SET_FILES_OK = 0x10000,
    SET_FILES_FILELIST = 0x20000,
    SET_TEXT_TELETEXT = 0x40000,
    SET_INFOS_SUBTITLE = 0x80000,
    SET_INFOS_INFO = 0x100000,
    SET_DIAGNOSTIC = 0x10000000,
    SET_LOGGING = 0x20000000,
};

// Fields of the start-up word at 0x18.
inline unsigned settings_stop_action(const settings_record& s) {
    return s.startup & 3;
}
inline bool settings_start_muted(const settings_record& s) {
    return s.startup & 4;
}
inline bool settings_start_paused(const settings_record& s) {
    return s.startup & 8;
}
inline unsigned settings_location_mode(const settings_record& s) {
    return (s.startup >> 4) & 7;
}
inline unsigned settings_max_files(const settings_record& s) {
    return (s.startup >> 16) & 0xFF;
}
inline unsigned settings_max_text(const settings_record& s) {
    return s.startup >> 24;
}

// The running TAP's settings.
extern settings_record settings;

// The record as the file holds it (little-endian) and back.
void settings_to_bytes(const settings_record& s, uint8_t* out); // SETTINGS_RECORD_SIZE bytes
void settings_from_bytes(const uint8_t* in, settings_record* s);

// Receiver and remote-control model of a system ID: 22120, 22130 -> 2; 22570 -> 3;
// 42031, 42561 -> 0; any other -> 1.
uint8_t settings_model_for_system(int system_id);
// First-run defaults for a receiver (system ID) and its menu language (2 = German).
void settings_defaults(settings_record* s, int system_id, int menu_language);
// True when every field lies in its range and the bookmark path ends within its field: a
// record written by this program. A record that another program filled with something else
// fails this test.
bool settings_plausible(const settings_record& s);
// Brings every field into its range, so nothing that indexes a table by a setting can leave
// it: receiver ID, models, sorting, MP3 mode, TAP+Stop action, location mode, Max. Files and
// Max. Text (0 -> 2, above 20 -> 20), latitude, longitude, a NUL-terminated bookmark path.
// Models out of range fall back to the model of the system ID.
void settings_clamp(settings_record* s, int system_id);

inline bool ui_english() {
    return settings.flags & SET_ENGLISH;
}
inline bool ui_large_font() {
    return settings.flags & SET_LARGE_FONT;
}
// A bilingual text chosen at the moment of display.
inline const char* ui_text(const char* english, const char* german) {
    return ui_english() ? english : german;
}
