// How the emulator loads TAPs, as a receiver does: libtap.so by its name, filled through the
// getter; each TAP through __TAP_Init_ and its task slot; withheld entries and firmware
// symbols; and the TAP prepared for the receiver (its symbol table) still loading and running.
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "api.h"
#include "scenario.h"
#include "tap_file.h"

using scenario::Scenario;
namespace fs = std::filesystem;

namespace {

class Loader : public Scenario {
  protected:
    // Starts the emulator with a fixture that withholds the given names.
    void start_withholding(const std::string& names_json) {
        const fs::path fixture = dir / "fixture.json";
        std::ofstream(fixture) << "{\"withhold\": " << names_json << "}";
        tapsim::Config c;
        c.fixture = fixture.string();
        start(c);
    }
    const tapsim::TraceCall* traced(const std::string& name, const std::string& text = "") const {
        for (const tapsim::TraceCall& c : emu->trace().calls())
            if (c.name == name && (text.empty() || c.text == text)) return &c;
        return nullptr;
    }
};

// Slot 0's handler wrapped, to see that events go through the task slot.
tap_event_handler wrapped_handler;
int events_through_slot;
dword counting_handler(word event, dword param1, dword param2) {
    ++events_through_slot;
    return wrapped_handler(event, param1, param2);
}

// What a getter was asked, in order.
std::vector<std::pair<int, int>> requests;
void* recording_getter(int group, int index) {
    requests.emplace_back(group, index);
    return reinterpret_cast<void*>(static_cast<uintptr_t>(group * 1000 + index + 1));
}

} // namespace

TEST_F(Loader, TapStartsThroughLibtapItsInitAndItsTaskSlot) {
    start_withholding(R"(["TAP_Osd_Zoom", "_Z16Appl_ExecProgramPc"])");
    ASSERT_TRUE(emu->fresh_libtap()) << "each emulator loads its own libtap";
    const tapsim::TraceCall* init = traced("__TAP_Init");
    ASSERT_NE(init, nullptr);
    EXPECT_EQ(init->args, (std::vector<int64_t>{0}));
    // The withheld entry: the getter answered 0 and said so.
    const tapsim::TraceCall* withheld = traced("withheld", "TAP_Osd_Zoom");
    ASSERT_NE(withheld, nullptr);
    EXPECT_EQ(withheld->args, (std::vector<int64_t>{2, 14}));
    EXPECT_EQ(TAP_API(TAP_Osd_Zoom), nullptr);
    // An implemented entry is the emulator's function, working on this emulator.
    ASSERT_NE(TAP_API(TAP_GetTick), nullptr);
    EXPECT_EQ(TAP_API(TAP_GetTick)(), static_cast<dword>(emu->clock().ticks()));
    // An entry the emulator lacks is a stub that answers 0 and leaves its name in the trace.
    size_t count;
    const tapsim::ApiEntry* entries = tapsim::api_entries(&count);
    const tapsim::ApiEntry* lacking =
        std::find_if(entries, entries + count, [](const auto& e) { return !e.function; });
    ASSERT_NE(lacking, entries + count);
    auto stub = emu->libtap_entry<dword (*)(void)>(lacking->name);
    ASSERT_NE(stub, nullptr);
    EXPECT_EQ(stub(), 0u);
    const tapsim::TraceCall* unimplemented = traced("unimplemented", lacking->name);
    ASSERT_NE(unimplemented, nullptr);
    EXPECT_EQ(unimplemented->args, (std::vector<int64_t>{lacking->group, lacking->index}));

    ASSERT_EQ(load(TOVAK_TAP_PROBE), 0);
    const tapsim::TraceCall* tap_init = traced("__TAP_Init_");
    ASSERT_NE(tap_init, nullptr);
    EXPECT_EQ(tap_init->args, (std::vector<int64_t>{0, 0})) << "slot 0, result 0";
    tap_task_slot& slot = _tapTask[0];
    EXPECT_EQ(slot.status, 1u);
    ASSERT_NE(slot.handle, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(slot.entry.main), dlsym(slot.handle, "TAP_Main"));
    EXPECT_EQ(reinterpret_cast<void*>(slot.entry.handler), dlsym(slot.handle, "TAP_EventHandler"));
    ASSERT_NE(slot.file, nullptr);
    EXPECT_STREQ(slot.file->name, "probe.tap");
    EXPECT_STREQ(fw_file_name(slot.file), "/mnt/hd/ProgramFiles/probe.tap");

    // Events reach the TAP through whatever handler its slot holds.
    wrapped_handler = slot.entry.handler;
    events_through_slot = 0;
    slot.entry.handler = counting_handler;
    run("4"); // the probe looks for two firmware symbols by name
    EXPECT_GE(events_through_slot, 2) << "the press and its release";
    slot.entry.handler = wrapped_handler;
    EXPECT_EQ(file_text(disk / "probe_firmware.txt"), "_tapTask=1 _Z16Appl_ExecProgramPc=0\n");
    EXPECT_NE(traced("withheld", "_Z16Appl_ExecProgramPc"), nullptr);
}

