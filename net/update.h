// The update check: the TAP, its description files, its helper programs and the files of the
// update list "tovakrc.update" are fetched from the maker's server (the TAP's author-name
// header text, below "tovakrc/") when the server's copy is newer than the local one. Silent
// from the idle duties (mode 0: only the TAP's request is sent), with a report from the
// settings menu (mode 1).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "osd/window_open.h"

enum { UPDATE_AGENT_SIZE = 80, UPDATE_LINE = 100, UPDATE_LIST_MAX = 64 };

// What the user agent tells the server about this receiver and its use.
struct update_agent_facts {
    const char* program; // name and version of the TAP
    const char* device;  // the device identifier, "" when none is known
    uint32_t counts[7];  // browser, viewer, image, Infos & Tools, web openings, starts, keys
    uint8_t tf_model, rc_model, receiver_id;
    uint32_t flags;            // settings flags
    int mode;                  // 0 silent, 1 interactive
    float latitude, longitude; // the located position
};

// The base-36 digit of the number of binary digits of value (0 -> '0', 1 -> '1', 2..3 -> '2').
char update_bits_digit(uint32_t value);
// The location code: "HD" for the position 0/0, four base-36 digits of the position on a grid
// of 1/7.2 degree of latitude and 1/3.6 degree of longitude, or "X" outside it. out: 5 bytes.
void update_location_code(float latitude, float longitude, char* out);
// "program device-ccccccc-models flags id mode-location" into out (at most size - 1
// characters).
void update_agent_text(const update_agent_facts& facts, char* out, size_t size);

// One line of the update list (changed in place): the file name it asks for, or null for a
// comment, an empty line or a name that could leave the settings folder (an absolute path,
// "..", control characters). *level: the number of its leading "-".
const char* update_list_entry(char* line, int* level);

// Fetches one file (the TAP as the next free "NNN_tovakrc_tms.tap" in "/ProgramFiles") when
// the server's copy is newer and appends the message of its level to line_buffer. 0
// (fetched or not newer; the settings note the check), -1 failed.
int update_file(const char* name, const char* agent, int mode, int level);

// The whole check (mode 0 or 1): 0, or -1 when the TAP's own file could not be checked. Mode 1
// shows its report in an info box titled "Update" that stays open for its caller to close.
int update_check(int mode);

// The entry of ACTION_UPDATE: update_check(call.mode).
dword update_entry(const window_call& call);
