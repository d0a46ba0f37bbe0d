// The file browser window (file_browser of core/windows.h is its key handler).
#pragma once

#include "osd/key_help.h"

// The two help pages of the browser (Mute; any other key flips between them).
extern const help_page browser_help_page1;
extern const help_page browser_help_page2;

// Gives back the listing, the history, the marks and HOME (termination and tests).
void browser_release(void);
