// TAPs find the firmware's functions and data by name: dlopen of null, then dlsym. This dlsym
// is the one they reach: TAPs import "dlsym" without a symbol version, and such an import binds
// to this program's definition (version TAPSIM_1, tapsim.ver), while the host's libraries ask
// for the C library's versioned dlsym and keep it. Names the current emulator withholds (the
// fixture's "withhold") are not found; every other lookup goes on to the C library.
//
// A sanitizer run time linked into the program (clang's) calls this dlsym too, before anything
// of the program has run: so it is not instrumented, needs no initialisation, and passes every
// other lookup on unchanged (from the same object, so RTLD_NEXT still means what the run time
// asked for).
#include <cstring>
#include <dlfcn.h>

#include "emulator.h"

#define TAPSIM_UNINSTRUMENTED __attribute__((no_sanitize("address", "undefined")))

namespace {

using dlsym_fn = void* (*)(void*, const char*);

dlsym_fn c_library_dlsym; // found on first use

} // namespace

namespace tapsim {

TAPSIM_UNINSTRUMENTED void* unfiltered_dlsym(void* handle, const char* name) {
    // Plain code only: no helper of the (instrumented) library may run this early.
    static const char* const versions[] = {"GLIBC_2.34", "GLIBC_2.2.5", "GLIBC_2.0"};
    for (size_t i = 0; !c_library_dlsym && i < sizeof versions / sizeof versions[0]; ++i)
        c_library_dlsym = reinterpret_cast<dlsym_fn>(dlvsym(RTLD_NEXT, "dlsym", versions[i]));
    return c_library_dlsym ? c_library_dlsym(handle, name) : nullptr;
}

} // namespace tapsim

extern "C" __attribute__((visibility("default"))) TAPSIM_UNINSTRUMENTED void*
dlsym(void* handle, const char* name) {
    tapsim::Emulator* emu = tapsim::Emulator::current();
    if (emu && emu->withheld(name)) {
        emu->trace().call(emu->clock().ticks(), "withheld", {}, name);
        return nullptr;
    }
    // The code image's bounds are the emulated firmware's, not those of this program.
    if (emu && (std::strcmp(name, "_ftext") == 0 || std::strcmp(name, "_fdata") == 0))
        return const_cast<char*>(tapsim::firmware_image(name[2] == 'd'));
    return tapsim::unfiltered_dlsym(handle, name);
}
