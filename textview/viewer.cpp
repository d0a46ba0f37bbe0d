// The text viewer's window: the history, loading a document into the line table (through the
// reader of document.h), the keys of its two tables and the drawing. After each key the key
// handler works out the page (view_update); drawing reads only that and the lines.
#include "textview/viewer.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>

#include "browser/recording.h"
#include "common/byte_order.h"
#include "common/file_io.h"
#include "common/file_type.h"
#include "common/format.h"
#include "common/key_codes.h"
#include "common/log.h"
#include "common/memory.h"
#include "common/names.h"
#include "common/paths.h"
#include "common/persist.h"
#include "common/programs.h"
#include "common/receiver_path.h"
#include "common/recording_search.h"
#include "common/settings.h"
#include "common/tables.h"
#include "common/usage.h"
#include "image/file_reader.h"
#include "osd/ibox.h"
#include "osd/key_help.h"
#include "osd/key_table.h"
#include "osd/line_edit.h"
#include "osd/window.h"
#include "osd/window_open.h"
#include "osd/window_state.h"
#include "textview/bookmarks.h"
#include "textview/document.h"
#include "textview/store.h"
#include "textview/web.h"

namespace {

enum {
    HISTORY = 30,
    PATH_BYTES = 1024,
    PAGE_SMALL = 24,
    PAGE_LARGE = 20,
    TELETEXT_TICKS = 50, // a second Teletext within this many ticks goes to the receiver
    HOME_MAX = 127,      // characters of the HOME path
    TARGET_LONG = 90,    // a longer link target is shown by its end with Subtitle
    TARGET_TAIL = 85,
    DESCRIPTION_ROOM = 20, // lines kept free for the description of a recording
    BOOKMARK_WARNING_MS = 1800,
    DRAIN_BLOCKS = 256, // 1 MB of a helper's output is read beyond what is shown
};

enum viewer_state_value {
    VS_NORMAL = 0,
    VS_MESSAGE = -1, // an info box or the file details: only Exit is taken
    VS_IMAGE = -2,   // a picture of a link: keys go to the image viewer
    VS_SEARCH = 6,
    VS_EDIT_LINE = 7,
    VS_URL = 8,
    VS_LOOKUP = 9,
};

// What a document is (the type the log names).
enum source_kind { SOURCE_PLAIN = 0, SOURCE_WEB = 1, SOURCE_PDF = 2, SOURCE_RECORDING = 4096 };

struct history_slot {
    char* path;       // TAP path, null: empty
    int32_t top_line; // -1: not yet positioned
    int32_t selected_link;
    int64_t file_size;
    int32_t file_time;
};

history_slot history[HISTORY];
int current; // the slot shown (a move onto an empty slot does not happen)
osd_window text_win;

struct document_state {
    int32_t line_count, link_count, split_count;
    uint32_t stored; // lines of the table in use (text and link targets)
    int32_t edit_state, edit_cursor;
    int32_t first_visible_link, last_visible_link;
    int title_toggle;
    char* pending_anchor;
    int epg_info_mode;
    int state;
    dword load_ticks, load_start;
    bool lyrics;
    int source;
};
document_state doc;

// What the window shows, worked out after each key.
struct view_state {
    char right[48];                // the title bar's right text
    char target[LINE_BUFFER_SIZE]; // the selected link's target, or ""
};
view_state view;

history_slot& slot() {
    return history[current];
}
int page_size() {
    return ui_large_font() ? PAGE_LARGE : PAGE_SMALL;
}
const char* leaf(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}
bool is_web() {
    return doc.link_count != 0;
}
char* const* lines() {
    return text_lines;
}
const char* line_at(int32_t i) {
    return text_lines && i >= 0 && static_cast<uint32_t>(i) < doc.stored && text_lines[i]
               ? text_lines[i]
               : "";
}

int measure_small(const char* text) {
    return static_cast<int>(TAP_Osd_GetW(text, 0, 1));
}

bool file_facts(const char* path, int64_t* size, int32_t* time) {
    char libc[PATH_BYTES];
    struct stat st;
    if (path_libc_into(nullptr, path, libc, sizeof libc) != 0 || stat(libc, &st) != 0) return false;
    *size = st.st_size;
    *time = static_cast<int32_t>(st.st_mtime);
    return true;
}

void message(int kind, dword ms, const char* title, const char* text) {
    ibox_timed(&text_win, ms, kind, title, text);
}

// ---- Loading ----

void free_lines() {
    doc_free(text_lines, doc.stored);
    doc.stored = 0;
    doc.line_count = doc.link_count = doc.split_count = 0;
    doc.edit_state = doc.edit_cursor = 0;
    doc.first_visible_link = doc.last_visible_link = 0;
}

// Reads a helper's output into the reader. The rest of an output that did not fit is read and
// dropped up to a bound, so that a helper that is nearly done can end; beyond it the pipe is
// closed, which ends a helper whose output never ends.
void read_pipe(FILE* pipe, doc_reader* r) {
    uint8_t block[4096];
    for (size_t got; (got = fread(block, 1, sizeof block, pipe)) > 0;)
        if (!doc_bytes(r, block, got)) break;
    char drain[4096];
    for (int blocks = 0; blocks < DRAIN_BLOCKS && fread(drain, 1, sizeof drain, pipe) > 0;
         ++blocks) {
    }
}

void run_helper(const char* program_name, const char* options_before, const char* options_after,
                const char* file, doc_reader* r) {
    char* program = program_path(program_name);
    if (!program) return;
    mem_block program_owner(program);
    char file_libc[PATH_BYTES];
    if (path_libc_into(nullptr, file, file_libc, sizeof file_libc) != 0) return;
    char command[4 * PATH_BYTES + 256];
    shell_line line(command, sizeof command);
    line.word(program).raw(options_before).word(file_libc).raw(options_after);
    if (!line.ok()) return;
    libc_pipe pipe(command, "r");
    if (!pipe) {
        log_printf("%s: %s pipe failed", leaf(file), program_name);
        return;
    }
    read_pipe(pipe.f, r);
}

// A recording of the file list that matches the one described: its folder line, its own line
// and an empty line; true while the table has room for more.
bool put_match(void* context, const char* folder, const char* line) {
    doc_reader* r = static_cast<doc_reader*>(context);
    doc_text(r, folder);
    doc_line_end(r);
    doc_text(r, line);
    doc_line_end(r);
    doc_line_end(r);
    return r->stored + DESCRIPTION_ROOM < r->capacity;
}

// The description of a recording.
void read_recording(const char* path, doc_reader* r) {
    char dir[PATH_BYTES];
    const char* name = path_split(path, dir, sizeof dir);
    const rec_header* h = inf_read(dir, name, false);
    if (!h) return;
    char event[sizeof h->event_name + 1], short_text[sizeof h->event_name + 1];
    snprintf(event, sizeof event, "%s", h->event_name);
    const size_t after = static_cast<size_t>(h->name_length) + 1;
    snprintf(short_text, sizeof short_text, "%.*s",
             after < sizeof h->event_name ? static_cast<int>(sizeof h->event_name - after) : 0,
             after < sizeof h->event_name ? h->event_name + after : "");
    // (a) the recording's other copies in the recursive file list, while the table keeps room
    // for the description.
    if (r->stored + DESCRIPTION_ROOM < r->capacity)
        recording_search(event, short_text, put_match, r);
    // (b) ... (g): channel, times and size, event name and text.
    doc_text(r, h->channel);
    doc_line_end(r);
    const uint32_t start = inf_start(h);
    int64_t size = 0;
    int32_t time;
    file_facts(path, &size, &time);
    char facts[LINE_BUFFER_SIZE];
    int n = snprintf(facts, sizeof facts, "%s (%d', EPG %d'), %sB",
                     date_time_text(static_cast<word>(start >> 16),
                                    static_cast<int>((start >> 8 & 0xFF) * 60 + (start & 0xFF))),
                     get_le16(h->duration), h->event_minutes + 60 * h->event_hours,
                     size_text(static_cast<uint64_t>(size)));
    const uint32_t marks = get_le32(h->bookmark_count);
    const uint16_t version = inf_version(h);
    if (marks && n > 0 && n < static_cast<int>(sizeof facts))
        n += snprintf(facts + n, sizeof facts - n, ", %d BM", static_cast<int>(marks));
    if (h->crypted && n > 0 && n < static_cast<int>(sizeof facts))
        n += snprintf(facts + n, sizeof facts - n, ", Crypted");
    if ((version == 0x5000 || version == 0x5001) && n > 0 && n < static_cast<int>(sizeof facts))
        n += snprintf(facts + n, sizeof facts - n, ", 5K");
    if ((version & 1) && n > 0 && n < static_cast<int>(sizeof facts))
        snprintf(facts + n, sizeof facts - n, " - RESTORED");
    doc_text(r, facts);
    doc_line_end(r);
    doc_line_end(r);
    doc_text(r, event);
    doc_line_end(r);
    doc_text(r, short_text);
    doc_line_end(r);
    doc_line_end(r);
    char extended[INF_MAX_EXTENDED + 1];
    size_t ext = get_le16(h->extended_length);
    if (ext > INF_MAX_EXTENDED) ext = INF_MAX_EXTENDED;
    memcpy(extended, h->extended, ext);
    extended[ext] = 0;
    doc_text(r, extended);
    inf_release();
}

bool recording_name(const char* path) {
    static const char* const names[] = {".rec", ".ts", ".inf"};
    return name_ends_with_any(path, names);
}

// Step 2 of loading: the lines of the current slot's document, read again.
void reload() {
    free_lines();
    const char* path = slot().path;
    if (!path) return;
    static const char lyrics_folder[] = WEB_CACHE "/" LYRICS_HOST "/";
    doc.lyrics = strncmp(path, lyrics_folder, sizeof lyrics_folder - 1) == 0;
    doc.load_start = TAP_GetTick();
    if (log_enabled()) log_printf("text_read (%s)", path);
    char dir[PATH_BYTES];
    path_split(path, dir, sizeof dir);
    if (tap_folder_change(dir) != 0) return;
    int type = recording_name(path) ? SOURCE_RECORDING : file_type(nullptr, path);
    doc_reader* r = static_cast<doc_reader*>(mem_alloc(sizeof(doc_reader)));
    if (!r) return;
    mem_block reader_owner(r);
    doc_begin(r, text_lines, text_line_capacity, type == FT_WEB, measure_small);
    doc.source =
        type == SOURCE_RECORDING || type == FT_WEB || type == FT_PDF || type == FT_TEXT ? type : -1;
    if (log_enabled() && doc.source >= 0) log_printf("text_read: type = %d", doc.source);
    if (type == SOURCE_RECORDING) {
        read_recording(path, r);
    } else if (type == FT_WEB) {
        run_helper("lynx.mips",
                   " -cfg=/dev/null -dump -force_html -width=85 -image_links -stderr "
                   "-assume_charset=ISO-8859-1 ",
                   "", path, r);
    } else if (type == FT_PDF) {
        ibox_show(leaf(path),
                  ui_text("Text conversion may take some time ...",
                          "Textkonvertierung kann l\xE4nger dauern ..."),
                  IBOX_INFO);
        run_helper("pdftotext.mips", " -layout ", " -", path, r);
        ibox_show(nullptr, nullptr, 0);
    } else if (type == FT_TEXT) {
        if (file_reader* f = file_reader_open(leaf(path))) {
            file_reader_guard guard{f};
            uint8_t block[FILE_READER_BUFFER];
            for (uint32_t got; (got = file_reader_read(block, sizeof block, f)) > 0;)
                if (!doc_bytes(r, block, got)) break;
        }
    }
    doc.line_count = doc_end(r);
    doc.link_count = r->link_count;
    doc.split_count = r->split_count;
    doc.stored = r->stored;
    doc.load_ticks = TAP_GetTick() - doc.load_start;
}

// Where a freshly loaded document (or one with an anchor to go to) is shown first.
void position() {
    if (slot().top_line != -1 && !doc.pending_anchor) return;
    const char* anchor = doc.pending_anchor ? doc.pending_anchor
                         : doc.lyrics       ? "*Gracenote."
                                            : nullptr;
    int32_t top = -1;
    if (anchor) {
        top = doc_anchor_line(lines(), doc.line_count, anchor);
        if (doc.lyrics && !doc.pending_anchor) {
            if (top >= 0)
                ++top;
            else
                top = doc_anchor_line(lines(), doc.line_count, "Did you mean*");
        }
    }
    if (top < 0) top = is_web() ? doc_page_start(lines(), doc.line_count) : 0;
    slot().top_line = top;
}

// Shows path (taken over) as a new document, or its loaded lines when it is the current one
// and its file has not changed.
void show_document(char* path) {
    int64_t size = -1;
    int32_t time = 0;
    const bool exists = file_facts(path, &size, &time);
    if (slot().path && strcmp(slot().path, path) == 0) {
        const bool same =
            exists && size == slot().file_size && time == slot().file_time && doc.stored;
        mem_free(path);
        slot().file_size = size;
        slot().file_time = time;
        if (!same) reload();
        position();
        return;
    }
    if (slot().path) current = (current + 1) % HISTORY;
    const int after = (current + 1) % HISTORY;
    mem_free(history[after].path);
    history[after] = history_slot{};
    mem_free(slot().path);
    slot() = history_slot{path, -1, 0, size, time};
    reload();
    position();
}

char* home_path() {
    const char* home = settings.bookmark_path[0] ? settings.bookmark_path : BOOKMARK_FILE;
    return path_tap(nullptr, home);
}

char* description_path() {
    return path_tap(nullptr, ui_english() ? "tovakrc_en.txt" : "tovakrc.txt");
}

// ---- View ----

void view_update() {
    const int page = page_size();
    int32_t& top = slot().top_line;
    if (top > doc.line_count - page) top = doc.line_count - page;
    if (top < 0) top = 0;
    if (doc.edit_state > 0) {
        if (doc.edit_cursor > top + page - 1) doc.edit_cursor = top + page - 1;
        if (doc.edit_cursor > doc.line_count - 1) doc.edit_cursor = doc.line_count - 1;
        if (doc.edit_cursor < top) doc.edit_cursor = top;
    }
    // Link markers on the page.
    doc.first_visible_link = doc.last_visible_link = 0;
    if (doc.link_count > 0)
        for (int r = 0; r < page && top + r < doc.line_count; ++r) {
            int32_t n;
            size_t len;
            for (const char* p = doc_next_link(line_at(top + r), doc.link_count, &n, &len); p;
                 p = doc_next_link(p + len, doc.link_count, &n, &len)) {
                if (!doc.first_visible_link || n < doc.first_visible_link)
                    doc.first_visible_link = n;
                if (n > doc.last_visible_link) doc.last_visible_link = n;
            }
        }
    // Title bar figures.
    view.right[0] = 0;
    if (!doc.epg_info_mode) {
        const int percent =
            doc.line_count <= page
                ? 100
                : static_cast<int>((static_cast<int64_t>(top) + page) * 100 / doc.line_count);
        char splits[16] = "";
        if (doc.split_count > 0) snprintf(splits, sizeof splits, "+%d", doc.split_count);
        snprintf(view.right, sizeof view.right, "%s%d%% %d%s", doc.edit_state > 0 ? "Edit  " : "",
                 percent, doc.line_count - doc.split_count, splits);
    }
    // The selected link's target.
    view.target[0] = 0;
    const int32_t sel = slot().selected_link;
    if (sel > 0 && sel <= doc.link_count && sel >= doc.first_visible_link &&
        sel <= doc.last_visible_link) {
        const char* t = line_at(doc.line_count + sel - 1);
        static const char* const schemes[] = {"file://", "http://", "https://"};
        for (const char* s : schemes)
            if (strncmp(t, s, strlen(s)) == 0) {
                t += strlen(s);
                break;
            }
        if (strncmp(t, DISK_MOUNT, sizeof DISK_MOUNT - 1) == 0) t += sizeof DISK_MOUNT - 1;
        if (strncmp(t, WEB_CACHE "/", sizeof WEB_CACHE) == 0) t += sizeof WEB_CACHE;
        char decoded[LINE_BUFFER_SIZE];
        snprintf(decoded, sizeof decoded, "%s", t);
        percent_decode(decoded);
        const size_t n = strlen(decoded);
        if (doc.title_toggle && n > TARGET_LONG)
            snprintf(view.target, sizeof view.target, "...%s", decoded + n - TARGET_TAIL);
        else
            snprintf(view.target, sizeof view.target, "%s", decoded);
    }
}

// A line of only "-", "_" or "~" (or "=") stands for a rule.
int rule_kind(const char* line) {
    if (!*line) return 0;
    const char c = *line;
    if (c != '-' && c != '_' && c != '~' && c != '=') return 0;
    for (const char* p = line; *p; ++p)
        if (c == '=' ? *p != '=' : (*p != '-' && *p != '_' && *p != '~')) return 0;
    return c == '=' ? 2 : 1;
}

void draw_text_at(int x, int y, const char* text, uint32_t style) {
    osd_goto(&text_win, x, y);
    osd_text(&text_win, text, style | ST_SMALL | ST_SAME_LINE);
}

// A row: the line with a trailing blank, drawn in pieces: plain text, and the search matches
// and the link markers (from the bracket to the next marker) in colour 13, the selected link
// inverted.
struct row_piece {
    size_t start, end;
    uint32_t style;
};

void draw_row(int32_t i, int y) {
    char text[LINE_BUFFER_SIZE];
    snprintf(text, sizeof text, "%s ", line_at(i));
    utf8_to_latin1(text);
    const bool cursor = doc.edit_state > 0 && i == doc.edit_cursor;
    if (cursor) {
        draw_text_at(0, y, text, PAL_YELLOW_ON_RED);
        return;
    }
    enum { PIECES = 48 };
    row_piece pieces[PIECES];
    int count = 0;
    if (doc.link_count > 0) {
        int32_t n;
        size_t len;
        for (const char* p = doc_next_link(text, doc.link_count, &n, &len); p && count < PIECES;) {
            const int32_t number = n;
            const char* next = doc_next_link(p + len, doc.link_count, &n, &len);
            const size_t start = static_cast<size_t>(p - text);
            const size_t end = next ? static_cast<size_t>(next - text) : strlen(text);
            pieces[count++] = {start, end,
                               PAL_YELLOW_ON_RED |
                                   (number == slot().selected_link ? uint32_t{ST_SWAP} : 0u)};
            p = next;
        }
    }
    const char* pattern = line_edit_result(EDIT_TEXT_SEARCH);
    if (pattern && *pattern && count == 0) {
        char want[EDIT_BUFFER];
        snprintf(want, sizeof want, "%s", pattern);
        utf8_to_latin1(want);
        const size_t wn = strlen(want);
        for (const char* m = wn ? strcasestr(text, want) : nullptr; m && count < PIECES;
             m = strcasestr(m + wn, want))
            pieces[count++] = {static_cast<size_t>(m - text), static_cast<size_t>(m - text) + wn,
                               PAL_YELLOW_ON_RED};
    }
    osd_goto(&text_win, 0, y);
    size_t at = 0;
    char piece[LINE_BUFFER_SIZE];
    const uint32_t flow = ST_SMALL | ST_SAME_LINE | ST_ADVANCE;
    for (int k = 0; k < count; ++k) {
        if (pieces[k].start > at) {
            snprintf(piece, sizeof piece, "%.*s", static_cast<int>(pieces[k].start - at),
                     text + at);
            osd_text(&text_win, piece, flow | PAL_WHITE);
        }
        snprintf(piece, sizeof piece, "%.*s", static_cast<int>(pieces[k].end - pieces[k].start),
                 text + pieces[k].start);
        osd_text(&text_win, piece, flow | pieces[k].style);
        at = pieces[k].end;
    }
    if (text[at]) osd_text(&text_win, text + at, ST_SMALL | ST_SAME_LINE | PAL_WHITE);
}

void draw() {
    const int page = page_size();
    const char* path = slot().path ? slot().path : "";
    static const char* const own_names[] = {".rec", ".ts", ".inf", ".nav"};
    const char* title =
        doc.epg_info_mode || name_ends_with_any(path, own_names) ? leaf(path) : path;
    const uint32_t colour = doc.epg_info_mode ? PAL_ON_RED
                            : is_web()        ? PAL_ON_GREEN
                                              : PAL_ON_PURPLE;
    osd_frame(&text_win, FULL_W, 0, title, view.right[0] ? view.right : nullptr,
              ST_NO_LOGO | colour);
    const int line = osd_line_height();
    if (doc.line_count == 0) {
        draw_text_at(0, line,
                     ui_text("File not found or empty!", "Datei nicht gefunden oder leer!"), 0);
    }
    const bool large = ui_large_font();
    const int32_t top = slot().top_line;
    for (int r = 0; r < page && top + r < doc.line_count; ++r) {
        const int32_t i = top + r;
        const int y = line + r * line;
        const int rule = i > 0 ? rule_kind(line_at(i)) : 0;
        if (rule && !(doc.edit_state > 0 && i == doc.edit_cursor)) {
            const int w = measure_small(line_at(i - 1));
            osd_hline(&text_win, 0, y + (large ? 13 : 11), w, COLOR_WHITE);
            if (rule == 2) osd_hline(&text_win, 0, y + (large ? 10 : 8), w, COLOR_WHITE);
            continue;
        }
        draw_row(i, y);
    }
    if (view.target[0]) {
        const int y = text_win.height - 19;
        if (doc.title_toggle && strncmp(view.target, "...", 3) == 0) {
            osd_goto(&text_win, text_win.width, y);
            osd_text(&text_win, view.target,
                     ST_SMALL | ST_SAME_LINE | ST_RIGHT | PAL_YELLOW_ON_RED);
        } else {
            draw_text_at(0, y, view.target, PAL_YELLOW_ON_RED | ST_MEASURE);
        }
    }
    osd_finish(&text_win);
}

void redraw() {
    if (!(window_flags & WS_VIEWER)) return;
    if (doc.line_count == 0 && error_pending()) {
        view_update();
        draw();
        error_show();
        doc.state = VS_MESSAGE;
        return;
    }
    view_update();
    draw();
}

// ---- Actions ----

void show_new(char* path) {
    if (!path) return;
    show_document(path);
}

// A link or URL: its file shown as a document or a picture, or why not.
void follow(const char* url) {
    char target[LINE_BUFFER_SIZE];
    snprintf(target, sizeof target, "%s", url);
    mem_free(doc.pending_anchor);
    doc.pending_anchor = nullptr;
    if (char* hash = strrchr(target, '#')) {
        doc.pending_anchor = str_dup(hash + 1);
        *hash = 0;
    }
    const dword start = TAP_GetTick();
    char* result = html_get(target, slot().path);
    doc.load_ticks = TAP_GetTick() - start;
    if (!result) {
        if (!error_show())
            ibox_show(nullptr, ui_text("Couldn't load.", "Konnte nicht geladen werden."),
                      IBOX_ERROR);
        doc.state = VS_MESSAGE;
        return;
    }
    int64_t size;
    int32_t time;
    if (!file_facts(result, &size, &time)) {
        message(IBOX_WARNING, MESSAGE_SHORT_MS, result,
                ui_text("File not available.", "Datei nicht vorhanden."));
        mem_free(result);
        return;
    }
    const int type = file_type(nullptr, result);
    if (file_type_is_image(type)) {
        char dir[PATH_BYTES];
        const char* name = path_split(result, dir, sizeof dir);
        usage_opened(USE_IMAGE);
        window_flags &= ~WS_IMAGE;
        if (window_open(WINDOW_IMAGE, file_call(dir, name, &text_win)) == 1) doc.state = VS_IMAGE;
        mem_free(result);
        return;
    }
    static const char* const documents[] = {".rec", ".pdf"};
    if (name_ends_with_any(result, documents) || is_binary(nullptr, result) == 0) {
        show_new(result);
        return;
    }
    message(IBOX_WARNING, MESSAGE_SHORT_MS, nullptr,
            ui_text("Can't view binary file.", "Bin\xE4rdatei kann nicht gezeigt werden."));
    mem_free(result);
}

void search() {
    const char* pattern = line_edit_result(EDIT_TEXT_SEARCH);
    if (!pattern || !*pattern) {
        message(IBOX_WARNING, MESSAGE_MS, pattern ? pattern : "",
                ui_text("Empty search string.", "Leere Suchzeichenkette."));
        return;
    }
    char want[EDIT_BUFFER];
    snprintf(want, sizeof want, "%s", pattern);
    utf8_to_latin1(want);
    int32_t from = (doc.edit_state > 0 ? doc.edit_cursor : slot().top_line) + 1;
    if (from > doc.line_count - page_size()) from = 0;
    for (int32_t i = from; i < doc.line_count; ++i) {
        char text[LINE_BUFFER_SIZE];
        snprintf(text, sizeof text, "%s", line_at(i));
        utf8_to_latin1(text);
        if (strcasestr(text, want)) {
            slot().top_line = i;
            if (doc.edit_state > 0) doc.edit_cursor = i;
            return;
        }
    }
    message(IBOX_WARNING, MESSAGE_MS, pattern,
            ui_text("Couldn't find search string.",
                    "Gesuchte Zeichenkette konnte nicht gefunden werden."));
}

// The EPG's details document (a call site for the EPG information mode).
bool epg_document(int channel_step, int event_step) {
    char path[PATH_BYTES] = "";
    if (!window_ask(
            ACTION_EPG_DETAILS,
            with_answer(mode_call(epg_details_mode(channel_step, event_step)), path, sizeof path),
            0) ||
        !path[0])
        return false;
    doc.epg_info_mode = 1;
    // The document is written anew in the same place within the same minute, often with the
    // same length: it is read again whatever its size and time say.
    if (slot().path && strcmp(slot().path, path) == 0) slot().file_size = -1;
    show_new(str_dup(path));
    return true;
}

bool link_visible(int32_t n) {
    return n > 0 && n <= doc.link_count && n >= doc.first_visible_link &&
           n <= doc.last_visible_link;
}

void close_viewer() {
    doc.epg_info_mode = 0;
    osd_close(&text_win);
    window_flags &= ~(WS_VIEWER | WS_VIEWER_TELETEXT);
    if (!(window_flags & (WS_MENU | WS_HELP | WS_INFOS | WS_BROWSER | WS_EDITOR | WS_EPG)))
        screen_give_back();
}

// ---- Key handlers of the view mode ----

int key_scroll(dword key) {
    const bool down = (key & ~KEY_TAP_MARK) == KEY_DOWN;
    if (doc.epg_info_mode) {
        epg_document(down ? 1 : -1, 0);
        return KEY_REDRAW;
    }
    slot().top_line += down ? 1 : -1;
    return KEY_REDRAW;
}

int key_page(dword key) {
    const dword k = key & ~KEY_TAP_MARK;
    slot().top_line += (k == KEY_FORWARD || k == KEY_V_MINUS) ? page_size() : -page_size();
    return KEY_REDRAW;
}

int key_ends(dword key) {
    slot().top_line = (key & ~KEY_TAP_MARK) == KEY_JUMP_START ? 0 : doc.line_count;
    return KEY_REDRAW;
}

int key_select(dword key) {
    const bool next = (key & ~KEY_TAP_MARK) == KEY_RIGHT;
    if (doc.epg_info_mode) {
        epg_document(0, next ? 1 : -1);
        return KEY_REDRAW;
    }
    if (!doc.first_visible_link) return KEY_REDRAW;
    int32_t& sel = slot().selected_link;
    if (!link_visible(sel))
        sel = next ? doc.first_visible_link : doc.last_visible_link;
    else if (next)
        sel = sel >= doc.last_visible_link ? doc.first_visible_link : sel + 1;
    else
        sel = sel <= doc.first_visible_link ? doc.last_visible_link : sel - 1;
    return KEY_REDRAW;
}

void history_move(int step) {
    const int next = (current + step + HISTORY) % HISTORY;
    if (!history[next].path) return;
    current = next;
    int64_t size = 0;
    int32_t time = 0;
    if (file_facts(slot().path, &size, &time)) {
        slot().file_size = size;
        slot().file_time = time;
    }
    reload();
    position();
}

int key_history(dword key) {
    const dword k = key & ~KEY_TAP_MARK;
    if (doc.epg_info_mode && k != KEY_PLAY) {
        epg_document(k == KEY_P_PLUS ? -1 : 1, 0);
        return KEY_REDRAW;
    }
    history_move(k == KEY_P_MINUS ? -1 : 1);
    return KEY_REDRAW;
}

int key_ok(dword) {
    if (doc.epg_info_mode) {
        if (window_ask(ACTION_EPG_DETAILS, mode_call(EPG_DETAILS_START), 0)) {
            window_flags |= WS_EPG_CHANNEL;
            close_viewer();
            return KEY_CLOSED;
        }
        return KEY_REDRAW;
    }
    const int32_t sel = slot().selected_link;
    if (link_visible(sel)) {
        follow(line_at(doc.line_count + sel - 1));
        return doc.state == VS_NORMAL ? KEY_REDRAW : KEY_DONE;
    }
    if (doc.link_count > 0) return KEY_REDRAW;
    const char* path = slot().path ? slot().path : "";
    static const char* const fixed[] = {".rec", ".pdf"};
    if (name_ends_with_any(path, fixed)) {
        message(IBOX_WARNING, MESSAGE_MS, nullptr,
                ui_text("Can't edit file.", "Datei nicht editierbar."));
        return KEY_REDRAW;
    }
    if (doc.line_count == 0) return KEY_REDRAW;
    doc.edit_state = 1 - doc.edit_state;
    doc.edit_cursor = slot().top_line;
    return KEY_REDRAW;
}

int key_url(dword) {
    doc.state = VS_URL;
    line_edit(0, EDIT_URL, "- URL eingeben", "- Enter URL", nullptr);
    return KEY_DONE;
}

int key_lookup(dword) {
    doc.state = VS_LOOKUP;
    line_edit(0, EDIT_LOOKUP, "- Nachschlagsworte eingeben", "- Enter Lookup Words", nullptr);
    return KEY_DONE;
}

int key_search(dword) {
    if (doc.line_count == 0) return KEY_REDRAW;
    doc.state = VS_SEARCH;
    line_edit(0, EDIT_TEXT_SEARCH, "- Zeichenkette suchen", "- Search Text String", nullptr);
    return KEY_DONE;
}

int key_search_again(dword) {
    search();
    return KEY_REDRAW;
}

int key_home(dword) {
    doc.epg_info_mode = 0;
    show_new(home_path());
    return KEY_REDRAW;
}

int key_set_home(dword) {
    const char* path = slot().path;
    if (!path) return KEY_REDRAW;
    snprintf(settings.bookmark_path, sizeof settings.bookmark_path, "%.*s", HOME_MAX, path);
    message(IBOX_INFO, MESSAGE_MS, path,
            ui_text("New HOME document set.", "Neues HOME-Dokument gesetzt."));
    if (!(window_flags & WS_MENU)) settings_save();
    return KEY_REDRAW;
}

int key_bookmark(dword) {
    const char* path = slot().path;
    if (!path) return KEY_REDRAW;
    char libc[PATH_BYTES], title[LINE_BUFFER_SIZE] = "";
    if (path_libc_into(nullptr, path, libc, sizeof libc) == 0) {
        libc_file f(libc, "r");
        if (f) bookmark_title(f.f, title, sizeof title);
    }
    char anchor[16];
    snprintf(anchor, sizeof anchor, "%d", slot().top_line + 1);
    bookmark_add(path, slot().top_line > 0 ? anchor : nullptr, title[0] ? title : nullptr);
    return KEY_REDRAW;
}

int key_bookmarks(dword) {
    doc.epg_info_mode = 0;
    show_new(path_tap(nullptr, BOOKMARK_FILE));
    return KEY_REDRAW;
}

int key_bookmark_delete(dword) {
    const char* path = slot().path;
    const int32_t sel = slot().selected_link;
    if (!path || strcmp(path, BOOKMARK_FILE) != 0 || !link_visible(sel)) {
        message(IBOX_WARNING, BOOKMARK_WARNING_MS, nullptr,
                ui_text("You can only delete a selected link in Bookmarks.html",
                        "Nur ausgew\xE4hlter Link in Bookmarks.html l\xF6schbar."));
        return KEY_REDRAW;
    }
    if (bookmark_delete(sel) == 0) show_new(str_dup(path));
    return KEY_REDRAW;
}

int key_recall(dword) {
    if (doc.epg_info_mode) {
        epg_document(0, 0);
        return KEY_REDRAW;
    }
    if (!slot().path) return KEY_REDRAW;
    char link[PATH_BYTES + 16];
    web_file_link(slot().path, link, sizeof link);
    char* result = html_get(link, nullptr);
    if (!result) {
        if (!error_show())
            ibox_show(nullptr, ui_text("Couldn't load.", "Konnte nicht geladen werden."),
                      IBOX_ERROR);
        doc.state = VS_MESSAGE;
        return KEY_DONE;
    }
    if (strcmp(result, slot().path) == 0) {
        mem_free(result);
        int64_t size;
        int32_t time;
        if (file_facts(slot().path, &size, &time)) {
            slot().file_size = size;
            slot().file_time = time;
        }
        reload();
        position();
    } else {
        show_new(result);
    }
    return KEY_REDRAW;
}

int key_record(dword) {
    if (slot().path) text_store(&text_win, slot().path, text_lines, doc.line_count, true);
    return KEY_REDRAW;
}

int key_info(dword) {
    const char* path = slot().path;
    if (!path) return KEY_REDRAW;
    char dir[PATH_BYTES];
    const char* name = path_split(path, dir, sizeof dir);
    if (window_open(WINDOW_DETAILS, file_call(dir, name, &text_win)) != WINDOW_ABSENT)
        doc.state = VS_MESSAGE;
    return KEY_DONE;
}

int key_title_toggle(dword) {
    doc.title_toggle = !doc.title_toggle;
    return KEY_REDRAW;
}

int key_guide(dword) {
    if (doc.epg_info_mode) {
        epg_document(0, 0);
        return KEY_REDRAW;
    }
    if (!window_available(ACTION_EPG_DETAILS)) {
        window_open(ACTION_EPG_DETAILS, key_call(0, &text_win)); // says it is not there yet
        return KEY_REDRAW;
    }
    // With the EPG window open its request stays as it is; else its channel, current programme.
    if (window_flags & WS_EPG)
        epg_document(0, 2);
    else
        epg_document(1, 1);
    return KEY_REDRAW;
}

int key_teletext(dword) {
    if (!(window_flags & WS_VIEWER_OTHER_KEY) && key_press_interval <= TELETEXT_TICKS) {
        window_flags |= WS_PASS_TELETEXT;
        close_viewer();
        return KEY_CLOSED;
    }
    history_move(-1);
    return KEY_REDRAW;
}

int key_exit(dword) {
    close_viewer();
    return KEY_CLOSED;
}

int key_help(dword) {
    help_box(0, &text_win, doc.edit_state > 0 ? &help_text_editor : &help_text_viewer);
    return KEY_DONE;
}

// ---- Key handlers of the editor mode ----

int key_cursor(dword key) {
    const int page = page_size();
    int32_t& top = slot().top_line;
    int32_t& cur = doc.edit_cursor;
    switch (key & ~KEY_TAP_MARK) {
    case KEY_UP:
        if (cur == top) --top;
        --cur;
        break;
    case KEY_DOWN:
        if (cur == top + page - 1) ++top;
        ++cur;
        break;
    case KEY_REWIND:
    case KEY_V_PLUS:
        if (cur == top) {
            top -= page;
            if (top < 0) top = 0;
        }
        cur = top;
        break;
    case KEY_FORWARD:
    case KEY_V_MINUS:
        if (cur == top + page - 1) {
            top += page;
            cur += page;
        } else {
            cur = top + page - 1;
        }
        break;
    case KEY_JUMP_START:
        top = cur = 0;
        break;
    case KEY_JUMP_END:
        top = cur = doc.line_count;
        break;
    default:
        break;
    }
    if (cur < 0) cur = 0;
    return KEY_REDRAW;
}

int key_edit_line(dword) {
    doc.state = VS_EDIT_LINE;
    line_edit(0, EDIT_TEXT_LINE, "- Zeile editieren", "- Edit Text Line", line_at(doc.edit_cursor));
    return KEY_DONE;
}

int key_edit_store(dword) {
    const char* path = slot().path ? slot().path : "";
    if (doc.edit_state >= 2) {
        if (text_store(&text_win, path, text_lines, doc.line_count, false) == 0) doc.edit_state = 1;
    } else {
        message(IBOX_WARNING, MESSAGE_SHORT_MS, leaf(path),
                ui_text("No changes.", "Keine \xC4nderungen."));
    }
    return KEY_REDRAW;
}

int key_edit_exit(dword) {
    if (doc.edit_state >= 2)
        message(IBOX_WARNING, MESSAGE_LONG_MS, leaf(slot().path ? slot().path : ""),
                ui_text("File has NOT YET BEEN STORED.", "Datei wurde NOCH NICHT GESPEICHERT."));
    doc.edit_state = doc.edit_state >= 2 ? 1 - doc.edit_state : 0;
    return KEY_REDRAW;
}

int key_redraw(dword) {
    return KEY_REDRAW;
}

// Latin-1 texts: \xE4 ä, \xF6 ö, \xFC ü, \xDF ß, \xC4 Ä (strings are split behind each escape).
constexpr key_row view_rows[] = {
    on(KEY_DOWN, key_scroll).help("v ^ : Scroll one line", "v ^ : Eine Zeile weiter"),
    on(KEY_UP, key_scroll),
    on(KEY_REWIND, key_page)
        .help("<< >> V+ V- : Page up / down", "<< >> V+ V- : Seite zur\xFC"
                                              "ck / vor"),
    on(KEY_V_PLUS, key_page),
    on(KEY_FORWARD, key_page),
    on(KEY_V_MINUS, key_page),
    on(KEY_JUMP_START, key_ends).help("|< >| : First / last page", "|< >| : Erste / letzte Seite"),
    on(KEY_JUMP_END, key_ends),
    on(KEY_LEFT, key_select)
        .help("< > : Select previous / next link", "< > : Vorigen / n\xE4"
                                                   "chsten Link w\xE4hlen"),
    on(KEY_RIGHT, key_select),
    on(KEY_OK, key_ok).help("Ok: Follow link / edit text", "Ok: Link folgen / Text editieren"),
    on(KEY_P_MINUS, key_history)
        .help("P- P+ Play: Back / forward in history", "P- P+ Play: Zur\xFC"
                                                       "ck / vor in der History"),
    on(KEY_P_PLUS, key_history),
    on(KEY_PLAY, key_history),
    on(KEY_TELETEXT, key_teletext)
        .help("Teletext: Back in history (2x quickly: receiver's teletext)",
              "Teletext: Zur\xFC"
              "ck in der History (2x schnell: Videotext)"),
    on(KEY_AR, key_url).help("AR: Enter URL", "AR: URL eingeben"),
    on(KEY_AUX, key_lookup)
        .help("Aux: Look up words (Ok: encyclopedia, Guide: web search)",
              "Aux: Nachschlagen (Ok: Lexikon, Guide: Websuche)"),
    on(KEY_SAT, key_search).help("Sat: [2x] Search text", "Sat: [2x] Text suchen"),
    on(KEY_CUT, key_search_again).help(">|< White: Search again", ">|< Wei\xDF: Weitersuchen"),
    on(KEY_WHITE, key_search_again),
    on(KEY_FAV, key_home).help("Fav: HOME document", "Fav: HOME-Dokument"),
    on(KEY_F1, key_set_home).help("F1: Set document as HOME", "F1: Dokument als HOME setzen"),
    on(KEY_F2, key_bookmark).help("F2: Bookmark document", "F2: Lesezeichen setzen"),
    on(KEY_F3, key_bookmarks).help("F3: Show bookmarks", "F3: Lesezeichen zeigen"),
    on(KEY_F4, key_bookmark_delete)
        .help("F4: Delete selected bookmark", "F4: Gew\xE4hltes Lesezeichen l\xF6schen"),
    on(KEY_RECALL, key_recall).help("Recall: Load document again", "Recall: Dokument neu laden"),
    on(KEY_RECORD, key_record)
        .help("Record: Store as text file", "Record: Als Textdatei speichern"),
    on(KEY_INFO, key_info).help("Info: File details", "Info: Dateidetails"),
    on(KEY_SUBTITLE, key_title_toggle)
        .help("Subtitle: Beginning / end of long links", "Subtitle: Anfang / Ende langer Links"),
    on(KEY_GUIDE, key_guide).help("Guide: EPG details", "Guide: EPG-Details"),
    named(KEY_TVRADIO, "\rTvRadio: Toggle font size",
          "\rTvRadio: Schriftgr\xF6\xDF"
          "e wechseln"),
    named(KEY_AUDIO, "AudioTrk: Toggle language", "AudioTrk: Sprache wechseln"),
    named(KEY_SLEEP, "Sleep: Screen capture of window", "Sleep: Screen Capture des Fensters"),
    on(KEY_EXIT, key_exit).help("Exit: Leave text viewer", "Exit: Textviewer verlassen"),
};

constexpr key_row editor_rows[] = {
    on(KEY_UP, key_cursor).help("^ v : Move cursor line", "^ v : Cursorzeile bewegen"),
    on(KEY_DOWN, key_cursor),
    on(KEY_REWIND, key_cursor)
        .help("<< >> V+ V- : Page up / down", "<< >> V+ V- : Seite zur\xFC"
                                              "ck / vor"),
    on(KEY_V_PLUS, key_cursor),
    on(KEY_FORWARD, key_cursor),
    on(KEY_V_MINUS, key_cursor),
    on(KEY_JUMP_START, key_cursor)
        .help("|< >| : First / last line", "|< >| : Erste / letzte Zeile"),
    on(KEY_JUMP_END, key_cursor),
    on(KEY_OK, key_edit_line).help("Ok: Edit cursor line", "Ok: Cursorzeile editieren"),
    on(KEY_RECORD, key_edit_store)
        .help("Record: Store file (old one as .backup)",
              "Record: Datei speichern (alte als .backup)"),
    on(KEY_SAT, key_search).help("Sat: [2x] Search text", "Sat: [2x] Text suchen"),
    on(KEY_CUT, key_search_again).help(">|< White: Search again", ">|< Wei\xDF: Weitersuchen"),
    on(KEY_WHITE, key_search_again),
    on(KEY_1, key_redraw).help("1: Redraw", "1: Neu zeichnen"),
    named(KEY_TVRADIO, "\rTvRadio: Toggle font size",
          "\rTvRadio: Schriftgr\xF6\xDF"
          "e wechseln"),
    named(KEY_AUDIO, "AudioTrk: Toggle language", "AudioTrk: Sprache wechseln"),
    on(KEY_EXIT, key_edit_exit).help("Exit: Leave editor", "Exit: Editor verlassen"),
};

// ---- Answers of the line editor ----

dword editor_return(dword key) {
    text_read(key, nullptr);
    return 0;
}

// The states that wait for the line editor; true when the key was taken.
bool pending_state(dword key) {
    const dword k = key & ~KEY_TAP_MARK;
    const int state = doc.state;
    if (state < VS_SEARCH) return false;
    doc.state = VS_NORMAL;
    switch (state) {
    case VS_SEARCH: {
        const char* pattern = line_edit_result(EDIT_TEXT_SEARCH);
        if (k == KEY_OK && pattern && *pattern) search();
        break;
    }
    case VS_EDIT_LINE: {
        const char* result = line_edit_result(EDIT_TEXT_LINE);
        if (k == KEY_OK && result && doc.edit_cursor >= 0 && doc.edit_cursor < doc.line_count) {
            if (char* copy = str_dup(result)) {
                mem_free(text_lines[doc.edit_cursor]);
                text_lines[doc.edit_cursor] = copy;
                ++doc.edit_state;
            }
        }
        break;
    }
    case VS_URL: {
        const char* result = line_edit_result(EDIT_URL);
        if (k == KEY_OK && result && *result) {
            char url[EDIT_BUFFER];
            snprintf(url, sizeof url, "%s", result);
            follow(url);
            if (doc.state != VS_NORMAL) return true;
        }
        break;
    }
    case VS_LOOKUP: {
        const char* result = line_edit_result(EDIT_LOOKUP);
        char url[LINE_BUFFER_SIZE];
        if ((k == KEY_OK || k == KEY_GUIDE) && result &&
            lookup_url(result, k == KEY_OK, ui_english(), url, sizeof url) == 0) {
            follow(url);
            if (doc.state != VS_NORMAL) return true;
        }
        break;
    }
    default:
        break;
    }
    redraw();
    return true;
}

void open_viewer(bool counted) {
    if (counted) usage_opened(USE_VIEWER);
    // A quick second Teletext goes to the receiver only when the dispatcher opened the viewer
    // with Teletext (it clears this flag after the opening); opened by another window, Teletext
    // goes back in the history.
    window_flags |= WS_VIEWER | WS_VIEWER_OTHER_KEY;
    doc.state = VS_NORMAL;
    screen_take();
    line_edit_set_return(EDIT_TEXT_SEARCH, editor_return);
    line_edit_set_return(EDIT_TEXT_LINE, editor_return);
    line_edit_set_return(EDIT_URL, editor_return);
    line_edit_set_return(EDIT_LOOKUP, editor_return);
}

} // namespace

