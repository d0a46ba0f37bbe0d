// The fuzz targets start from the seed files of fuzz/seeds: each one is a valid input that its
// parser takes in full, so that fuzzing begins behind the magic numbers and size checks.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "browser/mp3.h"
#include "browser/recording.h"
#include "browser/tools.h"
#include "common/byte_order.h"
#include "core/keymap.h"
#include "core/trim_patch.h"
#include "epg/window.h"
#include "common/programs.h"
#include "emu_fixture.h"
#include "gd_codec.h"
#include "image/decode.h"
#include "net/geo.h"
#include "net/http_get.h"
#include "net/update.h"
#include "osd/line_edit.h"
#include "textview/bookmarks.h"
#include "textview/document.h"

using emu_test::EmuTest;
using emu_test::read_file;
namespace fs = std::filesystem;

namespace {

const fs::path seeds = fs::path(TOVAK_SOURCE_DIR) / "fuzz" / "seeds";

std::vector<fs::path> seed_files(const char* target) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(seeds / target))
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

const uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

class FuzzSeeds : public EmuTest {};

} // namespace

TEST_F(FuzzSeeds, EveryTargetHasSeeds) {
    for (const char* target :
         {"core_files", "epg", "gd", "gif", "history", "image", "inf", "infos", "mp3", "raw_stream",
          "document", "web_text", "http_header", "update_list", "geo_answer", "trim"})
        EXPECT_GE(seed_files(target).size(), 2u) << target;
}

TEST_F(FuzzSeeds, EventAndTimerRecordsAreShown) {
    struct Case {
        const char* file;
        std::string event, timer;
    } cases[] = {
        {"three_events_two_timers", "Seed film", "Seed late"},
        {"unterminated_names", std::string(128, 'N') + " -- " + std::string(128, 'D'),
         std::string(128, 'T')},
    };
    for (const Case& c : cases) {
        const std::string data = read_file(seeds / "epg" / c.file);
        ASSERT_GT(data.size(), 1u);
        const size_t event_bytes = (data[0] & 7u) * sizeof(TYPE_TapEvent);
        ASSERT_EQ((data.size() - 1 - event_bytes) % sizeof(TYPE_TimerInfo), 0u) << c.file;
        emu->state().tv.assign(1, tapsim::Channel("Seed"));
        emu->state().tv[0].raw_events = data.substr(1, event_bytes);
        emu->state().raw_timers = data.substr(1 + event_bytes);
        epg_window(0);
        EXPECT_TRUE(screen_has(c.event + "\n")) << c.file << "\n" << screen();
        epg_window(0x10037); // Teletext: the timers
        EXPECT_TRUE(screen_has(c.timer + "\n")) << c.file << "\n" << screen();
        epg_window(0x10037);
        epg_window(0x10017); // Exit
        epg_release();
    }
}

TEST_F(FuzzSeeds, RecordingHeadersAreReadOrRepaired) {
    for (const fs::path& f : seed_files("inf")) {
        SCOPED_TRACE(f.filename().string());
        std::string data = read_file(f);
        std::vector<uint8_t> copy(data.begin(), data.end());
        copy.resize(std::min<size_t>(copy.size(), PACKED_BYTES));
        const bool read = inf_parse(bytes(data), data.size(), false) != nullptr;
        const int repair = inf_repair_bytes(copy.data(), copy.size());
        EXPECT_TRUE(read || repair > 0) << "neither a header nor one to repair";
    }
    inf_release();
}

TEST_F(FuzzSeeds, PicturesAndTheRawStreamDecode) {
    fs::create_directories(disk / "Pics");
    ASSERT_EQ(tap_folder_change("/Pics"), 0);
    osd_window* win = window();
    osd_frame(win, FULL_W, 0, "seeds", nullptr, 0);
    int pictures = 0;
    for (const fs::path& f : seed_files("image")) {
        const std::string name = f.filename().string();
        SCOPED_TRACE(name);
        fs::copy_file(f, disk / "Pics" / name);
        if (f.extension() == ".bmp") {
            image_record* img = bmp_read(win, name.c_str());
            ASSERT_NE(img, nullptr);
            EXPECT_NE(img->pixels, nullptr);
            mem_raw_free(img->pixels);
            ++pictures;
        } else if (f.extension() == ".jpg") {
            image_record* img = jpg_read(nullptr, name.c_str());
            ASSERT_NE(img, nullptr);
            EXPECT_GT(img->file_width, 0);
            ++pictures;
        }
    }
    EXPECT_GE(pictures, 4);
    for (const fs::path& f : seed_files("raw_stream")) {
        SCOPED_TRACE(f.filename().string());
        const std::string data = read_file(f);
        int32_t w = 0, h = 0;
        EXPECT_TRUE(raw_stream_check(bytes(data), data.size(), &w, &h));
    }
}

TEST_F(FuzzSeeds, SettingsFilesAndIconsAreTaken) {
    for (const fs::path& f : seed_files("history")) {
        SCOPED_TRACE(f.filename().string());
        const std::string data = read_file(f);
        history_parse(data.data(), data.size());
        int kinds = 0;
        for (int k = 0; k < EDIT_KINDS; ++k)
            kinds += history_newest(k) != nullptr;
        EXPECT_GE(kinds, 2);
    }
    history_clear();
    int rules = 0, records = 0;
    for (const fs::path& f : seed_files("core_files")) {
        const std::string data = read_file(f);
        rules += keymap_parse(data.data(), data.size()) > 0;
        if (data.size() >= SETTINGS_RECORD_SIZE) {
            settings_record s;
            settings_from_bytes(bytes(data), &s);
            records += settings_plausible(s);
        }
    }
    keymap_parse("", 0);
    EXPECT_GE(rules, 1) << "a key map with rules";
    EXPECT_GE(records, 1) << "a settings record";
    for (const fs::path& f : seed_files("gd")) {
        SCOPED_TRACE(f.filename().string());
        const std::string data = read_file(f);
        std::vector<uint32_t> px;
        int w = 0, h = 0;
        EXPECT_TRUE(tapsim::gd_decode(bytes(data), data.size(), &px, &w, &h));
    }
}

