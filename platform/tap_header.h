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

// Each section's content is an exported constant with the name the firmware's tools know.
#define TAP_SECTION(name) __attribute__((section(name), used, aligned(4), visibility("default")))

// Defines the sections of one TAP. Texts shorter than their section are zero-filled.
#define TAP_DEFINE_HEADER(program, author, description, etcinfo)                                   \
    TAP_DEFINE_HEADER_ID(TAP_ID_TOVAK, program, author, description, etcinfo)
// The same for a TAP with an identifier of its own.
#define TAP_DEFINE_HEADER_ID(id, program, author, description, etcinfo)                            \
    extern "C" {                                                                                   \
    TAP_SECTION("._tap_header")                                                                    \
    extern const tap_header_block __tap_Header__ = {                                               \
        {'T', 'F', 'A', 'P', 'M', 'I', 'P', 'S'}, 0x10, {}};                                       \
    TAP_SECTION("._tap_id") extern const uint32_t __tap_ud__ = id;                                 \
    TAP_SECTION("._tap_program_name") extern const char __tap_program_name__[64] = program;        \
    TAP_SECTION("._tap_author_name") extern const char __tap_author_name__[64] = author;           \
    TAP_SECTION("._tap_description") extern const char __tap_description__[128] = description;     \
    TAP_SECTION("._tap_etcinfo") extern const char __tap_etc_str__[64] = etcinfo;                  \
    }

#define TAP_DEFINE_VERSION(version)                                                                \
    extern "C" {                                                                                   \
    TAP_SECTION("._tap_program_version") extern const char __tap_program_version__[64] = version;  \
    }

// Host name of the maker's web server (the update client's server).
#define TOVAK_AUTHOR "www.tovak.test"
