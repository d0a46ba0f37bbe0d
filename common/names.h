// Tests on file names.
#pragma once

#include <stddef.h>

// Case-insensitive suffix test ("x.REC" ends in ".rec").
bool name_ends_with(const char* name, const char* suffix);

// True when the name ends in one of the suffixes.
template <size_t N> bool name_ends_with_any(const char* name, const char* const (&suffixes)[N]) {
    for (const char* s : suffixes)
        if (name_ends_with(name, s)) return true;
    return false;
}

// The pictures the image viewer shows: ".bmp", ".jpg", ".jpeg", ".gif", ".png".
bool image_file_name(const char* name);

// Percent-decoding in place: "%" and two hexadecimal digits become that byte.
void percent_decode(char* text);
