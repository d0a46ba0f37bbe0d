#include "gd_codec.h"

#include <cstring>

namespace tapsim {

namespace {

void put_pixel(std::vector<uint8_t>& out, uint32_t p) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(p >> (8 * i)));
}

uint32_t get_pixel(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

std::vector<uint8_t> gd_encode(const uint32_t* px, int w, int h) {
    std::vector<uint8_t> out(gd_magic, gd_magic + sizeof gd_magic);
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
    out.push_back(static_cast<uint8_t>(h));
    out.push_back(static_cast<uint8_t>(h >> 8));
    const size_t n = static_cast<size_t>(w) * h;
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < 128 && px[i + run] == px[i])
            ++run;
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(0x7F + run));
            put_pixel(out, px[i]);
            i += run;
            continue;
        }
        size_t lit = 1;
        while (i + lit < n && lit < 128 && !(i + lit + 1 < n && px[i + lit] == px[i + lit + 1]))
            ++lit;
        out.push_back(static_cast<uint8_t>(lit - 1));
        for (size_t k = 0; k < lit; ++k)
            put_pixel(out, px[i + k]);
        i += lit;
    }
    return out;
}

bool gd_decode(const uint8_t* block, size_t max_bytes, std::vector<uint32_t>* px, int* w, int* h) {
    if (!block || max_bytes < 14 || std::memcmp(block, gd_magic, sizeof gd_magic) != 0)
        return false;
    *w = block[10] | block[11] << 8;
    *h = block[12] | block[13] << 8;
    if (*w == 0 || *h == 0 || *w > 720 || *h > 576) return false;
    const size_t n = static_cast<size_t>(*w) * *h;
    px->clear();
    px->reserve(n);
    size_t pos = 14;
    while (px->size() < n) {
        if (pos >= max_bytes) return false;
        uint8_t c = block[pos++];
        size_t count = c < 0x80 ? c + 1u : c - 0x7Fu;
        if (px->size() + count > n) return false;
        if (c < 0x80) {
            if (pos + 4 * count > max_bytes) return false;
            for (size_t k = 0; k < count; ++k, pos += 4)
                px->push_back(get_pixel(block + pos));
        } else {
            if (pos + 4 > max_bytes) return false;
            px->insert(px->end(), count, get_pixel(block + pos));
            pos += 4;
        }
    }
    return true;
}

} // namespace tapsim
