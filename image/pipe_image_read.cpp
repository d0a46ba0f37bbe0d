// GIF and PNG pictures, converted by the helper programs and read back through a pipe as the
// raw image stream.
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include "common/memory.h"
#include "common/names.h"
#include "common/programs.h"
#include "common/receiver_path.h"
#include "common/log.h"
#include "decode.h"
#include "osd/ibox.h"
#include "osd/window.h"

namespace {

image_record pipe_record;

struct pipe_guard {
    FILE* p;
    ~pipe_guard() {
        if (p) pclose(p);
    }
};

void report(osd_window* win, const char* text) {
    log_msg(text);
    if (win) osd_text(win, text, 0);
}

} // namespace

bool raw_stream_size(const uint8_t* head, size_t got, int32_t* width, int32_t* height) {
    raw_image_header header;
    if (got < raw_stream_header_size ||
        !raw_header_decode(*reinterpret_cast<const uint8_t(*)[raw_stream_header_size]>(head),
                           &header))
        return false;
    const int32_t w = static_cast<int32_t>(header.width), h = static_cast<int32_t>(header.height);
    if (w < 1 || h < 1) return false;
    *width = w;
    *height = h;
    return true;
}

bool raw_stream_check(const uint8_t* head, size_t got, int32_t* width, int32_t* height) {
    int32_t w, h;
    if (!raw_stream_size(head, got, &w, &h) || w > IMAGE_MAX_SIDE || h > IMAGE_MAX_SIDE ||
        static_cast<int64_t>(w) * h * 4 > IMAGE_MAX_BYTES)
        return false;
    *width = w;
    *height = h;
    return true;
}

image_record* pipe_image_read(osd_window* win, const char* name) {
    const char* dir = tap_folder();
    if (!dir || !name) return nullptr;
    const char* program_name = name_ends_with(name, ".gif") ? "tovak_gif.mips" : "tovak_png.mips";
    mem_block program{program_path(program_name)};
    if (!program.p) {
        if (win && error_pending()) {
            snprintf(line_buffer + 1, LINE_BUFFER_SIZE - 1, "%s: %s", error_pending_title(),
                     error_pending());
            osd_text(win, line_buffer, 0);
            error_clear();
        }
        return nullptr;
    }
    // The file reaches the converter as one shell word, whatever its name holds.
    char receiver[1024], file_path[1536], command[4096];
    int n = snprintf(receiver, sizeof receiver, "/mnt/hd%s%s%s", dir,
                     dir[strlen(dir) - 1] == '/' ? "" : "/", name);
    command[0] = 0;
    if (n < 0 || n >= static_cast<int>(sizeof receiver) ||
        path_map(receiver, file_path, sizeof file_path) != 0 ||
        shell_quote_append(command, sizeof command, static_cast<char*>(program.p)) != 0 ||
        snprintf(command + strlen(command), sizeof command - strlen(command), " %s ",
                 win ? "" : "-h") >= static_cast<int>(sizeof command - strlen(command)) ||
        shell_quote_append(command, sizeof command, file_path) != 0)
        return nullptr;
    image_record* img = &pipe_record;
    memset(img, 0, sizeof *img);
    pipe_guard pipe{popen(command, "r")};
    if (!pipe.p) {
        snprintf(line_buffer + 1, LINE_BUFFER_SIZE - 1, "%s%c%s: %s pipe failed", dir, '/', name,
                 program_name);
        report(win, line_buffer + 1);
        return nullptr;
    }
    uint8_t head[raw_stream_header_size];
    size_t got = fread(head, 1, sizeof head, pipe.p);
    // Only pixels are limited: the header alone (file details) tells any picture's size.
    int32_t w, h;
    if (!(win ? raw_stream_check(head, got, &w, &h) : raw_stream_size(head, got, &w, &h))) {
        snprintf(line_buffer + 1, LINE_BUFFER_SIZE - 1, "%s%c%s: image error", dir, '/', name);
        report(win, line_buffer + 1);
        return nullptr;
    }
    img->magic = IMAGE_MAGIC;
    img->file_width = img->width = w;
    img->file_height = img->height = h;
    if (!win) return img;
    uint32_t* px = static_cast<uint32_t*>(mem_raw_alloc(static_cast<size_t>(w * h * 4)));
    mem_block row{mem_alloc(static_cast<size_t>(w) * raw_stream_bytes_per_pixel)};
    if (!px || !row.p) {
        mem_raw_free(px);
        return img;
    }
    const uint8_t* rgb = static_cast<const uint8_t*>(row.p);
    for (int64_t y = 0; y < h; ++y) {
        uint32_t* out = px + y * w;
        size_t n_row = fread(row.p, 3, static_cast<size_t>(w), pipe.p);
        for (size_t x = 0; x < static_cast<size_t>(w); ++x)
            out[x] = x < n_row
                         ? 0xFF000000u | rgb[3 * x] << 16 | rgb[3 * x + 1] << 8 | rgb[3 * x + 2]
                         : 0xFF000000u; // a stream that ends early leaves black
    }
    img->pixels = px;
    return img;
}
