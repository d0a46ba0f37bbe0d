// Entry points of the resident TAP: TAP_Main runs the start-up, and every event goes to the
// key dispatcher until the termination routine has ended the TAP.
#include "core/dispatcher.h"
#include "core/lifecycle.h"
#include "platform/tap_api.h"

#define TAP_EXPORT extern "C" __attribute__((visibility("default")))

TAP_EXPORT int TAP_Main(void) {
    return tap_start(TAP_EventHandler);
}

TAP_EXPORT dword TAP_EventHandler(word event, dword param1, dword param2) {
    if (tap_terminated()) return (event & 0xFFFF) == EVT_KEY ? param1 : 0;
    return dispatch_event(event, param1, param2);
}
