// Scenario tests: a TAP loaded into the emulator in this process, keys in, and the screen
// text model, the disk, the trace and the TAP's memory out.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "emulator.h"

// A TAP API function as the loaded TAPs reach it: the entry of libtap's table that the
// emulator filled (this program itself does not carry libtap).
#define TAP_API(name) (emu->libtap_entry<decltype(::name)>(#name))

namespace scenario {

// Paths of the built TAPs (set by the build).
inline const char* tovakrc_tap() {
    return TOVAK_TAP_TOVAKRC;
}
inline const char* tovakrc_hd_tap() {
    return TOVAK_TAP_HD;
}
// The receiver build of a TAP when the receiver build lies beside this one, else "".
std::string mips_twin(const std::string& file_name);

class Scenario : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the emulator on this test's disk; config fields left empty get the test's own.
    void start(tapsim::Config config = {});
    // Loads a TAP (default tovakrc) with its receiver build as the installed file.
    int load(const std::string& tap = tovakrc_tap());
    // Runs script commands separated by blanks or newlines ("Sat Ok", "wait 2s" as one line).
    void run(const std::string& script);
    // Screens seen while the TAP slept (timed message boxes) during `script`.
    std::string shown_during(const std::string& script);
    uint32_t last_result() const;
    std::string screen() const { return emu->osd().screen_text(); }
    bool screen_has(const std::string& text) const {
        return screen().find(text) != std::string::npos;
    }
    int calls_named(const std::string& name) const;
    std::filesystem::path disk_path(const std::string& receiver_path) const {
        return disk / receiver_path.substr(receiver_path[0] == '/');
    }
    // The bytes of a file ("" when it cannot be read).
    static std::string file_text(const std::filesystem::path& p);
    // Files the test made on the disk and the USB medium get a fixed time instead of the
    // machine's clock (done before every script line and every start and load).
    void fix_file_times() const;

    // At the end of every scenario, while the TAP is still loaded: every block the TAP holds
    // beyond what it held after its start-up is still reached from its run-long records (the
    // copy buffer, the windows' records, the listing, the histories): nothing is lost; and no
    // screen area saved under a window outlives the windows.
    void expect_memory_kept();

    int runs = 0;               // emulators started by this test
    time_t started = 0;         // the machine's clock at the test's start
    std::filesystem::path dir;  // this test's own folder
    std::filesystem::path disk; // the receiver's disk
    std::unique_ptr<tapsim::Emulator> emu;
    uint64_t memory_after_start = 0;
};

} // namespace scenario
