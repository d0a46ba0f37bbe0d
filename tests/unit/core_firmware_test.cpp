// Binding firmware names, the firmware file action, the TAP header reader, the log and the
// user's scripts.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/script_run.h"
#include "common/tap_header_read.h"
#include "common/fw_bind.h"
#include "core/lifecycle.h"
#include "common/log.h"
#include "emu_fixture.h"
#include "tap_elf.h"

using emu_test::CoreTest;
using emu_test::read_file;
using emu_test::write_file;
using tap_elf::put32;
using tap_elf::tap_file;

namespace {

std::string as_text(const std::vector<uint8_t>& b) {
    return std::string(b.begin(), b.end());
}

} // namespace

TEST_F(CoreTest, BindingFindsFirmwareNamesOnceAndKeepsFailures) {
    fw_reset();
    EXPECT_EQ(fw_address(FW_TAP_TASK), static_cast<void*>(_tapTask));
    EXPECT_EQ(fw_address(FW_CUR_TAP_TASK), static_cast<void*>(&_curTapTask));
    for (int n = 0; n < FW_NAMES; ++n)
        EXPECT_NE(fw_address(static_cast<fw_name>(n)), nullptr)
            << fw_symbol(static_cast<fw_name>(n));

    // A name the firmware lacks: the slot becomes 1, logged only with logging or diagnostics.
    uintptr_t slot = 0;
    settings.flags = 0;
    EXPECT_EQ(fw_bind_slot(&slot, "Appl_NoSuchFunction"), FW_MISSING);
    EXPECT_FALSE(std::filesystem::exists(settings_file("TovakRC.log")));
    slot = 0;
    settings.flags = SET_LOGGING;
    log_restart();
    EXPECT_EQ(fw_bind_slot(&slot, "Appl_NoSuchFunction"), FW_MISSING);
    EXPECT_EQ(slot, FW_MISSING);
    EXPECT_EQ(fw_bind_slot(&slot, "Appl_NoSuchFunction"), FW_MISSING);
    std::string log = read_file(settings_file("TovakRC.log"));
    EXPECT_NE(log.find(" : dlsym failed (Appl_NoSuchFunction)\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("dlsym failed"), log.rfind("dlsym failed")) << "a failure is not retried";
    // A slot already bound is returned as it is.
    slot = 12345;
    EXPECT_EQ(fw_bind_slot(&slot, "_tapTask"), 12345u);
}

TEST_F(CoreTest, FirmwareFileActionPlaysStartsAndCuts) {
    fw_reset();
    write_file(disk / "MP3Files/song.mp3", "ID3");
    write_file(disk / "DataFiles/film.rec", std::string(9024 * 4, 'a') + "tail");
    write_file(disk / "ProgramFiles/Other.tap", "x");

    const size_t loader_calls = emu->trace().calls().size(); // libtap's start-up
    EXPECT_EQ(fw_file_action("/MP3Files", "song.mp3", 0, nullptr), 1);
    EXPECT_EQ(emu->state().play.mode, 5);
    EXPECT_EQ(emu->state().play.file, "/MP3Files/song.mp3");
    std::vector<std::string> names;
    for (size_t i = loader_calls; i < emu->trace().calls().size(); ++i)
        names.push_back(emu->trace().calls()[i].name + " " + emu->trace().calls()[i].text);
    EXPECT_EQ(names, (std::vector<std::string>{
                         "ApplHdd_SaveWorkFolder /",
                         "ApplHdd_SelectFolder MP3Files",
                         "ApplHdd_SetWorkFolder /MP3Files",
                         "Appl_StartPlaybackMedia /MP3Files/song.mp3",
                         "ApplHdd_RestoreWorkFolder /",
                     }));
    EXPECT_EQ(emu->firmware_files().work_folder, "/");

    EXPECT_EQ(fw_file_action(nullptr, "/DataFiles/film.rec", 1, nullptr), 1);
    EXPECT_EQ(emu->state().play.mode, 2);
    EXPECT_EQ(fw_file_action("/ProgramFiles", "Other.tap", 2, nullptr), 1);
    EXPECT_EQ(emu->trace().calls()[emu->trace().calls().size() - 2].text,
              "/ProgramFiles/Other.tap");
    // Starting a program returns nothing on the receiver: the call counts as done, even when
    // the firmware finds no such file.
    EXPECT_EQ(fw_file_action("/ProgramFiles", "Missing.tap", 2, nullptr), 1);
    const tapsim::TraceCall& exec = emu->trace().calls()[emu->trace().calls().size() - 2];
    EXPECT_EQ(exec.name, "Appl_ExecProgram");
    EXPECT_EQ(exec.text, "/ProgramFiles/Missing.tap");
    EXPECT_EQ(exec.args, (std::vector<int64_t>{-1})) << "the emulator saw no such file";

    const uint32_t range[2] = {1, 2};
    EXPECT_EQ(fw_file_action("/DataFiles", "film.rec", 3, range), 0) << "the firmware's answer";
    EXPECT_EQ(read_file(disk / "DataFiles/film.rec"), std::string(9024 * 2, 'a') + "tail");

    // A folder that cannot be selected gives 0 and leaves the work folder as it was.
    EXPECT_EQ(fw_file_action("/Nowhere", "x.mp3", 0, nullptr), 0);
    EXPECT_EQ(emu->trace().calls().back().name, "ApplHdd_RestoreWorkFolder");
    EXPECT_TRUE(emu->firmware_files().saved.empty());
    EXPECT_EQ(fw_file_action("/MP3Files", "song.mp3", 7, nullptr), 0) << "an unknown kind";
}

TEST_F(CoreTest, TapHeaderReaderTakesTheSectionsOfAMipsTap) {
    write_file(disk / "ProgramFiles/a.tap",
               as_text(tap_file({{"._tap_id", std::string("\x20\xC0\x0B\x7A", 4)},
                                 {"._tap_program_name", std::string("Probe v1\0\0\0", 11)},
                                 {"._tap_author_name", "www.example.test"},
                                 {"._tap_description", std::string(5000, 'd')},
                                 {"._tap_etcinfo", "Dec 10 2026"},
                                 {"._tap_program_version", "v1"},
                                 {"._tap_attribute", std::string("\x01\x00\x00\x80", 4)},
                                 {".text", "code"}})));
    const tap_header_record* h = tap_header_read("/ProgramFiles", "a.tap");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->id, 0x7A0BC020u);
    EXPECT_STREQ(h->program_name, "Probe v1");
    EXPECT_STREQ(h->author_name, "www.example.test");
    EXPECT_EQ(std::strlen(h->description), 4096u) << "a text is read up to 4096 bytes";
    EXPECT_STREQ(h->etc_info, "Dec 10 2026");
    EXPECT_STREQ(h->program_version, "v1");
    EXPECT_EQ(h->attribute, 0x80000001u);

    // The firmware names the file by its Linux path.
    h = tap_header_read(nullptr, "/mnt/hd/ProgramFiles/a.tap");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->id, 0x7A0BC020u);

    write_file(disk / "ProgramFiles/b.tap", as_text(tap_file({{"._tap_program_name", "B"}})));
    h = tap_header_read("/ProgramFiles", "b.tap");
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(h->program_name, "B");
    EXPECT_EQ(h->author_name, nullptr) << "missing sections stay empty";
    EXPECT_EQ(h->id, 0u);

    // Files that are no MIPS TAP.
    std::vector<uint8_t> arm = tap_file({{"._tap_id", "1234"}}, 40);
    std::vector<uint8_t> cut = tap_file({{"._tap_id", "1234"}});
    cut.resize(40);
    std::vector<uint8_t> bad_table = tap_file({{"._tap_id", "1234"}});
    put32(&bad_table, 32, 0xFFFFFF00u);
    struct Case {
        const char* name;
        std::string bytes;
        bool read;
    } cases[] = {
        {"arm.tap", as_text(arm), false},
        {"cut.tap", as_text(cut), false},
        {"text.tap", "just text, no ELF header at all, not even 52 bytes long enough", false},
        {"bad_table.tap", as_text(bad_table), true}, // accepted, but nothing found
    };
    for (const Case& c : cases) {
        write_file(disk / "ProgramFiles" / c.name, c.bytes);
        h = tap_header_read("/ProgramFiles", c.name);
        EXPECT_EQ(h != nullptr, c.read) << c.name;
        if (h) {
            EXPECT_EQ(h->id, 0u) << c.name;
        }
    }
    EXPECT_EQ(tap_header_read("/ProgramFiles", "missing.tap"), nullptr);
    // The PC build of a TAP is a 64-bit object, no receiver TAP.
    std::filesystem::copy_file(TOVAK_TAP_TOVAKRC, disk / "ProgramFiles/pc.tap");
    EXPECT_EQ(tap_header_read("/ProgramFiles", "pc.tap"), nullptr);
    tap_header_clear();
}

