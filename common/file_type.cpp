#include "common/file_type.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

#include "common/file_io.h"
#include "common/memory.h"
#include "common/names.h"
#include "common/paths.h"
#include "common/programs.h"

namespace {

constexpr size_t HEAD_BYTES = 1000, MAGIC_BYTES = 16;

// Up to HEAD_BYTES of the file at the TAP path; -1 when it cannot be opened.
int read_head(const char* folder, const char* name, uint8_t* head) {
    char path[1024];
    if (path_libc_into(folder, name, path, sizeof path) != 0) return -1;
    libc_file f(path, "rb");
    if (!f) return -1;
    return static_cast<int>(fread(head, 1, HEAD_BYTES, f.f));
}

} // namespace

int file_type_of(const char* name, const uint8_t* head, size_t size) {
    static const char* const web[] = {".htm", ".html", ".xml"};
    if (name && name_ends_with_any(name, web)) return FT_WEB;
    if (name && name_ends_with(name, ".pdf")) return FT_PDF;
    if (!head) return FT_MISSING;
    const size_t magic = size < MAGIC_BYTES ? size : MAGIC_BYTES;
    static const char doctype[] = "<!DOCTYPE ";
    const size_t dl = sizeof doctype - 1;
    const size_t skip = magic > 0 && head[0] == ' ' ? 1 : 0;
    if (magic >= dl && strncasecmp(reinterpret_cast<const char*>(head), doctype, dl) == 0)
        return FT_WEB;
    if (skip && magic >= dl + 1 &&
        strncasecmp(reinterpret_cast<const char*>(head) + 1, doctype, dl) == 0)
        return FT_WEB;
    if (magic >= 2 && head[0] == 'B' && head[1] == 'M') return FT_BMP;
    if (magic >= 4 && memcmp(head, "GIF8", 4) == 0) return FT_GIF;
    if (magic >= 4 && memcmp(head + 1, "PNG", 3) == 0) return FT_PNG;
    if (magic >= 2 && head[0] == 0xFF && head[1] == 0xD8) return FT_JPEG;
    if (name) {
        if (name_ends_with(name, ".bmp")) return FT_BMP;
        if (name_ends_with(name, ".gif")) return FT_GIF;
        if (name_ends_with(name, ".png")) return FT_PNG;
        if (name_ends_with(name, ".jpg") || name_ends_with(name, ".jpeg")) return FT_JPEG;
    }
    const size_t n = size < HEAD_BYTES ? size : HEAD_BYTES;
    return memchr(head, 0, n) ? FT_BINARY : FT_TEXT;
}

int file_type(const char* folder, const char* name) {
    if (!name) return FT_MISSING;
    static const char* const by_name[] = {".htm", ".html", ".xml", ".pdf"};
    if (name_ends_with_any(name, by_name)) return file_type_of(name, nullptr, 0);
    uint8_t head[HEAD_BYTES];
    const int n = read_head(folder, name, head);
    if (n < 0) return FT_MISSING;
    return file_type_of(name, head, static_cast<size_t>(n));
}

int is_binary_bytes(const uint8_t* head, size_t size) {
    int ff_run = 0;
    for (size_t i = 0; i < size && i < HEAD_BYTES; ++i) {
        if (head[i] == 0) return 1;
        ff_run = head[i] == 0xFF ? ff_run + 1 : 0;
        if (ff_run == 4) return 1;
    }
    return 0;
}

int is_binary(const char* folder, const char* path) {
    if (!path) return -1;
    // The file's folder becomes the TAP's current one.
    char* full = path_tap(folder, path);
    if (!full) return -1;
    mem_block full_owner(full);
    char dir[1024];
    path_split(full, dir, sizeof dir);
    tap_folder_change(dir);
    uint8_t head[HEAD_BYTES];
    const int n = read_head(nullptr, full, head);
    if (n < 0) return -1;
    return is_binary_bytes(head, static_cast<size_t>(n));
}
