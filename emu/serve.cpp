#include "serve.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <regex>
#include <thread>
#include <vector>

#include "common/key_names.h"
#include "disk_files.h"
#include "gd_codec.h"
#include "osd/icons.h"
#include "page_files.h"
#include "png_out.h"

namespace tapsim {

namespace {

using json = nlohmann::json;
using WallClock = std::chrono::steady_clock;

constexpr auto tick_time = std::chrono::milliseconds(10); // one idle event each
constexpr size_t kept_frames = 16;    // frames whose PNG a page may still ask for
constexpr size_t kept_trace = 2000;   // trace lines kept for pages that join later
constexpr size_t trace_on_join = 200; // lines a new page gets at once
constexpr size_t listed_files = 5000; // files of the disk listing
constexpr int server_threads = 32;    // each watching page holds one

volatile std::sig_atomic_t g_stop = 0;
void on_signal(int) {
    g_stop = 1;
}

// What the pages see of the receiver at one moment.
struct View {
    uint64_t seq = 0;   // grows with every view
    uint64_t frame = 0; // grows with every change of the screen
    std::shared_ptr<const std::vector<uint32_t>> pixels;
    json screen;       // the screen text model (Osd::screen_json)
    std::string clock; // the receiver's local time, "YYYY-MM-DD HH:MM:SS"
    uint64_t tick = 0;
    bool off = false; // the receiver is switched off
    int taps = 0;     // TAPs running
};

// Shared by the receiver's thread and the server's: the queue of keys and commands, the latest
// view, the recent frames and the trace. Everything behind one mutex.
class Hub {
  public:
    void push(std::string line) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(line));
        }
        queued_.notify_one();
    }
    // The queued lines, waiting until `until` for one when there is none.
    std::vector<std::string> take(WallClock::time_point until) {
        std::unique_lock lock(mutex_);
        queued_.wait_until(lock, until, [&] { return !queue_.empty() || closing_; });
        std::vector<std::string> lines(queue_.begin(), queue_.end());
        queue_.clear();
        return lines;
    }
    void publish(View view) {
        {
            std::lock_guard lock(mutex_);
            view.seq = ++seq_;
            if (frames_.empty() || frames_.back().first != view.frame) {
                frames_.emplace_back(view.frame, view.pixels);
                if (frames_.size() > kept_frames) {
                    pngs_.erase(frames_.front().first);
                    frames_.pop_front();
                }
            }
            view_ = std::make_shared<const View>(std::move(view));
        }
        changed_.notify_all();
    }
    void add_trace(const std::string& line) {
        std::lock_guard lock(mutex_);
        trace_.emplace_back(++trace_seq_, line);
        if (trace_.size() > kept_trace) trace_.pop_front();
    }
    void close() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        queued_.notify_all();
    }
    bool closing() {
        std::lock_guard lock(mutex_);
        return closing_;
    }
    std::shared_ptr<const View> view() {
        std::lock_guard lock(mutex_);
        return view_;
    }
    // The next view after `seen`, waiting up to `wait` for it; null on time-out or when closing.
    std::shared_ptr<const View> next(uint64_t seen, std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, wait, [&] { return closing_ || (view_ && view_->seq > seen); });
        return closing_ || !view_ || view_->seq <= seen ? nullptr : view_;
    }
    // Trace lines after `seen` (at most `limit`, the newest), and the number of the last one.
    std::vector<std::string> trace_after(uint64_t* seen, size_t limit) {
        std::lock_guard lock(mutex_);
        std::vector<std::string> lines;
        for (const auto& [n, line] : trace_)
            if (n > *seen) lines.push_back(line);
        if (lines.size() > limit) lines.erase(lines.begin(), lines.end() - limit);
        *seen = trace_seq_;
        return lines;
    }
    // The PNG of a kept frame, made once; null when that frame is gone.
    std::shared_ptr<const std::vector<uint8_t>> png(uint64_t frame) {
        std::shared_ptr<const std::vector<uint32_t>> pixels;
        {
            std::lock_guard lock(mutex_);
            if (auto it = pngs_.find(frame); it != pngs_.end()) return it->second;
            for (const auto& [id, px] : frames_)
                if (id == frame) pixels = px;
        }
        if (!pixels) return nullptr;
        auto out = std::make_shared<std::vector<uint8_t>>();
        if (!encode_png(pixels->data(), screen_w, screen_h, false, out.get())) return nullptr;
        std::lock_guard lock(mutex_);
        pngs_[frame] = out;
        return out;
    }

  private:
    std::mutex mutex_;
    std::condition_variable queued_, changed_;
    std::deque<std::string> queue_;
    std::shared_ptr<const View> view_;
    uint64_t seq_ = 0;
    std::deque<std::pair<uint64_t, std::shared_ptr<const std::vector<uint32_t>>>> frames_;
    std::map<uint64_t, std::shared_ptr<const std::vector<uint8_t>>> pngs_;
    std::deque<std::pair<uint64_t, std::string>> trace_;
    uint64_t trace_seq_ = 0;
    bool closing_ = false;
};

