// JPEG pictures: the TAP reads the size and the first comment itself; the firmware decodes and
// scales the pixels.
#include <stdio.h>
#include <string.h>

#include "common/memory.h"
#include "common/settings.h"
#include "common/log.h"
#include "decode.h"
#include "osd/window.h"

namespace {

image_record jpg_record;

struct file_guard {
    TYPE_File* f;
    ~file_guard() {
        if (f) TAP_Hdd_Fclose(f);
    }
};

int read_byte(TYPE_File* f) {
    uint8_t b;
    return TAP_Hdd_Fread(&b, 1, 1, f) == 1 ? b : -1;
}

int read_be16(TYPE_File* f) {
    int hi = read_byte(f), lo = read_byte(f);
    return hi < 0 || lo < 0 ? -1 : hi << 8 | lo;
}

// The first comment: a link ("http://... title") keeps its title as the headline.
void take_comment(TYPE_File* f, uint32_t position, image_record* img) {
    int length = read_be16(f);
    if (length >= 2 && !img->comment[0]) {
        uint32_t n = static_cast<uint32_t>(length - 2);
        if (n > sizeof img->comment - 1) n = sizeof img->comment - 1;
        n = TAP_Hdd_Fread(img->comment, 1, n, f);
        img->comment[n] = 0;
        char* blank = strchr(img->comment, ' ');
        if (strncmp(img->comment, "http://", 7) == 0 && blank) {
            *blank = 0;
            img->headline = static_cast<uint8_t>(blank + 1 - img->comment);
        } else {
            img->no_headline = 191;
        }
    }
    TAP_Hdd_Fseek(f, static_cast<long>(position), 0);
}

// Walks the markers up to the frame header; false at a damaged or cut file.
void walk_markers(TYPE_File* f, image_record* img) {
    for (;;) {
        int marker = read_be16(f);
        if (marker < 0) return;
        if (marker == 0xFFFE) take_comment(f, TAP_Hdd_Fseek(f, 0, 1), img);
        if (marker >= 0xFFC0 && marker <= 0xFFC3) {
            if (read_be16(f) < 0 || read_byte(f) < 0) return;
            int height = read_be16(f), width = read_be16(f);
            if (height < 0 || width < 0) return;
            img->file_height = img->height = height;
            img->file_width = img->width = width;
            return;
        }
        int length = read_be16(f);
        if (length < 2) return;
        uint32_t here = TAP_Hdd_Fseek(f, 0, 1);
        if (here == 0xFFFFFFFFu ||
            TAP_Hdd_Fseek(f, static_cast<long>(here + length - 2), 0) == 0xFFFFFFFFu)
            return;
    }
}

} // namespace

image_record* jpg_read(osd_window* win, const char* name) {
    if (settings.flags & SET_LOGGING) {
        log_printf("jpg_read (%s, %s)", win ? "osd" : "NULL", name);
        dword heap, free_heap, avail;
        TAP_MemInfo(&heap, &free_heap, &avail);
        log_printf("heap=%d free=%d avail=%d", static_cast<int>(heap), static_cast<int>(free_heap),
                   static_cast<int>(avail));
    }
    image_record* img = &jpg_record;
    memset(img, 0, sizeof *img);
    file_guard file{TAP_Hdd_Fopen(name)};
    if (!file.f) return nullptr;
    if (read_byte(file.f) != 0xFF || read_byte(file.f) != 0xD8) return nullptr;
    walk_markers(file.f, img);
    TAP_Hdd_Fclose(file.f);
    file.f = nullptr;
    if (img->file_width <= 0 || img->file_height <= 0) {
        log_printf("%s: %dx%d (SOF marker missing)", name, img->file_width, img->file_height);
        return nullptr;
    }
    // Progress lines only with logging on; failures are logged always.
    const bool logging = settings.flags & SET_LOGGING;
    if (logging) log_printf("jpg_read: xx0=%d yy0=%d", img->file_width, img->file_height);
    if (!win) return img;
    int32_t w = img->file_width, h = img->file_height;
    if (w > 2400) {
        h = static_cast<int32_t>(static_cast<int64_t>(h) * 2400 / w);
        w = 2400;
    }
    if (h > 2400) {
        w = static_cast<int32_t>(static_cast<int64_t>(w) * 2400 / h);
        h = 2400;
    }
    // Sizes never shrink below one pixel: a picture one pixel wide is still asked for.
    auto at_least_one = [](int32_t v) { return v > 0 ? v : 1; };
    w = at_least_one(w * 45 / 64); // squeezed for the 16:9 screen
    h = at_least_one(h);
    img->anamorphic = 1;
    int attempts = 20;
    dword* px = nullptr;
    while (attempts > 0) {
        px = static_cast<dword*>(
            TAP_Osd_DecompressJpeg(name, static_cast<dword>(w), static_cast<dword>(h), 0));
        --attempts;
        if (px) break;
        w = at_least_one(w * 9 / 10); // a smaller picture may still fit the firmware's memory
        h = at_least_one(h * 9 / 10);
    }
    if (logging) log_printf("jpg_read: xx=%d yy=%d retries=%d", w, h, attempts);
    img->width = w;
    img->height = h;
    if (px) {
        mem_raw_alloc(0); // the firmware's block counts as a raw allocation
        img->pixels = px;
    } else {
        log_printf("%s: %dx%d -> %dx%d (TAP_Osd_DecompressJpeg failed)", name, img->file_width,
                   img->file_height, w, h);
        char text[80];
        snprintf(text, sizeof text, "TAP_Osd_DecompressJpeg (%d x %d) failed", w, h);
        osd_text(win, text, 0);
    }
    return img;
}
