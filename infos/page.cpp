#include "page.h"

#include <stdio.h>

namespace {

page_item* next_item(text_page* p) {
    return p->count < PAGE_ITEMS ? &p->items[p->count++] : nullptr;
}

} // namespace

void page_clear(text_page* p, int y) {
    p->count = 0;
    p->y = y;
}

void page_at(text_page* p, int x, int y, uint32_t style, const char* format, ...) {
    page_item* item = next_item(p);
    if (!item) return;
    item->x = static_cast<int16_t>(x);
    item->y = static_cast<int16_t>(y);
    item->style = style | ST_SAME_LINE;
    va_list args;
    va_start(args, format);
    vsnprintf(item->text, sizeof item->text, format, args);
    va_end(args);
}

void page_vline(text_page* p, uint32_t style, const char* format, va_list args) {
    page_item* item = next_item(p);
    if (item) {
        item->x = 0;
        item->y = static_cast<int16_t>(p->y);
        item->style = style | ST_SAME_LINE;
        item->text[0] = ' ';
        vsnprintf(item->text + 1, sizeof item->text - 1, format, args);
    }
    if (!(style & ST_SAME_LINE)) p->y += osd_line_height();
}

void page_line(text_page* p, uint32_t style, const char* format, ...) {
    va_list args;
    va_start(args, format);
    page_vline(p, style, format, args);
    va_end(args);
}

void page_skip(text_page* p) {
    p->y += osd_line_height();
}

void page_rule(text_page* p) {
    page_item* item = next_item(p);
    if (!item) return;
    item->x = 0;
    item->y = static_cast<int16_t>(p->y - 1);
    item->style = PAGE_RULE;
    item->text[0] = 0;
}

void page_draw(osd_window* win, const text_page* p) {
    for (int i = 0; i < p->count; ++i) {
        const page_item& item = p->items[i];
        if (item.style == PAGE_RULE) {
            osd_hline(win, 0, item.y, win->width, COLOR_YELLOW);
            continue;
        }
        osd_goto(win, item.x == PAGE_ON ? win->cursor_x : item.x, item.y);
        osd_text(win, item.text, item.style);
    }
}
