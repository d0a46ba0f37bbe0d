#include "net/update.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include "common/http_time.h"
#include "common/log.h"
#include "common/memory.h"
#include "common/paths.h"
#include "common/persist.h"
#include "common/programs.h"
#include "common/records.h"
#include "common/settings.h"
#include "common/version.h"
#include "net/http_get.h"
#include "osd/ibox.h"
#include "osd/window.h"
#include "platform/tap_header.h"

namespace {

const char digits36[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const char tap_name[] = "tovakrc_tms.tap";
const char list_name[] = "tovakrc.update";

// The files of the interactive check besides the TAP and the list's entries, with their levels.
struct fixed_file {
    const char* name;
    int level;
};
constexpr fixed_file files_before[] = {{"tovakrc.txt", 0},
                                       {"tovakrc_en.txt", 0},
                                       {"tovak_gif.mips", 1},
                                       {"tovak_png.mips", 1},
                                       {"tovakrc.update", 1}};
constexpr fixed_file files_after[] = {
    {"lynx.mips", 1}, {"wget.mips", 1}, {"ffprobe.mips", 1}, {"pdftotext.mips", 1}};

// The update list's entries, read before any of them is fetched (the list may name itself).
struct list_entry {
    char name[UPDATE_LINE];
    int level;
};
list_entry entries[UPDATE_LIST_MAX];

// A line of the log when logging is on.
#define NOTE(...)                                                                                  \
    do {                                                                                           \
        if (log_enabled()) log_printf(__VA_ARGS__);                                                \
    } while (0)

// Appends to line_buffer behind its leading blank, cut at its end.
void report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void report(const char* format, ...) {
    const size_t used = strnlen(line_buffer, LINE_BUFFER_SIZE - 1);
    va_list args;
    va_start(args, format);
    vsnprintf(line_buffer + used, LINE_BUFFER_SIZE - used, format, args);
    va_end(args);
}

// Unix seconds as "Thu Dec 10 20:15:00 2026\n" (the calendar of the seconds as they are).
void time_text(uint32_t seconds, char* out, size_t size) {
    static const char* const days[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const long day = static_cast<long>(seconds / 86400);
    const long second = static_cast<long>(seconds % 86400);
    // Days since 1 March 0000 into year, month and day.
    const long z = day + 719468;
    const long era = z / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp < 10 ? mp + 3 : mp - 9;
    const long y = yoe + era * 400 + (m <= 2);
    snprintf(out, size, "%s %s %2ld %02ld:%02ld:%02ld %ld\n", days[day % 7], months[m - 1], d,
             second / 3600, second / 60 % 60, second % 60, y);
}

word today() {
    word mjd = 0;
    byte hour, minute, second;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    return mjd;
}

// Modification time of a file of the settings folder (Unix seconds), 0 when it is missing.
uint32_t file_time(const char* name) {
    char* path = path_libc(nullptr, name);
    struct stat st;
    const bool found = path && stat(path, &st) == 0;
    mem_free(path);
    return found && st.st_mtime > 0 ? static_cast<uint32_t>(st.st_mtime) : 0;
}

// Makes the folders of an entry's path below the settings folder; false when one of them, or
// the file itself, is a symbolic link or no folder (the entry could leave the settings folder).
bool entry_folders(const char* name) {
    char prefix[UPDATE_LINE];
    for (size_t i = 0;; ++i) {
        if (name[i] != '/' && name[i] != 0) continue;
        memcpy(prefix, name, i);
        prefix[i] = 0;
        char* path = path_libc(nullptr, prefix);
        if (!path) return false;
        struct stat st;
        bool ok;
        if (lstat(path, &st) != 0)
            ok = name[i] == 0 || mkdir(path, 0755) == 0;
        else
            ok = !S_ISLNK(st.st_mode) && (name[i] == 0 || S_ISDIR(st.st_mode));
        mem_free(path);
        if (!ok || name[i] == 0) return ok;
    }
}

// Reads the update list of the settings folder into entries: their number.
int read_list() {
    char* path = path_libc(nullptr, list_name);
    FILE* f = path ? fopen(path, "r") : nullptr;
    mem_free(path);
    if (!f) return 0;
    int n = 0;
    char line[UPDATE_LINE];
    while (fgets(line, sizeof line, f)) {
        const size_t length = strlen(line);
        if (length == sizeof line - 1 && line[length - 1] != '\n') {
            // Longer than a line may be: skipped whole.
            while (fgets(line, sizeof line, f) && !strchr(line, '\n')) {
            }
            NOTE("update_check: line too long in %s", list_name);
            continue;
        }
        int level;
        const char* name = update_list_entry(line, &level);
        if (!name) {
            if (level < 0) NOTE("update_check: %s refused", line);
            continue;
        }
        if (n == UPDATE_LIST_MAX) {
            NOTE("update_check: more than %d entries in %s", UPDATE_LIST_MAX, list_name);
            break;
        }
        snprintf(entries[n].name, sizeof entries[n].name, "%s", name);
        entries[n].level = level;
        ++n;
    }
    fclose(f);
    return n;
}

void agent_of_this_receiver(int mode, char* out, size_t size) {
    char device[64] = "";
    window_ask(ACTION_SYSTEM, with_answer(mode_call(SYSTEM_DEVICE_ID), device, sizeof device), 0);
    device[sizeof device - 1] = 0;
    update_agent_facts f;
    f.program = TOVAK_PROGRAM_NAME;
    f.device = device;
    const uint32_t counts[7] = {usage.opened[USE_BROWSER],
                                usage.opened[USE_VIEWER],
                                usage.opened[USE_IMAGE],
                                usage.opened[USE_INFO],
                                usage.opened[USE_WEB],
                                usage.starts > 0 ? static_cast<uint32_t>(usage.starts) : 0,
                                usage.key_presses > 0 ? static_cast<uint32_t>(usage.key_presses)
                                                      : 0};
    memcpy(f.counts, counts, sizeof counts);
    f.tf_model = settings.tf_model;
    f.rc_model = settings.rc_model;
    f.receiver_id = settings.receiver_id;
    f.flags = settings.flags;
    f.mode = mode;
    f.latitude = position.latitude;
    f.longitude = position.longitude;
    update_agent_text(f, out, size);
}

} // namespace

char update_bits_digit(uint32_t value) {
    int bits = 0;
    for (; value; value >>= 1)
        ++bits;
    return digits36[bits];
}

void update_location_code(float latitude, float longitude, char* out) {
    if (latitude == 0 && longitude == 0) {
        memcpy(out, "HD", 3);
        return;
    }
    const double a = (static_cast<double>(latitude) + 90) * 7.2;
    double b = static_cast<double>(longitude) * 3.6;
    if (longitude < 0) b = (static_cast<double>(longitude) + 360) * 3.6;
    // The comparisons are false for NaN too.
    if (!(a >= 0 && a < 1296 && b >= 0 && b < 1296)) {
        memcpy(out, "X", 2);
        return;
    }
    const int ia = static_cast<int>(a), ib = static_cast<int>(b);
    out[0] = digits36[ia % 36];
    out[1] = digits36[ia / 36];
    out[2] = digits36[ib % 36];
    out[3] = digits36[ib / 36];
    out[4] = 0;
}

void update_agent_text(const update_agent_facts& f, char* out, size_t size) {
    char location[5];
    update_location_code(f.latitude, f.longitude, location);
    char c[7];
    for (int i = 0; i < 7; ++i)
        c[i] = update_bits_digit(f.counts[i]);
    snprintf(out, size, "%s %s-%c%c%c%c%c%c%c-%X%X%04X%X%d-%s", f.program,
             f.device && *f.device ? f.device : "X", c[0], c[1], c[2], c[3], c[4], c[5], c[6],
             f.tf_model & 0xFu, f.rc_model & 0xFu, f.flags & 0xFFFFu, f.receiver_id & 0xFu, f.mode,
             location);
}

const char* update_list_entry(char* line, int* level) {
    *level = 0;
    if (char* comment = strchr(line, '#')) *comment = 0;
    char* p = line;
    while (*p == ' ' || *p == '\t')
        ++p;
    for (; *p == '-'; ++p)
        ++*level;
    // Blanks and control characters around the name.
    while (*p && static_cast<unsigned char>(*p) <= ' ')
        ++p;
    size_t n = strlen(p);
    while (n && static_cast<unsigned char>(p[n - 1]) <= ' ')
        p[--n] = 0;
    if (!n) return nullptr;
    // A name stays below the settings folder: relative, without "..", without control
    // characters or backslashes, without empty parts.
    bool safe = p[0] != '/' && p[n - 1] != '/';
    for (size_t i = 0; safe && i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c < ' ' || c == 0x7F || c == '\\') safe = false;
        if (c == '/' && p[i + 1] == '/') safe = false;
        const bool part_start = i == 0 || p[i - 1] == '/';
        if (part_start && c == '.' && p[i + 1] == '.' && (p[i + 2] == '/' || p[i + 2] == 0))
            safe = false;
        if (part_start && c == '.' && (p[i + 1] == '/' || p[i + 1] == 0)) safe = false;
    }
    if (!safe) {
        *level = -1;
        return nullptr;
    }
    return p;
}

int update_file(const char* name, const char* agent, int mode, int level) {
    const int32_t offset = position.utc_offset * 60;
    if (settings_folder_check() != 0 || tap_folder_change(SETTINGS_FOLDER) != 0) return -1;
    char local_name[32] = "";
    const char* local = name;
    const char* folder_label = "Settings";
    const char* name_label = "TovakRC";
    uint32_t time;
    int r = -1;
    if (strcmp(name, tap_name) == 0) {
        // The running TAP stays as it is: a new one goes into the next free numbered file.
        if (tap_folder_change("/ProgramFiles") != 0) return -1;
        for (int i = 0; i < 1000 && !local_name[0]; ++i) {
            snprintf(local_name, sizeof local_name, "%03d_%s", i, tap_name);
            if (TAP_Hdd_Exist(local_name)) local_name[0] = 0;
        }
        if (!local_name[0]) r = HTTP_NO_FILE;
        local = local_name;
        folder_label = "ProgramFiles";
        name_label = local_name;
        time = atot(TOVAK_BUILD_TIME);
    } else {
        time = file_time(name);
        if (time) time -= static_cast<uint32_t>(offset);
    }
    char path[UPDATE_LINE + 16];
    snprintf(path, sizeof path, "tovakrc/%s", name);
    uint32_t size = 0;
    if (r < 0) r = http_get(TOVAK_AUTHOR, path, local, &time, &size, agent, mode);
    time += static_cast<uint32_t>(offset);
    // The silent check reports nothing.
    if (mode != 0 && level < 3) {
        switch (r) {
        case HTTP_OK: {
            char when[32];
            time_text(time, when, sizeof when);
            report("%s: %s %s%c%s.\n %lu Bytes, %s", local, ui_text("Saved to", "Geladen nach"),
                   folder_label, '/', name_label, static_cast<unsigned long>(size), when);
            break;
        }
        case HTTP_NOT_NEWER:
            if (level == 0)
                report("%s: %s.\n", name, ui_text("No newer version", "Keine neuere Version"));
            break;
        case HTTP_NO_HOST:
        case HTTP_NO_SOCKET:
        case HTTP_NO_CONNECTION:
            report("Error connecting to %s.\n", TOVAK_AUTHOR);
            break;
        case HTTP_BAD_HEADER:
        case HTTP_BAD_LENGTH:
        case HTTP_NO_DATE:
            report("%s: Bad HTTP header (%d).\n", name, r);
            break;
        case HTTP_NO_FILE:
        case HTTP_WRITE_FAILED:
            report("%s: Write error (%d).\n", name, r);
            break;
        case HTTP_INCOMPLETE:
            report("%s: File incomplete.\n", name);
            break;
        case 404:
            report("%s: %s.\n", name,
                   ui_text("File not found on server", "Datei auf dem Server nicht gefunden"));
            break;
        default:
            report("%s: HTTP status code %d.\n", name, r);
            break;
        }
    }
    if (r != HTTP_OK && r != HTTP_NOT_NEWER) return -1;
    settings.update_day = today();
    settings.save_day = 0;
    return 0;
}

int update_check(int mode) {
    mode = mode ? 1 : 0;
    char agent[UPDATE_AGENT_SIZE];
    agent_of_this_receiver(mode, agent, sizeof agent);
    if (mode) {
        line_buffer[0] = ' ';
        line_buffer[1] = 0;
        title_tick = TAP_GetTick();
    }
    const int result = update_file(tap_name, agent, mode, 0) < 0 ? -1 : 0;
    if (result == 0 && mode) {
        for (const fixed_file& f : files_before)
            update_file(f.name, agent, mode, f.level);
        const int n = read_list();
        for (int i = 0; i < n; ++i) {
            if (!entry_folders(entries[i].name)) {
                NOTE("update_check: %s refused", entries[i].name);
                continue;
            }
            update_file(entries[i].name, agent, mode, entries[i].level);
        }
        for (const fixed_file& f : files_after)
            update_file(f.name, agent, mode, f.level);
    }
    if (mode) {
        if (!line_buffer[1])
            report("%s", ui_text("No updates necessary.", "Keine Updates notwendig."));
        // The box draws its frame through line_buffer: it shows a copy.
        static char shown[LINE_BUFFER_SIZE];
        memcpy(shown, line_buffer, sizeof shown);
        ibox_show("Update", shown, IBOX_INFO);
    }
    title_tick = 0;
    return result;
}

dword update_entry(const window_call& call) {
    return static_cast<dword>(update_check(call.mode));
}
