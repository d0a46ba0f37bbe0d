#include "raw_reduce.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

std::uint64_t reduced_side(std::uint64_t side, std::uint64_t factor) {
    return (side + factor - 1) / factor;
}

bool fits(std::uint64_t width, std::uint64_t height, std::uint64_t factor) {
    const std::uint64_t w = reduced_side(width, factor), h = reduced_side(height, factor);
    return w <= raw_stream_max_side && h <= raw_stream_max_side &&
           w * h * 4 <= raw_stream_max_block_bytes;
}

} // namespace

raw_reduction raw_reduction_for(std::uint32_t width, std::uint32_t height) {
    if (width == 0 || height == 0 || fits(width, height, 1) ||
        std::uint64_t{width} * height > raw_reduce_max_pixels)
        return {1, width, height};
    // Start at a lower bound (what the sides and, just below it, the pixel count ask for),
    // then count up.
    const double area = static_cast<double>(width) * height * 4 / raw_stream_max_block_bytes;
    std::uint64_t factor = static_cast<std::uint64_t>(std::sqrt(area));
    if (factor > 1) --factor;
    factor = std::max({factor, std::uint64_t{2}, reduced_side(width, raw_stream_max_side),
                       reduced_side(height, raw_stream_max_side)});
    while (!fits(width, height, factor))
        ++factor;
    return {static_cast<std::uint32_t>(factor),
            static_cast<std::uint32_t>(reduced_side(width, factor)),
            static_cast<std::uint32_t>(reduced_side(height, factor))};
}

bool raw_write_header(std::uint32_t width, std::uint32_t height, bool header_only,
                      const stream_sink& out) {
    raw_image_header header;
    if (header_only) {
        raw_header_init(&header, width, height);
    } else {
        const raw_reduction plan = raw_reduction_for(width, height);
        raw_header_init(&header, plan.width, plan.height);
    }
    std::uint8_t bytes[raw_stream_header_size];
    raw_header_encode(&header, bytes);
    return sink_write(out, bytes, sizeof bytes);
}

bool raw_reducer::start(std::uint32_t width, std::uint32_t height, const stream_sink& out) {
    out_ = out;
    width_ = width;
    height_ = height;
    rows_ = 0;
    filled_ = 0;
    plan_ = raw_reduction_for(width, height);
    if (plan_.factor == 1) return true;
    const std::size_t reduced_bytes = std::size_t{plan_.width} * raw_stream_bytes_per_pixel;
    row_.reset(new (std::nothrow) std::uint8_t[std::size_t{width} * raw_stream_bytes_per_pixel]);
    sums_.reset(new (std::nothrow) std::uint64_t[reduced_bytes]());
    reduced_.reset(new (std::nothrow) std::uint8_t[reduced_bytes]);
    return row_ && sums_ && reduced_;
}

stream_sink raw_reducer::input() {
    return plan_.factor == 1 ? out_ : stream_sink{take, this};
}

bool raw_reducer::take(void* context, const std::uint8_t* data, std::size_t size) {
    auto* self = static_cast<raw_reducer*>(context);
    const std::size_t row_bytes = std::size_t{self->width_} * raw_stream_bytes_per_pixel;
    while (size > 0 && self->rows_ < self->height_) {
        const std::size_t n = std::min(size, row_bytes - self->filled_);
        std::memcpy(self->row_.get() + self->filled_, data, n);
        self->filled_ += n;
        data += n;
        size -= n;
        if (self->filled_ == row_bytes && !self->add_row()) return false;
    }
    return true; // bytes after the last row have no place in the picture
}

bool raw_reducer::add_row() {
    const std::uint32_t f = plan_.factor;
    const std::uint8_t* in = row_.get();
    for (std::uint32_t x = 0; x < width_; ++x) {
        std::uint64_t* sum = sums_.get() + std::size_t{x / f} * 3;
        sum[0] += in[3 * x];
        sum[1] += in[3 * x + 1];
        sum[2] += in[3 * x + 2];
    }
    filled_ = 0;
    ++rows_;
    if (rows_ % f != 0 && rows_ != height_) return true;
    // The block row is complete: each pixel is the rounded average of its block.
    const std::uint64_t rows_in_block = rows_ % f ? rows_ % f : f;
    for (std::uint32_t x = 0; x < plan_.width; ++x) {
        const std::uint64_t columns = std::min<std::uint64_t>(f, width_ - std::uint64_t{x} * f);
        const std::uint64_t n = rows_in_block * columns;
        for (int c = 0; c < 3; ++c) {
            std::uint64_t& sum = sums_[std::size_t{x} * 3 + c];
            reduced_[std::size_t{x} * 3 + c] = static_cast<std::uint8_t>((sum + n / 2) / n);
            sum = 0;
        }
    }
    return sink_write(out_, reduced_.get(), std::size_t{plan_.width} * 3);
}
