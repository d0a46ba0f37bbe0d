// Reads TAP files (ELF, 32 or 64 bit, little-endian): their sections and symbol tables, so
// the loader can check the TAP header before it loads anything, and tools and tests can look
// at what the linker made.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tapsim {

struct ElfSection {
    std::string name;
    uint32_t type = 0;
    uint64_t offset = 0, size = 0;
    uint32_t link = 0;
};

struct ElfSymbol {
    std::string name;
    uint64_t entry_offset = 0; // where the symbol's entry lies in the file
    uint8_t bind = 0;          // 0 local, 1 global, 2 weak
    uint8_t type = 0;          // 0 none, 1 object, 2 function
    uint16_t shndx = 0;        // 0: undefined
};

struct ElfFile {
    bool elf32 = false;
    uint16_t machine = 0;
    uint32_t flags = 0;
    std::vector<ElfSection> sections;
    std::vector<uint8_t> bytes;

    const ElfSection* section(const std::string& name) const;
    uint64_t section_header_offset(size_t index) const;
    // The symbols of ".symtab" or ".dynsym" (without the null symbol); empty when absent.
    std::vector<ElfSymbol> symbols(const std::string& table) const;
};

// False and a reason when the bytes are no little-endian ELF file with a sound section table.
bool parse_elf(std::vector<uint8_t> bytes, ElfFile* elf, std::string* error);
bool read_elf(const std::string& path, ElfFile* elf, std::string* error);

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
