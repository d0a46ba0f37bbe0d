// 64-bit arithmetic of our own for the receiver's TAPs: the C compiler calls helpers for
// 64-bit division and for 64-bit integers turned into doubles on 32-bit MIPS, and the helpers
// of the build machine's compiler library are MIPS32 release 2 code, which not every receiver
// runs. Written with 32-bit operations only; the PC build tests them against its own.
#pragma once

#include <stdint.h>

// Quotient of n / d; the remainder goes to *rem when it is not null. d must not be 0.
uint64_t arith_udivmod64(uint64_t n, uint64_t d, uint64_t* rem);
int64_t arith_divmod64(int64_t n, int64_t d, int64_t* rem);
// The nearest double (one rounding, to even).
double arith_u64_to_double(uint64_t v);
double arith_s64_to_double(int64_t v);
// The whole part of a double as an unsigned 64-bit integer (0 for negative numbers and NaN);
// v must be below 2^64.
uint64_t arith_double_to_u64(double v);
