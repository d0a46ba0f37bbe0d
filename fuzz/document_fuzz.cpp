// The text viewer's reader fed arbitrary bytes: the character filter, the line buffer with its
// forced breaks, the reference section of a converted page and the word wrap; then the anchor
// search, the first page and the link markers on what was read. The first byte chooses a
// converted page or plain text and the table's room.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/memory.h"
#include "fuzz_emulator.h"
#include "textview/document.h"

namespace {

// Characters of varying width, so that the wrap cuts at different places.
int measure(const char* text) {
    int w = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        w += 4 + (*p & 7);
    return w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_emulator();
    if (size == 0) return 0;
    const int64_t blocks = mem_outstanding();
    const bool web = data[0] & 1;
    const uint32_t capacity = 1 + (data[0] >> 1) % 64;
    std::vector<char*> lines(capacity, nullptr);
    doc_reader* r = new doc_reader;
    doc_begin(r, lines.data(), capacity, web, measure);
    for (size_t i = 1; i < size; ++i)
        if (!doc_byte(r, data[i])) break;
    const int32_t text = doc_end(r);
    if (r->stored > capacity || text < 0 || text > static_cast<int32_t>(r->stored))
        __builtin_trap();
    if (r->link_count < -1 || (!web && r->link_count != 0)) __builtin_trap();
    if (r->link_count > 0 && text + r->link_count != static_cast<int32_t>(r->stored))
        __builtin_trap();
    for (uint32_t i = 0; i < r->stored; ++i) {
        const size_t n = strlen(lines[i]);
        if (n >= DOC_LINE_BYTES) __builtin_trap();
        for (size_t j = 0; j < n; ++j)
            if (static_cast<unsigned char>(lines[i][j]) < 0x20) __builtin_trap();
    }
    // An anchor made of the input's second half.
    const std::string anchor(
        reinterpret_cast<const char*>(data) + size / 2,
        strnlen(reinterpret_cast<const char*>(data) + size / 2, size - size / 2));
    const int32_t at = doc_anchor_line(lines.data(), text, anchor.c_str());
    if (at < -1) __builtin_trap();
    const int32_t first = doc_page_start(lines.data(), text);
    if (first < 0 || (text && first >= text)) __builtin_trap();
    for (int32_t i = 0; i < text; ++i) {
        int32_t n;
        size_t len;
        for (const char* p = doc_next_link(lines[i], r->link_count, &n, &len); p;
             p = doc_next_link(p + len, r->link_count, &n, &len))
            if (n < 1 || n > r->link_count || len < 3 || p[0] != '[' || p[len - 1] != ']')
                __builtin_trap();
    }
    // The same bytes in blocks (runs copied at once) give the same document.
    std::vector<char*> again(capacity, nullptr);
    doc_reader* b = new doc_reader;
    doc_begin(b, again.data(), capacity, web, measure);
    const size_t block = 1 + data[0] % 13;
    for (size_t i = 1; i < size; i += block)
        if (!doc_bytes(b, data + i, std::min(block, size - i))) break;
    doc_end(b);
    if (b->stored != r->stored || b->link_count != r->link_count ||
        b->split_count != r->split_count)
        __builtin_trap();
    for (uint32_t i = 0; i < r->stored; ++i)
        if (strcmp(lines[i], again[i]) != 0) __builtin_trap();
    doc_free(again.data(), b->stored);
    delete b;
    doc_free(lines.data(), r->stored);
    delete r;
    if (mem_outstanding() != blocks) __builtin_trap();
    return 0;
}
