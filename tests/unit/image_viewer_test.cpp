// The image viewer: fitting arithmetic, in-place resampling, pictures drawn on the OSD plane,
// captures shown again, stepping through a folder, and the file details text.
#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/memory.h"
#include "common/settings.h"
#include "common/programs.h"
#include "emulator.h"
#include "pictures.h"
#include "viewer_fixture.h"
#include "image/capture.h"
#include "image/decode.h"
#include "browser/file_details.h"
#include "common/names.h"
#include "image/viewer.h"
#include "osd/ibox.h"
#include "osd/key_help.h"
#include "osd/window.h"
#include "osd/window_state.h"

namespace fs = std::filesystem;

namespace {

void put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (8 * i));
}

// A 24-bit BMP of 4-pixel squares in two colours (no uniform border for the decoder to trim).
std::string bmp24(int w, int h, uint32_t colour, uint32_t other = 0, uint32_t xppm = 0,
                  uint32_t yppm = 0) {
    const int row = (3 * w + 3) & ~3;
    std::string s(54 + static_cast<size_t>(row) * h, '\0');
    s[0] = 'B';
    s[1] = 'M';
    put32(s, 2, static_cast<uint32_t>(s.size()));
    put32(s, 10, 54);
    put32(s, 14, 40);
    put32(s, 18, static_cast<uint32_t>(w));
    put32(s, 22, static_cast<uint32_t>(h));
    s[26] = 1;
    s[28] = 24;
    put32(s, 34, static_cast<uint32_t>(row * h));
    put32(s, 38, xppm);
    put32(s, 42, yppm);
    for (int i = 0; i < h; ++i)
        for (int x = 0; x < w; ++x) {
            const int y = h - 1 - i;
            const uint32_t c = (x / 4 + y / 4) % 2 ? other : colour;
            size_t at = 54 + static_cast<size_t>(i) * row + 3 * x;
            s[at] = static_cast<char>(c);
            s[at + 1] = static_cast<char>(c >> 8);
            s[at + 2] = static_cast<char>(c >> 16);
        }
    return s;
}

std::string jpeg(int w, int h, const std::string& comment = "") {
    return tapsim::jpeg_encode(
        [&](int x, int y) {
            return 0xFF000080u | static_cast<uint32_t>(x * 255 / w) << 16 |
                   static_cast<uint32_t>(y * 255 / h) << 8;
        },
        w, h, comment);
}

// A GIF of w x h pixels in four colours (quadrants), LZW codes kept at 9 bits by a clear code
// before the table grows.
std::string gif(int w, int h) {
    std::string s = "GIF89a";
    auto u16 = [&](int v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>(v >> 8);
    };
    u16(w);
    u16(h);
    s += static_cast<char>(0xF7); // global colour table of 256 entries
    s += '\0';
    s += '\0';
    for (int i = 0; i < 256; ++i) {
        const uint32_t c[4] = {0xE03030, 0x30E030, 0x3030E0, 0xE0E030};
        uint32_t v = c[i & 3];
        s += static_cast<char>(v >> 16);
        s += static_cast<char>(v >> 8);
        s += static_cast<char>(v);
    }
    s += ',';
    u16(0);
    u16(0);
    u16(w);
    u16(h);
    s += '\0';
    s += static_cast<char>(8); // minimum code size
    std::string data;
    uint32_t bits = 0;
    int nbits = 0;
    auto code = [&](int c) {
        bits |= static_cast<uint32_t>(c) << nbits;
        nbits += 9;
        while (nbits >= 8) {
            data += static_cast<char>(bits & 0xFF);
            bits >>= 8;
            nbits -= 8;
        }
    };
    int run = 0;
    code(256);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (++run == 200) {
                code(256);
                run = 1;
            }
            code((x >= w / 2) + 2 * (y >= h / 2));
        }
    code(257);
    if (nbits) data += static_cast<char>(bits & 0xFF);
    for (size_t at = 0; at < data.size(); at += 255) {
        size_t n = std::min<size_t>(255, data.size() - at);
        s += static_cast<char>(n);
        s += data.substr(at, n);
    }
    s += '\0';
    s += ';';
    return s;
}

