#include "tap_header_read.h"

#include <stdio.h>
#include <string.h>
#include <sys/types.h>

#include "byte_order.h"
#include "file_io.h"
#include "memory.h"
#include "paths.h"
#include "receiver_path.h"

namespace {

tap_header_record record;

constexpr uint32_t ELF_HEADER_SIZE = 52;
constexpr uint32_t SECTION_HEADER_SIZE = 40;
constexpr uint32_t MAX_NAMES = 65536; // bytes of the section name table looked at
constexpr uint32_t MAX_TEXT = 4096;   // bytes of a text section looked at

bool read_at(FILE* f, uint32_t offset, void* buffer, size_t n) {
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0 && fread(buffer, 1, n, f) == n;
}

// An ELF header of a 32-bit little-endian MIPS shared object, as the firmware loads them.
bool is_tap_elf(const uint8_t* h) {
    return h[0] == 0x7F && h[1] == 'E' && h[2] == 'L' && h[3] == 'F' && h[4] == 1 && h[5] == 1 &&
           h[6] == 1 && get_le32(h + 16) == 0x00080003 && get_le32(h + 20) == 1 &&
           get_le16(h + 40) == ELF_HEADER_SIZE && get_le16(h + 46) == SECTION_HEADER_SIZE;
}

// The NUL-terminated text at offset (at most size and MAX_TEXT bytes) as a fresh copy.
char* read_text(FILE* f, uint32_t offset, uint32_t size) {
    size_t n = size < MAX_TEXT ? size : MAX_TEXT;
    char* text = static_cast<char*>(mem_alloc(n + 1));
    if (!text) return nullptr;
    if (fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0) n = 0;
    n = n ? fread(text, 1, n, f) : 0;
    text[n] = 0;
    return text;
}

void replace(char** field, char* text) {
    mem_free(*field);
    *field = text;
}

} // namespace

void tap_header_clear(void) {
    mem_free(record.program_name);
    mem_free(record.author_name);
    mem_free(record.description);
    mem_free(record.etc_info);
    mem_free(record.program_version);
    memset(&record, 0, sizeof record);
}

const tap_header_record* tap_header_read(const char* dir, const char* name) {
    tap_header_clear();
    if (!name) return nullptr;
    char* path = nullptr;
    if (dir) {
        path = path_libc(dir, name);
    } else {
        size_t size = strlen(name) + 4096;
        path = static_cast<char*>(mem_alloc(size));
        if (path && path_map(name, path, size) != 0) path[0] = 0;
    }
    if (!path) return nullptr;
    libc_file file(path, "rb");
    mem_free(path);
    if (!file) return nullptr;

    uint8_t header[ELF_HEADER_SIZE];
    if (!read_at(file.f, 0, header, sizeof header) || !is_tap_elf(header)) return nullptr;
    const uint32_t table = get_le32(header + 32);
    const unsigned count = get_le16(header + 48);
    const unsigned names_index = get_le16(header + 50);

    auto section = [&](unsigned i, uint8_t* out) {
        uint64_t at = table + static_cast<uint64_t>(i) * SECTION_HEADER_SIZE;
        return at <= 0xFFFFFFFFu &&
               read_at(file.f, static_cast<uint32_t>(at), out, SECTION_HEADER_SIZE);
    };
    uint8_t sh[SECTION_HEADER_SIZE];
    if (names_index >= count || !section(names_index, sh)) return &record; // no section names
    uint32_t names_size = get_le32(sh + 20);
    if (names_size > MAX_NAMES) names_size = MAX_NAMES;
    char* names = static_cast<char*>(mem_alloc(names_size + 1));
    if (!names) return nullptr;
    mem_block names_owner(names);
    if (!read_at(file.f, get_le32(sh + 16), names, names_size)) names_size = 0;
    names[names_size] = 0;

    struct wanted {
        const char* section;
        char** text;
        uint32_t* word;
    } const sections[] = {
        {"._tap_program_name", &record.program_name, nullptr},
        {"._tap_author_name", &record.author_name, nullptr},
        {"._tap_description", &record.description, nullptr},
        {"._tap_etcinfo", &record.etc_info, nullptr},
        {"._tap_program_version", &record.program_version, nullptr},
        {"._tap_id", nullptr, &record.id},
        {"._tap_attribute", nullptr, &record.attribute},
    };
    for (unsigned i = 0; i < count; ++i) {
        if (!section(i, sh)) break;
        uint32_t name_at = get_le32(sh + 0);
        if (name_at >= names_size) continue;
        const char* section_name = names + name_at;
        const uint32_t offset = get_le32(sh + 16), size = get_le32(sh + 20);
        for (const wanted& w : sections) {
            if (strcmp(section_name, w.section) != 0) continue;
            if (w.text) {
                replace(w.text, read_text(file.f, offset, size));
            } else {
                uint8_t word[4];
                if (size >= 4 && read_at(file.f, offset, word, 4)) *w.word = get_le32(word);
            }
        }
    }
    return &record;
}
