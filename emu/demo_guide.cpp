#include "demo_guide.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "clock.h"
#include "demo_disk.h"
#include "state.h"

namespace tapsim {

namespace {

using nlohmann::json;

struct demo_channel {
    const char* name;
    int freq;
};

constexpr demo_channel tv_channels[] = {
    {"Das Erste HD", 11494},
    {"ZDF HD", 11362},
    {"3sat HD", 11347},
    {"arte HD", 10744},
    {"BR Fernsehen Sued HD", 11582},
    {"hr-fernsehen HD", 10891},
    {"MDR Sachsen HD", 10891},
    {"NDR FS NDS HD", 11582},
    {"phoenix HD", 10744},
    {"KiKA HD", 11347},
    {"ZDFneo HD", 11362},
    {"ONE HD", 11052},
    {"tagesschau24 HD", 11052},
    {"ZDFinfo HD", 11362},
    {"SWR BW HD", 11494},
    {"WDR HD Koeln", 11052},
    {"rbb Berlin HD", 10891},
    {"ARD-alpha HD", 11582},
    {"RTL", 12188},
    {"SAT.1", 12545},
    {"ProSieben", 12545},
    {"VOX", 12188},
};

constexpr demo_channel radio_channels[] = {
    {"Bayern 1", 11582},   {"Bayern 2", 11582},        {"BAYERN 3", 11582}, {"BR-KLASSIK", 11582},
    {"B5 aktuell", 11582}, {"Deutschlandfunk", 10891}, {"NDR 2", 12109},    {"SWR3", 12109},
};

struct demo_show {
    const char* name;
    const char* text;
    int minutes;
};

// What the channels broadcast, in turns; each channel starts at another place of the list.
// (ASCII only: the receiver's texts are single bytes.)
constexpr demo_show shows[] = {
    {"Tagesschau", "Nachrichten", 15},
    {"Wetter", "", 5},
    {"Terra X", "Die Alpen - Leben am Limit", 45},
    {"Tatort", "Das Verhoer", 90},
    {"Sportschau", "Fussball-Bundesliga", 60},
    {"heute journal", "Nachrichten und Hintergruende", 30},
    {"Planet Wissen", "Wie funktioniert das Wetter?", 60},
    {"Der Bergdoktor", "Zwischen den Welten", 45},
    {"Kulturzeit", "Das Magazin", 40},
    {"Dokumentarfilm", "Die Reise der Pinguine", 95},
    {"Quarks", "Wissenschaft fuer alle", 45},
    {"Musikantenstadl", "", 120},
    {"Nachtcafe", "Gaeste bei Wieland Backes", 75},
    {"Die Sendung mit der Maus", "Lach- und Sachgeschichten", 30},
};

std::string extended(const demo_show& s, const char* channel) {
    return std::string(s.name) + " (" + channel +
           "): " + (s.text[0] ? std::string(s.text) + ". " : std::string()) +
           "Eine Sendung aus dem Demo-Programm des Emulators. Die Beschreibung ist lang genug, "
           "um im Textbetrachter umbrochen zu werden, und nennt Mitwirkende, Ort und Jahr der "
           "Produktion (Deutschland 2026).";
}

// Two days of programmes: from midnight of the start day to midnight after the next day,
// given in minutes from the start moment.
json guide(const char* channel, size_t first, int from, int to) {
    json events = json::array();
    size_t k = first;
    for (int t = from; t < to; ++k) {
        const demo_show& s = shows[k % std::size(shows)];
        events.push_back({{"start", t},
                          {"length", s.minutes},
                          {"name", s.name},
                          {"text", s.text},
                          {"ext", extended(s, channel)}});
        t += s.minutes;
    }
    return events;
}

} // namespace

bool prepare_demo_receiver(const std::string& disk_dir, const std::string& start_clock,
                           const std::string& given, const std::string& fixture,
                           std::string* error) {
    json base = json::object();
    if (!given.empty()) {
        std::ifstream in(given);
        if (!in) {
            *error = "cannot open fixture " + given;
            return false;
        }
        base = json::parse(in, nullptr, false);
        if (base.is_discarded() || !base.is_object()) {
            *error = "fixture " + given + ": not a JSON object";
            return false;
        }
    }
    std::string clock = start_clock;
    if (clock.empty())
        clock = base.contains("clock") && base["clock"].is_string()
                    ? base["clock"].get<std::string>()
                    : ReceiverState{}.clock;
    int64_t local = 0;
    if (!parse_clock(clock, &local)) {
        *error = "bad clock \"" + clock + "\"";
        return false;
    }
    const int minute_of_day = static_cast<int>(local % 86400 / 60);
    const int from = -minute_of_day, to = 2 * 1440 - minute_of_day;
    json tv = json::array(), radio = json::array();
    size_t n = 0;
    for (const demo_channel& c : tv_channels)
        tv.push_back(
            {{"name", c.name}, {"freq", c.freq}, {"events", guide(c.name, n++ * 3, from, to)}});
    for (const demo_channel& c : radio_channels)
        radio.push_back(
            {{"name", c.name}, {"freq", c.freq}, {"events", guide(c.name, n++ * 5, from, to)}});
    // Timers: tonight across midnight, tomorrow morning, tomorrow evening.
    json timers = json::array();
    timers.push_back({{"type", 0},
                      {"num", 3},
                      {"start", 1410 - minute_of_day},
                      {"duration", 120},
                      {"file", "Dokumentarfilm"}});
    timers.push_back({{"type", 0},
                      {"num", 1},
                      {"start", 1440 + 480 - minute_of_day},
                      {"duration", 45},
                      {"file", "Terra X"}});
    timers.push_back({{"type", 0},
                      {"num", 0},
                      {"start", 1440 + 1215 - minute_of_day},
                      {"duration", 95},
                      {"file", "Tatort"}});
    // A recording of ZDF runs since a quarter of an hour.
    const std::string running = "heute journal.rec";
    char start[32];
    const int64_t began = local - 15 * 60;
    int y;
    unsigned m, d;
    civil_from_days(began / 86400, &y, &m, &d);
    std::snprintf(start, sizeof start, "%04d-%02u-%02u %02d:%02d:00", y, m, d,
                  static_cast<int>(began % 86400 / 3600), static_cast<int>(began % 3600 / 60));
    write_recording(disk_dir + "/DataFiles", running, "ZDF HD", "heute journal", start, 15);
    const json demo = {{"channels", {{"tv", tv}, {"radio", radio}}},
                       {"current", {{"type", 0}, {"num", 0}}},
                       {"timers", timers},
                       {"recordings", json::array({{{"type", 0}, {"num", 1}, {"file", running}}})}};
    for (const auto& [key, value] : demo.items())
        if (!base.contains(key)) base[key] = value;
    std::ofstream out(fixture);
    out << base.dump(1);
    if (!out) {
        *error = "cannot write " + fixture;
        return false;
    }
    return true;
}

} // namespace tapsim
