// Scenarios of the file browser: the TAP started with English texts and Filelist as the
// browser's direct key, and files put on the disk.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "common/settings.h"
#include "scenario.h"

namespace scenario {

class BrowserScenario : public Scenario {
  protected:
    // Starts the TAP with English texts and the given extra flags and the settings byte of
    // sorting (low 4 bits) and MP3 mode (high 4 bits).
    void start_browser(uint32_t flags = 0, uint8_t sort_mp3 = 0) {
        settings_record s{};
        s.initialised = 1;
        s.flags = SET_ENGLISH | SET_START_LISTENING | SET_FILES_FILELIST | SET_LOGGING | flags;
        s.tf_model = 1;
        s.rc_model = 1;
        s.sort_mp3 = sort_mp3;
        s.startup = 2u << 16; // Max. Files 2
        std::filesystem::path folder = disk_path("/ProgramFiles/Settings/TovakRC");
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "TovakRC.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(&s), sizeof s);
        ASSERT_EQ(load(), 0);
    }
    void file(const std::string& path, const std::string& bytes = "data") {
        std::filesystem::path p = disk_path(path);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
};

} // namespace scenario
