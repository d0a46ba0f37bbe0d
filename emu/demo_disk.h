#pragma once

#include <string>

namespace tapsim {

// Fills a folder with a small receiver disk of generated sample files.
bool make_demo_disk(const std::string& dir, std::string* error);

} // namespace tapsim
