// How the parts of the TAP start each other without knowing each other: every window and
// every action one part starts in another has an id here, and the core registers the entry of
// each one this TAP has at start-up. A window opens another one (the browser the image viewer,
// the viewer the file details, ...) through window_open; the key dispatcher routes keys to the
// open window through the same entries. An id without an entry is not available: asked for
// by the user it shows "Not available yet." for a moment; asked for by a background duty it
// gives the caller's answer for "none".
#pragma once

#include <stddef.h>

#include "platform/tap_api.h"

struct osd_window;

enum window_id {
    // Windows: key 0 opens them, later calls pass one key each.
    WINDOW_MENU,    // settings menu
    WINDOW_INFOS,   // Infos & Tools
    WINDOW_EPG,     // EPG
    WINDOW_BROWSER, // file browser
    WINDOW_TEXT,    // text viewer: name (null: the last document, "": empty)
    WINDOW_IMAGE,   // image viewer: dir and name of the picture; 1 while it is open
    WINDOW_DETAILS, // file details of dir/name: in an info box, or drawn into `over`
    // Actions.
    ACTION_MP3,         // MP3 playback (mode: mp3_request)
    ACTION_TOOL,        // the browser's external tools (mode: browser_tool_kind)
    ACTION_TRIM,        // trim the paused recording (mode 1, |<: keep the part after the pause)
    ACTION_TAP_STOP,    // TAP key + Stop
    ACTION_SYSTEM,      // system detection (mode: system_request)
    ACTION_UPDATE,      // update check (mode 0: silent); >= 0 when the settings are to be saved
    ACTION_EPG_DETAILS, // the EPG's details document (mode: epg_details_mode); see below
    ACTION_LOCATE,      // IP geolocation (mode -1, 0, 1, 2): the public IP address into answer
                        // ("" when no service answered); 0 when mode 0 asked nobody, else 1
    WINDOW_IDS
};

enum mp3_request {
    MP3_PLAY_FILE = 0,   // dir/name, an MP3 file
    MP3_PLAY_LIST = 1,   // dir/name, a playlist file (.m3u, .pls)
    MP3_PLAY_FOLDER = 2, // every MP3 file of the folder dir/name
    MP3_PREVIOUS,        // |< while the playlist plays
    MP3_NEXT,            // >|
    MP3_STOP,            // Stop
    MP3_ACTIVE,          // 1 while a playlist plays
    MP3_TRACK_END,       // the firmware reported the end of the track
    MP3_TRACK_ENDED,     // 1 when the track was reported ended
    MP3_DROP,            // forget the playlist
    MP3_ADVANCE,         // go on with the playlist
};

enum browser_tool_kind {
    BROWSER_TOOL_SPECIAL = 0,        // AR: run a ".sh", codecs or hex dump of dir/name
    BROWSER_TOOL_RECTOOL = 1,        // Slow: recording analyser (name null: live TV)
    BROWSER_TOOL_RECTOOL_REPAIR = 2, // TAP key + Slow: the same and the header repair
    BROWSER_TOOL_TREE = 3,           // TAP key + Info: recursive listing of dir
};

enum system_request {
    SYSTEM_DETECT = 0,    // model, /proc values, firmware version, network
    SYSTEM_MAC_KNOWN = 1, // 1 when the detection found a MAC address
    SYSTEM_DEVICE_ID = 2, // the device identifier into answer ("" when none is known)
};

// The EPG details document the text viewer shows in its EPG information mode: a step through
// the channels and programmes gives the document's path in call.answer (returns 1; 0: none);
// EPG_DETAILS_START starts the channel shown (returns 1 on success).
enum : int { EPG_DETAILS_START = 0x1000 };
inline int epg_details_mode(int channel_step, int event_step) {
    return (channel_step + 8) << 4 | (event_step + 8);
}

// What the caller hands over.
struct window_call {
    dword key = 0;              // windows: 0 opens, else one key
    const char* dir = nullptr;  // folder of the file concerned, or null
    const char* name = nullptr; // the file, or null
    osd_window* over = nullptr; // the caller's window (boxes are drawn over it), or null
    int mode = 0;               // the request of an action
    char* answer = nullptr;     // where a window writes a name it hands back (WINDOW_IMAGE:
    size_t answer_size = 0;     // the picture shown), or null
};

// The calls the windows and the dispatcher make.
inline window_call key_call(dword key, osd_window* over = nullptr) {
    window_call c;
    c.key = key;
    c.over = over;
    return c;
}
inline window_call file_call(const char* dir, const char* name, osd_window* over, int mode = 0) {
    window_call c;
    c.dir = dir;
    c.name = name;
    c.over = over;
    c.mode = mode;
    return c;
}
inline window_call mode_call(int mode) {
    window_call c;
    c.mode = mode;
    return c;
}
// The same with a buffer for the name the window hands back.
inline window_call with_answer(window_call c, char* answer, size_t size) {
    c.answer = answer;
    c.answer_size = size;
    return c;
}

typedef dword (*window_entry)(const window_call& call);

// Registers (or with null removes) the entry of an id.
void window_register(window_id id, window_entry entry);
bool window_available(window_id id);

// For the user: runs the entry, or shows "Not available yet." / "Noch nicht verfügbar." over
// call.over for a moment and returns WINDOW_ABSENT.
enum : dword { WINDOW_ABSENT = 0xFFFFFFFF };
dword window_open(window_id id, const window_call& call);
// For background duties and questions: runs the entry, or returns `absent`.
dword window_ask(window_id id, const window_call& call, dword absent);

// The window whose screen Sleep captures while it shows key codes (the settings menu sets it),
// or null.
extern osd_window* key_code_window;
