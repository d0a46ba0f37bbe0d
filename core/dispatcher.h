// The key event dispatcher: every event of the receiver passes through here. Keys are counted,
// the TAP key and its second key are recognised, keys go to the open window, and the rest is
// translated, remapped and handed back to the receiver as the event's result.
#pragma once

#include "platform/tap_api.h"

dword dispatch_event(word event, dword param1, dword param2);

// Opens the window that belongs to a direct key (Info, Guide, Menu, Teletext, Filelist) and
// returns 0, or returns 1 for any other key.
int open_direct_window(dword key);
