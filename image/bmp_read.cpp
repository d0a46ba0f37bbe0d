// BMP pictures as programs write them: Windows headers of 40 bytes and the longer V2 ... V5
// forms, the 12-byte OS/2 core header; 1, 4, 8, 16, 24 and 32 bits; uncompressed, RLE8, RLE4 and
// bit-field masks; bottom-up and top-down rows. Pixel data starts at the file's data offset.
#include <string.h>

#include "common/memory.h"
#include "common/settings.h"
#include "common/log.h"
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

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6 };
enum : uint32_t { FILE_HEADER = 14, CORE_HEADER = 12, INFO_HEADER = 40, LONGEST_HEADER = 124 };

// What the file and info headers say, whichever form they have.
struct bmp_header {
    int32_t width, height; // height as a positive count; top_down tells the row order
    bool top_down;
    uint32_t info_size, compression, image_size, x_ppm, y_ppm, colours_used, data_offset;
    uint16_t planes, bits;
    uint32_t masks[4];   // red, green, blue, alpha of 16- and 32-bit pixels
    uint64_t palette_at; // file offset of the colour table (after the header and its masks)
    uint32_t entry_size; // bytes per colour table entry: 3 after a core header, else 4
};

// Reads the headers from the start of the file. False when the file is no BMP whose size can be
// told (no "BM", a header too short or of an unknown form, a width or height of 0 or less).
bool read_header(file_reader* r, bmp_header* h) {
    uint8_t head[FILE_HEADER + LONGEST_HEADER] = {};
    if (file_reader_read(head, FILE_HEADER + 4, r) != FILE_HEADER + 4 || head[0] != 'B' ||
        head[1] != 'M')
        return false;
    memset(h, 0, sizeof *h);
    h->data_offset = le32(head + 10);
    h->info_size = le32(head + 14);
    const uint8_t* info = head + FILE_HEADER;
    int64_t height;
    if (h->info_size == CORE_HEADER) {
        if (file_reader_read(head + 18, 8, r) != 8) return false;
        h->width = le16(info + 4);
        height = le16(info + 6);
        h->planes = le16(info + 8);
        h->bits = le16(info + 10);
        h->entry_size = 3;
    } else {
        // Windows (40 bytes and the longer forms) and OS/2 2.x (16 ... 64 bytes) share the
        // leading fields; fields the header does not reach stay 0.
        if (h->info_size < 16) return false;
        const uint32_t more = (h->info_size < LONGEST_HEADER ? h->info_size : LONGEST_HEADER) - 4;
        if (file_reader_read(head + 18, more, r) != more) return false;
        h->width = static_cast<int32_t>(le32(info + 4));
        height = static_cast<int32_t>(le32(info + 8));
        h->planes = le16(info + 12);
        h->bits = le16(info + 14);
        h->compression = le32(info + 16);
        h->image_size = le32(info + 20);
        h->x_ppm = le32(info + 24);
        h->y_ppm = le32(info + 28);
        h->colours_used = le32(info + 32);
        h->entry_size = 4;
    }
    h->palette_at = FILE_HEADER + static_cast<uint64_t>(h->info_size);
    h->top_down = height < 0;
    if (height < 0) height = -height;
    if (h->width <= 0 || height <= 0 || height > INT32_MAX) return false;
    h->height = static_cast<int32_t>(height);

    if (h->compression == BI_BITFIELDS || h->compression == BI_ALPHABITFIELDS) {
        // The longer headers hold the masks (V3 and later also the alpha mask); the masks a
        // header does not hold follow it.
        const uint32_t count = h->compression == BI_ALPHABITFIELDS ? 4 : 3;
        uint32_t inside = h->info_size > INFO_HEADER ? (h->info_size - INFO_HEADER) / 4 : 0;
        if (inside > 4) inside = 4;
        for (uint32_t i = 0; i < inside; ++i)
            h->masks[i] = le32(info + INFO_HEADER + 4 * i);
        if (count > inside) {
            uint8_t follow[16];
            const uint32_t bytes = 4 * (count - inside);
            if (file_reader_read(follow, bytes, r) != bytes) return false;
            for (uint32_t i = inside; i < count; ++i)
                h->masks[i] = le32(follow + 4 * (i - inside));
            h->palette_at += bytes;
        }
    } else if (h->bits == 16) { // 5 bits each of red, green and blue
        h->masks[0] = 0x7C00;
        h->masks[1] = 0x03E0;
        h->masks[2] = 0x001F;
    } else if (h->bits == 32) { // B, G, R and a fourth byte that may be alpha
        h->masks[0] = 0x00FF0000;
        h->masks[1] = 0x0000FF00;
        h->masks[2] = 0x000000FF;
        h->masks[3] = 0xFF000000;
    }
    return true;
}

