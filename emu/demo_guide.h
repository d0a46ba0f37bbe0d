// The demo receiver: a realistic guide for the demo disk (TV and radio channels on several
// transponders, two days of programmes with extended texts, timers across midnight, a running
// recording), written as a fixture.
#pragma once

#include <string>

namespace tapsim {

// Writes the fixture for a receiver whose clock reads `clock` ("YYYY-MM-DD HH:MM:SS") and puts
// the running recording on the disk. False with a message when something cannot be written.
bool prepare_demo_receiver(const std::string& disk_dir, const std::string& clock,
                           const std::string& fixture, std::string* error);

} // namespace tapsim
