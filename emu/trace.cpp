#include "trace.h"

namespace tapsim {

Trace::~Trace() {
    if (file_) std::fclose(file_);
}

bool Trace::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

void Trace::event(uint64_t tick, int slot, const char* kind, uint32_t code, uint32_t result) {
    if (keep_events_) events_.push_back(TraceEvent{tick, slot, kind, code, result});
    if (!file_) return;
    std::fprintf(file_,
                 "{\"tick\":%llu,\"tap\":%d,\"ev\":\"%s\",\"code\":\"0x%x\",\"result\":\"0x%x\"}\n",
                 static_cast<unsigned long long>(tick), slot, kind, code, result);
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
    if (!file_) return;
    std::fprintf(file_, "{\"tick\":%llu,\"call\":\"%s\",\"args\":[",
                 static_cast<unsigned long long>(tick), name);
    bool first = true;
    for (int64_t a : args) {
        std::fprintf(file_, first ? "%lld" : ",%lld", static_cast<long long>(a));
        first = false;
    }
    std::fprintf(file_, "]");
    if (!text.empty()) std::fprintf(file_, ",\"text\":\"%s\"", json_escaped(text).c_str());
    std::fprintf(file_, "}\n");
    std::fflush(file_);
}

} // namespace tapsim
