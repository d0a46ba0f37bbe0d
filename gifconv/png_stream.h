// PNG decoding core of tovak_png: reads a PNG through a read callback and writes the raw image
// stream. Every colour type and bit depth becomes 8-bit RGB; see png_stream.cpp for how alpha
// and gamma are treated.
#ifndef TOVAK_GIFCONV_PNG_STREAM_H
#define TOVAK_GIFCONV_PNG_STREAM_H

#include <cstddef>
#include <cstdint>

#include "common/raw_stream.h"
#include "stream_sink.h"

// Error codes reported as "PngOpen error %d" / "PngRead error %d".
constexpr int png_err_open_failed = 101; // the file cannot be opened
constexpr int png_err_read_failed = 102; // the file ends early or cannot be read
constexpr int png_err_not_png = 103;     // the file does not start with the PNG signature
constexpr int png_err_bad_data = 104;    // libpng refused the file's contents
constexpr int png_err_no_memory = 109;   // not enough memory

// Results of png_stream_pixels and png_stream_convert.
constexpr int png_stream_ok = 0;
constexpr int png_stream_png_failed = -1;   // decoding failed; the code is in *png_error
constexpr int png_stream_write_failed = -2; // the sink refused bytes

struct png_input {
    // Reads up to size bytes into buffer; returns the number read (short at the end).
    std::size_t (*read)(void* context, std::uint8_t* buffer, std::size_t size);
    void* context;
};

struct png_stream;

// Reads the signature and the header chunks. Returns null with *error set on failure.
png_stream* png_stream_open(const png_input& input, int* error);

// Size and bit depth as stored in the file's header.
void png_stream_info(const png_stream* stream, std::uint32_t* width, std::uint32_t* height,
                     int* bit_depth);

// Decodes the pixels and writes width x height RGB pixels to sink, one row as soon as it is
// decoded (interlaced files: after the last pass). When decoding fails halfway, the rows before
// the failure have been written.
int png_stream_pixels(png_stream* stream, const stream_sink& sink, int* png_error);

// Header, then (unless header_only) the pixels. A picture larger than the TAP takes is reduced
// (raw_reduce.h); the header then carries the reduced size, except with header_only, which
// reports the picture's own size.
int png_stream_convert(png_stream* stream, bool header_only, const stream_sink& sink,
                       int* png_error);

void png_stream_close(png_stream* stream);

#endif
