#pragma once

#include <string>
#include <vector>

namespace tapsim {

// Fills a folder with a small receiver disk of generated sample files.
bool make_demo_disk(const std::string& dir, std::string* error);

// A recording in folder: transport-stream packets, its ".inf" header (channel, event name,
// start "YYYY-MM-DD HH:MM:SS", minutes) and its ".nav" (a 32-byte entry per block).
void write_recording(const std::string& folder, const std::string& name, const char* channel,
                     const char* event, const std::string& start, int minutes);

// A small PDF file of one page with the given lines of text (Helvetica, 12 points).
std::string minimal_pdf(const std::vector<std::string>& lines);

// Puts into the settings folder of a receiver disk what the receiver has installed beside the
// TAP: the helper programs of the folder `helpers` ("lynx.mips", "pdftotext.mips", "wget.mips",
// "ffprobe.mips": wrappers around the Debian tools) and the TAP's description files found
// there. Copies, never links: an update that replaces a helper replaces only the copy. Files
// already on the disk stay. False with a message when a copy fails.
bool install_helpers(const std::string& disk_dir, const std::string& helpers, std::string* error);

// The folder of the helper wrappers beside a program of the build (`exe_dir`/helpers).
std::string helpers_dir(const std::string& exe_dir);

} // namespace tapsim
