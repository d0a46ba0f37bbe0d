// The small parsers of outside text around the viewer, fed arbitrary bytes: the bookmark
// file's title search, the codec report's filter of the prober's output, the type detection by
// name and first bytes, and the web cache's place of a fetched link.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "browser/tools.h"
#include "common/file_type.h"
#include "textview/bookmarks.h"
#include "textview/web.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> bytes(data, data + size);
    // The title search reads lines of up to 799 characters.
    if (size) {
        FILE* f = fmemopen(bytes.data(), size, "r");
        char title[100];
        if (f) {
            const bool found = bookmark_title(f, title, sizeof title);
            if (strlen(title) >= sizeof title || (found && !title[0])) __builtin_trap();
            fclose(f);
        }
    }
    // The codec filter, line by line.
    std::string text(bytes.begin(), bytes.end());
    bool started = false;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(from, end - from).c_str();
        char out[800];
        if (codec_line(line.c_str(), &started, out, sizeof out) && strlen(out) > line.size() + 1)
            __builtin_trap();
        from = end;
    }
    // The type: a name from the first bytes, the rest as the file's head.
    const size_t name_len = size ? data[0] % 16 : 0;
    const std::string name(text.substr(size ? 1 : 0, name_len).c_str());
    const size_t head_at = std::min(size, 1 + name_len);
    const int type = file_type_of(name.c_str(), data + head_at, size - head_at);
    if (type != FT_TEXT && type != FT_WEB && type != FT_PDF && type != FT_BINARY &&
        !file_type_is_image(type))
        __builtin_trap();
    // The cache place never leaves the cache.
    char place[300];
    if (web_cache_place(text.c_str(), place, sizeof place) == 0) {
        if (place[0] == '/' || strstr(place, "/../") || strncmp(place, "../", 3) == 0 ||
            strlen(place) >= sizeof place)
            __builtin_trap();
        const size_t n = strlen(place);
        if (n >= 3 && strcmp(place + n - 3, "/..") == 0) __builtin_trap();
    }
    return 0;
}