bool png_file(const fs::path& path, int w, int h) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    img.width = static_cast<png_uint_32>(w);
    img.height = static_cast<png_uint_32>(h);
    img.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> px(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &px[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<unsigned char>(255 * x / w);
            p[1] = static_cast<unsigned char>((x / 16 + y / 16) % 2 ? 200 : 40);
            p[2] = static_cast<unsigned char>(255 * y / h);
        }
    return png_image_write_to_file(&img, path.c_str(), 0, px.data(), 0, nullptr) != 0;
}

class ImageViewer : public ViewerFixture {};

} // namespace

TEST(ImageFit, RatiosAndSizes) {
    struct Case {
        const char* what;
        int w, h, W, H;
        bool ana;
        int64_t hx_num, hx_den, vy_num, vy_den;
        int want_w, want_h;
    } cases[] = {
        {"640 x 480 fits and is squeezed", 640, 480, 690, 530, false, 45, 64, 1, 1, 450, 480},
        {"2000 x 1000 limited by the width", 2000, 1000, 690, 530, false, 690, 2000, 44160, 90000,
         690, 490},
        {"100 x 1000 limited by the height", 100, 1000, 690, 530, false, 372, 1000, 23850, 45000,
         37, 530},
        {"anamorphic 600 x 400 stays as it is", 600, 400, 690, 530, true, 1, 1, 1, 1, 600, 400},
        {"the 4000 x 3000 JPEG block", 1687, 1800, 690, 530, true, 496, 1687, 496, 1687, 496, 529},
        {"large font leaves 526 rows", 100, 1000, 690, 526, false, 369, 1000, 23670, 45000, 36,
         526},
        {"a 1 x 1 picture keeps its pixel", 1, 1, 690, 530, false, 45, 64, 1, 1, 1, 1},
        {"a 1 x 10000 line keeps its column", 1, 10000, 690, 530, false, 372, 10000, 53, 1000, 1,
         530},
        {"a 10000 x 1 line keeps its row", 10000, 1, 690, 530, false, 69, 1000, 184, 1875, 690, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        image_fit f = image_fit_compute(c.w, c.h, c.W, c.H, c.ana);
        EXPECT_EQ(f.width, c.want_w);
        EXPECT_EQ(f.height, c.want_h);
        EXPECT_EQ(f.hx_num * c.hx_den, c.hx_num * f.hx_den) << f.hx_num << "/" << f.hx_den;
        EXPECT_EQ(f.vy_num * c.vy_den, c.vy_num * f.vy_den) << f.vy_num << "/" << f.vy_den;
        EXPECT_LE(f.width, c.W);
        EXPECT_LE(f.height, c.H);
    }
}

TEST(ImageFit, NeverEnlarges) {
    // Sizes all around the window: the result never outgrows the block nor the window.
    for (int w : {1, 7, 64, 689, 690, 691, 1280, 4000})
        for (int h : {1, 9, 529, 530, 531, 720, 3000})
            for (bool ana : {false, true}) {
                image_fit f = image_fit_compute(w, h, 690, 530, ana);
                EXPECT_LE(f.width, w) << w << "x" << h << " " << ana;
                EXPECT_LE(f.height, h) << w << "x" << h << " " << ana;
                EXPECT_LE(f.width, 690);
                EXPECT_LE(f.height, 530);
                EXPECT_GE(f.width, 1) << "every picture keeps a pixel";
                EXPECT_GE(f.height, 1);
            }
}

TEST(ImageResample, PicksSourcePixelsByTheAccumulators) {
    struct Case {
        const char* what;
        int w, h;
        image_fit fit;
        std::vector<int> want_x; // source columns of the first output row
        std::vector<int> want_y; // source rows of the first output column
    } cases[] = {
        {"halved", 8, 4, {1, 2, 1, 2, 4, 2}, {0, 2, 4, 6}, {0, 2}},
        {"squeezed by 45/64", 8, 2, {45, 64, 1, 1, 5, 2}, {0, 2, 3, 5, 6}, {0, 1}},
        {"unchanged", 3, 3, {1, 1, 1, 1, 3, 3}, {0, 1, 2}, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint32_t> block(static_cast<size_t>(c.w) * c.h);
        image_record img{};
        img.width = c.w;
        img.height = c.h;
        img.pixels = block.data();
        for (int i = 0; i < c.w * c.h; ++i)
            img.pixels[i] = static_cast<uint32_t>(i % c.w) << 8 | static_cast<uint32_t>(i / c.w);
        image_resample(&img, c.fit);
        EXPECT_EQ(img.width, c.fit.width);
        EXPECT_EQ(img.height, c.fit.height);
        for (size_t x = 0; x < c.want_x.size(); ++x)
            EXPECT_EQ(img.pixels[x] >> 8, static_cast<uint32_t>(c.want_x[x])) << "column " << x;
        for (size_t y = 0; y < c.want_y.size(); ++y)
            EXPECT_EQ(img.pixels[y * img.width] & 0xFF, static_cast<uint32_t>(c.want_y[y]))
                << "row " << y;
    }
}

TEST_F(ImageViewer, PicturesAreDrawnFittedAndCentred) {
    struct Case {
        const char* name;
        std::string bytes;
        int want_w, want_h;
    } cases[] = {
        {"wide.bmp", bmp24(640, 480, 0xFF0000, 0x00FF00), 450, 480},
        // Limited by the width like 2000 x 1000.
        {"long.bmp", bmp24(1600, 800, 0x0000FF, 0xFFFF00), 690, 490},
        {"tall.bmp", bmp24(100, 1000, 0x00FFFF, 0xFF00FF), 37, 530},
        {"small.jpg", jpeg(600, 400), 421, 400}, // the firmware squeezes JPEGs: 600 x 45 / 64
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        file(c.name, c.bytes);
        ASSERT_EQ(image_view(0, "/Pics", c.name), 1);
        EXPECT_TRUE(window_flags & WS_IMAGE);
        Box b = picture_box();
        EXPECT_EQ(b.w(), c.want_w);
        EXPECT_EQ(b.h(), c.want_h);
        const int left = image_window.screen_x + image_window.margin_x;
        const int top = image_window.screen_y + image_window.margin_y + LINE_SMALL;
        EXPECT_EQ(b.x0, left + (690 - c.want_w) / 2);
        EXPECT_EQ(b.y0, top + (c.want_h < 530 ? (530 - c.want_h) / 2 : 0));
        EXPECT_NE(emu->osd().screen_text().find(c.name), std::string::npos);
        EXPECT_EQ(image_view(0x10017, nullptr, nullptr), 0);
        EXPECT_FALSE(window_flags & WS_IMAGE);
    }
}

TEST_F(ImageViewer, FailuresAreReportedInTheWindow) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"broken.jpg", "not a picture", "File can't be displayed!"},
        {"planes.bmp", bmp24(10, 10, 0).replace(26, 1, std::string(1, '\2')),
         "No image data available!"},
        {"giant.bmp",
         bmp24(4, 4, 0).replace(18, 8, std::string("\xFF\xFF\xFF\x7F\xFF\xFF\xFF\x7F", 8)),
         "Image format not supported!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        file(c.name, c.bytes);
        image_view(0, "/Pics", c.name);
        EXPECT_NE(emu->osd().screen_text().find(c.message), std::string::npos)
            << emu->osd().screen_text();
        image_view(0x10017, nullptr, nullptr);
    }
}

