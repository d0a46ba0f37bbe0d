// Prints 64-bit quotients, remainders and conversions to double and back of a fixed set of values,
// computed with the compiler's operators. On 32-bit MIPS these call the TAPs' own helpers
// (libtap/arith64.cpp); the tests compare the output with the PC's.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

int main() {
    std::vector<uint64_t> v = {0,
                               1,
                               2,
                               3,
                               7,
                               9024,
                               0xFFFFFFFFu,
                               0x100000000u,
                               0x100000001u,
                               (1ull << 53) + 1,
                               1ull << 63,
                               ~0ull - 1,
                               ~0ull};
    std::mt19937_64 random(20261210);
    for (int bits = 1; bits <= 64; ++bits)
        v.push_back(bits == 64 ? random() : random() & ((1ull << bits) - 1));
    // volatile: the compiler must not work the answers out itself.
    for (volatile uint64_t n : v) {
        volatile double u = static_cast<double>(n);
        volatile double s = static_cast<double>(static_cast<int64_t>(n));
        uint64_t ub, sb;
        std::memcpy(&ub, const_cast<double*>(&u), 8);
        std::memcpy(&sb, const_cast<double*>(&s), 8);
        // Back to an integer (below 2^64), also from halfway between two integers and from
        // below one.
        volatile double half = u / 2, quarter = u / 4 + 0.5;
        std::printf("%" PRIx64 " %" PRIx64 " %" PRIx64 " %" PRIx64 " %" PRIx64 "\n",
                    static_cast<uint64_t>(n), ub, sb, static_cast<uint64_t>(half),
                    static_cast<uint64_t>(quarter));
        for (volatile uint64_t d : v) {
            if (d == 0) continue;
            const int64_t sn = static_cast<int64_t>(n), sd = static_cast<int64_t>(d);
            std::printf(" %" PRIx64 " %" PRIx64, static_cast<uint64_t>(n / d),
                        static_cast<uint64_t>(n % d));
            if (!(sd == -1 && sn == INT64_MIN))
                std::printf(" %" PRId64 " %" PRId64, sn / sd, sn % sd);
            std::printf("\n");
        }
    }
    return 0;
}
