#include "core/dispatcher.h"

#include "browser/copy_queue.h"
#include "common/fw_bind.h"
#include "common/key_codes.h"
#include "common/persist.h"
#include "common/run_stats.h"
#include "common/settings.h"
#include "common/usage.h"
#include "core/keymap.h"
#include "core/lifecycle.h"
#include "core/remote.h"
#include "image/capture.h"
#include "osd/key_help.h"
#include "osd/line_edit.h"
#include "osd/window_open.h"
#include "osd/window_state.h"

namespace {

constexpr dword key_bits = KEY_REPEAT | KEY_RELEASE;
// The answer to control message 3 (the platform's meaning).
constexpr dword TAPMSG_ANSWER_QUERY = 0x1000007;
// Windows that take keys (the image viewer runs inside another window).
constexpr dword routed_windows = WS_HELP | WS_INFOS | WS_BROWSER | WS_VIEWER | WS_EPG;
constexpr dword any_window = WS_MENU | routed_windows | WS_EDITOR;

// The key pressed last and what became of its press: the receiver gets whole presses or
// nothing of a key. Repeats and the release of a press the TAP took are swallowed; those of a
// press handed on (perhaps translated) are handed on as the same key.
struct held_key {
    dword key;    // the key as pressed (without repeat and release bits), 0: none
    dword handed; // the key the receiver got for the press, 0: it got nothing
};
held_key held;
bool routed;     // the event went to a window
bool press_only; // the receiver gets the press but not its repeats and release (TAP, TAP)
dword last_fresh_tick;
dword idle_events_update;
// The receiver's state, read at every key.
dword rx_state, rx_sub_state;

bool normal_state() {
    return rx_state == 0 && rx_sub_state == 0x1F;
}
bool deaf() {
    return window_flags & WS_DEAF;
}

// A window's call with one key (0 opens it), timed by the handler-time measurement.
dword window_key(window_id id, dword key) {
    handler_time_start();
    const dword r = window_ask(id, key_call(key), 0);
    dword last, largest;
    handler_time_stop(&last, &largest);
    return r;
}

bool mp3_playlist_active() {
    return window_ask(ACTION_MP3, mode_call(MP3_ACTIVE), 0) != 0;
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

// A key once it is known whether the TAP key is pending and which window is open.
dword route_to_window(dword key, dword plain) {
    routed = true;
    if (window_flags & WS_EDITOR) return line_edit(plain, 0, nullptr, nullptr, nullptr);
    if (window_flags & WS_HELP) return help_box(plain, nullptr, nullptr);
    if (window_flags & WS_INFOS) {
        window_key(WINDOW_INFOS, plain);
        if (window_flags & WS_PASS_INFOS) {
            window_flags &= ~WS_PASS_INFOS;
            if (settings.flags & SET_INFOS_SUBTITLE) return KEY_SUBTITLE;
            if (settings.flags & SET_INFOS_INFO) return KEY_INFO;
        }
        return 0;
    }
    if (window_flags & WS_EPG) {
        window_key(WINDOW_EPG, plain);
        return 0;
    }
    // File browser and text viewer see the same codes whatever remote is used.
    if (dword t = window_key_translation(plain & ~KEY_TAP_MARK)) plain = t | (plain & KEY_TAP_MARK);
    if (window_flags & WS_BROWSER) {
        window_key(WINDOW_BROWSER, plain | (key & key_bits));
        if (window_flags & WS_PASS_FILELIST) {
            window_flags &= ~WS_PASS_FILELIST;
            return KEY_FILELIST;
        }
        return 0;
    }
    window_key(WINDOW_TEXT, plain);
    if (window_flags & WS_PASS_TELETEXT) {
        window_flags &= ~WS_PASS_TELETEXT;
        return KEY_TELETEXT;
    }
    return 0;
}

// TAP key + second key with no window open.
dword second_key(dword plain) {
    window_flags &= ~WS_TAP_PENDING;
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
        window_open(ACTION_TRIM, mode_call(plain == KEY_JUMP_START));
        return 0;
    }
    if (normal_state() && plain == KEY_STOP) {
        window_open(ACTION_TAP_STOP, mode_call(0));
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

// The result of a key event (the last swallowed key is not looked at here).
dword key_result(dword key) {
    const dword plain_key = key & ~key_bits;
    dword plain = plain_key;
    const bool fresh = !(key & key_bits);
    const dword window = window_flags & (WS_MENU | routed_windows);
    if (normal_state() && !deaf() && mp3_playlist_active() &&
        (plain == KEY_JUMP_START || plain == KEY_JUMP_END || plain == KEY_STOP)) {
        if (fresh)
            window_ask(ACTION_MP3,
                       mode_call(plain == KEY_STOP         ? MP3_STOP
                                 : plain == KEY_JUMP_START ? MP3_PREVIOUS
                                                           : MP3_NEXT),
                       0);
        return 0;
    }
    if (fresh && plain == KEY_SLEEP && window) {
        if (window_flags & WS_TAP_PENDING) {
            screen_capture(nullptr);
            window_flags &= ~WS_TAP_PENDING;
            return 0;
        }
        if (key_code_window) screen_capture(key_code_window);
        if (!((window_flags & WS_MENU) && !(window_flags & WS_VIEWER))) return 0;
    }
    if (fresh && plain == KEY_PAUSE && (window_flags & any_window & ~WS_EDITOR) &&
        !(window_flags & (WS_TAP_PENDING | WS_EDITOR))) {
        pvr_pause();
        if (!(window_flags & WS_MENU)) return 0;
    }
    if ((window_flags & WS_MENU) && !(window_flags & (WS_HELP | WS_EDITOR))) {
        routed = true;
        window_key(WINDOW_MENU, plain);
        return 0;
    }
    if (fresh && plain == tap_key && !(window_flags & WS_TAP_PENDING)) {
        window_flags |= WS_TAP_PENDING;
        return 0;
    }
    if (fresh && (window_flags & WS_TAP_PENDING)) {
        if ((settings.flags & SET_DIAGNOSTIC) && !deaf()) {
            if (plain == KEY_SUBTITLE || plain == KEY_AR) {
                settings.flags ^= plain == KEY_SUBTITLE ? SET_LOGGING : SET_DIAGNOSTIC;
                window_flags &= ~WS_TAP_PENDING;
                return 0;
            }
            if (plain == KEY_STOP && !normal_state()) {
                window_flags &= ~WS_TAP_PENDING;
                tap_terminate(3);
                return 0;
            }
        }
        if (plain == KEY_PLAY)
            plain = KEY_TAP_MARK | dword{KEY_FAV};
        else if (plain == KEY_PAUSE)
            plain = KEY_TAP_MARK | dword{KEY_VFORMAT};
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
    if (window_flags & WS_TAP_PENDING) {
        if (!fresh) return 0;
        const dword r = second_key(plain);
        // TAP, TAP: the receiver gets the TAP key, but not its repeats and release.
        press_only = r == tap_key && plain_key == tap_key;
        return r;
    }
    return pass_on(key, plain);
}

dword on_key(dword key) {
    if (!key) return 0;
    if (!run.first_key_tick) run.first_key_tick = TAP_GetTick();
    TAP_GetState(&rx_state, &rx_sub_state);
    const dword pressed = key & ~key_bits;
    usage_session_key(key);
    const bool fresh = !(key & key_bits);
    if (fresh) {
        dword now = TAP_GetTick();
        key_press_interval = now - last_fresh_tick;
        last_fresh_tick = now;
    }
    key_stats_count(key);
    if (held.key) {
        const held_key h = held;
        held = {};
        if (!fresh && pressed == h.key) {
            // While no window takes them, the repeats of a taken key stay swallowed up to its
            // release (a held TAP key must not turn into a second TAP key); a window gets every
            // other repeat.
            if (!(key & KEY_RELEASE) && (h.handed || !(window_flags & any_window))) held = h;
            return h.handed ? h.handed | (key & key_bits) : 0;
        }
    }
    routed = press_only = false;
    const dword r = key_result(key);
    if (fresh || routed) held = {pressed, fresh && !press_only ? r & ~key_bits : 0};
    return r;
}

// Idle work: the copy queue, the clock, the MP3 playlist, the line editor's multi-tap timer.
dword on_idle() {
    if (!run.first_idle_tick) run.first_idle_tick = TAP_GetTick();
    copy_step(COPY_ADVANCE);
    if (++run.idle_events % 100 == 0) {
        word mjd;
        byte hour, minute, second;
        TAP_GetTime(&mjd, &hour, &minute, &second);
        run.minute_of_day = hour * 60 + minute;
    }
    if (mp3_playlist_active() && window_ask(ACTION_MP3, mode_call(MP3_TRACK_ENDED), 0)) {
        TYPE_PlayInfo info;
        if (TAP_Hdd_GetPlayInfo(&info) && info.playMode != 0)
            window_ask(ACTION_MP3, mode_call(MP3_DROP), 0);
        window_ask(ACTION_MP3, mode_call(MP3_ADVANCE), 0);
    }
    if (line_edit_idle()) return 0;
    return 0;
}

// The idle tail, also run after the stop event: system detection while no MAC address is
// known (first minute), and the silent update check after ten minutes.
void idle_tail() {
    dword since_start = TAP_GetTick() - run.start_tick;
    const bool mac_known = window_ask(ACTION_SYSTEM, mode_call(SYSTEM_MAC_KNOWN), 1) != 0;
    if (!mac_known && run.idle_events % 1000 == 0 && since_start < 6000)
        window_ask(ACTION_SYSTEM, mode_call(SYSTEM_DETECT), 0);
    if (update_due && !(window_flags & WS_MENU) && ++idle_events_update % 1000 == 0 &&
        since_start / 6000 > 10) {
        if (static_cast<int>(window_ask(ACTION_UPDATE, mode_call(0), WINDOW_ABSENT)) >= 0)
            settings_save();
        update_due = 0;
    }
}

} // namespace

int open_direct_window(dword key) {
    window_id id;
    switch (key) {
    case KEY_INFO:
        usage_opened(USE_INFO);
        id = WINDOW_INFOS;
        break;
    case KEY_GUIDE:
        usage_opened(USE_EPG);
        id = WINDOW_EPG;
        break;
    case KEY_MENU:
        usage_opened(USE_MENU);
        id = WINDOW_MENU;
        break;
    case KEY_TELETEXT:
        id = WINDOW_TEXT;
        break;
    case KEY_FILELIST:
        usage_opened(USE_BROWSER);
        id = WINDOW_BROWSER;
        break;
    default:
        return 1;
    }
    if (!window_available(id)) {
        window_open(id, key_call(0));
        return 0;
    }
    if (id == WINDOW_TEXT) window_flags |= WS_VIEWER_TELETEXT;
    window_key(id, 0);
    if (id == WINDOW_TEXT) window_flags &= ~WS_VIEWER_OTHER_KEY;
    return 0;
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
            return TAPMSG_ANSWER_QUERY;
        case 6:
            if (window_available(WINDOW_TEXT)) {
                window_flags |= WS_VIEWER_TELETEXT;
                handler_time_start();
                window_ask(WINDOW_TEXT, file_call(nullptr, "", nullptr), 0);
                dword last, largest;
                handler_time_stop(&last, &largest);
            }
            return 1;
        default:
            return 0;
        }
    case EVT_SERVICE:
        if (param1 == 1 && mp3_playlist_active()) {
            window_ask(ACTION_MP3, mode_call(MP3_TRACK_END), 0);
            return 1;
        }
        return param1;
    default:
        return 0;
    }
}
