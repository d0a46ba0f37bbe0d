#include "window_open.h"

#include "common/settings.h"
#include "ibox.h"

osd_window* key_code_window;

namespace {

window_entry entries[WINDOW_IDS];

} // namespace

void window_register(window_id id, window_entry entry) {
    if (id >= 0 && id < WINDOW_IDS) entries[id] = entry;
}

bool window_available(window_id id) {
    return id >= 0 && id < WINDOW_IDS && entries[id];
}

dword window_open(window_id id, const window_call& call) {
    if (window_available(id)) return entries[id](call);
    ibox_timed(call.over, MESSAGE_SHORT_MS, IBOX_INFO, nullptr,
               ui_text("Not available yet.", "Noch nicht verf\xFC"
                                             "gbar."));
    return WINDOW_ABSENT;
}

dword window_ask(window_id id, const window_call& call, dword absent) {
    return window_available(id) ? entries[id](call) : absent;
}
