#include "astro.h"

#include "common/tmath.h"

namespace {

constexpr double mjd_j2000 = 51544.5;        // 2000-01-01 12:00 UT
constexpr double mjd_unix0 = 40587;          // 1970-01-01
constexpr double horizon = -0.0145444104;    // sin of -50 arc minutes (the angle itself, radians)
constexpr double hour_angle_per_day = 360.0; // the sun's hour angle grows by a turn a day

struct sun_place {
    double declination;     // radians
    double right_ascension; // radians, [0, 2π)
};

// The sun's place at MJD t (UT), after the low-precision formulas of Montenbruck and Pfleger:
// mean anomaly, ecliptic longitude with the two largest terms of the centre equation, the
// obliquity of the ecliptic.
sun_place sun_at(double t) {
    const double T = (t - mjd_j2000) / 36525;
    const double M = M_TWO_PI * m_frac(0.993133 + 99.997361 * T);
    const double dL = 6893 * m_sin(M) + 72 * m_sin(2 * M);
    const double L = M_TWO_PI * m_frac(0.7859453 + M / M_TWO_PI + (6191.2 * T + dL) / 1296000);
    const double eps =
        (23.43929111 - (46.815 * T + 0.00059 * T * T - 0.001813 * T * T * T) / 3600) * M_DEG;
    sun_place p;
    p.declination = m_asin(m_sin(eps) * m_sin(L));
    p.right_ascension = m_mod_2pi(m_atan2(m_cos(eps) * m_sin(L), m_cos(L)));
    return p;
}

// Greenwich mean sidereal time at MJD t, in degrees.
double sidereal_deg(double t) {
    const double d = t - mjd_j2000;
    return 280.46061837 + 360.98564736629 * d;
}

// Difference of two angles in degrees, brought into [-180, 180).
double angle_diff(double a) {
    a -= 360.0 * m_floor(a / 360.0 + 0.5);
    return a;
}

// The moment (MJD) when the sun's local hour angle is +h0 (set) or -h0 (rise), near t.
double sun_event(double t, double latitude, double longitude, int sign) {
    const double phi = latitude * M_DEG;
    for (int i = 0; i < 5; ++i) {
        const sun_place p = sun_at(t);
        double cos_h = (m_sin(horizon) - m_sin(phi) * m_sin(p.declination)) /
                       (m_cos(phi) * m_cos(p.declination));
        if (cos_h > 1) cos_h = 1;   // never rises: the transit
        if (cos_h < -1) cos_h = -1; // never sets: 12 hours from the transit
        const double h0 = m_acos(cos_h) / M_DEG;
        const double hour_angle = sidereal_deg(t) + longitude - p.right_ascension / M_DEG;
        const double step = angle_diff(sign * h0 - hour_angle) / hour_angle_per_day;
        t += step;
        if (step < 1e-6 && step > -1e-6) break;
    }
    return t;
}

uint32_t unix_seconds(double t) {
    // Whole days and the seconds of the day, each within 32 bits; the sum wraps modulo 2^32.
    const double day = m_floor(t);
    const double seconds = m_floor((t - day) * 86400 + 0.5);
    const int32_t days = static_cast<int32_t>(day - mjd_unix0);
    return static_cast<uint32_t>(days) * 86400u + static_cast<uint32_t>(seconds);
}

} // namespace

void sun_times(uint16_t mjd, double latitude, double longitude, uint32_t* rise, uint32_t* set) {
    if (latitude > 89.9) latitude = 89.9;
    if (latitude < -89.9) latitude = -89.9;
    // The place's mean noon of the day, and six hours before and after it.
    const double noon = mjd + 0.5 - longitude / 360.0;
    if (rise) *rise = unix_seconds(sun_event(noon - 0.25, latitude, longitude, -1));
    if (set) *set = unix_seconds(sun_event(noon + 0.25, latitude, longitude, 1));
}

double flmoon(int n, int type) {
    // Mean phase and the periodic terms of the sun's and the moon's anomalies and the moon's
    // argument of latitude (Meeus, Astronomical Formulae for Calculators, epoch 1900).
    const double k = n + type / 4.0;
    const double T = k / 1236.85;
    const double T2 = T * T, T3 = T2 * T;
    double jd = 2415020.75933 + 29.53058868 * k + 0.0001178 * T2 - 0.000000155 * T3 +
                0.00033 * m_sin((166.56 + 132.87 * T - 0.009173 * T2) * M_DEG);
    const double M = (359.2242 + 29.10535608 * k - 0.0000333 * T2 - 0.00000347 * T3) * M_DEG;
    const double Mm = (306.0253 + 385.81691806 * k + 0.0107306 * T2 + 0.00001236 * T3) * M_DEG;
    const double F = (21.2964 + 390.67050646 * k - 0.0016528 * T2 - 0.00000239 * T3) * M_DEG;
    if (type == MOON_NEW || type == MOON_FULL) {
        jd += (0.1734 - 0.000393 * T) * m_sin(M) + 0.0021 * m_sin(2 * M) - 0.4068 * m_sin(Mm) +
              0.0161 * m_sin(2 * Mm) - 0.0004 * m_sin(3 * Mm) + 0.0104 * m_sin(2 * F) -
              0.0051 * m_sin(M + Mm) - 0.0074 * m_sin(M - Mm) + 0.0004 * m_sin(2 * F + M) -
              0.0004 * m_sin(2 * F - M) - 0.0006 * m_sin(2 * F + Mm) + 0.0010 * m_sin(2 * F - Mm) +
              0.0005 * m_sin(M + 2 * Mm);
    } else {
        jd += (0.1721 - 0.0004 * T) * m_sin(M) + 0.0021 * m_sin(2 * M) - 0.6280 * m_sin(Mm) +
              0.0089 * m_sin(2 * Mm) - 0.0004 * m_sin(3 * Mm) + 0.0079 * m_sin(2 * F) -
              0.0119 * m_sin(M + Mm) - 0.0047 * m_sin(M - Mm) + 0.0003 * m_sin(2 * F + M) -
              0.0004 * m_sin(2 * F - M) - 0.0006 * m_sin(2 * F + Mm) + 0.0021 * m_sin(2 * F - Mm) +
              0.0003 * m_sin(M + 2 * Mm) + 0.0004 * m_sin(M - 2 * Mm) - 0.0003 * m_sin(2 * M + Mm);
        const double quarter = 0.0028 - 0.0004 * m_cos(M) + 0.0003 * m_cos(Mm);
        jd += type == MOON_FIRST_QUARTER ? quarter : -quarter;
    }
    return jd;
}

double moonphase(double x, int type) {
    int n = static_cast<int>(m_floor((x - 2415020.5) / 29.5307));
    // The mean lunation can be off by a day or so either way: step back first, then forward.
    while (flmoon(n, type) >= x)
        --n;
    double jd;
    while ((jd = flmoon(n, type)) < x)
        ++n;
    return jd;
}
