#include "demo_disk.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "clock.h"
#include "pictures.h"
#include "tone.h"
#ifdef TAPSIM_PNG
#include "png_out.h"
#endif

namespace fs = std::filesystem;

namespace tapsim {

namespace {

void put_le(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 24-bit BMP: a colour wheel of stripes.
void bmp(const fs::path& path, int w, int h) {
    int row = (3 * w + 3) & ~3;
    std::vector<uint8_t> b(54 + static_cast<size_t>(row) * h, 0);
    b[0] = 'B';
    b[1] = 'M';
    put_le(b, 2, static_cast<uint32_t>(b.size()), 4);
    put_le(b, 10, 54, 4);
    put_le(b, 14, 40, 4);
    put_le(b, 18, static_cast<uint32_t>(w), 4);
    put_le(b, 22, static_cast<uint32_t>(h), 4);
    put_le(b, 26, 1, 2);
    put_le(b, 28, 24, 2);
    put_le(b, 34, static_cast<uint32_t>(row * h), 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &b[54 + static_cast<size_t>(y) * row + 3 * x];
            p[0] = static_cast<uint8_t>(255 * y / h);
            p[1] = static_cast<uint8_t>(255 * x / w);
            p[2] = static_cast<uint8_t>((x / 40 + y / 40) % 2 ? 220 : 60);
        }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::vector<uint32_t> sunset(int w, int h) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int dx = x - w / 2, dy = y - h * 2 / 3;
            bool sun = dx * dx + dy * dy < (h / 5) * (h / 5);
            uint32_t r = sun ? 255 : static_cast<uint32_t>(255 - 120 * y / h);
            uint32_t g = sun ? 210 : static_cast<uint32_t>(80 + 60 * y / h);
            uint32_t b = sun ? 60 : static_cast<uint32_t>(60 + 150 * y / h);
            px[static_cast<size_t>(y) * w + x] = 0xFF000000 | r << 16 | g << 8 | b;
        }
    return px;
}

// A small music folder: an album of tones with tags, a bonus folder and a playlist file, made
// by ffmpeg when it is installed (without it the folder stays empty).
void music(const fs::path& dir) {
    struct track {
        const char* folder;
        const char* file;
        const char* title;
        int frequency;
    } const tracks[] = {
        {"Tones", "01 - Morning.mp3", "Morning", 440},
        {"Tones", "02 - Noon.mp3", "Noon", 523},
        {"Tones", "03 - Evening.mp3", "Evening", 659},
        {"Tones/Bonus", "Night.mp3", "Night", 330},
    };
    int number = 0;
    for (const track& t : tracks) {
        tone made;
        made.frequency = t.frequency;
        made.seconds = 20;
        made.kbps = 128;
        made.tags = true;
        made.title = t.title;
        made.artist = "The Sine Waves";
        made.album = "Tones";
        made.year = "2026";
        made.comment = "Made by the demo";
        made.genre = "Ambient";
        made.track = ++number;
        std::error_code ec;
        fs::create_directories(dir / t.folder, ec);
        if (!run_program(tone_command(made, (dir / t.folder / t.file).string()))) return;
    }
    std::ofstream(dir / "evening.m3u")
        << "#EXTM3U\nTones/03 - Evening.mp3\nTones/Bonus/Night.mp3\n";
}

// The resident TAP's settings record ("TovakRC.ini", 256 bytes, little-endian) as its owner left
// it: the first start's choices (Ch / Vol keys, Files key Ok, Infos key Subtitle, receiver and
// remote model 1, the bookmark file) and the receiver's place entered by hand: Frankfurt am
// Main, 50.11 N 8.68 E (location mode 1 in bits 4-6 of the start-up word).
std::string demo_settings() {
    std::string b(256, '\0');
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b[at + i] = static_cast<char>(v >> (8 * i));
    };
    put(0x08, 1, 4);       // initialised
    put(0x0C, 0x90002, 4); // flags
    put(0x11, 1, 1);       // receiver model
    put(0x12, 1, 1);       // remote model
    put(0x18, 1 << 4, 4);  // start-up word: location mode "Manually"
    put(0x20, 5011, 2);    // latitude x 100
    put(0x22, 868, 2);     // longitude x 100
    const char bookmarks[] = "/WebCache/Bookmarks.html";
    std::memcpy(&b[0x80], bookmarks, sizeof bookmarks);
    return b;
}

} // namespace

