#include "recording_search.h"

#include <stdio.h>
#include <string.h>

#include "charset.h"
#include "file_io.h"
#include "paths.h"

namespace {

enum {
    LIST_LINE = 800,  // bytes of a line read from the list (a longer one is read in pieces)
    TERM_BYTES = 300, // a search text beyond this is cut
    TERM_MIN_CHARS = 11,
    LIST_PATH = 1024,
};

// A search text in Latin-1 and whether it is long enough to be used.
bool term(const char* text, char (&out)[TERM_BYTES]) {
    snprintf(out, sizeof out, "%s", text ? text : "");
    utf8_to_latin1(out);
    return strlen(out) >= TERM_MIN_CHARS;
}

} // namespace

int recording_search(const char* name, const char* short_text, recording_match_fn found,
                     void* context) {
    char by_name[TERM_BYTES], by_short[TERM_BYTES];
    const bool use_name = term(name, by_name), use_short = term(short_text, by_short);
    char list[LIST_PATH];
    if (!(use_name || use_short) || !found ||
        path_libc_into(SETTINGS_FOLDER, FILE_LIST_NAME, list, sizeof list) != 0)
        return 0;
    libc_file f(list, "r");
    if (!f) return 0;
    char line[LIST_LINE], folder[LIST_LINE] = "";
    int matches = 0;
    while (fgets(line, sizeof line, f.f)) {
        line[strcspn(line, "\r\n")] = 0;
        const size_t n = strlen(line);
        if (line[0] == '/' && line[n - 1] == ':') {
            memcpy(folder, line, n + 1);
            continue;
        }
        if ((use_name && strstr(line, by_name)) || (use_short && strstr(line, by_short))) {
            ++matches;
            if (!found(context, folder, line)) break;
        }
    }
    return matches;
}
