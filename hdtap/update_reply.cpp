#include "update_reply.h"

#include <string.h>

namespace {

// Position of needle in the n bytes at hay, or null.
const char* find(const char* hay, size_t n, const char* needle) {
    const size_t m = strlen(needle);
    for (size_t i = 0; m <= n && i <= n - m; ++i)
        if (memcmp(hay + i, needle, m) == 0) return hay + i;
    return nullptr;
}

// The decimal number at p (up to end), -1 when there is none or it is too large.
long number_at(const char* p, const char* end) {
    while (p < end && *p == ' ')
        ++p;
    if (p >= end || *p < '0' || *p > '9') return -1;
    long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (value > 100000000L) return -1;
        value = value * 10 + (*p - '0');
    }
    return value;
}

} // namespace

size_t update_header_end(const char* block, size_t n) {
    if (const char* end = find(block, n, "\r\n\r\n")) return static_cast<size_t>(end - block) + 4;
    if (const char* end = find(block, n, "\n\n")) return static_cast<size_t>(end - block) + 2;
    return 0;
}

void update_reply_parse(const char* block, size_t n, update_reply* out) {
    out->status = 0;
    out->length = -1;
    out->date[0] = 0;
    out->body = update_header_end(block, n);
    // The fields are looked up in the header, or in the whole block when it has no end.
    const size_t header = out->body ? out->body : n;
    const char* const end = block + header;
    const char* line_end = find(block, header, "\n");
    const char* blank = find(block, static_cast<size_t>((line_end ? line_end : end) - block), " ");
    if (blank) {
        long status = number_at(blank + 1, line_end ? line_end : end);
        out->status = status > 0 && status < 1000 ? static_cast<int>(status) : 0;
    }
    static const char length_field[] = "Content-Length: ";
    if (const char* p = find(block, header, length_field))
        out->length = number_at(p + sizeof length_field - 1, end);
    static const char date_field[] = "Last-Modified: ";
    const char* p = find(block, header, date_field);
    if (!p) return;
    p += sizeof date_field - 1;
    const char* eol = find(p, static_cast<size_t>(end - p), "\n");
    if (!eol) return;
    const char* comma = find(p, static_cast<size_t>(eol - p), ",");
    if (!comma) return;
    const char* date = comma + 1;
    if (date < eol && *date == ' ') ++date;
    const char* date_end = eol > date && eol[-1] == '\r' ? eol - 1 : eol;
    size_t length = static_cast<size_t>(date_end - date);
    if (length >= sizeof out->date) length = sizeof out->date - 1;
    memcpy(out->date, date, length);
    out->date[length] = 0;
}
