// Picture decoders on files of the emulated disk: BMP in all its forms, JPEG sizes asked of
// the firmware, and GIF/PNG through the converter programs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "common/memory.h"
#include "common/programs.h"
#include "common/settings.h"
#include "emu_fixture.h"
#include "emulator.h"
#include "bmp_samples.h"
#include "pictures.h"
#include "image/decode.h"
#include "osd/window.h"

namespace fs = std::filesystem;

namespace {

void put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (8 * i));
}
void put16(std::string& s, size_t at, uint16_t v) {
    s[at] = static_cast<char>(v);
    s[at + 1] = static_cast<char>(v >> 8);
}

// A BMP file: header fields as given, then the body bytes.
std::string bmp(int w, int h, int bits, int compression, const std::string& body,
                uint32_t image_size = 1, uint32_t xppm = 0, uint32_t yppm = 0) {
    std::string s(54, '\0');
    s[0] = 'B';
    s[1] = 'M';
    put32(s, 2, static_cast<uint32_t>(54 + body.size()));
    put32(s, 10, 54);
    put32(s, 14, 40);
    put32(s, 18, static_cast<uint32_t>(w));
    put32(s, 22, static_cast<uint32_t>(h));
    put16(s, 26, 1);
    put16(s, 28, static_cast<uint16_t>(bits));
    put32(s, 30, static_cast<uint32_t>(compression));
    put32(s, 34, image_size);
    put32(s, 38, xppm);
    put32(s, 42, yppm);
    return s + body;
}

// 24-bit body, rows bottom-up; colour(x, y) with y counted from the top.
std::string body24(int w, int h, const std::function<uint32_t(int, int)>& colour) {
    int row = (3 * w + 3) & ~3;
    std::string s(static_cast<size_t>(row) * h, '\0');
    for (int i = 0; i < h; ++i)
        for (int x = 0; x < w; ++x) {
            uint32_t c = colour(x, h - 1 - i);
            size_t at = static_cast<size_t>(i) * row + 3 * x;
            s[at] = static_cast<char>(c);
            s[at + 1] = static_cast<char>(c >> 8);
            s[at + 2] = static_cast<char>(c >> 16);
        }
    return s;
}

std::string palette(std::initializer_list<uint32_t> colours) {
    std::string p(1024, '\0');
    size_t i = 0;
    for (uint32_t c : colours)
        put32(p, 4 * i++, c | 0xAB000000); // the reserved byte is ignored
    return p;
}

class ImageDecode : public emu_test::EmuTest {
  protected:
    void SetUp() override {
        EmuTest::SetUp();
        fs::create_directories(disk / "Pics");
        win = window();
        osd_frame(win, 400, 6, "Test", nullptr, 0);
        ASSERT_EQ(tap_folder_change("/Pics"), 0);
        start = mem_outstanding();
    }
    void file(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / "disk" / "Pics" / name, std::ios::binary) << bytes;
    }
    void program(const std::string& name, const std::string& script) {
        fs::path p = dir / "disk" / "ProgramFiles" / "Settings" / "TovakRC" / name;
        std::ofstream(p) << script;
        fs::permissions(p, fs::perms::owner_all);
    }
    uint32_t at(const image_record* img, int x, int y) {
        return img->pixels[static_cast<size_t>(y) * img->width + x];
    }
    void done(image_record* img) {
        if (img) mem_raw_free(img->pixels);
        EXPECT_EQ(mem_outstanding(), start) << "every block given back";
    }

    osd_window* win = nullptr;
    int64_t start = 0;
};

} // namespace

