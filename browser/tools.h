// The browser's external tools, each ending in a text report shown in the text viewer: the
// recursive listing of a folder tree with its totals ("TovakRC.LST"), shell scripts, the codec
// report of a media file (ffprobe helper), the hex dump of any other file, and the recording
// analysis (rectool helper) of a recording or of live TV.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "platform/tap_api.h"

// Totals of the last walk.
struct walk_totals {
    uint64_t bytes;
    int32_t files, directories, levels;
};
extern walk_totals walk;

// Walks a Linux path (receiver form, "/mnt/hd/...") to `depth` 0 ... 31; at depth 0 the totals
// start afresh. With `write` the listing goes into "TovakRC.LST" of the settings folder, whose
// TAP path is returned (a fresh block); without, or when the list cannot be written, null.
char* dir_walk(const char* path, bool write, int depth);

// The text of the totals box in the language shown.
void walk_totals_text(const walk_totals& t, char* out, size_t size);

// The codec report's filter: one line of the prober's output (with its line feed) into out;
// false when the line is dropped. *started turns true at the first line holding "Duration:";
// the lines before it are dropped.
bool codec_line(const char* line, bool* started, char* out, size_t size);

// The hex dump of a file's first bytes (at most HEX_DUMP_BYTES) into f: lines " %05x:" with
// the bytes in groups, and "...\n" when the file is longer.
constexpr size_t HEX_DUMP_BYTES = 4096, HEX_DUMP_LINE = 16;
void hex_dump_write(FILE* f, const uint8_t* bytes, size_t n, bool longer);

// The entry of the tools (ACTION_TOOL of osd/window_open.h): mode browser_tool_kind on
// call.dir / call.name; the report opens in the text viewer over call.over.
struct window_call;
dword browser_tool_entry(const window_call& call);
