#ifndef TOVAK_TESTS_GIFCONV_RAW_STREAM_CHECK_H
#define TOVAK_TESTS_GIFCONV_RAW_STREAM_CHECK_H

#include <cstdint>

// Writes the 256 header bytes for width x height to out.
void raw_check_encode(std::uint32_t width, std::uint32_t height, std::uint8_t* out);
// Reads 256 header bytes; false for a wrong magic or differing size words.
bool raw_check_decode(const std::uint8_t* in, std::uint32_t* width, std::uint32_t* height);

#endif
