#include "png_out.h"

#include <png.h>

namespace tapsim {

bool write_png(const std::string& path, const std::vector<uint32_t>& px, int w, int h,
               std::string* error) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
        rgb[3 * i] = static_cast<uint8_t>(px[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(px[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(px[i]);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
        *error = "cannot write " + path + ": " + image.message;
        return false;
    }
    return true;
}

} // namespace tapsim