TEST_F(ImageDecode, BordersWiderThanTenPixelsAreTrimmed) {
    struct Case {
        const char* what;
        int w, h, border;
        int want_w, want_h;
    } cases[] = {
        {"12-pixel white border", 60, 40, 12, 56, 36},
        {"10-pixel border stays", 60, 40, 10, 60, 40},
        {"one colour", 100, 100, -1, 10, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto colour = [&](int x, int y) -> uint32_t {
            if (c.border < 0) return 0x336699;
            bool edge = x < c.border || y < c.border || x >= c.w - c.border || y >= c.h - c.border;
            return edge ? 0xFFFFFF : (x + y) % 2 ? 0xFF0000 : 0x00FF00;
        };
        file("b.bmp", bmp(c.w, c.h, 24, 0, body24(c.w, c.h, colour)));
        image_record* img = bmp_read(win, "b.bmp");
        ASSERT_NE(img, nullptr);
        ASSERT_NE(img->pixels, nullptr);
        EXPECT_EQ(img->file_width, c.w);
        EXPECT_EQ(img->file_height, c.h);
        EXPECT_EQ(img->width, c.want_w);
        EXPECT_EQ(img->height, c.want_h);
        if (c.border > 10) {
            // The picture inside moved with the trimmed block: its first pixel is at (10, 10).
            EXPECT_EQ(at(img, 9, 10), 0xFFFFFFFFu);
            EXPECT_EQ(at(img, 10, 10), 0xFF00FF00u);
            EXPECT_EQ(at(img, 11, 10), 0xFFFF0000u);
            EXPECT_EQ(at(img, c.want_w - 11, c.want_h - 11),
                      (c.w - 13 + c.h - 13) % 2 ? 0xFFFF0000u : 0xFF00FF00u);
        }
        done(img);
    }
}

TEST_F(ImageDecode, PalettesAndRunLengths) {
    std::string pal = palette({0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
    // 8-bit plain 3 x 2: rows padded to 4 bytes, bottom row first.
    std::string plain = pal + std::string("\x01\x02\x03\x00\x03\x02\x01\x00", 8);
    // RLE8 5 x 2: bottom row "2 x red, 3 literal (green, blue, red) padded", end of line, top
    // row 5 x blue, end of bitmap.
    std::string rle =
        pal + std::string("\x02\x01\x00\x03\x02\x03\x01\x00\x00\x00\x05\x03\x00\x01", 14);
    struct Case {
        const char* what;
        std::string file;
        int w;
        std::vector<uint32_t> top, bottom;
    } cases[] = {
        {"8-bit",
         bmp(3, 2, 8, 0, plain),
         3,
         {0xFF0000FF, 0xFF00FF00, 0xFFFF0000},
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF}},
        {"RLE8",
         bmp(5, 2, 8, 1, rle),
         5,
         {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF},
         {0xFFFF0000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFF0000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        file("p.bmp", c.file);
        image_record* img = bmp_read(win, "p.bmp");
        ASSERT_NE(img, nullptr);
        ASSERT_NE(img->pixels, nullptr);
        ASSERT_EQ(img->width, c.w);
        for (int x = 0; x < c.w; ++x) {
            EXPECT_EQ(at(img, x, 0), c.top[x]) << x;
            EXPECT_EQ(at(img, x, 1), c.bottom[x]) << x;
        }
        done(img);
    }
}

TEST_F(ImageDecode, EveryBitmapFormShowsItsPixels) {
    for (const bmp_sample& c : bmp_samples()) {
        SCOPED_TRACE(c.name);
        file("f.bmp", bmp_file(c.form));
        image_record* size = bmp_read(nullptr, "f.bmp");
        ASSERT_NE(size, nullptr);
        EXPECT_EQ(size->file_width, c.width);
        EXPECT_EQ(size->file_height, c.height);
        image_record* img = bmp_read(win, "f.bmp");
        ASSERT_NE(img, nullptr);
        ASSERT_NE(img->pixels, nullptr);
        ASSERT_EQ(img->width, c.width);
        ASSERT_EQ(img->height, c.height);
        ASSERT_EQ(c.shown.size(), static_cast<size_t>(c.width) * c.height) << "bad sample";
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(at(img, x, y),
                          0xFF000000u | c.shown[static_cast<size_t>(y) * c.width + x])
                    << std::hex << "at " << std::dec << x << "," << y;
        done(img);
    }
}

TEST_F(ImageDecode, DamagedRunLengthsStopWithoutWritingOutside) {
    std::string pal = palette({0x000000, 0xFF0000});
    struct Case {
        const char* what;
        std::string body;
    } cases[] = {
        {"run longer than the row", std::string("\x09\x01", 2)},
        {"literal longer than the row", std::string("\x00\x05\x01\x01\x01\x01\x01\x00", 8)},
        {"end of line past the top", std::string("\x00\x00\x00\x00\x00\x00\x00\x00", 8)},
        {"delta out of the picture", std::string("\x00\x02\x09\x09", 4)},
        {"cut in a pair", std::string("\x02", 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        file("r.bmp", bmp(4, 2, 8, 1, pal + c.body));
        image_record* img = bmp_read(win, "r.bmp");
        ASSERT_NE(img, nullptr);
        EXPECT_NE(img->pixels, nullptr);
        done(img);
    }
}

TEST_F(ImageDecode, UnsupportedAndBrokenBitmaps) {
    std::string body = body24(2, 2, [](int, int) { return 0u; });
    auto header_size = [&](uint32_t size) {
        std::string s = bmp(2, 2, 24, 0, body);
        put32(s, 14, size);
        return s;
    };
    auto planes = [&](uint16_t n) {
        std::string s = bmp(2, 2, 24, 0, body);
        put16(s, 26, n);
        return s;
    };
    struct Case {
        const char* what;
        std::string file;
        bool record; // a record (without pixels) rather than null
    } cases[] = {
        {"24 bits RLE", bmp(2, 2, 24, 1, body), true},
        {"8 bits RLE4", bmp(2, 2, 8, 2, body), true},
        {"4 bits RLE8", bmp(2, 2, 4, 1, body), true},
        {"2 bits", bmp(2, 2, 2, 0, body), true},
        {"24-bit bit fields", bmp(2, 2, 24, 3, body), true},
        {"bit fields without masks", bmp(2, 2, 16, 3, body + std::string(12, '\0')), true},
        {"JPEG inside", bmp(2, 2, 24, 4, body), true},
        {"two planes", planes(2), true},
        {"too wide", bmp(10001, 1, 24, 0, body), true},
        {"too tall (top-down)", bmp(1, -10001, 24, 0, body), true},
        {"block over 16,000,000 bytes", bmp(2001, 2000, 24, 0, body), true},
        {"image size over 16,000,000", bmp(2, 2, 24, 0, body, 16000001), true},
        {"width 0", bmp(0, 2, 24, 0, body), false},
        {"height 0", bmp(2, 0, 24, 0, body), false},
        {"width negative", bmp(-2, 2, 24, 0, body), false},
        {"no BM", "XY" + bmp(2, 2, 24, 0, body).substr(2), false},
        {"short header", bmp(2, 2, 24, 0, body).substr(0, 40), false},
        {"header size 8", header_size(8), false},
        {"header longer than the file", header_size(0xFFFFFF00u), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        file("u.bmp", c.file);
        image_record* img = bmp_read(win, "u.bmp");
        EXPECT_EQ(img != nullptr, c.record);
        if (img) EXPECT_EQ(img->pixels, nullptr);
        done(nullptr);
    }
    EXPECT_NE(emu->osd().screen_text().find("Image format not supported!"), std::string::npos);
}

TEST_F(ImageDecode, WithoutAWindowOnlyTheSizeIsRead) {
    file("s.bmp", bmp(7, 5, 24, 0, body24(7, 5, [](int, int) { return 0u; }), 1, 9000, 12800));
    image_record* img = bmp_read(nullptr, "s.bmp");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->pixels, nullptr);
    EXPECT_EQ(img->width, 7);
    EXPECT_EQ(img->height, 5);
    EXPECT_EQ(img->anamorphic, 1) << "9000/12800 pixels per metre: a capture of the OSD";
    done(nullptr);
}

namespace {

std::string jpeg_bytes(int w, int h, const char* comment) {
    return tapsim::jpeg_encode([](int, int) { return 0xFF808080u; }, w, h, comment ? comment : "");
}

} // namespace

TEST_F(ImageDecode, JpegSizeAskedOfTheFirmwareShrinksUntilItFits) {
    file("big.jpg", jpeg_bytes(4000, 3000, "http://example.test/a.jpg Evening at the lake"));
    // Room for the first request: 4000 x 3000 is asked as 1687 x 1800.
    emu->state().jpeg_max_pixels = 1687 * 1800;
    image_record* img = jpg_read(win, "big.jpg");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->file_width, 4000);
    EXPECT_EQ(img->width, 1687);
    EXPECT_EQ(img->height, 1800);
    EXPECT_EQ(img->anamorphic, 1);
    ASSERT_NE(img->pixels, nullptr);
    EXPECT_STREQ(img->comment, "http://example.test/a.jpg");
    EXPECT_STREQ(img->comment + img->headline, "Evening at the lake");
    done(img);
    // Less memory: each refusal shrinks the request by a tenth (three times here).
    emu->state().jpeg_max_pixels = 1400 * 1400;
    img = jpg_read(win, "big.jpg");
    ASSERT_NE(img, nullptr);
    ASSERT_NE(img->pixels, nullptr);
    EXPECT_EQ(img->width, 1687 * 9 / 10 * 9 / 10 * 9 / 10);
    EXPECT_EQ(img->height, 1800 * 9 / 10 * 9 / 10 * 9 / 10);
    done(img);
}

TEST_F(ImageDecode, JpegCommentWithoutLinkAndBrokenFiles) {
    file("c.jpg", jpeg_bytes(64, 48, "Just a comment"));
    image_record* img = jpg_read(nullptr, "c.jpg");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->pixels, nullptr);
    EXPECT_EQ(img->width, 64);
    EXPECT_EQ(img->no_headline, 191);
    std::string cut = jpeg_bytes(64, 48, nullptr).substr(0, 20); // ends before the frame header
    for (const std::string& bytes : {std::string("GIF89a"), cut}) {
        file("x.jpg", bytes);
        EXPECT_EQ(jpg_read(win, "x.jpg"), nullptr);
    }
    done(nullptr);
}

TEST_F(ImageDecode, JpegProgressIsLoggedOnlyWithLogging) {
    file("p.jpg", jpeg_bytes(40, 30, nullptr));
    file("frameless.jpg", jpeg_bytes(40, 30, nullptr).substr(0, 20));
    for (bool logging : {false, true}) {
        SCOPED_TRACE(logging ? "logging on" : "logging off");
        settings.flags = SET_ENGLISH | (logging ? SET_LOGGING : 0u);
        fs::remove(settings_file("TovakRC.log"));
        ASSERT_NE(jpg_read(nullptr, "p.jpg"), nullptr);
        EXPECT_EQ(jpg_read(nullptr, "frameless.jpg"), nullptr);
        const std::string log = emu_test::read_file(settings_file("TovakRC.log"));
        EXPECT_EQ(log.find("jpg_read: xx0=40 yy0=30") != std::string::npos, logging) << log;
        EXPECT_NE(log.find("frameless.jpg: 0x0 (SOF marker missing)"), std::string::npos)
            << "a failure is logged either way: " << log;
    }
    done(nullptr);
}

TEST_F(ImageDecode, ConverterOutputIsCheckedBeforeItIsUsed) {
    // A converter that writes the 256-byte header and two pixels.
    std::string header(256, '\0');
    put32(header, 0, 0x27E1ADAC);
    put32(header, 16, 2);
    put32(header, 20, 1);
    std::ofstream(dir / "stream.bin", std::ios::binary)
        << header << std::string("\x10\x20\x30\x40\x50\x60", 6);
    program("tovak_gif.mips", "#!/bin/sh\nexec cat " + (dir / "stream.bin").string() + "\n");
    file("ok.gif", "");
    image_record* img = pipe_image_read(win, "ok.gif");
    ASSERT_NE(img, nullptr);
    ASSERT_NE(img->pixels, nullptr);
    EXPECT_EQ(at(img, 0, 0), 0xFF102030u);
    EXPECT_EQ(at(img, 1, 0), 0xFF405060u);
    done(img);
    // One byte short of a header: an image error.
    program("tovak_gif.mips", "#!/bin/sh\nhead -c 255 /dev/zero\n");
    EXPECT_EQ(pipe_image_read(win, "ok.gif"), nullptr);
    EXPECT_NE(emu->osd().screen_text().find("/Pics/ok.gif: image error"), std::string::npos)
        << emu->osd().screen_text();
    // No PNG converter installed.
    EXPECT_EQ(pipe_image_read(win, "p.png"), nullptr);
    done(nullptr);
}

TEST_F(ImageDecode, AnyFileNameReachesTheConverterAsOneArgument) {
    // The converter writes its argument count and last argument where the test can read them.
    program("tovak_gif.mips",
            "#!/bin/sh\nprintf '%s\\n%s' \"$#\" \"$2\" > " + (dir / "args.txt").string() + "\n");
    const std::string name = "a b'c\"$(touch pwned)`touch pwned2`;x\n.gif";
    file(name, "GIF89a");
    EXPECT_EQ(pipe_image_read(nullptr, name.c_str()), nullptr) << "no stream came back";
    std::ifstream in(dir / "args.txt");
    std::string count, arg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(arg.empty());
    EXPECT_EQ(arg.substr(0, 2), "2\n") << "-h and the file: " << arg;
    EXPECT_EQ(arg.substr(2), emu->root() + "/mnt/hd/Pics/" + name);
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(fs::exists("pwned2"));
    EXPECT_FALSE(fs::exists(dir / "disk" / "Pics" / "pwned"));
    done(nullptr);
}
