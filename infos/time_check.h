// The time-zone check of Infos & Tools: the receiver's local clock against a time server's UTC
// (SNTP over UDP), the difference rounded to quarter hours and kept in the position record.
#pragma once

#include <stdint.h>

// The local offset in minutes of a local clock and a server's UTC (both Unix seconds): the
// difference in whole minutes m rounded to quarter hours as (m + 5) / 15 for m >= 1 and
// (m - 5) / 15 otherwise (towards zero). False when it is 96 quarter hours or more either way
// (a server that did not answer, or one that is days off).
bool quarter_hour_offset(int64_t local, int64_t server, int32_t* minutes);

// The server's time in Unix seconds from its 48-byte answer (the transmit seconds at byte 40,
// big-endian, since 1900); 0 for an answer of another length.
uint32_t sntp_answer_time(const uint8_t* answer, long length);

// Asks the time host (a numeric IPv4 address, or a name that resolves to one) on UDP port 123,
// waiting at most 0.3 s for the answer. Unix seconds, or 0 on any failure.
uint32_t sntp_query(const char* host);

// Once per run (again when the local clock went back): asks the time host and, when the offset
// is plausible, stores it and the server's time in the position record and writes it. Returns
// whether a check was made.
bool time_zone_check(void);
