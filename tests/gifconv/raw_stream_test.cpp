// The stream header's byte layout, independent of the machine's byte order.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "raw_stream_check.h"

namespace {

TEST(RawStreamHeader, ByteLayout) {
    std::uint8_t bytes[256];
    std::memset(bytes, 0xEE, sizeof bytes);
    raw_check_encode(0x01020304u, 0xA0B0C0D0u, bytes);
    std::vector<std::uint8_t> expected(256, 0);
    const std::uint8_t magic[] = {0xAC, 0xAD, 0xE1, 0x27};
    const std::uint8_t width[] = {0x04, 0x03, 0x02, 0x01};
    const std::uint8_t height[] = {0xD0, 0xC0, 0xB0, 0xA0};
    for (int i = 0; i < 4; ++i) {
        expected[i] = magic[i];
        expected[16 + i] = expected[24 + i] = width[i];
        expected[20 + i] = expected[28 + i] = height[i];
    }
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 256), expected);
}

TEST(RawStreamHeader, DecodeChecksMagic) {
    struct decode_case {
        const char* name;
        int damaged_offset; // -1: none
        bool valid;
    };
    const decode_case cases[] = {
        {"intact", -1, true},       {"magic byte 0", 0, false},   {"magic byte 3", 3, false},
        {"block width", 24, false}, {"reserved byte", 100, true},
    };
    for (const auto& c : cases) {
        std::uint8_t bytes[256];
        raw_check_encode(640, 480, bytes);
        if (c.damaged_offset >= 0) bytes[c.damaged_offset] ^= 0x01;
        std::uint32_t width = 0, height = 0;
        EXPECT_EQ(raw_check_decode(bytes, &width, &height), c.valid) << c.name;
        EXPECT_EQ(width, 640u) << c.name;
        EXPECT_EQ(height, 480u) << c.name;
    }
}

} // namespace
