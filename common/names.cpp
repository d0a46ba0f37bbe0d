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