TEST_F(ImageViewer, TitleBarShowsDateOrSizeAndTheLinkTitle) {
    file("linked.jpg", jpeg(300, 200, "http://example.org/p.html Evening%20sky"));
    image_view(0, "/Pics", "linked.jpg");
    std::string text = emu->osd().screen_text();
    EXPECT_NE(text.find("Evening%20sky"), std::string::npos) << text; // drawn as it stands
    EXPECT_NE(text.find(".20"), std::string::npos) << "the file's date: " << text;
    EXPECT_EQ(text.find("300 x 200"), std::string::npos);
    image_view(0x10021, nullptr, nullptr); // Subtitle
    text = emu->osd().screen_text();
    EXPECT_NE(text.find("300 x 200"), std::string::npos) << text;

    file("plain.jpg", jpeg(300, 200, "Made by hand"));
    image_view(0, "/Pics", "plain.jpg");
    EXPECT_EQ(emu->osd().screen_text().find("Made by hand"), std::string::npos)
        << "a comment without link is no headline";
}

TEST_F(ImageViewer, KeysStepThroughTheFolder) {
    const char* names[] = {"a.bmp", "b.jpg", "c.png", "d.bmp", "e.bmp", "f.bmp",
                           "g.bmp", "h.bmp", "i.bmp", "j.bmp", "k.bmp", "l.bmp"};
    for (const char* n : names)
        file(n, n[2] == 'b' ? bmp24(20, 20, 0x808080) : std::string("x"));
    file("notes.txt", "text");
    struct Step {
        dword key;
        const char* want;
    } steps[] = {
        {0x10015, "c.png"},                     // >
        {0x1000F, "b.jpg"},                     // <
        {0x1000F, "a.bmp"}, {0x1000F, "a.bmp"}, // stays at the first
        {0x1003A, "k.bmp"},                     // >> ten on
        {0x1003A, "l.bmp"},                     // stops at the last
        {0x10038, "b.jpg"},                     // << ten back
        {0x10041, "a.bmp"}, {0x10043, "l.bmp"}, // |< >|
    };
    image_view(0, "/Pics", "b.jpg");
    for (const Step& s : steps) {
        image_view(s.key, nullptr, nullptr);
        EXPECT_STREQ(image_view_name(), s.want) << std::hex << s.key;
        EXPECT_NE(emu->osd().screen_text().find(s.want), std::string::npos);
    }
}

