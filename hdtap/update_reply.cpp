#include "update_reply.h"

#include "common/http_header.h"

size_t update_header_end(const char* block, size_t n) {
    return http_header_end(block, n);
}

void update_reply_parse(const char* block, size_t n, update_reply* out) {
    out->status = 0;
    out->length = -1;
    out->date[0] = 0;
    out->body = http_header_end(block, n);
    // The fields are looked up in the header, or in the whole block when it has no end.
    const size_t header = out->body ? out->body : n;
    const char* const end = block + header;
    const char* line_end = http_find(block, header, "\n");
    const char* first_end = line_end ? line_end : end;
    const char* blank = http_find(block, static_cast<size_t>(first_end - block), " ");
    if (blank) {
        const long long status = http_number(blank + 1, first_end, 100000000);
        out->status = status > 0 && status < 1000 ? static_cast<int>(status) : 0;
    }
    static const char length_field[] = "Content-Length: ";
    if (const char* p = http_find(block, header, length_field)) {
        const long long length = http_number(p + sizeof length_field - 1, end, 100000000);
        out->length = length < 0 ? -1 : static_cast<long>(length);
    }
    http_field_date(block, header, "Last-Modified: ", out->date, sizeof out->date);
}
