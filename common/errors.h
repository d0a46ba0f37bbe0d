// Standard error messages posted by code that runs helper programs or network requests, and
// shown later by the window that is active (error_show of osd/ibox.h).
#pragma once

enum error_code {
    ERR_BACKEND_MISSING = 0,
    ERR_AUX_FAILED = 1,
    ERR_SERVER_UNREACHABLE = 2,
    ERR_SEE_TMP = 3,
    ERR_CRYPTED = 4,
};
// Stores the message of `code` in the UI language as the pending error with a copy of `title`
// ("Error"/"Fehler" when null) and logs "title: message". Does not draw.
void error_post(int code, const char* title);
// The pending error's message, or null, and its title ("" when none).
const char* error_pending(void);
const char* error_pending_title(void);
// Forgets the pending error (after its owner showed it in its own window).
void error_clear(void);
