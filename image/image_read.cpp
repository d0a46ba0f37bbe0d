#include "common/names.h"
#include "decode.h"

image_record* image_read(osd_window* win, const char* name) {
    if (name_ends_with(name, ".bmp")) return bmp_read(win, name);
    if (name_ends_with(name, ".gif") || name_ends_with(name, ".png"))
        return pipe_image_read(win, name);
    return jpg_read(win, name);
}
