#include "tables.h"

#include <string.h>

#include "memory.h"
#include "settings.h"

void* entry_table;
uint32_t entry_capacity;
char** text_lines;
uint32_t text_line_capacity;

// Max. Files and Max. Text are in range after loading the settings (0 became 2).
void tables_allocate(void) {
    entry_capacity = settings_max_files(settings) * 1000u;
    entry_table = mem_alloc(static_cast<size_t>(entry_capacity) * FILE_ENTRY_BYTES);
    if (!entry_table) {
        entry_capacity = 0;
        return;
    }
    memset(entry_table, 0, static_cast<size_t>(entry_capacity) * FILE_ENTRY_BYTES);
    text_line_capacity = settings_max_text(settings) * 5000u;
    text_lines = static_cast<char**>(mem_alloc(text_line_capacity * sizeof(char*)));
    if (!text_lines) {
        text_line_capacity = 0;
        return;
    }
    memset(text_lines, 0, text_line_capacity * sizeof(char*));
}

void tables_free(void) {
    mem_free(entry_table);
    entry_table = nullptr;
    entry_capacity = 0;
    mem_free(text_lines);
    text_lines = nullptr;
    text_line_capacity = 0;
}
