// An independent computation of sunrise and sunset for the tests: the NOAA solar calculator's
// method (the sun's apparent longitude, declination and the equation of time after Meeus'
// series, with the C library's math), evaluated at the event itself and iterated.
#pragma once

#include <cmath>

namespace sun_reference {

constexpr double deg = M_PI / 180.0;

// Day number of a Gregorian date (Fliegel and Van Flandern), and its Modified Julian Day.
inline long julian_day(long y, long m, long d) {
    return (1461 * (y + 4800 + (m - 14) / 12)) / 4 + (367 * (m - 2 - 12 * ((m - 14) / 12))) / 12 -
           (3 * ((y + 4900 + (m - 14) / 12) / 100)) / 4 + d - 32075;
}
inline long mjd_of(int y, int m, int d) {
    return julian_day(y, m, d) - 2400001;
}

struct Times {
    double rise_min, set_min; // minutes after 0:00 UT of the day
    bool polar;               // the sun does not rise or does not set
};

inline double event(double jd0, double lat, double lon, double guess_min, int sign, bool* polar) {
    double minutes = guess_min;
    for (int i = 0; i < 5; ++i) {
        const double T = (jd0 + minutes / 1440.0 - 2451545.0) / 36525.0;
        const double L0 = std::fmod(280.46646 + T * (36000.76983 + 0.0003032 * T), 360.0);
        const double M = 357.52911 + T * (35999.05029 - 0.0001537 * T);
        const double e = 0.016708634 - T * (0.000042037 + 0.0000001267 * T);
        const double C = std::sin(M * deg) * (1.914602 - T * (0.004817 + 0.000014 * T)) +
                         std::sin(2 * M * deg) * (0.019993 - 0.000101 * T) +
                         std::sin(3 * M * deg) * 0.000289;
        const double omega = 125.04 - 1934.136 * T;
        const double lambda = L0 + C - 0.00569 - 0.00478 * std::sin(omega * deg);
        const double eps0 =
            23 + (26 + (21.448 - T * (46.815 + T * (0.00059 - T * 0.001813))) / 60) / 60;
        const double eps = eps0 + 0.00256 * std::cos(omega * deg);
        const double decl = std::asin(std::sin(eps * deg) * std::sin(lambda * deg));
        const double y = std::pow(std::tan(eps * deg / 2), 2);
        const double eot =
            4 / deg *
            (y * std::sin(2 * L0 * deg) - 2 * e * std::sin(M * deg) +
             4 * e * y * std::sin(M * deg) * std::cos(2 * L0 * deg) -
             0.5 * y * y * std::sin(4 * L0 * deg) - 1.25 * e * e * std::sin(2 * M * deg));
        const double cos_ha = std::cos(90.833 * deg) / (std::cos(lat * deg) * std::cos(decl)) -
                              std::tan(lat * deg) * std::tan(decl);
        if (cos_ha > 1 || cos_ha < -1) {
            *polar = true;
            return 0;
        }
        const double ha = std::acos(cos_ha) / deg;
        minutes = 720 - 4 * lon - eot + sign * 4 * ha;
    }
    return minutes;
}

// Sunrise and sunset around the place's noon of the day mjd (UT date).
inline Times times(int mjd, double lat, double lon) {
    const double jd0 = mjd + 2400000.5;
    bool polar = false;
    const double noon = 720 - 4 * lon;
    Times t;
    t.rise_min = event(jd0, lat, lon, noon - 360, -1, &polar);
    t.set_min = event(jd0, lat, lon, noon + 360, 1, &polar);
    t.polar = polar;
    return t;
}

} // namespace sun_reference
