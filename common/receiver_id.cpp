#include "receiver_id.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include "common/file_io.h"

size_t fw_version_read(void* set_appl_ver, char* out_buffer, char* text, size_t size) {
    typedef void (*set_appl_ver_fn)(char*);
    if (!set_appl_ver || !out_buffer || !text || size == 0) return 0;
    out_buffer[0] = 0;
    reinterpret_cast<set_appl_ver_fn>(set_appl_ver)(nullptr);
    const int n = snprintf(text, size, "%.30s", out_buffer);
    return n < 0 ? 0 : static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size - 1;
}

bool fw_build_scan(const char* start, const char* end, char* text, size_t size) {
    static const char format[] = "v%d.%d.%d";
    if (!start || !end || end <= start || !text || size == 0) return false;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(start) + 3) & ~uintptr_t{3};
    const uintptr_t last = reinterpret_cast<uintptr_t>(end);
    for (uintptr_t at = first; at + 12 < last; at += 4) {
        const char* p = reinterpret_cast<const char*>(at);
        if (memcmp(p, format, sizeof format) != 0) continue;
        const char* build = p + 12;
        size_t n = 0;
        while (build + n < end && n < size - 1 && build[n])
            ++n;
        memcpy(text, build, n);
        text[n] = 0;
        return true;
    }
    return false;
}

uint32_t mac_fold(const uint8_t b[6]) {
    return static_cast<uint32_t>((b[0] ^ b[1]) << 16 | (b[2] ^ b[3]) << 8 | (b[4] ^ b[5]));
}

uint32_t net_hw_interface(char* ip, size_t ip_size, char* mac, size_t mac_size) {
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
    int count = conf.ifc_len / static_cast<int>(sizeof(struct ifreq));
    if (count > static_cast<int>(sizeof buffer.bytes / sizeof(struct ifreq)))
        count = sizeof buffer.bytes / sizeof(struct ifreq);
    for (int i = 0; i < count; ++i) {
        struct ifreq request;
        memcpy(&request, buffer.bytes + i * sizeof request, sizeof request);
        if (ioctl(s.fd, SIOCGIFADDR, &request) == 0) {
            struct sockaddr_in in;
            memcpy(&in, &request.ifr_addr, sizeof in);
            if (!inet_ntop(AF_INET, &in.sin_addr, ip, static_cast<socklen_t>(ip_size))) ip[0] = 0;
        }
        if (ioctl(s.fd, SIOCGIFHWADDR, &request) != 0) continue;
        const uint8_t* b = reinterpret_cast<const uint8_t*>(request.ifr_hwaddr.sa_data);
        if (!(b[0] | b[1] | b[2] | b[3] | b[4] | b[5])) continue;
        snprintf(mac, mac_size, "%02x:%02x:%02x:%02x:%02x:%02x", b[0], b[1], b[2], b[3], b[4],
                 b[5]);
        return mac_fold(b);
    }
    return 0;
}

void device_identifier(char* out, size_t size, const char* firmware, long system_id, uint32_t fold,
                       uint32_t total_mb) {
    if (!out || size == 0) return;
    uint32_t n = ((fold >> 4 ^ fold) & 0xFFFFF) * 1296 + total_mb / 10240;
    int length = snprintf(out, size, "%s-%ld-", firmware ? firmware : "", system_id);
    if (length < 0 || static_cast<size_t>(length) >= size) return; // cut: no digits
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (; n && static_cast<size_t>(length) < size - 1; n /= 36)
        out[length++] = digits[n % 36];
    out[length] = 0;
}
