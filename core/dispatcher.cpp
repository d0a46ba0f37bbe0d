#include "core/dispatcher.h"

#include "common/key_codes.h"
#include "common/settings.h"
#include "core/fw_bind.h"
#include "core/keymap.h"
#include "core/later_parts.h"
#include "core/lifecycle.h"
#include "core/persist.h"
#include "core/remote.h"
#include "core/usage.h"
#include "core/windows.h"
#include "osd/key_help.h"
#include "osd/line_edit.h"
#include "osd/window_state.h"

dword key_press_interval;

namespace {

constexpr dword key_bits = KEY_REPEAT | KEY_RELEASE;
// Windows that take keys (the image viewer runs inside another window).
constexpr dword routed_windows = WS_HELP | WS_INFOS | WS_BROWSER | WS_VIEWER | WS_EPG;
constexpr dword any_window = WS_MENU | routed_windows | WS_EDITOR;

dword last_swallowed; // repeats and the release of this key are swallowed
dword last_fresh_tick;
dword idle_events, idle_events_update, first_idle_tick;
int minute_of_day = -1;
// The receiver's state, read at every key.
dword rx_state, rx_sub_state;

bool normal_state() {
    return rx_state == 0 && rx_sub_state == 0x1F;
}
bool deaf() {
    return window_flags & WS_DEAF;
}

// Window calls are timed (handler-time measurement).
template <typename Call> dword timed(Call call) {
    handler_time_start();
    dword r = call();
    dword last, largest;
    handler_time_stop(&last, &largest);
    return r;
}

int play_mode() {
    TYPE_PlayInfo info;
    return TAP_Hdd_GetPlayInfo(&info) ? info.playMode : -111;
}

void pvr_pause() {
    if (void* fn = fw_address(FW_PVR_PAUSE)) reinterpret_cast<fw_pvr_pause_fn>(fn)(false);
}

void count_passed(int n) {
    usage.keys_passed += n;
}

// Step of a key once it is known whether the TAP key is pending and which window is open.
dword route_to_window(dword key, dword plain) {
    last_swallowed = key & ~key_bits; // the key as pressed: its repeats and release follow
    if (window_flags & WS_EDITOR) return line_edit(plain, 0, nullptr, nullptr, nullptr);
    if (window_flags & WS_HELP) return help_box(plain, nullptr, nullptr);
    if (window_flags & WS_INFOS) {
        timed([&] { return infos_window(plain); });
        if (window_flags & WS_PASS_INFOS) {
            window_flags &= ~WS_PASS_INFOS;
            if (settings.flags & SET_INFOS_SUBTITLE) return KEY_SUBTITLE;
            if (settings.flags & SET_INFOS_INFO) return KEY_INFO;
        }
        return 0;
    }
    if (window_flags & WS_EPG) {
        timed([&] { return epg_window(plain); });
        return 0;
    }
    // File browser and text viewer see the same codes whatever remote is used.
    if (dword t = window_key_translation(plain & ~KEY_TAP_MARK)) plain = t | (plain & KEY_TAP_MARK);
    if (window_flags & WS_BROWSER) {
        timed([&] { return file_browser(plain | (key & key_bits)); });
        if (window_flags & WS_PASS_FILELIST) {
            window_flags &= ~WS_PASS_FILELIST;
            return KEY_FILELIST;
        }
        return 0;
    }
    timed([&] { return text_viewer(plain, nullptr); });
    if (window_flags & WS_PASS_TELETEXT) {
        window_flags &= ~WS_PASS_TELETEXT;
        return KEY_TELETEXT;
    }
    return 0;
}

// TAP key + second key with no window open.
dword second_key(dword key, dword plain) {
    window_flags &= ~WS_TAP_PENDING;
    last_swallowed = key & ~key_bits;
    if (plain >= KEY_0 && plain <= KEY_9) {
        dword digit = plain - KEY_0;
        bool now_deaf = digit != 0 && settings.receiver_id != 0 && digit != settings.receiver_id;
        window_flags = now_deaf ? window_flags | WS_DEAF : window_flags & ~WS_DEAF;
        return 0;
    }
    if (deaf()) return 0;
    if (normal_state() && (plain == KEY_INFO || plain == KEY_GUIDE || plain == KEY_MENU ||
                           plain == KEY_TELETEXT || plain == KEY_FILELIST)) {
        open_direct_window(plain);
        return 0;
    }
    if (plain == KEY_SLEEP) {
        screen_capture(nullptr);
        return 0;
    }
    if (normal_state() && (plain == KEY_JUMP_START || plain == KEY_JUMP_END)) {
        recording_trim(plain == KEY_JUMP_START);
        return 0;
    }
    if (normal_state() && plain == KEY_STOP) {
        tap_stop_action();
        return 0;
    }
    count_passed(1);
    if (plain == tap_key) return tap_key;
    if (plain == KEY_FAV) return KEY_FAV;         // TAP + Play
    if (plain == KEY_VFORMAT) return KEY_VFORMAT; // TAP + Pause
    if (device_translation(plain) || cursor_translation(plain)) return plain;
    count_passed(-1);
    if (normal_state()) help_box(0, nullptr, &help_general);
    return 0;
}

// No TAP key pending and no window open: direct keys, translations, the key map.
dword pass_on(dword key, dword plain) {
    if (deaf()) return 0;
    const bool fresh = !(key & key_bits);
    if (fresh && normal_state()) {
        bool opens = (plain == KEY_SUBTITLE && (settings.flags & SET_INFOS_SUBTITLE)) ||
                     (plain == KEY_INFO && (settings.flags & SET_INFOS_INFO)) ||
                     (plain == KEY_OK && (settings.flags & SET_FILES_OK)) ||
                     (plain == KEY_FILELIST && (settings.flags & SET_FILES_FILELIST)) ||
                     (plain == KEY_TELETEXT && (settings.flags & SET_TEXT_TELETEXT));
        if (opens) {
            last_swallowed = plain;
            open_direct_window(plain == KEY_SUBTITLE ? KEY_INFO
                               : plain == KEY_OK     ? KEY_FILELIST
                                                     : plain);
            return 0;
        }
    }
    if (fresh) count_passed(1);
    if (normal_state() && (settings.flags & SET_CH_VOL))
        if (dword t = cursor_translation(plain)) return t | (key & key_bits);
    if (dword t = device_translation(plain)) plain = t;
    if (const keymap_rule* rule = keymap_find(plain, rx_state, rx_sub_state, play_mode())) {
        if (!rule->target) {
            if (fresh) count_passed(-1);
            return 0;
        }
        plain = rule->target;
    }
    if (plain == KEY_MUTE && (window_flags & WS_MUTED) && normal_state()) {
        tap_mute(false);
        return 0;
    }
    return plain | (key & key_bits);
}

dword on_key(dword key) {
    if (!key) return 0;
    TAP_GetState(&rx_state, &rx_sub_state);
    dword plain = key & ~key_bits;
    usage_session_key(key);
    const bool fresh = !(key & key_bits);
    if (fresh) {
        dword now = TAP_GetTick();
        key_press_interval = now - last_fresh_tick;
        last_fresh_tick = now;
    }
    key_stats_count(key);
    if (last_swallowed) {
        dword swallowed = last_swallowed;
        last_swallowed = 0;
        if (!fresh && plain == swallowed) {
            // While no window takes them, repeats of a taken key stay swallowed up to its
            // release: a held TAP key must not turn into a second TAP key.
            if (!(key & KEY_RELEASE) && !(window_flags & any_window)) last_swallowed = swallowed;
            return 0;
        }
    }
    const dword window = window_flags & (WS_MENU | routed_windows);
    if (normal_state() && !deaf() && mp3_playlist_active() &&
        (plain == KEY_JUMP_START || plain == KEY_JUMP_END || plain == KEY_STOP)) {
        if (fresh) mp3_key(plain);
        last_swallowed = plain;
        return 0;
    }
    if (fresh && plain == KEY_SLEEP && window) {
        last_swallowed = plain;
        if (window_flags & WS_TAP_PENDING) {
            screen_capture(nullptr);
            window_flags &= ~WS_TAP_PENDING;
            return 0;
        }
        if (menu_shows_key_codes()) screen_capture(menu_window());
        if (!((window_flags & WS_MENU) && !(window_flags & WS_VIEWER))) return 0;
    }
    if (fresh && plain == KEY_PAUSE && (window_flags & any_window & ~WS_EDITOR) &&
        !(window_flags & (WS_TAP_PENDING | WS_EDITOR))) {
        pvr_pause();
        if (!(window_flags & WS_MENU)) {
            last_swallowed = plain;
            return 0;
        }
    }
    if ((window_flags & WS_MENU) && !(window_flags & (WS_HELP | WS_EDITOR))) {
        last_swallowed = plain;
        timed([&] { return settings_menu(plain); });
        return 0;
    }
    if (fresh && plain == tap_key && !(window_flags & WS_TAP_PENDING)) {
        window_flags |= WS_TAP_PENDING;
        last_swallowed = plain;
        return 0;
    }
    if (fresh && (window_flags & WS_TAP_PENDING)) {
        if ((settings.flags & SET_DIAGNOSTIC) && !deaf()) {
            if (plain == KEY_SUBTITLE || plain == KEY_AR) {
                settings.flags ^= plain == KEY_SUBTITLE ? SET_LOGGING : SET_DIAGNOSTIC;
                window_flags &= ~WS_TAP_PENDING;
                last_swallowed = plain;
                return 0;
            }
            if (plain == KEY_STOP && !normal_state()) {
                window_flags &= ~WS_TAP_PENDING;
                last_swallowed = plain;
                tap_terminate(3);
                return 0;
            }
        }
        if (plain == KEY_PLAY)
            plain = KEY_TAP_MARK | KEY_FAV;
        else if (plain == KEY_PAUSE)
            plain = KEY_TAP_MARK | KEY_VFORMAT;
        if (window_flags & routed_windows) {
            window_flags &= ~WS_TAP_PENDING;
            if (dword t = window_key_translation(plain & ~KEY_TAP_MARK))
                plain = t | (plain & KEY_TAP_MARK);
            if ((plain & ~KEY_TAP_MARK) != tap_key) plain ^= KEY_TAP_MARK;
        } else {
            plain &= ~KEY_TAP_MARK;
        }
    }
    if (window_flags & (routed_windows | WS_EDITOR)) return route_to_window(key, plain);
    if (window_flags & WS_TAP_PENDING) return fresh ? second_key(key, plain) : 0;
    return pass_on(key, plain);
}

// Idle work: the copy queue, the clock, the MP3 playlist, the line editor's multi-tap timer.
dword on_idle() {
    if (!first_idle_tick) first_idle_tick = TAP_GetTick();
    copy_queue_step(1);
    if (++idle_events % 100 == 0) {
        word mjd;
        byte hour, minute, second;
        TAP_GetTime(&mjd, &hour, &minute, &second);
        minute_of_day = hour * 60 + minute;
    }
    if (mp3_playlist_active() && mp3_track_is_finished()) {
        TYPE_PlayInfo info;
        if (TAP_Hdd_GetPlayInfo(&info) && info.playMode != 0) mp3_drop_playlist();
        mp3_advance();
    }
    if (line_edit_idle()) return 0;
    return 0;
}

// The idle tail, also run after the stop event: system detection while no MAC address is
// known (first minute), and the silent update check after ten minutes.
void idle_tail() {
    dword since_start = TAP_GetTick() - start_tick;
    if (!system_mac_known() && idle_events % 1000 == 0 && since_start < 6000) system_detect();
    if (update_due && !(window_flags & WS_MENU) && ++idle_events_update % 1000 == 0 &&
        since_start / 6000 > 10) {
        if (update_check(0) >= 0) settings_save();
        update_due = 0;
    }
}

} // namespace

