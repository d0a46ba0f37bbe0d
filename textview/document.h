// Reading a document into the text viewer's line table: the character filter, the line buffer
// with its forced breaks, the "References" section of a converted web page (the link targets)
// and the word wrap by measured width. Fed one byte at a time from a file or a pipe; no
// drawing and no file access of its own.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum {
    DOC_LINE_BYTES = 2000,  // the line buffer: 1999 characters and the NUL
    DOC_BLANK_BREAK = 1800, // a blank after this many characters ends the line
    DOC_MEASURE_FROM = 51,  // shorter pieces are never measured
    DOC_WRAP_WIDTH = 689,   // pixels of the small font a line may take
    DOC_WRAP_LOOK = 100,    // a cut is looked for within this many characters
};

// Width of a text in the small font (pixels).
typedef int (*doc_measure_fn)(const char* text);

struct doc_reader {
    // The table the lines go into and its room.
    char** lines;
    uint32_t capacity;
    bool web; // a converted page: "References" starts the link targets
    doc_measure_fn measure;
    // Results.
    uint32_t stored;     // lines stored (text lines and link targets)
    int32_t link_count;  // link targets stored
    int32_t split_count; // extra lines from forced breaks and the word wrap
    bool full;           // the table (or the memory) is full: reading stops
    // Working state.
    bool references;     // inside the reference section
    bool saw_references; // the page had a reference section
    uint8_t pending[3];  // a three-byte UTF-8 sequence being collected
    int pending_count;
    int length; // characters in line
    char line[DOC_LINE_BYTES];
};

// Starts reading into lines[0 ... capacity - 1] (the table must hold no lines).
void doc_begin(doc_reader* r, char** lines, uint32_t capacity, bool web, doc_measure_fn measure);
// One byte of the source. False when reading ends: a NUL byte, or the table is full.
bool doc_byte(doc_reader* r, int byte);
// Bytes of the source, as if given one at a time to doc_byte (runs of plain characters are
// copied at once). False when reading ends.
bool doc_bytes(doc_reader* r, const uint8_t* data, size_t n);
// A text of bytes, as if read (a NUL inside ends it). False when reading ends.
bool doc_text(doc_reader* r, const char* text);
// Ends the line being read, as at a line feed.
void doc_line_end(doc_reader* r);
// The end of the source: the last line is stored. Returns the text lines (stored lines
// without the link targets); link_count becomes -1 for a converted page without references.
int32_t doc_end(doc_reader* r);

// Gives back lines[0 ... count - 1] (and clears them).
void doc_free(char** lines, uint32_t count);

// Where a document is shown first.
// An anchor: decimal digits n >= 1 give line n - 1; otherwise '_' stands for a blank and the
// first line that equals it (leading blanks skipped) matches; "*word" matches a line ending
// in "word", "word*" a line beginning with "word". -1 when nothing matches.
int32_t doc_anchor_line(char* const* lines, int32_t count, const char* anchor);
// A converted page without an anchor: the third line in a row without "[" at index i gives
// max(0, i + 1 - 5); 0 when there is no such run.
int32_t doc_page_start(char* const* lines, int32_t count);

// Link markers "[N]" (1 <= N <= link_count) in a line: finds the next one at or after from.
// Returns its start (the "[") and sets *number and *length, or null.
const char* doc_next_link(const char* from, int32_t link_count, int32_t* number, size_t* length);

// The three-byte UTF-8 characters the filter replaces: the replacement of code point cp into
// out (at least 12 bytes).
void doc_replacement(uint32_t cp, char* out, size_t size);
