// Entry points of the resident TAP: it stays resident, takes the TAP key and shows which
// second key followed it in a small box; Exit closes the box.
#include <stdio.h>

#include "platform/tap_api.h"

#define TAP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr dword tap_key = 0x10040; // Sat
constexpr dword exit_key = 0x10017;

bool pending;    // the TAP key was pressed, the second key is awaited
dword swallowed; // repeats and the release of this key are swallowed too
word box_region;
bool box_open;

void box_close() {
    if (!box_open) return;
    TAP_Osd_Delete(box_region);
    TAP_Osd_Sync();
    box_open = false;
}

void box_show(dword key) {
    if (!box_open) {
        box_region = TAP_Osd_Create(160, 226, 400, 124, 0, 0);
        box_open = true;
    }
    TAP_Osd_FillBox(box_region, 0, 0, 400, 124, 0xFF101010);
    TAP_Osd_PutS(box_region, 0, 0, 400, " TovakRC v4.92a", 0xFFFFFFFF, 0xFF000080, 0, 2, 0, 0);
    char line[64];
    snprintf(line, sizeof line, " TAP key + 0x%05X", static_cast<unsigned>(key));
    TAP_Osd_PutS(box_region, 0, 40, 400, line, 0xFFFFFFFF, 0xFF101010, 0, 2, 0, 0);
    TAP_Osd_PutS(box_region, 0, 80, 400, " Exit closes", 0xFFFFFF00, 0xFF101010, 0, 1, 0, 0);
    TAP_Osd_DrawRectangle(box_region, 0, 0, 400, 124, 2, 0xFFFFFF00);
    TAP_Osd_Sync();
}

dword on_key(dword key) {
    dword plain = key & ~(KEY_REPEAT | KEY_RELEASE);
    if (swallowed) {
        dword last = swallowed;
        swallowed = 0;
        if (plain == last && (key & (KEY_REPEAT | KEY_RELEASE))) {
            swallowed = (key & KEY_RELEASE) ? 0 : last;
            return 0;
        }
    }
    if (key & (KEY_REPEAT | KEY_RELEASE)) return key;
    if (box_open && plain == exit_key) {
        box_close();
        swallowed = plain;
        return 0;
    }
    if (!pending && plain == tap_key) {
        pending = true;
        swallowed = plain;
        return 0;
    }
    if (pending) {
        pending = false;
        swallowed = plain;
        if (plain == tap_key) return tap_key; // TAP, TAP: the receiver gets the TAP key
        box_show(plain);
        return 0;
    }
    return key;
}

} // namespace

TAP_EXPORT int TAP_Main(void) {
    return 1;
}

TAP_EXPORT dword TAP_EventHandler(word event, dword param1, dword param2) {
    switch (event & 0xFFFF) {
    case EVT_KEY:
        return param1 ? on_key(param1) : 0;
    case EVT_STOP:
        box_close();
        return param1;
    case EVT_TAPMSG:
        if (param1 == 1) {
            box_close();
            TAP_Exit();
            return 1;
        }
        return 0;
    case EVT_SERVICE:
        return param1;
    default:
        return 0;
    }
}
