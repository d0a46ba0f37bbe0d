#include "gif_write.h"

#include <memory>

namespace {

struct map_deleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using map_ptr = std::unique_ptr<ColorMapObject, map_deleter>;

bool valid_map_size(std::size_t size) {
    return size == 0 || (size >= 2 && size <= 256 && (size & (size - 1)) == 0);
}

// A null map for an empty list; sets *ok to false when GIFLIB refuses.
map_ptr make_map(const std::vector<GifColorType>& colours, bool* ok) {
    if (colours.empty()) return nullptr;
    map_ptr map(GifMakeMapObject(static_cast<int>(colours.size()), colours.data()));
    if (!map) *ok = false;
    return map;
}

int write_image(GifFileType* gif, const gif_write_image& image) {
    bool ok = true;
    const map_ptr local = make_map(image.local_map, &ok);
    if (!ok) return E_GIF_ERR_NOT_ENOUGH_MEM;
    if (EGifPutImageDesc(gif, image.left, image.top, image.width, image.height, image.interlace,
                         local.get()) != GIF_OK)
        return gif->Error;
    // The encoder takes the lines in the order they are stored in the file.
    std::vector<int> order;
    if (image.interlace) {
        const int offsets[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = offsets[pass]; y < image.height; y += steps[pass])
                order.push_back(y);
    } else {
        for (int y = 0; y < image.height; ++y)
            order.push_back(y);
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(image.width));
    for (const int y : order) {
        const auto* row = image.pixels.data() + static_cast<std::size_t>(y) * image.width;
        line.assign(row, row + image.width); // the encoder may change the line it is given
        if (EGifPutLine(gif, line.data(), image.width) != GIF_OK) return gif->Error;
    }
    return 0;
}

} // namespace

int gif_write_file(const char* path, const gif_write_picture& picture) {
    if (!valid_map_size(picture.global_map.size())) return -1;
    for (const auto& image : picture.images)
        if (!valid_map_size(image.local_map.size()) || image.width <= 0 || image.height <= 0 ||
            image.pixels.size() != static_cast<std::size_t>(image.width) * image.height ||
            (image.local_map.empty() && picture.global_map.empty()))
            return -1;

    int error = 0;
    GifFileType* gif = EGifOpenFileName(path, false, &error);
    if (gif == nullptr) return error;
    bool ok = true;
    const map_ptr global = make_map(picture.global_map, &ok);
    int result = ok ? 0 : E_GIF_ERR_NOT_ENOUGH_MEM;
    if (result == 0 &&
        EGifPutScreenDesc(gif, picture.width, picture.height, picture.color_resolution,
                          picture.background, global.get()) != GIF_OK)
        result = gif->Error;
    for (std::size_t i = 0; result == 0 && i < picture.images.size(); ++i)
        result = write_image(gif, picture.images[i]);
    if (EGifCloseFile(gif, &error) != GIF_OK && result == 0) result = error;
    return result;
}
