// Built without exceptions and RTTI, as the TAP is: the stream header must compile there.
#include "raw_stream_check.h"

#include "common/raw_stream.h"

void raw_check_encode(std::uint32_t width, std::uint32_t height, std::uint8_t* out) {
    raw_image_header header;
    raw_header_init(&header, width, height);
    std::uint8_t bytes[raw_stream_header_size];
    raw_header_encode(&header, bytes);
    std::memcpy(out, bytes, sizeof bytes);
}

bool raw_check_decode(const std::uint8_t* in, std::uint32_t* width, std::uint32_t* height) {
    std::uint8_t bytes[raw_stream_header_size];
    std::memcpy(bytes, in, sizeof bytes);
    raw_image_header header;
    const bool valid = raw_header_decode(bytes, &header);
    *width = header.width;
    *height = header.height;
    return valid && header.block_width == header.width && header.block_height == header.height;
}
