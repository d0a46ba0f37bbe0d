// Reads the sections of a TAP file (ELF, 32 or 64 bit, little-endian) so the loader can check
// the TAP header before it loads anything.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tapsim {

struct TapFileInfo {
    bool elf32 = false;
    uint16_t machine = 0;
    std::map<std::string, std::vector<uint8_t>> sections; // only the "._tap_*" sections
};

bool read_tap_file(const std::string& path, TapFileInfo* info, std::string* error);
// The header check of the loader: "TFAPMIPS", format 0x10 and a TAP id must be present.
bool check_tap_header(const TapFileInfo& info, std::string* error);
// Text of a header section (up to its first NUL), "" when missing.
std::string tap_section_text(const TapFileInfo& info, const std::string& name);

} // namespace tapsim