// width x height x 4 of positive sides: any two 31-bit sides fit in 64 unsigned bits.
uint64_t block_bytes(const bmp_header& h) {
    return static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height) * 4u;
}

// Only limits that protect the receiver refuse a picture: the sides and the pixel block, the
// amount of pixel data the file claims, one plane, and a pixel form this decoder knows.
bool supported(const bmp_header& h) {
    bool format;
    switch (h.compression) {
    case BI_RGB:
        format = h.bits == 1 || h.bits == 4 || h.bits == 8 || h.bits == 16 || h.bits == 24 ||
                 h.bits == 32;
        break;
    case BI_RLE8:
        format = h.bits == 8;
        break;
    case BI_RLE4:
        format = h.bits == 4;
        break;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
        format = (h.bits == 16 || h.bits == 32) && (h.masks[0] | h.masks[1] | h.masks[2]) != 0;
        break;
    default:
        format = false;
    }
    const uint64_t bytes = block_bytes(h);
    return format && h.planes == 1 && h.width <= IMAGE_MAX_SIDE && h.height <= IMAGE_MAX_SIDE &&
           bytes >= 1 && bytes <= IMAGE_MAX_BYTES && h.image_size <= IMAGE_MAX_BYTES &&
           h.data_offset <= INT32_MAX && h.palette_at <= INT32_MAX;
}

// One colour component of a packed pixel, widened to 8 bits by repeating its bits
// (5 bits abcde become abcdeabc), as wider displays show such pixels.
struct channel {
    uint32_t mask;
    int shift, bits;
};

channel channel_of(uint32_t mask) {
    channel c{mask, 0, 0};
    if (!mask) return c;
    while (!(mask >> c.shift & 1))
        ++c.shift;
    for (uint32_t m = mask >> c.shift; m; m >>= 1)
        ++c.bits;
    return c;
}

uint32_t channel_value(const channel& c, uint32_t pixel) {
    if (!c.bits) return 0;
    uint32_t v = (pixel & c.mask) >> c.shift;
    if (c.bits >= 8) return (v >> (c.bits - 8)) & 0xFF;
    uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = out << c.bits | v;
        filled += c.bits;
    }
    return out >> (filled - 8) & 0xFF;
}

// How a decoded picture is written into the block: rows in file order go to block rows
// bottom-up or top-down. Pixels carry their alpha until the end, when it is applied.
struct target {
    uint32_t* px;
    int32_t width, height;
    bool top_down;
    bool alpha_seen; // a pixel with alpha other than 0 was decoded
    uint32_t* row(int32_t file_row) const {
        return px + static_cast<size_t>(top_down ? file_row : height - 1 - file_row) * width;
    }
};

void decode_plain(file_reader* r, const bmp_header& h, const uint32_t* palette, target* t,
                  bool alpha) {
    const uint32_t row_bytes =
        static_cast<uint32_t>((static_cast<uint64_t>(h.bits) * h.width + 31) / 32 * 4);
    uint8_t* row = static_cast<uint8_t*>(mem_alloc(row_bytes));
    if (!row) return;
    const channel red = channel_of(h.masks[0]), green = channel_of(h.masks[1]),
                  blue = channel_of(h.masks[2]), opacity = channel_of(alpha ? h.masks[3] : 0);
    for (int32_t i = 0; i < h.height; ++i) {
        if (file_reader_read(row, row_bytes, r) != row_bytes) break; // a short file ends here
        uint32_t* out = t->row(i);
        for (int32_t x = 0; x < h.width; ++x) {
            switch (h.bits) {
            case 1:
                out[x] = palette[row[x >> 3] >> (7 - (x & 7)) & 1];
                break;
            case 4:
                out[x] = palette[row[x >> 1] >> (x & 1 ? 0 : 4) & 15];
                break;
            case 8:
                out[x] = palette[row[x]];
                break;
            case 24:
                out[x] = 0xFF000000u | row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x];
                break;
            default: { // 16 and 32 bits through the masks
                const uint32_t p = h.bits == 16 ? le16(row + 2 * x) : le32(row + 4 * x);
                const uint32_t a = alpha ? channel_value(opacity, p) : 0xFF;
                t->alpha_seen |= a != 0;
                out[x] = a << 24 | channel_value(red, p) << 16 | channel_value(green, p) << 8 |
                         channel_value(blue, p);
            }
            }
        }
    }
    mem_free(row);
}

