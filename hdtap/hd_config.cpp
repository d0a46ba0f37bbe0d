// The receiver's signature: firmware version and build date, the network address and hardware
// address, and the compact identifier the update request carries.
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/file_io.h"
#include "hd.h"

char cfg_fw[31], cfg_date[40], cfg_ip[40], cfg_mac[20], cfg_sig[50];

namespace {

bool firmware_read; // version and build date are looked up once

// The firmware's version text as its own version function writes it.
void firmware_version() {
    typedef void (*set_appl_ver_fn)(char*);
    void* set_ver = fw_addr("_Z15Appl_SetApplVerPc");
    char* out = static_cast<char*>(fw_addr("_osdOutBuf"));
    if (!set_ver || !out) return;
    out[0] = 0;
    reinterpret_cast<set_appl_ver_fn>(set_ver)(nullptr);
    snprintf(cfg_fw, sizeof cfg_fw, "%.30s", out);
}

// The build date stands behind the format text "v%d.%d.%d" (word-aligned, 12 bytes) in the
// firmware's code image; the scan is skipped when the image's bounds are unknown.
void firmware_date() {
    static const char format[] = "v%d.%d.%d";
    const char* start = static_cast<const char*>(fw_addr("_ftext"));
    const char* end = static_cast<const char*>(fw_addr("_fdata"));
    if (!start || !end || end <= start) return;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(start) + 3) & ~uintptr_t{3};
    for (const char* p = reinterpret_cast<const char*>(first); p + 12 < end; p += 4) {
        if (memcmp(p, format, sizeof format) != 0) continue;
        const char* date = p + 12;
        size_t n = 0;
        while (date + n < end && n < sizeof cfg_date - 1 && date[n])
            ++n;
        memcpy(cfg_date, date, n);
        cfg_date[n] = 0;
        return;
    }
}

// The first interface with a hardware address gives the MAC text and its fold, the address of
// the last interface examined the IP text.
uint32_t network() {
    file_descriptor s(socket(AF_INET, SOCK_DGRAM, 0));
    if (s.fd < 0) return 0;
    union {
        char bytes[200];
        struct ifreq align;
    } buffer;
    struct ifconf conf;
    conf.ifc_len = sizeof buffer.bytes;
    conf.ifc_buf = buffer.bytes;
    if (ioctl(s.fd, SIOCGIFCONF, &conf) < 0) return 0;
    const int count = conf.ifc_len / static_cast<int>(sizeof(struct ifreq));
    for (int i = 0; i < count; ++i) {
        struct ifreq request;
        memcpy(&request, buffer.bytes + i * sizeof request, sizeof request);
        if (ioctl(s.fd, SIOCGIFADDR, &request) == 0) {
            struct sockaddr_in in;
            memcpy(&in, &request.ifr_addr, sizeof in);
            if (!inet_ntop(AF_INET, &in.sin_addr, cfg_ip, sizeof cfg_ip)) cfg_ip[0] = 0;
        }
        if (ioctl(s.fd, SIOCGIFHWADDR, &request) != 0) continue;
        const uint8_t* b = reinterpret_cast<const uint8_t*>(request.ifr_hwaddr.sa_data);
        if (!(b[0] | b[1] | b[2] | b[3] | b[4] | b[5])) continue;
        snprintf(cfg_mac, sizeof cfg_mac, "%02x:%02x:%02x:%02x:%02x:%02x", b[0], b[1], b[2], b[3],
                 b[4], b[5]);
        return static_cast<uint32_t>((b[0] ^ b[1]) << 16 | (b[2] ^ b[3]) << 8 | (b[4] ^ b[5]));
    }
    return 0;
}

} // namespace

void cfg_setup(void) {
    if (!firmware_read) {
        firmware_read = true;
        firmware_version();
        firmware_date();
        if (!cfg_date[0]) snprintf(cfg_date, sizeof cfg_date, "%s", "date unknown");
        if (!cfg_fw[0]) snprintf(cfg_fw, sizeof cfg_fw, "%.30s", cfg_date);
    }
    const uint32_t u = network();
    uint32_t n = ((u >> 4 ^ u) & 0xFFFFF) * 1296 + TAP_Hdd_TotalSize() / 10240;
    int length =
        snprintf(cfg_sig, sizeof cfg_sig, "%s-%ld-", cfg_fw, static_cast<long>(TAP_GetSystemId()));
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (; n && length > 0 && length < static_cast<int>(sizeof cfg_sig) - 1; n /= 36)
        cfg_sig[length++] = digits[n % 36];
    if (length > 0 && length < static_cast<int>(sizeof cfg_sig)) cfg_sig[length] = 0;
}
