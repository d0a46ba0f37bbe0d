// The line editor: one line of text typed with the remote control (multi-tap digits, cursor and
// word moves, insert/replace), with a history ring of 20 entries per kind of input that is kept
// in "TovakRC.his" of the settings folder.
#pragma once

#include <stddef.h>

#include "common/charset.h"
#include "platform/tap_api.h"

enum {
    EDIT_KINDS = 8,    // history rings, one per kind of input
    EDIT_HISTORY = 20, // entries per ring
    EDIT_BUFFER = 200, // bytes of the edit buffer
    EDIT_MAX_CHARS = 199,
    EDIT_COMMIT_TICKS = 81, // a pending multi-tap character is committed after this many ticks
};

enum edit_kind {
    EDIT_RENAME = 0,
    EDIT_LIST_SEARCH = 1,
    EDIT_TEXT_SEARCH = 2,
    EDIT_TEXT_LINE = 3,
    EDIT_URL = 4,
    EDIT_LOOKUP = 5,
};

// The window entry point. Key 0 opens the editor for `kind` with its titles and the initial
// text (null: the newest history entry of that kind; kind 4 with an empty text: the URL
// template); key 1 commits a pending multi-tap character and redraws; any other value is a
// remote-control key. Returns 0.
dword line_edit(dword key, int kind, const char* title_de, const char* title_en,
                const char* initial);

// The editor's keys (its key handling and the labels of its key panel).
struct key_table;
extern const key_table editor_keys;

// The idle duty: when a multi-tap character has been pending for at least 81 ticks it is
// committed (line_edit with key 1). Returns 1 when it did so, else 0.
int line_edit_idle(void);
// True while the editor is open.
bool line_edit_open(void);
// The text being edited (Latin-1, a pending multi-tap character included) and the cursor.
const char* line_edit_text(void);
int line_edit_cursor(void);

// What the editor hands back: when the user accepts, the text is stored in the kind's result
// slot and the handler registered for the kind gets the accepting key (Ok, or Guide for the
// lookup kind).
typedef dword (*edit_return_fn)(dword key);
void line_edit_set_return(int kind, edit_return_fn fn);
const char* line_edit_result(int kind); // null until the kind's first accepted text

// Copies the previous (-1) or next (+1) entry of the kind's ring into buffer (EDIT_BUFFER
// bytes). Returns 0, or -1 when stepping is refused (forward from the entry being edited,
// backward onto an empty slot or all the way round).
int history_step(int kind, char* buffer, int direction);

// "TovakRC.his": read at start-up (0, or -1 when the file cannot be opened) and written on
// accepting and on "Save & Cancel" (0, or -1 when it cannot be written).
int history_load(void);
int history_save(void);
// The reader's core: the file's bytes, as read from disk (used by the fuzz target too).
void history_parse(const char* data, size_t size);
// The newest entry of a kind's ring, or null.
const char* history_newest(int kind);
// Gives back every history entry and result (the rings are then empty).
void history_clear(void);

// The characters of a digit key in a column of the multi-tap table (0 lower case, 1 upper
// case, 2 digits and symbols), Latin-1; "" outside the table.
const char* multitap_chars(int digit, int column);
