// The window-state flags: one word shared by the key dispatcher and the windows. Each window
// sets its bit while it is open and clears it when it closes; the dispatcher routes keys by it.
#pragma once

#include "platform/tap_api.h"

enum : dword {
    WS_TAP_PENDING = 0x1,      // the TAP key was pressed, the second key is awaited
    WS_DEAF = 0x2,             // another receiver ID was selected
    WS_MENU = 0x4,             // settings menu
    WS_HELP = 0x8,             // help box
    WS_INFOS = 0x10,           // Infos & Tools
    WS_BROWSER = 0x20,         // file browser
    WS_VIEWER = 0x40,          // text viewer
    WS_IMAGE = 0x80,           // image viewer (runs inside the window that opened it)
    WS_EDITOR = 0x100,         // line editor
    WS_EPG = 0x200,            // EPG
    WS_MUTED = 0x400,          // the TAP muted the sound at start-up
    WS_PASS_FILELIST = 0x1000, // file browser closing: hand Filelist on
    WS_PASS_TELETEXT = 0x2000, // text viewer closing: hand Teletext on
    WS_PASS_INFOS = 0x4000,    // Infos & Tools closing: hand its direct key on
    WS_VIEWER_OTHER_KEY = 0x10000,
    WS_VIEWER_TELETEXT = 0x20000,
    WS_EPG_CHANNEL = 0x40000,
};

extern dword window_flags;
// Ticks between the last two fresh key presses, kept by the key dispatcher (the text viewer
// tells a quick second Teletext from a slow one by it).
extern dword key_press_interval;

// The receiver's own OSD and keys: taken from the receiver (TAP_ExitNormal) when a window
// needs the screen, given back (TAP_EnterNormal) when the last one closes. Each call happens
// only when the state changes.
void screen_take(void);
void screen_give_back(void);
bool screen_taken(void);
