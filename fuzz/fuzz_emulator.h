// The emulator behind the fuzz targets whose TAP code calls the TAP API (memory, files): one
// for the whole run, on a fresh empty disk.
#pragma once

#include "emulator.h"

inline tapsim::Emulator& fuzz_emulator() {
    static tapsim::Emulator* emu = new tapsim::Emulator(tapsim::Config{});
    if (!emu->ok()) __builtin_trap();
    return *emu;
}
