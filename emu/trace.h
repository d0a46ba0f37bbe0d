// The run's trace as JSON lines: one line per event delivered to a TAP, one per TAP call
// that changes the receiver.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
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

struct TraceEvent {
    uint64_t tick;
    int slot;
    std::string kind; // "idle", "key", "stop", "msg", or the event's code ("0x0300")
    uint32_t code, result;
};

class Trace {
  public:
    ~Trace();
    bool open(const std::string& path);
    // Gets every line as written to the file (without its newline), whether or not a file is
    // open: a live view of the trace.
    std::function<void(const std::string& line)> on_line;
    // Keep the events in memory too (tests read them).
    void keep_events() { keep_events_ = true; }
    const std::vector<TraceEvent>& events() const { return events_; }
    void event(uint64_t tick, int slot, const char* kind, uint32_t code, uint32_t result);
    void call(uint64_t tick, const char* name, std::initializer_list<int64_t> args,
              const std::string& text = "");
    // Calls recorded since the start (kept in memory for tests, whether or not a file is open).
    const std::vector<TraceCall>& calls() const { return calls_; }
    // Whether a call of that name with exactly these arguments was recorded.
    bool called(const std::string& name, const std::vector<int64_t>& args) const {
        for (const TraceCall& c : calls_)
            if (c.name == name && c.args == args) return true;
        return false;
    }

  private:
    void write(const std::string& line);

    std::FILE* file_ = nullptr;
    std::vector<TraceCall> calls_;
    bool keep_events_ = false;
    std::vector<TraceEvent> events_;
};

} // namespace tapsim
