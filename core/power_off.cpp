#include "core/power_off.h"

#include <unistd.h>

#include "common/fw_bind.h"
#include "common/log.h"
#include "common/settings.h"
#include "core/lifecycle.h"
#include "osd/ibox.h"
#include "platform/firmware.h"

namespace {

constexpr dword message_ms = 1200;
constexpr dword power_off_wait_ms = 200;
constexpr dword event_stop = 0x0900, event_message = 0x0B00, message_exit = 1;

void message(const char* english, const char* german) {
    ibox_timed(nullptr, message_ms, IBOX_INFO, "TovakRC", ui_text(english, german));
}

// Asks the TAP in `slot` to stop, as the firmware's current task: the stop event, and while it
// still runs the exit command. 1 when it still runs afterwards, 0 when it ended, -1 when
// nothing was sent (no current task to set, or the slot is this TAP's own).
int stop_tap(tap_task_slot* tasks, int slot) {
    dword* current = static_cast<dword*>(fw_address(FW_CUR_TAP_TASK));
    if (!current || *current == static_cast<dword>(slot)) return -1;
    tap_task_slot& t = tasks[slot];
    if (t.status != TAP_TASK_RUNNING || !t.entry.handler) return 0;
    const dword saved = *current;
    *current = static_cast<dword>(slot);
    t.entry.handler(event_stop, 0, 0);
    if (t.status == TAP_TASK_RUNNING) t.entry.handler(event_message, message_exit, 0);
    *current = saved;
    return t.status == TAP_TASK_RUNNING ? 1 : 0;
}

void stop_other_taps() {
    auto tasks = static_cast<tap_task_slot*>(fw_address(FW_TAP_TASK));
    if (!tasks) return;
    for (int slot = 0; slot < TAP_TASK_SLOTS; ++slot) {
        if (tasks[slot].status != TAP_TASK_RUNNING) continue;
        if (stop_tap(tasks, slot) > 0 && log_enabled())
            log_printf("power_off: TAP #%d still running", slot);
    }
}

} // namespace

void power_off(void) {
    const unsigned action = settings_stop_action(settings);
    if (action == 0) {
        message("Stop mode disabled, see menu.", "Stopmodus inaktiv, s. Men\xFC.");
        return;
    }
    stop_other_taps();
    message("TAPs terminated.", "TAPs beendet.");
    if (action == 2) {
        // The receiver switches off; the firmware stops this TAP on its way down.
        if (auto off = reinterpret_cast<fw_power_off_fn>(fw_address(FW_POWER_OFF))) {
            sync();
            TAP_Sleep(power_off_wait_ms);
            off(0, 0);
        }
        return;
    }
    tap_terminate(0);
}
