// The emulator's side of the TAP API: one function per entry of the API table, with the
// receiver's signature, in namespace tapsim::api. The files that implement an entry define it
// by its qualified name (so that a signature differing from the table does not compile);
// entries nobody defines stay null here, and the getter hands out a stub for them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/tap_api.h"

namespace tapsim {

namespace api {
#define TAPSIM_API_DECLARE(group, index, ret, name, params) __attribute__((weak)) ret name params;
TAP_API_TABLE(TAPSIM_API_DECLARE)
#undef TAPSIM_API_DECLARE
} // namespace api

// One entry of the API table as the getter sees it.
struct ApiEntry {
    int group, index;
    const char* name;
    void* function; // the emulator's function, or null when it has none
};

// The virtual time one call of an entry takes (entries not listed take none); getter.cpp
// holds the one table.
struct CallCost {
    const char* name;
    uint32_t microseconds;
};
const CallCost* api_call_costs(size_t* count);

// The table in libtap's order of requests (189 entries).
const ApiEntry* api_entries(size_t* count);
// The entry of (group, index), or null.
const ApiEntry* api_entry(int group, int index);
const ApiEntry* api_entry(const std::string& name);

// The firmware's getter (what libtap's __TAP_Init calls): the emulator's function of an entry,
// a stub that traces its name and returns 0 for an entry it does not implement, and 0 for an
// entry the current emulator withholds.
extern "C" void* tapsim_api_getter(int group, int index);

} // namespace tapsim
