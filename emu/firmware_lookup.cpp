// TAPs find the firmware's functions and data by name: dlopen of null, then dlsym. This dlsym
// is the one they reach: TAPs import "dlsym" without a symbol version, and such an import binds
// to this program's definition (version TAPSIM_1, tapsim.ver), while the host's libraries ask
// for the C library's versioned dlsym and keep it. Names the current emulator withholds (the
// fixture's "withhold") are not found; every other lookup goes on to the C library.
#include <dlfcn.h>

#include "emulator.h"

namespace {

using dlsym_fn = void* (*)(void*, const char*);

dlsym_fn c_library_dlsym() {
    for (const char* version : {"GLIBC_2.34", "GLIBC_2.2.5", "GLIBC_2.0"})
        if (void* f = dlvsym(RTLD_NEXT, "dlsym", version)) return reinterpret_cast<dlsym_fn>(f);
    return nullptr;
}

} // namespace

namespace tapsim {

void* unfiltered_dlsym(void* handle, const char* name) {
    static const dlsym_fn real = c_library_dlsym();
    return real ? real(handle, name) : nullptr;
}

} // namespace tapsim

extern "C" __attribute__((visibility("default"))) void* dlsym(void* handle, const char* name) {
    tapsim::Emulator* emu = tapsim::Emulator::current();
    if (emu && emu->withheld(name)) {
        emu->trace().call(emu->clock().ticks(), "withheld", {}, name);
        return nullptr;
    }
    return tapsim::unfiltered_dlsym(handle, name);
}
