// Colour handling: palette and grey pictures of any bit depth are expanded to RGB, 16-bit
// samples are scaled to 8 bits, and transparency (alpha channel or tRNS chunk) is composited
// on black: each colour sample becomes sample * alpha / 255, rounded. A gAMA chunk is ignored;
// samples are passed on as stored, like the GIF converter does with its colour map.
//
// libpng reports errors by longjmp. The functions that call libpng after setjmp hold no objects
// with destructors, and all state they change lives in the png_stream record, so nothing is
// lost or leaked when a jump arrives.
#include "png_stream.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

#include <png.h>

#include "raw_reduce.h"

struct png_stream {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_input input{};
    bool input_short = false; // a read came up short: the file ended early
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bit_depth = 0;
    int passes = 1;
    std::size_t channels = 0;        // 3 (RGB) or 4 (RGBA) after the transformations
    std::size_t row_bytes = 0;       // width * channels
    std::uint8_t* rows = nullptr;    // one decoded row, or all of them when interlaced
    std::uint8_t* out_row = nullptr; // width * 3 bytes of output
};

namespace {

[[noreturn]] void on_png_error(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

void on_png_read(png_structp png, png_bytep data, size_t length) {
    auto* stream = static_cast<png_stream*>(png_get_io_ptr(png));
    if (stream->input.read(stream->input.context, data, length) != length) {
        stream->input_short = true;
        png_error(png, "file too short");
    }
}

int failure_code(const png_stream* stream) {
    return stream->input_short ? png_err_read_failed : png_err_bad_data;
}

// Reads the header chunks and sets up the conversion to 8-bit RGB or RGBA.
bool guarded_read_info(png_stream* s) {
    if (setjmp(png_jmpbuf(s->png))) return false;
    png_set_sig_bytes(s->png, 8);
    png_read_info(s->png, s->info);
    int colour_type = 0, interlace = 0;
    if (png_get_IHDR(s->png, s->info, &s->width, &s->height, &s->bit_depth, &colour_type,
                     &interlace, nullptr, nullptr) == 0)
        return false;
    if (colour_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s->png);
    if (colour_type == PNG_COLOR_TYPE_GRAY && s->bit_depth < 8)
        png_set_expand_gray_1_2_4_to_8(s->png);
    if (png_get_valid(s->png, s->info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(s->png);
    if (s->bit_depth == 16) png_set_scale_16(s->png);
    if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(s->png);
    s->passes = png_set_interlace_handling(s->png);
    png_read_update_info(s->png, s->info);
    s->channels = png_get_channels(s->png, s->info);
    s->row_bytes = png_get_rowbytes(s->png, s->info);
    return (s->channels == 3 || s->channels == 4) && s->row_bytes / s->channels == s->width &&
           s->row_bytes % s->channels == 0;
}

// Turns one decoded row into RGB.
void row_to_rgb(const png_stream* s, const std::uint8_t* in, std::uint8_t* out) {
    if (s->channels == 3) {
        std::memcpy(out, in, static_cast<std::size_t>(s->width) * 3);
        return;
    }
    for (png_uint_32 x = 0; x < s->width; ++x, in += 4, out += 3) {
        const unsigned alpha = in[3];
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<std::uint8_t>((in[c] * alpha + 127) / 255);
    }
}

// Reads the pixel rows. Returns png_stream_ok, png_stream_png_failed (libpng error) or
// png_stream_write_failed.
int guarded_read_rows(png_stream* s, const stream_sink* sink) {
    if (setjmp(png_jmpbuf(s->png))) return png_stream_png_failed;
    const std::size_t out_bytes = static_cast<std::size_t>(s->width) * 3;
    if (s->passes <= 1) {
        for (png_uint_32 y = 0; y < s->height; ++y) {
            png_read_row(s->png, s->rows, nullptr);
            row_to_rgb(s, s->rows, s->out_row);
            if (!sink_write(*sink, s->out_row, out_bytes)) return png_stream_write_failed;
        }
        return png_stream_ok;
    }
    // Interlaced: every pass touches every row, so the whole picture is decoded first.
    for (int pass = 0; pass < s->passes; ++pass)
        for (png_uint_32 y = 0; y < s->height; ++y)
            png_read_row(s->png, s->rows + y * s->row_bytes, nullptr);
    for (png_uint_32 y = 0; y < s->height; ++y) {
        row_to_rgb(s, s->rows + y * s->row_bytes, s->out_row);
        if (!sink_write(*sink, s->out_row, out_bytes)) return png_stream_write_failed;
    }
    return png_stream_ok;
}

} // namespace

png_stream* png_stream_open(const png_input& input, int* error) {
    std::uint8_t signature[8];
    const std::size_t got = input.read(input.context, signature, sizeof signature);
    if (got != sizeof signature) {
        *error =
            got == 0 || png_sig_cmp(signature, 0, got) == 0 ? png_err_read_failed : png_err_not_png;
        return nullptr;
    }
    if (png_sig_cmp(signature, 0, sizeof signature) != 0) {
        *error = png_err_not_png;
        return nullptr;
    }
    auto* s = new (std::nothrow) png_stream{};
    if (s == nullptr) {
        *error = png_err_no_memory;
        return nullptr;
    }
    s->input = input;
    s->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, s, on_png_error, on_png_warning);
    if (s->png != nullptr) s->info = png_create_info_struct(s->png);
    if (s->png == nullptr || s->info == nullptr) {
        png_stream_close(s);
        *error = png_err_no_memory;
        return nullptr;
    }
    png_set_read_fn(s->png, s, on_png_read);
    if (!guarded_read_info(s)) {
        *error = failure_code(s);
        png_stream_close(s);
        return nullptr;
    }
    *error = 0;
    return s;
}

void png_stream_info(const png_stream* stream, std::uint32_t* width, std::uint32_t* height,
                     int* bit_depth) {
    *width = stream->width;
    *height = stream->height;
    *bit_depth = stream->bit_depth;
}

int png_stream_pixels(png_stream* s, const stream_sink& sink, int* png_error) {
    *png_error = 0;
    if (s->width == 0 || s->height == 0) return png_stream_ok;
    const std::size_t row_count = s->passes > 1 ? s->height : 1;
    const std::size_t out_bytes = static_cast<std::size_t>(s->width) * 3;
    if (s->row_bytes > static_cast<std::size_t>(-1) / row_count || out_bytes / 3 != s->width) {
        *png_error = png_err_no_memory;
        return png_stream_png_failed;
    }
    std::free(s->rows);
    std::free(s->out_row);
    s->rows = static_cast<std::uint8_t*>(std::malloc(s->row_bytes * row_count));
    s->out_row = static_cast<std::uint8_t*>(std::malloc(out_bytes));
    if (s->rows == nullptr || s->out_row == nullptr) {
        *png_error = png_err_no_memory;
        return png_stream_png_failed;
    }
    const int status = guarded_read_rows(s, &sink);
    if (status == png_stream_png_failed) *png_error = failure_code(s);
    return status;
}

int png_stream_convert(png_stream* stream, bool header_only, const stream_sink& sink,
                       int* png_error) {
    *png_error = 0;
    if (!raw_write_header(stream->width, stream->height, header_only, sink))
        return png_stream_write_failed;
    if (header_only) return png_stream_ok;
    raw_reducer reducer;
    if (!reducer.start(stream->width, stream->height, sink)) {
        *png_error = png_err_no_memory;
        return png_stream_png_failed;
    }
    return png_stream_pixels(stream, reducer.input(), png_error);
}

void png_stream_close(png_stream* stream) {
    if (stream == nullptr) return;
    if (stream->png != nullptr)
        png_destroy_read_struct(&stream->png, stream->info != nullptr ? &stream->info : nullptr,
                                nullptr);
    std::free(stream->rows);
    std::free(stream->out_row);
    delete stream;
}
