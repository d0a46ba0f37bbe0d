// BMP pictures: 24-bit and 8-bit (plain or RLE8), bottom-up rows.
#include <string.h>

#include "common/memory.h"
#include "common/settings.h"
#include "core/log.h"
#include "decode.h"
#include "file_reader.h"
#include "osd/window.h"

namespace {

image_record bmp_record;

uint32_t le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// The 54-byte file and info header.
struct bmp_header {
    int32_t width, height;
    uint32_t info_size, compression, image_size, x_ppm, y_ppm;
    uint16_t planes, bits;
};

bmp_header parse_header(const uint8_t* h) {
    return bmp_header{static_cast<int32_t>(le32(h + 18)),
                      static_cast<int32_t>(le32(h + 22)),
                      le32(h + 14),
                      le32(h + 30),
                      le32(h + 34),
                      le32(h + 38),
                      le32(h + 42),
                      le16(h + 26),
                      le16(h + 28)};
}

// width x height x 4 of positive sides: any two 31-bit sides fit in 64 unsigned bits.
uint64_t block_bytes(const bmp_header& h) {
    return static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height) * 4u;
}

bool supported(const bmp_header& h) {
    if (h.width > IMAGE_MAX_SIDE || h.height > IMAGE_MAX_SIDE) return false;
    const uint64_t bytes = block_bytes(h);
    bool format = (h.bits == 24 && h.compression == 0) ||
                  (h.bits == 8 && (h.compression == 0 || h.compression == 1));
    return h.info_size == 40 && h.planes == 1 && format && bytes >= 1 && bytes <= IMAGE_MAX_BYTES &&
           h.image_size >= 1 && h.image_size <= 5333333 && h.width <= IMAGE_MAX_SIDE &&
           h.height <= IMAGE_MAX_SIDE;
}

void decode_plain(file_reader* r, const bmp_header& h, const uint32_t* palette, uint32_t* px) {
    const uint32_t row_bytes = (h.bits * static_cast<uint32_t>(h.width) / 8 + 3) & ~3u;
    uint8_t* row = static_cast<uint8_t*>(mem_alloc(row_bytes));
    if (!row) return;
    for (int32_t i = 0; i < h.height; ++i) {
        if (file_reader_read(row, row_bytes, r) != row_bytes) break; // a short file ends here
        uint32_t* out = px + static_cast<size_t>(h.height - 1 - i) * h.width;
        for (int32_t x = 0; x < h.width; ++x)
            out[x] = h.bits == 24
                         ? 0xFF000000u | row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x]
                         : palette[row[x]];
    }
    mem_free(row);
}

void decode_rle8(file_reader* r, const bmp_header& h, const uint32_t* palette, uint32_t* px) {
    int32_t x = 0, y = h.height - 1; // block row; the file starts with the bottom row
    for (;;) {
        int count = file_reader_byte(r), value = file_reader_byte(r);
        if (count < 0 || value < 0) return;
        if (count > 0) {
            if (count > h.width - x) return;
            uint32_t* out = px + static_cast<size_t>(y) * h.width + x;
            for (int k = 0; k < count; ++k)
                out[k] = palette[value];
            x += count;
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            if (--y < 0) return;
            break;
        case 1: // end of bitmap
            return;
        case 2: { // delta: right and up by the two bytes that follow
            int dx = file_reader_byte(r), dy = file_reader_byte(r);
            if (dx < 0 || dy < 0 || dx > h.width - x || dy > y) return;
            x += dx;
            y -= dy;
            break;
        }
        default: { // value literal indices, padded to an even count
            if (value > h.width - x) return;
            uint32_t* out = px + static_cast<size_t>(y) * h.width + x;
            for (int k = 0; k < value; ++k) {
                int index = file_reader_byte(r);
                if (index < 0) return;
                out[k] = palette[index];
            }
            x += value;
            if ((value & 1) && file_reader_byte(r) < 0) return;
        }
        }
    }
}

bool row_is(const uint32_t* row, int32_t n, uint32_t colour) {
    for (int32_t i = 0; i < n; ++i)
        if (row[i] != colour) return false;
    return true;
}

