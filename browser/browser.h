// The file browser window. Its keys stand in browser_keys, which drives its key handling, its
// key panel and its two help pages.
#pragma once

#include "osd/key_help.h"
#include "osd/key_table.h"
#include "platform/tap_api.h"

extern const key_table browser_keys;
// The two help pages of the browser (Mute; any other key flips between them).
extern const help_page browser_help_page1;
extern const help_page browser_help_page2;

// The window's key handler: key 0 opens it (the current directory, or HOME); afterwards the
// dispatcher passes every key while the browser-open bit is set. Returns 0.
dword file_browser(dword key);

// Gives back the listing, the history, the marks and HOME (termination and tests).
void browser_release(void);
// The browser's part of the termination: browser_release and the recording header buffer.
void browser_stop(void);
