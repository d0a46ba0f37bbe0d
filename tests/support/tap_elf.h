// A small 32-bit MIPS shared object with TAP header sections, as the receiver's TAP files are:
// for tests of the TAP header reader and of the helpers that read the running TAPs' files.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tap_elf {

inline void put32(std::vector<uint8_t>* b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        (*b)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void put16(std::vector<uint8_t>* b, size_t at, uint16_t v) {
    (*b)[at] = static_cast<uint8_t>(v);
    (*b)[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A small 32-bit MIPS shared object with the given sections (name, contents).
inline std::vector<uint8_t>
tap_file(const std::vector<std::pair<std::string, std::string>>& sections, uint16_t machine = 8) {
    std::string names(1, '\0');
    std::string data;
    std::vector<uint32_t> name_at, data_at;
    for (const auto& [name, contents] : sections) {
        name_at.push_back(static_cast<uint32_t>(names.size()));
        names += name + '\0';
        data_at.push_back(static_cast<uint32_t>(52 + data.size()));
        data += contents;
    }
    const uint32_t names_at = static_cast<uint32_t>(52 + data.size());
    const uint32_t table = names_at + static_cast<uint32_t>(names.size());
    const uint16_t count = static_cast<uint16_t>(sections.size() + 2); // null + names
    std::vector<uint8_t> b(table + 40u * count, 0);
    const uint8_t ident[] = {0x7F, 'E', 'L', 'F', 1, 1, 1};
    std::memcpy(b.data(), ident, sizeof ident);
    put16(&b, 16, 3);
    put16(&b, 18, machine);
    put32(&b, 20, 1);
    put32(&b, 32, table);
    put16(&b, 40, 52);
    put16(&b, 46, 40);
    put16(&b, 48, count);
    put16(&b, 50, count - 1);
    std::memcpy(b.data() + 52, data.data(), data.size());
    std::memcpy(b.data() + names_at, names.data(), names.size());
    for (size_t i = 0; i < sections.size(); ++i) {
        size_t sh = table + 40 * (i + 1);
        put32(&b, sh, name_at[i]);
        put32(&b, sh + 16, data_at[i]);
        put32(&b, sh + 20, static_cast<uint32_t>(sections[i].second.size()));
    }
    size_t sh = table + 40u * (count - 1);
    put32(&b, sh + 16, names_at);
    put32(&b, sh + 20, static_cast<uint32_t>(names.size()));
    return b;
}

} // namespace tap_elf
