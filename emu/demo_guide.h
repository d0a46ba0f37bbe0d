// The demo receiver: a realistic guide for the demo disk (TV and radio channels on several
// transponders, two days of programmes with extended texts, timers across midnight, a running
// recording), written as a fixture.
#pragma once

#include <string>

namespace tapsim {

// Writes `fixture` for a receiver whose clock reads `clock` ("YYYY-MM-DD HH:MM:SS"; "" for the
// given fixture's clock or the receiver's default) and puts the running recording on the disk.
// What the fixture `given` (a path, or "" for none) sets is kept; the demo receiver fills in
// channels, live channel, timers and recordings where it sets none. False with a message when the
// given fixture cannot be read or the new one cannot be written.
bool prepare_demo_receiver(const std::string& disk_dir, const std::string& clock,
                           const std::string& given, const std::string& fixture,
                           std::string* error);

} // namespace tapsim
