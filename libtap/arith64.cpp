#include "arith64.h"

namespace {

int leading_zeros(uint64_t v) {
    const uint32_t high = static_cast<uint32_t>(v >> 32), low = static_cast<uint32_t>(v);
    return high ? __builtin_clz(high) : low ? 32 + __builtin_clz(low) : 64;
}

} // namespace

uint64_t arith_udivmod64(uint64_t n, uint64_t d, uint64_t* rem) {
    if (d == 0) __builtin_trap();
    uint64_t q = 0;
    if ((n >> 32) == 0 && (d >> 32) == 0) {
        // One 32-bit division of the machine.
        const uint32_t n32 = static_cast<uint32_t>(n), d32 = static_cast<uint32_t>(d);
        q = n32 / d32;
        n = n32 % d32;
    } else if (n >= d) {
        // Long division, one bit a step, from the divisor's highest bit under the dividend's.
        int shift = leading_zeros(d) - leading_zeros(n);
        d <<= shift;
        for (; shift >= 0; --shift) {
            q <<= 1;
            if (n >= d) {
                n -= d;
                q |= 1;
            }
            d >>= 1;
        }
    }
    if (rem) *rem = n;
    return q;
}

int64_t arith_divmod64(int64_t n, int64_t d, int64_t* rem) {
    // Magnitudes as unsigned numbers (also for the most negative value); the quotient truncates
    // towards zero and the remainder takes the dividend's sign.
    const uint64_t un = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
    const uint64_t ud = d < 0 ? 0 - static_cast<uint64_t>(d) : static_cast<uint64_t>(d);
    uint64_t ur;
    uint64_t uq = arith_udivmod64(un, ud, &ur);
    if ((n < 0) != (d < 0)) uq = 0 - uq;
    if (n < 0) ur = 0 - ur;
    if (rem) *rem = static_cast<int64_t>(ur);
    return static_cast<int64_t>(uq);
}

// Each half is exact as a double, and so is the high half times 2^32: the sum rounds once.
double arith_u64_to_double(uint64_t v) {
    return static_cast<double>(static_cast<uint32_t>(v >> 32)) * 4294967296.0 +
           static_cast<double>(static_cast<uint32_t>(v));
}

double arith_s64_to_double(int64_t v) {
    return static_cast<double>(static_cast<int32_t>(static_cast<uint64_t>(v) >> 32)) *
               4294967296.0 +
           static_cast<double>(static_cast<uint32_t>(v));
}

// The high half is the whole part of v / 2^32 (exact: a power of two); what remains below 2^32
// is exact as well, and its whole part is the low half.
uint64_t arith_double_to_u64(double v) {
    if (!(v >= 1.0)) return 0;
    const uint32_t high = static_cast<uint32_t>(v / 4294967296.0);
    const double low = v - static_cast<double>(high) * 4294967296.0;
    return static_cast<uint64_t>(high) << 32 | static_cast<uint32_t>(low);
}

#if defined(__mips__) && !defined(__mips64)
// The helpers the compiler calls, kept inside each TAP.
#define ARITH_HELPER extern "C" __attribute__((visibility("hidden")))
ARITH_HELPER uint64_t __udivdi3(uint64_t n, uint64_t d) {
    return arith_udivmod64(n, d, nullptr);
}
ARITH_HELPER uint64_t __umoddi3(uint64_t n, uint64_t d) {
    uint64_t r;
    arith_udivmod64(n, d, &r);
    return r;
}
ARITH_HELPER int64_t __divdi3(int64_t n, int64_t d) {
    return arith_divmod64(n, d, nullptr);
}
ARITH_HELPER int64_t __moddi3(int64_t n, int64_t d) {
    int64_t r;
    arith_divmod64(n, d, &r);
    return r;
}
ARITH_HELPER double __floatundidf(uint64_t v) {
    return arith_u64_to_double(v);
}
ARITH_HELPER double __floatdidf(int64_t v) {
    return arith_s64_to_double(v);
}
ARITH_HELPER uint64_t __fixunsdfdi(double v) {
    return arith_double_to_u64(v);
}
#endif
