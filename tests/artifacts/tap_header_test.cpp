// The header sections of both TAPs, byte for byte, in the PC build and in the receiver build.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "scenario.h"
#include "tap_file.h"

namespace {

std::vector<uint8_t> text_section(const char* text, size_t size) {
    std::vector<uint8_t> v(size, 0);
    std::memcpy(v.data(), text, std::strlen(text));
    return v;
}

struct Expected {
    const char* file;
    const char* program;
    const char* description;
    const char* etcinfo;
    const char* version; // null: no version section
};

const Expected taps[] = {
    {"tovakrc_tms.tap", "TovakRC v4.92a", "Receiver Control", "Mar  7 2019 18:14:13", "v4.92a"},
    {"tovakrc_hd.tap", "TovakRC v2.30 HD", "Remote Control Interception", "Mar 18 2016 23:28:16",
     nullptr},
};

void check_sections(const std::string& path, const Expected& e, bool receiver) {
    SCOPED_TRACE(path);
    tapsim::TapFileInfo info;
    std::string why;
    ASSERT_TRUE(tapsim::read_tap_file(path, &info, &why)) << why;
    if (receiver) {
        EXPECT_TRUE(info.elf32);
        EXPECT_EQ(info.machine, 8) << "MIPS";
    }
    std::vector<uint8_t> header(32, 0);
    std::memcpy(header.data(), "TFAPMIPS\x10\0\0\0", 12);
    EXPECT_EQ(info.sections["._tap_header"], header);
    EXPECT_EQ(info.sections["._tap_id"], (std::vector<uint8_t>{0x20, 0xC0, 0x0B, 0x7A}));
    EXPECT_EQ(info.sections["._tap_program_name"], text_section(e.program, 64));
    EXPECT_EQ(info.sections["._tap_author_name"], text_section("www.tovak.test", 64));
    EXPECT_EQ(info.sections["._tap_description"], text_section(e.description, 128));
    EXPECT_EQ(info.sections["._tap_etcinfo"], text_section(e.etcinfo, 64));
    if (e.version)
        EXPECT_EQ(info.sections["._tap_program_version"], text_section(e.version, 64));
    else
        EXPECT_EQ(info.sections.count("._tap_program_version"), 0u);
}

} // namespace

TEST(TapHeader, PcBuildCarriesTheSections) {
    check_sections(TOVAK_TAP_TOVAKRC, taps[0], false);
    check_sections(TOVAK_TAP_HD, taps[1], false);
}

TEST(TapHeader, ReceiverBuildCarriesTheSections) {
    if (std::string(TOVAK_MIPSEL_DIR).empty()) GTEST_SKIP() << "no receiver build given";
    for (const Expected& e : taps) {
        std::string path = std::string(TOVAK_MIPSEL_DIR) + "/" + e.file;
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        check_sections(path, e, true);
    }
}