TEST_F(FuzzSeeds, Mp3FilesAndPlaylistFilesAreRead) {
    fs::create_directories(disk / "Music");
    ASSERT_EQ(tap_folder_change("/Music"), 0);
    int streams = 0, entries = 0;
    for (const fs::path& f : seed_files("mp3")) {
        const std::string name = f.filename().string();
        SCOPED_TRACE(name);
        if (f.extension() == ".m3u" || f.extension() == ".pls") {
            std::istringstream lines(read_file(f));
            std::string line;
            char entry[256];
            while (std::getline(lines, line))
                entries +=
                    playlist_file_line(line.c_str(), f.extension() == ".pls", entry, sizeof entry);
            continue;
        }
        fs::copy_file(f, disk / "Music" / name);
        EXPECT_NE(mp3_info(name.c_str()), nullptr);
        ++streams;
    }
    EXPECT_GE(streams, 3);
    EXPECT_GE(entries, 6);
}

TEST_F(FuzzSeeds, DocumentsPagesTitlesAndProbesAreRead) {
    int links = 0, lines = 0;
    for (const fs::path& f : seed_files("document")) {
        SCOPED_TRACE(f.filename().string());
        const std::string data = read_file(f);
        ASSERT_FALSE(data.empty());
        std::vector<char*> table(64, nullptr);
        doc_reader* r = new doc_reader;
        doc_begin(r, table.data(), 64, data[0] & 1, nullptr);
        for (size_t i = 1; i < data.size(); ++i)
            doc_byte(r, static_cast<unsigned char>(data[i]));
        lines += doc_end(r);
        links += r->link_count > 0 ? r->link_count : 0;
        doc_free(table.data(), r->stored);
        delete r;
    }
    EXPECT_GE(lines, 4);
    EXPECT_EQ(links, 3) << "the page's three references";
    int titles = 0, kept = 0;
    for (const fs::path& f : seed_files("web_text")) {
        std::string data = read_file(f);
        FILE* in = fmemopen(data.data(), data.size(), "r");
        char title[100];
        titles += bookmark_title(in, title, sizeof title);
        fclose(in);
        bool started = false;
        std::istringstream text(data);
        for (std::string line; std::getline(text, line);) {
            char out[800];
            kept += codec_line((line + "\n").c_str(), &started, out, sizeof out);
        }
    }
    EXPECT_EQ(titles, 1);
    EXPECT_EQ(kept, 3) << "the probe's lines from \"Duration:\" on";
}

TEST_F(FuzzSeeds, NetworkAnswersAndListsAreRead) {
    for (const fs::path& f : seed_files("http_header")) {
        SCOPED_TRACE(f.filename().string());
        const std::string data = read_file(f);
        http_header h;
        const int code = http_header_read(data.data(), data.size(), &h);
        EXPECT_TRUE(code == HTTP_OK || code >= 100) << code;
        EXPECT_GT(h.body, 0u);
    }
    for (const fs::path& f : seed_files("update_list")) {
        SCOPED_TRACE(f.filename().string());
        std::string data = read_file(f);
        int entries = 0, refused = 0;
        for (size_t at = 0; at < data.size();) {
            size_t end = data.find('\n', at);
            if (end == std::string::npos) end = data.size();
            std::string line = data.substr(at, end - at);
            at = end + 1;
            int level;
            entries += update_list_entry(line.data(), &level) != nullptr;
            refused += level < 0;
        }
        EXPECT_GE(entries, 2);
        EXPECT_GE(refused, 1);
    }
    for (const fs::path& f : seed_files("geo_answer")) {
        SCOPED_TRACE(f.filename().string());
        const std::string data = read_file(f);
        geo_answer a;
        ASSERT_TRUE(geo_answer_read(data.data() + 1, data.size() - 1, 1 + (data[0] & 1), &a));
        EXPECT_TRUE(a.has_latitude && a.has_longitude && a.city[0]);
    }
}

// The cut's 17 bytes, then a .nav that the patch takes (a removed time, no failure).
TEST_F(FuzzSeeds, TrimSeedsArePatched) {
    for (const fs::path& f : seed_files("trim")) {
        SCOPED_TRACE(f.filename().string());
        const std::string data = read_file(f);
        ASSERT_GT(data.size(), 17u + 64u);
        trim_cut cut{(data[0] & 1) != 0, get_le32(bytes(data) + 1), get_le32(bytes(data) + 5),
                     uint64_t{get_le32(bytes(data) + 9)} << 32 | get_le32(bytes(data) + 13)};
        const int in = memfd_create("nav", 0), out = memfd_create("nav_new", 0);
        ASSERT_GE(in, 0);
        ASSERT_GE(out, 0);
        const std::string nav = data.substr(17);
        ASSERT_EQ(write(in, nav.data(), nav.size()), static_cast<ssize_t>(nav.size()));
        EXPECT_GT(nav_patch_fd(in, out, nav.size(), cut, nullptr), 0);
        close(in);
        close(out);
    }
}
