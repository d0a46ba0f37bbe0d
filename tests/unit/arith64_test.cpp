// The receiver TAPs' own 64-bit helpers (libtap/arith64.cpp), against the PC's arithmetic.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "libtap/arith64.h"

namespace {

constexpr uint64_t max64 = std::numeric_limits<uint64_t>::max();

// Values of every bit length, with the edges the long division turns on.
std::vector<uint64_t> samples() {
    std::vector<uint64_t> v = {0,
                               1,
                               2,
                               3,
                               7,
                               9024,
                               0xFFFFFFFFu,
                               0x100000000u,
                               0x100000001u,
                               (1ull << 53) - 1,
                               1ull << 53,
                               (1ull << 53) + 1,
                               (1ull << 53) + 3,
                               1ull << 63,
                               (1ull << 63) - 1,
                               max64 - 1,
                               max64};
    std::mt19937_64 random(20261210);
    for (int bits = 1; bits <= 64; ++bits)
        for (int i = 0; i < 6; ++i)
            v.push_back(bits == 64 ? random() : random() & ((1ull << bits) - 1));
    return v;
}

} // namespace

TEST(Arith64, UnsignedDivisionAndRemainderMatchThePcs) {
    const std::vector<uint64_t> values = samples();
    for (uint64_t n : values)
        for (uint64_t d : values) {
            if (d == 0) continue;
            uint64_t rem = 12345;
            ASSERT_EQ(arith_udivmod64(n, d, &rem), n / d) << n << " / " << d;
            ASSERT_EQ(rem, n % d) << n << " % " << d;
        }
    EXPECT_EQ(arith_udivmod64(5, 2, nullptr), 2u) << "the remainder is optional";
}

TEST(Arith64, SignedDivisionTruncatesTowardsZero) {
    const std::vector<uint64_t> values = samples();
    for (uint64_t un : values)
        for (uint64_t ud : values) {
            const int64_t n = static_cast<int64_t>(un), d = static_cast<int64_t>(ud);
            if (d == 0 || (n == std::numeric_limits<int64_t>::min() && d == -1)) continue;
            int64_t rem = 12345;
            ASSERT_EQ(arith_divmod64(n, d, &rem), n / d) << n << " / " << d;
            ASSERT_EQ(rem, n % d) << n << " % " << d;
        }
    struct Case {
        int64_t n, d, q, r;
    } cases[] = {{-7, 2, -3, -1},
                 {7, -2, -3, 1},
                 {-7, -2, 3, -1},
                 {std::numeric_limits<int64_t>::min(), 1, std::numeric_limits<int64_t>::min(), 0}};
    for (const Case& c : cases) {
        int64_t r;
        EXPECT_EQ(arith_divmod64(c.n, c.d, &r), c.q) << c.n << " / " << c.d;
        EXPECT_EQ(r, c.r) << c.n << " % " << c.d;
    }
}

TEST(Arith64, ConversionsToDoubleRoundOnceToEven) {
    for (uint64_t v : samples()) {
        EXPECT_EQ(arith_u64_to_double(v), static_cast<double>(v)) << v;
        const int64_t s = static_cast<int64_t>(v);
        EXPECT_EQ(arith_s64_to_double(s), static_cast<double>(s)) << s;
    }
    // 2^53 + 1 lies halfway between two doubles and goes to the even one.
    EXPECT_EQ(arith_u64_to_double((1ull << 53) + 1), 9007199254740992.0);
    EXPECT_EQ(arith_u64_to_double(max64), 18446744073709551616.0);
    EXPECT_EQ(arith_s64_to_double(-1), -1.0);
    EXPECT_EQ(arith_s64_to_double(std::numeric_limits<int64_t>::min()), -9223372036854775808.0);
}

TEST(Arith64, ConversionFromDoubleKeepsTheWholePart) {
    // Every sample below 2^64 as a double, halved, and with a fraction where one fits.
    for (uint64_t v : samples()) {
        const double d = static_cast<double>(v);
        if (d < 18446744073709551616.0)
            EXPECT_EQ(arith_double_to_u64(d), static_cast<uint64_t>(d)) << v;
        EXPECT_EQ(arith_double_to_u64(d / 2), static_cast<uint64_t>(d / 2)) << v;
        EXPECT_EQ(arith_double_to_u64(d / 4 + 0.75), static_cast<uint64_t>(d / 4 + 0.75)) << v;
    }
    struct Case {
        double v;
        uint64_t want;
    } cases[] = {{0.0, 0},
                 {0.999, 0},
                 {-0.5, 0},
                 {-3e9, 0},
                 {4294967295.75, 0xFFFFFFFFu},
                 {4294967296.5, 0x100000000u},
                 {9007199254740993.0, 1ull << 53},
                 {18446744073709549568.0, 0xFFFFFFFFFFFFF800u}};
    for (const Case& c : cases)
        EXPECT_EQ(arith_double_to_u64(c.v), c.want) << c.v;
    EXPECT_EQ(arith_double_to_u64(std::numeric_limits<double>::quiet_NaN()), 0u);
}
