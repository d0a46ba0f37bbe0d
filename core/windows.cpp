#include "core/windows.h"

#include <stdio.h>

#include "browser/browser.h"
#include "browser/file_details.h"
#include "browser/mp3.h"
#include "browser/tools.h"
#include "core/menu.h"
#include "core/power_off.h"
#include "core/trim.h"
#include "epg/details.h"
#include "epg/window.h"
#include "image/viewer.h"
#include "infos/infos_window.h"
#include "infos/sysinfo.h"
#include "net/geo.h"
#include "net/update.h"
#include "osd/window_open.h"
#include "textview/viewer.h"

namespace {

dword browser_entry(const window_call& call) {
    return file_browser(call.key);
}

dword infos_entry(const window_call& call) {
    return infos_window(call.key);
}

dword system_entry(const window_call& call) {
    if (call.mode == SYSTEM_MAC_KNOWN) return sysinfo.mac[0] != 0;
    if (call.mode == SYSTEM_DEVICE_ID) {
        if (call.answer && call.answer_size)
            snprintf(call.answer, call.answer_size, "%s", sysinfo.device_id);
        return sysinfo.device_id[0] != 0;
    }
    system_collect();
    return 0;
}

dword menu_entry(const window_call& call) {
    return settings_menu(call.key);
}

dword tap_stop_entry(const window_call&) {
    power_off();
    return 0;
}

} // namespace

void windows_register(void) {
    window_register(WINDOW_BROWSER, browser_entry);
    window_register(WINDOW_IMAGE, image_viewer_entry);
    window_register(WINDOW_DETAILS, file_details_entry);
    window_register(ACTION_MP3, mp3_entry);
    window_register(WINDOW_TEXT, text_viewer_entry);
    window_register(ACTION_TOOL, browser_tool_entry);
    window_register(ACTION_UPDATE, update_entry);
    window_register(ACTION_LOCATE, geo_entry);
    window_register(WINDOW_INFOS, infos_entry);
    window_register(ACTION_SYSTEM, system_entry);
    window_register(ACTION_TRIM, trim_entry);
    window_register(WINDOW_MENU, menu_entry);
    window_register(ACTION_TAP_STOP, tap_stop_entry);
    window_register(WINDOW_EPG, epg_window_entry);
    window_register(ACTION_EPG_DETAILS, epg_details_entry);
}
