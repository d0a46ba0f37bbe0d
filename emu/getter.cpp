// The firmware's getter of TAP API entries, and the stubs of the entries the emulator does not
// implement.
#include <array>
#include <utility>

#include "api.h"
#include "emulator.h"

namespace tapsim {

namespace {

const ApiEntry entries[] = {
#define TAPSIM_API_ENTRY(group, index, ret, name, params)                                          \
    {group, index, #name, reinterpret_cast<void*>(&api::name)},
    TAP_API_TABLE(TAPSIM_API_ENTRY)
#undef TAPSIM_API_ENTRY
};
constexpr size_t entry_count = sizeof entries / sizeof entries[0];
static_assert(entry_count == 189, "the receiver's libtap has 189 entries");

// A stub of entry K: every API function returns at most one word and its caller cleans up
// the arguments, so one stub without parameters stands in for any signature.
template <size_t K> uintptr_t unimplemented() {
    if (Emulator* emu = Emulator::current())
        emu->trace().call(emu->clock().ticks(), "unimplemented",
                          {entries[K].group, entries[K].index}, entries[K].name);
    return 0;
}

template <size_t... K> std::array<void*, entry_count> stubs_of(std::index_sequence<K...>) {
    return {reinterpret_cast<void*>(&unimplemented<K>)...};
}

const std::array<void*, entry_count> stubs = stubs_of(std::make_index_sequence<entry_count>());

} // namespace

const ApiEntry* api_entries(size_t* count) {
    *count = entry_count;
    return entries;
}

const ApiEntry* api_entry(int group, int index) {
    for (const ApiEntry& e : entries)
        if (e.group == group && e.index == index) return &e;
    return nullptr;
}

const ApiEntry* api_entry(const std::string& name) {
    for (const ApiEntry& e : entries)
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
    return e->function ? e->function : stubs[static_cast<size_t>(e - entries)];
}

} // namespace tapsim
