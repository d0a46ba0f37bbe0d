// Key help: the renderer of texts that name remote-control keys ("Ok: Select" draws the Ok
// button followed by ": Select") and the help box that shows a bilingual help page in an info
// box, with language, font size and (on the two file-browser pages) the page switchable.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/tap_api.h"
#include "window.h"

struct key_table;

// A help page: titles and texts in both languages, in the help mark-up ('\n' ends a line, '\r'
// at a line's start draws a separator, "TAP key + " / "TAP-Taste + " prefixes, "Key: action").
// The texts are given, or (with `keys`) the help lines of page `page` of a window's key table.
// `other` is the page that any other key flips to (the two file-browser pages), or null.
struct help_page {
    const char* title_en;
    const char* title_de;
    const char* text_en;
    const char* text_de;
    const help_page* other;
    const key_table* keys;
    int page;
};

// The text of a page in the language shown (a table's page is written into out).
const char* help_page_text(const help_page* page, char* out, size_t size);

// "Keys to enter TovakRC functions": the keys after the TAP key.
extern const help_page help_general;

// Draws a marked-up text at the window's cursor, one line per text line; key labels at a
// line's start become their button icons. The text is changed (every '\n' becomes a NUL).
void osd_key_text(osd_window* win, char* text, uint32_t style);
// Width of one line of marked-up text as osd_key_text draws it (icons in place of labels).
int osd_key_line_width(const char* line, size_t len);

// The help box's key handler. Key 0 opens `page` over `win` (win may be null: no window under
// the help); afterwards the dispatcher passes every key while the help bit is set. Returns 0.
dword help_box(dword key, osd_window* win, const help_page* page);
