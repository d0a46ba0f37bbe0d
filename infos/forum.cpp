#include "forum.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/file_io.h"
#include "common/hosts.h"
#include "common/memory.h"
#include "common/paths.h"
#include "common/programs.h"
#include "common/errors.h"
#include "common/receiver_path.h"
#include "common/settings.h"

namespace {

enum { TEXT_CAP = 2048, PAGE_CAP = 1 << 20, RESULT_BYTES = 799 };

const char page_file[] = "/tmp/topfield.forum.wget";
const char result_file[] = "TovakRC.forum";

// A text being trimmed to what is shown; every change keeps it within its capacity.
struct text {
    char s[TEXT_CAP];
    size_t n;

    void clear() {
        n = 0;
        s[0] = 0;
    }
    void append(const char* p, size_t len) {
        if (len > TEXT_CAP - 1 - n) len = TEXT_CAP - 1 - n;
        memcpy(s + n, p, len);
        n += len;
        s[n] = 0;
    }
    void cut_at(const char* marker) {
        if (char* p = strstr(s, marker)) {
            *p = 0;
            n = static_cast<size_t>(p - s);
        }
    }
    // Every `from` becomes `to` (not longer than from).
    void replace(const char* from, const char* to) {
        const size_t f = strlen(from), t = strlen(to);
        size_t w = 0;
        for (size_t r = 0; r < n;) {
            if (r + f <= n && memcmp(s + r, from, f) == 0) {
                memcpy(s + w, to, t);
                w += t;
                r += f;
            } else {
                s[w++] = s[r++];
            }
        }
        n = w;
        s[n] = 0;
    }
    void strip_tags() {
        size_t w = 0;
        bool in_tag = false;
        for (size_t r = 0; r < n; ++r) {
            if (s[r] == '<') in_tag = true;
            if (!in_tag) s[w++] = s[r];
            if (s[r] == '>') in_tag = false;
        }
        n = w;
        s[n] = 0;
    }
    // Runs of white space become one blank; none at the ends.
    void squeeze() {
        size_t w = 0;
        bool blank = true;
        for (size_t r = 0; r < n; ++r) {
            const char c = s[r];
            const bool white = c == ' ' || c == '\t' || c == '\r' || c == '\n';
            if (white) {
                if (!blank) s[w++] = ' ';
                blank = true;
            } else {
                s[w++] = c;
                blank = false;
            }
        }
        while (w && s[w - 1] == ' ')
            --w;
        n = w;
        s[n] = 0;
    }
    void trim_end() {
        while (n && (s[n - 1] == ' ' || s[n - 1] == '\t' || s[n - 1] == '\r'))
            --n;
        s[n] = 0;
    }
};

text work;

struct line_span {
    const char* p;
    size_t n;
};

// Line number `index` (0 ...) of the page; false beyond the last.
bool page_line(const char* page, size_t length, size_t index, line_span* line) {
    size_t at = 0;
    for (size_t i = 0;; ++i) {
        if (at > length || (at == length && i > 0)) return false;
        const char* nl = static_cast<const char*>(memchr(page + at, '\n', length - at));
        const size_t end = nl ? static_cast<size_t>(nl - page) : length;
        if (i == index) {
            line->p = page + at;
            line->n = end - at;
            return true;
        }
        if (!nl) return false;
        at = end + 1;
    }
}

bool contains(const line_span& line, const char* what) {
    const size_t w = strlen(what);
    for (size_t i = 0; i + w <= line.n; ++i)
        if (memcmp(line.p + i, what, w) == 0) return true;
    return false;
}

// Index of the first line holding `what`, or -1.
long find_line(const char* page, size_t length, const char* what) {
    line_span line;
    for (size_t i = 0; page_line(page, length, i, &line); ++i)
        if (contains(line, what)) return static_cast<long>(i);
    return -1;
}

// Appends the finished text and a line break to out.
void emit(char* out, size_t size, size_t* used) {
    if (!work.n) return;
    const size_t room = *used + 1 < size ? size - 1 - *used : 0;
    size_t take = work.n < room ? work.n : room;
    memcpy(out + *used, work.s, take);
    *used += take;
    if (*used + 1 < size) out[(*used)++] = '\n';
    out[*used] = 0;
}

// Lines first .. first + count - 1 (skipping `skip_line` and those holding `leave_out`) as one
// English line.
void english_group(const char* page, size_t length, long first, int count, int skip_line,
                   const char* leave_out, char* out, size_t size, size_t* used) {
    if (first < 0) return;
    work.clear();
    line_span line;
    for (int i = 0; i < count; ++i) {
        if (i == skip_line) continue;
        if (!page_line(page, length, static_cast<size_t>(first + i), &line)) break;
        if (leave_out && contains(line, leave_out)) continue;
        work.append(line.p, line.n);
        work.append(" ", 1);
    }
    work.strip_tags();
    work.squeeze();
    work.replace(" - Members List", "");
    emit(out, size, used);
}

bool german_line(const char* page, size_t length, const char* what) {
    const long i = find_line(page, length, what);
    line_span line;
    if (i < 0 || !page_line(page, length, static_cast<size_t>(i), &line)) return false;
    work.clear();
    work.append(line.p, line.n);
    return true;
}

} // namespace

