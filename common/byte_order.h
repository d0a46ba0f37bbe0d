// Little-endian reading and writing of the binary records' fields.
#pragma once

#include <stdint.h>
#include <string.h>

inline uint16_t get_le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t get_le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void put_le16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put_le32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline float get_le_float(const uint8_t* p) {
    uint32_t bits = get_le32(p);
    float f;
    memcpy(&f, &bits, 4);
    return f;
}
inline void put_le_float(uint8_t* p, float f) {
    uint32_t bits;
    memcpy(&bits, &f, 4);
    put_le32(p, bits);
}
