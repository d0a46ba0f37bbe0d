// Our libtap.so: the pointer variables of the TAP API and __TAP_Init, which fills them through
// the getter the firmware hands over. TAPs import the variables as data and call through them.
// The library needs nothing (no C library, no other library): it is one table and one loop.
#include "platform/tap_api.h"

#define LIBTAP_EXPORT __attribute__((visibility("default")))

extern "C" {

#define LIBTAP_DEFINE(group, index, ret, name, params) LIBTAP_EXPORT ret(*name) params;
TAP_API_TABLE(LIBTAP_DEFINE)
#undef LIBTAP_DEFINE

namespace {
int filled;               // set once the table holds the firmware's answers
tap_api_getter getter_in; // the firmware's getter, kept as the receiver's libtap keeps it
} // namespace

// fw points to the firmware's block whose first word is the getter; nothing else of it is read.
// Returns 1 when this instance's table was filled before (one table per loaded libtap), else 0.
LIBTAP_EXPORT int __TAP_Init(void* fw) {
    if (filled) return 1;
    getter_in = *static_cast<tap_api_getter*>(fw);
#define LIBTAP_REQUEST(group, index, ret, name, params)                                            \
    name = reinterpret_cast<ret(*) params>(getter_in(group, index));
    TAP_API_TABLE(LIBTAP_REQUEST)
#undef LIBTAP_REQUEST
    filled = 1;
    return 0;
}

} // extern "C"
