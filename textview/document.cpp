#include "textview/document.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/memory.h"
#include "common/receiver_path.h"
#include "platform/tap_api.h"

namespace {

// Reading stops while less than this much of the TAP's heap is left, so that no document,
// however long its lines, takes the memory the rest of the TAP needs.
constexpr dword heap_reserve = 4u << 20;
constexpr uint32_t heap_check_every = 1024; // lines

bool store(doc_reader* r, const char* text, size_t n) {
    if (r->full) return false;
    if (r->stored >= r->capacity) {
        r->full = true;
        return false;
    }
    if (r->stored % heap_check_every == heap_check_every - 1) {
        dword heap = 0, free_heap = 0, avail = 0;
        TAP_MemInfo(&heap, &free_heap, &avail);
        if (heap && avail < heap_reserve) {
            r->full = true;
            return false;
        }
    }
    char* copy = static_cast<char*>(mem_alloc(n + 1));
    if (!copy) {
        r->full = true;
        return false;
    }
    memcpy(copy, text, n);
    copy[n] = 0;
    r->lines[r->stored++] = copy;
    return true;
}

// True when s[0 ... n - 1] is measured and wider than a line.
bool too_wide(doc_reader* r, char* s, size_t n) {
    if (n < DOC_MEASURE_FROM || !r->measure) return false;
    const char keep = s[n];
    s[n] = 0;
    const int w = r->measure(s);
    s[n] = keep;
    return w > DOC_WRAP_WIDTH;
}

size_t trimmed(const char* s, size_t start, size_t end) {
    while (end > start && s[end - 1] == ' ')
        --end;
    return end;
}

// A text line: cut at blanks until every piece fits.
void wrap(doc_reader* r, char* s, size_t n) {
    size_t start = 0;
    for (;;) {
        if (!too_wide(r, s + start, n - start)) {
            store(r, s + start, trimmed(s, start, n) - start);
            return;
        }
        const size_t limit = n < start + DOC_WRAP_LOOK ? n : start + DOC_WRAP_LOOK;
        size_t blank = limit, end = 0;
        bool cut = false;
        for (;;) {
            size_t j = blank;
            while (j > start + 1 && s[j - 1] != ' ')
                --j;
            if (j <= start + 1) break; // no blank left
            blank = j - 1;
            end = trimmed(s, start, blank);
            if (end > start && !too_wide(r, s + start, end - start)) {
                cut = true;
                break;
            }
        }
        if (!cut) {
            store(r, s + start, trimmed(s, start, n) - start);
            return;
        }
        if (!store(r, s + start, end - start)) return;
        ++r->split_count;
        start = blank;
        while (start < n && s[start] == ' ')
            ++start;
        if (start == n) return;
    }
}

void reference(doc_reader* r, const char* line) {
    const char* p = line;
    while (*p == ' ')
        ++p;
    if (*p < '0' || *p > '9') return;
    long n = 0;
    for (; *p >= '0' && *p <= '9' && n < 1000000000; ++p)
        n = n * 10 + (*p - '0');
    if (n != r->link_count + 1) return;
    const char* dot = strchr(line, '.');
    const char* blank = dot ? strchr(dot, ' ') : nullptr;
    if (!blank) return;
    char target[DOC_LINE_BYTES];
    snprintf(target, sizeof target, "%s", blank + 1);
    output_unmap(target);
    if (store(r, target, trimmed(target, 0, strlen(target))))
        r->link_count = static_cast<int32_t>(n);
}

// The line read so far is finished; false when it could not be stored.
bool line_done(doc_reader* r) {
    r->line[r->length] = 0;
    const size_t n = static_cast<size_t>(r->length);
    r->length = 0;
    if (r->web && !r->references && strcmp(r->line, "References") == 0) {
        r->references = r->saw_references = true;
        return true;
    }
    if (r->references)
        reference(r, r->line);
    else
        wrap(r, r->line, n);
    return !r->full;
}

// A character after the filter.
void put(doc_reader* r, int c) {
    if (r->full) return;
    if (c == '\t') c = ' ';
    if (c == '\n') {
        line_done(r);
        return;
    }
    if (c < 0x20) return;
    if (c == ' ' && r->length > DOC_BLANK_BREAK) {
        if (line_done(r)) ++r->split_count;
        return;
    }
    r->line[r->length++] = static_cast<char>(c);
    if (r->length == DOC_LINE_BYTES - 1 && line_done(r)) ++r->split_count;
}

void put_text(doc_reader* r, const char* text) {
    for (; *text; ++text)
        put(r, static_cast<unsigned char>(*text));
}

void flush_pending(doc_reader* r) {
    for (int i = 0; i < r->pending_count; ++i)
        put(r, r->pending[i]);
    r->pending_count = 0;
}

// Typographic characters in plain form; the apostrophe U+2019 goes with the single quotes.
struct replacement {
    uint32_t first, last;
    const char* text;
};
constexpr replacement replacements[] = {
    {0x2013, 0x2015, "-"}, {0x2016, 0x2019, "'"},   {0x201C, 0x201E, "\""},
    {0x2020, 0x2020, "+"}, {0x2026, 0x2026, "..."}, {0x2030, 0x2030, "o/oo"},
    {0x2039, 0x2039, "<"}, {0x203A, 0x203A, ">"},   {0x20AC, 0x20AC, "EUR"},
    {0x2715, 0x2715, "x"},
};

} // namespace

void doc_replacement(uint32_t cp, char* out, size_t size) {
    for (const replacement& e : replacements)
        if (cp >= e.first && cp <= e.last) {
            snprintf(out, size, "%s", e.text);
            return;
        }
    snprintf(out, size, "(U+%x)", static_cast<unsigned>(cp));
}

