// The MP3 information reader: where the first frame of a file begins, what its header says,
// and the ID3v1 tag at the end.
#include <string.h>

#include "browser/mp3.h"
#include "common/mpeg_audio.h"
#include "image/file_reader.h"

namespace {

enum {
    HEAD_BYTES = 10,      // read where a frame, a tag or a wrapper may begin
    RIFF_CHUNKS_MAX = 64, // chunks of a RIFF wrapper looked at before its "data"
    ID3V1_TEXT = 29,      // characters kept of each text of the ID3v1 tag
    YEAR_FIRST = 1900,    // years outside these are reported as 0
    YEAR_LAST = 2100,
};

mp3_info_record info;

// Cuts a text of the tag to 29 characters and removes its trailing blanks.
void tag_text(char* text, size_t size) {
    if (size > ID3V1_TEXT) text[ID3V1_TEXT] = 0;
    size_t n = strnlen(text, size);
    while (n && text[n - 1] == ' ')
        text[--n] = 0;
}

void tag_read(file_reader* r) {
    id3v1_tag& t = info.tag;
    if (r->length < sizeof t || file_reader_seek(r, -static_cast<int32_t>(sizeof t), 2) != 0 ||
        file_reader_read(&t, sizeof t, r) != sizeof t || memcmp(t.marker, "TAG", 3) != 0) {
        memset(&t, 0, sizeof t);
        return;
    }
    int year = 0;
    for (size_t i = 0; i < sizeof t.year && t.year[i] >= '0' && t.year[i] <= '9'; ++i)
        year = year * 10 + (t.year[i] - '0');
    info.year = year >= YEAR_FIRST && year <= YEAR_LAST ? year : 0;
    // ID3v1.1: a NUL before the comment's last byte makes that byte the track number.
    const uint8_t track = static_cast<uint8_t>(t.comment[29]);
    info.track = t.comment[28] == 0 && track != ' ' ? track : 0;
    info.genre = t.genre;
    tag_text(t.title, sizeof t.title);
    tag_text(t.artist, sizeof t.artist);
    tag_text(t.album, sizeof t.album);
    tag_text(t.comment, sizeof t.comment);
}

// Behind the 10 bytes of a RIFF header: walks the chunks to the one with the data. False when
// there is none.
bool riff_skip(file_reader* r) {
    uint8_t chunk[8];
    if (file_reader_read(chunk, 2, r) != 2 || memcmp(chunk, "VE", 2) != 0) return false;
    for (int i = 0; i < RIFF_CHUNKS_MAX; ++i) {
        if (file_reader_read(chunk, sizeof chunk, r) != sizeof chunk) return false;
        if (!memcmp(chunk, "data", 4)) return true;
        const uint32_t size = chunk[4] | chunk[5] << 8 | chunk[6] << 16 | uint32_t{chunk[7]} << 24;
        if (size > r->length || file_reader_seek(r, static_cast<int32_t>(size + (size & 1)), 1))
            return false;
    }
    return false;
}

// Reads the bytes where the first frame begins into head; returns how many there were.
uint32_t first_frame(file_reader* r, uint8_t* head) {
    for (;;) {
        int c;
        while ((c = file_reader_byte(r)) == 0) {
        }
        if (c < 0) return 0;
        head[0] = static_cast<uint8_t>(c);
        const uint32_t got = 1 + file_reader_read(head + 1, HEAD_BYTES - 1, r);
        if (got == HEAD_BYTES && !memcmp(head, "RIFF", 4) && !memcmp(head + 8, "WA", 2)) {
            if (!riff_skip(r)) return 0;
            continue;
        }
        if (got == HEAD_BYTES && !memcmp(head, "ID3", 3) && head[6] == 0 && head[7] < 0x80 &&
            head[8] < 0x80 && head[9] < 0x80) {
            info.id3v2_version[0] = head[3];
            info.id3v2_version[1] = head[4];
            const int32_t size = head[7] << 14 | head[8] << 7 | head[9];
            if (file_reader_seek(r, size, 1) != 0) return 0; // the tag ends past the file
            continue;
        }
        return got;
    }
}

} // namespace

const mp3_info_record* mp3_info(const char* name) {
    memset(&info, 0, sizeof info);
    file_reader* r = file_reader_open(name);
    if (!r) return nullptr;
    file_reader_guard guard{r};
    uint8_t head[HEAD_BYTES];
    const uint32_t got = first_frame(r, head);
    tag_read(r);
    mpeg_frame frame;
    if (got < 4 || !mpeg_frame_decode(head, &frame)) return nullptr;
    info.mpeg_version = static_cast<uint8_t>(frame.version);
    info.layer = static_cast<uint8_t>(frame.layer);
    info.sample_rate = frame.sample_rate;
    info.bitrate = frame.bitrate_kbps;
    return &info;
}