TEST_F(ImageViewer, InfoShowsTheDetailsOverThePictureUntilExit) {
    file("pic.bmp", bmp24(64, 48, 0x123456));
    image_view(0, "/Pics", "pic.bmp");
    image_view(0x10014, nullptr, nullptr); // Info
    EXPECT_EQ(image_state, -1);
    std::string text = emu->osd().screen_text();
    EXPECT_NE(text.find("64 x 48 px"), std::string::npos) << text;
    image_view(0x10015, nullptr, nullptr); // other keys wait
    EXPECT_STREQ(image_view_name(), "pic.bmp");
    EXPECT_TRUE(ibox_open());
    image_view(0x10017, nullptr, nullptr); // Exit closes the details
    EXPECT_FALSE(ibox_open());
    EXPECT_EQ(image_state, 0);
    EXPECT_TRUE(window_flags & WS_IMAGE);
    image_view(0x10001, nullptr, nullptr); // other key: key help
    EXPECT_NE(emu->osd().screen_text().find("Keys in Image Viewer"), std::string::npos);
}

TEST_F(ImageViewer, CapturesShownAgain) {
    // A window capture keeps its size (already in screen geometry); the video capture is
    // squeezed: 1280 x 720 becomes 662 x 530, not 690 x 388.
    osd_window box{};
    osd_frame(&box, 400, 8, "Box", nullptr, 0);
    std::vector<uint32_t> squares(static_cast<size_t>(box.width) * box.height);
    for (int y = 0; y < box.height; ++y)
        for (int x = 0; x < box.width; ++x)
            squares[static_cast<size_t>(y) * box.width + x] =
                (x / 4 + y / 4) % 2 ? 0xFFC02020 : 0xFF20C020;
    TAP_Osd_DrawPixmap(box.region, box.margin_x, box.margin_y, box.width, box.height,
                       squares.data(), 0, 1);
    screen_capture(&box);
    osd_close(&box);
    screen_capture(nullptr);
    ASSERT_TRUE(fs::exists(dir / "disk" / "Captures" / "tovakrc_00.bmp"));
    ASSERT_TRUE(fs::exists(dir / "disk" / "Captures" / "video_00.bmp"));
    ASSERT_EQ(tap_folder_change("/Captures"), 0);
    image_record* osd_capture = bmp_read(nullptr, "tovakrc_00.bmp");
    ASSERT_NE(osd_capture, nullptr);
    EXPECT_EQ(osd_capture->anamorphic, 1);
    const int box_w = osd_capture->file_width, box_h = osd_capture->file_height;
    EXPECT_EQ(bmp_read(nullptr, "video_00.bmp")->anamorphic, 0);

    image_view(0, "/Captures", "video_00.bmp");
    Box v = picture_box();
    EXPECT_EQ(v.w(), 662);
    EXPECT_EQ(v.h(), 530);
    image_view(0, "/Captures", "tovakrc_00.bmp");
    Box o = picture_box();
    EXPECT_EQ(o.w(), box_w);
    EXPECT_EQ(o.h(), box_h);
}

