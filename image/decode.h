// Picture decoders. Each takes a window (or null: only the size is wanted) and a file name in
// the current folder, and returns its own static image record (valid until that decoder runs
// again) or null. The pixel block belongs to the caller, who frees it with mem_raw_free.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "image_record.h"

struct osd_window;

image_record* bmp_read(osd_window* win, const char* name);
image_record* jpg_read(osd_window* win, const char* name);
image_record* pipe_image_read(osd_window* win, const char* name); // GIF and PNG
// The decoder that belongs to the name's suffix (".bmp", ".gif"/".png", otherwise JPEG).
image_record* image_read(osd_window* win, const char* name);
// Checks the first bytes of a raw image stream (got of them): magic, sides 1 ... 10000, at most
// 16,000,000 bytes of pixels. True with the sides.
bool raw_stream_check(const uint8_t* head, size_t got, int32_t* width, int32_t* height);
// The same for a header alone ("-h"): magic and sides of at least 1, without the limits on
// pixels (a converter reduces larger pictures when it sends their pixels).
bool raw_stream_size(const uint8_t* head, size_t got, int32_t* width, int32_t* height);

// Drops uniform borders beyond 10 pixels on each side of a decoded block, in place.
void image_trim_borders(image_record* image);
