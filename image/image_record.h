// The image record every decoder delivers (256 bytes; the raw image stream's header has the same
// layout): sizes, the pixel block and what the file says about itself.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "common/raw_stream.h"

constexpr uint32_t IMAGE_MAGIC = raw_stream_magic;
enum { IMAGE_MAX_SIDE = 10000, IMAGE_MAX_BYTES = 16000000 };

struct image_record {
    uint32_t magic; // only in a record read from the raw image stream
    uint8_t unused4[12];
    int32_t file_width;  // 16: the picture in the file
    int32_t file_height; // 20
    int32_t width;       // 24: the pixel block (after trimming or scaling)
    int32_t height;      // 28
    uint32_t* pixels;    // 32: width x height of 0xAARRGGBB, rows top to bottom; or null
    uint8_t unused_ptr[16 - sizeof(uint32_t*)];
    uint8_t anamorphic; // 48: pixels already squeezed by 45/64 for the 16:9 screen
    uint8_t unused49[13];
    uint8_t headline;    // 62: JPEG: offset of the headline in the comment
    uint8_t no_headline; // 63: JPEG: 191 when the comment holds no link with a headline
    char comment[192];   // 64: JPEG: first comment, NUL-terminated
};
static_assert(sizeof(image_record) == 256, "image record is 256 bytes");
static_assert(offsetof(image_record, file_width) == 16, "file width at 16");
static_assert(offsetof(image_record, width) == 24, "block width at 24");
static_assert(offsetof(image_record, pixels) == 32, "pixel block at 32");
static_assert(offsetof(image_record, anamorphic) == 48, "anamorphic flag at 48");
static_assert(offsetof(image_record, headline) == 62, "headline offset at 62");
static_assert(offsetof(image_record, comment) == 64, "comment at 64");
// The record read from the raw image stream keeps the stream header's fields in place.
static_assert(offsetof(image_record, magic) == offsetof(raw_image_header, magic), "magic");
static_assert(offsetof(image_record, file_width) == offsetof(raw_image_header, width), "width");
static_assert(offsetof(image_record, file_height) == offsetof(raw_image_header, height), "height");
static_assert(offsetof(image_record, width) == offsetof(raw_image_header, block_width), "block");
static_assert(sizeof(image_record) == raw_stream_header_size, "as long as the stream header");
