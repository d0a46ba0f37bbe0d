// The counted allocator: every heap block of the TAP comes from here. Sized blocks carry their
// size in a word in front; raw blocks (and blocks the platform allocated) are only counted.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct memory_counters {
    uint64_t raw_allocs, raw_frees;
    uint64_t sized_allocs, sized_frees;
    uint64_t bytes_ever, bytes_current;
};

extern memory_counters mem_counters;

// Called when the platform refuses an allocation: the TAP saves what it can and ends.
typedef void (*mem_failure_fn)(void);
void mem_set_failure_handler(mem_failure_fn fn);

void* mem_alloc(size_t n);
void mem_free(void* p);
char* str_dup(const char* s);
void* mem_raw_alloc(size_t n); // n = 0: returns null but counts (platform-made blocks)
void mem_raw_free(void* p);

// Blocks still allocated (sized and raw); 0 when everything was given back.
inline int64_t mem_outstanding() {
    return static_cast<int64_t>(mem_counters.sized_allocs - mem_counters.sized_frees +
                                mem_counters.raw_allocs - mem_counters.raw_frees);
}

// Frees a sized block when the owner goes out of scope.
struct mem_block {
    void* p = nullptr;
    explicit mem_block(void* block) : p(block) {}
    ~mem_block() { mem_free(p); }
    mem_block(const mem_block&) = delete;
    mem_block& operator=(const mem_block&) = delete;
    void* release() {
        void* r = p;
        p = nullptr;
        return r;
    }
};
