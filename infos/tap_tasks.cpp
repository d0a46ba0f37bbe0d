#include "tap_tasks.h"

#include <string.h>

#include "common/fw_bind.h"
#include "common/tap_header_read.h"
#include "common/version.h"

namespace {

tap_task_slot* task_table() {
    return static_cast<tap_task_slot*>(fw_address(FW_TAP_TASK));
}

constexpr dword event_stop = 0x0900, event_message = 0x0B00, message_exit = 1;

} // namespace

int tap_count_in(const tap_task_slot* tasks, uint32_t id, int slots) {
    if (!tasks) return 0;
    if (slots > TAP_TASK_SLOTS) slots = TAP_TASK_SLOTS;
    int count = 0;
    for (int slot = 0; slot < slots; ++slot) {
        const tap_task_slot& t = tasks[slot];
        const char* file = fw_file_name(t.file);
        if (t.status != TAP_TASK_RUNNING || !file) continue;
        const tap_header_record* header = tap_header_read(nullptr, file);
        if (header && header->id == id) ++count;
    }
    tap_header_clear();
    return count;
}

int tap_count(uint32_t id, int slots) {
    return tap_count_in(task_table(), id, slots);
}

int tap_stop(int slot) {
    dword* current = static_cast<dword*>(fw_address(FW_CUR_TAP_TASK));
    tap_task_slot* tasks = task_table();
    if (!current || !tasks || slot < 0 || slot >= TAP_TASK_SLOTS ||
        *current == static_cast<dword>(slot))
        return -1;
    tap_task_slot& t = tasks[slot];
    if (t.status != TAP_TASK_RUNNING || !t.entry.handler) return 0;
    const dword saved = *current;
    *current = static_cast<dword>(slot);
    t.entry.handler(event_stop, 0, 0);
    if (t.status == TAP_TASK_RUNNING) t.entry.handler(event_message, message_exit, 0);
    *current = saved;
    return t.status == TAP_TASK_RUNNING ? 1 : 0;
}

void tap_list_prepare(text_page* page) {
    page_clear(page, osd_line_height());
    const tap_task_slot* tasks = task_table();
    if (!tasks) return;
    static const char disk[] = "/mnt/hd";
    for (int slot = 0; slot < TAP_TASK_SLOTS; ++slot) {
        const char* file = tasks[slot].status ? fw_file_name(tasks[slot].file) : nullptr;
        if (!file) continue;
        if (!strncmp(file, disk, sizeof disk - 1)) file += sizeof disk - 1;
        page_line(page, 0, "%d: %s", slot, file);
    }
}

void tap_list(osd_window* win, const text_page* page) {
    osd_frame(win, 600, 17, "TAP Infos", TOVAK_VERSION, 0);
    page_draw(win, page);
    osd_finish(win);
}
