// Linked into every TAP: the firmware calls __TAP_Init_ with the TAP's place in its task table
// (the two words at +0x10 of the slot) and learns from it where TAP_Main and TAP_EventHandler
// are.
#include "platform/tap_api.h"

extern "C" __attribute__((visibility("default"))) int __TAP_Init_(tap_entry_points* p) {
    p->main = TAP_Main;
    p->handler = TAP_EventHandler;
    return 0;
}