TEST_F(CoreTest, TheReceiverBuildOfTheTapCarriesItsHeader) {
    std::string mips = std::string(TOVAK_MIPSEL_DIR) + "/tovakrc_tms.tap";
    if (std::string(TOVAK_MIPSEL_DIR).empty() || !std::filesystem::exists(mips))
        GTEST_SKIP() << "no receiver build";
    std::filesystem::copy_file(mips, disk / "ProgramFiles/tovakrc_tms.tap");
    const tap_header_record* h = tap_header_read("/ProgramFiles", "tovakrc_tms.tap");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->id, 0x7A0BC020u);
    EXPECT_STREQ(h->program_name, "TovakRC v4.92a");
    EXPECT_STREQ(h->description, "Receiver Control");
    EXPECT_STREQ(h->etc_info, "Mar  7 2019 18:14:13");
    EXPECT_STREQ(h->program_version, "v4.92a");

    // Two running slots naming that file are two copies; a slot not running is skipped.
    fw_name_record name{{0, 0}, "/mnt/hd/ProgramFiles/tovakrc_tms.tap"};
    TYPE_File file{};
    file.handle = &name;
    tap_task_slot tasks[TAP_TASK_SLOTS] = {};
    tasks[0].status = tasks[3].status = 1;
    tasks[0].file = tasks[3].file = tasks[5].file = &file;
    EXPECT_EQ(tap_copies_running(tasks), 2);
    tasks[3].status = 0;
    EXPECT_EQ(tap_copies_running(tasks), 1);
    tasks[6].status = 1; // running, but no file record
    EXPECT_EQ(tap_copies_running(tasks), 1);
}

