// Prepares a TAP for the receiver: the firmware refuses TAPs whose symbol table imports certain
// C library functions by name, so the undefined global functions of that list get upper-case
// names in ".symtab" (the TAP keeps working: the loader binds through ".dynsym", which stays as
// it is). Renamed names are appended to ".strtab" (moved to the end of the file), because the
// linker shares the tails of names ("write" inside "TAP_Hdd_Fwrite") and an edit in place would
// rename other symbols too. Running it twice changes nothing more.
//
// usage: tap_prepare TAP...   (each file is rewritten in place)
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "tap_file.h"

namespace {

// The C library functions a TAP must not show in its symbol table.
constexpr std::string_view refused[] = {
    "calloc",  "chdir",    "chmod",     "chown",    "close",   "closedir", "create",  "dlclose",
    "dlerror", "dlopen",   "dlsym",     "dupioctl", "environ", "execl",    "execle",  "execlp",
    "execv",   "execve",   "execvp",    "exit",     "fchdir",  "fchmod",   "fchown",  "fclose",
    "fdopen",  "fflush",   "fileno",    "fopen",    "fork",    "fprintf",  "fread",   "free",
    "freopen", "fwrite",   "getcwd",    "getenv",   "getgid",  "getgrp",   "getpid",  "gets",
    "getuid",  "ioctl",    "kill",      "killpg",   "lchown",  "listen",   "lstat",   "malloc",
    "mkdir",   "mkfifo",   "mknod",     "mkstemp",  "mktemp",  "mktime",   "mlock",   "mlockall",
    "mmap",    "open",     "opendir",   "pipe",     "poll",    "popen",    "pread",   "pselect",
    "read",    "readdir",  "readlink",  "realloc",  "recv",    "recvfrom", "recvmsg", "remove",
    "rename",  "rewind",   "rewinddir", "rmdir",    "select",  "socket",   "symlink", "tmpfile",
    "tmpnam",  "truncate", "unlink",    "utime",    "vfork",   "write",
};

bool is_refused(std::string_view name) {
    return std::find(std::begin(refused), std::end(refused), name) != std::end(refused);
}

void put_le(std::vector<uint8_t>& b, uint64_t off, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[off + i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

namespace tapsim {

// Renames the refused imports of one TAP image; returns how many, or -1 (and why) when the
// image has no usable symbol table.
int tap_prepare(std::vector<uint8_t>* image, std::string* error) {
    ElfFile elf;
    if (!parse_elf(*image, &elf, error)) return -1;
    const ElfSection* symtab = elf.section(".symtab");
    if (!symtab || symtab->link >= elf.sections.size()) {
        *error = "no symbol table (a stripped TAP cannot be prepared)";
        return -1;
    }
    const ElfSection& strtab = elf.sections[symtab->link];
    std::vector<uint8_t>& b = *image;
    std::vector<uint8_t> names(b.begin() + strtab.offset, b.begin() + strtab.offset + strtab.size);
    int renamed = 0;
    for (const ElfSymbol& s : elf.symbols(".symtab")) {
        if (s.shndx != 0 || s.bind != 1 || s.type != 2 || !is_refused(s.name)) continue;
        std::string upper = s.name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        put_le(b, s.entry_offset, names.size(), 4); // st_name is the first word in both classes
        names.insert(names.end(), upper.begin(), upper.end());
        names.push_back(0);
        ++renamed;
    }
    if (!renamed) return 0;
    // The grown string table goes behind everything else; only its section header changes.
    const uint64_t header = elf.section_header_offset(symtab->link);
    const uint64_t offset = b.size();
    b.insert(b.end(), names.begin(), names.end());
    put_le(b, header + (elf.elf32 ? 16 : 24), offset, elf.elf32 ? 4 : 8);
    put_le(b, header + (elf.elf32 ? 20 : 32), names.size(), elf.elf32 ? 4 : 8);
    return renamed;
}

} // namespace tapsim

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tap_prepare TAP...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        std::string why;
        int renamed = in ? tapsim::tap_prepare(&image, &why) : -1;
        if (!in) why = "cannot read it";
        if (renamed < 0) {
            std::fprintf(stderr, "tap_prepare: %s: %s\n", path.c_str(), why.c_str());
            return 1;
        }
        if (renamed == 0) continue;
        const std::string temp = path + ".prepared";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(image.data()),
                      static_cast<std::streamsize>(image.size()));
            if (!out) {
                std::fprintf(stderr, "tap_prepare: cannot write %s\n", temp.c_str());
                return 1;
            }
        }
        std::error_code ec;
        std::filesystem::permissions(temp, std::filesystem::status(path, ec).permissions(), ec);
        std::filesystem::rename(temp, path, ec);
        if (ec) {
            std::fprintf(stderr, "tap_prepare: cannot replace %s: %s\n", path.c_str(),
                         ec.message().c_str());
            return 1;
        }
    }
    return 0;
}
