#include "gif_stream.h"

#include "raw_reduce.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

// 256 colours as R, G, B plus a padding byte, so that one pixel can be copied as four bytes.
struct colour_table {
    std::uint8_t rgbx[256 * 4];
};

// Entries beyond the map's size stay black; so does everything without a map.
void colour_table_fill(const ColorMapObject* map, colour_table* table) {
    std::memset(table->rgbx, 0, sizeof table->rgbx);
    if (map == nullptr || map->Colors == nullptr) return;
    const int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < count; ++i) {
        table->rgbx[4 * i] = map->Colors[i].Red;
        table->rgbx[4 * i + 1] = map->Colors[i].Green;
        table->rgbx[4 * i + 2] = map->Colors[i].Blue;
    }
}

int read_memory(GifFileType* gif, GifByteType* buffer, int count) {
    auto* source = static_cast<gif_memory_source*>(gif->UserData);
    if (source == nullptr || buffer == nullptr || count <= 0 || source->position > source->size)
        return 0;
    const std::size_t n =
        std::min(source->size - source->position, static_cast<std::size_t>(count));
    if (n > 0) std::memcpy(buffer, source->data + source->position, n);
    source->position += n;
    return static_cast<int>(n);
}

std::size_t screen_side(GifWord value) {
    return value > 0 ? static_cast<std::size_t>(value) : 0;
}

// Converts count colour indices into count RGB pixels at out. Writes exactly count * 3 bytes.
void map_indices(const GifByteType* indices, std::size_t count, const colour_table& table,
                 std::uint8_t* out) {
    if (count == 0) return;
    // Four-byte copies overlap the next pixel, which is written afterwards; the last pixel is
    // copied with three bytes so that nothing behind the run is touched.
    for (std::size_t i = 0; i + 1 < count; ++i)
        std::memcpy(out + 3 * i, table.rgbx + 4 * indices[i], 4);
    std::memcpy(out + 3 * (count - 1), table.rgbx + 4 * indices[count - 1], 3);
}

} // namespace

GifFileType* gif_open_memory(gif_memory_source* source, int* error) {
    return DGifOpen(source, read_memory, error);
}

int gif_stream_pixels(GifFileType* gif, const stream_sink& sink, int* gif_error) {
    *gif_error = 0;
    if (DGifSlurp(gif) != GIF_OK) {
        *gif_error = gif->Error;
        return gif_stream_gif_failed;
    }
    const std::size_t width = screen_side(gif->SWidth);
    const std::size_t height = screen_side(gif->SHeight);
    if (width == 0 || height == 0) return gif_stream_ok;

    // The first image, if it has a raster. GIFLIB allocates Width * Height raster bytes.
    const SavedImage* image = nullptr;
    if (gif->ImageCount > 0 && gif->SavedImages != nullptr) {
        const SavedImage& first = gif->SavedImages[0];
        if (first.RasterBits != nullptr && first.ImageDesc.Width > 0 &&
            first.ImageDesc.Height > 0 && first.ImageDesc.Left >= 0 && first.ImageDesc.Top >= 0)
            image = &first;
    }

    // The image's own colour map, when it has one, holds its colours; the background colour is
    // an entry of the global map.
    colour_table colours;
    const ColorMapObject* map = gif->SColorMap;
    if (image != nullptr && image->ImageDesc.ColorMap != nullptr) map = image->ImageDesc.ColorMap;
    colour_table_fill(map, &colours);

    std::uint8_t background[3] = {0, 0, 0};
    if (gif->SColorMap != nullptr && gif->SBackGroundColor >= 0 && gif->SBackGroundColor < 256) {
        colour_table global;
        colour_table_fill(gif->SColorMap, &global);
        std::memcpy(background, global.rgbx + 4 * gif->SBackGroundColor, 3);
    }

    const std::size_t row_bytes = width * raw_stream_bytes_per_pixel;
    std::unique_ptr<std::uint8_t[]> background_row(new (std::nothrow) std::uint8_t[row_bytes]);
    std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[row_bytes]);
    if (!background_row || !row) {
        *gif_error = D_GIF_ERR_NOT_ENOUGH_MEM;
        return gif_stream_gif_failed;
    }
    for (std::size_t x = 0; x < width; ++x)
        std::memcpy(background_row.get() + 3 * x, background, 3);
    // Columns outside the image keep the background in every row.
    std::memcpy(row.get(), background_row.get(), row_bytes);

    // The part of the screen the image covers: columns [x_begin, x_end), rows [y_begin, y_end).
    std::size_t x_begin = 0, x_end = 0, y_begin = 0, y_end = 0, image_width = 0;
    if (image != nullptr) {
        const GifImageDesc& desc = image->ImageDesc;
        image_width = static_cast<std::size_t>(desc.Width);
        x_begin = std::min(static_cast<std::size_t>(desc.Left), width);
        x_end = std::min(static_cast<std::size_t>(desc.Left) + image_width, width);
        y_begin = std::min(static_cast<std::size_t>(desc.Top), height);
        y_end = std::min(static_cast<std::size_t>(desc.Top) + static_cast<std::size_t>(desc.Height),
                         height);
    }
    const bool covers = x_begin < x_end && y_begin < y_end;

    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* out = background_row.get();
        if (covers && y >= y_begin && y < y_end) {
            // x_begin equals the image's left edge here, so image column 0 is screen column
            // x_begin.
            const GifByteType* indices = image->RasterBits + (y - y_begin) * image_width;
            map_indices(indices, x_end - x_begin, colours, row.get() + 3 * x_begin);
            out = row.get();
        }
        if (!sink_write(sink, out, row_bytes)) return gif_stream_write_failed;
    }
    return gif_stream_ok;
}

int gif_stream_convert(GifFileType* gif, bool header_only, const stream_sink& sink,
                       int* gif_error) {
    *gif_error = 0;
    const auto width = static_cast<std::uint32_t>(screen_side(gif->SWidth));
    const auto height = static_cast<std::uint32_t>(screen_side(gif->SHeight));
    if (!raw_write_header(width, height, header_only, sink)) return gif_stream_write_failed;
    if (header_only) return gif_stream_ok;
    raw_reducer reducer;
    if (!reducer.start(width, height, sink)) {
        *gif_error = D_GIF_ERR_NOT_ENOUGH_MEM;
        return gif_stream_gif_failed;
    }
    return gif_stream_pixels(gif, reducer.input(), gif_error);
}
