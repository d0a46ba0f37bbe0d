// Our compressed graphic format, the block a TYPE_GrData descriptor points at:
//   10 fixed bytes 00 08 1B 90 FF FF 00 01 00 01,
//   width and height as 16-bit little-endian words,
//   then runs until width * height pixels are given: a control byte c < 0x80 is followed by
//   c + 1 literal pixels, c >= 0x80 by one pixel repeated c - 0x7F times; a pixel is 4 bytes
//   of 0xAARRGGBB, little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tapsim {

constexpr uint8_t gd_magic[10] = {0x00, 0x08, 0x1B, 0x90, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x01};

std::vector<uint8_t> gd_encode(const uint32_t* px, int w, int h);
// Decodes at most max_bytes of a block; false on a damaged or truncated block.
bool gd_decode(const uint8_t* block, size_t max_bytes, std::vector<uint32_t>* px, int* w, int* h);

} // namespace tapsim
