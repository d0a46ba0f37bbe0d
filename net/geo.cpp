#include "net/geo.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "common/file_io.h"
#include "common/memory.h"
#include "common/paths.h"
#include "common/persist.h"
#include "common/programs.h"
#include "common/tag_lookup.h"
#include "net/http_get.h"

namespace {

const char answer_file[] = "TovakRC.tmp";

// The tags of a service: IP, country name, country code, region name, region code, time zone,
// city, latitude, longitude.
struct service_tags {
    const char* host;
    const char* path;
    const char* ip;
    const char* country;
    const char* country_code;
    const char* region;
    const char* region_code;
    const char* time_zone;
    const char* city;
    const char* latitude;
    const char* longitude;
};
constexpr service_tags services[2] = {
    {GEO_HOST_1, "xml", "query", "country", "countryCode", "regionName", "region", "timezone",
     "city", "lat", "lon"},
    {GEO_HOST_2, "xml/", "IP", "CountryName", "CountryCode", "RegionName", "RegionCode", "TimeZone",
     "City", "Latitude", "Longitude"},
};

char public_ip[GEO_IP_SIZE];
char answer[GEO_ANSWER_MAX];

// The first non-empty value of a tag: an answer's root element may carry the name of one of
// its tags (a line of its own, without a value).
const char* tag_value(const char* data, size_t n, const char* tag) {
    static const char empty[1] = "";
    for (size_t at = 0; at < n;) {
        const char* eol = static_cast<const char*>(memchr(data + at, '\n', n - at));
        const size_t length = eol ? static_cast<size_t>(eol - data - at) + 1 : n - at;
        const char* value = tag_lookup_in(data + at, length, tag);
        if (*value) return value;
        at += length;
    }
    return empty;
}

void copy_tag(const char* data, size_t n, const char* tag, char* out, size_t size) {
    snprintf(out, size, "%s", tag_value(data, n, tag));
}

// Degrees of a tag within -limit ... limit; false when the tag is missing or holds no such
// number.
bool degrees(const char* data, size_t n, const char* tag, float limit, float* out) {
    const char* text = tag_value(data, n, tag);
    if (!*text) return false;
    char* end;
    const double value = strtod(text, &end);
    if (end == text || !(value >= -limit && value <= limit)) return false;
    *out = static_cast<float>(value);
    return true;
}

void replace_text(char* field, size_t size, const char* value) {
    if (!*value) return;
    // A text as long as the field fills it without a terminating NUL.
    const size_t n = strnlen(value, size);
    memset(field, 0, size);
    memcpy(field, value, n);
}

// Unix seconds of the receiver's clock.
int32_t now() {
    word mjd = 0;
    byte hour = 0, minute = 0, second = 0;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    return static_cast<int32_t>((static_cast<int64_t>(mjd) - 40587) * 86400 + hour * 3600 +
                                minute * 60 + second);
}

// Fetches the answer of a service into `answer`: its length, or -1.
long fetch(const service_tags& s) {
    if (http_get(s.host, s.path, answer_file, nullptr, nullptr, nullptr, 1) != HTTP_OK) return -1;
    char* path = path_libc(nullptr, answer_file);
    libc_file f(path, "rb");
    mem_free(path);
    if (!f) return -1;
    return static_cast<long>(fread(answer, 1, sizeof answer, f.f));
}

// Asks service 1 or 2; the IP text, or null when it gave no usable answer.
const char* ask(int service, bool replace) {
    const long n = fetch(services[service - 1]);
    geo_answer a;
    if (n < 0 || !geo_answer_read(answer, static_cast<size_t>(n), service, &a)) return nullptr;
    snprintf(public_ip, sizeof public_ip, "%s", a.ip);
    if (replace || (position.latitude == 0 && position.longitude == 0))
        geo_answer_apply(a, service, &position);
    else {
        position.service = static_cast<uint8_t>(service);
        if (service == 1) position.provider = static_cast<uint8_t>(a.provider);
    }
    position_save();
    return public_ip;
}

} // namespace

bool geo_answer_read(const char* data, size_t n, int service, geo_answer* out) {
    memset(out, 0, sizeof *out);
    if (service < 1 || service > 2) return false;
    const service_tags& s = services[service - 1];
    copy_tag(data, n, s.ip, out->ip, sizeof out->ip);
    if (!out->ip[0]) return false;
    // An address: digits, hex digits, dots and colons (IPv4 or IPv6).
    for (const char* p = out->ip; *p; ++p)
        if (!strchr("0123456789abcdefABCDEF.:", *p)) return false;
    copy_tag(data, n, s.country, out->country, sizeof out->country);
    copy_tag(data, n, s.country_code, out->country_code, sizeof out->country_code);
    copy_tag(data, n, s.region, out->region, sizeof out->region);
    copy_tag(data, n, s.region_code, out->region_code, sizeof out->region_code);
    copy_tag(data, n, s.time_zone, out->time_zone, sizeof out->time_zone);
    copy_tag(data, n, s.city, out->city, sizeof out->city);
    out->has_latitude = degrees(data, n, s.latitude, 90, &out->latitude);
    out->has_longitude = degrees(data, n, s.longitude, 180, &out->longitude);
    if (service == 1) {
        const char* isp = tag_value(data, n, "isp");
        static const char* const providers[] = {"Telekom", "Vodafone", "Kabel"};
        for (int i = 0; i < 3 && !out->provider; ++i)
            if (strcasestr(isp, providers[i])) out->provider = i + 1;
    }
    return true;
}

void geo_answer_apply(const geo_answer& a, int service, position_record* r) {
    replace_text(r->country, sizeof r->country, a.country);
    replace_text(r->country_code, sizeof r->country_code, a.country_code);
    replace_text(r->region, sizeof r->region, a.region);
    replace_text(r->region_code, sizeof r->region_code, a.region_code);
    replace_text(r->time_zone, sizeof r->time_zone, a.time_zone);
    replace_text(r->city, sizeof r->city, a.city);
    if (a.has_latitude) r->latitude = a.latitude;
    if (a.has_longitude) r->longitude = a.longitude;
    if (service == 1) r->provider = static_cast<uint8_t>(a.provider);
    r->service = static_cast<uint8_t>(service);
}

const char* ip_locate(int mode) {
    if (mode == -1 && public_ip[0]) return public_ip;
    const int32_t t = now();
    const int64_t since = static_cast<int64_t>(t) - position.query_time;
    if (mode == 0 &&
        (position.latitude != 0 || position.longitude != 0 || (since >= 0 && since < 86400)))
        return nullptr;
    position.query_time = t;
    static char none[1];
    none[0] = 0;
    if (settings_folder_check() != 0 || tap_folder_change(SETTINGS_FOLDER) != 0) return none;
    const bool replace = mode > 0;
    if (mode <= 1)
        if (const char* ip = ask(1, replace)) return ip;
    if (mode == 1 || mode > 2) return none;
    const char* ip = ask(2, replace);
    return ip ? ip : none;
}

void ip_locate_forget(void) {
    public_ip[0] = 0;
}

dword geo_entry(const window_call& call) {
    const char* ip = ip_locate(call.mode);
    if (call.answer && call.answer_size)
        snprintf(call.answer, call.answer_size, "%s", ip ? ip : "");
    return ip ? 1 : 0;
}