int open_direct_window(dword key) {
    switch (key) {
    case KEY_INFO:
        usage_opened(USE_INFO);
        timed([] { return infos_window(0); });
        return 0;
    case KEY_GUIDE:
        usage_opened(USE_EPG);
        timed([] { return epg_window(0); });
        return 0;
    case KEY_MENU:
        usage_opened(USE_MENU);
        timed([] { return settings_menu(0); });
        return 0;
    case KEY_TELETEXT:
        window_flags |= WS_VIEWER_TELETEXT;
        timed([] { return text_viewer(0, nullptr); });
        window_flags &= ~WS_VIEWER_OTHER_KEY;
        return 0;
    case KEY_FILELIST:
        usage_opened(USE_BROWSER);
        timed([] { return file_browser(0); });
        return 0;
    default:
        return 1;
    }
}

dword dispatch_event(word event, dword param1, dword param2) {
    switch (event & 0xFFFF) {
    case EVT_IDLE: {
        dword r = on_idle();
        idle_tail();
        return r;
    }
    case EVT_KEY:
        return on_key(param1);
    case EVT_STOP:
        tap_terminate(2);
        idle_tail();
        return param1;
    case EVT_TAPMSG:
        switch (param1) {
        case 1:
            tap_terminate(0);
            return 1;
        case 2:
            open_direct_window(KEY_MENU);
            return 1;
        case 3:
            return 0x1000007;
        case 6:
            window_flags |= WS_VIEWER_TELETEXT;
            timed([] { return text_viewer(0, ""); });
            return 1;
        default:
            return 0;
        }
    case EVT_SERVICE:
        if (param1 == 1 && mp3_playlist_active()) {
            mp3_track_finished();
            return 1;
        }
        return param1;
    default:
        return 0;
    }
}
