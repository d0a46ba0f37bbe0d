// The header of the update server's answer: status, announced length, modification date and
// where the body starts. Pure; the answer is untrusted.
#pragma once

#include <stddef.h>

struct update_reply {
    int status;    // number behind the status line's first blank, 0 when there is none
    long length;   // "Content-Length: ", -1 when absent or unreadable
    char date[48]; // "Last-Modified: " text behind its comma (and one blank), "" when absent
    size_t body;   // offset of the body behind "\r\n\r\n" or "\n\n", 0 without a header end
};

// Reads the header from the first n bytes of block (which may hold anything, NULs included).
void update_reply_parse(const char* block, size_t n, update_reply* out);

// The offset behind the header's end ("\r\n\r\n" or "\n\n") in block, or 0.
size_t update_header_end(const char* block, size_t n);