TEST_F(ImageViewer, ScreenshotsOfEachFormat) {
    // With TEST_SHOTS set the viewer's screen is written there for a look.
    if (!install_converters()) GTEST_SKIP() << "the converter programs are not built";
    file("sample.gif", gif(400, 300));
    ASSERT_TRUE(png_file(dir / "disk" / "Pics" / "sample.png", 500, 375));
    file("sample.jpg", jpeg(800, 600, "http://example.org Sample%20headline"));
    file("sample.bmp", bmp24(320, 240, 0x2040C0, 0xF0C000));
    const char* names[] = {"sample.jpg", "sample.gif", "sample.png", "sample.bmp"};
    const bool writing = writing_shots();
    for (const char* n : names) {
        SCOPED_TRACE(n);
        image_view(0, "/Pics", n);
        Box b = picture_box();
        EXPECT_GT(b.w(), 10) << "a picture is drawn";
        EXPECT_GT(b.h(), 10);
        if (writing) {
            std::string written;
            EXPECT_TRUE(emu->snap(std::string("viewer_") + n, &written));
        }
    }
}

TEST_F(ImageViewer, WindowCaptureOfAFullWindow) {
    // A 690 x 552 window: rows of 2072 bytes (2070 + 2 padding), bottom row first, B G R.
    osd_window full{};
    osd_frame(&full, FULL_W, 0, "Full", nullptr, 0);
    TAP_Osd_FillBox(full.region, full.margin_x, full.margin_y + full.height - 1, full.width, 1,
                    0xFF112233); // the window's bottom row
    screen_capture(&full);
    osd_close(&full);
    std::ifstream in(dir / "disk" / "Captures" / "tovakrc_00.bmp", std::ios::binary);
    std::string f((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(f.size(), 54u + 2072u * 552u);
    EXPECT_EQ(capture_row_size(690), 2072u);
    EXPECT_EQ(static_cast<uint8_t>(f[18]) | static_cast<uint8_t>(f[19]) << 8, 690);
    EXPECT_EQ(static_cast<uint8_t>(f[54]), 0x33);
    EXPECT_EQ(static_cast<uint8_t>(f[55]), 0x22);
    EXPECT_EQ(static_cast<uint8_t>(f[56]), 0x11);
    EXPECT_EQ(f.substr(54 + 2070, 2), std::string(2, '\0')) << "padding";
    EXPECT_NE(f.substr(54 + 2072, 3), "\x33\x22\x11") << "the row above is the window's own";
}

TEST(CaptureLayout, RowsAndNames) {
    struct Case {
        uint32_t width, row;
    } rows[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {690, 2072}, {720, 2160}, {1280, 3840}};
    for (const Case& c : rows)
        EXPECT_EQ(capture_row_size(c.width), c.row) << c.width;
    capture_bmp_header h;
    capture_header_fill(&h, 690, 552, true);
    EXPECT_EQ(h.file_size[0] | h.file_size[1] << 8 | h.file_size[2] << 16, 54 + 2072 * 552);
    EXPECT_EQ(h.x_ppm[0] | h.x_ppm[1] << 8, 9000);
    EXPECT_EQ(h.y_ppm[0] | h.y_ppm[1] << 8, 12800);
    capture_header_fill(&h, 1280, 720, false);
    EXPECT_EQ(h.x_ppm[0] | h.x_ppm[1], 0);
}

TEST_F(ImageViewer, FileDetailsText) {
    fs::path pics = dir / "disk" / "Pics";
    if (!fs::exists(TOVAK_MIPSEL_DIR "/tovakrc_tms.tap"))
        GTEST_SKIP() << "no receiver build beside this one";
    fs::copy_file(TOVAK_MIPSEL_DIR "/tovakrc_tms.tap", pics / "tovakrc.tap");
    std::string other_cpu;
    {
        std::ifstream in(TOVAK_MIPSEL_DIR "/tovakrc_tms.tap", std::ios::binary);
        other_cpu.assign(std::istreambuf_iterator<char>(in), {});
        other_cpu[18] = 3; // machine 3: another processor
    }
    file("x86.tap", other_cpu);
    file("one.txt", "only line\n");
    file("five.txt", "1\n2\n3\n4\n5\n");
    file("nul.txt", std::string("a\nb\n\0c\n", 7));
    file("ff.dat", std::string("a\n\xFF\xFF\xFF\xFF\n", 7));
    file("late_nul.txt", std::string(1000, '\n') + std::string(1, '\0'));
    file("pic.bmp", bmp24(64, 48, 0x123456));
    file("link.jpg", jpeg(40, 30, "http://example.org/a%20b Evening%20sky"));
    fs::create_symlink("one.txt", pics / "alias.txt");
    auto inf = [](int minutes, int epg_minutes) {
        std::string h(2128, '\0');
        h.replace(0, 4, "TFrc");
        h[5] = static_cast<char>(0x80); // version 0x8000
        h[12] = static_cast<char>(minutes);
        h.replace(42, 3, "ZDF");
        h[70] = static_cast<char>(epg_minutes % 60);
        h[71] = static_cast<char>(epg_minutes / 60);
        return h;
    };
    file("news.rec.inf", inf(95, 90));
    file("news.rec", std::string(10, '\0'));
    file("short.rec.inf", inf(12, 0));
    struct Case {
        const char* name;
        bool english;
        std::vector<std::string> has, lacks;
    } cases[] = {
        {"tovakrc.tap",
         true,
         {"/Pics/\ntovakrc.tap\n", "\nProgram: TovakRC", "\nAuthor: ", "\nDescr.: ", "\nEtcinfo: ",
          "\nVersion: ", "\nTAP ID: 0x7A0BC020", " Bytes\n"},
         {"Text:"}},
        {"x86.tap", true, {"x86.tap"}, {"Program:", "Author:", "Text:"}},
        {"one.txt", true, {"\nText:\n1 Line"}, {"Lines"}},
        {"five.txt", true, {"\nText:\n5 Lines"}, {}},
        {"five.txt", false, {"\nText:\n5 Zeilen"}, {}},
        {"nul.txt", true, {"nul.txt"}, {"Text:"}},
        {"ff.dat", true, {"ff.dat"}, {"Text:"}},
        {"late_nul.txt", true, {"\nText:\n1000 Lines"}, {}},
        {"pic.bmp", true, {"\nImage:\n64 x 48 px\n"}, {}},
        {"pic.bmp", false, {"\nBild:\n64 x 48 px\n"}, {}},
        {"link.jpg", true, {"\nImage:\n40 x 30 px\nhttp://example.org/a%20b\nEvening sky\n"}, {}},
        {"news.rec", true, {"\nChannel: ZDF", "\nDuration: 95', EPG 90'"}, {"Text:"}},
        {"news.rec.inf", false, {"\nSender: ZDF", "\nDauer: 95', EPG 90'"}, {}},
        {"short.rec.inf", true, {"\nDuration: 12'"}, {"EPG", "Text:"}},
        {"alias.txt", true, {"\nSymlink to:\n/Pics/\none.txt\n", "1 Line"}, {}},
        {"alias.txt", false, {"\nSymlink nach:\n/Pics/\none.txt\n"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.english ? " en" : " de"));
        settings.flags = c.english ? SET_ENGLISH : 0;
        const std::string text = file_details_text("/Pics", c.name, false);
        for (const std::string& s : c.has)
            EXPECT_NE(text.find(s), std::string::npos) << s << " in\n" << text;
        for (const std::string& s : c.lacks)
            EXPECT_EQ(text.find(s), std::string::npos) << s << " in\n" << text;
        // The date line: weekday, day.month.year, hour:minute.
        EXPECT_NE(text.find(".20"), std::string::npos) << text;
    }
}

TEST_F(ImageViewer, FileDetailsShownInABoxOrAWindow) {
    file("five.txt", "1\n2\n3\n4\n5\n");
    file_details("/Pics", "five.txt", nullptr);
    ASSERT_TRUE(ibox_open());
    std::string text = emu->osd().screen_text();
    EXPECT_NE(text.find("Info"), std::string::npos) << text;
    EXPECT_NE(text.find("5 Lines"), std::string::npos) << text;
    ibox_show(nullptr, nullptr, 0);

    osd_window w{};
    osd_frame(&w, 500, 14, "Details", nullptr, 0);
    file_details("/Pics", "five.txt", &w);
    text = emu->osd().screen_text();
    EXPECT_NE(text.find("five.txt"), std::string::npos) << text;
    EXPECT_NE(text.find("5 Lines"), std::string::npos) << text;
    osd_close(&w);
}

TEST(PercentDecode, Cases) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {{"a%20b", "a b"}, {"%41%42", "AB"}, {"100%", "100%"}, {"%2", "%2"},
                 {"%zz1", "%zz1"}, {"%4a%4A", "JJ"}, {"", ""}};
    for (const Case& c : cases) {
        char buf[32];
        snprintf(buf, sizeof buf, "%s", c.in);
        percent_decode(buf);
        EXPECT_STREQ(buf, c.out) << c.in;
    }
}
