// Entry points of the compact HD TAP: start-up, the key handler and the idle event.
#include "hd.h"

#include "common/key_codes.h"

TAP_DEFINE_HEADER("TovakRC v2.30 HD", TOVAK_AUTHOR, "Remote Control Interception",
                  "Mar 18 2016 23:28:16")

#define TAP_EXPORT extern "C" __attribute__((visibility("default")))

uint32_t flags;
dword tapkey = KEY_SAT;
dword key;
int line = 1;
int update;
dword uptick;
int32_t uptime;
uint32_t upidle;

namespace {

enum : dword { KEY_BITS = KEY_REPEAT | KEY_RELEASE };
enum { IDLE_PERIOD = 1000, CFG_RETRY_TICKS = 6000, UPDATE_AFTER_MINUTES = 10 };

dword swallowed; // last swallowed key: its repeats and release are swallowed too
dword passed;    // key handed on after the TAP key: its repeats and release follow it
dword rx_state, rx_sub_state;
uint32_t idle_cfg, idle_update; // idle counters of the two duties
bool cfg_retries_over;

bool normal_state() {
    return rx_state == 0 && rx_sub_state == 0x1F;
}

// A fresh key while the TAP key is pending.
dword tap_combination(dword plain) {
    flags &= ~RUN_TAP_PENDING;
    swallowed = plain;
    if (plain >= KEY_0 && plain <= KEY_9) {
        dword digit = plain - KEY_0;
        deaf_flag(digit != 0 && ini.id != 0 && digit != ini.id);
        return 0;
    }
    if (flags & RUN_DEAF) return 0;
    if (plain == KEY_MENU) {
        flags |= RUN_MENU; // opens at the next idle event
        return 0;
    }
    if (plain == tapkey || map_keys(plain) || map_cursor(plain)) {
        // The receiver gets the key as it is, with its repeats and release.
        swallowed = 0;
        passed = plain;
        return plain;
    }
    return 0;
}

dword menu_queue(dword code, dword plain) {
    const bool key_codes_shown = (flags & RUN_SUB) && line == 11;
    if (plain == KEY_SLEEP && !key_codes_shown) return code;
    if (!(code & KEY_RELEASE)) key = code;
    return 0;
}

dword on_key(dword code) {
    const dword bits = code & KEY_BITS;
    const dword plain = code & ~KEY_BITS;
    // A message shown outside the menu stays until the next key.
    if (!bits && alert_window.created && !(flags & RUN_MENU)) osd_alert(nullptr);
    if (swallowed) {
        const dword k = swallowed;
        swallowed = 0;
        if (bits && plain == k) {
            if (!(code & KEY_RELEASE)) swallowed = k; // repeats up to the release
            return 0;
        }
    }
    if (passed) {
        const dword k = passed;
        passed = 0;
        if (bits && plain == k) {
            if (!(code & KEY_RELEASE)) passed = k;
            return code;
        }
    }
    if (flags & RUN_MENU) return menu_queue(code, plain);
    if (!bits && (flags & RUN_TAP_PENDING)) return tap_combination(plain);
    if (!bits && plain == tapkey) {
        flags |= RUN_TAP_PENDING;
        swallowed = plain;
        return 0;
    }
    if (flags & RUN_DEAF) return 0;
    // A cursor key is the receiver's channel or volume key in live TV with "Ch / Vol" on, and
    // no remote code otherwise (map_keys gives 0 for it).
    if (const dword c = map_cursor(plain)) {
        if (!(ini.flags & INI_CH_VOL)) return code;
        TAP_GetState(&rx_state, &rx_sub_state);
        return normal_state() ? c | bits : code;
    }
    const dword m = map_remote(plain);
    return m ? m | bits : code;
}

void on_idle() {
    ++upidle;
    if (flags & RUN_MENU) menu_idle();
    // No hardware address yet: the network may come up during the first minute.
    if (!cfg_retries_over && !cfg_mac[0] && ++idle_cfg >= IDLE_PERIOD) {
        idle_cfg = 0;
        if (TAP_GetTick() - uptick < CFG_RETRY_TICKS)
            cfg_setup();
        else
            cfg_retries_over = true;
    }
    if (update && !(flags & RUN_MENU) && ++idle_update >= IDLE_PERIOD) {
        idle_update = 0;
        if ((TAP_GetTick() - uptick) / 6000 > UPDATE_AFTER_MINUTES) {
            if (chk_update(0) >= 0) ini_write();
            update = 0;
        }
    }
}

} // namespace

TAP_EXPORT int TAP_Main(void) {
    if (!ini_read()) {
        ini.rc = 1;
        ini.flags = INI_CH_VOL;
        ini.initialised = 1;
        ini.tf = 1;
        ini_write();
    }
    set_modes();
    cfg_setup();
    tapkey = (ini.flags & INI_TVSAT) ? KEY_AUX : KEY_SAT;
    deaf_flag(ini.id != 0 && !(ini.flags & INI_LISTEN));
    uptick = TAP_GetTick();
    const int today = get_mjd(&uptime);
    update = today - ini.check_day > 60;
    if (ini.save_day && today - ini.save_day > 6) ++update;
    return 1;
}

TAP_EXPORT dword TAP_EventHandler(word event, dword param1, dword param2) {
    switch (event & 0xFFFF) {
    case EVT_IDLE:
        on_idle();
        return 0;
    case EVT_KEY:
        return on_key(param1);
    case EVT_STOP:
        hd_terminate();
        return param1;
    default:
        return param1;
    }
}
