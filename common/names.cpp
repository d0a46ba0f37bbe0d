#include "names.h"

#include <string.h>
#include <strings.h>

bool name_ends_with(const char* name, const char* suffix) {
    size_t n = strlen(name), s = strlen(suffix);
    return n >= s && strcasecmp(name + n - s, suffix) == 0;
}
