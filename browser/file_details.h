// File details: a short bilingual description of one file (folder and name, a link's target,
// date, time and size, and what the file's type tells: picture size, TAP header, line count).
#pragma once

#include <stdint.h>

#include "platform/tap_api.h"

struct osd_window;

// Builds the description of name in the folder dir into line_buffer (from its second byte) and
// shows it: with win null in an info box of kind 14 titled "Info" (the caller closes it), else
// drawn into win at its cursor. Changes the TAP into dir.
void file_details(const char* dir, const char* name, osd_window* win);
// The details as the other windows open them (WINDOW_DETAILS of osd/window_open.h): in an
// info box over the caller's window (the caller closes it).
struct window_call;
dword file_details_entry(const window_call& call);
// Only builds the text (with_window: the form drawn into a window) and returns it.
const char* file_details_text(const char* dir, const char* name, bool with_window);

// Line feeds of a file of the current folder, or -1 when it is binary (a NUL byte or four
// 0xFF bytes in a row among its first 1000 bytes) or cannot be read.
int32_t text_line_count(const char* name);
