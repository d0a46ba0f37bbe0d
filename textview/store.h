// Storing the viewer's document: back into its file (the old version kept as ".backup") or as
// a plain text file beside it (".text").
#pragma once

#include <stdint.h>

struct osd_window;

// Writes the first count lines of lines, each with "\n", to the Linux path of the document
// (TAP path) + ".text" (as_text) or to + ".temp", which then replaces the document after the
// document became its ".backup". Every write and the close are checked and the data reaches
// the disk before any rename: on a failure the document and its backup stay as they were, the
// partial file is removed and "File can't be written." shows. "File has been stored." shows
// on success. 0 or -1.
int text_store(osd_window* win, const char* path, char* const* lines, int32_t count, bool as_text);
