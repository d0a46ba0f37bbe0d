// Pictures larger than the TAP's reader takes (raw_stream_max_side, raw_stream_max_block_bytes)
// are reduced on their way into the stream by the smallest integer factor that fits: each
// factor x factor block of pixels becomes one pixel, the rounded average of the block. Blocks at
// the right and bottom edges average the pixels they have, so the reduced picture is
// ceil(width / factor) x ceil(height / factor). Pictures of more than raw_reduce_max_pixels are
// not reduced: converting them would keep the TAP waiting at the pipe for too long, so their
// stream keeps their own size, which the TAP refuses at once.
#ifndef TOVAK_GIFCONV_RAW_REDUCE_H
#define TOVAK_GIFCONV_RAW_REDUCE_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/raw_stream.h"
#include "stream_sink.h"

// 64 million pixels: 8000 x 8000, the photos of today's cameras and telephones.
constexpr std::uint64_t raw_reduce_max_pixels = 64000000;

struct raw_reduction {
    std::uint32_t factor; // 1: the picture fits as it is
    std::uint32_t width, height;
};

// The smallest factor for a width x height picture, and the size it gives. Sides of 0 stay, and
// so do pictures over raw_reduce_max_pixels.
raw_reduction raw_reduction_for(std::uint32_t width, std::uint32_t height);

// Writes the stream's header: with header_only the picture's own size, else the size of the
// pixels that follow (after reduction).
bool raw_write_header(std::uint32_t width, std::uint32_t height, bool header_only,
                      const stream_sink& out);

// Takes the rows of a width x height picture (RGB, top row first, in pieces of any size) and
// writes the reduced rows to out, each as soon as its block of rows is complete.
class raw_reducer {
  public:
    // False when memory is short.
    bool start(std::uint32_t width, std::uint32_t height, const stream_sink& out);
    // Where the full-size rows go: out itself when the picture needs no reduction.
    stream_sink input();

  private:
    static bool take(void* context, const std::uint8_t* data, std::size_t size);
    bool add_row();

    stream_sink out_{};
    raw_reduction plan_{1, 0, 0};
    std::uint32_t width_ = 0, height_ = 0, rows_ = 0;
    std::size_t filled_ = 0;                  // bytes of the row being received
    std::unique_ptr<std::uint8_t[]> row_;     // one row of the picture
    std::unique_ptr<std::uint64_t[]> sums_;   // per reduced pixel and colour
    std::unique_ptr<std::uint8_t[]> reduced_; // one reduced row
};

#endif
