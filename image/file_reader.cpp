#include "file_reader.h"

#include <string.h>

#include "common/memory.h"

file_reader* file_reader_open(const char* name) {
    TYPE_File* f = TAP_Hdd_Fopen(name);
    if (!f) return nullptr;
    file_reader* r = static_cast<file_reader*>(mem_alloc(sizeof(file_reader)));
    uint8_t* buffer = static_cast<uint8_t*>(mem_alloc(FILE_READER_BUFFER));
    if (!r || !buffer) {
        mem_free(r);
        mem_free(buffer);
        TAP_Hdd_Fclose(f);
        return nullptr;
    }
    *r = file_reader{f, TAP_Hdd_Flen(f), 0, buffer, 0, 0};
    return r;
}

uint32_t file_reader_read(void* destination, uint32_t count, file_reader* r) {
    uint8_t* out = static_cast<uint8_t*>(destination);
    uint32_t delivered = 0;
    while (delivered < count) {
        if (!r->left) {
            uint32_t want = r->length - r->consumed;
            if (want > FILE_READER_BUFFER) want = FILE_READER_BUFFER;
            if (!want) break;
            uint32_t got = TAP_Hdd_Fread(r->buffer, 1, want, r->file);
            if (!got) break;
            r->consumed += got;
            r->filled = r->left = got;
        }
        uint32_t n = count - delivered < r->left ? count - delivered : r->left;
        memcpy(out + delivered, r->buffer + (r->filled - r->left), n);
        r->left -= n;
        delivered += n;
    }
    return delivered;
}

int file_reader_seek(file_reader* r, int32_t offset, int whence) {
    int64_t position = r->consumed - r->left; // what the reader has handed out
    int64_t target;
    switch (whence) {
    case 0:
        target = offset;
        break;
    case 1:
        target = position + offset;
        break;
    case 2:
        target = static_cast<int64_t>(r->length) + offset;
        break;
    default:
        return -1;
    }
    if (target < 0 || target > r->length) return -2;
    TAP_Hdd_Fseek(r->file, static_cast<long>(target), 0);
    r->consumed = static_cast<uint32_t>(target);
    r->filled = r->left = 0;
    return 0;
}

void file_reader_close(file_reader* r) {
    if (!r) return;
    TAP_Hdd_Fclose(r->file);
    mem_free(r->buffer);
    mem_free(r);
}
