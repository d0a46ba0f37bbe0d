// A small HTTP server on loopback for tests: it answers every connection with one prepared
// reply (or one per request path), which can be delayed, cut off, sent in pieces, stalled,
// made endless, withheld or never accepted. It runs in a thread of the
// test process for at most a minute and stops with its owner.
#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "test_thread.h"
#include <vector>

namespace tapsim {
class Emulator;
}

namespace scenario {

struct HttpReply {
    std::string head = "HTTP/1.0 200 OK\r\n"; // status line and header lines
    std::string body;
    int delay_ms = 0;                       // before the reply
    size_t cut_after = std::string::npos;   // bytes of the reply sent before the connection closes
    bool never_answer = false;              // the connection stays open without a byte
    bool never_accept = false;              // the connection never completes (a full accept queue)
    size_t stall_after = std::string::npos; // bytes sent before the server falls silent for good
    bool endless = false;                   // the body follows again and again
    size_t piece = 0;                       // sent in pieces of this many bytes (0: at once) ...
    int piece_gap_ms = 0;                   // ... with this pause between them
    bool raw = false;                       // head and body without the blank line between them
    // When set, a folder tree of pages: a request for /path is answered with the file
    // root/path ("__index__.html" for a folder; the query is part of the name), or 404.
    std::string root;

    // The whole reply: head, the blank line, body.
    std::string text() const { return head + (raw ? "" : "\r\n") + body; }
};

class HttpServer {
  public:
    explicit HttpServer(HttpReply reply);
    // A reply per request path ("/tovakrc/tovakrc.txt"); every other path gets `other`.
    HttpServer(std::map<std::string, HttpReply> routes, HttpReply other);
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
    bool send_text(int fd, const std::string& text, const HttpReply& reply) const;

    HttpReply reply_;
    std::map<std::string, HttpReply> routes_;
    int listener_ = -1;
    int filler_ = -1; // the connection that fills the accept queue (never_accept)
    int stop_pipe_[2] = {-1, -1};
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    TestThread thread_;
};

// Test pages for the TAP's helper programs: the helper wrappers installed on the emulated disk
// (disk), a server on the folder root (made when missing), and the host table of the emulator
// naming it "www.tovak.test" (plain HTTP). The server stops with the returned owner.
std::unique_ptr<HttpServer> serve_pages(tapsim::Emulator& emu, const std::string& disk,
                                        const std::string& root);

} // namespace scenario