TEST_F(CoreTest, LogWritesTheBannerTimeStampsAndContinuedLines) {
    write_file(settings_file("TovakRC.log"), "earlier run\n");
    log_restart();
    log_msg("first");
    log_msg("\x01part one, ");
    emu->wait_ms(3000);
    log_msg("part two");
    log_printf("value %d of %s", 42, "x");
    std::string log = read_file(settings_file("TovakRC.log"));
    EXPECT_EQ(log, "earlier run\n"
                   "\n***** TovakRC v4.92a (Mar  7 2019 18:14:13) *****\n"
                   "Th 10.12.2026 20:15:30 : first\n"
                   "Th 10.12.2026 20:15:30 : part one, part two\n"
                   "Th 10.12.2026 20:15:33 : value 42 of x\n");
    EXPECT_EQ(log_count(), 4);
    struct stat st;
    ASSERT_EQ(stat(settings_file("TovakRC.log").c_str(), &st), 0);
    EXPECT_EQ(static_cast<int64_t>(st.st_mtime), 1796933733) << "the touch rule";
    // A long message is cut, never written beyond its buffer.
    std::string huge(5000, 'h');
    log_printf("%s", huge.c_str());
    EXPECT_LT(read_file(settings_file("TovakRC.log")).size(), log.size() + 1100);
}

