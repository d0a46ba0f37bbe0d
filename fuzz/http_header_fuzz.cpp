// The HTTP client's reading of an answer's header and the date parser behind it: arbitrary
// bytes as the start of an answer.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "common/http_header.h"
#include "common/http_time.h"
#include "net/http_get.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > HTTP_HEADER_MAX) return 0;
    // Exactly the received bytes, without a terminating NUL behind them.
    char* block = new char[size ? size : 1];
    memcpy(block, data, size);
    http_header h;
    const int code = http_header_read(block, size, &h);
    if (code == HTTP_OK && (h.body == 0 || h.body > size || h.status != 200)) __builtin_trap();
    if (h.length > static_cast<long long>(HTTP_BODY_MAX)) __builtin_trap();
    char date[64];
    http_field_date(block, size, "Date: ", date, sizeof date);
    if (strlen(date) >= sizeof date) __builtin_trap();
    atot(date);
    delete[] block;
    // atot on the whole text as a NUL-terminated string.
    char text[256];
    const size_t n = size < sizeof text - 1 ? size : sizeof text - 1;
    memcpy(text, data, n);
    text[n] = 0;
    atot(text);
    return 0;
}