// RLE8 and RLE4 (nibbles): pairs of count and value, escapes after a count of 0. Runs that
// pass the row end are clipped at it (some writers let the last run cover the row padding);
// decoding goes on with the next pair.
void decode_rle(file_reader* r, const bmp_header& h, const uint32_t* palette, target* t,
                bool nibbles) {
    int32_t x = 0, y = 0; // y counts rows in file order
    auto put = [&](int index) {
        if (x < h.width) t->row(y)[x++] = palette[index];
    };
    for (;;) {
        const int count = file_reader_byte(r), value = file_reader_byte(r);
        if (count < 0 || value < 0) return;
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                put(nibbles ? (k & 1 ? value & 15 : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            if (++y >= h.height) return;
            break;
        case 1: // end of bitmap
            return;
        case 2: { // delta: right and on in file order by the two bytes that follow
            const int dx = file_reader_byte(r), dy = file_reader_byte(r);
            if (dx < 0 || dy < 0) return;
            x = x + dx < h.width ? x + dx : h.width;
            y += dy;
            if (y >= h.height) return;
            break;
        }
        default: { // value literal indices, their bytes padded to an even count
            const int bytes = nibbles ? (value + 1) / 2 : value;
            int pair = 0;
            for (int k = 0; k < value; ++k) {
                if (!nibbles || !(k & 1)) {
                    pair = file_reader_byte(r);
                    if (pair < 0) return;
                }
                put(nibbles ? (k & 1 ? pair & 15 : pair >> 4) : pair);
            }
            if ((bytes & 1) && file_reader_byte(r) < 0) return;
        }
        }
    }
}

// Alpha is laid over black (colour x alpha / 255, rounded), as for PNG pictures. A fourth
// channel that is 0 in every pixel carries no alpha (writers leave it unused) and is ignored.
void apply_alpha(uint32_t* px, size_t count, bool used) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = px[i], a = p >> 24;
        if (!used) {
            px[i] = p | 0xFF000000u;
            continue;
        }
        uint32_t out = 0xFF000000u;
        for (int s = 0; s < 24; s += 8)
            out |= ((p >> s & 0xFF) * a + 127) / 255 << s;
        px[i] = out;
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
    bmp_header h;
    if (!read_header(r, &h)) return nullptr;
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

    // The colour table: as many entries as the header counts (all the bits can address when
    // it counts none), but none that would reach into the pixel data; the rest stay black.
    uint32_t palette[256];
    for (uint32_t& entry : palette)
        entry = 0xFF000000u;
    uint32_t entries = h.colours_used;
    if (!entries && h.bits <= 8) entries = 1u << h.bits;
    if (entries > 256) entries = 256;
    // An offset that leaves an indexed picture no room for a single entry is taken as wrong.
    const bool offset_usable = h.data_offset >= h.palette_at + (h.bits <= 8 ? h.entry_size : 0) &&
                               h.data_offset < r->length;
    if (offset_usable && (h.data_offset - h.palette_at) / h.entry_size < entries)
        entries = static_cast<uint32_t>((h.data_offset - h.palette_at) / h.entry_size);
    if (entries && file_reader_seek(r, static_cast<int32_t>(h.palette_at), 0) == 0) {
        uint8_t raw[256 * 4];
        const uint32_t got = file_reader_read(raw, entries * h.entry_size, r);
        for (uint32_t i = 0; i < entries && (i + 1) * h.entry_size <= got; ++i)
            palette[i] = 0xFF000000u | (le32(raw + h.entry_size * i) & 0xFFFFFF);
    }
    // Pixel data starts at the data offset; a file whose offset points into its headers or
    // beyond its end gets the data right after the colour table.
    const uint64_t data = offset_usable ? h.data_offset : h.palette_at + entries * h.entry_size;
    if (data <= INT32_MAX && file_reader_seek(r, static_cast<int32_t>(data), 0) == 0) {
        target t{px, h.width, h.height, h.top_down, false};
        const bool alpha = (h.bits == 16 || h.bits == 32) && h.masks[3] != 0;
        if (h.compression == BI_RLE8 || h.compression == BI_RLE4)
            decode_rle(r, h, palette, &t, h.compression == BI_RLE4);
        else
            decode_plain(r, h, palette, &t, alpha);
        if (alpha) apply_alpha(px, count, t.alpha_seen);
    }
    image_trim_borders(img);
    return img;
}
