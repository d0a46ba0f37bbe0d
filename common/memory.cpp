#include "memory.h"

#include <string.h>

#include "platform/tap_api.h"

memory_counters mem_counters;

namespace {
mem_failure_fn failure_handler;
// The size word in front of a block, padded so that the block keeps the platform's 8-byte
// alignment (64-bit fields and doubles need it).
constexpr size_t header = 8;
} // namespace

void mem_set_failure_handler(mem_failure_fn fn) {
    failure_handler = fn;
}

void* mem_alloc(size_t n) {
    if (n > 0xFFFFFFFFu - header) {
        if (failure_handler) failure_handler();
        return nullptr;
    }
    uint8_t* block = static_cast<uint8_t*>(TAP_MemAlloc(static_cast<dword>(n + header)));
    if (!block) {
        if (failure_handler) failure_handler();
        return nullptr;
    }
    uint32_t size = static_cast<uint32_t>(n);
    memcpy(block, &size, 4);
    ++mem_counters.sized_allocs;
    mem_counters.bytes_ever += n;
    mem_counters.bytes_current += n;
    return block + header;
}

void mem_free(void* p) {
    if (!p) return;
    uint8_t* block = static_cast<uint8_t*>(p) - header;
    uint32_t size;
    memcpy(&size, block, 4);
    mem_counters.bytes_current -= size;
    TAP_MemFree(block);
    ++mem_counters.sized_frees;
}

char* str_dup(const char* s) {
    size_t n = strlen(s) + 1;
    char* copy = static_cast<char*>(mem_alloc(n));
    if (copy) memcpy(copy, s, n);
    return copy;
}

void* mem_raw_alloc(size_t n) {
    void* p = n ? TAP_MemAlloc(static_cast<dword>(n)) : nullptr;
    if (p || n == 0) ++mem_counters.raw_allocs; // a refused block is not counted as held
    return p;
}

void mem_raw_free(void* p) {
    if (!p) return;
    TAP_MemFree(p);
    ++mem_counters.raw_frees;
}
