// Writes GIF files with GIFLIB's encoder from a plain description. Used to make input files for
// the tests, the fuzz seeds and the benchmark; not part of the converter programs.
#ifndef TOVAK_GIFCONV_GIF_WRITE_H
#define TOVAK_GIFCONV_GIF_WRITE_H

#include <cstdint>
#include <vector>

#include <gif_lib.h>

struct gif_write_image {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlace = false;
    std::vector<GifColorType> local_map; // empty: none; else 2, 4, ... 256 entries
    std::vector<std::uint8_t> pixels;    // width * height indices, top row first
};

struct gif_write_picture {
    int width = 0;
    int height = 0;
    int color_resolution = 8;
    int background = 0;
    std::vector<GifColorType> global_map; // empty: none; else 2, 4, ... 256 entries
    std::vector<gif_write_image> images;
};

// Returns 0, GIFLIB's encoder error code, or -1 for an inconsistent description.
int gif_write_file(const char* path, const gif_write_picture& picture);

#endif
