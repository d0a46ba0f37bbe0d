#include "script_run.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "memory.h"
#include "paths.h"
#include "receiver_path.h"

namespace {

const char output_suffix[] = " (Output)";

// Appends text to the NUL-terminated out of size bytes, cutting it when it does not fit.
void append(char* out, size_t size, const char* text) {
    size_t len = strlen(out);
    if (len + 1 < size) snprintf(out + len, size - len, "%s", text);
}

} // namespace

char* script_run(const char* dir, const char* name, const char* args) {
    char* script = path_libc(dir, name);
    if (!script) return nullptr;
    mem_block script_owner(script);
    struct stat st;
    if (stat(script, &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    chmod(script, 0755);

    char* script_tap = path_tap(dir, name);
    if (!script_tap) return nullptr;
    mem_block script_tap_owner(script_tap);
    size_t tap_len = strlen(script_tap);
    char* output_tap = static_cast<char*>(mem_alloc(tap_len + sizeof output_suffix));
    if (!output_tap) return nullptr;
    memcpy(output_tap, script_tap, tap_len);
    memcpy(output_tap + tap_len, output_suffix, sizeof output_suffix);
    char* output = path_libc(nullptr, output_tap);
    if (!output) {
        mem_free(output_tap);
        return nullptr;
    }
    mem_block output_owner(output);

    // Every quote may grow to four characters.
    size_t size = 4 * (strlen(script) + strlen(output)) + (args ? strlen(args) : 0) + 32;
    char* command = static_cast<char*>(mem_alloc(size));
    if (!command) {
        mem_free(output_tap);
        return nullptr;
    }
    mem_block command_owner(command);
    command[0] = 0;
    shell_quote_append(command, size, script);
    append(command, size, " > ");
    shell_quote_append(command, size, output);
    append(command, size, " 2>&1");
    if (args && *args) {
        append(command, size, " ");
        append(command, size, args);
    }
    system(command);
    return output_tap;
}
