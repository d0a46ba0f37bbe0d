// The header checks of the raw image stream that the converters write into the pipe: for
// pixels and for the header alone.
#include <cstddef>
#include <cstdint>

#include "image/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int32_t w = 0, h = 0;
    const bool checked = raw_stream_check(data, size, &w, &h);
    if (checked && (w < 1 || h < 1 || w > IMAGE_MAX_SIDE || h > IMAGE_MAX_SIDE ||
                    static_cast<int64_t>(w) * h * 4 > IMAGE_MAX_BYTES))
        __builtin_trap();
    int32_t sw = 0, sh = 0;
    const bool sized = raw_stream_size(data, size, &sw, &sh);
    if (sized && (sw < 1 || sh < 1)) __builtin_trap();
    if (checked && (!sized || sw != w || sh != h)) __builtin_trap(); // the check adds limits only
    return 0;
}
