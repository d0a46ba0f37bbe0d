// Latin-1, the receiver's character set, and UTF-8, which broadcasts and the web also use.
#pragma once

#include <stddef.h>

// Latin-1 -> UTF-8: each byte >= 0x80 becomes two bytes; stops so that the output with its NUL
// fits size. Returns the length written.
size_t latin1_to_utf8(const char* text, char* out, size_t size);
// UTF-8 -> Latin-1 in place: the two-byte sequences of U+0080..U+00FF become single bytes.
void utf8_to_latin1(char* text);
