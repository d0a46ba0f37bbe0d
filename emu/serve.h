// tapsim --serve: the receiver in real time behind a web page on a small HTTP server.
#pragma once

#include <string>

#include "emulator.h"

namespace tapsim {

struct ServeOptions {
    std::string address = "127.0.0.1"; // loopback only unless told otherwise
    int port = 0;                      // 0: any free port
};

// Runs the receiver until SIGINT or SIGTERM: one idle event per 10 ms of wall time, the keys
// and commands of the pages in the order they came, the screen, its texts and the trace pushed
// to every page watching. Prints "tapsim: serving on http://ADDRESS:PORT/" once listening.
// Returns the exit status.
int serve(Emulator& emu, const ServeOptions& options);

} // namespace tapsim
