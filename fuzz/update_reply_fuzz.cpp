// The HD TAP's reader of the update server's answer and the date parser behind it: arbitrary
// bytes as the first block of an answer.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "common/http_time.h"
#include "update_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 2000) return 0; // one block
    char block[2001];
    memcpy(block, data, size);
    block[size] = 0;
    update_reply r;
    update_reply_parse(block, size, &r);
    if (r.body > size) __builtin_trap();
    if (strlen(r.date) >= sizeof r.date) __builtin_trap();
    atot(r.date);
    atot(block);
    return 0;
}
