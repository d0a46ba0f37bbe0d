#include "usage.h"

#include "common/settings.h"
#include "common/persist.h"

dword session_start_tick;
word usage_day;

namespace {

dword handler_start, handler_last, handler_largest;

const char usage_file[] = "TovakRC.dat";
const char key_stats_file[] = "TovakRC.key";

usage_moment now_moment() {
    word mjd = 0;
    byte hour = 0, minute = 0, second = 0;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    return usage_moment{mjd, hour, minute};
}

} // namespace

word usage_day_of(word mjd, byte hour) {
    return hour < 5 ? static_cast<word>(mjd - 1) : mjd;
}

word usage_day_now(void) {
    word mjd = 0;
    byte hour = 0, minute = 0, second = 0;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    return usage_day_of(mjd, hour);
}

void usage_roll_over(usage_record* r, word today) {
    r->exit_before_today = r->last_exit;
    r->runtime_before += r->runtime_today;
    r->days = static_cast<int16_t>(r->days + 1);
    r->current_day = today;
    r->runtime_today = 0;
    r->first_key_today = usage_moment{};
}

void usage_start(word today) {
    uint8_t bytes[USAGE_RECORD_SIZE] = {};
    record_load_with_backup(usage_file, bytes, sizeof bytes);
    usage_from_bytes(bytes, &usage);
    usage.starts = static_cast<int16_t>(usage.starts + 1);
    if (usage.first_day == 0) usage.first_day = today;
    if (usage.current_day != today) usage_roll_over(&usage, today);

    uint8_t key_bytes[KEY_STATS_RECORD_SIZE] = {};
    record_load_with_backup(key_stats_file, key_bytes, sizeof key_bytes);
    key_stats_from_bytes(key_bytes, &key_stats);
    if (key_stats.start_day == 0) key_stats.start_day = today;
}

void usage_session_key(dword key) {
    if (session_start_tick || (key & ~(KEY_REPEAT | KEY_RELEASE)) == 0x1001F) return;
    usage.session_first_key = now_moment();
    if (usage.first_key_today.day == 0) usage.first_key_today = usage.session_first_key;
    dword now = TAP_GetTick();
    session_start_tick = now ? now : 1;
}

void key_stats_count(dword key) {
    const dword plain = key & ~(KEY_REPEAT | KEY_RELEASE);
    const bool counted = plain >= KEY_STAT_FIRST && plain < KEY_STAT_FIRST + KEY_STAT_KEYS;
    uint32_t* counter = counted ? &key_stats.counters[plain - KEY_STAT_FIRST] : nullptr;
    if (key & KEY_RELEASE) {
        ++usage.key_presses;
        if (counter) *counter &= ~KEY_STAT_HELD;
        return;
    }
    if (!counter || (*counter & KEY_STAT_HELD)) return;
    ++key_stats.total;
    *counter =
        (*counter & ~KEY_STAT_COUNT_MASK) | ((*counter + 1) & KEY_STAT_COUNT_MASK) | KEY_STAT_HELD;
}

void usage_opened(usage_counter counter) {
    if (counter < USE_COUNTERS) ++usage.opened[counter];
}

int usage_save(void) {
    if (!session_start_tick) return 1;
    if (settings_folder_check() != 0) return -1;
    usage.last_exit = now_moment();
    usage.runtime_today += static_cast<int32_t>((TAP_GetTick() - session_start_tick) / 100);
    session_start_tick = 0;
    uint8_t bytes[USAGE_RECORD_SIZE];
    usage_to_bytes(usage, bytes);
    return record_save(usage_file, bytes, sizeof bytes);
}

int key_stats_save(void) {
    uint8_t bytes[KEY_STATS_RECORD_SIZE];
    key_stats_to_bytes(key_stats, bytes);
    return record_save(key_stats_file, bytes, sizeof bytes);
}

void handler_time_start(void) {
    handler_start = TAP_GetTick();
}

void handler_time_stop(dword* last, dword* largest) {
    handler_last = TAP_GetTick() - handler_start;
    if (handler_last > handler_largest) handler_largest = handler_last;
    if (last) *last = handler_last;
    if (largest) *largest = handler_largest;
}

int update_due_of(word today, word last_check_day, word save_day) {
    int due = static_cast<int>(today) - static_cast<int>(last_check_day) > 60 ? 1 : 0;
    if (save_day != 0 && static_cast<int>(today) - static_cast<int>(save_day) > 6) ++due;
    return due;
}
