// The EPG window: one of three lists in one full-screen window (the channels of one service
// type with the programme now or a shifted one, the programmes of one channel, the timers),
// from which the live channel is switched, instant recordings are started and stopped, and a
// programme's details open in the text viewer. Driven key by key by the dispatcher; its state
// survives closing, so the window opens where it was left.
#pragma once

#include "platform/tap_api.h"

struct help_page;
struct window_call;

// The help pages of the three lists.
extern const help_page epg_help_channels, epg_help_programmes, epg_help_timers;

// Key 0 opens the window, 1 redraws it, any other value is one key.
void epg_window(dword key);
dword epg_window_entry(const window_call& call);
// Gives back what the window holds (termination).
void epg_release(void);
