// The update list's lines: arbitrary bytes, line by line as the update check reads them. An
// entry must never lead out of the settings folder.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "net/update.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t at = 0;
    while (at < size) {
        char line[UPDATE_LINE];
        size_t n = 0;
        while (at < size && n < sizeof line - 1) {
            const char c = static_cast<char>(data[at++]);
            line[n++] = c;
            if (c == '\n') break;
        }
        line[n] = 0;
        int level;
        const char* name = update_list_entry(line, &level);
        if (!name) continue;
        if (level < 0 || !*name || name[0] == '/' || strcmp(name, "..") == 0 ||
            strncmp(name, "../", 3) == 0 || strstr(name, "/../") || strchr(name, '\\'))
            __builtin_trap();
        const size_t k = strlen(name);
        if (k >= 2 && strcmp(name + k - 2, "/.") == 0) __builtin_trap();
        if (k >= 3 && strcmp(name + k - 3, "/..") == 0) __builtin_trap();
        for (size_t i = 0; i < k; ++i)
            if (static_cast<unsigned char>(name[i]) < ' ') __builtin_trap();
    }
    return 0;
}
