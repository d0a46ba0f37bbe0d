// The header check of the raw image stream that the converters write into the pipe.
#include <cstddef>
#include <cstdint>

#include "image/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int32_t w = 0, h = 0;
    if (raw_stream_check(data, size, &w, &h) &&
        (w < 1 || h < 1 || static_cast<int64_t>(w) * h * 4 > IMAGE_MAX_BYTES))
        __builtin_trap();
    return 0;
}
