// The recording header reader, its repair and the conversion of big-endian headers, fed
// arbitrary bytes as the contents of an ".inf" file. The TAP code allocates through the TAP
// API, so an emulator runs.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "browser/recording.h"
#include "common/byte_order.h"
#include "common/memory.h"
#include "fuzz_emulator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_emulator();

    // The reader: a header it accepts is complete, and normalised fields stay in range.
    if (const rec_header* h = inf_parse(data, size, false)) {
        if (size < INF_MIN_BYTES || memcmp(h->magic, "TFrc", 4) != 0) __builtin_trap();
        if (strlen(h->event_name) != h->name_length) __builtin_trap();
        if (get_le16(h->extended_length) > INF_MAX_EXTENDED) __builtin_trap();
        if (get_le32(h->bookmark_count) > INF_MAX_BOOKMARKS) __builtin_trap();
    }
    inf_parse(data, size, true);

    // The repair works on a copy of the file's first bytes; a packed result is transport
    // packets.
    std::vector<uint8_t> bytes(data, data + size);
    bytes.resize(size < PACKED_BYTES ? size : PACKED_BYTES);
    const bool big_endian = bytes.size() >= 6 && memcmp(bytes.data(), "TFrc", 4) == 0;
    int r = inf_repair_bytes(bytes.data(), bytes.size());
    if (r < 0 || r > 2) __builtin_trap();
    if (r == 1 && big_endian && !ts_check(bytes.data(), PACKED_BYTES, TS_PACKET)) __builtin_trap();

    // The conversion of whatever 3760 bytes come: a header this receiver's reader accepts.
    if (size >= PACKED_BYTES) {
        rec_header out;
        inf_convert(data, &out);
        if (get_le32(out.bookmark_count) > INF_MAX_BOOKMARKS) __builtin_trap();
        if (get_le16(out.extended_length) > INF_MAX_EXTENDED) __builtin_trap();
        if (!inf_parse(reinterpret_cast<const uint8_t*>(&out), sizeof out, false)) __builtin_trap();
    }
    inf_release();
    return 0;
}
