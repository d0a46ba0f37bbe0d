// What a file is, by its name and its first bytes: how the text viewer shows it and whether a
// link leads to a picture.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum file_type_value : int {
    FT_MISSING = -1, // cannot be opened
    FT_TEXT = 0,
    FT_WEB = 1, // ".htm", ".html", ".xml", or it begins with "<!DOCTYPE "
    FT_PDF = 2, // ".pdf"
    FT_BINARY = 0x100,
    FT_BMP = 0x111,
    FT_GIF = 0x112,
    FT_PNG = 0x113,
    FT_JPEG = 0x114,
};

inline bool file_type_is_image(int type) {
    return type >= 0 && (type & 0xFF0) == 0x110;
}

// The type of name (joined to folder when one is given; a TAP path): the web and PDF
// extensions first, then the magic of the first 16 bytes, then the picture extensions, then a
// NUL among the first 1000 bytes (binary) or none (text).
int file_type(const char* folder, const char* name);
// The same decision on a name and the file's first bytes (size of them given; at most 1000
// are looked at).
int file_type_of(const char* name, const uint8_t* head, size_t size);

// 1 binary (a NUL byte or four 0xFF bytes in a row among the first 1000 bytes), 0 text, -1
// cannot be opened. Changes the TAP into the file's folder.
int is_binary(const char* folder, const char* path);
// The same test on bytes.
int is_binary_bytes(const uint8_t* head, size_t size);
