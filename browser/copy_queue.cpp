#include "copy_queue.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "common/memory.h"
#include "common/paths.h"
#include "common/receiver_path.h"
#include "common/settings.h"
#include "common/log.h"
#include "recording.h"

uint32_t copy_files, copy_errors, copy_cancels;
uint64_t copy_bytes;

namespace {

enum { PATH_BYTES = 1024 };

copy_job* copy_queue;
bool ever_started;
// The file being copied.
char* target_path; // owned Linux path, null when no file is open
int fd_in = -1, fd_out = -1;
int chunk;
uint8_t* copy_buffer; // COPY_CHUNK_DISK bytes, allocated at the first copy and kept
time_t source_atime, source_mtime;
mode_t source_mode;
uint64_t copy_pos; // bytes of the source done
bool sparse_end;   // the target ends in a hole that is not written yet
bool probe_holes;  // the file system tells where the source's holes are

void log_line(const char* format, const char* a, const char* b) {
    if (log_enabled()) log_printf(format, a, b);
}

bool map(const char* linux_path, char* out) {
    return path_map(linux_path, out, PATH_BYTES) == 0;
}

copy_job* job_new(const char* source, const char* target_dir, uint32_t target_len) {
    copy_job* j = static_cast<copy_job*>(mem_alloc(sizeof(copy_job)));
    if (!j) return nullptr;
    memset(j, 0, sizeof *j);
    j->source = str_dup(source);
    j->target_dir = str_dup(target_dir);
    j->target_len = target_len;
    if (!j->source || !j->target_dir) {
        mem_free(j->source);
        mem_free(j->target_dir);
        mem_free(j);
        return nullptr;
    }
    return j;
}

void job_free(copy_job* j) {
    mem_free(j->source);
    mem_free(j->target_dir);
    mem_free(j);
}

void append(copy_job* j) {
    copy_job** at = &copy_queue;
    while (*at)
        at = &(*at)->next;
    *at = j;
}

// Stops the file being copied: descriptors closed, the partial target removed.
void drop_file(void) {
    if (fd_in >= 0) close(fd_in);
    if (fd_out >= 0) close(fd_out);
    fd_in = fd_out = -1;
    char path[PATH_BYTES];
    if (target_path && map(target_path, path)) unlink(path);
    mem_free(target_path);
    target_path = nullptr;
    chunk = 0;
    --copy_files;
}

// A failure of the file being copied: logged with the system's text, counted, the partial
// target removed.
void fail_file(int err) {
    log_line("COPY %s: %s", target_path, strerror(err));
    ++copy_errors;
    drop_file();
}

void finish_file(void) {
    close(fd_in);
    close(fd_out);
    fd_in = fd_out = -1;
    char path[PATH_BYTES];
    if (map(target_path, path)) {
        struct utimbuf t = {source_atime, source_mtime};
        utime(path, &t);
        chmod(path, source_mode & 07777);
    }
    mem_free(target_path);
    target_path = nullptr;
    chunk = 0;
}

// Writes all of n bytes; false with errno set when the disk refuses.
bool write_all(int fd, const uint8_t* p, size_t n) {
    while (n) {
        ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            if (w == 0) errno = ENOSPC;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

bool all_zero(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i]) return false;
    return true;
}

// Where the source's next data lies from copy_pos on, when the file system can tell (a
// hole, as recordings that were cut leave them, is skipped in one step). -1 and errno
// EINVAL where it cannot.
off_t next_data(void) {
    if (!probe_holes) return -1;
    off_t data = lseek(fd_in, static_cast<off_t>(copy_pos), SEEK_DATA);
    if (data >= 0) return data;
    if (errno == ENXIO) { // nothing but a hole up to the end
        struct stat st;
        if (fstat(fd_in, &st) != 0) return -1;
        return st.st_size > static_cast<off_t>(copy_pos) ? st.st_size
                                                         : static_cast<off_t>(copy_pos);
    }
    if (errno == EINVAL) probe_holes = false; // no hole information on this file system
    return -1;
}

// The target has holes where the source has zeros, as cp makes it; its size is set at the end.
void copy_chunk_step(void) {
    off_t data = next_data();
    if (data < 0 && probe_holes) {
        fail_file(errno);
        return;
    }
    if (data > static_cast<off_t>(copy_pos)) {
        if (lseek(fd_in, data, SEEK_SET) != data) {
            fail_file(errno);
            return;
        }
        copy_bytes += static_cast<uint64_t>(data) - copy_pos;
        copy_pos = static_cast<uint64_t>(data);
        sparse_end = true;
        return;
    }
    ssize_t got = read(fd_in, copy_buffer, static_cast<size_t>(chunk));
    if (got < 0) {
        // A read error must not leave a short copy that looks complete.
        fail_file(errno);
        return;
    }
    if (got > 0) {
        const size_t n = static_cast<size_t>(got);
        if (all_zero(copy_buffer, n)) {
            sparse_end = true;
        } else {
            if (sparse_end && lseek(fd_out, static_cast<off_t>(copy_pos), SEEK_SET) < 0) {
                fail_file(errno);
                return;
            }
            if (!write_all(fd_out, copy_buffer, n)) {
                fail_file(errno);
                return;
            }
            sparse_end = false;
        }
        copy_bytes += n;
        copy_pos += n;
    }
    if (got == chunk) return;
    // The end: zeros at the end of the source are the target's size; the last bytes must reach
    // the disk (a full disk may only say so when the file closes).
    if (sparse_end && ftruncate(fd_out, static_cast<off_t>(copy_pos)) != 0) {
        fail_file(errno);
        return;
    }
    if (fsync(fd_out) != 0 && errno != EINVAL) {
        fail_file(errno);
        return;
    }
    finish_file();
}

bool same_device_as_disk(int fd) {
    char disk[PATH_BYTES];
    struct stat a, b;
    return map(DISK_MOUNT, disk) && fstat(fd, &a) == 0 && stat(disk, &b) == 0 &&
           a.st_dev == b.st_dev;
}

void start_file(const char* source, const char* target, const struct stat& st) {
    char src[PATH_BYTES], dst[PATH_BYTES];
    if (!map(source, src) || !map(target, dst)) return;
    struct stat t;
    if (stat(dst, &t) == 0 && S_ISREG(t.st_mode) && t.st_size == st.st_size &&
        t.st_mtime == st.st_mtime)
        return; // an earlier copy is complete
    int in = open(src, O_RDONLY);
    int out = in >= 0 ? open(dst, O_WRONLY | O_CREAT | O_TRUNC, 0644) : -1;
    if (in < 0 || out < 0) {
        int err = errno;
        if (log_enabled())
            log_printf("COPY %s (fdi=%d fdo=%d): %s", target, in, out, strerror(err));
        ++copy_errors;
        if (in >= 0) close(in);
        return;
    }
    if (!copy_buffer) copy_buffer = static_cast<uint8_t*>(mem_alloc(COPY_CHUNK_DISK));
    target_path = str_dup(target);
    if (!copy_buffer || !target_path) {
        close(in);
        close(out);
        unlink(dst);
        mem_free(target_path);
        target_path = nullptr;
        ++copy_errors;
        return;
    }
    fd_in = in;
    fd_out = out;
    chunk = same_device_as_disk(out) ? COPY_CHUNK_DISK : COPY_CHUNK_EXTERNAL;
    source_atime = st.st_atime;
    source_mtime = st.st_mtime;
    source_mode = st.st_mode;
    copy_pos = 0;
    sparse_end = false;
    probe_holes = true;
    ++copy_files;
}

void expand_dir(const char* source, const char* target, uint32_t target_len) {
    char src[PATH_BYTES], dst[PATH_BYTES];
    if (!map(source, src) || !map(target, dst)) return;
    struct stat t;
    if (stat(dst, &t) != 0 || !S_ISDIR(t.st_mode)) {
        if (mkdir(dst, 0755) != 0) {
            log_line("COPY %s: %s", target, strerror(errno));
            ++copy_errors;
            return; // nothing can go into it
        }
    }
    DIR* d = opendir(src);
    if (!d) {
        log_line("COPY %s: %s", source, strerror(errno));
        ++copy_errors;
        return;
    }
    // Pushed at the front in reading order: the directory's contents come before the next item.
    copy_job* first = nullptr;
    copy_job** tail = &first;
    while (dirent* de = readdir(d)) {
        if (!strcmp(de->d_name, ".") || !strcmp(de->d_name, "..")) continue;
        char child[PATH_BYTES];
        if (snprintf(child, sizeof child, "%s/%s", source, de->d_name) >=
            static_cast<int>(sizeof child)) {
            log_line("COPY %s: %s", source, strerror(ENAMETOOLONG));
            ++copy_errors;
            continue;
        }
        copy_job* j = job_new(child, target, target_len);
        if (!j) break;
        *tail = j;
        tail = &j->next;
    }
    closedir(d);
    *tail = copy_queue;
    copy_queue = first;
}

// True when copying source into target_dir would copy it onto or into itself.
bool copies_itself(const copy_job* j, const char* target) {
    size_t n = strlen(j->source);
    if (!strncmp(j->source, j->target_dir, j->target_len) && n == j->target_len) return true;
    if (!strcmp(j->source, target)) return true;
    // A directory copied into its own subdirectory would never end.
    return !strncmp(j->target_dir, j->source, n) && j->target_dir[n] == '/';
}

void next_job(void) {
    copy_job* j = copy_queue;
    copy_queue = j->next;
    const char* slash = strrchr(j->source, '/');
    const char* leaf = slash ? slash + 1 : j->source;
    char target[PATH_BYTES];
    if (snprintf(target, sizeof target, "%s/%s", j->target_dir, leaf) >=
        static_cast<int>(sizeof target)) {
        log_line("COPY %s: %s", j->source, strerror(ENAMETOOLONG));
        ++copy_errors;
    } else if (copies_itself(j, target)) {
        log_line("COPY %s: %s", j->source, "avoiding copy to itself");
    } else {
        char src[PATH_BYTES];
        struct stat st;
        if (!map(j->source, src)) {
            log_line("COPY %s: %s", j->source, strerror(ENAMETOOLONG));
            ++copy_errors;
        } else if (stat(src, &st) != 0) {
            // A source that cannot be measured is not copied: an error, never a success.
            log_line("COPY %s: %s", j->source, strerror(errno));
            ++copy_errors;
        } else if (S_ISDIR(st.st_mode)) {
            expand_dir(j->source, target, j->target_len);
        } else if (S_ISREG(st.st_mode)) {
            start_file(j->source, target, st);
        }
    }
    job_free(j);
}

} // namespace

