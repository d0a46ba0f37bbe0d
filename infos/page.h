// A page of the Infos & Tools window worked out before it is drawn: the key handler gathers
// what the page shows (files, devices, the network, timings) into texts at positions, and
// drawing only puts them on the screen. Texts are cut to the item's size.
#pragma once

#include <stdarg.h>
#include <stdint.h>

#include "osd/window.h"

enum { PAGE_ITEMS = 200, PAGE_TEXT = 80 }; // the key infos show up to 96 keys of two texts

struct page_item {
    int16_t x, y;   // in the content area; a rule is a line across the window at y
    uint32_t style; // the osd_text style; PAGE_RULE for a rule
    char text[PAGE_TEXT];
};

enum : uint32_t { PAGE_RULE = 0xFFFFFFFF };
enum : int16_t { PAGE_ON = -32768 }; // x of a text that goes on where the one before ended

struct text_page {
    int count;
    int y; // where the next line goes
    page_item items[PAGE_ITEMS];
};

// Empties the page; lines start at y.
void page_clear(text_page* p, int y);
// A text at (x, y) without moving the line position.
void page_at(text_page* p, int x, int y, uint32_t style, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
// A line at x = 0 (with a blank in front, as every line of the shared buffer); the line position
// moves on by one line unless the style says ST_SAME_LINE.
void page_line(text_page* p, uint32_t style, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void page_vline(text_page* p, uint32_t style, const char* format, va_list args);
// A line advance without text.
void page_skip(text_page* p);
// A yellow rule across the window between the line above and the next one.
void page_rule(text_page* p);

// Draws the items in their order into the window (opened by the caller).
void page_draw(osd_window* win, const text_page* p);
