#include "demo_disk.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace tapsim {

bool make_demo_disk(const std::string& dir, std::string* error) {
    std::error_code ec;
    for (const char* sub : {"ProgramFiles", "DataFiles", "MediaFiles", "MP3Files"})
        fs::create_directories(fs::path(dir) / sub, ec);
    if (ec) {
        *error = "cannot make the demo disk in " + dir + ": " + ec.message();
        return false;
    }
    std::ofstream(fs::path(dir) / "MediaFiles" / "readme.txt")
        << "Demo disk of the receiver emulator.\nEvery file here was generated.\n";
    std::ofstream notes(fs::path(dir) / "DataFiles" / "notes.txt");
    for (int i = 1; i <= 40; ++i)
        notes << "Line " << i << " of a generated text file.\n";
    return true;
}

} // namespace tapsim
