#include "clock.h"

#include <cstdio>

namespace tapsim {

int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civil_from_days(int64_t z, int* y, unsigned* m, unsigned* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (*m <= 2));
}

bool parse_clock(const std::string& text, int64_t* seconds) {
    int y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        return false;
    if (y < 1970 || y > 2100 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 ||
        mi > 59 || s < 0 || s > 59)
        return false;
    *seconds = days_from_civil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
    return true;
}

void Clock::set(int64_t broadcast_local, int64_t uptime_s, int utc_offset_min) {
    ticks_ = static_cast<uint64_t>(uptime_s) * 100;
    us_rest_ = 0;
    power_on_local_ = broadcast_local - uptime_s;
    utc_offset_min_ = utc_offset_min;
}

void Clock::advance_us(uint64_t us) {
    us_rest_ += us;
    ticks_ += us_rest_ / 10000;
    us_rest_ %= 10000;
}

LocalTime Clock::local() const {
    int64_t s = local_seconds();
    int64_t day = s >= 0 ? s / 86400 : (s - 86399) / 86400;
    int64_t in_day = s - day * 86400;
    return LocalTime{static_cast<uint16_t>(day + mjd_of_unix_day0),
                     static_cast<uint8_t>(in_day / 3600), static_cast<uint8_t>(in_day / 60 % 60),
                     static_cast<uint8_t>(in_day % 60)};
}

int64_t Clock::linux_time() const {
    uint64_t uptime_s = ticks_ / 100;
    if (uptime_s <= 120) return 946684800 + static_cast<int64_t>(uptime_s);
    return local_seconds() - static_cast<int64_t>(utc_offset_min_) * 60;
}

} // namespace tapsim
