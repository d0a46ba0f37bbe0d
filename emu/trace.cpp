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
    if (!file_) return;
    std::fprintf(file_,
                 "{\"tick\":%llu,\"tap\":%d,\"ev\":\"%s\",\"code\":\"0x%x\",\"result\":\"0x%x\"}\n",
                 static_cast<unsigned long long>(tick), slot, kind, code, result);
}

void Trace::call(uint64_t tick, const char* name, std::initializer_list<int64_t> args) {
    calls_.push_back(TraceCall{tick, name, std::vector<int64_t>(args)});
    if (!file_) return;
    std::fprintf(file_, "{\"tick\":%llu,\"call\":\"%s\",\"args\":[",
                 static_cast<unsigned long long>(tick), name);
    bool first = true;
    for (int64_t a : args) {
        std::fprintf(file_, first ? "%lld" : ",%lld", static_cast<long long>(a));
        first = false;
    }
    std::fprintf(file_, "]}\n");
    std::fflush(file_);
}

} // namespace tapsim