int copy_enqueue(const char* source, const char* target_dir) {
    if (!copy_queue) copy_cancels = 0;
    ever_started = true;
    copy_job* j = job_new(source, target_dir, static_cast<uint32_t>(strlen(target_dir)));
    if (!j) return -1;
    append(j);
    if (is_recording_name(source)) {
        static const char* const companions[] = {".inf", ".nav"};
        for (const char* suffix : companions) {
            char c[PATH_BYTES], mapped[PATH_BYTES];
            if (snprintf(c, sizeof c, "%s%s", source, suffix) >= static_cast<int>(sizeof c) ||
                !map(c, mapped) || access(mapped, F_OK) != 0)
                continue;
            if (copy_job* cj = job_new(c, target_dir, j->target_len)) append(cj);
        }
    }
    return 0;
}

int copy_step(int command) {
    switch (command) {
    case COPY_QUERY:
        return copy_queue || target_path ? 1 : 0;
    case COPY_ADVANCE:
        if (target_path)
            copy_chunk_step();
        else if (copy_queue)
            next_job();
        return 0;
    case COPY_CANCEL:
        if (copy_queue) {
            ++copy_cancels;
            while (copy_queue) {
                copy_job* j = copy_queue;
                copy_queue = j->next;
                job_free(j);
            }
        }
        if (target_path) {
            ++copy_cancels;
            drop_file();
        }
        return 0;
    default:
        return 0;
    }
}

