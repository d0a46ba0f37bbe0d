#include "textview/store.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "common/file_io.h"
#include "common/paths.h"
#include "common/settings.h"
#include "osd/ibox.h"

namespace {

const char* leaf(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

bool write_lines(const char* target, char* const* lines, int32_t count) {
    libc_file f(target, "w");
    if (!f) return false;
    bool ok = true;
    for (int32_t i = 0; i < count && ok; ++i) {
        const char* line = lines[i] ? lines[i] : "";
        const size_t n = strlen(line);
        ok = fwrite(line, 1, n, f.f) == n && fputc('\n', f.f) != EOF;
    }
    ok = ok && fflush(f.f) == 0 && fsync(fileno(f.f)) == 0;
    return f.close() == 0 && ok;
}

} // namespace

int text_store(osd_window* win, const char* path, char* const* lines, int32_t count, bool as_text) {
    char document[1024], target[1040];
    if (!path || path_libc_into(nullptr, path, document, sizeof document) != 0) return -1;
    snprintf(target, sizeof target, "%s%s", document, as_text ? ".text" : ".temp");
    if (!write_lines(target, lines, count)) {
        unlink(target);
        ibox_timed(win, MESSAGE_MS, IBOX_WARNING, leaf(path),
                   ui_text("File can't be written.", "Datei kann nicht geschrieben werden."));
        return -1;
    }
    file_touch(target);
    if (!as_text) {
        char backup[1040];
        snprintf(backup, sizeof backup, "%s.backup", document);
        rename(document, backup);
        rename(target, document);
    }
    ibox_timed(win, MESSAGE_MS, IBOX_INFO, leaf(as_text ? target : path),
               ui_text("File has been stored.", "Datei wurde gespeichert."));
    return 0;
}
