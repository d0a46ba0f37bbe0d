#include "load_monitor.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "common/file_io.h"
#include "common/receiver_path.h"

load_state load_monitor;

namespace {

const char* skip_blanks(const char* p) {
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

// A decimal number (wrapping beyond 64 bits); false when there is no digit.
bool number(const char** p, uint64_t* value) {
    const char* s = skip_blanks(*p);
    if (*s < '0' || *s > '9') return false;
    uint64_t v = 0;
    for (; *s >= '0' && *s <= '9'; ++s)
        v = v * 10 + static_cast<uint64_t>(*s - '0');
    *value = v;
    *p = s;
    return true;
}

bool text_line(line_source* src, char* line, size_t size) {
    if (src->at >= src->length) return false;
    const char* start = src->text + src->at;
    const size_t rest = src->length - src->at;
    const char* nl = static_cast<const char*>(memchr(start, '\n', rest));
    const size_t full = nl ? static_cast<size_t>(nl - start) : rest;
    const size_t n = full < size - 1 ? full : size - 1;
    memcpy(line, start, n);
    line[n] = 0;
    src->at += full + 1;
    return true;
}

bool file_line(line_source* src, char* line, size_t size) {
    FILE* f = static_cast<FILE*>(src->file);
    if (!fgets(line, static_cast<int>(size), f)) return false;
    size_t n = strlen(line);
    if (n && line[n - 1] == '\n') {
        line[n - 1] = 0;
        return true;
    }
    // Pass over the rest of a longer line.
    char rest[LOAD_LINE];
    while (fgets(rest, sizeof rest, f)) {
        const size_t r = strlen(rest);
        if (r && rest[r - 1] == '\n') break;
    }
    return true;
}

// The two cores' loads and the interval; 0, or -3.
int measure_cores(load_state* s, line_source* stat) {
    char line[LOAD_LINE];
    int core = 0;
    while (core < LOAD_CORES && line_next(stat, line, sizeof line)) {
        uint64_t counters[LOAD_COUNTERS];
        const int n = stat_cpu_line(line, counters);
        if (n == -1) continue; // the summary of all cores
        if (n == -2) continue;
        if (n != core) break;
        uint64_t diff[LOAD_COUNTERS], sum = 0;
        for (int i = 0; i < LOAD_COUNTERS; ++i) {
            diff[i] = counters[i] - s->cpu[core][i];
            s->cpu[core][i] = counters[i];
            sum += diff[i];
        }
        if (sum == 0) return -3;
        const double total = static_cast<double>(sum);
        s->figures.core_load[core] = 100.0 - static_cast<double>(diff[3]) * 100.0 / total;
        s->figures.interval = total / static_cast<double>(s->tick_rate);
        ++core;
    }
    return core == LOAD_CORES ? 0 : -3;
}

} // namespace

bool line_next(line_source* src, char* line, size_t size) {
    if (!src || !line || size < 2) return false;
    return src->file ? file_line(src, line, size) : text_line(src, line, size);
}

int stat_cpu_line(const char* line, uint64_t counters[LOAD_COUNTERS]) {
    if (strncmp(line, "cpu", 3) != 0) return -2;
    if (line[3] == ' ') return -1;
    if (line[3] < '0' || line[3] > '9') return -2;
    const char* p = line + 3;
    uint64_t core;
    if (!number(&p, &core) || (*p != ' ' && *p != '\t') || core > 1000) return -2;
    for (int i = 0; i < LOAD_COUNTERS; ++i)
        if (!number(&p, &counters[i])) counters[i] = 0;
    return static_cast<int>(core);
}

bool diskstats_disk_line(const char* line, char* letter, uint64_t* read, uint64_t* written) {
    const char* p = line;
    uint64_t major, minor;
    if (!number(&p, &major) || !number(&p, &minor)) return false;
    p = skip_blanks(p);
    if (p[0] != 's' || p[1] != 'd' || p[2] < 'a' || p[2] > 'z' || p[3] != ' ') return false;
    *letter = p[2];
    p += 3;
    uint64_t counters[11];
    for (int i = 0; i < 11; ++i)
        if (!number(&p, &counters[i])) return false;
    *read = counters[2];
    *written = counters[6];
    return true;
}

int load_measure_from(load_state* s, char letter, line_source* stat, line_source* diskstats) {
    if (s->tick_rate <= 0) return -1;
    if (!stat) return -2;
    if (const int r = measure_cores(s, stat)) return r;
    load_figures& f = s->figures;
    f.elapsed = letter ? f.elapsed + f.interval : 0;
    f.read_rate = f.write_rate = 0;
    if (!diskstats) return -4;
    char line[LOAD_LINE];
    while (line_next(diskstats, line, sizeof line)) {
        char disk;
        uint64_t read, written;
        if (!diskstats_disk_line(line, &disk, &read, &written)) continue;
        const int i = disk - 'a';
        if (!letter) {
            s->sectors_read[i] = read;
            s->sectors_written[i] = written;
        } else if (disk == letter && f.elapsed > 0) {
            // 512-byte sectors to 10^6 bytes per second.
            f.read_rate = static_cast<double>(read - s->sectors_read[i]) * 0.000512 / f.elapsed;
            f.write_rate =
                static_cast<double>(written - s->sectors_written[i]) * 0.000512 / f.elapsed;
        }
    }
    return 0;
}

int load_measure(char letter) {
    load_state* s = &load_monitor;
    if (s->tick_rate == 0) s->tick_rate = sysconf(_SC_CLK_TCK);
    if (s->tick_rate <= 0) return -1;
    char path[1024];
    if (path_map("/proc/stat", path, sizeof path) != 0) return -2;
    libc_file stat(path, "r");
    if (!stat) return -2;
    line_source stat_lines{stat.f, nullptr, 0, 0};
    if (path_map("/proc/diskstats", path, sizeof path) != 0) path[0] = 0;
    libc_file disks(path[0] ? path : nullptr, "r");
    line_source disk_lines{disks.f, nullptr, 0, 0};
    return load_measure_from(s, letter, &stat_lines, disks ? &disk_lines : nullptr);
}