TEST_F(Loader, EveryEmulatorFillsAFreshTable) {
    start_withholding(R"(["TAP_GetTick"])");
    EXPECT_EQ(TAP_API(TAP_GetTick), nullptr);
    ASSERT_EQ(load(TOVAK_TAP_PROBE), 0);
    emu.reset(); // unloads the TAP, then libtap
    start();
    EXPECT_TRUE(emu->fresh_libtap());
    EXPECT_NE(TAP_API(TAP_GetTick), nullptr) << "the next emulator withholds nothing";
    EXPECT_EQ(traced("withheld"), nullptr);
}

TEST_F(Loader, LibtapAsksForEveryEntryOnceInTheReceiversOrder) {
    // libtap.so as a receiver's firmware finds it, with no emulator in the way.
    void* libtap = dlopen("libtap.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(libtap, nullptr) << dlerror();
    auto init = reinterpret_cast<int (*)(void*)>(dlsym(libtap, "__TAP_Init"));
    ASSERT_NE(init, nullptr);
    requests.clear();
    void* firmware[2] = {reinterpret_cast<void*>(&recording_getter), nullptr};
    EXPECT_EQ(init(firmware), 0);
    // Index order within each group, groups ascending, but 1.33 before 1.32, 3.4 after 3.11
    // and 5.7 after 5.10.
    std::vector<std::pair<int, int>> want = requests;
    std::sort(want.begin(), want.end());
    auto move = [&](std::pair<int, int> entry, std::pair<int, int> neighbour, bool after) {
        want.erase(std::find(want.begin(), want.end(), entry));
        auto at = std::find(want.begin(), want.end(), neighbour);
        want.insert(after ? at + 1 : at, entry);
    };
    move({1, 33}, {1, 32}, false);
    move({3, 4}, {3, 11}, true);
    move({5, 7}, {5, 10}, true);
    EXPECT_EQ(requests, want);
    EXPECT_EQ(requests.size(), 189u);
    EXPECT_EQ(std::count(requests.begin(), requests.end(), std::make_pair(1, 36)), 1)
        << "GetActiveTuner is asked for too";
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                            [](const auto& r) { return r.first == 6 || r.first == 8; }),
              0);
    // Each variable holds what the getter answered for its entry.
    auto variable = [&](const char* name) { return *static_cast<uintptr_t*>(dlsym(libtap, name)); };
    EXPECT_EQ(variable("TAP_GetSystemId"), 1u);
    EXPECT_EQ(variable("TAP_Hdd_FindFirst"), 3006u);
    EXPECT_EQ(variable("TAP_Wav_PlayerSetVolume"), 10032u);
    // One table per loaded libtap: a second call asks nothing.
    requests.clear();
    EXPECT_EQ(init(firmware), 1);
    EXPECT_TRUE(requests.empty());
    dlclose(libtap);
}

