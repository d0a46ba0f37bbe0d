// The receiver's one virtual clock: ticks since power-on, the broadcast (local) time, and the
// Linux clock that libc's time() reads inside the TAP.
#pragma once

#include <cstdint>
#include <string>

namespace tapsim {

struct LocalTime {
    uint16_t mjd;
    uint8_t hour, minute, second;
};

class Clock {
  public:
    // broadcast_local: local broadcast time at the moment the TAPs load, as seconds since
    // 1970-01-01 (read as local time); uptime_s: seconds since power-on at that moment.
    void set(int64_t broadcast_local, int64_t uptime_s, int utc_offset_min);
    uint64_t ticks() const { return ticks_; }
    void advance_ticks(uint64_t n) { ticks_ += n; }
    void advance_ms(uint64_t ms) { advance_us(ms * 1000); }
    void advance_us(uint64_t us); // whole ticks; the remainder is kept for the next time
    int64_t local_seconds() const { return power_on_local_ + static_cast<int64_t>(ticks_ / 100); }
    LocalTime local() const;
    // What time() returns: 2000-01-01 UTC + uptime while the receiver has not set its Linux
    // clock yet (the first 120 s after power-on), the broadcast clock in UTC afterwards.
    int64_t linux_time() const;
    int utc_offset_min() const { return utc_offset_min_; }

  private:
    uint64_t ticks_ = 60000;
    uint64_t us_rest_ = 0;
    int64_t power_on_local_ = 0;
    int utc_offset_min_ = 0;
};

// "YYYY-MM-DD HH:MM:SS" as seconds since 1970 (no time zone applied); false when malformed.
bool parse_clock(const std::string& text, int64_t* seconds);
// Days since 1970-01-01 of a civil date, and back.
int64_t days_from_civil(int64_t y, unsigned m, unsigned d);
void civil_from_days(int64_t days, int* y, unsigned* m, unsigned* d);
constexpr int64_t mjd_of_unix_day0 = 40587;

} // namespace tapsim
