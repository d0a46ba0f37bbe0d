// The "Tovak Infos" page of the diagnostic mode: the TAP's image layout and its marker
// objects, the event handler's timing, what some TAP API calls cost, and the allocator's
// counters.
#pragma once

#include "infos/page.h"
#include "osd/window.h"

// Microseconds one call takes: one tick divided by the calls that fit into it, counted from a
// tick change on. call: the function measured (called once per round besides TAP_GetTick).
double call_cost_us(void (*call)(void));

void diagnostics_prepare(text_page* page);
void diagnostics_page(osd_window* win, const text_page* page);
