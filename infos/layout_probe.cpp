// One set of the layout markers; compiled twice, as set 0 (linked first) and set 1 (linked
// last), with LAYOUT_SET naming the set.
#include "layout_probe.h"

#ifndef LAYOUT_SET
#define LAYOUT_SET 0
#endif
#define PASTE_(a, b) a##b
#define PASTE(a, b) PASTE_(a, b)
#define SEG(name) PASTE(name, LAYOUT_SET)
#define QUOTE_(x) #x
#define QUOTE(x) QUOTE_(x)
#define SET_TEXT "seg" QUOTE(LAYOUT_SET)

extern "C" {
__attribute__((noinline, used)) void SEG(gf_seg)(void) {
    asm volatile("");
}
extern const char SEG(gs_seg)[] = SET_TEXT " global";
int SEG(gd_seg)[4];
int SEG(gi_seg)[4] = {LAYOUT_SET, 1, 2, 3};
}

namespace {

__attribute__((noinline, used)) void local_function() {
    asm volatile("");
}
const char local_string[] = SET_TEXT " local";
int local_data[4];

} // namespace

const void* PASTE(layout_probe_, LAYOUT_SET)(int kind) {
    static const char static_string[] = SET_TEXT " static";
    static int static_data[4];
    switch (kind) {
    case PROBE_GLOBAL_CODE:
        return reinterpret_cast<const void*>(&SEG(gf_seg));
    case PROBE_LOCAL_CODE:
        return reinterpret_cast<const void*>(&local_function);
    case PROBE_LITERAL:
        return "l" SET_TEXT;
    case PROBE_GLOBAL_STRING:
        return SEG(gs_seg);
    case PROBE_STATIC_STRING:
        return static_string;
    case PROBE_LOCAL_STRING:
        return local_string;
    case PROBE_LOCAL_DATA:
        return local_data;
    case PROBE_STATIC_DATA:
        return static_data;
    case PROBE_GLOBAL_DATA:
        return SEG(gd_seg);
    case PROBE_INIT_DATA:
        return SEG(gi_seg);
    default:
        return nullptr;
    }
}
