// A small HTTP server on loopback for tests: it answers every connection with one prepared
// reply, which can be delayed, cut off, withheld or never accepted. It runs in a thread of the
// test process for at most a minute and stops with its owner.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tapsim {
class Emulator;
}

namespace scenario {

struct HttpReply {
    std::string head = "HTTP/1.0 200 OK\r\n"; // status line and header lines
    std::string body;
    int delay_ms = 0;                     // before the reply
    size_t cut_after = std::string::npos; // bytes of the reply sent before the connection closes
    bool never_answer = false;            // the connection stays open without a byte
    bool never_accept = false;            // the connection never completes (a full accept queue)
    // When set, a folder tree of pages: a request for /path is answered with the file
    // root/path ("__index__.html" for a folder; the query is part of the name), or 404.
    std::string root;

    // The whole reply: head, the blank line, body.
    std::string text() const { return head + "\r\n" + body; }
};

class HttpServer {
  public:
    explicit HttpServer(HttpReply reply);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int port() const { return port_; }
    // The requests received so far (up to their blank line).
    std::vector<std::string> requests() const;

  private:
    void serve();
    void answer(int fd);
    bool stopping(int wait_ms) const;
    std::string file_reply(const std::string& request) const;

    HttpReply reply_;
    int listener_ = -1;
    int filler_ = -1; // the connection that fills the accept queue (never_accept)
    int stop_pipe_[2] = {-1, -1};
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// Test pages for the TAP's helper programs: the helper wrappers installed on the emulated disk
// (disk), a server on the folder root (made when missing), and the host table of the emulator
// naming it "www.tovak.test" (plain HTTP). The server stops with the returned owner.
std::unique_ptr<HttpServer> serve_pages(tapsim::Emulator& emu, const std::string& disk,
                                        const std::string& root);

} // namespace scenario
