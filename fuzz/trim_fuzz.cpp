// The trim's patches fed arbitrary inputs: the first 17 bytes are the cut (bit 0 of byte 0:
// |<; the pause block, the recording's blocks, the bytes the stream lost), the rest is the
// contents of the .nav, and its first 3320 bytes (zero-filled) are the header patched. The
// files are memory files; the TAP code allocates through the TAP API, so an emulator runs.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/byte_order.h"
#include "core/trim_patch.h"
#include "fuzz_emulator.h"

namespace {

enum { CUT_BYTES = 17 };

uint64_t size_of(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0) __builtin_trap();
    return static_cast<uint64_t>(st.st_size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_emulator();
    if (size < CUT_BYTES) return 0;
    trim_cut cut;
    cut.keep_after = data[0] & 1;
    cut.current = get_le32(data + 1);
    cut.total = get_le32(data + 5);
    cut.removed_bytes = static_cast<uint64_t>(get_le32(data + 9)) << 32 | get_le32(data + 13);
    const uint8_t* nav = data + CUT_BYTES;
    const size_t nav_size = size - CUT_BYTES;

    // The .nav: a result is a removed time or one of the failures; what is left or written is
    // whole entries and never more than there was.
    const int in = memfd_create("nav", 0), out = memfd_create("nav_new", 0);
    if (in < 0 || out < 0) __builtin_trap();
    if (nav_size && write(in, nav, nav_size) != static_cast<ssize_t>(nav_size)) __builtin_trap();
    const int64_t r = nav_patch_fd(in, out, nav_size, cut, nullptr);
    if (r < NAV_NOT_WRITTEN || r > 0xFFFFFFFFll) __builtin_trap();
    if (r >= 0) {
        const uint64_t es = nav_entry_size(nav);
        const uint64_t left = size_of(cut.keep_after ? out : in);
        if (left % es || left > nav_size) __builtin_trap();
        if (cut.keep_after && size_of(in) != nav_size) __builtin_trap();
    } else if (r != NAV_NOT_WRITTEN && (size_of(in) != nav_size || size_of(out) != 0)) {
        __builtin_trap(); // a failure found before writing leaves both as they were
    }
    close(in);
    close(out);

    // The header: the count matches the bookmarks kept, the rest of the list is cleared.
    std::vector<uint8_t> h(INF_PATCH_BYTES, 0);
    memcpy(h.data(), nav, nav_size < h.size() ? nav_size : h.size());
    const uint32_t blocks = get_le32(data + 9);
    const int32_t nav_seconds = static_cast<int32_t>(get_le32(data + 13));
    const uint32_t start = inf_trim(h.data(), cut, blocks, nav_seconds);
    if (get_le32(&h[8]) != start || get_le16(&h[14]) >= 60 || get_le32(&h[0x84C]) != 0)
        __builtin_trap();
    const uint32_t kept = get_le32(&h[0x584]);
    if (kept > INF_PATCH_BOOKMARKS) __builtin_trap();
    for (uint32_t i = kept; i < INF_PATCH_BOOKMARKS; ++i)
        if (get_le32(&h[0x588 + 4 * i])) __builtin_trap();
    return 0;
}