void doc_begin(doc_reader* r, char** lines, uint32_t capacity, bool web, doc_measure_fn measure) {
    r->lines = lines;
    r->capacity = lines ? capacity : 0;
    r->web = web;
    r->measure = measure;
    r->stored = 0;
    r->link_count = 0;
    r->split_count = 0;
    r->full = false;
    r->references = r->saw_references = false;
    r->pending_count = 0;
    r->length = 0;
}

bool doc_byte(doc_reader* r, int byte) {
    if (r->full || byte <= 0) return false;
    if (r->pending_count) {
        if (byte >= 0x80 && byte <= 0xBF) {
            r->pending[r->pending_count++] = static_cast<uint8_t>(byte);
            if (r->pending_count == 3) {
                const uint32_t cp = (r->pending[0] & 0x0Fu) << 12 | (r->pending[1] & 0x3Fu) << 6 |
                                    (r->pending[2] & 0x3Fu);
                r->pending_count = 0;
                char text[16];
                doc_replacement(cp, text, sizeof text);
                put_text(r, text);
            }
            return !r->full;
        }
        flush_pending(r);
    }
    if (byte >= 0xE0 && byte <= 0xEF) {
        r->pending[0] = static_cast<uint8_t>(byte);
        r->pending_count = 1;
        return !r->full;
    }
    put(r, byte);
    return !r->full;
}

bool doc_bytes(doc_reader* r, const uint8_t* data, size_t n) {
    size_t i = 0;
    while (i < n) {
        if (r->full) return false;
        // A run of characters that pass the filter unchanged and cannot end the line: no
        // control character, no lead byte of a three-byte sequence, and the line stays within
        // the length where a blank would end it.
        if (!r->pending_count && r->length < DOC_BLANK_BREAK) {
            size_t end = i + static_cast<size_t>(DOC_BLANK_BREAK - r->length);
            if (end > n) end = n;
            size_t j = i;
            while (j < end && data[j] >= 0x20 && (data[j] < 0xE0 || data[j] > 0xEF))
                ++j;
            memcpy(r->line + r->length, data + i, j - i);
            r->length += static_cast<int>(j - i);
            i = j;
            if (i == n) break;
        }
        if (!doc_byte(r, data[i++])) return false;
    }
    return !r->full;
}

bool doc_text(doc_reader* r, const char* text) {
    return doc_bytes(r, reinterpret_cast<const uint8_t*>(text), strlen(text));
}

void doc_line_end(doc_reader* r) {
    flush_pending(r);
    if (!r->full) line_done(r);
}

int32_t doc_end(doc_reader* r) {
    flush_pending(r);
    if (r->length > 0 && !r->full) line_done(r);
    r->length = 0;
    if (r->web && !r->saw_references) r->link_count = -1;
    const int32_t links = r->link_count > 0 ? r->link_count : 0;
    return static_cast<int32_t>(r->stored) - links;
}

void doc_free(char** lines, uint32_t count) {
    if (!lines) return;
    for (uint32_t i = 0; i < count; ++i) {
        mem_free(lines[i]);
        lines[i] = nullptr;
    }
}

int32_t doc_anchor_line(char* const* lines, int32_t count, const char* anchor) {
    if (!anchor || !*anchor) return -1;
    bool digits = true;
    for (const char* p = anchor; *p; ++p)
        digits = digits && *p >= '0' && *p <= '9';
    if (digits) {
        const long n = strtol(anchor, nullptr, 10);
        return n >= 1 && n <= 0x7FFFFFFF ? static_cast<int32_t>(n - 1) : -1;
    }
    char want[DOC_LINE_BYTES];
    snprintf(want, sizeof want, "%s", anchor);
    for (char* p = want; *p; ++p)
        if (*p == '_') *p = ' ';
    size_t n = strlen(want);
    const bool ends = want[0] == '*';
    const bool begins = !ends && n > 0 && want[n - 1] == '*';
    const char* text = ends ? want + 1 : want;
    if (begins) want[--n] = 0;
    const size_t tn = strlen(text);
    for (int32_t i = 0; i < count; ++i) {
        const char* line = lines[i];
        if (!line) continue;
        while (*line == ' ')
            ++line;
        const size_t ln = strlen(line);
        bool match;
        if (ends)
            match = ln >= tn && memcmp(line + ln - tn, text, tn) == 0;
        else if (begins)
            match = strncmp(line, text, tn) == 0;
        else
            match = strcmp(line, text) == 0;
        if (match) return i;
    }
    return -1;
}

int32_t doc_page_start(char* const* lines, int32_t count) {
    int run = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (lines[i] && !strchr(lines[i], '[')) {
            if (++run == 3) return i + 1 - 5 > 0 ? i + 1 - 5 : 0;
        } else {
            run = 0;
        }
    }
    return 0;
}

const char* doc_next_link(const char* from, int32_t link_count, int32_t* number, size_t* length) {
    if (link_count <= 0 || !from) return nullptr;
    for (const char* p = strchr(from, '['); p; p = strchr(p + 1, '[')) {
        const char* q = p + 1;
        long n = 0;
        while (*q >= '0' && *q <= '9' && n <= link_count)
            n = n * 10 + (*q++ - '0');
        if (q == p + 1 || *q != ']' || n < 1 || n > link_count) continue;
        *number = static_cast<int32_t>(n);
        *length = static_cast<size_t>(q + 1 - p);
        return p;
    }
    return nullptr;
}
