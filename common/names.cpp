#include "names.h"

#include <string.h>
#include <strings.h>

bool name_ends_with(const char* name, const char* suffix) {
    size_t n = strlen(name), s = strlen(suffix);
    return n >= s && strcasecmp(name + n - s, suffix) == 0;
}

bool image_file_name(const char* name) {
    static const char* const pictures[] = {".bmp", ".jpg", ".jpeg", ".gif", ".png"};
    return name_ends_with_any(name, pictures);
}

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

void percent_decode(char* text) {
    char* o = text;
    for (const char* i = text; *i;) {
        int hi, lo;
        if (i[0] == '%' && (hi = hex_value(i[1])) >= 0 && (lo = hex_value(i[2])) >= 0) {
            *o++ = static_cast<char>(hi << 4 | lo);
            i += 3;
        } else {
            *o++ = *i++;
        }
    }
    *o = 0;
}
