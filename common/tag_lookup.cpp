#include "tag_lookup.h"

#include <stdio.h>
#include <string.h>

#include "common/file_io.h"
#include "common/memory.h"
#include "common/paths.h"

namespace {

char value[TAG_LINE];

bool is_trimmed(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u <= ' ' || u == 0x7F;
}

// Checks one line (as read, at most 99 characters); true with `value` filled on a match.
bool match_line(char* line, const char* tag) {
    char* start = line;
    while (*start && is_trimmed(*start))
        ++start;
    size_t n = strlen(start);
    while (n > 0 && is_trimmed(start[n - 1]))
        start[--n] = 0;
    if (start[0] != '<') return false;
    char* close = strchr(start, '>');
    if (!close) return false;
    size_t name_len = static_cast<size_t>(close - start - 1);
    if (strlen(tag) != name_len || strncmp(start + 1, tag, name_len) != 0) return false;
    const char* text = close + 1;
    static const char cdata[] = "<![CDATA[";
    char stop = '<';
    if (strncmp(text, cdata, sizeof cdata - 1) == 0) {
        text += sizeof cdata - 1;
        stop = ']';
    }
    const char* end = strchr(text, stop);
    size_t len = end ? static_cast<size_t>(end - text) : strlen(text);
    if (len >= sizeof value) len = sizeof value - 1;
    memcpy(value, text, len);
    value[len] = 0;
    return true;
}

} // namespace

const char* tag_lookup_in(const char* data, size_t size, const char* tag) {
    value[0] = 0;
    if (!tag) return value;
    char line[TAG_LINE];
    size_t pos = 0;
    while (pos < size) {
        // As a line reader with a 100-byte buffer takes it.
        size_t n = 0;
        while (pos < size && n < TAG_LINE - 1) {
            char c = data[pos++];
            line[n++] = c;
            if (c == '\n') break;
        }
        line[n] = 0;
        if (match_line(line, tag)) return value;
    }
    value[0] = 0;
    return value;
}

const char* tag_lookup(const char* tag) {
    value[0] = 0;
    if (!tag) return value;
    char* path = path_libc(nullptr, "TovakRC.tmp");
    if (!path) return value;
    libc_file file(path, "rb");
    mem_free(path);
    if (!file) return value;
    char line[TAG_LINE];
    while (fgets(line, sizeof line, file.f))
        if (match_line(line, tag)) return value;
    value[0] = 0;
    return value;
}
