// A plain info box: a centred region with a title bar and the text lines.
#include "ibox.h"

#include <string.h>

namespace {
bool open;
word region;
}

void ibox_show(const char* title, const char* text, int kind) {
    if (open) {
        TAP_Osd_Delete(region);
        TAP_Osd_Sync();
        open = false;
    }
    if (!text) return;
    const int w = 500, h = 3 * 26;
    region = TAP_Osd_Create((720 - w) / 2, (576 - h) / 2, w, h, 0, 0);
    open = true;
    TAP_Osd_FillBox(region, 0, 0, w, h, 0xFF101010);
    TAP_Osd_PutS(region, 0, 0, w, title ? title : "Info", 0xFFFFFFFF,
                 kind == IBOX_ERROR ? 0xFF800000 : 0xFF0000FF, 0, 2, 0, 0);
    TAP_Osd_PutS(region, 20, 26 + 13, w, text, 0xFFFFFFFF, 0xFF101010, 0, 2, 0, 0);
    TAP_Osd_Sync();
}
