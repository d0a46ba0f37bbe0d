// The binary records of the settings folder besides the settings: usage ("TovakRC.dat"), key
// statistics ("TovakRC.key") and location ("TovakRC.pos"). Each is kept in memory as the struct
// below and stored little-endian, byte for byte as the offsets say.
#pragma once

#include <stddef.h>
#include <stdint.h>

// A moment as the usage record keeps it. Days are Modified Julian Days; they are above 32767
// since 1948, so every day field is read as unsigned.
struct usage_moment {
    uint16_t day;
    uint8_t hour, minute;
};
static_assert(sizeof(usage_moment) == 4, "a moment is 4 bytes");

// Opening counters of the usage record, in their order.
enum usage_counter {
    USE_MENU,
    USE_CALC,
    USE_CAL,
    USE_WEB,
    USE_INFO,
    USE_SCRIPT, // ".sh"
    USE_BROWSER,
    USE_EPG,
    USE_VIEWER,
    USE_CAPTURE,
    USE_IMAGE,
    USE_TRIM,
    USE_COUNTERS
};

struct usage_record {
    int16_t starts;                 // 0x00
    uint16_t first_day;             // 0x02: day of the first start
    int32_t runtime_before;         // 0x04: seconds of the previous usage days
    int16_t days;                   // 0x08: number of usage days
    uint16_t current_day;           // 0x0A: current usage day (begins at 05:00)
    int32_t runtime_today;          // 0x0C: seconds of the current usage day
    usage_moment first_key_today;   // 0x10
    usage_moment exit_before_today; // 0x14: last exit before the current usage day
    usage_moment last_exit;         // 0x18
    usage_moment session_first_key; // 0x1C
    int32_t key_presses;            // 0x20: counted at release
    int32_t keys_passed;            // 0x24: keys handed on to the receiver
    uint16_t opened[USE_COUNTERS];  // 0x28
};
static_assert(sizeof(usage_record) == 64, "usage record is 64 bytes");
static_assert(offsetof(usage_record, runtime_before) == 0x04, "run time before at 0x04");
static_assert(offsetof(usage_record, current_day) == 0x0A, "current day at 0x0A");
static_assert(offsetof(usage_record, first_key_today) == 0x10, "first key today at 0x10");
static_assert(offsetof(usage_record, last_exit) == 0x18, "last exit at 0x18");
static_assert(offsetof(usage_record, key_presses) == 0x20, "key presses at 0x20");
static_assert(offsetof(usage_record, opened) == 0x28, "opening counters at 0x28");

enum { KEY_STAT_FIRST = 0x10000, KEY_STAT_KEYS = 96 };
enum : uint32_t {
    KEY_STAT_COUNT_MASK = 0xFFFFFF, // presses, wrapping within 24 bits
    KEY_STAT_HELD = 0x80000000u,    // set at the press, cleared at the release
};

struct key_stats_record {
    uint16_t start_day; // 0x00: day the statistics began
    uint8_t unused2[2];
    uint32_t total;                   // 0x04: counted presses
    uint32_t counters[KEY_STAT_KEYS]; // 0x08: keys 0x10000 ... 0x1005F
    uint8_t unused188[120];
};
static_assert(sizeof(key_stats_record) == 512, "key statistics record is 512 bytes");
static_assert(offsetof(key_stats_record, total) == 0x04, "total at 0x04");
static_assert(offsetof(key_stats_record, counters) == 0x08, "counters at 0x08");
static_assert(offsetof(key_stats_record, unused188) == 0x188, "unused tail at 0x188");

// Location found by the IP geolocation or entered by hand. The texts are not terminated when
// they fill their field.
struct position_record {
    char country[24];     // 0x00
    char country_code[8]; // 0x18
    char region[24];      // 0x20
    char region_code[8];  // 0x38
    char time_zone[32];   // 0x40
    float latitude;       // 0x60: degrees, north positive
    float longitude;      // 0x64: degrees, east positive
    int32_t query_time;   // 0x68: last query attempt, Unix seconds
    uint8_t provider;     // 0x6C: 0 other, 1 Telekom, 2 Vodafone, 3 Kabel
    uint8_t service;      // 0x6D: service that answered last
    uint8_t unused6e[2];  // 0x6E
    int32_t time_checked; // 0x70: last successful time query, Unix seconds (0 = none)
    int32_t utc_offset;   // 0x74: local time offset, minutes
    uint8_t unused78[8];  // 0x78
    char city[24];        // 0x80
    uint8_t unused98[8];  // 0x98
};
static_assert(sizeof(position_record) == 160, "position record is 160 bytes");
static_assert(offsetof(position_record, time_zone) == 0x40, "time zone at 0x40");
static_assert(offsetof(position_record, latitude) == 0x60, "latitude at 0x60");
static_assert(offsetof(position_record, query_time) == 0x68, "query time at 0x68");
static_assert(offsetof(position_record, provider) == 0x6C, "provider at 0x6C");
static_assert(offsetof(position_record, time_checked) == 0x70, "time check at 0x70");
static_assert(offsetof(position_record, utc_offset) == 0x74, "time offset at 0x74");
static_assert(offsetof(position_record, city) == 0x80, "city at 0x80");

enum { USAGE_RECORD_SIZE = 64, KEY_STATS_RECORD_SIZE = 512, POSITION_RECORD_SIZE = 160 };

// The running TAP's records.
extern usage_record usage;
extern key_stats_record key_stats;
extern position_record position;

// File bytes (little-endian) of each record and back.
void usage_to_bytes(const usage_record& r, uint8_t* out);
void usage_from_bytes(const uint8_t* in, usage_record* r);
void key_stats_to_bytes(const key_stats_record& r, uint8_t* out);
void key_stats_from_bytes(const uint8_t* in, key_stats_record* r);
void position_to_bytes(const position_record& r, uint8_t* out);
void position_from_bytes(const uint8_t* in, position_record* r);

// A text field of a record (not terminated when it fills its field, size bytes) as a terminated
// text in out, cut to out_size - 1 characters.
void record_text(const char* field, size_t size, char* out, size_t out_size);
