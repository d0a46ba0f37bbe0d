// A small HTTP/1.0 client: one GET over a TCP connection to port 80, its body written into a
// file of the receiver's disk, optionally only when the server's copy is newer than a given
// time. The receiver handles no other event while a transfer runs, so every wait is bounded.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum http_code {
    HTTP_OK = 0,            // body written (notify-only: the first answer block arrived)
    HTTP_NOT_NEWER = 1,     // the server's time is not later than the given one
    HTTP_NO_HOST = 2,       // the host name has no IPv4 address
    HTTP_NO_SOCKET = 3,     // no socket
    HTTP_NO_CONNECTION = 4, // no connection, request not sent whole, no answer, or a time-out
    HTTP_BAD_HEADER = 5,    // no header end within its bound, no status, status below 100
    HTTP_BAD_LENGTH = 6,    // "Content-Length: " without a number, negative or beyond the bound
    HTTP_NO_DATE = 7,       // no "Last-Modified: " or "Date: " line with a comma and a line end
    HTTP_NO_FILE = 8,       // the local file cannot be made
    HTTP_WRITE_FAILED = 9,  // writing or replacing the local file failed
    HTTP_INCOMPLETE = 10,   // the body's length differs from the announced one, or is too long
    // Any other code is the HTTP status of an answer other than 200.
};

// Limits of one transfer.
enum : uint32_t {
    HTTP_CONNECT_MS = 5000,      // for the connection to be made
    HTTP_RECEIVE_S = 5,          // for each block sent or received
    HTTP_HEADER_S = 30,          // for the whole header
    HTTP_TRANSFER_S = 900,       // for the whole answer
    HTTP_HEADER_MAX = 16384,     // bytes of the header (status line and fields)
    HTTP_BODY_MAX = 64u << 20,   // bytes of a body
    HTTP_BLOCK = HTTP_HEADER_MAX // bytes received at once
};

// What the header of an answer says.
struct http_header {
    int status;       // the number behind the status line's first blank
    long long length; // "Content-Length: ", -1 when absent
    uint32_t time;    // "Last-Modified: " (else "Date: ") through atot, 0 when unreadable
    size_t body;      // offset of the body behind the header's end
};

// Reads the header at the start of the n bytes of block (anything, NULs included): 0, the
// status when it is not 200, or 5, 6, 7 as http_get would return them.
int http_header_read(const char* block, size_t n, http_header* out);

// GET /path from host. The body goes into `file` of the TAP's current folder (entered through
// tap_folder_change; null: the last part of path, or "__tmp__.htm"): it is written into
// file + ".part" and put in the file's place only when it arrived complete, so a failed
// transfer leaves the earlier file as it was. time: when given and the answer's time is known,
// the body is written only when that is later, and *time becomes it. size: the body's bytes on
// success. user_agent: null sends "Homebrew"; with one, full = 0 only sends the request and
// ends at the first answer block (0) without writing. Returns an http_code or the HTTP status.
int http_get(const char* host, const char* path, const char* file, uint32_t* time, uint32_t* size,
             const char* user_agent, int full);
