#include "charset.h"

size_t latin1_to_utf8(const char* text, char* out, size_t size) {
    if (!out || size == 0) return 0;
    size_t o = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : ""); *p;
         ++p) {
        const size_t need = *p >= 0x80 ? 2 : 1;
        if (o + need + 1 > size) break;
        if (need == 2) {
            out[o++] = static_cast<char>(0xC0 | *p >> 6);
            out[o++] = static_cast<char>(0x80 | (*p & 0x3F));
        } else {
            out[o++] = static_cast<char>(*p);
        }
    }
    out[o] = 0;
    return o;
}

void utf8_to_latin1(char* text) {
    if (!text) return;
    unsigned char* r = reinterpret_cast<unsigned char*>(text);
    unsigned char* w = r;
    while (*r) {
        if (*r == 0xC2 || *r == 0xC3) {
            if (r[1] >= 0x80 && r[1] <= 0xBF) {
                *w++ = static_cast<unsigned char>(*r == 0xC3 ? r[1] + 0x40 : r[1]);
                r += 2;
            } else {
                ++r; // a lead byte without its second byte is dropped
            }
        } else {
            *w++ = *r++;
        }
    }
    *w = 0;
}
