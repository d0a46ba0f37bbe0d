#include "bmp_samples.h"

namespace {

void put(std::string& s, size_t at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s[at + i] = static_cast<char>(value >> (8 * i));
}

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s += static_cast<char>(v);
    return s;
}

// Rows of packed pixel values, `bits` each, padded to four bytes; rows as given (the caller
// orders them as the file stores them).
std::string packed(const std::vector<std::vector<uint32_t>>& rows, int bits) {
    std::string out;
    for (const auto& row : rows) {
        std::string r;
        uint32_t acc = 0;
        int filled = 0;
        for (uint32_t v : row) {
            if (bits < 8) {
                acc = acc << bits | v;
                filled += bits;
                if (filled == 8) {
                    r += static_cast<char>(acc);
                    acc = 0;
                    filled = 0;
                }
            } else {
                for (int i = 0; i < bits / 8; ++i)
                    r += static_cast<char>(v >> (8 * i));
            }
        }
        if (filled) r += static_cast<char>(acc << (8 - filled));
        while (r.size() % 4)
            r += '\0';
        out += r;
    }
    return out;
}

const uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF, white = 0xFFFFFF, grey = 0x808080,
               black = 0;

} // namespace

std::string bmp_file(const bmp_form& f) {
    const bool core = f.info_size == 12;
    const uint32_t header = 14 + f.info_size;
    const bool masks_follow = f.info_size == 40;
    std::string table;
    for (uint32_t c : f.palette)
        for (int i = 0; i < (core ? 3 : 4); ++i)
            table += static_cast<char>(c >> (8 * i));
    std::string follow;
    if (masks_follow)
        for (uint32_t m : f.masks) {
            follow += std::string(4, '\0');
            put(follow, follow.size() - 4, m, 4);
        }
    const uint64_t offset = header + follow.size() + table.size() + f.gap.size();
    std::string s(header, '\0');
    s[0] = 'B';
    s[1] = 'M';
    put(s, 2, offset + f.pixels.size(), 4);
    put(s, 10, f.data_offset >= 0 ? static_cast<uint64_t>(f.data_offset) : offset, 4);
    put(s, 14, f.info_size, 4);
    if (core) {
        put(s, 18, static_cast<uint64_t>(f.width), 2);
        put(s, 20, static_cast<uint64_t>(f.height), 2);
        put(s, 22, f.planes, 2);
        put(s, 24, static_cast<uint64_t>(f.bits), 2);
    } else {
        put(s, 18, static_cast<uint32_t>(f.width), 4);
        put(s, 22, static_cast<uint32_t>(f.height), 4);
        put(s, 26, f.planes, 2);
        put(s, 28, static_cast<uint64_t>(f.bits), 2);
        put(s, 30, f.compression, 4);
        put(s, 34, f.image_size >= 0 ? static_cast<uint64_t>(f.image_size) : f.pixels.size(), 4);
        put(s, 38, 2835, 4);
        put(s, 42, 2835, 4);
        put(s, 46, f.colours_used >= 0 ? static_cast<uint64_t>(f.colours_used) : f.palette.size(),
            4);
        if (!masks_follow)
            for (size_t i = 0; i < f.masks.size() && 54 + 4 * i + 4 <= header; ++i)
                put(s, 54 + 4 * i, f.masks[i], 4);
    }
    return s + follow + table + f.gap + f.pixels;
}

