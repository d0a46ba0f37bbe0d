#include "textview/bookmarks.h"

#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/file_io.h"
#include "common/paths.h"
#include "common/receiver_path.h"
#include "common/settings.h"
#include "textview/web.h"

namespace {

enum { LINE_BYTES = 800 }; // 799 characters and the NUL

bool blank_or_control(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Trims blanks and control characters at both ends, in place; returns the start.
char* trim(char* s) {
    while (*s && blank_or_control(*s))
        ++s;
    size_t n = strlen(s);
    while (n && blank_or_control(s[n - 1]))
        s[--n] = 0;
    return s;
}

int list_path(char* out, size_t size) {
    return path_map(DISK_MOUNT BOOKMARK_FILE, out, size);
}

} // namespace

void bookmark_line(FILE* f, const char* path, const char* anchor, const char* title) {
    static const char cache[] = WEB_CACHE "/";
    if (!title || !*title)
        title = strncmp(path, cache, sizeof cache - 1) == 0 ? path + sizeof cache - 1 : path;
    char mark[LINE_BYTES] = "";
    if (anchor) {
        snprintf(mark, sizeof mark, "#%s", anchor);
        for (char* p = mark; *p; ++p)
            if (*p == ' ') *p = '_';
    }
    fprintf(f, "<A HREF=\"..%s%s%s\">%s</A><BR>\n", path[0] == '/' ? "" : cache, path, mark, title);
}

int bookmark_add(const char* path, const char* anchor, const char* title) {
    char list[1024];
    if (list_path(list, sizeof list) != 0) return -1;
    {
        libc_file f(list, "a");
        if (!f) return -1;
        if (path)
            bookmark_line(f.f, path, anchor, title);
        else
            fputs("<P>\n", f.f);
        if (f.close() != 0) return -1;
    }
    chmod(list, 0644);
    file_touch(list);
    return 0;
}

bool bookmark_title(FILE* f, char* out, size_t size) {
    if (!f || !out || size == 0) return false;
    out[0] = 0;
    char line[LINE_BYTES];
    while (fgets(line, sizeof line, f)) {
        char* at = strcasestr(line, "<TITLE>");
        if (!at) continue;
        char* title = trim(at + 7);
        char next[LINE_BYTES];
        if (!*title && fgets(next, sizeof next, f)) title = trim(next);
        if (char* end = strcasestr(title, "</TITLE>")) *end = 0;
        title = trim(title);
        snprintf(out, size, "%s", title);
        return *out != 0;
    }
    return false;
}

int bookmark_delete(int n) {
    char list[1024], temp[1024];
    if (n < 1 || list_path(list, sizeof list) != 0 ||
        path_map(DISK_MOUNT "/__index__.html", temp, sizeof temp) != 0)
        return -1;
    bool written;
    {
        libc_file in(list, "r");
        libc_file out(in ? temp : nullptr, "w");
        if (!in || !out) return -1;
        char line[LINE_BYTES];
        int links = 0;
        written = true;
        while (fgets(line, sizeof line, in.f)) {
            if (strcasestr(line, "HREF=") && ++links == n) continue;
            written = written && fputs(line, out.f) >= 0;
        }
        written = written && !ferror(in.f) && fflush(out.f) == 0 && fsync(fileno(out.f)) == 0;
        written = out.close() == 0 && written;
    }
    if (!written || rename(temp, list) != 0) {
        unlink(temp);
        return -1;
    }
    file_touch(list);
    return 0;
}

void bookmarks_write_default(void) {
    char path[1024];
    if (list_path(path, sizeof path) != 0) return;
    struct stat st;
    if (stat(path, &st) == 0) return;
    {
        libc_file f(path, "w");
        if (!f) return;
        bookmark_line(
            f.f, ui_english() ? SETTINGS_FOLDER "/tovakrc_en.txt" : SETTINGS_FOLDER "/tovakrc.txt",
            nullptr, nullptr);
        bookmark_line(f.f, "/ProgramFiles/Settings/EpgTool/SystemReport.log", nullptr, nullptr);
        fputs("<P>\n", f.f);
        struct news {
            const char* page;
            const char* anchor;
            const char* title;
        } static const pages[] = {
            {"www.faz.net/__index__.html", "*FAZ-Live", "F.A.Z."},
            {"www.focus.de/__index__.html", "24-Stunden-Newsticker", "Focus"},
            {"www.heise.de/__index__.html", "7-Tage-News", "Heise"},
            {"www.kicker.de/__index__.html", nullptr, "kicker"},
            {"www.nytimes.com/__index__.html", nullptr, "New York Times"},
            {"www.theguardian.com/international/__index__.html", nullptr, "The Guardian"},
            {"www.welt.de/__index__.html", nullptr, "Die Welt"},
            {"www.wienerzeitung.at/__index__.html", "*Aktuelle Berichte", "Wiener Zeitung"},
        };
        for (const news& n : pages)
            bookmark_line(f.f, n.page, n.anchor, n.title);
        fputs("<P>\n", f.f);
    }
    chmod(path, 0644);
    file_touch(path);
}