void write_recording(const std::string& folder, const std::string& name, const char* channel,
                     const char* event, const std::string& start, int minutes) {
    const fs::path dir(folder);
    std::vector<uint8_t> packets(188 * 2000, 0xFF);
    for (size_t i = 0; i < packets.size(); i += 188)
        packets[i] = 0x47;
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(packets.data()),
               static_cast<std::streamsize>(packets.size()));
    std::vector<uint8_t> inf(3320, 0);
    std::memcpy(inf.data(), "TFrc", 4);
    put_le(inf, 4, 0x8000, 2);
    int64_t local = 0;
    parse_clock(start, &local);
    uint32_t mjd = static_cast<uint32_t>(local / 86400 + mjd_of_unix_day0);
    put_le(inf, 8,
           mjd << 16 | static_cast<uint32_t>(local % 86400 / 3600) << 8 |
               static_cast<uint32_t>(local % 3600 / 60),
           4);
    put_le(inf, 12, static_cast<uint32_t>(minutes), 2);
    std::strncpy(reinterpret_cast<char*>(&inf[42]), channel, 27);
    inf[70] = static_cast<uint8_t>(minutes % 60);
    inf[71] = static_cast<uint8_t>(minutes / 60);
    inf[85] = static_cast<uint8_t>(std::strlen(event));
    std::strncpy(reinterpret_cast<char*>(&inf[87]), event, 274);
    std::ofstream(dir / (name + ".inf"), std::ios::binary)
        .write(reinterpret_cast<const char*>(inf.data()), static_cast<std::streamsize>(inf.size()));
    // The navigation index: a 32-byte entry at every block, every fourth one where the stream
    // may start, their times spread over the duration.
    const size_t blocks = (packets.size() + 9023) / 9024;
    std::vector<uint8_t> nav(blocks * 32, 0);
    for (size_t i = 0; i < blocks; ++i) {
        nav[i * 32 + 3] = i % 4 ? 2 : 1;
        put_le(nav, i * 32 + 12, static_cast<uint32_t>(i * 9024), 4);
        put_le(nav, i * 32 + 24, static_cast<uint32_t>(i * minutes * 60000 / blocks), 4);
    }
    std::ofstream(dir / (name + ".nav"), std::ios::binary)
        .write(reinterpret_cast<const char*>(nav.data()), static_cast<std::streamsize>(nav.size()));
}

