// Counting the TAP's own use: starts, usage days (a day begins at 05:00), run time per
// session, key presses per key, openings of the tools; the time each window call takes; and
// whether an update check is due.
#pragma once

#include <stdint.h>

#include "common/records.h"
#include "platform/tap_api.h"

// Run-time values of the session.
extern dword session_start_tick; // 0 until the first key of a session
extern word usage_day;           // today as the usage counts it

// Today's date where the day begins at 05:00 (before 05:00 the previous date counts).
word usage_day_of(word mjd, byte hour);
word usage_day_now(void);

// Start-up: loads "TovakRC.dat" and counts the start (a new usage day rolls the day over);
// loads "TovakRC.key" and starts its statistics today when they have no start day.
void usage_start(word today);
// The day roll-over of the usage record (the stored current day differs from today).
void usage_roll_over(usage_record* r, word today);

// The first key of a session (any key but 0x1001F): its time, the first key of the day when
// there is none yet, and the session timer. Nothing while a session is open.
void usage_session_key(dword key);
// Key statistics: a press of a key 0x10000 ... 0x1005F counts once however long it is held;
// a release counts one key press in the usage record and ends the hold.
void key_stats_count(dword key);
// One more opening of a tool.
void usage_opened(usage_counter counter);

// Exit: the session's run time and the exit time go into "TovakRC.dat" when a session is
// open and the settings folder can be entered. 0 saved, 1 no session, negative on failure.
int usage_save(void);
// Writes "TovakRC.key". 0 or negative.
int key_stats_save(void);

// Handler time: start before a window call, stop after it; stop gives the call's duration and
// the largest one of this run (ticks).
void handler_time_start(void);
void handler_time_stop(dword* last, dword* largest);

// 1 when more than 60 days passed since the last update check, plus 1 when the settings were
// saved and that is more than 6 days ago (days beginning at 00:00).
int update_due_of(word today, word last_check_day, word save_day);
