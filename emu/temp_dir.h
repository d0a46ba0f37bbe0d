// Temporary folders of the emulator, the tests and the tools: below $TMPDIR, or /tmp.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace tapsim {

// A fresh folder "<TMPDIR or /tmp>/<prefix>.XXXXXX" as an absolute path (links into it must
// lead there from anywhere); "" when none can be made.
inline std::string make_temp_dir(const std::string& prefix) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + ".XXXXXX";
    std::vector<char> buffer(path.begin(), path.end());
    buffer.push_back(0);
    if (!mkdtemp(buffer.data())) return std::string();
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(buffer.data(), ec);
    return ec ? std::string() : absolute.string();
}

} // namespace tapsim
