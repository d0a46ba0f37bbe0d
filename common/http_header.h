// Pieces of a web server's answer that both TAPs read: where its header ends, the numbers of
// its fields and the date behind a field's comma. Pure; the answer is untrusted and may hold
// anything, NULs included.
#pragma once

#include <stddef.h>

// Position of needle in the n bytes at hay, or null.
const char* http_find(const char* hay, size_t n, const char* needle);

// The offset behind the header's end ("\r\n\r\n", else "\n\n") in the n bytes of block, or 0.
size_t http_header_end(const char* block, size_t n);

// The decimal number at p (blanks before it skipped), read up to end: -1 when there is no
// digit, -2 when a minus sign stands before it, -3 when it exceeds limit.
long long http_number(const char* p, const char* end, long long limit);

// The line of field (e.g. "Last-Modified: ") in the n header bytes: from behind the field name
// up to the line end (a CR before the LF dropped) into *text and *length. False when the field
// or its line end is missing.
bool http_field_line(const char* header, size_t n, const char* field, const char** text,
                     size_t* length);

// The date of a field's line: the text behind the line's first comma (and one blank) into out,
// cut to size - 1 characters. False when the field, the comma or the line end is missing.
bool http_field_date(const char* header, size_t n, const char* field, char* out, size_t size);
