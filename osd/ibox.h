// Info boxes: message, confirmation and help boxes drawn over whatever is on screen.
#pragma once

#include "platform/tap_api.h"

enum ibox_kind { IBOX_INFO = 14, IBOX_CONFIRM = 15, IBOX_OK = 16, IBOX_WARNING = 17,
                 IBOX_ERROR = 18, IBOX_PANIC = 19 };

// Draws a box (text non-null) or closes the current box (text null). A null title takes the
// kind's title.
void ibox_show(const char* title, const char* text, int kind);
