// Buffered reading of a file of the receiver's disk through the TAP API (4096-byte buffer).
#pragma once

#include <stdint.h>

#include "platform/tap_api.h"

enum { FILE_READER_BUFFER = 4096 };

struct file_reader {
    TYPE_File* file;
    uint32_t length;   // of the file
    uint32_t consumed; // bytes read from the file so far
    uint8_t* buffer;   // FILE_READER_BUFFER bytes
    uint32_t filled;   // bytes in the buffer
    uint32_t left;     // of those, not yet taken
};

// Opens a file of the current folder; null when it cannot be opened.
file_reader* file_reader_open(const char* name);
// Copies up to count bytes; returns how many were delivered (fewer at the end of the file).
uint32_t file_reader_read(void* destination, uint32_t count, file_reader* reader);
// 0, -1 for a bad whence, -2 for a target outside the file.
int file_reader_seek(file_reader* reader, int32_t offset, int whence);
void file_reader_close(file_reader* reader);

// One byte, or -1 at the end of the file.
inline int file_reader_byte(file_reader* r) {
    if (r->left) return r->buffer[r->filled - r->left--];
    uint8_t b;
    return file_reader_read(&b, 1, r) == 1 ? b : -1;
}

// Closes the reader when the owner goes out of scope.
struct file_reader_guard {
    file_reader* reader;
    ~file_reader_guard() { file_reader_close(reader); }
};