std::vector<bmp_sample> bmp_samples() {
    const std::vector<uint32_t> four = {black, red, green, blue};
    std::vector<uint32_t> sixteen;
    for (uint32_t i = 0; i < 16; ++i)
        sixteen.push_back(i * 0x110000 | (15 - i) * 0x000F00 | i * 3);
    std::vector<bmp_sample> s;
    auto add = [&](const char* name, bmp_form form, int w, int h, std::vector<uint32_t> shown) {
        s.push_back({name, std::move(form), w, h, std::move(shown)});
    };
    bmp_form f;

    // Bottom-up 24-bit, the form everything else is measured against: B, G, R per pixel.
    f = {};
    f.width = 3;
    f.height = 2;
    f.pixels = packed({{white, black, grey}, {red, green, blue}}, 24);
    add("plain_24bit", f, 3, 2, {red, green, blue, white, black, grey});

    f.height = -2; // the same rows top-down
    f.pixels = packed({{red, green, blue}, {white, black, grey}}, 24);
    add("top_down_24bit", f, 3, 2, {red, green, blue, white, black, grey});

    f.height = 2;
    f.pixels = packed({{white, black, grey}, {red, green, blue}}, 24);
    f.image_size = 0; // legal for uncompressed pictures
    add("image_size_0", f, 3, 2, {red, green, blue, white, black, grey});

    f.image_size = -1;
    f.info_size = 108; // V4 header, as conversion tools write it
    f.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    add("v4_header_24bit", f, 3, 2, {red, green, blue, white, black, grey});
    f.info_size = 124; // V5 header
    add("v5_header_24bit", f, 3, 2, {red, green, blue, white, black, grey});

    // Colour tables: 1 and 4 bits, 8 bits with a short table, with a gap, after a core header.
    f = {};
    f.width = 3;
    f.height = 2;
    f.bits = 1;
    f.palette = {0x102030, 0xF0E0D0};
    f.pixels = packed({{0, 1, 1}, {1, 0, 1}}, 1);
    add("1bit", f, 3, 2, {0xF0E0D0, 0x102030, 0xF0E0D0, 0x102030, 0xF0E0D0, 0xF0E0D0});

    f.bits = 4;
    f.palette = sixteen;
    f.pixels = packed({{15, 0, 7}, {1, 9, 14}}, 4);
    add("4bit", f, 3, 2,
        {sixteen[1], sixteen[9], sixteen[14], sixteen[15], sixteen[0], sixteen[7]});

    f.bits = 8;
    f.palette = four; // 4 entries, as image editors write them; the data follows at once
    f.pixels = packed({{3, 0, 0}, {1, 2, 3}}, 8);
    add("8bit_short_table", f, 3, 2, {red, green, blue, blue, black, black});

    f.gap = std::string(6, '\x5A'); // data offset beyond the table: the gap is no pixel data
    add("8bit_short_table_gap", f, 3, 2, {red, green, blue, blue, black, black});

    f.gap.clear();
    f.colours_used = 0; // counts none: all 256 entries, but the table ends at the data offset
    add("8bit_table_ends_at_data", f, 3, 2, {red, green, blue, blue, black, black});

    f.colours_used = -1;
    f.info_size = 12; // OS/2 core header: 16-bit sides, 3-byte table entries
    add("core_header_8bit", f, 3, 2, {red, green, blue, blue, black, black});

    // Packed pixels: 16 bits (5-5-5, or masks), 32 bits (fourth byte, alpha mask).
    f = {};
    f.width = 2;
    f.height = 2;
    f.bits = 16;
    // 5-5-5: (31, 0, 16) (1, 31, 3) / (0, 0, 31) (16, 16, 16); 5 bits widen as abcdeabc.
    f.pixels = packed({{31, 16 << 10 | 16 << 5 | 16}, {31 << 10 | 16, 1 << 10 | 31 << 5 | 3}}, 16);
    add("16bit_555", f, 2, 2, {0xFF0084, 0x08FF18, 0x0000FF, 0x848484});

    f.compression = 3; // 5-6-5 masks after a 40-byte header
    f.masks = {0xF800, 0x07E0, 0x001F};
    f.pixels =
        packed({{31, 16 << 11 | 32 << 5 | 16}, {31 << 11 | 63 << 5, 1 << 11 | 1 << 5 | 1}}, 16);
    add("16bit_565_bitfields", f, 2, 2, {0xFFFF00, 0x080408, 0x0000FF, 0x848284});

    f = {};
    f.width = 2;
    f.height = 2;
    f.bits = 32; // fourth byte 0 everywhere: no alpha, every pixel shows
    f.pixels = packed({{white, grey}, {red, 0x123456}}, 32);
    add("32bit_unused_fourth_byte", f, 2, 2, {red, 0x123456, white, grey});

    // Alpha in the fourth byte, laid over black: colour x alpha / 255, rounded.
    f.pixels = packed({{0xFFFFFFFF, 0x00FFFFFF}, {0x80FF0000, 0x40204080}}, 32);
    add("32bit_alpha", f, 2, 2, {0x800000, 0x081020, white, black});

    f.compression = 3; // V5 with an alpha mask; red in the low byte
    f.info_size = 124;
    f.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
    f.pixels = packed({{0xFFFFFFFF, 0x00FFFFFF}, {0x800000FF, 0xFF804020}}, 32);
    add("32bit_v5_alpha_bitfields", f, 2, 2, {0x800000, 0x204080, white, black});

    // Run lengths, bottom row first. RLE8 runs may cover the row padding; runs past the row
    // end are clipped and decoding goes on.
    f = {};
    f.width = 3;
    f.height = 2;
    f.bits = 8;
    f.compression = 1;
    f.palette = four;
    f.pixels = bytes({3, 1, 1, 1, 0, 0, 2, 2, 0, 3, 3, 1, 2, 0, 0, 0, 0, 1});
    add("rle8_runs_past_row_end", f, 3, 2, {green, green, blue, red, red, red});

    // Delta (0, 2, dx, dy) moves right and on in file order; what it skips stays black.
    f.width = 4;
    f.height = 3;
    f.pixels = bytes({1, 1, 0, 2, 2, 1, 1, 2, 0, 0, 1, 3, 0, 1});
    add("rle8_delta", f, 4, 3,
        {blue, black, black, black, black, black, black, green, red, black, black, black});

    f = {};
    f.width = 5;
    f.height = 2;
    f.bits = 4;
    f.compression = 2;
    f.palette = sixteen;
    // Bottom: run of 5 alternating 1 and 2. Top: literal 3, 4, 5 (two bytes), run 6, 6.
    f.pixels = bytes({5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 2, 0x66, 0, 1});
    add("rle4", f, 5, 2,
        {sixteen[3], sixteen[4], sixteen[5], sixteen[6], sixteen[6], sixteen[1], sixteen[2],
         sixteen[1], sixteen[2], sixteen[1]});
    return s;
}
