// The log "TovakRC.log" of the settings folder.
#pragma once

// Appends one message; a message beginning with byte 0x01 continues on the same line as the
// next one.
void log_msg(const char* message);
// Formats (bounded) and appends one message.
void log_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
