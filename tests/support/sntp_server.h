// A small time server on loopback for tests: it answers SNTP requests on UDP with a chosen
// time (Unix seconds), or stays silent. It runs in a thread of the test process for at most a
// minute and stops with its owner.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "test_thread.h"

namespace scenario {

class SntpServer {
  public:
    // answer: the Unix seconds it tells; 0: it receives and never answers.
    explicit SntpServer(uint32_t answer);
    ~SntpServer();
    SntpServer(const SntpServer&) = delete;
    SntpServer& operator=(const SntpServer&) = delete;

    int port() const { return port_; }
    int requests() const { return requests_; }
    void set_answer(uint32_t answer) { answer_ = answer; }

  private:
    void serve();

    std::atomic<uint32_t> answer_;
    std::atomic<int> requests_{0};
    std::atomic<bool> stop_{false};
    int fd_ = -1;
    int port_ = 0;
    TestThread thread_;
};

} // namespace scenario
