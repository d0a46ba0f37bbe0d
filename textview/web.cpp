#include "textview/web.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/log.h"
#include "common/memory.h"
#include "common/names.h"
#include "common/paths.h"
#include "common/programs.h"
#include "common/receiver_path.h"
#include "common/settings.h"
#include "common/usage.h"
#include "osd/ibox.h"
#include "osd/window.h"

namespace {

constexpr char cache_prefix[] = WEB_CACHE "/";
constexpr char index_name[] = "__index__.html";
enum { PATH_BYTES = 1024 };

bool starts_with(const char* s, const char* head) {
    return strncmp(s, head, strlen(head)) == 0;
}

// True when a component of the path is "." or "..".
bool climbs(const char* path) {
    for (const char* p = path; *p;) {
        const char* end = strchr(p, '/');
        const size_t n = end ? static_cast<size_t>(end - p) : strlen(p);
        if ((n == 1 && p[0] == '.') || (n == 2 && p[0] == '.' && p[1] == '.')) return true;
        if (!end) break;
        p = end + 1;
    }
    return false;
}

// Creates the folders of a libc path (every component before its last "/").
void make_folders(char* path) {
    for (char* p = strchr(path + 1, '/'); p; p = strchr(p + 1, '/')) {
        *p = 0;
        mkdir(path, 0755);
        *p = '/';
    }
}

// Shown over the window on screen while the viewer waits.
void warn(const char* title, const char* text) {
    ibox_timed(active_window, MESSAGE_SHORT_MS, IBOX_WARNING, title, text);
}

// Downloads fetched into the cache; the cached page, a cached copy after a failure, or null.
char* fetch(const char* fetched, bool secure) {
    char place[PATH_BYTES], cache[PATH_BYTES + 16];
    if (web_cache_place(fetched, place, sizeof place) != 0) return nullptr;
    snprintf(cache, sizeof cache, "%s%s", cache_prefix, place);
    char cache_libc[PATH_BYTES * 2], temp[PATH_BYTES];
    if (path_libc_into(nullptr, cache, cache_libc, sizeof cache_libc) != 0 ||
        path_map(DISK_MOUNT "/__index__.html", temp, sizeof temp) != 0)
        return nullptr;
    const int status = wget_fetch(fetched, temp, secure);
    bool fresh = false;
    if (status == 0) {
        make_folders(cache_libc);
        fresh = rename(temp, cache_libc) == 0;
        if (fresh) usage_opened(USE_WEB);
    }
    unlink(temp);
    if (!fresh) {
        if (access(cache_libc, F_OK) != 0) return nullptr;
        if (error_pending()) {
            warn(error_pending_title(), error_pending());
            error_clear();
        }
        warn(nullptr,
             ui_text("Load error, trying cached file.", "Ladefehler, probiere Cachefile."));
    }
    return str_dup(cache);
}

} // namespace

int web_cache_place(const char* fetched, char* out, size_t size) {
    if (!fetched || !*fetched || !out || size == 0) return -1;
    const int n = snprintf(out, size, "%s", fetched);
    if (n < 0 || static_cast<size_t>(n) >= size) return -1;
    percent_decode(out);
    if (!*out || out[0] == '/' || climbs(out)) return -1;
    const char* slash = strrchr(out, '/');
    const char* last = slash ? slash + 1 : out;
    if (!slash || !strchr(last, '.')) {
        const size_t len = strlen(out);
        const bool ends_in_slash = len && out[len - 1] == '/';
        const int m = snprintf(out + len, size - len, "%s%s", ends_in_slash ? "" : "/", index_name);
        if (m < 0 || static_cast<size_t>(m) >= size - len) return -1;
    }
    return 0;
}

char* html_get(const char* url, const char* referrer) {
    if (!url) return nullptr;
    if (log_enabled()) log_printf("html_get (%s, %s)", url, referrer ? referrer : "NULL");
    if (starts_with(url, "http://")) return fetch(url + 7, false);
    if (starts_with(url, "https://")) return fetch(url + 8, true);
    if (!starts_with(url, "file://")) return nullptr;
    const char* rest = url + 7;
    if (starts_with(rest, DISK_MOUNT "/")) {
        const char* disk = rest + sizeof DISK_MOUNT - 1;
        const char* in_cache =
            starts_with(disk, cache_prefix) ? disk + sizeof cache_prefix - 1 : nullptr;
        const bool top_page =
            in_cache && !strchr(in_cache, '/') &&
            (name_ends_with(in_cache, ".htm") || name_ends_with(in_cache, ".html"));
        if (!in_cache || top_page) {
            char* path = str_dup(disk);
            if (!path) return nullptr;
            percent_decode(path);
            if (climbs(path)) {
                mem_free(path);
                return nullptr;
            }
            return path;
        }
        char fetched[PATH_BYTES];
        if (snprintf(fetched, sizeof fetched, "%s", in_cache) >= static_cast<int>(sizeof fetched))
            return nullptr;
        const size_t n = strlen(fetched), tail = sizeof index_name; // "/" + the name
        if (n >= tail && strcmp(fetched + n - tail + 1, index_name) == 0 &&
            fetched[n - tail] == '/')
            fetched[n - tail] = 0;
        return fetch(fetched, false);
    }
    if (rest[0] == '/') {
        // Site-relative: the host is the referring page's first folder in the cache.
        if (!referrer || !starts_with(referrer, cache_prefix)) return nullptr;
        const char* host = referrer + sizeof cache_prefix - 1;
        const char* host_end = strchr(host, '/');
        if (!host_end || host_end == host) return nullptr;
        char fetched[PATH_BYTES];
        if (snprintf(fetched, sizeof fetched, "%.*s%s", static_cast<int>(host_end - host), host,
                     rest) >= static_cast<int>(sizeof fetched))
            return nullptr;
        return fetch(fetched, false);
    }
    return fetch(rest, false);
}

void web_file_link(const char* path, char* out, size_t size) {
    snprintf(out, size, "file://" DISK_MOUNT "%s", path ? path : "");
}

int lookup_url(const char* words, bool encyclopedia, bool english, char* out, size_t size) {
    if (!words || !out || size == 0) return -1;
    while (*words == ' ')
        ++words;
    size_t n = strlen(words);
    while (n && words[n - 1] == ' ')
        --n;
    if (!n) return -1;
    int len = encyclopedia ? snprintf(out, size, "https://%s.%s/wiki/", english ? "en" : "de",
                                      ENCYCLOPEDIA_HOST)
                           : snprintf(out, size, "https://%s/do/search?q=", WEB_SEARCH_HOST);
    if (len < 0 || static_cast<size_t>(len) >= size) return -1;
    size_t at = static_cast<size_t>(len);
    for (size_t i = 0; i < n; ++i) {
        if (words[i] == ' ' && words[i - 1] == ' ') continue;
        if (at + 1 >= size) return -1;
        out[at++] = words[i] == ' ' ? (encyclopedia ? '_' : '+') : words[i];
    }
    out[at] = 0;
    return 0;
}
