#include "tap_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tapsim {

namespace {

uint64_t le(const std::vector<uint8_t>& b, size_t off, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | b[off + i];
    return v;
}

} // namespace

bool parse_elf(std::vector<uint8_t> bytes, ElfFile* elf, std::string* error) {
    const std::vector<uint8_t>& b = bytes;
    if (b.size() < 52 || std::memcmp(b.data(), "\177ELF", 4) != 0 || b[5] != 1) {
        *error = "not a little-endian ELF file";
        return false;
    }
    elf->elf32 = b[4] == 1;
    if (!elf->elf32 && (b[4] != 2 || b.size() < 64)) {
        *error = "unknown ELF class";
        return false;
    }
    const bool e32 = elf->elf32;
    elf->machine = static_cast<uint16_t>(le(b, 18, 2));
    elf->flags = static_cast<uint32_t>(le(b, e32 ? 36 : 48, 4));
    uint64_t shoff = e32 ? le(b, 32, 4) : le(b, 40, 8);
    uint64_t shentsize = le(b, e32 ? 46 : 58, 2);
    uint64_t shnum = le(b, e32 ? 48 : 60, 2);
    uint64_t shstrndx = le(b, e32 ? 50 : 62, 2);
    if (shentsize < (e32 ? 40u : 64u) || shstrndx >= shnum || shoff > b.size() ||
        shnum * shentsize > b.size() - shoff) {
        *error = "damaged section table";
        return false;
    }
    auto sh = [&](uint64_t i, int field32, int field64, int bytes32, int bytes64) {
        size_t base = shoff + i * shentsize;
        return e32 ? le(b, base + field32, bytes32) : le(b, base + field64, bytes64);
    };
    uint64_t str_off = sh(shstrndx, 16, 24, 4, 8), str_size = sh(shstrndx, 20, 32, 4, 8);
    if (str_off > b.size() || str_size > b.size() - str_off) {
        *error = "damaged section names";
        return false;
    }
    elf->sections.clear();
    for (uint64_t i = 0; i < shnum; ++i) {
        ElfSection s;
        uint64_t name = sh(i, 0, 0, 4, 4);
        if (name < str_size) {
            const char* n = reinterpret_cast<const char*>(b.data() + str_off + name);
            s.name.assign(n, strnlen(n, str_size - name));
        }
        s.type = static_cast<uint32_t>(sh(i, 4, 4, 4, 4));
        s.offset = sh(i, 16, 24, 4, 8);
        s.size = sh(i, 20, 32, 4, 8);
        s.link = static_cast<uint32_t>(sh(i, 24, 40, 4, 4));
        const bool in_file =
            s.type == 8 /* no bits */ || (s.offset <= b.size() && s.size <= b.size() - s.offset);
        if (!in_file) s.size = 0;
        elf->sections.push_back(s);
    }
    elf->bytes = std::move(bytes);
    return true;
}

bool read_elf(const std::string& path, ElfFile* elf, std::string* error) {
    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary);
    if (!in.is_open()) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!parse_elf(std::move(b), elf, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

const ElfSection* ElfFile::section(const std::string& name) const {
    for (const ElfSection& s : sections)
        if (s.name == name) return &s;
    return nullptr;
}

uint64_t ElfFile::section_header_offset(size_t index) const {
    uint64_t shoff = elf32 ? le(bytes, 32, 4) : le(bytes, 40, 8);
    uint64_t shentsize = le(bytes, elf32 ? 46 : 58, 2);
    return shoff + index * shentsize;
}

std::vector<ElfSymbol> ElfFile::symbols(const std::string& table) const {
    std::vector<ElfSymbol> out;
    const ElfSection* t = section(table);
    if (!t || t->link >= sections.size() || t->type == 8) return out;
    const ElfSection& strings = sections[t->link];
    const uint64_t entry = elf32 ? 16 : 24;
    for (uint64_t at = t->offset + entry; at + entry <= t->offset + t->size; at += entry) {
        ElfSymbol s;
        s.entry_offset = at;
        uint64_t name = le(bytes, at, 4);
        const uint8_t info = bytes[at + (elf32 ? 12 : 4)];
        s.bind = info >> 4;
        s.type = info & 0xF;
        s.shndx = static_cast<uint16_t>(le(bytes, at + (elf32 ? 14 : 6), 2));
        if (name < strings.size) {
            const char* n = reinterpret_cast<const char*>(bytes.data() + strings.offset + name);
            s.name.assign(n, strnlen(n, strings.size - name));
        }
        out.push_back(s);
    }
    return out;
}

bool read_tap_file(const std::string& path, TapFileInfo* info, std::string* error) {
    ElfFile elf;
    if (!read_elf(path, &elf, error)) return false;
    info->elf32 = elf.elf32;
    info->machine = elf.machine;
    for (const ElfSection& s : elf.sections)
        if (s.name.rfind("._tap_", 0) == 0 && s.type != 8)
            info->sections[s.name] = std::vector<uint8_t>(elf.bytes.begin() + s.offset,
                                                          elf.bytes.begin() + s.offset + s.size);
    return true;
}

bool check_tap_header(const TapFileInfo& info, std::string* error) {
    auto h = info.sections.find("._tap_header");
    if (h == info.sections.end() || h->second.size() < 12 ||
        std::memcmp(h->second.data(), "TFAPMIPS", 8) != 0 || le(h->second, 8, 4) != 0x10) {
        *error = "no TAP header (\"TFAPMIPS\", format 0x10)";
        return false;
    }
    auto id = info.sections.find("._tap_id");
    if (id == info.sections.end() || id->second.size() < 4) {
        *error = "no TAP id";
        return false;
    }
    return true;
}

std::string tap_section_text(const TapFileInfo& info, const std::string& name) {
    auto it = info.sections.find(name);
    if (it == info.sections.end()) return "";
    const auto& v = it->second;
    return std::string(v.begin(), std::find(v.begin(), v.end(), uint8_t{0}));
}

} // namespace tapsim
