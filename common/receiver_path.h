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
