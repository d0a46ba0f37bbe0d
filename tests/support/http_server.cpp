#include "http_server.h"

#include "demo_disk.h"
#include "emulator.h"

#include <arpa/inet.h>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace scenario {

namespace {

constexpr int lifetime_ms = 60000; // the server gives up after this long
constexpr size_t request_max = 8192;

} // namespace

HttpServer::HttpServer(std::map<std::string, HttpReply> routes, HttpReply other)
    : HttpServer(std::move(other)) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_ = std::move(routes);
}

HttpServer::HttpServer(HttpReply reply) : reply_(std::move(reply)) {
    if (pipe(stop_pipe_) != 0) return;
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listener_, reply_.never_accept ? 0 : 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &size) != 0)
        return;
    port_ = ntohs(addr.sin_port);
    if (reply_.never_accept) {
        // One waiting connection fills a queue of length 0: later ones are not answered.
        filler_ = socket(AF_INET, SOCK_STREAM, 0);
        connect(filler_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        return;
    }
    thread_.start([this] { serve(); });
}

HttpServer::~HttpServer() {
    if (stop_pipe_[1] >= 0) (void)!write(stop_pipe_[1], "x", 1);
    thread_.join();
    for (int fd : {listener_, filler_, stop_pipe_[0], stop_pipe_[1]})
        if (fd >= 0) close(fd);
}

std::vector<std::string> HttpServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

bool HttpServer::stopping(int wait_ms) const {
    pollfd p{stop_pipe_[0], POLLIN, 0};
    return poll(&p, 1, wait_ms) != 0;
}

void HttpServer::serve() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(lifetime_ms);
    while (std::chrono::steady_clock::now() < end) {
        pollfd p[2] = {{listener_, POLLIN, 0}, {stop_pipe_[0], POLLIN, 0}};
        if (poll(p, 2, 100) <= 0) continue;
        if (p[1].revents) return;
        int fd = accept(listener_, nullptr, nullptr);
        if (fd < 0) continue;
        answer(fd);
        close(fd);
    }
}

void HttpServer::answer(int fd) {
    std::string request;
    char block[1024];
    while (request.size() < request_max && request.find("\r\n\r\n") == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) break;
        ssize_t n = recv(fd, block, sizeof block, 0);
        if (n <= 0) break;
        request.append(block, static_cast<size_t>(n));
    }
    HttpReply reply;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        // "GET /path HTTP/1.0": the reply of the path, if it has one.
        const size_t from = request.find(' ') + 1, to = request.find(' ', from);
        auto route = from > 0 && to != std::string::npos
                         ? routes_.find(request.substr(from, to - from))
                         : routes_.end();
        reply = route != routes_.end() ? route->second : reply_;
    }
    if (reply.never_answer) {
        stopping(lifetime_ms);
        return;
    }
    if (reply.delay_ms > 0 && stopping(reply.delay_ms)) return;
    const std::string text = (reply.root.empty() ? reply.text() : file_reply(request))
                                 .substr(0, std::min(reply.cut_after, reply.stall_after));
    if (!send_text(fd, text, reply)) return;
    if (reply.stall_after != std::string::npos) {
        stopping(lifetime_ms);
        return;
    }
    while (reply.endless && !reply.body.empty() && !stopping(0) &&
           send_text(fd, reply.body, reply)) {
    }
}

bool HttpServer::send_text(int fd, const std::string& text, const HttpReply& reply) const {
    size_t sent = 0;
    while (sent < text.size()) {
        if (sent > 0 && reply.piece_gap_ms > 0 && stopping(reply.piece_gap_ms)) return false;
        const size_t n =
            reply.piece ? std::min(reply.piece, text.size() - sent) : text.size() - sent;
        const ssize_t done = send(fd, text.data() + sent, n, MSG_NOSIGNAL);
        if (done <= 0) return false;
        sent += static_cast<size_t>(done);
    }
    return true;
}

std::string HttpServer::file_reply(const std::string& request) const {
    // "GET /path HTTP/1.x"
    std::istringstream words(request);
    std::string method, target;
    words >> method >> target;
    namespace fs = std::filesystem;
    fs::path file = fs::path(reply_.root) / target.substr(target.empty() ? 0 : 1);
    std::error_code ec;
    if (fs::is_directory(file, ec)) file /= "__index__.html";
    const bool inside = target.find("..") == std::string::npos;
    std::ifstream in(file, std::ios::binary);
    if (!inside || !in || method != "GET")
        return "HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\nnot found\n";
    std::stringstream body;
    body << in.rdbuf();
    const std::string type = file.extension() == ".html" ? "text/html" : "application/octet-stream";
    return "HTTP/1.0 200 OK\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(body.str().size()) + "\r\n\r\n" + body.str();
}

std::unique_ptr<HttpServer> serve_pages(tapsim::Emulator& emu, const std::string& disk,
                                        const std::string& root) {
    std::string why;
    if (!tapsim::install_helpers(disk, TOVAK_HELPERS_DIR, &why)) return nullptr;
    std::filesystem::create_directories(root);
    HttpReply reply;
    reply.root = root;
    auto server = std::make_unique<HttpServer>(reply);
    emu.state().hosts = {{"www.tovak.test", server->port(), 0, {}}};
    emu.publish_hosts();
    return server;
}

} // namespace scenario
