#include "state.h"

#include <fstream>
#include <nlohmann/json.hpp>

namespace tapsim {

namespace {

using nlohmann::json;

template <typename T> void take(const json& j, const char* key, T* out) {
    auto it = j.find(key);
    if (it != j.end() && !it->is_null()) *out = it->get<T>();
}

std::vector<Channel> channels(const json& list) {
    std::vector<Channel> out;
    for (const json& c : list)
        out.push_back(
            Channel{c.is_string() ? c.get<std::string>() : c.at("name").get<std::string>()});
    return out;
}

} // namespace

bool load_fixture(const std::string& path, ReceiverState* s, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot open fixture " + path;
        return false;
    }
    try {
        json j = json::parse(in);
        take(j, "system_id", &s->system_id);
        take(j, "language", &s->language);
        take(j, "clock", &s->clock);
        take(j, "uptime", &s->uptime);
        take(j, "utc_offset_min", &s->utc_offset_min);
        take(j, "state", &s->state);
        take(j, "sub_state", &s->sub_state);
        take(j, "muted", &s->muted);
        if (j.contains("channels")) {
            const json& c = j["channels"];
            if (c.contains("tv")) s->tv = channels(c["tv"]);
            if (c.contains("radio")) s->radio = channels(c["radio"]);
        }
        if (j.contains("current")) {
            take(j["current"], "type", &s->current_type);
            take(j["current"], "num", &s->current_num);
        }
        if (j.contains("play")) {
            const json& p = j["play"];
            take(p, "mode", &s->play.mode);
            take(p, "trick", &s->play.trick);
            take(p, "block", &s->play.block);
            take(p, "total", &s->play.total);
            take(p, "file", &s->play.file);
        }
        if (j.contains("memory")) {
            take(j["memory"], "heap", &s->heap_size);
            take(j["memory"], "limit", &s->mem_limit);
            take(j["memory"], "jpeg_max_pixels", &s->jpeg_max_pixels);
        }
        if (j.contains("withhold"))
            for (const json& name : j["withhold"])
                s->withhold.insert(name.get<std::string>());
        if (j.contains("disk")) {
            take(j["disk"], "total_mb", &s->disk_total_mb);
            take(j["disk"], "free_mb", &s->disk_free_mb);
        }
    } catch (const std::exception& e) {
        *error = path + ": " + e.what();
        return false;
    }
    return true;
}

} // namespace tapsim
