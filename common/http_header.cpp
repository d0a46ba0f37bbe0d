#include "http_header.h"

#include <string.h>

const char* http_find(const char* hay, size_t n, const char* needle) {
    const size_t m = strlen(needle);
    if (m > n) return nullptr;
    for (size_t i = 0; i <= n - m; ++i)
        if (hay[i] == needle[0] && memcmp(hay + i, needle, m) == 0) return hay + i;
    return nullptr;
}

size_t http_header_end(const char* block, size_t n) {
    if (const char* end = http_find(block, n, "\r\n\r\n"))
        return static_cast<size_t>(end - block) + 4;
    if (const char* end = http_find(block, n, "\n\n")) return static_cast<size_t>(end - block) + 2;
    return 0;
}

long long http_number(const char* p, const char* end, long long limit) {
    while (p < end && *p == ' ')
        ++p;
    if (p < end && *p == '-') return -2;
    if (p >= end || *p < '0' || *p > '9') return -1;
    long long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit) return -3;
    }
    return value;
}

bool http_field_line(const char* header, size_t n, const char* field, const char** text,
                     size_t* length) {
    const char* p = http_find(header, n, field);
    if (!p) return false;
    p += strlen(field);
    const char* end = header + n;
    const char* eol = http_find(p, static_cast<size_t>(end - p), "\n");
    if (!eol) return false;
    *text = p;
    *length = static_cast<size_t>((eol > p && eol[-1] == '\r' ? eol - 1 : eol) - p);
    return true;
}

bool http_field_date(const char* header, size_t n, const char* field, char* out, size_t size) {
    if (size) out[0] = 0;
    const char* line;
    size_t length;
    if (!http_field_line(header, n, field, &line, &length)) return false;
    const char* comma = static_cast<const char*>(memchr(line, ',', length));
    if (!comma) return false;
    const char* date = comma + 1;
    const char* end = line + length;
    if (date < end && *date == ' ') ++date;
    size_t k = static_cast<size_t>(end - date);
    if (!size) return true;
    if (k >= size) k = size - 1;
    memcpy(out, date, k);
    out[k] = 0;
    return true;
}
