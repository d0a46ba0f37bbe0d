// The answers of the IP geolocation services: the first byte picks the service, the rest is
// the answer; what is taken into the position record stays within its fields and its ranges.
#include <math.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "net/geo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > GEO_ANSWER_MAX) return 0;
    const int service = 1 + (data[0] & 1);
    char* answer = new char[size];
    memcpy(answer, data + 1, size - 1);
    geo_answer a;
    if (geo_answer_read(answer, size - 1, service, &a)) {
        if (strlen(a.ip) >= sizeof a.ip || strlen(a.city) >= sizeof a.city) __builtin_trap();
        if (a.has_latitude && !(fabsf(a.latitude) <= 90)) __builtin_trap();
        if (a.has_longitude && !(fabsf(a.longitude) <= 180)) __builtin_trap();
        position_record r{};
        geo_answer_apply(a, service, &r);
        if (r.service != service) __builtin_trap();
    }
    delete[] answer;
    return 0;
}
