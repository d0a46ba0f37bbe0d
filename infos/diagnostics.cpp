#include "diagnostics.h"

#include <stdint.h>

#include "common/format.h"
#include "common/image_layout.h"
#include "common/memory.h"
#include "common/paths.h"
#include "common/run_stats.h"
#include "common/version.h"
#include "layout_probe.h"
#include "platform/tap_api.h"

// The TAP's entry points, when it has them (a test program has none).
extern "C" int TAP_Main(void) __attribute__((weak));
extern "C" int __TAP_Init_(tap_entry_points*) __attribute__((weak));

namespace {

// Rounds at most: a clock that does not move ends the count.
constexpr long max_rounds = 4000000;
constexpr double tick_us = 10000.0;

unsigned long address(const void* p) {
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(p));
}

unsigned long function_address(int (*f)(void)) {
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(f));
}

void call_get_state() {
    dword state, sub;
    TAP_GetState(&state, &sub);
}
void call_mem_info() {
    dword heap, free_heap, avail;
    TAP_MemInfo(&heap, &free_heap, &avail);
}
void call_get_time() {
    word mjd;
    byte hour, minute, second;
    TAP_GetTime(&mjd, &hour, &minute, &second);
}
void call_play_info() {
    TYPE_PlayInfo info;
    TAP_Hdd_GetPlayInfo(&info);
}

// A line of two markers of a kind: first, last and their distance.
void probe_line(text_page* page, const char* label, int kind, const char* extra = "") {
    const unsigned long a = address(layout_probe_0(kind)), b = address(layout_probe_1(kind));
    page_line(page, 0, "%s: %lx..%lx %ld%s", label, a, b, static_cast<long>(b - a), extra);
}

} // namespace

double call_cost_us(void (*call)(void)) {
    long rounds = 0;
    const dword start = TAP_GetTick();
    while (TAP_GetTick() == start && ++rounds < max_rounds) {
    }
    const dword tick = TAP_GetTick();
    long count = 0;
    do {
        if (call) call();
        ++count;
    } while (TAP_GetTick() == tick && count < max_rounds);
    return tick_us / static_cast<double>(count);
}

void diagnostics_prepare(text_page* page) {
    page_clear(page, osd_line_height());
    int local = 0;
    void* block = mem_alloc(16);
    const unsigned long heap = address(block);
    mem_free(block);
    page_line(page, 0, "text=%lx data=%lx bss=%lx", address(IMAGE_TEXT), address(IMAGE_DATA),
              address(IMAGE_BSS));
    page_line(page, 0, "end=%lx got=%lx gp=%lx", address(IMAGE_END), image_got(), image_gp());
    page_line(page, 0, "heap=%lx stack=%lx", heap, address(&local));
    page_line(page, 0, "main=%lx init=%lx", function_address(TAP_Main),
              static_cast<unsigned long>(reinterpret_cast<uintptr_t>(__TAP_Init_)));

    const unsigned long code0 = address(layout_probe_0(PROBE_GLOBAL_CODE));
    const unsigned long code1 = address(layout_probe_1(PROBE_GLOBAL_CODE));
    const unsigned long local0 = address(layout_probe_0(PROBE_LOCAL_CODE));
    const unsigned long local1 = address(layout_probe_1(PROBE_LOCAL_CODE));
    const bool contained = code0 <= local0 && local0 <= code1 && code0 <= local1 && local1 <= code1;
    probe_line(page, "global code", PROBE_GLOBAL_CODE);
    probe_line(page, "local  code", PROBE_LOCAL_CODE, contained ? " (contained)" : "");
    probe_line(page, "literal strg", PROBE_LITERAL);
    probe_line(page, "global strg", PROBE_GLOBAL_STRING);
    probe_line(page, "static strg", PROBE_STATIC_STRING);
    probe_line(page, "local  strg", PROBE_LOCAL_STRING);
    probe_line(page, "local  data", PROBE_LOCAL_DATA);
    probe_line(page, "static data", PROBE_STATIC_DATA);

    const dword now = TAP_GetTick();
    const dword since_key = run.first_key_tick ? now - run.first_key_tick : 0;
    const dword since_idle = run.first_idle_tick ? now - run.first_idle_tick : 0;
    page_line(page, 0, "tsrtime=%d tsrtick=%lu idletick=%lu", run.minute_of_day,
              static_cast<unsigned long>(since_key), static_cast<unsigned long>(since_idle));
    // Idle events per tick (percent) and per second; ticks per second of the receiver's clock.
    const long long percent = since_idle ? run.idle_events * 100LL / since_idle : 0;
    const dword seconds = since_idle / 100;
    const uint32_t clock_seconds = local_unix_time() - run.start_clock;
    const dword ticks = now - run.start_tick;
    page_line(page, 0, "%lld%% idles/s=%lu ticks/s=%lu", percent,
              static_cast<unsigned long>(seconds ? run.idle_events / seconds : 0),
              static_cast<unsigned long>(clock_seconds ? ticks / clock_seconds : 0));

    const double tick_cost = call_cost_us(nullptr);
    const double state_cost = call_cost_us(call_get_state);
    const double mem_cost = call_cost_us(call_mem_info);
    const double time_cost = call_cost_us(call_get_time);
    const double play_cost = call_cost_us(call_play_info);
    page_line(page, 0, "GetTick=%.3f\xB5s GetState=%.2f\xB5s MemInfo=%.1f\xB5s", tick_cost,
              state_cost, mem_cost);
    page_line(page, 0, "GetTime=%.2f\xB5s PlayInfo=%.1f\xB5s", time_cost, play_cost);

    const memory_counters& m = mem_counters;
    page_line(page, 0, "maxticks=%lu Mallocs=%lu Mdiffs=%ld", static_cast<unsigned long>(max_ticks),
              static_cast<unsigned long>(m.raw_allocs),
              static_cast<long>(m.raw_allocs - m.raw_frees));
    page_line(page, 0, "allocs=%lu diffs=%ld %lu/%s", static_cast<unsigned long>(m.sized_allocs),
              static_cast<long>(m.sized_allocs - m.sized_frees),
              static_cast<unsigned long>(m.bytes_current), size_text(m.bytes_ever));
    dword heap_size, heap_free, heap_avail;
    TAP_MemInfo(&heap_size, &heap_free, &heap_avail);
    page_line(page, 0, "heap avail0=%lu %+.1f KB (global)",
              static_cast<unsigned long>(run.heap_avail / 1000),
              (static_cast<double>(heap_avail) - static_cast<double>(run.heap_avail)) / 1000.0);
    const long code = static_cast<long>(address(IMAGE_CODE_END) - address(IMAGE_TEXT));
    const long rodata = static_cast<long>(address(IMAGE_DATA) - address(IMAGE_CODE_END));
    const long data = static_cast<long>(address(IMAGE_BSS) - address(IMAGE_DATA));
    const long bss = static_cast<long>(address(IMAGE_END) - address(IMAGE_BSS));
    page_line(page, 0, "code=%ld+%ld data=%ld+%ld", code, rodata, data, bss);
}

void diagnostics_page(osd_window* win, const text_page* page) {
    osd_frame(win, 500, 25, "Tovak Infos", TOVAK_VERSION, 0);
    page_draw(win, page);
    osd_finish(win);
}
