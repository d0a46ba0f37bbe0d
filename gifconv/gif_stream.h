// GIF decoding core of tovak_gif: turns an opened GIFLIB handle into the raw image stream.
// The program opens files by name; the fuzz target and the tests open memory buffers.
#ifndef TOVAK_GIFCONV_GIF_STREAM_H
#define TOVAK_GIFCONV_GIF_STREAM_H

#include <cstddef>
#include <cstdint>

#include <gif_lib.h>

#include "common/raw_stream.h"
#include "stream_sink.h"

// Results of gif_stream_pixels and gif_stream_convert.
constexpr int gif_stream_ok = 0;
constexpr int gif_stream_gif_failed = -1;   // GIFLIB failed; its error code is in *gif_error
constexpr int gif_stream_write_failed = -2; // the sink refused bytes

// A memory buffer read through GIFLIB's input callback.
struct gif_memory_source {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

// Opens a GIF held in memory (source must outlive the handle). Returns null with *error set to
// GIFLIB's code when the signature or the screen descriptor cannot be read.
GifFileType* gif_open_memory(gif_memory_source* source, int* error);

// Reads the rest of the file (GIFLIB's whole-file read) and writes width x height RGB pixels of
// the logical screen to sink. The first image is placed at its position on the screen; pixels
// outside it are the background colour of the global map (black without one). Colours come
// from the first image's own colour map when it has one, else from the global map; indices
// beyond the map, and everything when there is no map at all, are black.
int gif_stream_pixels(GifFileType* gif, const stream_sink& sink, int* gif_error);

// Header, then (unless header_only) the pixels. A screen larger than the TAP takes is reduced
// (raw_reduce.h); the header then carries the reduced size, except with header_only, which
// reports the screen's own size.
int gif_stream_convert(GifFileType* gif, bool header_only, const stream_sink& sink, int* gif_error);

#endif
