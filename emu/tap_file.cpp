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

bool read_tap_file(const std::string& path, TapFileInfo* info, std::string* error) {
    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary);
    if (!in.is_open()) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 52 || std::memcmp(b.data(), "\177ELF", 4) != 0 || b[5] != 1) {
        *error = path + ": not a little-endian ELF file";
        return false;
    }
    info->elf32 = b[4] == 1;
    if (!info->elf32 && (b[4] != 2 || b.size() < 64)) {
        *error = path + ": unknown ELF class";
        return false;
    }
    info->machine = static_cast<uint16_t>(le(b, 18, 2));
    const bool e32 = info->elf32;
    uint64_t shoff = e32 ? le(b, 32, 4) : le(b, 40, 8);
    uint64_t shentsize = le(b, e32 ? 46 : 58, 2);
    uint64_t shnum = le(b, e32 ? 48 : 60, 2);
    uint64_t shstrndx = le(b, e32 ? 50 : 62, 2);
    if (shentsize < (e32 ? 40u : 64u) || shstrndx >= shnum || shoff > b.size() ||
        shnum * shentsize > b.size() - shoff) {
        *error = path + ": damaged section table";
        return false;
    }
    auto sh = [&](uint64_t i, int field32, int field64, int bytes32, int bytes64) {
        size_t base = shoff + i * shentsize;
        return e32 ? le(b, base + field32, bytes32) : le(b, base + field64, bytes64);
    };
    uint64_t str_off = sh(shstrndx, 16, 24, 4, 8), str_size = sh(shstrndx, 20, 32, 4, 8);
    if (str_off > b.size() || str_size > b.size() - str_off) {
        *error = path + ": damaged section names";
        return false;
    }
    for (uint64_t i = 0; i < shnum; ++i) {
        uint64_t name = sh(i, 0, 0, 4, 4);
        if (name >= str_size) continue;
        const char* n = reinterpret_cast<const char*>(b.data() + str_off + name);
        size_t max_len = str_size - name;
        std::string sname(n, strnlen(n, max_len));
        if (sname.rfind("._tap_", 0) != 0) continue;
        uint64_t off = sh(i, 16, 24, 4, 8), size = sh(i, 20, 32, 4, 8);
        if (off > b.size() || size > b.size() - off) continue;
        info->sections[sname] = std::vector<uint8_t>(b.begin() + off, b.begin() + off + size);
    }
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
