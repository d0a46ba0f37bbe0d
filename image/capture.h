// Screen capture into 24-bit BMP files of "/Captures": the video picture, the OSD plane or one
// window of this TAP.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct osd_window;

// Captures the window `win` of this TAP, or with null the whole screen (the TV picture in the
// normal state, else the OSD plane), into the next free "/Captures/<source>_NN.bmp".
void screen_capture(osd_window* win);

// The 54-byte file and info header of a capture, every field little-endian.
struct capture_bmp_header {
    uint8_t signature[2];   // "BM"
    uint8_t file_size[4];   // 54 + image size
    uint8_t reserved[4];    // 0
    uint8_t data_offset[4]; // 54
    uint8_t info_size[4];   // 40
    uint8_t width[4];
    uint8_t height[4]; // positive: rows bottom-up
    uint8_t planes[2]; // 1
    uint8_t bits[2];   // 24
    uint8_t compression[4];
    uint8_t image_size[4]; // row size x height
    uint8_t x_ppm[4];      // 9000 for OSD captures (already in screen geometry), else 0
    uint8_t y_ppm[4];      // 12800 for OSD captures, else 0
    uint8_t colours_used[4];
    uint8_t colours_important[4];
};
static_assert(sizeof(capture_bmp_header) == 54, "capture header is 54 bytes");
static_assert(offsetof(capture_bmp_header, width) == 18, "width at 18");
static_assert(offsetof(capture_bmp_header, image_size) == 34, "image size at 34");
static_assert(offsetof(capture_bmp_header, x_ppm) == 38, "pixels per metre at 38");

enum { CAPTURE_OSD_X_PPM = 9000, CAPTURE_OSD_Y_PPM = 12800 };

#define CAPTURE_FOLDER "Captures" // below the disk's root

// Bytes of one BMP row of 24-bit pixels: 3 x width rounded up to a multiple of 4.
inline uint32_t capture_row_size(uint32_t width) {
    return (3 * width + 3) & ~3u;
}

// Fills the header of a width x height capture; osd selects the 9000/12800 marker.
void capture_header_fill(capture_bmp_header* h, uint32_t width, uint32_t height, bool osd);

// Converts height rows of 0xAARRGGBB pixels (top row at source, pitch bytes apart) into BMP rows
// from the bottom row up (B, G, R, zero padding) in out (row size x height bytes).
void capture_convert(const uint8_t* source, uint32_t pitch, uint32_t width, uint32_t height,
                     uint8_t* out);

// The lowest free name "<source>_NN.bmp" (NN from 00 upwards) of the current folder, written to
// out. False when ten thousand names are taken or out is too small.
bool capture_free_name(const char* source, char* out, size_t out_size);
