// Pictures the firmware makes for a TAP: JPEG files decoded and scaled, the video picture.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tapsim {

// Decodes a JPEG file and scales it to w x h (0xAARRGGBB, opaque). False when the file is no
// JPEG this build can decode.
bool jpeg_decode_scaled(const std::string& path, int w, int h, std::vector<uint32_t>* out);

// Encodes a w x h picture (pixel(x, y) gives 0xAARRGGBB) as a JPEG file's bytes, with a
// comment segment when comment is not empty. Empty when this build has no JPEG library.
std::string jpeg_encode(const std::function<uint32_t(int, int)>& pixel, int w, int h,
                        const std::string& comment = "", int quality = 90);

// The video picture at w x h.
std::vector<uint32_t> video_picture(int w, int h);

} // namespace tapsim