TEST_F(Loader, EmulatorImplementsEveryEntryOurTapsImport) {
    for (const char* tap : {TOVAK_TAP_TOVAKRC, TOVAK_TAP_HD, TOVAK_TAP_PROBE}) {
        tapsim::ElfFile elf;
        std::string why;
        ASSERT_TRUE(tapsim::read_elf(tap, &elf, &why)) << why;
        int imports = 0;
        for (const tapsim::ElfSymbol& s : elf.symbols(".dynsym")) {
            if (s.shndx != 0 || s.name.rfind("TAP_", 0) != 0) continue;
            ++imports;
            EXPECT_EQ(s.type, 1) << tap << ": " << s.name << " is imported as data";
            const tapsim::ApiEntry* e = tapsim::api_entry(s.name);
            ASSERT_NE(e, nullptr) << s.name;
            EXPECT_NE(e->function, nullptr) << tap << " calls " << s.name;
        }
        EXPECT_GT(imports, 0) << tap;
    }
}

TEST_F(Loader, PreparedTapHidesRefusedImportsOnlyInItsSymbolTableAndRuns) {
    const fs::path prepared = dir / "probe.tap";
    fs::copy_file(TOVAK_TAP_PROBE, prepared);
    const std::string command = std::string(TOVAK_TAP_PREPARE) + " '" + prepared.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    tapsim::ElfFile before, after;
    std::string why;
    ASSERT_TRUE(tapsim::read_elf(TOVAK_TAP_PROBE, &before, &why)) << why;
    ASSERT_TRUE(tapsim::read_elf(prepared.string(), &after, &why)) << why;
    // The dynamic symbols, which the loader uses, are untouched.
    const tapsim::ElfSection* dyn_before = before.section(".dynsym");
    const tapsim::ElfSection* dyn_after = after.section(".dynsym");
    ASSERT_TRUE(dyn_before && dyn_after);
    EXPECT_TRUE(std::equal(before.bytes.begin() + dyn_before->offset,
                           before.bytes.begin() + dyn_before->offset + dyn_before->size,
                           after.bytes.begin() + dyn_after->offset,
                           after.bytes.begin() + dyn_after->offset + dyn_after->size))
        << "the dynamic symbol table changed";
    // The symbol table keeps every symbol; the refused imports have upper-case names.
    const std::vector<tapsim::ElfSymbol> was = before.symbols(".symtab");
    const std::vector<tapsim::ElfSymbol> is = after.symbols(".symtab");
    ASSERT_EQ(was.size(), is.size());
    std::vector<std::string> renamed;
    for (size_t i = 0; i < was.size(); ++i) {
        if (was[i].name == is[i].name) continue;
        std::string upper = was[i].name;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(is[i].name, upper);
        EXPECT_EQ(was[i].shndx, 0) << was[i].name << " is the probe's own";
        renamed.push_back(was[i].name);
    }
    std::sort(renamed.begin(), renamed.end());
    for (const char* name : {"dlclose", "dlopen", "dlsym", "fclose", "fwrite"})
        EXPECT_TRUE(std::binary_search(renamed.begin(), renamed.end(), name)) << name;
    for (const char* name : {"fputs", "snprintf", "time", "TAP_Hdd_Fwrite", "TAP_Main"})
        EXPECT_FALSE(std::binary_search(renamed.begin(), renamed.end(), name)) << name;
    // Preparing again changes nothing.
    ASSERT_EQ(std::system(command.c_str()), 0);
    tapsim::ElfFile again;
    ASSERT_TRUE(tapsim::read_elf(prepared.string(), &again, &why)) << why;
    EXPECT_EQ(again.bytes, after.bytes);
    // The prepared TAP loads and runs: the libc calls it made by those names still work.
    ASSERT_EQ(load(prepared.string()), 0);
    run("3 4");
    EXPECT_EQ(file_text(disk / "probe_libc.txt"), "written through libc\n");
    EXPECT_EQ(file_text(disk / "probe_firmware.txt"), "_tapTask=1 _Z16Appl_ExecProgramPc=1\n");
}