std::string minimal_pdf(const std::vector<std::string>& lines) {
    std::string content = "BT /F1 12 Tf 72 740 Td 16 TL";
    for (const std::string& line : lines) {
        std::string escaped;
        for (char c : line) {
            if (c == '(' || c == ')' || c == '\\') escaped += '\\';
            escaped += c;
        }
        content += " (" + escaped + ") Tj T*";
    }
    content += " ET";
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> at;
    auto object = [&](const std::string& body) {
        at.push_back(pdf.size());
        pdf += std::to_string(at.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
           "/Resources << /Font << /F1 5 0 R >> >> >>");
    object("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
           "\nendstream");
    object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(at.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t a : at) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", a);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(at.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

bool make_demo_disk(const std::string& dir, std::string* error) {
    std::error_code ec;
    const fs::path root(dir);
    for (const char* sub :
         {"ProgramFiles/Settings/TovakRC", "DataFiles/Archive", "MediaFiles/Pictures", "MP3Files"})
        fs::create_directories(root / sub, ec);
    if (ec) {
        *error = "cannot make the demo disk in " + dir + ": " + ec.message();
        return false;
    }
    std::ofstream(root / "ProgramFiles/Settings/TovakRC/TovakRC.ini", std::ios::binary)
        << demo_settings();
    write_recording((root / "DataFiles").string(), "Tagesschau_2026-12-09.rec", "Das Erste",
                    "Tagesschau", "2026-12-09 20:00:00", 15);
    write_recording((root / "DataFiles").string(), "Terra X_2026-12-06.rec", "ZDF",
                    "Terra X: Die Alpen", "2026-12-06 19:30:00", 44);
    write_recording((root / "DataFiles/Archive").string(), "Tatort_2026-11-29.rec", "Das Erste",
                    "Tatort", "2026-11-29 20:15:00", 89);
    std::ofstream(root / "MediaFiles" / "readme.txt")
        << "Demo disk of the receiver emulator.\nEvery file here was generated.\n";
    std::ofstream notes(root / "DataFiles" / "notes.txt");
    for (int i = 1; i <= 40; ++i)
        notes << "Line " << i << " of a generated text file.\n";
    std::ofstream(root / "DataFiles" / "manual.pdf", std::ios::binary)
        << minimal_pdf({"Receiver manual (demo)", "", "1. Switch the receiver on.",
                        "2. Press Sat and Teletext for the text viewer.",
                        "3. Press Sat and Filelist for the file browser."});
    // The bookmark list with the demo's web site (served on loopback by tools/demo.sh).
    fs::create_directories(root / "WebCache", ec);
    std::ofstream(root / "WebCache" / "Bookmarks.html")
        << "<A HREF=\"../ProgramFiles/Settings/TovakRC/tovakrc_en.txt\">TovakRC "
           "description</A><BR>\n"
           "<A HREF=\"http://www.tovak.test/\">Tovak demo site</A><BR>\n"
           "<A HREF=\"../DataFiles/notes.txt#12\">Notes, line 12</A><BR>\n<P>\n";
    for (int i = 1; i <= 30; ++i)
        std::ofstream(root / "MediaFiles" / ("clip_" + std::to_string(100 + i) + ".txt"))
            << i << "\n";
    bmp(root / "MediaFiles/Pictures" / "stripes.bmp", 640, 480);
    const std::vector<uint32_t> big = sunset(1600, 1200);
    std::string jpeg =
        jpeg_encode([&](int x, int y) { return big[static_cast<size_t>(y) * 1600 + x]; }, 1600,
                    1200, "http://www.tovak.test/sunset.jpg Sunset over the lake");
    if (!jpeg.empty())
        std::ofstream(root / "MediaFiles/Pictures" / "sunset.jpg", std::ios::binary) << jpeg;
    music(root / "MP3Files");
#ifdef TAPSIM_PNG
    std::string why;
    write_png((root / "MediaFiles/Pictures" / "sunset.png").string(), sunset(400, 300), 400, 300,
              &why);
#endif
    return true;
}

bool install_helpers(const std::string& disk_dir, const std::string& helpers, std::string* error) {
    const fs::path settings = fs::path(disk_dir) / "ProgramFiles/Settings/TovakRC";
    std::error_code ec;
    fs::create_directories(settings, ec);
    for (const auto& e : fs::directory_iterator(helpers, ec)) {
        const fs::path to = settings / e.path().filename();
        if (!e.is_regular_file() || fs::exists(to)) continue;
        fs::copy_file(e.path(), to, ec);
        if (!ec)
            fs::permissions(to,
                            fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec,
                            ec);
        if (ec) break;
    }
    if (ec && error) *error = "cannot install the helper programs: " + ec.message();
    return !ec;
}

std::string helpers_dir(const std::string& exe_dir) {
    return (fs::path(exe_dir) / "helpers").string();
}

} // namespace tapsim
