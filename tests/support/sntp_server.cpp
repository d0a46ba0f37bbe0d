#include "sntp_server.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace scenario {

namespace {
constexpr uint32_t ntp_to_unix = 2208988800u;
}

SntpServer::SntpServer(uint32_t answer) : answer_(answer) {
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return;
    port_ = ntohs(a.sin_port);
    thread_.start([this] { serve(); });
}

SntpServer::~SntpServer() {
    stop_ = true;
    thread_.join();
    if (fd_ >= 0) close(fd_);
}

void SntpServer::serve() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!stop_ && std::chrono::steady_clock::now() < end) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        uint8_t packet[48];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n =
            recvfrom(fd_, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n <= 0) continue;
        ++requests_;
        const uint32_t answer = answer_;
        if (!answer) continue;
        uint8_t reply[48] = {};
        reply[0] = 0x24; // no warning, version 4, server
        const uint32_t ntp = htonl(answer + ntp_to_unix);
        std::memcpy(reply + 40, &ntp, 4);
        sendto(fd_, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), len);
    }
}

} // namespace scenario
