#include "socket_io.h"

#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>

bool socket_connect_within(int fd, const struct sockaddr_in* address, int connect_ms,
                           int io_seconds) {
    const int mode = fcntl(fd, F_GETFL, 0);
    if (mode < 0 || fcntl(fd, F_SETFL, mode | O_NONBLOCK) < 0) return false;
    int result = connect(fd, reinterpret_cast<const struct sockaddr*>(address), sizeof *address);
    if (result < 0 && errno == EINPROGRESS) {
        struct pollfd waiting = {fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        result = poll(&waiting, 1, connect_ms) == 1 &&
                         getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0
                     ? 0
                     : -1;
    }
    if (result < 0 || fcntl(fd, F_SETFL, mode) < 0) return false;
    struct timeval limit = {io_seconds, 0};
    return setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0 &&
           setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) == 0;
}

bool socket_send_all(int fd, const char* data, size_t n) {
    while (n) {
        const ssize_t sent = send(fd, data, n, 0);
        if (sent <= 0) return false;
        data += sent;
        n -= static_cast<size_t>(sent);
    }
    return true;
}

bool socket_address(const char* host, int port, struct sockaddr_in* address) {
    const struct hostent* entry = host ? gethostbyname(host) : nullptr;
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != 4 || !entry->h_addr_list ||
        !entry->h_addr_list[0])
        return false;
    memset(address, 0, sizeof *address);
    address->sin_family = AF_INET;
    address->sin_port = htons(static_cast<uint16_t>(port));
    memcpy(&address->sin_addr, entry->h_addr_list[0], 4);
    return true;
}
