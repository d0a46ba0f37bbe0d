// The live view's page (emu/page/), compiled into tapsim at build time.
#pragma once

#include <cstddef>

namespace tapsim {

struct PageFile {
    const char* name; // "index.html"
    const unsigned char* data;
    size_t size;
};

extern const PageFile page_files[];
extern const size_t page_file_count;

} // namespace tapsim
