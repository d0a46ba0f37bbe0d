// The header sections of a TAP file, read straight from the file (a MIPS shared object).
#pragma once

#include <stdint.h>

struct tap_header_record {
    char* program_name;    // "._tap_program_name"
    char* author_name;     // "._tap_author_name"
    char* description;     // "._tap_description"
    char* etc_info;        // "._tap_etcinfo"
    char* program_version; // "._tap_program_version"
    uint32_t id;           // "._tap_id"
    uint32_t attribute;    // "._tap_attribute"
};

// Reads the TAP file name in the TAP folder dir (a disk path, joined by the path rule). With
// dir null, name is a path as the firmware's task table gives it ("/mnt/hd/ProgramFiles/x.tap").
// The file must be a 32-bit little-endian MIPS shared object; missing sections leave their
// fields empty (null texts, zero words). Returns the record, or null for a file that cannot
// be read or is no TAP. The record and its texts belong to the reader and are replaced at the
// next call.
const tap_header_record* tap_header_read(const char* dir, const char* name);
// Gives back the texts of the last record.
void tap_header_clear(void);
