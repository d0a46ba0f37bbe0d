// Figures of the TAP's run, kept by its start-up and its event dispatcher and shown by the
// diagnostics page.
#pragma once

#include <stdint.h>

#include "platform/tap_api.h"

struct run_stats {
    dword start_tick;                       // TAP_GetTick at entry
    uint32_t start_clock;                   // the receiver's local time then (Unix seconds)
    dword end_of_start_tick;                // TAP_GetTick when the start-up was done
    dword heap_size, heap_free, heap_avail; // TAP_MemInfo at entry
    dword first_key_tick;                   // the first key event (0: none yet)
    dword first_idle_tick;                  // the first idle event (0: none yet)
    dword idle_events;                      // idle events so far
    int minute_of_day;                      // clock minutes of the last time sample, or -1
};

extern run_stats run;