std::string clock_text(int64_t local_seconds) {
    int64_t days = local_seconds / 86400, rest = local_seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int y;
    unsigned m, d;
    civil_from_days(days, &y, &m, &d);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", y, m, d,
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                  static_cast<int>(rest % 60));
    return text;
}

// What a page may send: a key of the key name table with "down" (the key event), "repeat",
// "up" (its release) or "press" (both at once); "wait N" with ms, s or min, "stop" (the stop
// event to the TAPs) and "poweroff". The line for the receiver's thread, or "" when refused.
std::string input_line(const json& body) {
    if (!body.is_object()) return "";
    if (body.contains("key")) {
        if (!body["key"].is_string()) return "";
        const std::string key = body["key"], action = body.value("action", "press");
        if (!key_name_lookup(key.c_str())) return "";
        if (action != "press" && action != "down" && action != "repeat" && action != "up")
            return "";
        return key + " " + action;
    }
    if (!body.contains("command") || !body["command"].is_string()) return "";
    const std::string command = body["command"];
    if (command == "stop" || command == "poweroff") return command;
    // A wait of at most an hour (the receiver's thread is busy with it meanwhile).
    static const std::regex wait("wait ([0-9]{1,7})(ms|s|min)");
    std::smatch m;
    if (!std::regex_match(command, m, wait)) return "";
    const uint64_t ms = std::stoull(m[1]) * (m[2] == "min" ? 60000 : m[2] == "s" ? 1000 : 1);
    return ms <= 3600000 ? command : "";
}

// The receiver's side: applies the pages' lines and runs the idle events in real time.
class Receiver {
  public:
    Receiver(Emulator& emu, Hub& hub) : emu_(emu), hub_(hub) {}

    void run() {
        publish(true);
        WallClock::time_point next = WallClock::now() + tick_time;
        while (!g_stop) {
            for (const std::string& line : hub_.take(next)) {
                apply(line);
                publish(false);
            }
            const WallClock::time_point now = WallClock::now();
            if (now < next) continue;
            if (!emu_.powered_off()) emu_.idle(1);
            // Behind by much (a busy TAP, a long wait): the clock goes on from now rather than
            // hurrying to catch up.
            next = now - next > 25 * tick_time ? now + tick_time : next + tick_time;
            publish(false);
        }
    }

  private:
    void apply(const std::string& line) {
        std::string why;
        const size_t blank = line.rfind(' ');
        const std::string key = line.substr(0, blank), action = line.substr(blank + 1);
        if (const key_name_row* row = key_name_lookup(key.c_str())) {
            if (emu_.powered_off()) return;
            if (action == "down" || action == "press") emu_.key_event(row->code);
            if (action == "repeat") emu_.key_event(row->code | KEY_REPEAT);
            if (action == "up" || action == "press") emu_.key_event(row->code | KEY_RELEASE);
        } else if (!emu_.run_command(line, &why)) {
            emu_.log(why);
        }
    }

    // A new view when the screen, the clock's second, the TAPs or the trace moved on.
    void publish(bool first) {
        Osd& osd = emu_.osd();
        const int64_t second = emu_.clock().local_seconds();
        const bool screen = first || osd.changes() != changes_;
        if (!screen && second == second_ && emu_.powered_off() == off_ &&
            emu_.running_count() == taps_ && trace_lines_ == trace_published_)
            return;
        View view;
        if (screen) {
            changes_ = osd.changes();
            pixels_ = std::make_shared<const std::vector<uint32_t>>(osd.compose());
            screen_ = json::parse(osd.screen_json());
            ++frame_;
        }
        second_ = second;
        off_ = emu_.powered_off();
        taps_ = emu_.running_count();
        trace_published_ = trace_lines_;
        view.frame = frame_;
        view.pixels = pixels_;
        view.screen = screen_;
        view.clock = clock_text(second);
        view.tick = emu_.clock().ticks();
        view.off = off_;
        view.taps = taps_;
        hub_.publish(std::move(view));
    }

  public:
    void count_trace_line() { ++trace_lines_; }

  private:
    Emulator& emu_;
    Hub& hub_;
    uint64_t changes_ = 0, frame_ = 0, trace_lines_ = 0, trace_published_ = 0;
    int64_t second_ = 0;
    bool off_ = false;
    int taps_ = 0;
    std::shared_ptr<const std::vector<uint32_t>> pixels_;
    json screen_;
};

std::string base64(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += digits[n >> 18];
        out += digits[n >> 12 & 63];
        out += i + 1 < bytes.size() ? digits[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? digits[n & 63] : '=';
    }
    return out;
}