bool copy_ever_started(void) {
    return ever_started;
}

int copy_chunk(void) {
    return target_path ? chunk : 0;
}

void copy_counters_clear(void) {
    copy_files = copy_errors = copy_cancels = 0;
    copy_bytes = 0;
}

void copy_status_text(char* out, unsigned size) {
    const bool busy = copy_step(COPY_QUERY);
    snprintf(out, size, "%s%s\n%d %s%s\n%d Files\n%lld MBytes\n\n%s",
             busy ? ui_text("Still copying ...", "Kopiert noch ...")
                  : ui_text("Copying finished.", "Kopieren beendet."),
             copy_cancels ? ui_text("\n(Cancelled by user.)", "\n(Vom Benutzer abgebrochen.)") : "",
             static_cast<int>(copy_errors), ui_text("Errors.", "Fehler."),
             copy_errors ? " (S. Logfile)" : "", static_cast<int>(copy_files),
             static_cast<long long>(copy_bytes / 1000000),
             busy ? ui_text("Cancel copying?", "Kopieren abbrechen?")
                  : ui_text("Clear counters?", "Z\xE4hler l\xF6schen?"));
}

void copy_release(void) {
    mem_free(copy_buffer);
    copy_buffer = nullptr;
}

void copy_queue_stop(void) {
    copy_step(COPY_CANCEL);
    copy_release();
}