bool column_is(const uint32_t* px, int32_t stride, int32_t height, int32_t x, uint32_t colour) {
    for (int32_t y = 0; y < height; ++y)
        if (px[static_cast<size_t>(y) * stride + x] != colour) return false;
    return true;
}

} // namespace

void image_trim_borders(image_record* img) {
    uint32_t* px = img->pixels;
    int32_t w = img->width, h = img->height;
    if (!px || w <= 0 || h <= 0) return;
    const int32_t keep = 10;
    int32_t top = 0;
    while (top < h && row_is(px + static_cast<size_t>(top) * w, w, px[0]))
        ++top;
    if (top > keep) {
        memmove(px, px + static_cast<size_t>(top - keep) * w,
                static_cast<size_t>(h - (top - keep)) * w * 4);
        h -= top - keep;
    }
    const uint32_t last = px[static_cast<size_t>(h) * w - 1];
    int32_t bottom = 0;
    while (bottom < h && row_is(px + static_cast<size_t>(h - 1 - bottom) * w, w, last))
        ++bottom;
    if (bottom > keep) h -= bottom - keep;
    int32_t left = 0;
    while (left < w && column_is(px, w, h, left, px[0]))
        ++left;
    int32_t stride = w;
    int32_t skip = left > keep ? left - keep : 0;
    w -= skip;
    const uint32_t right_colour = px[stride - 1];
    int32_t right = 0;
    while (right < w && column_is(px + skip, stride, h, w - 1 - right, right_colour))
        ++right;
    if (right > keep) w -= right - keep;
    if (w != stride) // rows move left into the narrower block
        for (int32_t y = 0; y < h; ++y)
            memmove(px + static_cast<size_t>(y) * w, px + static_cast<size_t>(y) * stride + skip,
                    static_cast<size_t>(w) * 4);
    img->width = w;
    img->height = h;
}

image_record* bmp_read(osd_window* win, const char* name) {
    image_record* img = &bmp_record;
    memset(img, 0, sizeof *img);
    file_reader* r = file_reader_open(name);
    if (!r) return nullptr;
    file_reader_guard guard{r};
    uint8_t head[54];
    if (file_reader_read(head, sizeof head, r) != sizeof head || head[0] != 'B' || head[1] != 'M')
        return nullptr;
    const bmp_header h = parse_header(head);
    if (h.width <= 0 || h.height <= 0) return nullptr;
    img->file_width = img->width = h.width;
    img->file_height = img->height = h.height;
    img->anamorphic = h.x_ppm == 9000 && h.y_ppm == 12800;
    if (!win) return img;
    if (!supported(h)) {
        log_printf("%s: %dx%d info_size=%d compress=%d planes=%d bpp=%d isize=%d img_size=%d "
                   "(unsupported format)",
                   name, h.width, h.height, static_cast<int>(h.info_size),
                   static_cast<int>(h.compression), h.planes, h.bits,
                   static_cast<int>(static_cast<uint32_t>(block_bytes(h))),
                   static_cast<int>(h.image_size));
        osd_text(win,
                 ui_text("Image format not supported!", "Bildformat wird nicht unterst\xFCtzt!"),
                 0);
        return img;
    }
    const size_t count = static_cast<size_t>(h.width) * h.height;
    uint32_t* px = static_cast<uint32_t*>(mem_raw_alloc(count * 4));
    if (!px) return img;
    // What a short or damaged file leaves undecoded shows black.
    for (size_t i = 0; i < count; ++i)
        px[i] = 0xFF000000;
    img->pixels = px;
    uint32_t palette[256];
    if (h.bits == 8) {
        uint8_t raw[1024];
        uint32_t got = file_reader_read(raw, sizeof raw, r);
        for (int i = 0; i < 256; ++i)
            palette[i] =
                4u * i + 3 < got ? 0xFF000000u | (le32(raw + 4 * i) & 0xFFFFFF) : 0xFF000000u;
    }
    if (h.compression == 1)
        decode_rle8(r, h, palette, px);
    else
        decode_plain(r, h, palette, px);
    image_trim_borders(img);
    return img;
}
