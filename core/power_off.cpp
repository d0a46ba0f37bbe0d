#include "core/power_off.h"

#include <unistd.h>

#include "common/fw_bind.h"
#include "common/log.h"
#include "common/settings.h"
#include "core/lifecycle.h"
#include "infos/tap_tasks.h"
#include "osd/ibox.h"
#include "platform/firmware.h"

namespace {

constexpr dword message_ms = 1200;
constexpr dword power_off_wait_ms = 200;

void message(const char* english, const char* german) {
    ibox_timed(nullptr, message_ms, IBOX_INFO, "TovakRC", ui_text(english, german));
}

void stop_other_taps() {
    auto tasks = static_cast<tap_task_slot*>(fw_address(FW_TAP_TASK));
    if (!tasks) return;
    for (int slot = 0; slot < TAP_TASK_SLOTS; ++slot) {
        if (tasks[slot].status != TAP_TASK_RUNNING) continue;
        if (tap_stop(slot) > 0 && log_enabled())
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
