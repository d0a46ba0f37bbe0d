#include "trace.h"

namespace tapsim {

Trace::~Trace() {
    if (file_) std::fclose(file_);
}

bool Trace::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

void Trace::write(const std::string& line) {
    if (file_) std::fprintf(file_, "%s\n", line.c_str());
    if (on_line) on_line(line);
}

void Trace::event(uint64_t tick, int slot, const char* kind, uint32_t code, uint32_t result) {
    if (keep_events_) events_.push_back(TraceEvent{tick, slot, kind, code, result});
    if (!file_ && !on_line) return;
    char line[160];
    std::snprintf(line, sizeof line,
                  "{\"tick\":%llu,\"tap\":%d,\"ev\":\"%s\",\"code\":\"0x%x\",\"result\":\"0x%x\"}",
                  static_cast<unsigned long long>(tick), slot, kind, code, result);
    write(line);
}

namespace {

std::string json_escaped(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x80) { // control characters; Latin-1 as code points
            char u[8];
            std::snprintf(u, sizeof u, "\\u%04x", c);
            out += u;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

void Trace::call(uint64_t tick, const char* name, std::initializer_list<int64_t> args,
                 const std::string& text) {
    calls_.push_back(TraceCall{tick, name, std::vector<int64_t>(args), text});
    if (!file_ && !on_line) return;
    std::string line =
        "{\"tick\":" + std::to_string(tick) + ",\"call\":\"" + name + "\",\"args\":[";
    bool first = true;
    for (int64_t a : args) {
        if (!first) line += ',';
        line += std::to_string(a);
        first = false;
    }
    line += ']';
    if (!text.empty()) line += ",\"text\":\"" + json_escaped(text) + "\"";
    line += '}';
    write(line);
    if (file_) std::fflush(file_);
}

} // namespace tapsim