// The message of a view for one page: the view, the trace lines it has not seen yet and, when
// given, the frame's picture (a PNG file in base64) so that the page need not fetch it.
std::string view_message(const View& v, std::vector<std::string> trace,
                         const std::vector<uint8_t>* png = nullptr) {
    json texts = json::array();
    for (const json& region : v.screen["regions"])
        for (const json& run : region["texts"])
            texts.push_back(run["text"]);
    const json message = {{"seq", v.seq},   {"frame", v.frame},   {"clock", v.clock},
                          {"tick", v.tick}, {"off", v.off},       {"taps", v.taps},
                          {"texts", texts}, {"screen", v.screen}, {"trace", trace}};
    return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

// The button pictures of the key name table as PNG files, by icon id.
std::map<int, std::string> icon_pngs() {
    std::map<int, std::string> pngs;
    for (int id = 1; id < ICON_COUNT; ++id) {
        const TYPE_GrData* gd = icon_picture(static_cast<key_icon_id>(id));
        std::vector<uint32_t> px;
        int w, h;
        std::vector<uint8_t> png;
        // A block is never larger than its pixels written one by one with their control bytes.
        if (!gd ||
            !gd_decode(static_cast<const uint8_t*>(gd->data), gd->dataSize * 2 + 64, &px, &w, &h) ||
            !encode_png(px.data(), w, h, true, &png))
            continue;
        pngs[id] = std::string(png.begin(), png.end());
    }
    return pngs;
}

std::string content_type(const std::string& name) {
    if (name.ends_with(".html")) return "text/html; charset=utf-8";
    if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
    if (name.ends_with(".css")) return "text/css; charset=utf-8";
    return "application/octet-stream";
}

void routes(httplib::Server& server, Hub& hub, const std::string& disk_dir) {
    server.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/index.html");
    });
    server.Get(R"(/([a-z_]+\.(html|js|css)))",
               [](const httplib::Request& req, httplib::Response& res) {
                   const std::string name = req.matches[1];
                   for (size_t i = 0; i < page_file_count; ++i)
                       if (name == page_files[i].name) {
                           res.set_content(reinterpret_cast<const char*>(page_files[i].data),
                                           page_files[i].size, content_type(name));
                           res.set_header("Cache-Control", "no-cache");
                           return;
                       }
                   res.status = 404;
               });
    server.Get("/keys", [](const httplib::Request&, httplib::Response& res) {
        json keys = json::array();
        for (const key_name_row& row : key_name_table)
            keys.push_back({{"name", row.name},
                            {"code", row.code},
                            {"column", row.column},
                            {"row", row.row},
                            {"icon", row.icon}});
        res.set_content(keys.dump(), "application/json");
    });
    auto icons = std::make_shared<const std::map<int, std::string>>(icon_pngs());
    server.Get(R"(/icon/(\d{1,3})\.png)",
               [icons](const httplib::Request& req, httplib::Response& res) {
                   auto it = icons->find(std::stoi(req.matches[1]));
                   if (it == icons->end()) {
                       res.status = 404;
                       return;
                   }
                   res.set_content(it->second, "image/png");
                   res.set_header("Cache-Control", "max-age=3600");
               });
    auto frame_png = [&hub](uint64_t frame, httplib::Response& res) {
        auto png = hub.png(frame);
        if (!png) {
            res.status = 404;
            return;
        }
        res.set_content(reinterpret_cast<const char*>(png->data()), png->size(), "image/png");
        res.set_header("Cache-Control", "no-store");
    };
    server.Get(R"(/frame/(\d{1,15})\.png)",
               [frame_png](const httplib::Request& req, httplib::Response& res) {
                   frame_png(std::stoull(req.matches[1]), res);
               });
    server.Get("/screen.png", [&hub, frame_png](const httplib::Request&, httplib::Response& res) {
        auto view = hub.view();
        frame_png(view ? view->frame : 0, res);
    });
    server.Get("/state", [&hub](const httplib::Request&, httplib::Response& res) {
        auto view = hub.view();
        if (!view) {
            res.status = 503;
            return;
        }
        res.set_content(view_message(*view, {}), "application/json");
    });
    // The views as server-sent events: the latest at once, then each new one.
    server.Get("/events", [&hub](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "no-cache");
        struct Watch {
            uint64_t seen = 0, trace = 0, frame = 0;
            bool first = true;
        };
        auto watch = std::make_shared<Watch>();
        res.set_chunked_content_provider(
            "text/event-stream", [&hub, watch](size_t, httplib::DataSink& sink) {
                std::shared_ptr<const View> view =
                    watch->first ? hub.view() : hub.next(watch->seen, std::chrono::seconds(10));
                if (hub.closing()) return false;
                std::string message = ": still here\n\n"; // keeps the connection, finds a gone page
                if (view) {
                    // A page that joins gets the recent trace.
                    uint64_t none = 0;
                    std::vector<std::string> lines = watch->first
                                                         ? hub.trace_after(&none, trace_on_join)
                                                         : hub.trace_after(&watch->trace, 500);
                    if (watch->first) watch->trace = none;
                    // A new frame comes with its picture.
                    std::shared_ptr<const std::vector<uint8_t>> png;
                    if (view->frame != watch->frame) png = hub.png(view->frame);
                    message = "data: " + view_message(*view, std::move(lines), png.get()) + "\n\n";
                    watch->seen = view->seq;
                    watch->frame = view->frame;
                    watch->first = false;
                }
                return sink.write(message.data(), message.size());
            });
    });
    server.Post("/input", [&hub](const httplib::Request& req, httplib::Response& res) {
        // JSON only: another site's page in the same browser cannot send it without asking.
        if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
            res.status = 415;
            return;
        }
        const json body = json::parse(req.body, nullptr, false);
        const std::string line = input_line(body);
        if (line.empty()) {
            res.status = 400;
            res.set_content("unknown key or command\n", "text/plain");
            return;
        }
        hub.push(line);
        res.set_content("{}", "application/json");
    });
    server.Get("/disk", [disk_dir](const httplib::Request&, httplib::Response& res) {
        json files = json::array();
        for (const DiskEntry& e : disk_listing(disk_dir, listed_files))
            files.push_back({{"path", e.path}, {"size", e.size}});
        res.set_content(files.dump(-1, ' ', false, json::error_handler_t::replace),
                        "application/json");
    });
    // A file of the disk, by its path below the disk's top (the query's "path").
    server.Get("/download", [disk_dir](const httplib::Request& req, httplib::Response& res) {
        std::string host, why;
        if (!disk_file(disk_dir, req.get_param_value("path"), &host, &why)) {
            res.status = 404;
            res.set_content(why + "\n", "text/plain");
            return;
        }
        auto in = std::make_shared<std::ifstream>(host, std::ios::binary);
        std::error_code ec;
        const uint64_t size = std::filesystem::file_size(host, ec);
        if (!*in || ec) {
            res.status = 404;
            return;
        }
        const std::string base = std::filesystem::path(host).filename().string();
        std::string quoted;
        for (char c : base)
            quoted += c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 ? '_' : c;
        res.set_header("Content-Disposition", "attachment; filename=\"" + quoted + "\"");
        res.set_content_provider(
            size, "application/octet-stream",
            [in](size_t offset, size_t length, httplib::DataSink& sink) {
                char buffer[65536];
                in->seekg(static_cast<std::streamoff>(offset));
                in->read(buffer, static_cast<std::streamsize>(std::min(length, sizeof buffer)));
                const std::streamsize got = in->gcount();
                return got > 0 && sink.write(buffer, static_cast<size_t>(got));
            });
    });
}

} // namespace

