#include "state.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <nlohmann/json.hpp>

namespace tapsim {

namespace {

using nlohmann::json;

template <typename T> void take(const json& j, const char* key, T* out) {
    auto it = j.find(key);
    if (it != j.end() && !it->is_null()) *out = it->get<T>();
}

// "events": [{"start": -20, "length": 45, "name": "...", "text": "...", "ext": "..."}]
std::vector<Event> events(const json& list) {
    std::vector<Event> out;
    for (const json& e : list) {
        Event v;
        take(e, "start", &v.start);
        take(e, "length", &v.length);
        take(e, "name", &v.name);
        take(e, "text", &v.text);
        take(e, "ext", &v.ext);
        out.push_back(v);
    }
    return out;
}

// A channel is a name, or {"name": ..., "freq": MHz, "events": [...], "info_fails": true,
// "no_guide": true}.
std::vector<Channel> channels(const json& list) {
    std::vector<Channel> out;
    for (const json& c : list) {
        Channel ch;
        if (c.is_string()) {
            ch.name = c.get<std::string>();
        } else {
            ch.name = c.at("name").get<std::string>();
            take(c, "freq", &ch.freq);
            take(c, "info_fails", &ch.info_fails);
            take(c, "no_guide", &ch.no_guide);
            if (c.contains("events")) ch.events = events(c["events"]);
        }
        out.push_back(ch);
    }
    return out;
}

// "timers": [{"type": 0, "num": 3, "start": 90, "duration": 90, "file": "Film"}]
std::vector<Timer> timers(const json& list) {
    std::vector<Timer> out;
    for (const json& t : list) {
        Timer v;
        take(t, "type", &v.type);
        take(t, "num", &v.num);
        take(t, "start", &v.start);
        take(t, "duration", &v.duration);
        take(t, "file", &v.file);
        out.push_back(v);
    }
    return out;
}

// "00:1c:a2:10:20:30".
bool parse_mac(const std::string& text, uint8_t* mac) {
    unsigned b[6];
    char end;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4],
                    &b[5], &end) != 6)
        return false;
    for (int i = 0; i < 6; ++i)
        mac[i] = static_cast<uint8_t>(b[i]);
    return true;
}

// "hosts": {"www.tovak.test": {"http": 8080, "https": 8443, "udp": {"123": 8123}}}
std::vector<HostPorts> hosts(const json& table) {
    std::vector<HostPorts> out;
    for (auto it = table.begin(); it != table.end(); ++it) {
        HostPorts h;
        h.name = it.key();
        take(*it, "http", &h.http);
        take(*it, "https", &h.https);
        if (it->contains("udp"))
            for (auto u = (*it)["udp"].begin(); u != (*it)["udp"].end(); ++u)
                h.udp[std::stoi(u.key())] = u->get<int>();
        out.push_back(h);
    }
    return out;
}

// "interfaces": [{"name": "eth0", "ip": "192.168.1.20", "mac": "00:1c:a2:10:20:30"}]
std::vector<NetInterface> interfaces(const json& list) {
    std::vector<NetInterface> out;
    for (const json& i : list) {
        NetInterface n{i.at("name").get<std::string>(), i.value("ip", "0.0.0.0"), {}};
        if (!parse_mac(i.value("mac", "00:00:00:00:00:00"), n.mac))
            throw std::runtime_error("bad MAC address of interface " + n.name);
        out.push_back(n);
    }
    return out;
}

// "0a1b..." as bytes; exactly `size` of them or an error.
std::vector<uint8_t> hex_bytes(const std::string& text, size_t size, const std::string& what) {
    if (text.size() != size * 2)
        throw std::runtime_error(what + " wants " + std::to_string(size) + " bytes");
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i) {
        unsigned v;
        if (std::sscanf(text.c_str() + 2 * i, "%2x", &v) != 1)
            throw std::runtime_error("bad hex in " + what);
        out[i] = static_cast<uint8_t>(v);
    }
    return out;
}

// "drives": {"a": {"model": ..., "serial": ..., "firmware": ..., "sectors": N,
//            "smart": {"194": 1310760}, "identify_hex": "...", "smart_hex": "...",
//            "smart_supported": true, "fail": ["identity"]}}
std::map<char, Drive> drives(const json& table) {
    std::map<char, Drive> out;
    for (auto it = table.begin(); it != table.end(); ++it) {
        if (it.key().size() != 1 || it.key()[0] < 'a' || it.key()[0] > 'z')
            throw std::runtime_error("a drive is named by one letter, not \"" + it.key() + "\"");
        Drive d;
        const json& j = *it;
        take(j, "model", &d.model);
        take(j, "serial", &d.serial);
        take(j, "firmware", &d.firmware);
        take(j, "sectors", &d.sectors);
        take(j, "smart_supported", &d.smart_supported);
        if (j.contains("smart")) {
            d.smart.clear();
            for (auto a = j["smart"].begin(); a != j["smart"].end(); ++a)
                d.smart[std::stoi(a.key())] = a->get<uint64_t>();
        }
        if (j.contains("identify_hex"))
            d.identify_block = hex_bytes(j["identify_hex"].get<std::string>(), 512, "identify_hex");
        if (j.contains("smart_hex"))
            d.smart_block = hex_bytes(j["smart_hex"].get<std::string>(), 512, "smart_hex");
        if (j.contains("fail"))
            for (const json& f : j["fail"])
                d.fail.insert(f.get<std::string>());
        out[it.key()[0]] = d;
    }
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
        if (j.contains("timers")) s->timers = timers(j["timers"]);
        // "recordings": [{"type": 0, "num": 1, "file": "News.rec"}] fills the slots in order.
        if (j.contains("recordings")) {
            int slot = 0;
            for (const json& r : j["recordings"]) {
                if (slot >= MAX_RECORDING_SLOTS) break;
                Recording& rec = s->recordings[slot++];
                take(r, "type", &rec.type);
                take(r, "num", &rec.num);
                take(r, "file", &rec.file);
            }
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
        if (j.contains("signal")) {
            take(j["signal"], "level", &s->signal_level);
            take(j["signal"], "quality", &s->signal_quality);
        }
        if (j.contains("hosts")) s->hosts = hosts(j["hosts"]);
        if (j.contains("interfaces")) s->interfaces = interfaces(j["interfaces"]);
        if (j.contains("proc"))
            for (auto it = j["proc"].begin(); it != j["proc"].end(); ++it) {
                if (it->is_null())
                    s->proc_files.erase(it.key());
                else
                    s->proc_files[it.key()] = it->get<std::string>();
            }
        if (j.contains("mounts")) {
            s->mounts.clear();
            for (const json& m : j["mounts"]) {
                Mount mount{m.at("device").get<std::string>(), m.at("at").get<std::string>(),
                            m.value("type", "ext3"), 0, 0};
                take(m, "total_mb", &mount.total_mb);
                take(m, "free_mb", &mount.free_mb);
                s->mounts.push_back(mount);
            }
        }
        if (j.contains("load")) {
            const json& l = j["load"];
            if (l.contains("cores"))
                s->load.cores = l["cores"].get<std::vector<std::vector<double>>>();
            if (l.contains("disks")) {
                s->load.disks.clear();
                for (auto it = l["disks"].begin(); it != l["disks"].end(); ++it)
                    s->load.disks[it.key().at(0)] = {it->at(0).get<double>(),
                                                     it->at(1).get<double>()};
            }
        }
        if (j.contains("drives")) s->drives = drives(j["drives"]);
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