const key_table text_view_keys = key_table_of(view_rows, &shared_keys, key_help, true);
const key_table text_editor_keys = key_table_of(editor_rows, &shared_keys, key_help, true);
const help_page help_text_viewer = {
    "Keys in Text Viewer", "Tasten im Textviewer", nullptr, nullptr, nullptr, &text_view_keys, 1,
};
const help_page help_text_editor = {
    "Keys in Text Editor", "Tasten im Texteditor", nullptr, nullptr, nullptr, &text_editor_keys, 1,
};

dword text_read(dword key, const char* path) {
    window_flags &= ~WS_EPG_CHANNEL;
    mem_free(doc.pending_anchor);
    doc.pending_anchor = nullptr;
    if (key & (KEY_REPEAT | KEY_RELEASE)) return 0;
    const dword k = key & ~KEY_TAP_MARK;
    if (key > 2) {
        if (!(window_flags & WS_VIEWER)) return 0;
        if (pending_state(key)) return 0;
        if (doc.state == VS_MESSAGE) {
            if (k == KEY_EXIT) {
                ibox_show(nullptr, nullptr, 0);
                doc.state = VS_NORMAL;
                redraw();
            }
            return 0;
        }
        if (doc.state == VS_IMAGE) {
            if (!window_ask(WINDOW_IMAGE, key_call(key, &text_win), 0)) {
                doc.state = VS_NORMAL;
                redraw();
            }
            return 0;
        }
    }
    if (key == 0 || key == 2) open_viewer(key == 0);
    if (key != 2 && (key == 0 || !slot().path)) {
        char* wanted = path          ? (path[0] ? path_tap(nullptr, path) : description_path())
                       : slot().path ? str_dup(slot().path)
                                     : home_path();
        if (wanted) show_document(wanted);
    }
    if (key > 2) {
        const int outcome =
            key_dispatch(doc.edit_state > 0 ? text_editor_keys : text_view_keys, key);
        if (k != KEY_TELETEXT) window_flags |= WS_VIEWER_OTHER_KEY;
        if (outcome != KEY_REDRAW) return 0;
    }
    if (doc.state == VS_NORMAL && !(window_flags & (WS_HELP | WS_EDITOR))) redraw();
    return 0;
}

dword text_viewer_entry(const window_call& call) {
    return text_read(call.key, call.name);
}

void text_release(void) {
    free_lines();
    for (history_slot& s : history) {
        mem_free(s.path);
        s = history_slot{};
    }
    current = 0;
    mem_free(doc.pending_anchor);
    doc = document_state{};
    view = view_state{};
}

text_view_facts text_view_facts_now(void) {
    const history_slot& s = history[current];
    return {s.path,          s.top_line,     s.selected_link, doc.line_count, doc.link_count,
            doc.split_count, doc.edit_state, doc.edit_cursor, doc.state};
}
