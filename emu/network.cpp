// The receiver's network as the TAPs see it. Host names of the fixture's host table resolve to
// addresses of their own (127.77.0.N); connections and datagrams to those addresses go to the
// loopback ports of servers that the tests or the demo started: TCP port 80 to the host's
// "http" port, 443 to its "https" port, UDP ports by the host's "udp" table. Other names are
// not resolved, unmapped ports refuse, and nothing leaves the machine. The interface ioctls
// (list, address, hardware address) are answered from the fixture's interfaces.
//
// The TAPs import these C library functions without a symbol version; the program that loads
// them defines them, so the TAPs' calls arrive here. Everything else passes to the kernel.
#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <net/if.h>
#include <net/if_arp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include "emulator.h"

using tapsim::Emulator;

namespace {

constexpr uint32_t host_net = 0x7F4D0000; // 127.77.0.0: host N of the table is 127.77.0.N+1

uint64_t now(Emulator* emu) {
    return emu->clock().ticks();
}

// The table entry an address stands for, or null.
const tapsim::HostPorts* host_of(Emulator* emu, const struct sockaddr* addr, socklen_t len) {
    if (!emu || !addr || len < static_cast<socklen_t>(sizeof(sockaddr_in)) ||
        addr->sa_family != AF_INET)
        return nullptr;
    sockaddr_in in;
    std::memcpy(&in, addr, sizeof in);
    const uint32_t ip = ntohl(in.sin_addr.s_addr);
    const std::vector<tapsim::HostPorts>& hosts = emu->state().hosts;
    if ((ip & 0xFFFFFF00u) != host_net || (ip & 0xFF) == 0 || (ip & 0xFF) > hosts.size())
        return nullptr;
    return &hosts[(ip & 0xFF) - 1];
}

// The loopback port a connection or datagram of socket type to port goes to, 0 for none.
int mapped_port(const tapsim::HostPorts& host, int type, int port) {
    if (type == SOCK_STREAM) return port == 80 ? host.http : port == 443 ? host.https : 0;
    auto it = host.udp.find(port);
    return it == host.udp.end() ? 0 : it->second;
}

// Rewrites addr for a table host; false with errno when it is refused.
bool redirect(int fd, const struct sockaddr* addr, socklen_t len, sockaddr_in* out,
              const char* call) {
    Emulator* emu = Emulator::current();
    const tapsim::HostPorts* host = host_of(emu, addr, len);
    std::memcpy(out, addr, sizeof *out);
    int type = 0;
    socklen_t size = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) != 0) type = SOCK_STREAM;
    const int port = ntohs(out->sin_port);
    const int target = mapped_port(*host, type, port);
    emu->trace().call(now(emu), call, {port, target}, host->name);
    if (!target) {
        errno = ECONNREFUSED;
        return false;
    }
    out->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    out->sin_port = htons(static_cast<uint16_t>(target));
    return true;
}

const tapsim::NetInterface* interface_named(const char* name) {
    Emulator* emu = Emulator::current();
    for (const tapsim::NetInterface& i : emu->state().interfaces)
        if (i.name == name) return &i;
    return nullptr;
}

// The interface requests answered from the fixture; -1 with errno, or 0.
int interface_request(unsigned long request, void* arg) {
    if (request == SIOCGIFCONF) {
        ifconf* conf = static_cast<ifconf*>(arg);
        const std::vector<tapsim::NetInterface>& all = Emulator::current()->state().interfaces;
        const size_t room =
            conf->ifc_len > 0 ? static_cast<size_t>(conf->ifc_len) / sizeof(ifreq) : 0;
        size_t n = 0;
        for (; n < all.size() && n < room; ++n) {
            ifreq r;
            std::memset(&r, 0, sizeof r);
            std::snprintf(r.ifr_name, sizeof r.ifr_name, "%s", all[n].name.c_str());
            sockaddr_in in{};
            in.sin_family = AF_INET;
            inet_pton(AF_INET, all[n].ip.c_str(), &in.sin_addr);
            std::memcpy(&r.ifr_addr, &in, sizeof in);
            std::memcpy(conf->ifc_buf + n * sizeof r, &r, sizeof r);
        }
        conf->ifc_len = static_cast<int>(n * sizeof(ifreq));
        return 0;
    }
    ifreq* r = static_cast<ifreq*>(arg);
    char name[IFNAMSIZ + 1] = {};
    std::memcpy(name, r->ifr_name, IFNAMSIZ);
    const tapsim::NetInterface* i = interface_named(name);
    if (!i) {
        errno = ENODEV;
        return -1;
    }
    if (request == SIOCGIFADDR) {
        sockaddr_in in{};
        in.sin_family = AF_INET;
        inet_pton(AF_INET, i->ip.c_str(), &in.sin_addr);
        std::memcpy(&r->ifr_addr, &in, sizeof in);
    } else {
        std::memset(&r->ifr_hwaddr, 0, sizeof r->ifr_hwaddr);
        r->ifr_hwaddr.sa_family = ARPHRD_ETHER;
        std::memcpy(r->ifr_hwaddr.sa_data, i->mac, 6);
    }
    return 0;
}

} // namespace

