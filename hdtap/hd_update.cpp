// The update check: asks the maker's server for "tovakrc/tovakrc_tms.tap" (HTTP/1.0, port 80)
// and, when asked interactively and the server's copy is not older than this TAP, stores it in
// the settings folder. The silent check only sends the request and notes the day.
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "common/http_time.h"
#include "common/file_io.h"
#include "common/socket_io.h"
#include "hd.h"
#include "update_reply.h"

namespace {

// Time limits: the receiver waits for nothing else while a transfer runs.
enum {
    CONNECT_TIMEOUT_MS = 5000, // for the connection
    RECEIVE_TIMEOUT_S = 5,     // for each block sent or received
    TRANSFER_LIMIT_S = 120,    // for the whole answer
    BLOCK = 2000,
    MIN_TAP_LENGTH = 10000, // shorter answers are error pages, not TAPs
};

const char folder[] = "tovakrc";
const char file_name[] = "tovakrc_tms.tap";
const char part_name[] = "tovakrc_tms.part"; // the download until it is complete

char buffer[BLOCK + 1]; // the request, then each received block

long seconds_now() {
    struct timeval now;
    gettimeofday(&now, nullptr);
    return static_cast<long>(now.tv_sec);
}

// Receives until the header has ended, the block is full or the server stops: the length.
size_t receive_header(int fd) {
    size_t n = 0;
    while (n < BLOCK) {
        const ssize_t got = recv(fd, buffer + n, BLOCK - n, 0);
        if (got <= 0) break;
        n += static_cast<size_t>(got);
        if (update_header_end(buffer, n)) break;
    }
    buffer[n] = 0;
    return n;
}

// Writes the body into the part file and renames it to the TAP's name once it is complete.
void store(int fd, size_t block_length, const update_reply& reply) {
    if (cd_settings() != 0) return;
    TAP_Hdd_Delete(part_name);
    TAP_Hdd_Create(part_name, ATTR_FILE);
    tap_file file(TAP_Hdd_Fopen(part_name));
    long remaining = reply.length;
    const char* data = buffer + reply.body;
    size_t n = block_length - reply.body;
    const long deadline = seconds_now() + TRANSFER_LIMIT_S;
    bool written = file.f != nullptr;
    while (written && remaining > 0 && n > 0) {
        const size_t part = n < static_cast<size_t>(remaining) ? n : static_cast<size_t>(remaining);
        written = TAP_Hdd_Fwrite(const_cast<char*>(data), part, 1, file.f) == 1;
        remaining -= static_cast<long>(part);
        if (!written || remaining == 0 || seconds_now() > deadline) break;
        const ssize_t got = recv(fd, buffer, BLOCK, 0);
        data = buffer;
        n = got > 0 ? static_cast<size_t>(got) : 0;
    }
    file.close();
    if (!written) {
        TAP_Hdd_Delete(part_name);
        osd_alert(" Writing error.");
        return;
    }
    if (remaining != 0) {
        TAP_Hdd_Delete(part_name);
        osd_alert(" Transmission error.");
        return;
    }
    // Only a complete file replaces the earlier one.
    TAP_Hdd_Delete(file_name);
    if (!TAP_Hdd_Rename(part_name, file_name)) {
        TAP_Hdd_Delete(part_name);
        osd_alert(" Writing error.");
        return;
    }
    osd_alert(" Successfully stored.");
}

} // namespace

int chk_update(int mode) {
    const int request =
        snprintf(buffer, sizeof buffer,
                 "GET /%s/%s HTTP/1.0\r\nHost: %s\r\nUser-Agent: %s %s-%X%X%02lX%X%d\r\n\r\n",
                 folder, file_name, __tap_author_name__, __tap_program_name__, cfg_sig, ini.tf,
                 ini.rc, static_cast<unsigned long>(ini.flags & 0xFF), ini.id, mode);
    if (request <= 0 || request >= static_cast<int>(sizeof buffer)) return -1;
    struct sockaddr_in address;
    if (!socket_address(__tap_author_name__, 80, &address)) return -1;
    file_descriptor s(socket(AF_INET, SOCK_STREAM, 0));
    if (s.fd < 0 || !socket_connect_within(s.fd, &address, CONNECT_TIMEOUT_MS, RECEIVE_TIMEOUT_S) ||
        !socket_send_all(s.fd, buffer, static_cast<size_t>(request)))
        return -1;
    const size_t n = receive_header(s.fd);
    if (!n) return -1;
    ini.check_day = static_cast<uint16_t>(get_mjd(nullptr));
    ini.save_day = 0;
    if (mode == 0) return 0;

    update_reply reply;
    update_reply_parse(buffer, n, &reply);
    if (reply.status != 200 || reply.length < MIN_TAP_LENGTH || !reply.date[0]) {
        osd_alert(" File not found on server.");
        return 0;
    }
    const uint32_t server = atot(reply.date);
    const uint32_t own = atot(__tap_etc_str__);
    if (!server || !own) {
        osd_alert(" Unsafe date.");
        return 0;
    }
    if (server < own) {
        osd_alert(" No newer TAP version.");
        return 1;
    }
    osd_alert(" New TAP version available:");
    alert_printf(" %s/%s/%s", __tap_author_name__, folder, file_name);
    alert_printf(" %s, %ld bytes", reply.date, reply.length);
    alert_printf(" Saving to %s/%s ...", "Settings", "TovakRC");
    if (!reply.body) return 2;
    store(s.fd, n, reply);
    return 2;
}
