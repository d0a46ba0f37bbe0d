#include "tmath.h"

#include <stdint.h>
#include <string.h>

namespace {

constexpr double two_52 = 4503599627370496.0;
// π/2 in two parts: the first has its low bits zero, so q·hi is exact for small q.
constexpr double half_pi_hi = 1.57079632673412561417e+00;
constexpr double half_pi_lo = 6.07710050650619224932e-11;
constexpr double tan_pi_12 = 0.26794919243112270647; // 2 - √3
constexpr double sqrt_3 = 1.73205080756887729353;

// The Taylor coefficients (-1)^(k/2) / k! of sin (odd k) and cos (even k) up to k = 18.
struct series {
    double c[19];
    constexpr series() : c() {
        double factorial = 1;
        for (int k = 0; k <= 18; ++k) {
            if (k > 0) factorial *= k;
            c[k] = ((k / 2) % 2 ? -1.0 : 1.0) / factorial;
        }
    }
};
constexpr series taylor;

// sin and cos on [-π/4, π/4]: the series to r^17 and r^18, whose first left-out terms stay
// below 10^-16 there; Horner's scheme from the smallest term.
double sin_poly(double r) {
    const double r2 = r * r;
    double sum = 0;
    for (int k = 17; k >= 3; k -= 2)
        sum = taylor.c[k] + r2 * sum;
    return r + r * r2 * sum;
}

double cos_poly(double r) {
    const double r2 = r * r;
    double sum = 0;
    for (int k = 18; k >= 2; k -= 2)
        sum = taylor.c[k] + r2 * sum;
    return 1.0 + r2 * sum;
}

// The quadrant q (0..3) of x and the rest r in [-π/4, π/4]: x less a whole number n of
// quarter turns, taken off in two parts (n·hi is exact for |n| below 2^20). Larger
// arguments are first brought into [0, 2π).
double reduce(double x, int* q) {
    if (x > 1e6 || x < -1e6) x = m_mod_2pi(x);
    const double n = m_floor(x / M_HALF_PI + 0.5);
    *q = static_cast<int>(n - 4 * m_floor(n / 4));
    return (x - n * half_pi_hi) - n * half_pi_lo;
}

// atan on [0, 2 - √3]: the series to x^29.
double atan_series(double x) {
    const double x2 = x * x;
    double sum = 0;
    for (int k = 29; k >= 3; k -= 2)
        sum = (((k / 2) % 2) ? -1.0 : 1.0) / k + x2 * sum;
    return x + x * x2 * sum;
}

} // namespace

double m_floor(double x) {
    if (x != x || x >= two_52 || x <= -two_52) return x;               // NaN, or already whole
    double r = x >= 0 ? (x + two_52) - two_52 : (x - two_52) + two_52; // the nearest whole
    if (r > x) r -= 1.0;
    return r;
}

double m_frac(double x) {
    const double f = x - m_floor(x);
    return f >= 1.0 ? 0.0 : f;
}

double m_mod_2pi(double x) {
    const double r = x - M_TWO_PI * m_floor(x / M_TWO_PI);
    return r >= M_TWO_PI || r < 0 ? 0.0 : r;
}

double m_sin(double x) {
    int q;
    const double r = reduce(x, &q);
    switch (q & 3) {
    case 0:
        return sin_poly(r);
    case 1:
        return cos_poly(r);
    case 2:
        return -sin_poly(r);
    default:
        return -cos_poly(r);
    }
}

double m_cos(double x) {
    int q;
    const double r = reduce(x, &q);
    switch (q & 3) {
    case 0:
        return cos_poly(r);
    case 1:
        return -sin_poly(r);
    case 2:
        return -cos_poly(r);
    default:
        return sin_poly(r);
    }
}

double m_atan(double x) {
    if (x != x) return x;
    const bool negative = x < 0;
    if (negative) x = -x;
    const bool inverted = x > 1;
    if (inverted) x = 1 / x;
    double offset = 0;
    if (x > tan_pi_12) {
        // atan(x) = π/6 + atan((√3 x - 1) / (x + √3))
        x = (sqrt_3 * x - 1) / (x + sqrt_3);
        offset = M_PI_VALUE / 6;
    }
    double a = offset + (x < 0 ? -atan_series(-x) : atan_series(x));
    if (inverted) a = M_HALF_PI - a;
    return negative ? -a : a;
}

double m_atan2(double y, double x) {
    if (x > 0) return m_atan(y / x);
    if (x < 0) return y >= 0 ? m_atan(y / x) + M_PI_VALUE : m_atan(y / x) - M_PI_VALUE;
    if (y > 0) return M_HALF_PI;
    if (y < 0) return -M_HALF_PI;
    return 0;
}

double m_asin(double x) {
    if (x >= 1) return M_HALF_PI;
    if (x <= -1) return -M_HALF_PI;
    return m_atan2(x, m_sqrt((1 - x) * (1 + x)));
}

double m_acos(double x) {
    if (x >= 1) return 0;
    if (x <= -1) return M_PI_VALUE;
    return m_atan2(m_sqrt((1 - x) * (1 + x)), x);
}

double m_sqrt(double x) {
    if (x != x) return x;
    if (x <= 0) return 0;
    if (x > 1.7976931348623157e308) return x; // infinity
    uint64_t bits;
    memcpy(&bits, &x, sizeof bits);
    bits = (bits >> 1) + (uint64_t{0x3FF0000000000000} >> 1); // half the exponent
    double y;
    memcpy(&y, &bits, sizeof y);
    for (int i = 0; i < 6; ++i)
        y = 0.5 * (y + x / y);
    return y;
}
