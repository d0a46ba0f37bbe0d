// The windows and actions this TAP has: registered at start-up as the entries of
// osd/window_open.h, through which the windows open each other and the dispatcher routes keys.
#pragma once

void windows_register(void);
