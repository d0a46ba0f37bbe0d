// The Info text of a file: folder and name, a link's target, date and size, then the details
// its type offers.
#include "browser/file_details.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include "browser/mp3.h"
#include "browser/recording.h"
#include "common/byte_order.h"
#include "common/format.h"
#include "common/names.h"
#include "common/paths.h"
#include "common/receiver_path.h"
#include "common/settings.h"
#include "common/tap_header_read.h"
#include "common/programs.h"
#include "image/decode.h"
#include "image/file_reader.h"
#include "osd/ibox.h"
#include "osd/key_help.h"
#include "osd/window.h"
#include "osd/window_open.h"

namespace {

// Appends to the text that is being built in line_buffer (behind its first byte).
struct text_out {
    char* p = line_buffer + 1;
    size_t used = 0;
    static constexpr size_t size = LINE_BUFFER_SIZE - 1;
    text_out() { p[0] = 0; }
    void add(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

void text_out::add(const char* format, ...) {
    if (used >= size - 1) return;
    va_list args;
    va_start(args, format);
    int n = vsnprintf(p + used, size - used, format, args);
    va_end(args);
    if (n < 0) {
        p[used] = 0;
        return;
    }
    used += static_cast<size_t>(n) < size - used ? static_cast<size_t>(n) : size - used - 1;
}

// The link target of dir/name as a receiver path, or false when name is no symbolic link.
bool link_target(const char* dir, const char* name, char* out, size_t out_size) {
    char receiver[1024], linux_path[1536], target[1024];
    int n = snprintf(receiver, sizeof receiver, "/mnt/hd%s%s%s", dir,
                     dir[0] && dir[strlen(dir) - 1] == '/' ? "" : "/", name);
    if (n < 0 || n >= static_cast<int>(sizeof receiver)) return false;
    if (path_map(receiver, linux_path, sizeof linux_path) != 0) return false;
    ssize_t len = readlink(linux_path, target, sizeof target - 1);
    if (len <= 0) return false;
    target[len] = 0;
    const char* t = path_unmap(target);
    if (strncmp(t, "/mnt/hd/", 8) == 0) t += 7;
    if (t[0] == '/')
        n = snprintf(out, out_size, "%s", t);
    else // relative to the link's own folder
        n = snprintf(out, out_size, "%s%s%s", dir, dir[0] && dir[strlen(dir) - 1] == '/' ? "" : "/",
                     t);
    return n > 0 && n < static_cast<int>(out_size);
}

void image_block(text_out& out, const char* name) {
    image_record* img = image_read(nullptr, name);
    if (!img) return;
    out.add("\n%s:\n%d x %d px\n", ui_text("Image", "Bild"), img->file_width, img->file_height);
    if (img->comment[0]) out.add("%s\n", img->comment);
    if (img->headline > 0 && img->headline < sizeof img->comment && img->comment[img->headline]) {
        char headline[sizeof img->comment];
        memcpy(headline, img->comment + img->headline, sizeof img->comment - img->headline);
        headline[sizeof headline - 1] = 0;
        percent_decode(headline);
        out.add("%s\n", headline);
    }
}

void tap_block(text_out& out, const char* dir, const char* name) {
    const tap_header_record* tap = tap_header_read(dir, name);
    if (!tap) return;
    if (tap->program_name && *tap->program_name) out.add("\nProgram: %s", tap->program_name);
    if (tap->author_name && *tap->author_name) out.add("\nAuthor: %s", tap->author_name);
    if (tap->description && *tap->description) out.add("\nDescr.: %s", tap->description);
    if (tap->etc_info && *tap->etc_info) out.add("\nEtcinfo: %s", tap->etc_info);
    if (tap->program_version && *tap->program_version)
        out.add("\nVersion: %s", tap->program_version);
    if (tap->id) out.add("\nTAP ID: 0x%08X", static_cast<unsigned>(tap->id));
    if (tap->attribute) out.add("\nAttr.: 0x%08X", static_cast<unsigned>(tap->attribute));
    tap_header_clear();
}

// Channel and duration of a recording (the stream or its ".inf"); with a window also its
// bookmarks and whether it is scrambled.
void recording_block(text_out& out, const char* dir, const char* name, bool with_window) {
    const rec_header* h = inf_read(dir, name, false);
    if (!h) {
        inf_release();
        return;
    }
    out.add("\n%s: %s", ui_text("Channel", "Sender"), h->channel);
    const int epg = h->event_hours * 60 + h->event_minutes;
    if (epg)
        out.add("\n%s: %d', EPG %d'", ui_text("Duration", "Dauer"), get_le16(h->duration), epg);
    else
        out.add("\n%s: %d'", ui_text("Duration", "Dauer"), get_le16(h->duration));
    if (with_window) {
        const uint32_t marks = get_le32(h->bookmark_count);
        if (marks) out.add(", %d BM", static_cast<int>(marks));
        if (h->crypted) out.add(", Crypted");
    }
    inf_release();
}

// Tags and stream of an MP3 file of the current folder; size gives the play time.
void mp3_block(text_out& out, const char* name, uint64_t size) {
    const mp3_info_record* mp3 = mp3_info(name);
    if (!mp3) return;
    const id3v1_tag& tag = mp3->tag;
    if (tag.artist[0]) out.add("\nArtist:  %s", tag.artist);
    if (tag.album[0] || mp3->year) {
        out.add("\nAlbum: %s", tag.album);
        if (mp3->year) out.add(" (%d)", static_cast<int>(mp3->year));
    }
    if (tag.title[0]) out.add("\nTitle:    %s", tag.title);
    out.add("\n");
    if (mp3->track) out.add("Track %d, ", static_cast<int>(mp3->track));
    if (mp3->bitrate > 0) {
        const uint64_t seconds = size / 1000 * 8 / static_cast<uint64_t>(mp3->bitrate);
        out.add("%d:%02d, %d kbit/s, ", static_cast<int>(seconds / 60),
                static_cast<int>(seconds % 60), static_cast<int>(mp3->bitrate));
    }
    out.add("%d Hz", static_cast<int>(mp3->sample_rate));
    if (tag.comment[0]) out.add("\n%s", tag.comment);
}

} // namespace

int32_t text_line_count(const char* name) {
    file_reader* r = file_reader_open(name);
    if (!r) return -1;
    file_reader_guard guard{r};
    int32_t lines = 0;
    uint32_t position = 0;
    int ff_run = 0;
    for (int c; (c = file_reader_byte(r)) >= 0; ++position) {
        if (position < 1000) {
            if (c == 0) return -1;
            ff_run = c == 0xFF ? ff_run + 1 : 0;
            if (ff_run == 4) return -1;
        }
        if (c == '\n') ++lines;
    }
    return lines;
}

const char* file_details_text(const char* dir, const char* name, bool with_window) {
    text_out out;
    if (!dir || !name) return out.p;
    tap_folder_change(dir);
    out.add("%s/\n%s\n", strcmp(dir, "/") == 0 ? "" : dir, name);
    char target[1024];
    if (link_target(dir, name, target, sizeof target)) {
        char* slash = strrchr(target, '/');
        *slash = 0;
        out.add("\nSymlink %s:\n%s/\n%s\n", ui_text("to", "nach"), target, slash + 1);
    }
    TYPE_FolderEntry entry;
    memset(&entry, 0, sizeof entry);
    if (file_entry_find(name, &entry)) {
        const word mjd = static_cast<word>(entry.time >> 16);
        out.add("\n%s %d:%02d\n%s Bytes\n", date_time_text(mjd, -1),
                static_cast<int>(entry.time >> 8 & 0xFF), static_cast<int>(entry.time & 0xFF),
                size_text(static_cast<uint64_t>(entry.size)));
    }
    if (image_file_name(name)) {
        image_block(out, name);
    } else if (name_ends_with(name, ".tap")) {
        tap_block(out, dir, name);
    } else if (name_ends_with(name, ".inf") || name_ends_with(name, ".rec") ||
               name_ends_with(name, ".ts")) {
        recording_block(out, dir, name, with_window);
    } else if (name_ends_with(name, ".mp3")) {
        mp3_block(out, name, static_cast<uint64_t>(entry.size));
    } else {
        int32_t lines = text_line_count(name);
        if (lines >= 0)
            out.add("\nText:\n%d %s%s", static_cast<int>(lines), ui_text("Line", "Zeile"),
                    lines == 1 ? "" : ui_text("s", "n"));
    }
    return out.p;
}

void file_details(const char* dir, const char* name, osd_window* win) {
    char* text = const_cast<char*>(file_details_text(dir, name, win != nullptr));
    if (!win) {
        ibox_show("Info", text, IBOX_INFO);
        return;
    }
    if (text[0] == '\n') ++text;
    osd_key_text(win, text, ST_DARKEN | PAL_TITLE); // white on a darkened navy
}

dword file_details_entry(const window_call& call) {
    file_details(call.dir, call.name, nullptr);
    return 0;
}
