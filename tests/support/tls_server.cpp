#include "tls_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "temp_dir.h"

namespace scenario {

namespace {

constexpr int lifetime_s = 300;
constexpr int start_wait_ms = 10000;

// A port that is free now (the kernel's choice).
int free_port() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) == 0)
        port = ntohs(addr.sin_port);
    close(fd);
    return port;
}

bool accepts(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

} // namespace

TlsServer::TlsServer(const std::string& root) {
    dir_ = tapsim::make_temp_dir("tls");
    const std::string key = dir_ + "/key.pem", cert = dir_ + "/cert.pem";
    const std::string make =
        "openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=tovak.test -days 1 "
        "-keyout '" +
        key + "' -out '" + cert + "' > /dev/null 2>&1";
    if (dir_.empty() || std::system(make.c_str()) != 0) {
        error_ = "cannot make a certificate with openssl";
        return;
    }
    const int port = free_port();
    const std::string accept = "127.0.0.1:" + std::to_string(port);
    pid_ = fork();
    if (pid_ == 0) {
        if (chdir(root.c_str()) != 0) _exit(127);
        alarm(lifetime_s);
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        execlp("openssl", "openssl", "s_server", "-accept", accept.c_str(), "-cert", cert.c_str(),
               "-key", key.c_str(), "-WWW", "-quiet", static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(start_wait_ms);
    while (std::chrono::steady_clock::now() < end) {
        if (accepts(port)) {
            port_ = port;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    error_ = "openssl s_server did not start";
}

TlsServer::~TlsServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

} // namespace scenario
