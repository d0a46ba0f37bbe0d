// The receiver's network in the emulator: the fixture's host table, name lookup, connections
// and datagrams redirected to loopback servers, and the interface ioctls.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "emulator.h"

namespace fs = std::filesystem;

namespace {

// A loopback socket of type bound to a free port.
struct Listener {
    int fd = -1, port = 0;
    explicit Listener(int type) {
        fd = socket(AF_INET, type, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        if (type == SOCK_STREAM) listen(fd, 4);
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
        port = ntohs(a.sin_port);
    }
    ~Listener() { close(fd); }
};

class Network : public ::testing::Test {
  protected:
    void start(const std::string& fixture_json) {
        char tmpl[] = "/tmp/network_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        std::ofstream(dir / "fixture.json") << fixture_json;
        tapsim::Config c;
        c.disk = (dir / "disk").string();
        c.fixture = (dir / "fixture.json").string();
        emu = std::make_unique<tapsim::Emulator>(c);
        ASSERT_TRUE(emu->ok()) << emu->error();
    }
    void TearDown() override {
        emu.reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    // The address a name resolves to, or "" when it does not.
    static std::string resolved(const char* name) {
        const hostent* h = gethostbyname(name);
        if (!h) return "";
        EXPECT_EQ(h->h_addrtype, AF_INET);
        EXPECT_EQ(h->h_length, 4);
        char text[INET_ADDRSTRLEN];
        return inet_ntop(AF_INET, h->h_addr_list[0], text, sizeof text);
    }
    static sockaddr_in address_of(const char* name, int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        std::memcpy(&a.sin_addr, gethostbyname(name)->h_addr_list[0], 4);
        return a;
    }
    fs::path dir;
    std::unique_ptr<tapsim::Emulator> emu;
};

} // namespace

TEST_F(Network, NamesOfTheHostTableResolveAndNothingElse) {
    start(R"({"hosts": {"www.tovak.test": {"http": 1}, "time.tovak.test": {"udp": {"123": 2}}}})");
    // Each host of the table has an address of its own in 127.77.0.0/24.
    const std::string www = resolved("www.tovak.test"), time = resolved("time.tovak.test");
    EXPECT_EQ(www.rfind("127.77.0.", 0), 0u) << www;
    EXPECT_EQ(time.rfind("127.77.0.", 0), 0u) << time;
    EXPECT_NE(www, time);
    EXPECT_EQ(resolved("WWW.Tovak.Test"), www);
    EXPECT_EQ(resolved("10.1.2.3"), "10.1.2.3");
    EXPECT_EQ(resolved("www.example.com"), "") << "no lookup leaves the machine";
    EXPECT_EQ(resolved("localhost"), "");
}

TEST_F(Network, ConnectionsGoToTheHostsLoopbackPorts) {
    Listener plain(SOCK_STREAM), secure(SOCK_STREAM);
    start(R"({"hosts": {"www.tovak.test": {"http": )" + std::to_string(plain.port) +
          R"(, "https": )" + std::to_string(secure.port) + "}}}");
    for (auto [port, listener] : {std::pair{80, &plain}, std::pair{443, &secure}}) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in a = address_of("www.tovak.test", port);
        EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0) << port;
        pollfd p{listener->fd, POLLIN, 0};
        EXPECT_EQ(poll(&p, 1, 2000), 1) << "the server on port " << listener->port << " sees it";
        const int accepted = accept(listener->fd, nullptr, nullptr);
        EXPECT_GE(accepted, 0);
        close(accepted);
        close(fd);
    }
    // A port the host does not serve refuses.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = address_of("www.tovak.test", 21);
    errno = 0;
    EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a), -1);
    EXPECT_EQ(errno, ECONNREFUSED);
    close(fd);
    int redirected = 0;
    for (const tapsim::TraceCall& c : emu->trace().calls())
        if (c.name == "connect") {
            EXPECT_EQ(c.text, "www.tovak.test");
            redirected += c.args[1] != 0;
        }
    EXPECT_EQ(redirected, 2);
}

TEST_F(Network, DatagramsGoToTheHostsUdpPorts) {
    Listener time_server(SOCK_DGRAM);
    start(R"({"hosts": {"time.tovak.test": {"udp": {"123": )" + std::to_string(time_server.port) +
          "}}}}");
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in a = address_of("time.tovak.test", 123);
    EXPECT_EQ(sendto(fd, "ping", 4, 0, reinterpret_cast<const sockaddr*>(&a), sizeof a), 4);
    char got[8] = {};
    pollfd p{time_server.fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    EXPECT_EQ(recv(time_server.fd, got, sizeof got, 0), 4);
    EXPECT_STREQ(got, "ping");
    const sockaddr_in other = address_of("time.tovak.test", 37);
    EXPECT_EQ(sendto(fd, "x", 1, 0, reinterpret_cast<const sockaddr*>(&other), sizeof other), -1);
    close(fd);
}

TEST_F(Network, InterfacesComeFromTheFixture) {
    start(R"({"interfaces": [{"name": "lo", "ip": "127.0.0.1"},
                             {"name": "eth1", "ip": "10.0.0.9", "mac": "02:00:5e:10:00:01"}]})");
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq reqs[4];
    ifconf conf;
    conf.ifc_len = sizeof reqs;
    conf.ifc_req = reqs;
    ASSERT_EQ(ioctl(fd, SIOCGIFCONF, &conf), 0);
    ASSERT_EQ(conf.ifc_len, static_cast<int>(2 * sizeof(ifreq)));
    EXPECT_STREQ(reqs[1].ifr_name, "eth1");
    ifreq r = reqs[1];
    ASSERT_EQ(ioctl(fd, SIOCGIFADDR, &r), 0);
    char text[INET_ADDRSTRLEN];
    EXPECT_STREQ(inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&r.ifr_addr)->sin_addr, text,
                           sizeof text),
                 "10.0.0.9");
    ASSERT_EQ(ioctl(fd, SIOCGIFHWADDR, &r), 0);
    const uint8_t mac[6] = {0x02, 0x00, 0x5e, 0x10, 0x00, 0x01};
    EXPECT_EQ(std::memcmp(r.ifr_hwaddr.sa_data, mac, 6), 0);
    std::strcpy(r.ifr_name, "wlan9");
    EXPECT_EQ(ioctl(fd, SIOCGIFADDR, &r), -1);
    EXPECT_EQ(errno, ENODEV);
    // Room for one record: one record.
    conf.ifc_len = sizeof(ifreq);
    ASSERT_EQ(ioctl(fd, SIOCGIFCONF, &conf), 0);
    EXPECT_EQ(conf.ifc_len, static_cast<int>(sizeof(ifreq)));
    close(fd);
}

TEST_F(Network, BadFixturesAreRefused) {
    char tmpl[] = "/tmp/network_test.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    for (const char* bad : {R"({"interfaces": [{"name": "eth0", "mac": "00:11"}]})",
                            R"({"hosts": {"a.test": {"http": "eighty"}}})",
                            R"({"hosts": {"a.test": {"udp": {"ntp": 5}}}})"}) {
        std::ofstream(dir / "bad.json") << bad;
        tapsim::ReceiverState s;
        std::string why;
        EXPECT_FALSE(tapsim::load_fixture((dir / "bad.json").string(), &s, &why)) << bad;
        EXPECT_FALSE(why.empty());
    }
}
