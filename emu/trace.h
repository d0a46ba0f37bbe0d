// The run's trace as JSON lines: one line per event delivered to a TAP, one per TAP call
// that changes the receiver.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace tapsim {

struct TraceCall {
    uint64_t tick;
    std::string name;
    std::vector<int64_t> args;
    std::string text; // a file or folder name the call got, or ""
};

class Trace {
  public:
    ~Trace();
    bool open(const std::string& path);
    void event(uint64_t tick, int slot, const char* kind, uint32_t code, uint32_t result);
    void call(uint64_t tick, const char* name, std::initializer_list<int64_t> args,
              const std::string& text = "");
    // Calls recorded since the start (kept in memory for tests, whether or not a file is open).
    const std::vector<TraceCall>& calls() const { return calls_; }

  private:
    std::FILE* file_ = nullptr;
    std::vector<TraceCall> calls_;
};

} // namespace tapsim