int serve(Emulator& emu, const ServeOptions& options) {
    Hub hub;
    Receiver receiver(emu, hub);
    // The live trace leaves out the idle events (a hundred a second).
    emu.trace().on_line = [&](const std::string& line) {
        if (line.find("\"ev\":\"idle\"") != std::string::npos) return;
        hub.add_trace(line);
        receiver.count_trace_line();
    };
    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(server_threads); };
    routes(server, hub, emu.disk_dir());
    int port = 0;
    // On loopback only requests to this address are answered: a page of another site whose
    // name was made to point at 127.0.0.1 gets nothing.
    if (options.address == "127.0.0.1")
        server.set_pre_routing_handler(
            [&port](const httplib::Request& req, httplib::Response& res) {
                const std::string host = req.get_header_value("Host"),
                                  suffix = ":" + std::to_string(port);
                for (const char* name : {"127.0.0.1", "localhost"})
                    if (host == name + suffix) return httplib::Server::HandlerResponse::Unhandled;
                res.status = 421;
                return httplib::Server::HandlerResponse::Handled;
            });
    port = options.port == 0
               ? server.bind_to_any_port(options.address)
               : (server.bind_to_port(options.address, options.port) ? options.port : -1);
    if (port <= 0) {
        std::fprintf(stderr, "tapsim: cannot listen on %s port %d\n", options.address.c_str(),
                     options.port);
        emu.trace().on_line = nullptr;
        return 1;
    }
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    std::signal(SIGPIPE, SIG_IGN);
    std::thread listener([&] { server.listen_after_bind(); });
    std::printf("tapsim: serving on http://%s:%d/\n", options.address.c_str(), port);
    std::fflush(stdout);
    receiver.run();
    hub.close();
    server.stop();
    listener.join();
    emu.trace().on_line = nullptr;
    return 0;
}

} // namespace tapsim
