// Info boxes: message, confirmation and help boxes drawn over whatever is on screen. A box may
// open over another one; a third level is refused with a panic box. Drawing returns at once:
// the caller decides how long a box stays (timed, held for a minimum time, or closed by its own
// key handling).
#pragma once

#include "common/errors.h"
#include "platform/tap_api.h"
#include "window.h"

enum ibox_kind {
    IBOX_INFO = 14,
    IBOX_CONFIRM = 15,
    IBOX_OK = 16,
    IBOX_WARNING = 17,
    IBOX_ERROR = 18,
    IBOX_PANIC = 19
};

// The two box windows and the one in use (the primary box when none or one is open).
extern osd_window ibox_primary;
extern osd_window ibox_nested;
extern osd_window* ibox_current;

// Draws a box (text non-null) or closes the current box (text null). A null title takes the
// kind's title.
void ibox_show(const char* title, const char* text, int kind);
// True while a box (primary or nested) is open.
bool ibox_open(void);

// How long messages stay on screen (milliseconds).
enum : dword {
    MESSAGE_SHORT_MS = 1200, // warnings and hints
    MESSAGE_MS = 1500,       // confirmations of what was done
    MESSAGE_LONG_MS = 2000,  // errors and results worth reading
};

// A message shown for `duration` milliseconds over the window `win` (may be null), after
// which the window's pixels are put back.
void ibox_timed(osd_window* win, dword duration, int kind, const char* title, const char* text);
// With text: shows the box; duration 0 returns with the box open, otherwise it sleeps and
// closes. With null text (the second call of a pair): waits until the box has been up for
// `duration` milliseconds since the first call, then closes it.
void ibox_hold(dword duration, const char* text, int kind);

// Shows the pending error in a kind-18 box (the caller closes it) and clears it. Returns 1
// when there was one, else 0.
int error_show(void);
