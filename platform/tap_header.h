// The TAP header sections every TAP carries, zero-filled behind their texts. The firmware
// (and the emulator) reads them from the TAP file before loading it.
#pragma once

#include <stdint.h>

#define TAP_ID_TOVAK 0x7A0BC020u

struct tap_header_block {
    char magic[8];   // "TFAPMIPS"
    uint32_t format; // 0x10
    uint8_t zero[20];
};
static_assert(sizeof(tap_header_block) == 32, "._tap_header is 32 bytes");

#define TAP_SECTION(name) __attribute__((section(name), used, aligned(4)))

// Defines the sections of one TAP. Texts shorter than their section are zero-filled.
#define TAP_DEFINE_HEADER(program, author, description, etcinfo)                                   \
    extern "C" {                                                                                   \
    TAP_SECTION("._tap_header")                                                                    \
    const tap_header_block tap_header_section = {                                                  \
        {'T', 'F', 'A', 'P', 'M', 'I', 'P', 'S'}, 0x10, {}};                                       \
    TAP_SECTION("._tap_id") const uint32_t tap_id_section = TAP_ID_TOVAK;                          \
    TAP_SECTION("._tap_program_name") const char tap_program_name_section[64] = program;           \
    TAP_SECTION("._tap_author_name") const char tap_author_name_section[64] = author;              \
    TAP_SECTION("._tap_description") const char tap_description_section[128] = description;        \
    TAP_SECTION("._tap_etcinfo") const char tap_etcinfo_section[64] = etcinfo;                     \
    }

#define TAP_DEFINE_VERSION(version)                                                                \
    extern "C" {                                                                                   \
    TAP_SECTION("._tap_program_version") const char tap_program_version_section[64] = version;     \
    }

// Host name of the maker's web server (the update client's server).
#define TOVAK_AUTHOR "www.tovak.test"
