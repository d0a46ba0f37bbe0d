#include "png_out.h"

#include <png.h>

namespace tapsim {

namespace {

// ARGB pixels as RGB or RGBA bytes, and the image header of libpng's simple API for them.
std::vector<uint8_t> byte_pixels(const uint32_t* px, int w, int h, bool alpha, png_image* image) {
    const size_t n = static_cast<size_t>(w) * h, channels = alpha ? 4 : 3;
    std::vector<uint8_t> bytes(n * channels);
    for (size_t i = 0; i < n; ++i) {
        uint8_t* b = &bytes[channels * i];
        b[0] = static_cast<uint8_t>(px[i] >> 16);
        b[1] = static_cast<uint8_t>(px[i] >> 8);
        b[2] = static_cast<uint8_t>(px[i]);
        if (alpha) b[3] = static_cast<uint8_t>(px[i] >> 24);
    }
    *image = png_image{};
    image->version = PNG_IMAGE_VERSION;
    image->width = static_cast<png_uint_32>(w);
    image->height = static_cast<png_uint_32>(h);
    image->format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    return bytes;
}

} // namespace

bool write_png(const std::string& path, const std::vector<uint32_t>& px, int w, int h,
               std::string* error) {
    png_image image;
    const std::vector<uint8_t> rgb = byte_pixels(px.data(), w, h, false, &image);
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
        *error = "cannot write " + path + ": " + image.message;
        return false;
    }
    return true;
}

bool encode_png(const uint32_t* px, int w, int h, bool alpha, std::vector<uint8_t>* out) {
    png_image image;
    const std::vector<uint8_t> bytes = byte_pixels(px, w, h, alpha, &image);
    image.flags = PNG_IMAGE_FLAG_FAST;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, bytes.data(), 0, nullptr)) return false;
    out->resize(size);
    return png_image_write_to_memory(&image, out->data(), &size, 0, bytes.data(), 0, nullptr) &&
           (out->resize(size), true);
}

} // namespace tapsim
