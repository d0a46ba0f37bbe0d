// libFuzzer target: arbitrary bytes through tovak_gif's decoding core, as if they were a file.
//
//   fuzz_gif -max_total_time=60 -rss_limit_mb=2048 corpus/ fuzz/seeds/gif/
//
// Besides memory errors it checks the stream's shape: a header for the logical screen (reduced
// when the screen is larger than the TAP takes), then exactly one RGB triple per pixel of that
// size on success, or the header alone when GIFLIB fails.
#include <cstddef>
#include <cstdint>

#include <gif_lib.h>

#include "gif_stream.h"
#include "raw_reduce.h"

namespace {

// GIFLIB allocates each image's raster (up to 65535 x 65535 bytes) before decoding it, and the
// stream holds a pixel for every point of the logical screen. Inputs that declare more pixels
// than this are skipped, so that runs spend their time decoding rather than allocating.
constexpr long max_pixels = 1L << 22;

long area(GifWord width, GifWord height) {
    return static_cast<long>(width) * height;
}

// Walks the records with GIFLIB and checks the screen and every image against max_pixels.
bool sizes_acceptable(const std::uint8_t* data, std::size_t size) {
    gif_memory_source source{data, size, 0};
    int error = 0;
    GifFileType* gif = gif_open_memory(&source, &error);
    if (gif == nullptr) return true; // the core stops at the open as well
    bool acceptable = area(gif->SWidth, gif->SHeight) <= max_pixels;
    bool more = acceptable;
    while (more) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) break;
        GifByteType* block = nullptr;
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) == GIF_ERROR) break;
            if (area(gif->Image.Width, gif->Image.Height) > max_pixels) {
                acceptable = false;
                break;
            }
            int code_size = 0;
            more = DGifGetCode(gif, &code_size, &block) == GIF_OK;
            while (more && block != nullptr)
                more = DGifGetCodeNext(gif, &block) == GIF_OK;
        } else if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            more = DGifGetExtension(gif, &code, &block) == GIF_OK;
            while (more && block != nullptr)
                more = DGifGetExtensionNext(gif, &block) == GIF_OK;
        } else {
            more = false; // terminator or an unknown record
        }
    }
    DGifCloseFile(gif, &error); // a read-only handle; freed in any case
    return acceptable;
}

struct counting_sink {
    std::uint8_t header[raw_stream_header_size];
    std::size_t count = 0;
};

bool count_bytes(void* context, const std::uint8_t* data, std::size_t size) {
    auto* sink = static_cast<counting_sink*>(context);
    for (std::size_t i = 0; i < size && sink->count + i < raw_stream_header_size; ++i)
        sink->header[sink->count + i] = data[i];
    // Touch every byte so that the sanitizers see reads of uninitialised or freed memory.
    volatile std::uint8_t sum = 0;
    for (std::size_t i = 0; i < size; ++i)
        sum = static_cast<std::uint8_t>(sum + data[i]);
    sink->count += size;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!sizes_acceptable(data, size)) return -1; // keep out of the corpus

    gif_memory_source source{data, size, 0};
    int error = 0;
    GifFileType* gif = gif_open_memory(&source, &error);
    if (gif == nullptr) return 0;
    counting_sink sink;
    int gif_error = 0;
    const int status = gif_stream_convert(gif, false, stream_sink{count_bytes, &sink}, &gif_error);
    // Screens larger than the TAP takes come out reduced, and then fit.
    const raw_reduction plan = raw_reduction_for(static_cast<std::uint32_t>(gif->SWidth),
                                                 static_cast<std::uint32_t>(gif->SHeight));
    const std::size_t pixels = std::size_t{plan.width} * plan.height;
    if (plan.factor > 1 && (plan.width > raw_stream_max_side || plan.height > raw_stream_max_side ||
                            std::uint64_t{pixels} * 4 > raw_stream_max_block_bytes))
        __builtin_trap();

    if (sink.count < raw_stream_header_size) __builtin_trap();
    raw_image_header header;
    if (!raw_header_decode(sink.header, &header) || header.width != plan.width ||
        header.height != plan.height)
        __builtin_trap();
    if (status == gif_stream_ok && sink.count != raw_stream_header_size + 3 * pixels)
        __builtin_trap();
    if (status == gif_stream_gif_failed && sink.count != raw_stream_header_size) __builtin_trap();
    if (status == gif_stream_write_failed) __builtin_trap(); // this sink never refuses

    DGifCloseFile(gif, &error);
    return 0;
}
