#include "time_check.h"

#include <netdb.h>
#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "common/file_io.h"
#include "common/hosts.h"
#include "common/persist.h"
#include "common/records.h"
#include "platform/tap_api.h"

namespace {

constexpr uint32_t ntp_to_unix = 2208988800u; // seconds from 1900 to 1970
constexpr int ntp_port = 123;
enum { SNTP_PACKET = 48, SNTP_CLIENT_MODE = 27 };
constexpr int quarter_hours_limit = 96;
constexpr int32_t unix_of_mjd0 = 40587;

bool last_check_made;
int64_t last_check_local;

// "a.b.c.d" as an IPv4 address in network order (its bytes in the order written); false for
// anything else.
bool numeric_address(const char* text, uint32_t* address) {
    uint8_t bytes[4];
    for (int part = 0; part < 4; ++part) {
        if (*text < '0' || *text > '9') return false;
        unsigned n = 0;
        for (int digits = 0; *text >= '0' && *text <= '9'; ++text) {
            n = n * 10 + static_cast<unsigned>(*text - '0');
            if (++digits > 3 || n > 255) return false;
        }
        bytes[part] = static_cast<uint8_t>(n);
        if (part < 3 && *text++ != '.') return false;
    }
    if (*text) return false;
    memcpy(address, bytes, sizeof bytes);
    return true;
}

bool host_address(const char* host, uint32_t* address) {
    if (numeric_address(host, address)) return true;
    const hostent* h = gethostbyname(host);
    if (!h || h->h_addrtype != AF_INET || h->h_length != 4 || !h->h_addr_list[0]) return false;
    memcpy(address, h->h_addr_list[0], 4);
    return true;
}

int64_t local_clock() {
    word mjd = 0;
    byte hour = 0, minute = 0, second = 0;
    TAP_GetTime(&mjd, &hour, &minute, &second);
    return (static_cast<int64_t>(mjd) - unix_of_mjd0) * 86400 + hour * 3600 + minute * 60 + second;
}

} // namespace

bool quarter_hour_offset(int64_t local, int64_t server, int32_t* minutes) {
    const int64_t m = (local - server) / 60;
    const int64_t quarters = m >= 1 ? (m + 5) / 15 : (m - 5) / 15;
    if (quarters >= quarter_hours_limit || quarters <= -quarter_hours_limit) return false;
    *minutes = static_cast<int32_t>(quarters * 15);
    return true;
}

uint32_t sntp_answer_time(const uint8_t* answer, long length) {
    if (length != SNTP_PACKET) return 0;
    const uint32_t ntp = static_cast<uint32_t>(answer[40]) << 24 |
                         static_cast<uint32_t>(answer[41]) << 16 |
                         static_cast<uint32_t>(answer[42]) << 8 | answer[43];
    return ntp - ntp_to_unix;
}

uint32_t sntp_query(const char* host) {
    uint32_t address;
    if (!host || !host_address(host, &address)) return 0;
    file_descriptor s(socket(AF_INET, SOCK_DGRAM, 0));
    if (s.fd < 0) return 0;
    sockaddr_in server;
    memset(&server, 0, sizeof server);
    server.sin_family = AF_INET;
    server.sin_port = htons(ntp_port);
    server.sin_addr.s_addr = address;
    if (connect(s.fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) return 0;
    timeval wait;
    wait.tv_sec = 0;
    wait.tv_usec = 300000;
    setsockopt(s.fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    uint8_t packet[SNTP_PACKET];
    memset(packet, 0, sizeof packet);
    packet[0] = SNTP_CLIENT_MODE;
    if (send(s.fd, packet, sizeof packet, 0) != SNTP_PACKET) return 0;
    const long got = recv(s.fd, packet, sizeof packet, 0);
    return sntp_answer_time(packet, got);
}

bool time_zone_check(void) {
    const int64_t local = local_clock();
    if (last_check_made && local >= last_check_local) return false;
    last_check_made = true;
    last_check_local = local;
    const uint32_t server = sntp_query(TIME_HOST);
    int32_t minutes;
    if (!quarter_hour_offset(local, server, &minutes)) return true;
    position.utc_offset = minutes;
    position.time_checked = static_cast<int32_t>(server);
    position_save();
    return true;
}
