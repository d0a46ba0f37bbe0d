// A thread of a test (a test server's, a watcher's). Its end waits, briefly, until the thread
// has left the process: under qemu-user, pthread_join returns while the thread's host side is
// still being taken down, and a fork at that moment (the TAP starting a helper program right
// after a test stopped its server) leaves a child that hangs for good.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <thread>
#include <utility>

namespace scenario {

class TestThread {
  public:
    template <class F> void start(F&& f) {
        threads_before_ = process_threads();
        thread_ = std::thread(std::forward<F>(f));
    }
    // Joins the thread, then waits at most half a second until the process has no more
    // threads than before it started.
    void join() {
        if (!thread_.joinable()) return;
        thread_.join();
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (process_threads() > threads_before_ && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ~TestThread() { join(); }

  private:
    static size_t process_threads() {
        std::error_code ec;
        size_t n = 0;
        for (auto it = std::filesystem::directory_iterator("/proc/self/task", ec);
             !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
            ++n;
        return n;
    }
    std::thread thread_;
    size_t threads_before_ = 0;
};

} // namespace scenario