#define TAPSIM_EXPORT extern "C" __attribute__((visibility("default")))

TAPSIM_EXPORT struct hostent* gethostbyname(const char* name) {
    static struct hostent entry;
    static struct in_addr address;
    static char* addresses[2];
    static char* aliases[1];
    static char stored[256];
    Emulator* emu = Emulator::current();
    h_errno = HOST_NOT_FOUND;
    if (!name) return nullptr;
    struct in_addr numeric;
    bool found = inet_aton(name, &numeric) != 0;
    if (found) {
        address = numeric;
    } else if (emu) {
        const std::vector<tapsim::HostPorts>& hosts = emu->state().hosts;
        for (size_t i = 0; i < hosts.size() && i < 254 && !found; ++i)
            if (strcasecmp(hosts[i].name.c_str(), name) == 0) {
                address.s_addr = htonl(host_net + static_cast<uint32_t>(i) + 1);
                found = true;
            }
    }
    if (emu) emu->trace().call(now(emu), "gethostbyname", {found}, name);
    if (!found) return nullptr;
    std::snprintf(stored, sizeof stored, "%s", name);
    addresses[0] = reinterpret_cast<char*>(&address);
    addresses[1] = nullptr;
    aliases[0] = nullptr;
    entry.h_name = stored;
    entry.h_aliases = aliases;
    entry.h_addrtype = AF_INET;
    entry.h_length = 4;
    entry.h_addr_list = addresses;
    h_errno = 0;
    return &entry;
}

TAPSIM_EXPORT int connect(int fd, const struct sockaddr* addr, socklen_t len) {
    if (host_of(Emulator::current(), addr, len)) {
        sockaddr_in target;
        if (!redirect(fd, addr, len, &target, "connect")) return -1;
        return static_cast<int>(syscall(SYS_connect, fd, &target, sizeof target));
    }
    return static_cast<int>(syscall(SYS_connect, fd, addr, len));
}

TAPSIM_EXPORT ssize_t sendto(int fd, const void* data, size_t n, int flags,
                             const struct sockaddr* addr, socklen_t len) {
    if (host_of(Emulator::current(), addr, len)) {
        sockaddr_in target;
        if (!redirect(fd, addr, len, &target, "sendto")) return -1;
        return syscall(SYS_sendto, fd, data, n, flags, &target, sizeof target);
    }
    return syscall(SYS_sendto, fd, data, n, flags, addr, len);
}

TAPSIM_EXPORT int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    Emulator* emu = Emulator::current();
    if (emu && (request == tapsim::ATA_GET_IDENTITY || request == tapsim::ATA_DRIVE_TASK ||
                request == tapsim::ATA_DRIVE_CMD)) {
        const int r = emu->devices().ata_request(emu->state(), fd, request, arg);
        if (r != -2) {
            emu->trace().call(now(emu), "ioctl", {static_cast<int64_t>(request), r});
            return r;
        }
    }
    if (emu && arg &&
        (request == SIOCGIFCONF || request == SIOCGIFADDR || request == SIOCGIFHWADDR)) {
        emu->trace().call(now(emu), "ioctl", {static_cast<int64_t>(request)});
        return interface_request(request, arg);
    }
    return static_cast<int>(syscall(SYS_ioctl, fd, request, arg));
}

// A receive that times out took its socket's receive time-out on the receiver's clock; one that
// got its answer took no time of its own. Counted so rather than by the real wait, the ticks
// are the same in every run and on every build.
TAPSIM_EXPORT ssize_t recv(int fd, void* data, size_t n, int flags) {
    const ssize_t r = syscall(SYS_recvfrom, fd, data, n, flags, nullptr, nullptr);
    const int saved = errno;
    timeval wait{};
    socklen_t size = sizeof wait;
    Emulator* emu = Emulator::current();
    if (emu && r < 0 && (saved == EAGAIN || saved == EWOULDBLOCK) &&
        getsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, &size) == 0)
        emu->blocked_us(static_cast<uint64_t>(wait.tv_sec) * 1000000 +
                        static_cast<uint64_t>(wait.tv_usec));
    errno = saved;
    return r;
}