size_t forum_extract(const char* page, size_t length, bool english, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    size_t used = 0;
    if (!page) return 0;
    if (english) {
        english_group(page, length, find_line(page, length, "There are currently"), 13, 6,
                      "Most users ever online was", out, size, &used);
        english_group(page, length, find_line(page, length, "Topics:"), 2, -1, nullptr, out, size,
                      &used);
        return used;
    }
    if (german_line(page, length, "sichtbare Mitglieder")) {
        work.cut_at(" (basierend");
        work.replace(" ::", ":");
        work.replace("Insgesamt sind ", "");
        work.replace(" Mitglieder", "");
        work.replace(", 0 unsichtbare", "");
        work.strip_tags();
        work.trim_end();
        emit(out, size, &used);
    }
    if (german_line(page, length, ">Mitglieder: <")) {
        // What stands before the member list gives way to two tabs.
        if (char* p = strstr(work.s, "Mitglieder: ")) {
            const size_t skip = static_cast<size_t>(p - work.s);
            if (skip >= 2) {
                work.s[skip - 2] = '\t';
                work.s[skip - 1] = '\t';
                memmove(work.s, work.s + skip - 2, work.n - (skip - 2) + 1);
                work.n -= skip - 2;
            }
        }
        work.strip_tags();
        work.trim_end();
        emit(out, size, &used);
    }
    if (german_line(page, length, "Mitglieder insgesamt")) {
        work.cut_at(" &bull; Unser");
        work.replace(" &bull;", ",");
        work.replace(" insgesamt", "");
        work.strip_tags();
        work.trim_end();
        emit(out, size, &used);
    }
    return used;
}

const char* forum_host(void) {
    return ui_english() ? FORUM_HOST_EN : FORUM_HOST_DE;
}

int forum_fetch(void) {
    char result[1024], page[1024];
    if (path_libc_into(nullptr, result_file, result, sizeof result) != 0 ||
        path_map(page_file, page, sizeof page) != 0)
        return -2;
    remove(result);
    remove(page);
    // The text viewer's downloader, over a secure link; the window says what failed in its own
    // words, so the downloader's standard messages are withdrawn.
    const int status = wget_fetch(forum_host(), page, 1);
    if (status != 0) {
        error_clear();
        return status == -1 ? -1 : -2;
    }

    libc_file in(page, "r");
    if (!in) return -2;
    char* bytes = static_cast<char*>(mem_alloc(PAGE_CAP));
    if (!bytes) return -2;
    mem_block owner(bytes);
    const size_t length = fread(bytes, 1, PAGE_CAP, in.f);
    char figures[RESULT_BYTES + 1];
    const size_t n = forum_extract(bytes, length, ui_english(), figures, sizeof figures);
    libc_file out(result, "w");
    if (!out) return -2;
    const bool written = fwrite(figures, 1, n, out.f) == n;
    if (out.close() != 0 || !written) return -2;
    file_touch(result);
    return 0;
}

bool forum_result(char* out, size_t size) {
    char path[1024];
    if (!out || size == 0) return false;
    out[0] = 0;
    if (path_libc_into(nullptr, result_file, path, sizeof path) != 0) return false;
    libc_file in(path, "r");
    if (!in) return false;
    const size_t room = size - 1 < size_t{RESULT_BYTES} ? size - 1 : size_t{RESULT_BYTES};
    const size_t n = fread(out, 1, room, in.f);
    out[n] = 0;
    return true;
}
