// The text viewer: text files, web pages and HTML files (converted by the lynx helper), PDF
// files (pdftotext helper) and recording descriptions on a full-screen window, with a history
// of 30 documents, numbered links, search, lookups, bookmarks, a HOME document and an editor
// mode. Its keys stand in two tables (view mode and editor mode) that drive its key handling
// and its help pages.
#pragma once

#include <stdint.h>

#include "platform/tap_api.h"

// The only entry. Key 0 opens the window (counted) and shows path: null the current
// document (or HOME), "" the description of this TAP; key 2 opens it without counting and
// loading; key 1 redraws; any other value is a key (repeats and releases are ignored).
// Returns 0.
dword text_read(dword key, const char* path);

// The viewer as the other windows and the dispatcher open it (WINDOW_TEXT): call.key and
// call.name.
struct window_call;
dword text_viewer_entry(const window_call& call);

struct key_table;
struct help_page;
extern const key_table text_view_keys;
extern const key_table text_editor_keys;
extern const help_page help_text_viewer;
extern const help_page help_text_editor;

// Gives back the history and the lines (termination and tests); the window must be closed.
void text_release(void);

// What the viewer shows, for tests: the current document's path (or null), its top line and
// selected link, and the line counters.
struct text_view_facts {
    const char* path;
    int32_t top_line, selected_link;
    int32_t line_count, link_count, split_count, edit_state, edit_cursor;
    int state;
};
text_view_facts text_view_facts_now(void);
