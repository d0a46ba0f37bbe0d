// The two large tables allocated once at start-up from the settings: the file browser's
// entries (Max. Files x 1000 records of FILE_ENTRY_BYTES) and the text viewer's line pointers
// (Max. Text x 5000).
#pragma once

#include <stdint.h>

enum { FILE_ENTRY_BYTES = sizeof(void*) == 4 ? 24 : 32 };

extern void* entry_table;
extern uint32_t entry_capacity;
extern char** text_lines;
extern uint32_t text_line_capacity;

// Allocates both tables for the settings' Max. Files and Max. Text, cleared. A table that
// cannot be had keeps capacity 0.
void tables_allocate(void);
// Gives both back.
void tables_free(void);