TEST_F(CoreTest, UserScriptsRunWithTheirOutputBesideThem) {
    EXPECT_EQ(script_run(nullptr, "autostart.sh", nullptr), nullptr) << "no script";
    write_file(settings_file("it's $(here).sh"), "#!/bin/sh\necho \"args: $*\"\necho oops >&2\n");
    char* out = script_run(nullptr, "it's $(here).sh", "'a b' c");
    ASSERT_NE(out, nullptr);
    EXPECT_STREQ(out, "/ProgramFiles/Settings/TovakRC/it's $(here).sh (Output)");
    mem_free(out);
    EXPECT_EQ(read_file(settings_file("it's $(here).sh (Output)")), "args: a b c\noops\n");
    struct stat st;
    ASSERT_EQ(stat(settings_file("it's $(here).sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    write_file(disk / "DataFiles/run.sh", "#!/bin/sh\npwd > /dev/null\necho done\n");
    out = script_run("/DataFiles", "run.sh", nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_STREQ(out, "/DataFiles/run.sh (Output)");
    mem_free(out);
    EXPECT_EQ(read_file(disk / "DataFiles/run.sh (Output)"), "done\n");
}

namespace {

// A sparse file: `size` bytes of holes with the given data segments written into it.
struct Segment {
    uint64_t at;
    size_t size;
    char fill;
};

std::string sparse_image(uint64_t size, const std::vector<Segment>& data) {
    std::string image(size, '\0');
    for (const Segment& s : data)
        image.replace(s.at, s.size, std::string(s.size, s.fill));
    return image;
}

void write_sparse(const std::filesystem::path& p, uint64_t size, const std::vector<Segment>& data) {
    std::filesystem::create_directories(p.parent_path());
    int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
    for (const Segment& s : data) {
        const std::string bytes(s.size, s.fill);
        ASSERT_EQ(pwrite(fd, bytes.data(), s.size, static_cast<off_t>(s.at)),
                  static_cast<ssize_t>(s.size));
    }
    close(fd);
}

} // namespace

// The emulated firmware's cut moves what follows the blocks forward in place and keeps holes.
TEST_F(CoreTest, FirmwareCutKeepsTheFileSparse) {
    constexpr uint64_t B = 9024;
    fw_reset();
    const std::filesystem::path film = disk / "DataFiles/film.rec";
    struct Case {
        const char* what;
        uint32_t first, blocks;
        std::vector<Segment> data;
    } cases[] = {
        {"a data block inside the cut",
         5,
         10,
         {{0, 100, 'a'}, {10 * B, B, 'b'}, {50 * B + 7, 100, 'c'}, {100 * B - 10, 10, 'd'}}},
        {"data across the cut's end", 5, 10, {{12 * B, 4 * B, 'b'}, {60 * B, 2 * B + 5, 'c'}}},
        {"data across its start", 5, 10, {{3 * B, 4 * B, 'b'}, {99 * B, B, 'd'}}},
        {"the first blocks", 0, 30, {{0, 3760, 'G'}, {30 * B, B, 'P'}}},
        {"the last blocks", 40, 60, {{0, 3760, 'G'}, {70 * B, 2 * B, 'x'}}},
        {"more blocks than there are", 90, 50, {{95 * B, 100, 'x'}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_sparse(film, 100 * B, c.data);
        std::string expected = sparse_image(100 * B, c.data);
        const uint64_t end = std::min<uint64_t>((uint64_t{c.first} + c.blocks) * B, 100 * B);
        expected.erase(c.first * B, end - c.first * B);
        const uint32_t range[2] = {c.first, c.blocks};
        EXPECT_EQ(fw_file_action("/DataFiles", "film.rec", 3, range), 0);
        EXPECT_TRUE(read_file(film) == expected) << "the bytes behind the cut moved forward";
        struct stat st;
        ASSERT_EQ(stat(film.c_str(), &st), 0);
        uint64_t data = 0;
        for (const Segment& s : c.data)
            data += s.size;
        EXPECT_LE(static_cast<uint64_t>(st.st_blocks) * 512, data + 4 * 4096 * c.data.size())
            << "holes stay holes";
    }

    // Told to fail, the firmware leaves the file as it was; nothing to cut is a failure too.
    write_sparse(film, 100 * B, {{50 * B, 10, 'x'}});
    const std::string before = read_file(film);
    emu->firmware_files().cut_fails = true;
    const uint32_t range[2] = {0, 10};
    EXPECT_EQ(fw_file_action("/DataFiles", "film.rec", 3, range), -1);
    EXPECT_EQ(emu->trace().calls()[emu->trace().calls().size() - 2].args,
              (std::vector<int64_t>{0, 10, -1}));
    emu->firmware_files().cut_fails = false;
    const uint32_t past_end[2] = {100, 10}, none[2] = {5, 0};
    EXPECT_EQ(fw_file_action("/DataFiles", "film.rec", 3, past_end), -1);
    EXPECT_EQ(fw_file_action("/DataFiles", "film.rec", 3, none), -1);
    EXPECT_TRUE(read_file(film) == before);
}
