// The channel actions the EPG window, the text viewer and the file browser share: the details
// document of one programme ("TovakRC.EPG" in the settings folder), starting a channel while
// the running recordings leave a tuner free, and the recording slot of a channel.
#pragma once

#include "platform/tap_api.h"

struct osd_window;

// Which programme the details document shows: a channel and the programme `offset` places
// after the one running now on it.
struct epg_request {
    int type; // 0 TV, 1 radio
    int num;  // service number; -1: none yet (the live channel is taken)
    int offset;
};
extern epg_request epg_details_request;

// Writes the details document one channel (channel_step -1, 0, +1) and one programme
// (event_step -1, 0, +1) away from the one shown last; event_step 2 takes the request as it
// stands. Returns the document's TAP path, or null when there is no such channel (the request
// then keeps its channel).
const char* epg_details_write(int channel_step, int event_step);
// Forgets the cached programme list (the platform's block is given back).
void epg_details_release(void);

// Starts channel (type, num) on the main picture. Refused while two recordings on other
// transponders hold both tuners; a failure shows "Can't start channel at the moment." over
// `over` and returns 0; success returns 1.
int epg_start_channel(int type, int num, osd_window* over);

// The recording slot that records channel (type, num), or -1.
int epg_recording_slot(int type, int num);
// Recording slots of this receiver (by its model).
int epg_slot_count(void);

// The action entry through which the text viewer asks for the document and the channel start.
struct window_call;
dword epg_details_entry(const window_call& call);
