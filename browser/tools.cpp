#include "browser/tools.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "browser/listing.h"
#include "browser/recording.h"
#include "common/file_io.h"
#include "common/format.h"
#include "common/log.h"
#include "common/memory.h"
#include "common/names.h"
#include "common/paths.h"
#include "common/programs.h"
#include "common/receiver_path.h"
#include "common/records.h"
#include "common/recording_search.h"
#include "common/script_run.h"
#include "common/errors.h"
#include "common/settings.h"
#include "common/usage.h"
#include "osd/ibox.h"
#include "osd/window.h"
#include "osd/window_open.h"

walk_totals walk;

namespace {

enum { PATH_BYTES = 1024, MAX_DEPTH = 32, LINE_BYTES = 800 };
constexpr char list_name[] = FILE_LIST_NAME;
constexpr char live_tv[] = "/DataFiles/__temprec__.ts";
constexpr char rectool_zone[] = "CET-1CEST,M3.5.0/2,M10.5.0/3";

struct walk_record {
    char* path; // Linux path (receiver form)
    uint64_t size;
    int32_t time;
    uint32_t mode;
    size_t name_at; // offset of the name in path
};

FILE* list_file;

int record_order(const void* a, const void* b) {
    const walk_record& x = *static_cast<const walk_record*>(a);
    const walk_record& y = *static_cast<const walk_record*>(b);
    const bool xd = S_ISDIR(x.mode), yd = S_ISDIR(y.mode);
    if (xd != yd) return xd ? 1 : -1;
    return strcmp(x.path, y.path);
}

// The TAP path of a receiver-form Linux path ("/mnt/hd/x" -> "/x").
const char* tap_form(const char* path) {
    if (strncmp(path, DISK_MOUNT, sizeof DISK_MOUNT - 1) != 0) return path;
    const char* rest = path + sizeof DISK_MOUNT - 1;
    return *rest ? rest : "/";
}

// Reads the entries of a folder; the count, or -1.
int read_records(const char* path, walk_record** out) {
    char libc[PATH_BYTES];
    if (path_map(path, libc, sizeof libc) != 0) return -1;
    libc_folder folder(libc);
    if (!folder) return -1;
    int count = 0, room = 0;
    walk_record* records = nullptr;
    while (dirent* e = readdir(folder.d)) {
        if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
        char full[PATH_BYTES], full_libc[PATH_BYTES];
        if (snprintf(full, sizeof full, "%s/%s", path, e->d_name) >=
                static_cast<int>(sizeof full) ||
            path_map(full, full_libc, sizeof full_libc) != 0)
            continue;
        struct stat64 st;
        if (lstat64(full_libc, &st) != 0) break; // a failing entry ends the reading
        if (count == room) {
            const int grown = room ? room * 2 : 64;
            walk_record* bigger = static_cast<walk_record*>(mem_alloc(sizeof(walk_record) * grown));
            if (!bigger) break;
            if (records) memcpy(bigger, records, sizeof(walk_record) * count);
            mem_free(records);
            records = bigger;
            room = grown;
        }
        char* copy = str_dup(full);
        if (!copy) break;
        records[count++] = {copy, static_cast<uint64_t>(st.st_size),
                            static_cast<int32_t>(st.st_mtime), static_cast<uint32_t>(st.st_mode),
                            strlen(path) + 1};
    }
    *out = records;
    return count;
}

void walk_folder(const char* path, int depth) {
    ++walk.directories;
    if (depth > walk.levels) walk.levels = depth;
    walk_record* records = nullptr;
    const int n = read_records(path, &records);
    if (n < 0) return;
    if (list_file) {
        qsort(records, static_cast<size_t>(n), sizeof *records, record_order);
        fprintf(list_file, "\n%s:\n", tap_form(path));
    }
    for (int i = 0; i < n; ++i) {
        const walk_record& r = records[i];
        const char* name = r.path + r.name_at;
        if (!list_filter(tap_form(path), name)) continue;
        if (S_ISDIR(r.mode)) {
            if (depth + 1 < MAX_DEPTH) walk_folder(r.path, depth + 1);
        } else if (S_ISREG(r.mode)) {
            walk.bytes += r.size;
            ++walk.files;
            if (list_file) {
                const uint32_t t = static_cast<uint32_t>(r.time);
                const char* size = size_text(r.size);
                char size_copy[24];
                snprintf(size_copy, sizeof size_copy, "%s", size);
                fprintf(list_file, "%7s  %s  %s\n", size_copy,
                        date_time_text(static_cast<word>(t / 86400 + 40587),
                                       static_cast<int>(t % 86400 / 60)),
                        name);
            }
        }
    }
    for (int i = 0; i < n; ++i)
        mem_free(records[i].path);
    mem_free(records);
}

void show_report(const char* tap_path, osd_window* over) {
    window_open(WINDOW_TEXT, file_call(nullptr, tap_path, over));
}

// ---- The tools ----

void tree(const char* dir, osd_window* over) {
    char path[PATH_BYTES];
    snprintf(path, sizeof path, "%s%s", DISK_MOUNT, strcmp(dir, "/") ? dir : "");
    char* list = dir_walk(path, true, 0);
    char text[LINE_BUFFER_SIZE];
    walk_totals_text(walk, text, sizeof text);
    ibox_timed(over, MESSAGE_LONG_MS, IBOX_INFO, dir, text);
    if (list) show_report(list, over);
    mem_free(list);
}

void script(const char* dir, const char* name, osd_window* over) {
    ibox_show(name, ui_text("Executing ...", "Wird ausgef\xFChrt ..."), IBOX_INFO);
    char* output = script_run(dir, name, nullptr);
    ibox_show(nullptr, nullptr, 0);
    if (!output) return;
    usage_opened(USE_SCRIPT);
    show_report(output, over);
    mem_free(output);
}

void codecs(const char* dir, const char* name, osd_window* over) {
    char* prober = program_path("ffprobe.mips");
    if (!prober) return;
    mem_block prober_owner(prober);
    char file[PATH_BYTES], report_tap[PATH_BYTES], report[PATH_BYTES], command[4 * PATH_BYTES];
    if (path_libc_into(dir, name, file, sizeof file) != 0) return;
    snprintf(report_tap, sizeof report_tap, "%s%s%s (Codecs)", dir, strcmp(dir, "/") ? "/" : "",
             name);
    if (path_libc_into(nullptr, report_tap, report, sizeof report) != 0) return;
    shell_line line(command, sizeof command);
    line.word(prober).raw(" -probesize 800000 ").word(file).raw(" 2>&1");
    if (!line.ok()) return;
    libc_pipe pipe(command, "r");
    if (!pipe) return;
    {
        libc_file out(report, "w");
        char in[LINE_BYTES], kept[LINE_BYTES];
        bool started = false;
        while (fgets(in, sizeof in, pipe.f))
            if (codec_line(in, &started, kept, sizeof kept) && out) fputs(kept, out.f);
    }
    pipe.close();
    if (log_enabled()) log_msg("ffprobe.mips: pipe closed");
    show_report(report_tap, over);
}

void hex_dump(const char* dir, const char* name, osd_window* over) {
    char file[PATH_BYTES], report_tap[PATH_BYTES], report[PATH_BYTES];
    if (path_libc_into(dir, name, file, sizeof file) != 0) return;
    snprintf(report_tap, sizeof report_tap, "%s%s%s (Hex Dump)", dir, strcmp(dir, "/") ? "/" : "",
             name);
    if (path_libc_into(nullptr, report_tap, report, sizeof report) != 0) return;
    {
        libc_file in(file, "rb");
        if (!in) return;
        uint8_t bytes[HEX_DUMP_BYTES + 1];
        const size_t n = fread(bytes, 1, sizeof bytes, in.f);
        libc_file out(report, "w");
        if (!out) return;
        hex_dump_write(out.f, bytes, n > HEX_DUMP_BYTES ? HEX_DUMP_BYTES : n, n > HEX_DUMP_BYTES);
    }
    show_report(report_tap, over);
}

void rectool(const char* dir, const char* name, bool repair, osd_window* over) {
    char recording[PATH_BYTES];
    if (name && is_recording_name(name))
        snprintf(recording, sizeof recording, "%s%s%s", dir, strcmp(dir, "/") ? "/" : "", name);
    else
        snprintf(recording, sizeof recording, "%s", live_tv);
    char rec_libc[PATH_BYTES];
    struct stat st;
    if (path_libc_into(nullptr, recording, rec_libc, sizeof rec_libc) != 0 ||
        stat(rec_libc, &st) != 0) {
        ibox_timed(over, MESSAGE_LONG_MS, IBOX_WARNING, nullptr,
                   ui_text("Currently not live nor timeshifted.",
                           "Derzeit nicht Live oder in Timeshift."));
        return;
    }
    char* tool = program_path("rectool.mips");
    if (!tool) return;
    mem_block tool_owner(tool);
    char rec_dir[PATH_BYTES];
    const char* rec_name = path_split(recording, rec_dir, sizeof rec_dir);
    char output_tap[PATH_BYTES + 16], output[PATH_BYTES + 64], command[6 * PATH_BYTES];
    snprintf(output_tap, sizeof output_tap, "/tmp/%s (rectool)", rec_name);
    if (path_libc_into(nullptr, output_tap, output, sizeof output) != 0) return;
    shell_line line(command, sizeof command);
    line.raw("TZ=").word(rectool_zone).raw(" ").word(tool).raw(" -i -e -tw 4000 -ARC ");
    line.raw(repair ? "-HE " : "").raw(ui_english() ? "" : "-G ").word(rec_libc);
    line.raw(" > ").word(output).raw(" 2>&1");
    if (!line.ok()) return;
    if (system(command) != 0) error_post(ERR_SEE_TMP, "rectool.mips");
    file_touch(output);
    show_report(output_tap, over);
}

void special(const char* dir, const char* name, osd_window* over) {
    static const char* const media[] = {".mp2", ".ac3", ".mp3", ".mp4",  ".mkv", ".flv",
                                        ".rec", ".ts",  ".mpg", ".mpeg", ".vob", ".avi"};
    if (name_ends_with(name, ".sh"))
        script(dir, name, over);
    else if (name_ends_with_any(name, media))
        codecs(dir, name, over);
    else
        hex_dump(dir, name, over);
}

} // namespace

