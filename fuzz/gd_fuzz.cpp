// The emulator's decoder of compressed graphics, fed arbitrary blocks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gd_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint32_t> px;
    int w, h;
    if (tapsim::gd_decode(data, size, &px, &w, &h) &&
        px.size() != static_cast<size_t>(w) * static_cast<size_t>(h))
        __builtin_trap();
    return 0;
}
