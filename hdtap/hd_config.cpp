// The receiver's signature: firmware version and build date, the network address and hardware
// address, and the compact identifier the update request carries.
#include <stdio.h>

#include "common/receiver_id.h"
#include "hd.h"

char cfg_fw[31], cfg_date[40], cfg_ip[40], cfg_mac[20], cfg_sig[50];

namespace {

bool firmware_read; // version and build date are looked up once

} // namespace

void cfg_setup(void) {
    if (!firmware_read) {
        firmware_read = true;
        fw_version_read(fw_addr("_Z15Appl_SetApplVerPc"), static_cast<char*>(fw_addr("_osdOutBuf")),
                        cfg_fw, sizeof cfg_fw);
        // The scan is skipped when the image's bounds are unknown.
        fw_build_scan(static_cast<const char*>(fw_addr("_ftext")),
                      static_cast<const char*>(fw_addr("_fdata")), cfg_date, sizeof cfg_date);
        if (!cfg_date[0]) snprintf(cfg_date, sizeof cfg_date, "%s", "date unknown");
        if (!cfg_fw[0]) snprintf(cfg_fw, sizeof cfg_fw, "%.30s", cfg_date);
    }
    const uint32_t fold = net_hw_interface(cfg_ip, sizeof cfg_ip, cfg_mac, sizeof cfg_mac);
    device_identifier(cfg_sig, sizeof cfg_sig, cfg_fw, static_cast<long>(TAP_GetSystemId()), fold,
                      TAP_Hdd_TotalSize());
}
