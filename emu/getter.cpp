// The firmware's getter of TAP API entries, the stubs of the entries the emulator does not
// implement, and the virtual time the calls take.
#include <array>
#include <cstring>
#include <utility>

#include "api.h"
#include "emulator.h"

namespace tapsim {

namespace {

// Virtual time a call takes on the receiver, in microseconds of its clock: one fixed cost per
// call, whatever its arguments, so that a run takes the same ticks on every build (PC and
// MIPS alike). Drawing takes time as on a receiver's OSD, which shows in the windows' timing
// display; a window drawn in full costs a few ticks. Entries not listed take no time.
constexpr CallCost call_costs[] = {
    {"TAP_Osd_Create", 1000},
    {"TAP_Osd_Delete", 500},
    {"TAP_Osd_Move", 500},
    {"TAP_Osd_FillBox", 100},
    {"TAP_Osd_PutBox", 500},
    {"TAP_Osd_GetBox", 500},
    {"TAP_Osd_SetLut", 200},
    {"TAP_Osd_Ctrl", 100},
    {"TAP_Osd_SetTransparency", 100},
    {"TAP_Osd_Draw3dBox", 100},
    {"TAP_Osd_Draw3dBoxFill", 150},
    {"TAP_Osd_DrawRectangle", 100},
    {"TAP_Osd_PutGd", 300},
    {"TAP_Osd_DrawPixmap", 500},
    {"TAP_Osd_Zoom", 100},
    {"TAP_Osd_GetBaseInfo", 20},
    {"TAP_Osd_GetPlaneBaseInfo", 20},
    {"TAP_Osd_Copy", 500},
    {"TAP_Osd_SaveBox", 500},
    {"TAP_Osd_RestoreBox", 500},
    {"TAP_Osd_GetPixel", 5},
    {"TAP_Osd_PutPixel", 5},
    {"TAP_Osd_PutS", 200},
    {"TAP_Osd_GetW", 20},
    {"TAP_Osd_PutString", 200},
    {"TAP_Osd_DrawString", 200},
    {"TAP_Osd_PutStringAf", 200},
    {"TAP_Osd_DecompressJpeg", 2000},
    {"TAP_Osd_DrawJpeg", 2000},
    {"TAP_Osd_Sync", 1000},
    // The calls the diagnostics page measures; TAP_GetTick's cost also lets a TAP that waits
    // for the tick to move see it move.
    {"TAP_GetTick", 1},
    {"TAP_GetState", 2},
    {"TAP_MemInfo", 5},
    {"TAP_GetTime", 3},
    {"TAP_Hdd_GetPlayInfo", 20},
};

uint32_t cost_of(const char* name) {
    for (const CallCost& c : call_costs)
        if (!std::strcmp(c.name, name)) return c.microseconds;
    return 0;
}

// An entry's function with its cost: every call charges the current emulator first. Entries
// with a variable argument list cannot be wrapped; they take no time.
template <typename Signature, Signature* Function> struct Costed {
    static void* call() { return nullptr; }
    static uint32_t* cost() { return nullptr; }
};
template <typename R, typename... A, R (*Function)(A...)> struct Costed<R(A...), Function> {
    static inline uint32_t microseconds = 0;
    static R call_with_cost(A... args) {
        if (Emulator* emu = Emulator::current()) emu->charge_us(microseconds);
        return Function(args...);
    }
    static void* call() { return reinterpret_cast<void*>(&call_with_cost); }
    static uint32_t* cost() { return &microseconds; }
};

struct Entry {
    ApiEntry api;
    void* costed;        // the function with its cost, or null
    uint32_t* cost_slot; // where that function reads its cost
};

const Entry entries[] = {
#define TAPSIM_API_ENTRY(group, index, ret, name, params)                                          \
    {{group, index, #name, reinterpret_cast<void*>(&api::name)},                                   \
     Costed<ret params, &api::name>::call(),                                                       \
     Costed<ret params, &api::name>::cost()},
    TAP_API_TABLE(TAPSIM_API_ENTRY)
#undef TAPSIM_API_ENTRY
};
constexpr size_t entry_count = sizeof entries / sizeof entries[0];
static_assert(entry_count == 189, "the receiver's libtap has 189 entries");

const std::array<ApiEntry, entry_count> plain = [] {
    std::array<ApiEntry, entry_count> out{};
    for (size_t i = 0; i < entry_count; ++i)
        out[i] = entries[i].api;
    return out;
}();

// A stub of entry K: every API function returns at most one word and its caller cleans up
// the arguments, so one stub without parameters stands in for any signature.
template <size_t K> uintptr_t unimplemented() {
    if (Emulator* emu = Emulator::current())
        emu->trace().call(emu->clock().ticks(), "unimplemented",
                          {entries[K].api.group, entries[K].api.index}, entries[K].api.name);
    return 0;
}

template <size_t... K> std::array<void*, entry_count> stubs_of(std::index_sequence<K...>) {
    return {reinterpret_cast<void*>(&unimplemented<K>)...};
}

const std::array<void*, entry_count> stubs = stubs_of(std::make_index_sequence<entry_count>());

} // namespace

const CallCost* api_call_costs(size_t* count) {
    *count = sizeof call_costs / sizeof call_costs[0];
    return call_costs;
}

const ApiEntry* api_entries(size_t* count) {
    *count = entry_count;
    return plain.data();
}

const ApiEntry* api_entry(int group, int index) {
    for (const ApiEntry& e : plain)
        if (e.group == group && e.index == index) return &e;
    return nullptr;
}

const ApiEntry* api_entry(const std::string& name) {
    for (const ApiEntry& e : plain)
        if (name == e.name) return &e;
    return nullptr;
}

extern "C" void* tapsim_api_getter(int group, int index) {
    const ApiEntry* e = api_entry(group, index);
    if (!e) return nullptr;
    Emulator* emu = Emulator::current();
    if (emu && emu->withheld(e->name)) {
        emu->trace().call(emu->clock().ticks(), "withheld", {group, index}, e->name);
        return nullptr;
    }
    const size_t k = static_cast<size_t>(e - plain.data());
    if (!e->function) return stubs[k];
    const uint32_t cost = cost_of(e->name);
    if (cost == 0 || !entries[k].costed) return e->function;
    *entries[k].cost_slot = cost;
    return entries[k].costed;
}

} // namespace tapsim
