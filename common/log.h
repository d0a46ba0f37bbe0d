// The log "TovakRC.log" of the settings folder: a banner per run, then one time-stamped line
// per message. It is written whenever a message comes; callers that log only with the logging
// flag (0x20000000) check it themselves.
#pragma once

// Appends one message; a message beginning with byte 0x01 continues on the same line as the
// next one.
void log_msg(const char* message);
// Formats (bounded) and appends one message.
void log_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// True when the logging flag is set.
bool log_enabled(void);
// Number of messages logged in this run.
int log_count(void);
// Begins a new run of the log: the next message writes the banner again.
void log_restart(void);
