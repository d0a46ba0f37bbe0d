#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tapsim {

// Writes ARGB pixels as an RGB PNG (only in builds with libpng).
bool write_png(const std::string& path, const std::vector<uint32_t>& px, int w, int h,
               std::string* error);

} // namespace tapsim
