// The windows and actions the key dispatcher hands keys to. Each window is a key handler:
// called with key 0 it opens and draws itself and sets its window-state bit; afterwards it gets
// one key per call. Windows that are not built yet keep an empty body in windows_later.cpp.
#pragma once

#include "platform/tap_api.h"

struct osd_window;

dword settings_menu(dword key);                 // TAP key + Menu
dword infos_window(dword key);                  // TAP key + Info
dword epg_window(dword key);                    // TAP key + Guide
dword file_browser(dword key);                  // TAP key + Filelist
dword text_viewer(dword key, const char* name); // TAP key + Teletext
// True while the settings menu shows key codes (Sleep then captures the menu window).
bool menu_shows_key_codes(void);
osd_window* menu_window(void);

void screen_capture(osd_window* win); // null: the whole screen
void recording_trim(bool keep_after); // |< keeps the part after the pause position
void tap_stop_action(void);           // TAP key + Stop

// MP3 playlist.
bool mp3_playlist_active(void);
void mp3_key(dword key);       // |< previous, >| next, Stop
void mp3_track_finished(void); // the firmware reported the end of the track
bool mp3_track_is_finished(void);
void mp3_drop_playlist(void);
void mp3_advance(void);

// Hand-overs of the file browser to its tools. mp3_play: kind 0 an MP3 file, 1 a playlist file
// (.m3u, .pls), 2 every MP3 file of the folder `name`. browser_tool: the special action (AR:
// run a ".sh", codecs or hex dump), the recording analyser (Slow; with the header repair for
// TAP key + Slow; name null: live TV) and the recursive listing (TAP key + Info).
enum browser_tool_kind {
    BROWSER_TOOL_SPECIAL = 0,
    BROWSER_TOOL_RECTOOL = 1,
    BROWSER_TOOL_RECTOOL_REPAIR = 2,
    BROWSER_TOOL_TREE = 3,
};
void mp3_play(const char* dir, const char* name, int kind);
void browser_tool(int kind, const char* dir, const char* name);

// Background work of the idle events.
void copy_queue_step(int request); // 1: advance one chunk
bool system_mac_known(void);       // the system detection found a MAC address
int update_check(int mode);        // 0 silent; >= 0 when the settings are to be saved