char* dir_walk(const char* path, bool write, int depth) {
    char list[PATH_BYTES];
    if (depth == 0) {
        walk = walk_totals{};
        list_file = nullptr;
        if (write) {
            if (path_libc_into(SETTINGS_FOLDER, list_name, list, sizeof list) != 0) return nullptr;
            list_file = fopen(list, "w");
            if (!list_file) return nullptr;
        }
    }
    walk_folder(path, depth);
    if (depth != 0) return nullptr;
    ++walk.levels;
    if (!list_file) return nullptr;
    char total[24];
    snprintf(total, sizeof total, "%s", size_text(walk.bytes));
    fprintf(list_file, "\nT O T A L: %s Bytes, %d Files, %d Directories, %d Levels\n", total,
            walk.files, walk.directories, walk.levels);
    fclose(list_file);
    list_file = nullptr;
    file_touch(list);
    return path_tap(SETTINGS_FOLDER, list_name);
}

void walk_totals_text(const walk_totals& t, char* out, size_t size) {
    char total[24];
    snprintf(total, sizeof total, "%s", size_text(t.bytes));
    const bool one_dir = t.directories == 1, one_level = t.levels == 1, one_file = t.files == 1,
               one_byte = t.bytes == 1;
    if (ui_english())
        snprintf(out, size, "%d director%s (%d level%s)\n%d file%s (total %s byte%s)\n",
                 t.directories, one_dir ? "y" : "ies", t.levels, one_level ? "" : "s", t.files,
                 one_file ? "" : "s", total, one_byte ? "" : "s");
    else
        snprintf(out, size, "%d Verzeichnis%s (%d Ebene%s)\n%d Datei%s (gesamt %s Byte%s)\n",
                 t.directories, one_dir ? "" : "se", t.levels, one_level ? "" : "n", t.files,
                 one_file ? "" : "en", total, one_byte ? "" : "s");
}

