// Pictures the firmware makes for a TAP: JPEG files decoded and scaled, the video picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tapsim {

// Decodes a JPEG file and scales it to w x h (0xAARRGGBB, opaque). False when the file is no
// JPEG this build can decode.
bool jpeg_decode_scaled(const std::string& path, int w, int h, std::vector<uint32_t>* out);

// The video picture at w x h.
std::vector<uint32_t> video_picture(int w, int h);

} // namespace tapsim
