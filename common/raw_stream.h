// Raw image stream: the format in which the converter programs (tovak_gif, tovak_png) hand a
// picture to the TAP through a pipe.
//
//   offset   0  uint32  magic 0x27E1ADAC
//   offset   4  12 bytes zero
//   offset  16  uint32  width in pixels
//   offset  20  uint32  height in pixels
//   offset  24  uint32  width again
//   offset  28  uint32  height again
//   offset  32  224 bytes zero
//   offset 256  width * height * 3 bytes: rows top to bottom, pixels left to right, R, G, B
//
// All words are little-endian; the header is always 256 bytes and there is no trailer.
//
// This header is shared with the TAP's image reader: it uses nothing but <cstdint>, <cstddef>
// and <cstring>, no exceptions and no RTTI. Bytes are always produced and consumed through
// raw_header_encode/raw_header_decode, never by copying the struct, so the byte order of the
// machine does not matter.
#ifndef TOVAK_GIFCONV_RAW_STREAM_H
#define TOVAK_GIFCONV_RAW_STREAM_H

#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr std::uint32_t raw_stream_magic = 0x27E1ADACu;
constexpr std::size_t raw_stream_header_size = 256;
constexpr std::size_t raw_stream_bytes_per_pixel = 3;
// What the TAP's reader takes: sides of 1 ... 10000 pixels and at most 16,000,000 bytes of its
// 32-bit pixels (width * height * 4). The converters reduce larger pictures to fit.
constexpr std::uint32_t raw_stream_max_side = 10000;
constexpr std::uint64_t raw_stream_max_block_bytes = 16000000;

struct raw_image_header {
    std::uint32_t magic;         // raw_stream_magic
    std::uint32_t reserved0[3];  // zero
    std::uint32_t width;         // picture width in pixels
    std::uint32_t height;        // picture height in pixels
    std::uint32_t block_width;   // equal to width in the stream
    std::uint32_t block_height;  // equal to height in the stream
    std::uint8_t reserved1[224]; // zero
};

static_assert(sizeof(raw_image_header) == raw_stream_header_size, "the header is 256 bytes");
static_assert(offsetof(raw_image_header, magic) == 0, "magic at 0");
static_assert(offsetof(raw_image_header, reserved0) == 4, "zero words at 4");
static_assert(offsetof(raw_image_header, width) == 16, "width at 16");
static_assert(offsetof(raw_image_header, height) == 20, "height at 20");
static_assert(offsetof(raw_image_header, block_width) == 24, "block width at 24");
static_assert(offsetof(raw_image_header, block_height) == 28, "block height at 28");
static_assert(offsetof(raw_image_header, reserved1) == 32, "zero bytes at 32");

// Fills a header for a picture of width x height pixels.
inline void raw_header_init(raw_image_header* header, std::uint32_t width, std::uint32_t height) {
    std::memset(header, 0, sizeof *header);
    header->magic = raw_stream_magic;
    header->width = width;
    header->height = height;
    header->block_width = width;
    header->block_height = height;
}

inline void raw_put_le32(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
}

inline std::uint32_t raw_get_le32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

// Writes the header as the 256 bytes of the stream.
inline void raw_header_encode(const raw_image_header* header,
                              std::uint8_t (&out)[raw_stream_header_size]) {
    raw_put_le32(out + offsetof(raw_image_header, magic), header->magic);
    for (int i = 0; i < 3; ++i)
        raw_put_le32(out + offsetof(raw_image_header, reserved0) + 4 * i, header->reserved0[i]);
    raw_put_le32(out + offsetof(raw_image_header, width), header->width);
    raw_put_le32(out + offsetof(raw_image_header, height), header->height);
    raw_put_le32(out + offsetof(raw_image_header, block_width), header->block_width);
    raw_put_le32(out + offsetof(raw_image_header, block_height), header->block_height);
    std::memcpy(out + offsetof(raw_image_header, reserved1), header->reserved1,
                sizeof header->reserved1);
}

// Reads the 256 header bytes of a stream. Returns false when the magic is wrong; the fields
// are filled in either case.
inline bool raw_header_decode(const std::uint8_t (&in)[raw_stream_header_size],
                              raw_image_header* header) {
    header->magic = raw_get_le32(in + offsetof(raw_image_header, magic));
    for (int i = 0; i < 3; ++i)
        header->reserved0[i] = raw_get_le32(in + offsetof(raw_image_header, reserved0) + 4 * i);
    header->width = raw_get_le32(in + offsetof(raw_image_header, width));
    header->height = raw_get_le32(in + offsetof(raw_image_header, height));
    header->block_width = raw_get_le32(in + offsetof(raw_image_header, block_width));
    header->block_height = raw_get_le32(in + offsetof(raw_image_header, block_height));
    std::memcpy(header->reserved1, in + offsetof(raw_image_header, reserved1),
                sizeof header->reserved1);
    return header->magic == raw_stream_magic;
}

#endif
