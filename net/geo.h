// IP geolocation: the receiver's public IP address and its location from one of two web
// services (a small XML answer with one tag per line), kept in the position record
// "TovakRC.pos". The address itself is kept for the run only.
#pragma once

#include <stddef.h>

#include "common/records.h"
#include "osd/window_open.h"

// Host names of the two services.
#define GEO_HOST_1 "ip-api.com"
#define GEO_HOST_2 "freegeoip.app"

enum { GEO_IP_SIZE = 40, GEO_ANSWER_MAX = 4096 };

// What one answer says; empty texts and has_* false for the tags it lacks.
struct geo_answer {
    char ip[GEO_IP_SIZE];
    char country[24 + 1], country_code[8 + 1], region[24 + 1], region_code[8 + 1];
    char time_zone[32 + 1], city[24 + 1];
    bool has_latitude, has_longitude;
    float latitude, longitude;
    int provider; // service 1: 1 Telekom, 2 Vodafone, 3 Kabel, 0 other
};

// Reads the answer of service 1 or 2 (the n bytes of data, anything). False when it has no
// usable IP address (the tag missing, empty or holding anything but an address's characters).
bool geo_answer_read(const char* data, size_t n, int service, geo_answer* out);

// Takes an answer into the record: every text the answer has replaces its field (cut to the
// field, unterminated when it fills it); latitude and longitude when they are degrees; the
// provider class from service 1; the answering service.
void geo_answer_apply(const geo_answer& a, int service, position_record* r);

// The public IP address, asking the services as mode says:
//  -1: the address known from this run, else a query as mode 0 without its conditions;
//   0: only when no location is known (0/0) and the last query attempt is a day old, else null;
//   1: service 1 only, 2: service 2 only; both always replace the location.
// Modes up to 0 ask service 1 and then service 2. A successful query saves the record. An
// empty text when no service answered.
const char* ip_locate(int mode);

// Forgets the address of this run (a new start).
void ip_locate_forget(void);

// The entry of ACTION_LOCATE: ip_locate(call.mode) into call.answer; 0 when it asked nobody.
dword geo_entry(const window_call& call);
