// The load monitor: the load of the receiver's two CPU cores and the read and write rates of a
// disk between two calls, from the counters of /proc/stat and /proc/diskstats.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum { LOAD_CORES = 2, LOAD_COUNTERS = 8, LOAD_DISKS = 26, LOAD_LINE = 100 };

struct load_figures {
    double core_load[LOAD_CORES]; // percent
    double interval;              // seconds of the last measuring interval
    double read_rate, write_rate; // MB/s since the starting point
    double elapsed;               // seconds since the starting point
};

struct load_state {
    long tick_rate; // clock ticks per second; 0 until read
    uint64_t cpu[LOAD_CORES][LOAD_COUNTERS];
    uint64_t sectors_read[LOAD_DISKS], sectors_written[LOAD_DISKS]; // at the starting point
    load_figures figures;
};

// Lines of a file or of a text, as far as the monitor reads them: at most size - 1 bytes of a
// line; the rest of a longer line is passed over.
struct line_source {
    void* file; // a FILE*, or null for the text
    const char* text;
    size_t length, at;
};
bool line_next(line_source* src, char* line, size_t size);

// "cpuN" and its eight counters (user, nice, system, idle, I/O wait, IRQ, soft IRQ, steal;
// missing ones count 0). Returns N, -1 for the summary line "cpu ", -2 for any other line.
int stat_cpu_line(const char* line, uint64_t counters[LOAD_COUNTERS]);
// A whole disk "sdX" (X a letter followed by a blank) of /proc/diskstats with its sectors read
// (third counter) and written (seventh). False for other lines (partitions, other devices).
bool diskstats_disk_line(const char* line, char* letter, uint64_t* read, uint64_t* written);

// One measurement (letter 'a'...'z', or 0 to set the starting point) over the two files' lines
// (diskstats null: it cannot be opened). 0 success, -1 tick rate not positive, -2 no stat,
// -3 not exactly two cores measured (or an interval of no ticks), -4 no diskstats.
int load_measure_from(load_state* s, char letter, line_source* stat, line_source* diskstats);

// The TAP's monitor: the files of /proc and the tick rate of the system.
extern load_state load_monitor;
int load_measure(char letter);
