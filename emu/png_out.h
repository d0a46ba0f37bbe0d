#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tapsim {

// Writes ARGB pixels as an RGB PNG (only in builds with libpng).
bool write_png(const std::string& path, const std::vector<uint32_t>& px, int w, int h,
               std::string* error);

// The PNG file of ARGB pixels in memory: RGBA with alpha, RGB without. Made for speed rather
// than size (a live view sends one per change of the screen).
bool encode_png(const uint32_t* px, int w, int h, bool alpha, std::vector<uint8_t>* out);

} // namespace tapsim
