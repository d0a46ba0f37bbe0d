// Entry points of the compact HD TAP: it stays resident and hands every key on.
#include "platform/tap_api.h"
#include "platform/tap_header.h"

TAP_DEFINE_HEADER("TovakRC v2.30 HD", TOVAK_AUTHOR, "Remote Control Interception",
                  "Mar 18 2016 23:28:16")

#define TAP_EXPORT extern "C" __attribute__((visibility("default")))

TAP_EXPORT int TAP_Main(void) {
    return 1;
}

TAP_EXPORT dword TAP_EventHandler(word event, dword param1, dword param2) {
    switch (event & 0xFFFF) {
    case EVT_KEY:
    case EVT_STOP:
    case EVT_SERVICE:
        return param1;
    case EVT_TAPMSG:
        if (param1 == 1) TAP_Exit();
        return 0;
    default:
        return 0;
    }
}
