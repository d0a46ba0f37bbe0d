// Receiver-absolute paths ("/mnt/hd/...", "/mnt/sdb1/...", "/proc/...", "/dev/sdX") as libc
// and the shell see them. On a receiver the mapping is the identity; the emulator exports the
// folder that stands for the receiver's root ("tapsim_root") and every path lies below it.
#pragma once

#include <stddef.h>

// Writes the libc path of a receiver-absolute path into out (always NUL-terminated).
// Returns 0, or -1 when the result does not fit (out then holds an empty string).
int path_map(const char* receiver_path, char* out, size_t out_size);

// The receiver path of a libc path produced by path_map (the root prefix removed); a path
// outside the root is returned unchanged.
const char* path_unmap(const char* libc_path);

// Shell command lines: appends arg to out as one single-quoted shell word, so that no
// blank, quote, "$", "`", ";" or newline in it can start anything. Returns 0, or -1 when
// it does not fit (out is then left as it was).
int shell_quote_append(char* out, size_t out_size, const char* arg);

// A shell command line built in a caller's buffer: fixed parts of the command as they stand,
// and every file name, path, URL or other value as one quoted word. A line that did not fit is
// marked and must not be run.
struct shell_line {
    char* text;
    size_t size;
    bool overflow;
    shell_line(char* buffer, size_t buffer_size)
        : text(buffer), size(buffer_size), overflow(false) {
        if (size) text[0] = 0;
    }
    shell_line& raw(const char* part);   // fixed text of the command
    shell_line& word(const char* value); // one literal argument
    bool ok() const { return size && !overflow; }
};

// A line printed by a helper program with the emulator's root folder in front of a receiver
// path ("file://" + root + "/mnt/hd/...") gets the receiver's path back, in place: every
// occurrence of the root prefix followed by "/" is removed. On a receiver nothing changes.
void output_unmap(char* line);
