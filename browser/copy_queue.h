// The copy queue: the browser queues copy jobs, and the copy advances one chunk per idle event
// (64 KB on the receiver's disk, 32 KB onto external media), so the receiver never waits for
// it. Directories are expanded into further jobs, their contents before the next queued item.
// Paths are receiver-absolute Linux paths ("/mnt/hd/..."); failures are counted and logged.
#pragma once

#include <stdint.h>

// One queued job (20 bytes on the receiver).
struct copy_job {
    char* source;        // owned
    char* target_dir;    // owned
    uint32_t target_len; // length of the target folder the browser gave (self-copy check)
    uint32_t reserved;
    copy_job* next;
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(copy_job) == 20, "a copy job is 20 bytes on the receiver");
#endif

enum { COPY_CHUNK_DISK = 65536, COPY_CHUNK_EXTERNAL = 32768 };

enum copy_command { COPY_QUERY = 0, COPY_ADVANCE = 1, COPY_CANCEL = 2 };

// Counters since the last clearing.
extern uint32_t copy_files, copy_errors, copy_cancels;
extern uint64_t copy_bytes;

// Appends a job; a recording brings its ".inf" and ".nav" along. 0, or -1 when out of memory.
int copy_enqueue(const char* source, const char* target_dir);
// 0: 1 while a job is queued or a file is being copied; 1: one step; 2: cancel everything.
int copy_step(int command);
// True once anything was queued in this run.
bool copy_ever_started(void);
// Chunk size of the file being copied (0 when none).
int copy_chunk(void);
// Clears the four counters.
void copy_counters_clear(void);
// The status box's text in the current language (into out, bounded).
void copy_status_text(char* out, unsigned size);
// Gives back the copy buffer (with the queue already empty).
void copy_release(void);
// The termination's stop request: the file being copied is given up, the queue emptied and
// the buffer given back.
void copy_queue_stop(void);