bool codec_line(const char* line, bool* started, char* out, size_t size) {
    if (!size) return false;
    out[0] = 0;
    if (!*started) {
        if (!strstr(line, "Duration:")) return false;
        *started = true;
    }
    if (strstr(line, "Unsupported") || strstr(line, "Metadata:") || strstr(line, "handler_name"))
        return false;
    snprintf(out, size, "%s", line);
    if (char* at = strstr(out, " ([")) {
        char* from = at + 2;
        const size_t rest = strlen(from);
        const size_t cut = rest < 15 ? rest : 15;
        memmove(from, from + cut, rest - cut + 1);
    }
    if (char* fps = strstr(out, " fps, ")) {
        const size_t at = static_cast<size_t>(fps - out) + 4;
        if (at + 1 < size) {
            out[at] = '\n';
            out[at + 1] = 0;
        }
    }
    return true;
}

void hex_dump_write(FILE* f, const uint8_t* bytes, size_t n, bool longer) {
    for (size_t at = 0; at < n; at += HEX_DUMP_LINE) {
        fprintf(f, " %05x:", static_cast<unsigned>(at));
        for (size_t i = at; i < n && i < at + HEX_DUMP_LINE; ++i)
            fprintf(f, "%s%02x", (i - at) % 4 == 0 ? "  " : " ", bytes[i]);
        fputc('\n', f);
    }
    if (longer) fputs("...\n", f);
}

dword browser_tool_entry(const window_call& call) {
    const char* dir = call.dir ? call.dir : "/";
    switch (call.mode) {
    case BROWSER_TOOL_SPECIAL:
        if (call.name) special(dir, call.name, call.over);
        break;
    case BROWSER_TOOL_RECTOOL:
    case BROWSER_TOOL_RECTOOL_REPAIR:
        rectool(dir, call.name, call.mode == BROWSER_TOOL_RECTOOL_REPAIR, call.over);
        break;
    case BROWSER_TOOL_TREE:
        tree(dir, call.over);
        break;
    default:
        break;
    }
    return 0;
}
