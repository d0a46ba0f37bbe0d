// Small BMP files of every form the BMP decoder reads, written byte by byte, with the pixels
// each one shows. The decoder's tests check every sample; the fuzz target starts from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The fields of a BMP file as a writer may fill them.
struct bmp_form {
    int width = 0, height = 0; // a negative height stores the rows top-down
    int bits = 24;
    uint32_t compression = 0;      // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields, 6 with alpha
    uint32_t info_size = 40;       // 12 (OS/2 core), 40, 52, 56, 108 or 124
    std::vector<uint32_t> palette; // 0x00RRGGBB (entries of 3 bytes after a core header)
    int colours_used = -1;         // written to the header; -1: the palette's size
    std::vector<uint32_t> masks;   // inside the longer headers, after a 40-byte one
    std::string gap;               // bytes between the colour table and the pixel data
    std::string pixels;            // the pixel data as stored
    int64_t image_size = -1;       // written to the header; -1: the pixel data's size
    int64_t data_offset = -1;      // written to the header; -1: where the pixel data starts
    uint16_t planes = 1;
};

std::string bmp_file(const bmp_form& form);

struct bmp_sample {
    const char* name;
    bmp_form form;
    int width, height;           // of the decoded picture
    std::vector<uint32_t> shown; // 0xRRGGBB, rows top to bottom
};

// One sample of each form: bit depths, compressions, header forms, row orders, colour tables.
std::vector<bmp_sample> bmp_samples();
